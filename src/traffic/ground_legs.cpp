#include "traffic/ground_legs.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "airports/park_loading.h"
#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "simlink/sim_ids.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/flight_phases.h"
#include "traffic/leg_math.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr std::int32_t kMinLegCycles = 25;
constexpr double kSameSpotDeg = 1e-8;
constexpr double kMetresPerDegree = 111132.95;
constexpr double kCurveEnd = 0.999999;
constexpr double kArrivedNm = 0.0010799136069114472;     // 2 m
constexpr double kParkTriggerNm = 0.018898488120950324;  // 35 m
constexpr double kNearStandNm = 0.0458963282937365;      // 85 m
constexpr double kFarFromStandNm = 0.10799136069114472;  // 200 m
constexpr double kMoveAwayNm = 0.0016198704103671706;    // 3 m
constexpr std::int64_t kWeekCycles = std::int64_t{604800} * 100;
constexpr LightStates kAllLights{1, 1, 1, 1, 1, 1, 1};

std::int64_t lf_now() {
  return gf_cycleCounter();
}

double lf_metres(const PositionSample& a, const PositionSample& b) {
  return gf_distanceNm(gf_positionOf(a), gf_positionOf(b)) * kMetresPerNm;
}

Position lf_here(const LiveAircraft& a) {
  return Position{a.latitude, a.longitude};
}

void lf_event(TrafficRun& run, const LiveAircraft& a, std::uint32_t eventId) {
  run.sim.queueEvent(SimEvent{a.objectId, eventId, 0});
}

void lf_lights(TrafficRun& run, const LiveAircraft& a, const LightStates& lights) {
  const auto events = gf_lightEvents(a.objectId, lights);
  run.sim.queueEvents(events);
}

void lf_wideLimits(LiveAircraft& a) {
  a.leg.maxAdvance = 3000;
  a.leg.maxDelay = a.flags.takeOffRoll ? 5000 : 3000;
}

// Extrapolation ends: the oldest sample is played at once.
void lf_endPending(LiveAircraft& a) {
  a.pendingSteps = 0;
  if (!a.stream.empty()) a.stream.front().dueCycle = lf_now() + 1;
  lf_wideLimits(a);
}

// A sample on the ground at the position, at the speed, due at the cycle; nothing else set.
PositionSample lf_groundSample(Position at, double speedKt, std::int64_t due, std::uint32_t key) {
  PositionSample s;
  s.latitude = at.latitude;
  s.longitude = at.longitude;
  s.groundSpeedKt = speedKt;
  s.dueCycle = due;
  s.address = key;
  return s;
}

double lf_standSpeed(const LiveAircraft& a) {
  return std::max(a.standSpeedKt, 0.1);
}

// The cycles to cover a distance at the stand speed.
std::int32_t lf_standCycles(const LiveAircraft& a, double distanceNm) {
  return lf_wholeCycles(distanceNm / lf_standSpeed(a) * 360000.0);
}

// The look of a parked aircraft, as the static aircraft have it.
void lf_parkedLook(TrafficRun& run, LiveAircraft& a) {
  gf_setThrottle(run, a, 0);
  gf_setFlaps(run, a, 0);
  lf_event(run, a, simid::kEngineAutoShutdown);
  gf_setParkedLights(run, a.objectId, a.standCargo);
}

// The taxi turns of a leg that is not stationary.
void lf_taxiTurn(LiveAircraft& a) {
  auto& st = a.stream;
  const PositionSample& o = st[0];
  const PositionSample& n = st[1];
  enum class Shape { Straight, Split, Curve };
  Shape shape = Shape::Straight;
  double turn = 0.0;
  if (st.size() >= 3 && !st[2].stationary) {
    turn = std::abs(lf_turnAngle(a)) * kRadToDeg;
    if (turn > 3.0) {
      if (turn > 45.0 && lf_metres(o, n) > 50.0 && o.groundSpeedKt <= 43.0 && n.dueCycle - o.dueCycle >= 600)
        shape = Shape::Split;  // a sharp turn on a long slow leg: the turn comes at the midpoint's leg
      else if (turn <= 160.0 && !gf_within(o, st[2], kSameSpotDeg))
        shape = Shape::Curve;
    }
  }
  switch (shape) {
    case Shape::Split:
      lf_splitLeg(a);
      break;
    case Shape::Curve:
      lf_setupCurve(a);
      a.ground.curveTurnDeg = turn;
      break;
    case Shape::Straight:
      // Two samples only while reports come in.
      if (st.size() >= 3 || a.pendingSteps == 0) lf_setupStraight(a);
      break;
  }
  if (gf_curveSet(a)) {
    a.ground.turning = false;
  } else {
    a.ground.remainingTurnDeg = std::abs(gf_turnRad(a.headingRad, a.leg.courseRad)) * kRadToDeg;
    a.ground.turning = a.ground.remainingTurnDeg > 3.0;
  }
}

// A stopped taxiing aircraft may park.
void lf_parkingTrigger(TrafficRun& run, LiveAircraft& a) {
  if (!a.stream.back().stationary || a.phase != FlightPhase::Taxi || !gf_standsLoaded()) return;
  const FlightPhase before = a.previousPhase;
  const bool leftAStand = before == FlightPhase::Parked || before == FlightPhase::PushingBack ||
                          before == FlightPhase::PushedBack;
  // An aircraft that just left its stand waits at the holding point; a towed one parks again.
  if (leftAStand && !a.flags.towed) return;
  if (a.pendingSteps == 0) {
    if (a.stream[1].groundSpeedKt <= 5.0 &&
        gf_distanceNm(lf_here(a), gf_positionOf(a.stream.back())) <= kParkTriggerNm)
      try2Park(run, a, false);
  } else {
    try2Park(run, a, a.flags.towed);
  }
}

void lf_pushBackStage(TrafficRun& run, LiveAircraft& a) {
  GroundLeg& g = a.ground;
  --g.pushBackCounter;
  if (g.pushBackCounter == 1) {
    // At the midpoint of the straight part.
    if (g.pushBackSideDecided) {
      if (g.pushBackClockwise) {
        a.stream.pop_front();
        a.stream.push_back(g.pushBackTurnPoint);
      }
      if (a.stream.size() >= 3) {
        lf_setupCurve(a);
        g.curveStep = 1.0 / std::max(lf_wholeCycles(90.0 / a.currentTurnRate / 100.0), 1);
        g.curveTurnDeg = 90.0;
      }
      lf_groundTurn(a);
      return;
    }
    a.stream.pop_front();
  } else if (g.pushBackCounter < 1) {
    a.leg.courseRad = a.headingRad;
    lf_event(run, a, simid::kEngineAutoStart);
    gf_setThrottle(run, a, 0);
    gf_setFlaps(run, a, 1);
    gf_setPhase(a, FlightPhase::PushedBack);
    g.pushBackCounter = 1;
    a.leg.lastDistanceNm = 900.0;
    a.pendingSteps = 0;
    a.flags.departing = false;
  }
  lf_groundTurn(a);
}

void lf_startDeparture(TrafficRun& run, LiveAircraft& a) {
  const std::int64_t c = lf_now();
  if (a.phase == FlightPhase::Parked && a.flags.landed) {
    // Moved soon after it parked: a tow to another stand rather than a departure.
    std::int64_t limit = 0;
    if (a.modelClass == ModelClass::Heavy)
      limit = 360000;
    else if (a.modelClass == ModelClass::Large)
      limit = 150000;
    else if (a.modelClass == ModelClass::Buzjet)
      limit = 90000;
    const std::int64_t parkedFor = a.stream.empty() ? limit : c - (a.stream.front().dueCycle - kWeekCycles);
    a.flags.towed = parkedFor < limit;
    a.flags.landed = false;
  }
  a.flags.departing = true;
  if (a.previousPhase != FlightPhase::Parked && a.pendingSteps != 0) lf_endPending(a);
  lf_addRealStandOption(run, a.standId, a, StandOptionKind::Departure);
  if (Stand* stand = gf_standByNumber(a.standId)) stand->occupied = false;
  gf_setPhase(a, FlightPhase::Parked);
}

bool lf_atStandReport(TrafficRun& run, LiveAircraft& a, PositionSample& s) {
  if (a.state < SimState::Active) return false;
  a.flags.reportedAtStand = true;
  const double d = gf_distanceNm(gf_positionOf(s), a.standPosition);
  const double near = a.previousPhase == FlightPhase::Parking ? 2.0 * kNearStandNm : kNearStandNm;
  if (d <= near) {
    a.parkedTickTime = os::clock().now();
    if (std::isnan(a.firstStandDistanceNm)) {
      a.firstStandDistanceNm = d;
      a.leg.lastDistanceNm = d;
      return false;
    }
    if (d - a.leg.lastDistanceNm >= kMoveAwayNm) {
      a.leg.lastDistanceNm = d;
      ++a.moveAwayCount;
    }
    const double moved = a.leg.lastDistanceNm - a.firstStandDistanceNm;
    const bool away = (a.moveAwayCount >= 3 && moved >= a.halfWingSpanNm) ||
                      d - a.firstStandDistanceNm > 2.0 * a.halfWingSpanNm;
    if (!away) return false;
    lf_startDeparture(run, a);
    return true;
  }
  if (a.phase == FlightPhase::Parking) {
    gf_setPhase(a, FlightPhase::Taxi);
    return true;
  }
  if (d > kFarFromStandNm) {
    lf_addRealStandOption(run, a.standId, a, StandOptionKind::FarFromStand);
    removeAircraftFromSim(run, a);
    return false;
  }
  lf_startDeparture(run, a);
  return true;
}

bool lf_pushedBackReport(LiveAircraft& a, PositionSample& s) {
  const double d = gf_distanceNm(lf_here(a), gf_positionOf(s));
  const double w = a.halfWingSpanNm;
  if (d <= 6.0 * w && !(d > 2.75 * w && d > a.leg.lastDistanceNm)) {
    // Still beside the push-back point: it waits there.
    if (!a.leg.holding) {
      a.leg.holding = true;
      a.leg.holdingStartCycle = lf_now();
    }
    a.leg.lastDistanceNm = d;
    return false;
  }
  s.stationary = false;
  lf_endPending(a);
  gf_setPhase(a, FlightPhase::Taxi);
  a.standPosition = Position{};
  a.standId = 0;
  a.atStand = false;
  a.leg.holding = false;
  return true;
}

}  // namespace

bool gf_curveSet(const LiveAircraft& a) {
  return !std::isnan(a.ground.controlNorth) && !std::isnan(a.ground.controlEast);
}

void gf_clearGroundTurn(LiveAircraft& a) {
  GroundLeg& g = a.ground;
  g.controlNorth = kNoValue;
  g.controlEast = kNoValue;
  g.curveParameter = 0.0;
  g.curveStep = 0.0;
  g.curveTurnDeg = 0.0;
  g.remainingTurnDeg = 0.0;
  g.turning = false;
}

double lf_turnAngle(const LiveAircraft& a) {
  const double bearing = gf_bearingRad(gf_positionOf(a.stream[1]), gf_positionOf(a.stream[2]));
  return gf_turnRad(a.headingRad, bearing);
}

void lf_splitLeg(LiveAircraft& a) {
  if (a.stream.size() < 2) return;
  const PositionSample& o = a.stream[0];
  const PositionSample& n = a.stream[1];
  PositionSample mid = o;
  mid.latitude = (o.latitude + n.latitude) / 2.0;
  mid.longitude = gf_wrapLongitude(o.longitude + gf_longitudeDelta(o.longitude, n.longitude) / 2.0);
  const double altitude = (o.altitudeFt + n.altitudeFt) / 2.0;
  mid.airborne = altitude > 0.0;
  mid.altitudeFt = mid.airborne ? altitude : 0.0;
  mid.groundSpeedKt = (o.groundSpeedKt + n.groundSpeedKt) / 2.0;
  // Halves away from zero.
  mid.dueCycle = std::llround(static_cast<double>(o.dueCycle + n.dueCycle) / 2.0);
  mid.stationary = false;
  a.stream.insert(a.stream.begin() + 1, mid);
}

void lf_setupCurve(LiveAircraft& a) {
  if (a.stream.size() < 3) return;
  PositionSample& end = a.stream[2];
  const PositionSample& control = a.stream[1];
  if (end.groundSpeedKt == 0.0) end.groundSpeedKt = (a.stream[0].groundSpeedKt + control.groundSpeedKt) / 2.0;
  GroundLeg& g = a.ground;
  g.curveOrigin = lf_here(a);
  double originLatitude = a.latitude;
  if (originLatitude > 180.0) originLatitude -= 360.0;
  const double eastScale = kMetresPerDegree * std::cos(originLatitude * kDegToRad);
  g.endNorth = (end.latitude - a.latitude) * kMetresPerDegree;
  g.endEast = gf_longitudeDelta(a.longitude, end.longitude) * eastScale;
  if (!std::isnan(control.latitude) && !std::isnan(control.longitude)) {
    g.controlNorth = (control.latitude - a.latitude) * kMetresPerDegree;
    g.controlEast = gf_longitudeDelta(a.longitude, control.longitude) * eastScale;
  }
  g.curveParameter = 0.0;
  a.stream.erase(a.stream.begin() + 1);
}

void lf_setupStraight(LiveAircraft& a) {
  const PositionSample& o = a.stream[0];
  const PositionSample& n = a.stream[1];
  if ((o.groundSpeedKt > 0.0 || n.groundSpeedKt > 0.0) && std::abs(o.groundSpeedKt - n.groundSpeedKt) > 5.0 &&
      lf_metres(o, n) >= 100.0)
    lf_splitLeg(a);
}

void lf_groundTurn(LiveAircraft& a) {
  if (a.stream.size() < 2) return;
  const PositionSample& o = a.stream[0];
  const PositionSample& n = a.stream[1];
  const std::int64_t c = lf_now();
  if (n.stationary) {
    // The stop keeps its distance in time from the sample before it.
    const std::int64_t keep = o.dueCycle - c + std::max<std::int64_t>(n.dueCycle - o.dueCycle, kMinLegCycles);
    lf_retimeNextSample(a, std::max<std::int64_t>(keep, kMinLegCycles));
    return;
  }
  double r = a.groundTurnRate;
  const double d = gf_distanceNm(gf_positionOf(o), gf_positionOf(n));
  const std::int32_t t = lf_wholeCycles(d * 360000.0 / lf_legSpeed(o, n));
  const std::int32_t legCycles = std::max(t, kMinLegCycles);
  const GroundLeg& g = a.ground;
  if (gf_curveSet(a) || g.turning) {
    const double turn = g.turning ? g.remainingTurnDeg : g.curveTurnDeg;
    const std::int32_t m = lf_wholeCycles(turn / r / 100.0);
    if (turn > 0.0 && d > 0.0) {
      const double q = static_cast<double>(legCycles) / std::max(m, 1);
      if (turn <= 45.0) {
        if (q >= 1.2) {
          const double w = std::min({q, q * 10.0 / turn, q * 30.0 / (d * kMetresPerNm)});
          if (w > 0.0) r /= w;
        } else if (q > 0.0) {
          r /= q;
        }
      } else {
        r *= std::min(q, std::min(turn, 90.0) / 30.0);
        if (turn >= 90.0) {
          a.leg.maxAdvance = std::max(a.leg.maxAdvance, 2000);
          a.leg.maxDelay = std::max(a.leg.maxDelay, 2000);
        }
      }
    }
  }
  a.currentTurnRate = r;
  lf_retimeNextSample(a, legCycles);
}

void lf_groundLegSetup(TrafficRun& run, LiveAircraft& a) {
  if (a.stream.size() < 2) return;
  if (a.phase == FlightPhase::PushingBack) {
    lf_pushBackStage(run, a);
    return;
  }
  if (a.phase == FlightPhase::Parked) {
    lf_wideLimits(a);
    if (a.flags.departing) {
      const double off =
          gf_turnRad(a.standHeadingRad, gf_bearingRad(a.standPosition, gf_positionOf(a.stream.back())));
      // Reports ahead of the stand heading: it rolls out forward; behind it (in whole degrees):
      // it is pushed back.
      if (std::abs(std::round(off * kRadToDeg)) < 90.0)
        lf_pullOut(run, a);
      else
        lf_pushBack(run, a);
    }
  } else {
    if (!a.stream[1].stationary) lf_taxiTurn(a);
    lf_parkingTrigger(run, a);
  }
  lf_groundTurn(a);
}

bool lf_curveCycle(LiveAircraft& a) {
  GroundLeg& g = a.ground;
  g.curveParameter = std::clamp(g.curveParameter + g.curveStep, 0.0, kCurveEnd);
  QuadraticCurve curve;
  curve.origin = g.curveOrigin;
  curve.t0 = 0.0;
  curve.t1 = 1.0;
  curve.p1East = g.controlEast;
  curve.p1North = g.controlNorth;
  curve.p2East = g.endEast;
  curve.p2North = g.endNorth;
  const auto point = gf_quadraticCurvePos(curve, g.curveParameter);
  if (!point || !std::isfinite(point->position.latitude) || !std::isfinite(point->position.longitude) ||
      !std::isfinite(point->headingRad)) {
    if (!g.curveErrorLogged) {
      g.curveErrorLogged = true;
      gf_logLine(fmt::format("{} error in curve at index: {:.2F}", a.callsign, g.curveParameter));
    }
    gf_clearGroundTurn(a);
    // The rest of the leg goes straight to its sample.
    if (!a.stream.empty()) {
      const PositionSample& n = a.stream.front();
      const auto k = static_cast<double>(std::max<std::int64_t>(n.dueCycle - lf_now(), kMinLegCycles));
      a.leg.latitudeStep = (n.latitude - a.latitude) / k;
      a.leg.longitudeStep = gf_longitudeDelta(a.longitude, n.longitude) / k;
    }
    return false;
  }
  a.latitude = point->position.latitude;
  a.longitude = gf_wrapLongitude(point->position.longitude);
  // Pushed back, the nose points away from where the aircraft goes.
  const double target =
      a.phase == FlightPhase::PushingBack ? gf_wrapHeading(point->headingRad + kPi) : point->headingRad;
  a.headingRad = gf_turnTowards(a.headingRad, target, a.currentTurnRate);
  return true;
}

void try2Park(TrafficRun& run, LiveAircraft& a, bool learned) {
  if (a.stream.empty()) {
    gf_logLine(fmt::format("{} empty sz?", "try2Park"));
    return;
  }
  const Position at = gf_positionOf(a.stream.back());
  if (at.latitude == a.ground.lastParkTry.latitude && at.longitude == a.ground.lastParkTry.longitude) return;
  a.ground.lastParkTry = at;
  Stand* stand = lf_searchStandNear(run, at, a, learned ? kStandSearchNm : kNoFitStandNm, learned);
  if (stand == nullptr || gf_standKeptForUser(run, *stand)) return;
  for (LiveAircraft& other : run.traffic.liveList) {
    if (&other == &a || other.phase != FlightPhase::Parked || other.state != SimState::Active ||
        other.standId != stand->number)
      continue;
    gf_logLine(
        fmt::format("{:8}: {:8} removed, {} wants to park there", stand->id, other.callsign, a.callsign));
    removeAircraftFromSim(run, other);
  }
  for (const std::uint32_t neighbour : stand->neighbours) lf_clearLiveNeighbour(run, neighbour, a, *stand);
  lf_staticMakesWay(run, a, *stand);
  a.standPosition = Position{stand->latitude, stand->longitude};
  a.standHeadingRad = stand->heading;
  a.standId = stand->number;
  a.standCargo = stand->cargo;
  a.stream.resize(1);
  // The leg now goes to the stand: a curve set up for the samples just dropped would lead away.
  gf_clearGroundTurn(a);
  gf_setPhase(a, FlightPhase::Parking);
  drive2Stand(a, *stand);
}

void drive2Stand(LiveAircraft& a, const Stand& stand) {
  if (a.stream.empty()) {
    gf_logLine(fmt::format("{} empty sz?", "drive2Stand"));
    return;
  }
  PositionSample& newest = a.stream.back();
  const Position standAt{stand.latitude, stand.longitude};
  const double v = lf_standSpeed(a);
  const std::int64_t cycles = std::max(lf_standCycles(a, gf_distanceNm(gf_positionOf(newest), standAt)), 100);
  newest.groundSpeedKt = v;
  // On the ground, so altitude 0 as every ground report has it: the simulator's altitude here
  // would make the midpoint of a later leg split (the push back's) a sample of the air.
  PositionSample s = lf_groundSample(standAt, v, a.stream.front().dueCycle + cycles, a.key);
  s.trueAirspeedKt = v;
  s.trackDeg = stand.heading * kRadToDeg;
  s.stationary = gf_within(newest, s, kSameSpotDeg);
  s.headingGiven = a.stream.front().headingGiven;
  s.bankRad = a.bankRad;
  s.dataTime = newest.dataTime;
  a.stream.push_back(s);
  s.groundSpeedKt = 0.0;
  s.trueAirspeedKt = 0.0;
  s.stationary = true;
  s.dueCycle += 50;
  a.stream.push_back(s);
  a.leg.courseRad = stand.heading;
  if (a.pendingSteps != 0) {
    a.pendingSteps = 0;
    lf_wideLimits(a);
  }
}

void lf_arriveAtStand(TrafficRun& run, LiveAircraft& a) {
  Stand* stand = gf_standByNumber(a.standId);
  if (stand != nullptr && stand->occupied) {
    // Another aircraft took the stand meanwhile.
    a.pendingSteps = 1;
    removeAircraftFromSim(run, a);
    return;
  }
  if (stand == nullptr || gf_distanceNm(lf_here(a), a.standPosition) > kArrivedNm) {
    gf_setPhase(a, FlightPhase::Taxi);
    return;
  }
  gf_setPhase(a, FlightPhase::Parked);
  a.parkedSince = gf_weekdayAndSlot();
  if (a.flags.towed) gf_logLine(fmt::format("          towed aircraft {} parks", a.callsign));
  if (!a.stream.empty()) a.stream.front().stationary = true;
  a.parkedTickTime = os::clock().now();
  a.moveAwayCount = 0;
  a.firstStandDistanceNm = kNoValue;
  lf_parkedLook(run, a);
  gf_logLine(fmt::format("{:8}: {:8} arrived at stand", stand->id, a.callsign));
  gf_queueArrivalCheck(run, a.key);
  stand->occupied = true;
  a.atStand = true;
  lf_addRealStandOption(run, a.standId, a, StandOptionKind::Arrival);
  gf_checkMaxParked(run, 0);
}

void lf_pullOut(TrafficRun& run, LiveAircraft& a) {
  a.flags.departing = false;
  a.pendingSteps = 0;
  const double v = lf_standSpeed(a);
  const Position target =
      gf_destinationPoint(a.standPosition, a.standHeadingRad, 2.0 * a.halfWingSpanNm * kFeetPerNm);
  a.stream.front().groundSpeedKt = v;
  const std::int64_t due = lf_now() + lf_standCycles(a, gf_distanceNm(lf_here(a), target));
  a.stream.resize(1);
  a.stream.push_back(lf_groundSample(target, v, due, a.key));
  gf_setPhase(a, FlightPhase::Taxi);
  a.leg.courseRad = a.headingRad;
  lf_lights(run, a, kAllLights);
  lf_event(run, a, simid::kEngineAutoStart);
  gf_setThrottle(run, a, 0);
  gf_setFlaps(run, a, 1);
  gf_logLine(fmt::format("{:8}: {:8} pulling out", gf_standName(a.standId), a.callsign));
  // Off the stand: a later removal or respawn must not free a stand that another aircraft holds.
  a.standPosition = Position{};
  a.standId = 0;
  a.atStand = false;
}

void lf_pushBack(TrafficRun& run, LiveAircraft& a) {
  a.pendingSteps = 0;
  const double back = gf_wrapHeading(a.standHeadingRad + kPi);
  const Stand* stand = a.standId == 0 ? nullptr : gf_standByNumber(a.standId);
  if (stand == nullptr) return;
  const double v = lf_standSpeed(a);
  const std::int64_t c = lf_now();
  const Position backPoint = gf_destinationPoint(lf_here(a), back, 2.5 * stand->radius * kFeetPerNm);
  a.stream.front().groundSpeedKt = v;
  a.leg.courseRad = a.headingRad;
  const std::int32_t t1 = lf_standCycles(a, gf_distanceNm(lf_here(a), backPoint));
  a.stream.resize(1);
  a.stream.push_back(lf_groundSample(backPoint, v, c + t1, a.key));
  lf_splitLeg(a);
  const double side = a.halfWingSpanNm * kFeetPerNm;
  const Position left = gf_destinationPoint(backPoint, back + kPi / 2.0, side);
  const Position right = gf_destinationPoint(backPoint, back - kPi / 2.0, side);
  const std::int32_t t2 = lf_standCycles(a, gf_distanceNm(gf_positionOf(a.stream[1]), left));
  const std::int64_t sideDue = c + t1 / 2 + t2;
  a.ground.pushBackTurnPoint = lf_groundSample(left, v, sideDue, a.key);
  a.stream.push_back(lf_groundSample(right, v, sideDue, a.key));
  a.ground.pushBackSideDecided = false;
  a.ground.pushBackClockwise = false;
  lf_lights(run, a, kAllLights);
  gf_setPhase(a, FlightPhase::PushingBack);
  a.ground.pushBackCounter = 2;
}

bool lf_checkStandSituations(TrafficRun& run, LiveAircraft& a, PositionSample& s) {
  switch (a.phase) {
    case FlightPhase::PushingBack:
      if (!cfg::STRAIGHT_PBS_ONLY.value() && a.ground.pushBackCounter == 2) {
        // The side to which the aircraft will taxi out decides the push back's turn.
        std::optional<double> direction = s.headingRad;
        if (!direction && s.trackDeg != 0.0) direction = s.trackDeg * kDegToRad;
        if (direction) {
          a.ground.pushBackSideDecided = true;
          a.ground.pushBackClockwise = gf_turnRad(a.headingRad, *direction) > 0.0;
        }
      }
      return false;
    case FlightPhase::PushedBack:
      return lf_pushedBackReport(a, s);
    case FlightPhase::Parking:
    case FlightPhase::Parked:
      return lf_atStandReport(run, a, s);
    default:
      return false;
  }
}

}  // namespace orv
