#include "simlink/dispatch.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/sim_display.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_messages.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"

namespace orv {
namespace {

LinkState linkState;

constexpr double kKnownObjectMaxAgl = 2500.0;
constexpr std::size_t kString32 = 32;

// A record of the given type, when the bytes hold one whole; copied, so that neither the
// alignment nor the size of the bytes matters.
template <typename Record>
bool lf_read(const sc::Recv* data, std::uint32_t cbData, Record& record) {
  if (cbData < sizeof(Record) || data->dwSize < sizeof(Record)) return false;
  std::memcpy(static_cast<void*>(&record), data, sizeof(Record));
  return true;
}

// The values of a data record, read in order; a read beyond the record gives 0 or an empty text.
class Values {
 public:
  Values(const sc::Recv* data, std::uint32_t cbData) {
    if (cbData >= sizeof(sc::RecvSimObjectData) && data->dwSize >= sizeof(sc::RecvSimObjectData))
      bytes_ = sc::simObjectValues(*reinterpret_cast<const sc::RecvSimObjectData*>(data), cbData);
  }
  double float64() { return lf_number<double>(); }
  std::int64_t int64() { return lf_number<std::int64_t>(); }
  // A text of a fixed field, up to its zero or the end of the field.
  std::string_view fixedText(std::size_t field) {
    const std::size_t available = offset_ < bytes_.size() ? std::min(field, bytes_.size() - offset_) : 0;
    const std::string_view text = lf_textAt(available);
    offset_ += field;
    return text;
  }
  // A text that runs to its zero, or to the end of the record.
  std::string_view variableText() {
    const std::size_t available = offset_ < bytes_.size() ? bytes_.size() - offset_ : 0;
    const std::string_view text = lf_textAt(available);
    offset_ += text.size() + 1;
    return text;
  }

 private:
  template <typename T>
  T lf_number() {
    T value{};
    if (offset_ + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset_, sizeof(T));
    offset_ += sizeof(T);
    return value;
  }
  std::string_view lf_textAt(std::size_t available) const {
    if (available == 0) return {};
    const char* p = reinterpret_cast<const char*>(bytes_.data() + offset_);
    return std::string_view(p, strnlen(p, available));
  }

  std::span<const std::byte> bytes_;
  std::size_t offset_ = 0;
};

void lf_newFlight() {
  lf_reserveUserStand();
  gf_endRun(ExitReason::NewFlight, 45);
}

template <typename T>
bool lf_takeOut(std::vector<T>& list, typename std::vector<T>::iterator it) {
  if (it == list.end()) return false;
  *it = std::move(list.back());  // the last entry moves into its place
  list.pop_back();
  return true;
}

void lf_onException(const sc::Recv* data, std::uint32_t cbData) {
  sc::RecvException record;
  if (!lf_read(data, cbData, record)) return;
  switch (record.dwException) {
    case sc::EXCEPTION_UNRECOGNIZED_ID: {
      const UserAcBlock block = gf_userAcBlock();
      if (gf_positionKnown(block.position.latitude, block.position.longitude) && !gf_stopRaised())
        gf_logImportant("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
      break;
    }
    case sc::EXCEPTION_VERSION_MISMATCH:
      throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", record.dwIndex));
    case sc::EXCEPTION_TOO_MANY_OBJECTS:
      gf_setMessage("SimConnect: too many objects (max 1000)", true);
      break;
    case sc::EXCEPTION_INVALID_DATA_SIZE:
      gf_logLine("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
      break;
    case sc::EXCEPTION_CREATE_OBJECT_FAILED: {
      auto& pending = linkState.pendingCreations;
      // Packet id 0 stands for "not known" and matches no exception.
      const auto it = record.dwSendID == 0 ? pending.end()
                                           : std::find_if(pending.begin(), pending.end(), [&](const auto& p) {
                                               return p.packetId == record.dwSendID;
                                             });
      if (it == pending.end()) break;
      const std::uint32_t key = it->key;
      lf_takeOut(pending, it);
      if (key != 0) gf_postSimMessage({0, key, 0, SimMessageKind::CreationFailed, 0.0, 0.0});
      break;
    }
    case sc::EXCEPTION_LOAD_FLIGHTPLAN_FAILED:
      gf_logImportant("SimConnect exception: load flight plan failed");
      break;
    case sc::EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE:
      gf_logLine("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
      break;
    default:
      gf_logImportant(fmt::format("SIMCONNECT_EXCEPTION #{}", record.dwException));
      break;
  }
}

void lf_onEvent(const sc::Recv* data, std::uint32_t cbData) {
  sc::RecvEvent record;
  if (!lf_read(data, cbData, record)) return;
  if (record.uEventID == simid::kEventSim) {
    const bool running = record.dwData == 1;
    gf_setSimulationRunning(running);
    gf_showSimulationRunning(running);
  } else if (record.uEventID == simid::kEventFlightLoaded) {
    gf_logLine("SimConnect: flight loaded event");
    lf_newFlight();
  }
}

void lf_onObjectAddRemove(const sc::Recv* data, std::uint32_t cbData) {
  sc::RecvEventObjectAddRemove record;
  if (!lf_read(data, cbData, record) || record.eObjType != sc::SIMOBJECT_TYPE_AIRCRAFT) return;
  const std::uint32_t objectId = record.dwData;
  auto& added = linkState.addedObjects;
  if (record.uEventID == simid::kEventObjectAdded) {
    if (objectId > linkState.userObjectId) added.push_back(objectId);
  } else if (record.uEventID == simid::kEventObjectRemoved) {
    // Objects that leave before a by-type answer saw them would stay in the list for the whole run.
    lf_takeOut(added, std::find(added.begin(), added.end(), objectId));
    gf_postSimMessage({objectId, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0});
  }
}

void lf_onSimObjectData(const sc::Recv* data, std::uint32_t cbData) {
  sc::RecvSimObjectData record;
  if (!lf_read(data, cbData, record)) return;
  Values values(data, cbData);
  switch (record.dwRequestID) {
    case simid::kReqStaticCg: {
      const double cg = values.float64();
      const double pitch = values.float64();
      gf_postSimMessage({record.dwObjectID, 0, 0, SimMessageKind::StaticCgData, cg, pitch});
      break;
    }
    case simid::kReqUserTitle:
      lf_onUserAcTitle(values.variableText());
      break;
    case simid::kReqUserModel:
      lf_onUserAcModel(values.fixedText(kString32));
      break;
    case simid::kReqUserOnGround:
      lf_onUserOnGround(values.int64());
      break;
    case simid::kReqUserAircraft: {
      UserAcBlock block;
      UserAcPosition& p = block.position;
      for (double* v : {&p.latitude, &p.longitude, &p.pitch, &p.bank, &p.trueHeading, &p.altitude,
                        &p.altAboveGround, &p.groundVelocity})
        *v = values.float64();
      block.zuluTime = values.int64();
      block.zuluDayOfYear = values.int64();
      block.zuluYear = values.int64();
      block.lightStates = values.int64();
      lf_onUserAcPosition(block);
      linkState.userObjectId = record.dwObjectID;
      break;
    }
    default:
      break;
  }
}

void lf_onSimObjectDataByType(const sc::Recv* data, std::uint32_t cbData) {
  sc::RecvSimObjectData record;
  if (!lf_read(data, cbData, record)) return;
  const std::uint32_t objectId = record.dwObjectID;
  if (record.dwRequestID != simid::kReqAircraftInRange || objectId <= linkState.userObjectId) return;
  Values values(data, cbData);
  const double agl = values.float64();
  const double groundAlt = values.float64();
  const std::int64_t onGround = values.int64();
  const std::string atcId(values.fixedText(kString32));

  auto& added = linkState.addedObjects;
  const auto addedAt = std::find(added.begin(), added.end(), objectId);
  if (addedAt == added.end()) {
    if (agl > kKnownObjectMaxAgl || atcId.empty() || atcId.back() == '*') return;
    gf_postSimMessage({objectId, onGround != 0 ? 1u : 0u, 0, SimMessageKind::GroundData, groundAlt, agl});
    return;
  }
  lf_takeOut(added, addedAt);

  std::uint32_t key = 0;
  if (!atcId.empty()) {
    auto& pending = linkState.pendingCreations;
    const auto match = std::find_if(pending.begin(), pending.end(),
                                    [&](const PendingCreation& p) { return p.callsign == atcId; });
    if (match != pending.end()) {
      key = match->key;
      lf_takeOut(pending, match);
    }
  }
  if (key == 0) {
    if (atcId == "AS-GEN") {
      if (!linkState.asGenLogged) {
        linkState.asGenLogged = true;
        gf_logImportant(
            fmt::format("\nSpawned by Asobo, oid: {}, callsign AS-GEN, altaboveGnd:{:.0f} ft, onground:{}, "
                        "gnd_alt:{:.0f} "
                        "ft\nThis message will be logged only once...\n",
                        gf_hexString(objectId), agl, onGround, groundAlt));
      }
    } else {
      gf_logLine(
          fmt::format("just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, "
                      "onground:{}, gnd_alt:{:.0f} ft",
                      kProductName, gf_hexString(objectId), atcId, agl, onGround, groundAlt));
    }
    return;
  }
  {
    // Frozen and out of the simulator's AI: from now on it moves only by the positions we send.
    std::scoped_lock lock(gf_commandMutex());
    (void)SimConnect_AIReleaseControl(gf_simConnectHandle(), objectId, simid::kReqReleaseControl);
    for (const std::uint32_t freeze :
         {simid::kFreezeLatitudeLongitudeSet, simid::kFreezeAltitudeSet, simid::kFreezeAttitudeSet})
      gf_queueSimEventLocked({objectId, freeze, 1});
  }
  const bool live = key > simid::kLastStaticKey;
  gf_postSimMessage({objectId, key, 0, live ? SimMessageKind::LiveCreated : SimMessageKind::StaticCreated,
                     0.0, live ? agl : 0.0});
}

}  // namespace

LinkState& gf_linkState() {
  return linkState;
}

void lf_dispatch(const sc::Recv* data, std::uint32_t cbData, void* /*context*/) {
  if (!data || cbData < sizeof(sc::Recv)) return;
  switch (data->dwID) {
    case sc::RECV_ID_EXCEPTION:
      lf_onException(data, cbData);
      break;
    case sc::RECV_ID_OPEN: {
      sc::RecvOpen record;
      if (lf_read(data, cbData, record)) lf_onOpen(record);
      break;
    }
    case sc::RECV_ID_QUIT:
      gf_setSimulationRunning(false);
      linkState.quitReceived = true;
      break;
    case sc::RECV_ID_EVENT:
      lf_onEvent(data, cbData);
      break;
    case sc::RECV_ID_EVENT_OBJECT_ADDREMOVE:
      lf_onObjectAddRemove(data, cbData);
      break;
    case sc::RECV_ID_EVENT_FILENAME:
      gf_logImportant("SimConnect: New file event");
      lf_newFlight();
      break;
    case sc::RECV_ID_EVENT_FRAME:
      lf_onFrame();
      break;
    case sc::RECV_ID_SIMOBJECT_DATA:
      lf_onSimObjectData(data, cbData);
      break;
    case sc::RECV_ID_SIMOBJECT_DATA_BYTYPE:
      lf_onSimObjectDataByType(data, cbData);
      break;
    case sc::RECV_ID_ASSIGNED_OBJECT_ID:
    case 16:
    case 27:
      break;
    default:
      gf_logLine(fmt::format("! Unknown Dispatch dwID {}", data->dwID));
      break;
  }
}

void gf_resetSimLink() {
  gf_resetSimQueues();
  gf_resetSimMessages();
  gf_resetUserAircraft();
  gf_setSimulationRunning(false);
  gf_setSimConnectHandle(0);
}

}  // namespace orv
