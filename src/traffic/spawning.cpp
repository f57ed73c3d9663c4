#include "traffic/spawning.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "liveries/livery_matching.h"
#include "refdata/dbase.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/leg_math.h"
#include "traffic/removal.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr double kUserGroundClearanceNm = 0.08099352051835854;  // 150 m
constexpr double kParkAirportReachNm = 5.0;
constexpr double kStillSpreadNm = 0.018898488120950324;  // 35 m

bool lf_mixedStream(const LiveAircraft& a) {
  const bool first = a.stream.front().airborne;
  return std::any_of(a.stream.begin(), a.stream.end(),
                     [first](const PositionSample& s) { return s.airborne != first; });
}

Position lf_userPosition() {
  const UserAcPosition& p = gf_userAcBlock().position;
  return Position{p.latitude, p.longitude};
}

void lf_refreshDbaseCodes(LiveAircraft& a) {
  if (a.registration.empty()) return;
  const auto codes = gf_findDbaseRecord(a.registration);
  if (!codes) return;
  if (codes->airline != 0) a.airline = codes->airline;
  if (codes->model != 0) a.model = codes->model;
  a.cargo = a.cargo || codes->cargo;
}

// Parked at the stand from the start: the stream is its newest sample, on the stand.
void lf_spawnAtStand(TrafficRun& run, LiveAircraft& a, Stand& stand) {
  a.standPosition = Position{stand.latitude, stand.longitude};
  a.standHeadingRad = stand.heading;
  a.standId = stand.number;
  a.standCargo = stand.cargo;
  gf_setPhase(a, FlightPhase::Parked);
  a.parkedSince = gf_weekdayAndSlot();
  a.parkedTickTime = os::clock().now();
  a.moveAwayCount = 0;
  a.firstStandDistanceNm = kNoValue;
  a.leg.maxAdvance = 0;
  a.leg.maxDelay = 0;
  while (a.stream.size() > 1) a.stream.pop_front();
  PositionSample& s = a.stream.front();
  s.latitude = stand.latitude;
  s.longitude = stand.longitude;
  s.trackDeg = stand.heading * kRadToDeg;
  stand.occupied = true;
  a.atStand = true;
  lf_addRealStandOption(run, stand.number, a, StandOptionKind::StandSpawn);
  gf_checkMaxParked(run, 1);
}

}  // namespace

Stand* lf_findSpawnStand(TrafficRun& run, LiveAircraft& a) {
  const auto park = run.trafficReader.context().parkAirport;
  if (!park || gf_parkStands().empty() || a.stream.empty()) return nullptr;
  const PositionSample* s = &a.stream.front();
  if (gf_distanceNm(park->position, gf_positionOf(*s)) > kParkAirportReachNm) return nullptr;
  const bool still = s->stationary;
  if (!still) {
    // About to stop: slow, and the newest report close by.
    if (a.stream.size() < 2 || a.stream[1].groundSpeedKt > 5.0 ||
        gf_distanceNm(gf_positionOf(*s), gf_positionOf(a.stream.back())) > kStillSpreadNm)
      return nullptr;
    s = &a.stream.back();
  }
  Stand* stand = lf_searchStandNear(run, gf_positionOf(*s), a, kStandSearchNm, still);
  if (stand == nullptr || gf_standKeptForUser(run, *stand)) return nullptr;
  bool free = lf_standTakenByLive(run, *stand, a.callsign);
  for (std::size_t i = 0; free && i < stand->neighbours.size(); ++i)
    free = lf_liveGivesWay(run, stand->neighbours[i], a, *stand);
  if (!free) {
    a.drop = true;
    return nullptr;
  }
  lf_staticMakesWay(run, a, *stand);
  a.stream.back().stationary = true;
  a.stream.back().groundSpeedKt = 0.0;
  return stand;
}

void emptyNoLiverySet(TrafficRun& run) {
  run.traffic.noLivery.clear();
}

std::string gf_noLiveryKey(const AircraftHead& a) {
  return fmt::format("{}{}{}", gf_airlineCode(a.airline), gf_modelCode(a.model), a.registration);
}

bool gf_validCallsign(const std::string& callsign) {
  return !callsign.empty() && callsign != "@@@@@@@@" && callsign.size() <= 8;
}

namespace {

// The kept heading of a respawn, the stand's when parked, else along the first leg (the track
// when the next sample stands still).
double lf_placementHeading(const TrafficRun& run, const LiveAircraft& a) {
  const PositionSample& s = a.stream.front();
  double heading = 0.0;
  if (run.traffic.respawnKeys.contains(a.key)) {
    heading = a.headingRad;
  } else if (a.phase == FlightPhase::Parked) {
    heading = a.standHeadingRad;
  } else if (a.stream.size() < 2) {
    heading = s.trackDeg * kDegToRad;
  } else {
    const PositionSample& n = a.stream[1];
    heading = n.stationary ? s.trackDeg * kDegToRad : gf_bearingRad(gf_positionOf(s), gf_positionOf(n));
  }
  return gf_wrapHeading(heading);
}

}  // namespace

bool lf_userConflictWait(TrafficRun& run, LiveAircraft& a) {
  const PositionSample& s = a.stream.front();
  if (gf_userAircraftOnGround()) {
    if (s.airborne || !cfg::COLLISION_USER_GND.value()) return false;
    if (gf_distanceNm(gf_positionOf(s), lf_userPosition()) >= kUserGroundClearanceNm) return false;
    a.stream.pop_front();
    return true;
  }
  if (!cfg::COLLISION_USER_AIR.value()) return false;
  // The test looks at the aircraft as if it stood at its oldest sample, heading as it will be
  // placed, without moving it.
  LiveAircraft probe = a;
  probe.latitude = s.latitude;
  probe.longitude = s.longitude;
  probe.altitudeFt = s.altitudeFt;
  probe.headingRad = lf_placementHeading(run, a);
  if (!lf_userConflict(run, probe, 6.0, 3000.0, 4000.0)) return false;
  a.drop = true;
  a.stream.pop_front();
  return true;
}

void lf_trySpawnLiveAc(TrafficRun& run, LiveAircraft& a) {
  if (a.stream.empty()) {
    a.drop = true;
    return;
  }
  const PositionSample& oldest = a.stream.front();
  // A ground aircraft that is already rolling needs longer to settle before it is due.
  const std::int64_t lead = (!oldest.airborne && oldest.groundSpeedKt != 0.0) ? 300 : 100;
  if (gf_cycleCounter() < oldest.dueCycle - lead) return;
  if (a.stream.size() == 1) {
    a.drop = true;
    return;
  }
  if (!a.callsign.empty() && a.callsign.back() == '_' && gf_callsignToRemove(run, a.callsign)) {
    a.drop = true;
    return;
  }
  if (lf_mixedStream(a)) {
    a.stream.pop_front();
    return;
  }
  if (lf_userConflictWait(run, a)) return;
  TrafficState& state = run.traffic;
  if (state.liveCreations.size() > 10 && a.phase == FlightPhase::Birth) {
    a.stream.pop_front();
    return;
  }
  const std::int64_t maxLive = cfg::MAX_LIVE_SEL.value();
  if (maxLive == 0) {
    a.drop = true;
    return;
  }
  const auto active = std::count_if(state.liveList.begin(), state.liveList.end(),
                                    [](const LiveAircraft& x) { return x.state == SimState::Active; });
  const auto inFlight = static_cast<std::int64_t>(state.addingStack.size()) + active +
                        static_cast<std::int64_t>(state.liveCreations.size());
  if (inFlight >= maxLive) {
    const double distance = gf_distanceNm(lf_userPosition(), gf_positionOf(a.stream.front()));
    if (!gf_removeFarthestAc(run, distance)) {
      a.drop = true;
      return;
    }
  }
  const std::string blocked = cfg::BLOCK_CALLSIGN.value();
  if (!blocked.empty() && blocked == a.callsign) {
    a.drop = true;
    return;
  }
  lf_refreshDbaseCodes(a);
  const bool twin = !a.callsign.empty() && a.callsign.back() == '_';
  if (gf_validCallsign(a.callsign) && !state.noLivery.contains(gf_noLiveryKey(a)) &&
      !(twin && gf_hasGenuineTwin(run, a)))
    spawnLiveAc(run, a);
  else
    a.drop = true;
}

void spawnLiveAc(TrafficRun& run, LiveAircraft& a) {
  if (a.stream.size() < 2) {
    gf_logLine(fmt::format("{} sz:{}", "spawnLiveAc", a.stream.size()));
    return;
  }
  // The first two samples agree on standing still.
  if (a.stream[1].stationary) {
    a.stream[0].stationary = true;
    a.stream[0].groundSpeedKt = 0.0;
    a.stream[1].groundSpeedKt = 0.0;
    if (a.stream.size() > 2 && a.stream[2].stationary) a.stream[2].groundSpeedKt = 0.0;
  } else {
    a.stream[0].stationary = false;
  }
  TrafficState& state = run.traffic;
  if (a.phase == FlightPhase::Birth) {
    if (a.liveryTitle.empty()) {
      if (auto title = gf_textById(state.titles, a.key)) {
        a.liveryTitle = std::move(*title);
      } else {
        gf_matchLivery(a, gf_aircraftText(a), state.liverySources);
        if (!a.liveryTitle.empty()) gf_rememberTitle(state.titles, a.key, a.liveryTitle);
      }
    }
    if (a.liveryTitle.empty()) {
      if (!a.registration.empty()) state.noLivery.insert(gf_noLiveryKey(a));
      a.drop = true;
      return;
    }
    if (a.stream.front().airborne) {
      gf_setPhase(a, FlightPhase::Flying);
    } else if (Stand* stand = lf_findSpawnStand(run, a)) {
      lf_spawnAtStand(run, a, *stand);
    } else if (a.stream[1].stationary) {
      // No stand to park at while it stands still: it waits until it moves.
      a.stream.pop_front();
      return;
    } else {
      gf_setPhase(a, FlightPhase::Taxi);
    }
  }
  if (a.drop) return;
  lf_placeAtFirstSample(run, a);
  a.state = SimState::Adding2Sim;
  state.addingStack.push_back(a.key);
  if (a.callsign.empty() || a.callsign.back() != '_') gf_ghostCheck(run, a);
}

void lf_placeAtFirstSample(TrafficRun& run, LiveAircraft& a) {
  // A respawn must not queue a second check of the same aircraft.
  gf_queueArrivalCheck(run, a.key);
  const PositionSample& s = a.stream.front();
  a.latitude = s.latitude;
  a.longitude = s.longitude;
  a.altitudeFt = s.altitudeFt;
  a.trueAirspeedKt = s.trueAirspeedKt;
  const double v = s.verticalSpeedFpm;
  a.verticalSpeedFps = v / 60.0;
  if (s.airborne) {
    const double f = v < 0.0 ? std::max(v, -3000.0) * 0.5 : std::min(v, 2400.0);
    a.pitchRad = -0.05235987755982989 - f * 2.2 / 600.0 * kDegToRad;
  } else {
    a.pitchRad = 0.010471975511965976;
  }
  a.bankRad = s.bankRad.value_or(0.0);
  a.headingRad = lf_placementHeading(run, a);
  a.userConflict = false;
}

}  // namespace orv
