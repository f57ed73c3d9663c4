#include "traffic/live_cycle.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <span>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/time_text.h"
#include "refdata/dbase.h"
#include "simlink/command_queues.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/flight_phases.h"
#include "traffic/realtraffic_link.h"
#include "traffic/removal.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr std::size_t kRecordsPerCycle = 2;
constexpr std::int32_t kSettleCycles = 200;
constexpr double kNoParkElevation = -1000.0;

// The park airport's elevation, as the buffered-aircraft test compares against it.
double lf_parkElevation(const TrafficRun& run) {
  const auto park = run.trafficReader.context().parkAirport;
  return park ? park->elevationFt : kNoParkElevation;
}

// A low aircraft over the park airport's elevation: a ground report that was not snapped.
bool lf_nearParkElevation(const TrafficRun& run, double altitudeFt) {
  return altitudeFt > 0.0 && altitudeFt < 10000.0 && std::abs(altitudeFt - lf_parkElevation(run)) <= 108.0;
}

bool lf_isRotorcraft(const AircraftHead& a) {
  return a.modelClass == ModelClass::Rotorcraft;
}

void lf_event(TrafficRun& run, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t value) {
  run.sim.queueEvent(SimEvent{objectId, eventId, value});
}

void lf_lights(TrafficRun& run, std::uint32_t objectId, const LightStates& lights) {
  const auto events = gf_lightEvents(objectId, lights);
  run.sim.queueEvents(events);
}

// --- new aircraft ---

void lf_addLiveAc(TrafficRun& run, TrafficRecord& record) {
  const ModelClass modelClass = gf_modelClass(record.model);
  if (static_cast<std::size_t>(modelClass) >= kModelClassCount) return;
  if (modelClass == ModelClass::Light && !cfg::LIGHT_AIRCRAFT.value()) return;
  if (modelClass == ModelClass::HighPerformance && !cfg::HIGH_PERF_AIRCRAFT.value()) return;
  if (modelClass == ModelClass::Rotorcraft && !cfg::HELICOPTERS.value()) return;
  if (lf_nearParkElevation(run, record.position.altitudeFt)) return;
  record.flightCallsign = record.callsign;
  record.extraText.clear();
  AircraftHead head = gf_makeAircraftHead(record, AircraftKind::Live);
  head.arrivalHandled = false;
  run.traffic.liveList.emplace_back(record.position, head, record.position.dataTime);
}

void lf_checkNewAircraft(TrafficRun& run, TrafficRecord& record) {
  if (!record.registration.empty()) {
    if (const auto known = gf_findDbaseRecord(record.registration); known && known->model != 0)
      record.model = known->model;
  }
  if (gf_isKnownModel(gf_modelCode(record.model))) lf_addLiveAc(run, record);
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

// Receivers without ground speed report 0 kt on the ground while moving: the newest sample's 0 kt
// says nothing when the record lies over 20 m from it. A record long after the last accepted one
// is no jump either; refusing it would lock the aircraft out for good.
bool lf_speedJump(const PositionSample& newest, const PositionSample& s, double gap) {
  if (gap > 30.0) return false;
  if (newest.groundSpeedKt == 0.0 &&
      gf_distanceNm(Position{newest.latitude, newest.longitude}, Position{s.latitude, s.longitude}) *
              kMetresPerNm >
          20.0)
    return false;
  return lf_implausibleSpeed(newest.groundSpeedKt, s.groundSpeedKt);
}

bool lf_dropForKnown(const TrafficRun& run, const LiveAircraft& a, const PositionSample& s) {
  if (a.state == SimState::LiveryRespawn || a.state == SimState::RemovingFromSim) return true;
  if (!a.stream.empty()) {
    const double gap = s.dataTime - a.lastRecordTime;
    if (s.dataTime == a.lastRecordTime || gap <= 1.0) return true;
    if (lf_speedJump(a.stream.back(), s, gap)) return true;
  }
  if (lf_redundant(a, s)) return true;
  return a.state == SimState::Buffer && lf_nearParkElevation(run, s.altitudeFt);
}

// --- the simulator's results ---

void lf_onLiveCreated(TrafficRun& run, LiveAircraft& a, const SimMessage& message) {
  a.objectId = message.objectId;
  a.aglFt = message.b;
  // A new object (also after a respawn): its cabin is switched afresh in the air.
  a.flags.cabinLights.reset();
  const bool airborne = a.stream.empty() ? !a.onGround : a.stream.front().airborne;
  if (!airborne) {
    a.onGround = true;
    gf_setGear(run, a, true);
    a.leg.altitudeStepFt = 0.0;
    a.slotCounter = 1;
    if (a.phase == FlightPhase::Parked) {
      a.parkedSince = gf_weekdayAndSlot();
      gf_logLine(fmt::format("{:8}: {:8} parks", gf_standName(a.standId), a.callsign));
      liveParksAtStand(run, a);
    }
  }
  // Only MSFS 2020 reads the plans.
  if (gf_msfs2020Chosen() && a.origin && a.destination && !gf_flightPlanFolder().empty()) {
    const std::filesystem::path plan = gf_flightPlanPath(a.objectId);
    a.flightPlanSet = gf_writeFlightPlan(plan, a.modelClass, a.origin->view(), a.destination->view()) &&
                      run.sim.assignFlightPlan(a.objectId, plan.string());
    if (!a.flightPlanSet) {
      (void)gf_deleteFlightPlan(plan);
      gf_logLine(fmt::format("{} creating a flight plan failed", gf_callsignText(a)));
    }
  }
  run.sim.requestStaticCgData(a.objectId);
}

void lf_onGroundData(TrafficRun& run, LiveAircraft& a, const SimMessage& message) {
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
      gf_setSpoilers(run, a, true);
      if (a.modelClass != ModelClass::Light) {
        const double lever = a.fsltl ? -100.0 : 100.0;
        run.sim.setSpoilersAndThrottles(a.objectId, 100.0, lever, lever);
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
      gf_queueArrivalCheck(run, a.key);
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
void lf_onObjectRemoved(TrafficRun& run, std::uint32_t objectId) {
  auto& list = run.traffic.liveList;
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
    if (a.flightPlanSet) {
      if (const std::error_code error = gf_deleteFlightPlan(gf_flightPlanPath(objectId)))
        gf_logLine(fmt::format("gf_removeFlightPlan: {}", error.message()));
    }
    gf_eraseLiveAc(list, i);
    return;
  }
  (void)eraseStaticByObjectId(run, objectId);
}

void lf_onCreationFailed(TrafficRun& run, const SimMessage& message) {
  if (message.key <= simid::kLastStaticKey) {
    staticCreationFailed(run, message.key);
    return;
  }
  auto& list = run.traffic.liveList;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].key != message.key) continue;
    const LiveAircraft& a = list[i];
    const std::string callsign = a.callsign;
    const std::string title = a.liveryTitle;
    const ModelId model = a.model;
    const AirlineId airline = a.airline;
    // Gone before the report, which may end the run.
    gf_eraseLiveAc(list, i);
    gf_liveryNotCreated(callsign, title, model, airline);
    return;
  }
}

void lf_handleMessage(TrafficRun& run, const SimMessage& message) {
  TrafficState& state = run.traffic;
  switch (message.kind) {
    case SimMessageKind::LiveCreated: {
      if (message.objectId < 3) return;
      LiveAircraft* a = state.liveByKey(message.key);
      if (!a) {
        // The aircraft went while the simulator created it: nothing else would remove the object.
        state.removalIds.push_back(message.objectId);
        return;
      }
      lf_onLiveCreated(run, *a, message);
      state.created.push_back({message, 0});
      return;
    }
    case SimMessageKind::StaticCreated:
      if (staticCreated(run, message.key, message.objectId)) state.created.push_back({message, 0});
      return;
    case SimMessageKind::ObjectRemoved:
      lf_onObjectRemoved(run, message.objectId);
      return;
    case SimMessageKind::GroundData:
      if (LiveAircraft* a = state.liveByObjectId(message.objectId)) lf_onGroundData(run, *a, message);
      return;
    case SimMessageKind::StaticCgData:
      if (LiveAircraft* a = state.liveByObjectId(message.objectId)) lf_onStaticCgData(*a, message);
      return;
    case SimMessageKind::CreationFailed:
      lf_onCreationFailed(run, message);
      return;
  }
}

// The look of a live aircraft once it has settled in the simulator.
void lf_activateLive(TrafficRun& run, LiveAircraft& a) {
  const std::uint32_t id = a.objectId;
  const bool airborne = a.stream.empty() ? !a.onGround : a.stream.front().airborne;
  if (airborne) {
    lf_event(run, id, simid::kEngineAutoStart, 0);
    gf_setSpoilers(run, a, false);
    const std::uint32_t low = a.altitudeFt <= 10000.0 ? 1 : 0;
    lf_lights(run, id, LightStates{1, 1, low, 0, 1, low, a.aglFt >= 2000.0 ? 1u : 0u});
  } else {
    gf_setSpoilers(run, a, false);
    const bool parked = a.phase == FlightPhase::Parked;
    lf_event(run, id, parked ? simid::kEngineAutoShutdown : simid::kEngineAutoStart, 0);
    const std::uint32_t nav = parked ? (cfg::NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0) : 1;
    lf_lights(run, id,
              LightStates{nav, parked ? 0u : 1u, 0, a.phase == FlightPhase::Taxi ? 1u : 0u, 0, 1, 1});
    gf_setThrottle(run, a, lf_isRotorcraft(a) ? 4 : 0);
    gf_setFlaps(run, a, a.phase == FlightPhase::Taxi ? 1 : 0);
  }
  a.state = SimState::Active;
}

void lf_activateCreated(TrafficRun& run) {
  TrafficState& state = run.traffic;
  for (CreatedEntry& entry : state.created) {
    const SimMessage& m = entry.message;
    if (entry.count < kSettleCycles) {
      ++entry.count;
      if (m.kind == SimMessageKind::LiveCreated && (entry.count == 50 || entry.count == 100))
        lf_event(run, m.objectId, simid::kAllLightsToggle, 0);
      continue;
    }
    // Retired at its count whether or not its aircraft is still there.
    entry.count = -1;
    if (m.kind == SimMessageKind::StaticCreated) {
      activateStatic(run, m.key, m.objectId);
      continue;
    }
    LiveAircraft* a = state.liveByKey(m.key);
    if (!a) continue;
    lf_activateLive(run, *a);
    if (a->removeWhenCreated) removeAircraftFromSim(run, *a);
  }
  std::erase_if(state.created, [](const CreatedEntry& e) { return e.count < 0; });
}

// --- the hand-overs ---

void lf_throttleSimQueues(TrafficRun& run, std::int64_t c) {
  TrafficState& state = run.traffic;
  if (c % 10 != 0) return;
  if (!state.removalIds.empty()) {
    run.sim.queueRemoval(state.removalIds.front());
    state.removalIds.pop_front();
  }
  if (c % 50 != 0) return;
  if (!state.liveCreations.empty()) {
    run.sim.queueCreation(state.liveCreations.front());
    state.liveCreations.pop_front();
    return;
  }
  if (!state.staticCreations.empty()) {
    run.sim.queueCreation(state.staticCreations.front());
    state.staticCreations.pop_front();
  }
  if (staticWorkPending(run)) detcs(run);
}

void lf_requestAcInRange(TrafficRun& run, std::int64_t c) {
  if (c % 20 == 0) run.sim.requestAcInRange(gf_rangeNm());
  if (c % 100 == 0) {
    gf_sendQs121(run);
    run.sim.requestUserAcPosition();
  }
}

// The creation request of the aircraft last pushed on the adding stack.
void lf_requestCreation(TrafficRun& run) {
  TrafficState& state = run.traffic;
  if (state.addingStack.empty()) return;
  const std::uint32_t key = state.addingStack.back();
  state.addingStack.pop_back();
  LiveAircraft* a = state.liveByKey(key);
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

void gf_handleSimMessages(TrafficRun& run) {
  gf_drainSimMessages([&run](std::span<SimMessage> messages) {
    for (const SimMessage& message : messages) lf_handleMessage(run, message);
    if (!run.traffic.created.empty()) lf_activateCreated(run);
  });
}

void lf_applyTrafficRecord(TrafficRun& run, TrafficRecord record) {
  TrafficState& state = run.traffic;
  const PositionSample& s = record.position;
  LiveAircraft* a = state.liveByKey(s.address);
  if (!a) {
    if (!record.callsign.empty() && !state.liveList.empty()) {
      // The same aircraft under another address.
      for (const LiveAircraft& other : state.liveList)
        if (other.callsign == record.callsign && other.model == record.model) return;
    }
    lf_checkNewAircraft(run, record);
    return;
  }
  if (lf_dropForKnown(run, *a, s)) return;
  if (!respawnCheck(run, *a, record)) return;
  a->lastRecordTime = s.dataTime;
  (void)appendSample(run, *a, s);
}

void lf_handleAddingStack(TrafficRun& run) {
  TrafficState& state = run.traffic;
  gf_handleSimMessages(run);

  bool dropped = false;
  for (std::size_t i = 0; i < state.liveList.size(); ++i) dropped |= updateLiveAc(run, state.liveList[i]);
  if (dropped) gf_compactLiveList(state.liveList);

  (void)run.sim.swapPositionBuffers();
  const std::int64_t c = gf_cycleCounter();
  lf_throttleSimQueues(run, c);
  // Taken under the adding mutex, applied outside it: the reader never waits for the cycle.
  for (TrafficRecord& record : run.adding.take(kRecordsPerCycle))
    lf_applyTrafficRecord(run, std::move(record));
  lf_requestCreation(run);
  lf_requestAcInRange(run, c);
  gf_advanceCycleCounter();
}

void gf_setParkedLights(TrafficRun& run, std::uint32_t objectId, bool cargoStand) {
  std::uint32_t cabin = cargoStand ? 0 : 1;
  if (cabin == 1 && cfg::RANDOM.value() && gf_randomIndex(10) == 9) cabin = 0;
  const std::uint32_t nav = cfg::NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0;
  lf_lights(run, objectId, LightStates{nav, 0, 0, 0, 0, 1, cabin});
}

void gf_setFlaps(TrafficRun& run, LiveAircraft& a, std::uint32_t index) {
  static constexpr std::uint32_t kValues[] = {0, 3072, 10240, 16383, 0};
  if (index > 4) {
    gf_logLine("gf_setFlaps: invalid flaps index");
  } else if (index != a.lastFlaps && !lf_isRotorcraft(a)) {
    lf_event(run, a.objectId, simid::kFlapsSet, kValues[index]);
  }
  a.lastFlaps = index;
}

void gf_setThrottle(TrafficRun& run, LiveAircraft& a, std::uint32_t index) {
  static constexpr std::uint32_t kValues[] = {0, 4914, 8191, 11468, 16383};
  if (index <= 4 && index != a.lastThrottle) lf_event(run, a.objectId, simid::kThrottleSet, kValues[index]);
  a.lastThrottle = index;
}

void gf_setSpoilers(TrafficRun& run, const LiveAircraft& a, bool on) {
  if (!lf_isRotorcraft(a)) lf_event(run, a.objectId, simid::kSpoilersSet, on ? 16383 : 0);
}

void gf_setGear(TrafficRun& run, const LiveAircraft& a, bool down) {
  if (!lf_isRotorcraft(a)) lf_event(run, a.objectId, simid::kGearSet, down ? 1 : 0);
}

std::int64_t gf_activeLiveCount(const TrafficRun& run) {
  const auto& list = run.traffic.liveList;
  return std::count_if(list.begin(), list.end(), [](const LiveAircraft& a) {
    return a.state == SimState::Active && a.phase != FlightPhase::Parked;
  });
}

std::int64_t gf_parkedLiveCount(const TrafficRun& run) {
  const auto& list = run.traffic.liveList;
  return std::count_if(list.begin(), list.end(), [](const LiveAircraft& a) {
    return a.state == SimState::Active && a.phase == FlightPhase::Parked;
  });
}

}  // namespace orv
