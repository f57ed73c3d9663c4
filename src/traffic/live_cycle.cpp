#include "traffic/live_cycle.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <span>

#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "refdata/dbase.h"
#include "simlink/command_queues.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "traffic/adding_deque.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/readers.h"
#include "traffic/traffic_hooks.h"
#include "traffic/traffic_state.h"

namespace orv {
namespace {

constexpr std::size_t kRecordsPerCycle = 2;
constexpr std::int32_t kSettleCycles = 200;
constexpr double kNoParkElevation = -1000.0;

// The park airport's elevation, as the buffered-aircraft test compares against it.
double lf_parkElevation() {
  const auto park = gf_trafficReader().context().parkAirport;
  return park ? park->elevationFt : kNoParkElevation;
}

// A low aircraft over the park airport's elevation: a ground report that was not snapped.
bool lf_nearParkElevation(double altitudeFt) {
  return altitudeFt > 0.0 && altitudeFt < 10000.0 && std::abs(altitudeFt - lf_parkElevation()) <= 108.0;
}

bool lf_isRotorcraft(const AircraftHead& a) {
  return a.modelClass == ModelClass::Rotorcraft;
}

void lf_event(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t value) {
  gf_queueSimEvent(SimEvent{objectId, eventId, value});
}

// --- new aircraft ---

void lf_addLiveAc(TrafficRecord& record) {
  const ModelClass modelClass = gf_modelClass(record.model);
  if (static_cast<std::size_t>(modelClass) >= kModelClassCount) return;
  if (modelClass == ModelClass::Light && !cfg::LIGHT_AIRCRAFT.value()) return;
  if (modelClass == ModelClass::HighPerformance && !cfg::HIGH_PERF_AIRCRAFT.value()) return;
  if (modelClass == ModelClass::Rotorcraft && !cfg::HELICOPTERS.value()) return;
  if (lf_nearParkElevation(record.position.altitudeFt)) return;
  record.flightCallsign = record.callsign;
  record.extraText.clear();
  AircraftHead head = gf_makeAircraftHead(record, AircraftKind::Live);
  head.arrivalHandled = false;
  gf_trafficState().liveList.emplace_back(record.position, head, record.position.dataTime);
}

void lf_checkNewAircraft(TrafficRecord& record) {
  if (!record.registration.empty()) {
    if (const auto known = gf_findDbaseRecord(record.registration); known && known->model != 0)
      record.model = known->model;
  }
  if (gf_isKnownModel(gf_modelCode(record.model))) lf_addLiveAc(record);
}

// --- records for known aircraft ---

bool lf_implausibleSpeed(double w, double v) {
  return (w > 5.0 && v >= 10.0 * w) || (v > 5.0 && w >= 10.0 * v) || (w <= 5.0 && v >= 80.0) ||
         (v <= 5.0 && w >= 80.0);
}

// A record on the straight line of the one before, too soon to add anything.
bool lf_redundant(const LiveAircraft& a, const PositionSample& s) {
  if (a.stream.empty() || a.pendingSteps >= 1) return false;
  const double v = s.groundSpeedKt;
  const double d = std::abs(s.trackDeg - a.stream.back().trackDeg);
  const double gap = s.dataTime - a.lastRecordTime;
  if (s.airborne) return v > 120.0 && d <= 1.0 && gap <= 0.2429805615550756 / (v / 3600.0);
  if (v > 30.0 || d > 2.0) return false;
  const double limit = v == 0.0 ? 15.0 : std::min(0.010799136069114472 / (v / 3600.0), 15.0);
  return gap <= limit;
}

bool lf_dropForKnown(const LiveAircraft& a, const PositionSample& s) {
  if (a.state == SimState::LiveryRespawn || a.state == SimState::RemovingFromSim) return true;
  if (!a.stream.empty()) {
    const double gap = s.dataTime - a.lastRecordTime;
    if (s.dataTime == a.lastRecordTime || gap <= 1.0) return true;
    if (lf_implausibleSpeed(a.stream.back().groundSpeedKt, s.groundSpeedKt)) return true;
  }
  if (lf_redundant(a, s)) return true;
  return a.state == SimState::Buffer && lf_nearParkElevation(s.altitudeFt);
}

// --- the simulator's results ---

void lf_onLiveCreated(LiveAircraft& a, const SimMessage& message) {
  TrafficHooks& hooks = gf_trafficHooks();
  a.objectId = message.objectId;
  a.aglFt = message.b;
  const bool airborne = a.stream.empty() ? !a.onGround : a.stream.front().airborne;
  if (!airborne) {
    a.onGround = true;
    gf_setGear(a, true);
    a.leg.altitudeStepFt = 0.0;
    a.slotCounter = 1;
    if (a.phase == FlightPhase::Parked) {
      a.parkedSince = gf_weekdayAndSlot();
      gf_logLine(fmt::format("{:8}: {:8} parks", hooks.standName(a.standId), a.callsign));
      hooks.liveParksAtStand(a);
    }
  }
  if (a.origin && a.destination && hooks.writeFlightPlan) {
    const auto plan = hooks.writeFlightPlan(a);
    a.flightPlanSet = plan && (!gf_msfs2020Chosen() || gf_assignFlightPlan(a.objectId, plan->string()));
    if (!a.flightPlanSet) gf_logLine(fmt::format("{} creating a flight plan failed", gf_callsignText(a)));
  }
  gf_requestStaticCgData(a.objectId);
}

void lf_onGroundData(LiveAircraft& a, const SimMessage& message) {
  const bool touched = message.key == 1;
  const double groundAltitude = message.a;
  if (touched && !a.onGround && a.slotCounter <= 1 && a.state != SimState::RemovingFromSim &&
      a.phase != FlightPhase::TakeOff) {
    if (a.flags.flareStage || a.flags.landing) {
      a.flags.touchdownSettling = true;
      a.flags.landingRoll = true;
      a.headingAtTouchdownRad = a.headingRad;
      a.flags.landing = false;
      a.flags.landed = true;
      gf_setSpoilers(a, true);
      if (a.modelClass != ModelClass::Light) {
        const double lever = a.fsltl ? -100.0 : 100.0;
        gf_setSpoilersAndThrottles(a.objectId, 100.0, lever, lever);
      }
      const std::uint32_t n = a.onGroundSlots;
      if (n == 0) {
        gf_logLine(fmt::format("{} ! onGround slots {:.1f}", "gf_handleSimMessages", static_cast<double>(n)));
        a.pitchRad = a.staticPitchRad;
        a.leg.pitchStep = 0.0;
        a.leg.bankStep = 0.0;
      } else {
        a.leg.pitchStep = (a.staticPitchRad - a.pitchRad) / n;
        a.leg.bankStep = (0.0 - a.bankRad) / n;
      }
      gf_trafficState().arrivalChecks.push_back(a.key);
    }
    a.onGround = true;
    a.leg.altitudeStepFt = 0.0;
    a.slotCounter = 1;
  }
  a.aglFt = message.b;
  if (a.onGround || a.slotCounter >= 2) a.altitudeFt = groundAltitude + a.staticCgHeightFt;
}

void lf_onStaticCgData(LiveAircraft& a, const SimMessage& message) {
  if (message.a >= 1.0 && message.a <= 35.0) a.staticCgHeightFt = message.a;
  const double b = message.b;
  a.staticPitchRad = (b <= -0.017453292519943295 || b > 0.04363323129985824) ? 0.012217304763960306 : b;
}

// The object is gone: a respawning aircraft comes back with its new livery, any other record goes.
void gf_removeFlightPlan(std::uint32_t objectId, TrafficState& state) {
  auto& list = state.liveList;
  for (std::size_t i = 0; i < list.size(); ++i) {
    LiveAircraft& a = list[i];
    if (a.objectId != objectId || objectId == 0) continue;
    if (a.state == SimState::LiveryRespawn) {
      a.state = SimState::Buffer;
      a.lastThrottle = 5;
      a.lastFlaps = 4;
      a.objectId = 0;
      return;
    }
    if (a.flightPlanSet) gf_trafficHooks().removeFlightPlan(a);
    gf_eraseLiveAc(list, i);
    return;
  }
  (void)gf_trafficHooks().eraseStaticByObjectId(objectId);
}

void lf_onCreationFailed(const SimMessage& message, TrafficState& state) {
  TrafficHooks& hooks = gf_trafficHooks();
  if (message.key <= simid::kLastStaticKey) {
    hooks.staticCreationFailed(message.key);
    return;
  }
  auto& list = state.liveList;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].key != message.key) continue;
    hooks.liveryNotCreated(list[i].liveryTitle);
    gf_eraseLiveAc(list, i);
    return;
  }
}

void lf_handleMessage(const SimMessage& message, TrafficState& state) {
  switch (message.kind) {
    case SimMessageKind::LiveCreated: {
      if (message.objectId < 3) return;
      LiveAircraft* a = gf_findLiveByKey(state.liveList, message.key);
      if (!a) {
        // The aircraft went while the simulator created it: nothing else would remove the object.
        state.removalIds.push_back(message.objectId);
        return;
      }
      lf_onLiveCreated(*a, message);
      state.created.push_back({message, 0});
      return;
    }
    case SimMessageKind::StaticCreated:
      state.created.push_back({message, 0});
      return;
    case SimMessageKind::ObjectRemoved:
      gf_removeFlightPlan(message.objectId, state);
      return;
    case SimMessageKind::GroundData:
      if (LiveAircraft* a = gf_findLiveByObjectId(state.liveList, message.objectId))
        lf_onGroundData(*a, message);
      return;
    case SimMessageKind::StaticCgData:
      if (LiveAircraft* a = gf_findLiveByObjectId(state.liveList, message.objectId))
        lf_onStaticCgData(*a, message);
      return;
    case SimMessageKind::CreationFailed:
      lf_onCreationFailed(message, state);
      return;
  }
}

// The look of a live aircraft once it has settled in the simulator.
void lf_activateLive(LiveAircraft& a) {
  const std::uint32_t id = a.objectId;
  const bool airborne = a.stream.empty() ? !a.onGround : a.stream.front().airborne;
  if (airborne) {
    gf_engineStart(id);
    gf_setSpoilers(a, false);
    const std::uint32_t low = a.altitudeFt <= 10000.0 ? 1 : 0;
    gf_setLights(id, LightStates{1, 1, low, 0, 1, low, a.aglFt >= 2000.0 ? 1u : 0u});
  } else {
    gf_setSpoilers(a, false);
    const bool parked = a.phase == FlightPhase::Parked;
    if (parked)
      gf_engineShutdown(id);
    else
      gf_engineStart(id);
    const std::uint32_t nav = parked ? (cfg::NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0) : 1;
    gf_setLights(id, LightStates{nav, parked ? 0u : 1u, 0, a.phase == FlightPhase::Taxi ? 1u : 0u, 0, 1, 1});
    gf_setThrottle(a, lf_isRotorcraft(a) ? 4 : 0);
    gf_setFlaps(a, a.phase == FlightPhase::Taxi ? 1 : 0);
  }
  a.state = SimState::Active;
}

void lf_activateCreated(TrafficState& state) {
  TrafficHooks& hooks = gf_trafficHooks();
  for (CreatedEntry& entry : state.created) {
    const SimMessage& m = entry.message;
    if (entry.count < kSettleCycles) {
      ++entry.count;
      if (m.kind == SimMessageKind::LiveCreated && (entry.count == 50 || entry.count == 100))
        lf_event(m.objectId, simid::kAllLightsToggle, 0);
      continue;
    }
    // Retired at its count whether or not its aircraft is still there.
    entry.count = -1;
    if (m.kind == SimMessageKind::StaticCreated) {
      hooks.activateStatic(m.key, m.objectId);
      continue;
    }
    LiveAircraft* a = gf_findLiveByKey(state.liveList, m.key);
    if (!a) continue;
    lf_activateLive(*a);
    if (a->removeWhenCreated) hooks.removeAircraftFromSim(*a);
  }
  std::erase_if(state.created, [](const CreatedEntry& e) { return e.count < 0; });
}

// --- the hand-overs ---

void lf_throttleSimQueues(TrafficState& state, std::int64_t c) {
  if (c % 10 != 0) return;
  if (!state.removalIds.empty()) {
    gf_queueRemoval(state.removalIds.front());
    state.removalIds.pop_front();
  }
  if (c % 50 != 0) return;
  if (!state.liveCreations.empty()) {
    gf_queueCreateAc(state.liveCreations.front());
    state.liveCreations.pop_front();
    return;
  }
  if (!state.staticCreations.empty()) {
    gf_queueCreateAc(state.staticCreations.front());
    state.staticCreations.pop_front();
  }
  if (gf_trafficHooks().staticWorkPending()) gf_trafficHooks().detcs();
}

void lf_requestAcInRange(std::int64_t c) {
  if (c % 20 == 0) gf_requestAcInRange(gf_rangeNm());
  if (c % 100 == 0) {
    gf_trafficHooks().sendQs121();
    (void)gf_requestUserAcPosition();
  }
}

// The creation request of the aircraft last pushed on the adding stack.
void lf_requestCreation(TrafficState& state) {
  if (state.addingStack.empty()) return;
  const std::uint32_t key = state.addingStack.back();
  state.addingStack.pop_back();
  LiveAircraft* a = gf_findLiveByKey(state.liveList, key);
  if (!a) return;
  if (a->callsign.empty()) {
    // The callsign is the tail number by which the new object is found: without it the aircraft
    // would wait for ever.
    gf_logLine(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_aircraftText(*a)));
    a->drop = true;
    return;
  }
  SimCreateRequest request;
  request.initPosition.Latitude = a->latitude;
  request.initPosition.Longitude = a->longitude;
  request.initPosition.Altitude = a->altitudeFt;
  request.initPosition.Pitch = a->pitchRad * kRadToDeg;
  request.initPosition.Bank = a->bankRad * kRadToDeg;
  request.initPosition.Heading = a->headingRad * kRadToDeg;
  request.initPosition.OnGround = 0;
  request.initPosition.Airspeed = 0;
  request.callsign = a->callsign;
  request.liveryTitle = a->liveryTitle;
  request.key = a->key;
  state.liveCreations.push_back(std::move(request));
}

}  // namespace

void gf_handleSimMessages() {
  gf_drainSimMessages([](std::span<SimMessage> messages) {
    TrafficState& state = gf_trafficState();
    for (const SimMessage& message : messages) lf_handleMessage(message, state);
    if (!state.created.empty()) lf_activateCreated(state);
  });
}

void lf_applyTrafficRecord(TrafficRecord record) {
  TrafficState& state = gf_trafficState();
  const PositionSample& s = record.position;
  LiveAircraft* a = gf_findLiveByKey(state.liveList, s.address);
  if (!a) {
    if (!record.callsign.empty() && !state.liveList.empty()) {
      // The same aircraft under another address.
      for (const LiveAircraft& other : state.liveList)
        if (other.callsign == record.callsign && other.model == record.model) return;
    }
    lf_checkNewAircraft(record);
    return;
  }
  if (lf_dropForKnown(*a, s)) return;
  TrafficHooks& hooks = gf_trafficHooks();
  if (!hooks.respawnCheck(*a, record)) return;
  a->lastRecordTime = s.dataTime;
  hooks.appendSample(*a, s);
}

void lf_handleAddingStack() {
  TrafficState& state = gf_trafficState();
  gf_handleSimMessages();

  bool dropped = false;
  TrafficHooks& hooks = gf_trafficHooks();
  for (std::size_t i = 0; i < state.liveList.size(); ++i) dropped |= hooks.updateLiveAc(state.liveList[i]);
  if (dropped) gf_compactLiveList(state.liveList);

  (void)gf_swapPositionBuffers();
  const std::int64_t c = gf_cycleCounter();
  lf_throttleSimQueues(state, c);
  // Taken under the adding mutex, applied outside it: the reader never waits for the cycle.
  for (TrafficRecord& record : gf_takeTrafficRecords(kRecordsPerCycle))
    lf_applyTrafficRecord(std::move(record));
  lf_requestCreation(state);
  lf_requestAcInRange(c);
  gf_advanceCycleCounter();
}

void gf_resetTrafficSide() {
  gf_resetReaders();
  gf_resetTrafficState();
  gf_emptyAddingDeque();
}

void gf_setFlaps(LiveAircraft& a, std::uint32_t index) {
  static constexpr std::uint32_t kValues[] = {0, 3072, 10240, 16383, 0};
  if (index > 4) {
    gf_logLine("gf_setFlaps: invalid flaps index");
  } else if (index != a.lastFlaps && !lf_isRotorcraft(a)) {
    lf_event(a.objectId, simid::kFlapsSet, kValues[index]);
  }
  a.lastFlaps = index;
}

void gf_setThrottle(LiveAircraft& a, std::uint32_t index) {
  static constexpr std::uint32_t kValues[] = {0, 4914, 8191, 11468, 16383};
  if (index <= 4 && index != a.lastThrottle) lf_event(a.objectId, simid::kThrottleSet, kValues[index]);
  a.lastThrottle = index;
}

void gf_setSpoilers(const LiveAircraft& a, bool on) {
  if (!lf_isRotorcraft(a)) lf_event(a.objectId, simid::kSpoilersSet, on ? 16383 : 0);
}

void gf_setGear(const LiveAircraft& a, bool down) {
  if (!lf_isRotorcraft(a)) lf_event(a.objectId, simid::kGearSet, down ? 1 : 0);
}

std::int64_t gf_activeLiveCount() {
  return std::count_if(
      gf_trafficState().liveList.begin(), gf_trafficState().liveList.end(),
      [](const LiveAircraft& a) { return a.state == SimState::Active && a.phase != FlightPhase::Parked; });
}

std::int64_t gf_parkedLiveCount() {
  return std::count_if(
      gf_trafficState().liveList.begin(), gf_trafficState().liveList.end(),
      [](const LiveAircraft& a) { return a.state == SimState::Active && a.phase == FlightPhase::Parked; });
}

}  // namespace orv
