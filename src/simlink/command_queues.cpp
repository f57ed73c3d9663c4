#include "simlink/command_queues.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "simlink/link_state.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_state.h"

namespace orv {
namespace {

constexpr std::size_t kRoom = 256;

std::mutex commandMutex;

// While "SimClient" serves, a failed request waits for the end of its next dispatch.
std::atomic<bool> simClientServing{false};
std::atomic<bool> failureWaiting{false};

// Guarded by commandMutex, except the back buffer, which the start-up thread fills without it
// between swaps (only that thread changes `back`, and only under the mutex).
struct Queues {
  std::array<std::vector<SimPosition>, 2> buffers;
  int back = 0;
  std::vector<SimEvent> events;
  std::vector<SimCreateRequest> creations;
  std::vector<std::uint32_t> removals;

  std::vector<SimPosition>& front() { return buffers[1 - back]; }
};

Queues queues;

void lf_append(const SimEvent& event) {
  std::scoped_lock lock(commandMutex);
  queues.events.push_back(event);
}

void lf_createAcInSim(sc::Handle handle, const SimCreateRequest& request) {
  const sc::HResult result = SimConnect_AICreateNonATCAircraft(
      handle, request.liveryTitle.c_str(), request.callsign.c_str(), request.initPosition, simid::kReqCreate);
  if (result < 0) {
    gf_logImportant(
        fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                    request.key, request.liveryTitle, request.callsign));
    gf_simConnectRequestFailed();
    return;
  }
  std::uint32_t packetId = 0;
  if (SimConnect_GetLastSentPacketID(handle, &packetId) != 0) {
    gf_logImportant("GetLastSentPacketID");
    packetId = 0;
  }
  gf_linkState().pendingCreations.push_back(PendingCreation{packetId, request.key, request.callsign});
}

void lf_removeAcFromSim(sc::Handle handle, std::uint32_t objectId) {
  if (objectId <= gf_linkState().userObjectId) {
    gf_logImportant(fmt::format("SimConnect call to remove ac with objectid {}", gf_hexString(objectId)));
    return;
  }
  if (SimConnect_AIRemoveObject(handle, objectId, simid::kReqRemove) < 0) {
    gf_logImportant(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_nowHms(),
                                gf_hexString(objectId)));
    gf_simConnectRequestFailed();
  }
}

void lf_emptyForFrame() {
  queues.front().clear();
  queues.events.clear();
  queues.creations.clear();
  queues.removals.clear();
}

// A request of the start-up thread: under the command mutex, and only while the link is not blocked.
template <typename Request>
void lf_request(std::string_view failureLine, Request&& request) {
  std::scoped_lock lock(commandMutex);
  if (gf_simConnectBlocked()) return;
  (void)gf_checkRequest(request(gf_simConnectHandle()), failureLine);
}

}  // namespace

void gf_queueCreateAc(const SimCreateRequest& request) {
  std::scoped_lock lock(commandMutex);
  queues.creations.push_back(request);
}

void gf_queueSimEvent(const SimEvent& event) {
  lf_append(event);
}

void gf_queueSimEventLocked(const SimEvent& event) {
  queues.events.push_back(event);
}

void gf_queueRemoval(std::uint32_t objectId) {
  std::scoped_lock lock(commandMutex);
  queues.removals.push_back(objectId);
}

void gf_engineStart(std::uint32_t objectId) {
  lf_append({objectId, simid::kEngineAutoStart, 0});
}

void gf_engineShutdown(std::uint32_t objectId) {
  lf_append({objectId, simid::kEngineAutoShutdown, 0});
}

void gf_setLights(std::uint32_t objectId, const LightStates& lights) {
  std::scoped_lock lock(commandMutex);
  for (const auto& [event, value] : {std::pair{simid::kNavLightsSet, lights.nav},
                                     {simid::kBeaconLightsSet, lights.beacon},
                                     {simid::kLandingLightsSet, lights.landing},
                                     {simid::kTaxiLightsSet, lights.taxi},
                                     {simid::kStrobesSet, lights.strobes},
                                     {simid::kLogoLightsSet, lights.logo},
                                     {simid::kCabinLightsSet, lights.cabin}})
    queues.events.push_back({objectId, event, value});
}

void gf_setNavLights(std::uint32_t objectId, std::uint32_t value) {
  lf_append({objectId, simid::kNavLightsSet, value});
}

void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) {
  lf_append({objectId, simid::kCabinLightsSet, value});
}

void gf_queuePosition(const SimPosition& position) {
  queues.buffers[queues.back].push_back(position);
}

bool gf_swapPositionBuffers() {
  std::unique_lock lock(commandMutex, std::try_to_lock);
  if (!lock.owns_lock()) {
    queues.buffers[queues.back].clear();
    return false;
  }
  queues.back = 1 - queues.back;
  queues.buffers[queues.back].clear();
  return true;
}

void gf_emptyPositionBuffers() {
  std::scoped_lock lock(commandMutex);
  for (auto& buffer : queues.buffers) buffer.clear();
}

void gf_resetSimQueues() {
  {
    std::scoped_lock lock(commandMutex);
    for (auto& buffer : queues.buffers) {
      buffer.clear();
      buffer.reserve(kRoom);
    }
    queues.back = 0;
    queues.events.clear();
    queues.events.reserve(kRoom);
    queues.creations.clear();
    queues.creations.reserve(kRoom);
    queues.removals.clear();
    queues.removals.reserve(kRoom);
  }
  LinkState& link = gf_linkState();
  link = LinkState{};
  link.addedObjects.reserve(kRoom);
  link.pendingCreations.reserve(kRoom);
  gf_setSimConnectBlocked(false);
}

SimClientServing::SimClientServing() {
  failureWaiting = false;
  simClientServing = true;
}

SimClientServing::~SimClientServing() {
  simClientServing = false;
  failureWaiting = false;
}

namespace {

void lf_endRunForFailedRequest() {
  gf_setMessage("SimConnect request error", true);
  gf_endRun(ExitReason::SimConnectError, 9);
}

}  // namespace

void gf_simConnectRequestFailed() {
  gf_setSimConnectBlocked(true);
  if (simClientServing) {
    failureWaiting = true;
    return;
  }
  lf_endRunForFailedRequest();
}

void gf_judgeRequestFailure(bool simulatorGone) {
  if (failureWaiting.exchange(false) && !simulatorGone) lf_endRunForFailedRequest();
}

bool gf_checkRequest(sc::HResult result, std::string_view failureLine) {
  if (result >= 0) return true;
  gf_logImportant(failureLine);
  gf_simConnectRequestFailed();
  return false;
}

std::mutex& gf_commandMutex() {
  return commandMutex;
}

void gf_requestAcInRange(double rangeNm) {
  // The simulator refuses a radius beyond its limit; such a range means "everything it has".
  const double metres = std::clamp(rangeNm * 1852.0, 0.0, static_cast<double>(sc::MAX_RADIUS_M));
  lf_request("SimConnect request ac within range fails", [&](sc::Handle h) {
    return SimConnect_RequestDataOnSimObjectType(h, simid::kReqAircraftInRange, simid::kDefAircraftInRange,
                                                 static_cast<std::uint32_t>(std::lround(metres)),
                                                 sc::SIMOBJECT_TYPE_AIRCRAFT);
  });
}

void gf_requestStaticCgData(std::uint32_t objectId) {
  lf_request("SimConnect request StaticCG fails", [&](sc::Handle h) {
    return SimConnect_RequestDataOnSimObject(h, simid::kReqStaticCg, simid::kDefStaticCg, objectId,
                                             sc::Period::ONCE, 0, 0, 0, 0);
  });
}

void gf_requestUserOnGroundEverySecond() {
  lf_request("SimConnect request ac gnd/air fails", [](sc::Handle h) {
    return SimConnect_RequestDataOnSimObject(h, simid::kReqUserOnGround, simid::kDefUserOnGround,
                                             sc::OBJECT_ID_USER, sc::Period::SECOND, 0, 0, 0, 0);
  });
}

bool gf_assignFlightPlan(std::uint32_t objectId, const std::string& planPath) {
  std::scoped_lock lock(commandMutex);
  if (gf_simConnectBlocked()) return false;
  return SimConnect_AISetAircraftFlightPlan(gf_simConnectHandle(), objectId, planPath.c_str(),
                                            simid::kReqFlightPlan) >= 0;
}

void gf_setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double lever1, double lever2) {
  const double values[3] = {spoilers, lever1, lever2};
  std::scoped_lock lock(commandMutex);
  if (gf_simConnectBlocked()) return;
  // Like the positions, the result is not tested: a refused write changes nothing else.
  (void)SimConnect_SetDataOnSimObject(gf_simConnectHandle(), simid::kDefSpoilersThrottles, objectId, 0, 0,
                                      sizeof values, values);
}

void lf_onFrame() {
  std::unique_lock lock(commandMutex, std::try_to_lock);
  if (!lock.owns_lock()) return;  // the queues wait for the next frame
  if (gf_simConnectBlocked()) {
    lf_emptyForFrame();
    return;
  }
  const sc::Handle handle = gf_simConnectHandle();
  const std::uint32_t userObjectId = gf_linkState().userObjectId;

  for (const SimPosition& p : queues.front()) {
    if (p.objectId <= userObjectId) continue;
    const double block[8] = {p.latitude,    p.longitude, p.pitch,         p.bank,
                             p.trueHeading, p.altitude,  p.verticalSpeed, p.trueAirspeed};
    (void)SimConnect_SetDataOnSimObject(handle, simid::kDefAiPosition, p.objectId, 0, 0, sizeof block, block);
  }
  queues.front().clear();

  for (const SimEvent& e : queues.events) {
    const bool flaps = e.eventId == simid::kFlapsSet;
    // The simulator's AI would take the flaps back: released before and after.
    if (flaps) (void)SimConnect_AIReleaseControl(handle, e.objectId, simid::kReqReleaseControl);
    if (SimConnect_TransmitClientEvent(handle, e.objectId, e.eventId, e.value, simid::kGroup, 0) < 0) {
      gf_setMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", e.eventId), true);
    } else if (flaps) {
      (void)SimConnect_AIReleaseControl(handle, e.objectId, simid::kReqReleaseControl);
    }
  }
  queues.events.clear();

  // After a failed request nothing more is sent, not even the rest of this frame.
  for (const SimCreateRequest& request : queues.creations) {
    if (gf_simConnectBlocked()) break;
    lf_createAcInSim(handle, request);
  }
  queues.creations.clear();

  for (const std::uint32_t objectId : queues.removals) {
    if (gf_simConnectBlocked()) break;
    lf_removeAcFromSim(handle, objectId);
  }
  queues.removals.clear();
}

QueuedWork gf_queuedWork() {
  std::scoped_lock lock(commandMutex);
  return QueuedWork{queues.front().size(), queues.buffers[queues.back].size(), queues.events,
                    queues.creations.size(), queues.removals};
}

}  // namespace orv
