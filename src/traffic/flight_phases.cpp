#include "traffic/flight_phases.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <gsl/narrow>
#include <limits>
#include <optional>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/ground_legs.h"
#include "traffic/leg_math.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr std::int32_t kMinLegCycles = 25;
constexpr double kSameSpotDeg = 1e-8;
constexpr double kNearSpotDeg = 0.00015;
constexpr std::int64_t kMaxLateCycles = 1000;
constexpr std::size_t kMaxSamples = 200;
constexpr std::int64_t kWeekCycles = std::int64_t{604800} * 100;
// By class: rotation speed (kt), largest bank and largest bank change per cycle (degrees).
constexpr std::array<double, kModelClassCount> kRotationSpeedKt = {90, 110, 140, 150, 220, 0};
constexpr std::array<double, kModelClassCount> kMaxBankDeg = {40, 35, 30, 20, 90, 75};
constexpr std::array<double, kModelClassCount> kBankChangeDeg = {0.035, 0.0275, 0.02, 0.015, 0.1, 0.06};
// Largest pitch change per cycle of the classes, degrees.
constexpr std::array<double, kModelClassCount> kPitchRateDeg = {0.01, 0.0085, 0.0075, 0.005, 0.03, 0.03};

std::int64_t lf_now() {
  return gf_cycleCounter();
}

std::size_t lf_classIndex(const LiveAircraft& a) {
  return static_cast<std::size_t>(a.modelClass);
}

bool lf_rotorcraft(const LiveAircraft& a) {
  return a.modelClass == ModelClass::Rotorcraft;
}

double lf_stepLimit(const LiveAircraft& a) {
  return a.altitudeStepLimitFt > 0.0 ? a.altitudeStepLimitFt : 1.0;
}

std::optional<ParkAirportView> lf_park(const TrafficRun& run) {
  return run.trafficReader.context().parkAirport;
}

void lf_setLights(TrafficRun& run, LiveAircraft& a, const LightStates& lights) {
  const auto events = gf_lightEvents(a.objectId, lights);
  run.sim.queueEvents(events);
  a.flags.cabinLights = lights.cabin != 0;
}

constexpr LightStates kAllLights{1, 1, 1, 1, 1, 1, 1};

// The cabin follows the height band of the air configuration; sent when the band changes.
void lf_setCabinLights(TrafficRun& run, LiveAircraft& a, bool on) {
  if (a.flags.cabinLights == on) return;
  a.flags.cabinLights = on;
  run.sim.queueEvent(SimEvent{a.objectId, simid::kCabinLightsSet, on ? 1u : 0u});
}

// Nav, beacon and logo on, landing and taxi off; strobes and cabin stay as they are.
void lf_setCruiseLights(TrafficRun& run, const LiveAircraft& a) {
  const std::array events = {
      SimEvent{a.objectId, simid::kNavLightsSet, 1}, SimEvent{a.objectId, simid::kBeaconLightsSet, 1},
      SimEvent{a.objectId, simid::kLandingLightsSet, 0}, SimEvent{a.objectId, simid::kTaxiLightsSet, 0},
      SimEvent{a.objectId, simid::kLogoLightsSet, 1}};
  run.sim.queueEvents(events);
}

void lf_shrinkAdvanceAndDelay(LiveAircraft& a) {
  a.leg.maxAdvance = std::max(a.leg.maxAdvance - 100, std::min(a.leg.maxAdvance, 1000));
  a.leg.maxDelay = std::max(a.leg.maxDelay - 100, std::min(a.leg.maxDelay, 1000));
}

// The vertical speed of a landing descent.
double lf_descentRate(const TrafficRun& run, const LiveAircraft& a, const PositionSample& o,
                      const PositionSample& n) {
  if (a.aglFt <= 100.0) return -600.0;
  const double qnh = run.qnhReader.qnh();
  return std::min((o.verticalSpeedFpm + n.verticalSpeedFpm) / 2.0 - (qnh - 1013.25) * 6.0, -601.0);
}

double lf_impliedSpeedKt(const PositionSample& o, const PositionSample& n) {
  const double cycles = std::max<double>(static_cast<double>(n.dueCycle - o.dueCycle), kMinLegCycles);
  return gf_distanceNm(gf_positionOf(o), gf_positionOf(n)) * 360000.0 / cycles;
}

bool lf_sendable(const LiveAircraft& a) {
  const std::array values = {a.latitude,   a.longitude,  a.pitchRad,         a.bankRad,
                             a.headingRad, a.altitudeFt, a.verticalSpeedFps, a.trueAirspeedKt};
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void lf_logFailure(std::string_view where, std::string_view what, const LiveAircraft& a) {
  gf_logLine(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", where, what, gf_aircraftText(a), a.stream.size(),
                         gf_flightPhaseName(a.phase), gf_simStateName(a.state)));
}

void lf_endPending(LiveAircraft& a) {
  if (a.pendingSteps == 0) return;
  a.pendingSteps = 0;
  if (!a.stream.empty()) a.stream.front().dueCycle = lf_now() + 1;
  a.leg.maxAdvance = 3000;
  a.leg.maxDelay = a.flags.takeOffRoll ? 5000 : 3000;
}

void lf_startTakeOffRoll(TrafficRun& run, LiveAircraft& a) {
  if (a.flags.towed) gf_logLine(fmt::format("towed aircraft takes-off? {}", a.callsign));
  a.flags.takeOffRoll = true;
  gf_setThrottle(run, a, 0);
  gf_setSpoilers(run, a, false);
  gf_setFlaps(run, a, 1);
  a.flags.landing = false;
  a.flags.flareStage = false;
  lf_setLights(run, a, kAllLights);
  a.leg.maxDelay = 5000;
  a.leg.maxAdvance = 3000;
}

// Reports that climb away during the landing roll: the roll becomes a take-off roll. The landing
// roll itself ends when the take-off starts.
void lf_startTouchAndGo(TrafficRun& run, LiveAircraft& a) {
  gf_setPhase(a, FlightPhase::Taxi);
  a.flags.takeOffRoll = true;
  gf_setThrottle(run, a, 3);
  gf_setSpoilers(run, a, true);
  gf_setFlaps(run, a, 1);
  a.flags.landing = false;
  a.flags.flareStage = false;
  a.flags.flareLevel = 0;
  a.flags.flareElevationFt = kNoValue;
  // A settling left running would keep the climb-out's altitude steps from being applied.
  a.flags.touchdownSettling = false;
  lf_setLights(run, a, kAllLights);
  a.leg.maxAdvance = 3000;
  a.leg.maxDelay = 5000;
}

// Whether a new sample is taken, and how, against the newest one.
bool lf_birthFilter(const LiveAircraft& a, PositionSample& s) {
  const PositionSample& m = a.stream.back();
  const bool activeInAir = a.state == SimState::Active && !a.onGround;
  if (gf_within(s, m, kSameSpotDeg)) {
    s.stationary = true;
    if (a.modelClass == ModelClass::Rotorcraft) return true;
    if (s.airborne || activeInAir) return false;
    if (a.flags.takeOffRoll && s.groundSpeedKt != 0.0 && m.groundSpeedKt >= 30.0) return false;
    s.groundSpeedKt = 0.0;
    return true;
  }
  if (a.modelClass == ModelClass::Rotorcraft) return true;
  if (gf_within(s, m, kNearSpotDeg)) {
    if (s.airborne || activeInAir) return false;
    if (a.flags.takeOffRoll && s.groundSpeedKt != 0.0 && m.groundSpeedKt >= 50.0) return false;
    const std::int64_t due = s.dueCycle;
    const double time = s.dataTime;
    s = m;
    s.dueCycle = due;
    s.dataTime = time;
    s.groundSpeedKt = 0.0;
    s.stationary = true;
    return true;
  }
  if (s.groundSpeedKt != 0.0 || (!a.flags.takeOffRoll && !s.airborne)) return true;
  return m.groundSpeedKt < 50.0;
}

// The same report again: same place, height, speed, track and air or ground.
bool lf_sameReport(const PositionSample& s, const PositionSample& m) {
  return gf_within(s, m, kSameSpotDeg) && s.altitudeFt == m.altitudeFt &&
         s.groundSpeedKt == m.groundSpeedKt && s.trackDeg == m.trackDeg && s.airborne == m.airborne;
}

// Whether the way from `from` to s points 90 degrees or more against the aircraft's heading.
bool lf_pointsBack(const LiveAircraft& a, const PositionSample& from, const PositionSample& s,
                   double limitDeg) {
  const double bearing = gf_bearingRad(gf_positionOf(from), gf_positionOf(s));
  return std::abs(gf_turnRad(a.headingRad, bearing)) >= limitDeg * kDegToRad;
}

// On final and in the roll-out a report behind the aircraft takes the place of the samples it
// jittered past instead of turning the aircraft back, and no report speeds the roll-out up.
bool lf_checkNewPosDuringLanding(LiveAircraft& a, PositionSample& s) {
  if (a.stream.empty()) {
    gf_logLine(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
    return false;
  }
  if (lf_sameReport(s, a.stream.back())) return false;
  if (a.stream.size() >= 2) {
    if (lf_pointsBack(a, a.stream.back(), s, 90.0)) {
      const bool three = a.stream.size() >= 3;
      a.stream.pop_back();
      if (three && lf_pointsBack(a, a.stream.back(), s, 90.0)) a.stream.pop_back();
    }
  } else {
    const PositionSample& only = a.stream.front();
    if (a.flags.landing && lf_pointsBack(a, only, s, 90.0)) return false;
    if (a.flags.landingRoll && lf_pointsBack(a, only, s, 150.0)) {
      if (a.pendingSteps != 0) return false;
      // The aircraft rolled past it: the stream starts again where the aircraft is.
      PositionSample restart = only;
      restart.latitude = a.latitude;
      restart.longitude = a.longitude;
      restart.dueCycle = lf_now() + 1;
      a.stream.front() = restart;
    }
  }
  lf_endPending(a);
  const PositionSample& m = a.stream.back();
  if (gf_within(s, m, kSameSpotDeg)) {
    s.stationary = true;
    return true;
  }
  s.stationary = false;
  if (s.groundSpeedKt > 40.0 && s.groundSpeedKt > m.groundSpeedKt) s.groundSpeedKt = m.groundSpeedKt;
  return true;
}

bool lf_checkExtendingSituations(TrafficRun& run, LiveAircraft& a, PositionSample& s) {
  switch (a.phase) {
    case FlightPhase::PushingBack:
    case FlightPhase::PushedBack:
    case FlightPhase::Parking:
    case FlightPhase::Parked:
      return lf_checkStandSituations(run, a, s);
    default:
      break;
  }
  if (a.flags.landing || a.flags.landingRoll) return lf_checkNewPosDuringLanding(a, s);
  if (!lf_birthFilter(a, s)) return false;
  if (a.pendingSteps != 0) {
    if (!a.onGround && a.state == SimState::Active) {
      const double bearing = gf_bearingRad(gf_positionOf(a.stream.back()), gf_positionOf(s));
      if (std::abs(gf_turnRad(a.headingRad, bearing)) >= 100.0 * kDegToRad) return false;
    }
    lf_endPending(a);
  }
  a.leg.holding = false;
  return true;
}

// --- leg set-up ---

// Lights, throttle, gear and flaps of the climb, the approach and the landing.
void lf_airConfig(TrafficRun& run, LiveAircraft& a, const PositionSample& o) {
  if (!a.flags.approachLights) {
    a.flags.approachLights = true;
    a.flags.cruiseConfigured = false;
    lf_setLights(run, a, kAllLights);
  }
  const double v = o.verticalSpeedFpm;
  const bool bigJet = a.modelClass == ModelClass::Buzjet || a.modelClass == ModelClass::Large ||
                      a.modelClass == ModelClass::Heavy;
  if (a.aglFt > (bigJet ? 2050.0 : 625.0)) {
    lf_shrinkAdvanceAndDelay(a);
    lf_setCabinLights(run, a, true);
    a.flags.landing = false;
    a.flags.takeOffRoll = false;
    if (v <= -250.0 && a.lastThrottle == 3) gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 2);
    if (v > 400.0 && a.lastThrottle == 4) gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 3);
    if (a.aglFt >= 2400.0) {
      gf_setGear(run, a, false);
      gf_setFlaps(run, a, 0);
    } else if (v <= 100.0) {
      if (a.aglFt < 2000.0 && (a.lastFlaps == 0 || a.lastFlaps == 1))
        gf_setFlaps(run, a, a.lastFlaps + 1);
      else if (a.aglFt >= 2000.0 && a.lastFlaps == 0)
        gf_setFlaps(run, a, 1);
    }
    return;
  }
  lf_setCabinLights(run, a, false);
  const auto park = lf_park(run);
  const bool near = park && gf_distanceNm(park->position, Position{a.latitude, a.longitude}) <= 10.0;
  if (v > -250.0) {
    if ((v > 600.0 || (a.flags.landing && !near)) && !a.flags.climbOutConfigured) {
      // A go-around or a climb-out.
      a.flags.climbOutConfigured = true;
      a.flags.landing = false;
      lf_shrinkAdvanceAndDelay(a);
      gf_setThrottle(run, a, 4);
      gf_setGear(run, a, false);
      gf_setFlaps(run, a, 0);
    }
  } else if (!a.flags.landing && near) {
    gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 1);
    gf_setFlaps(run, a, 3);
    gf_setGear(run, a, true);
    gf_queueArrivalCheck(run, a.key);
    a.flags.landing = true;
    a.flags.climbOutConfigured = false;
    a.standId = 0;
    a.slotCounter = 1;
    a.leg.maxAdvance = 3000;
    a.leg.maxDelay = a.flags.takeOffRoll ? 5000 : 3000;
  }
}

// Cycles from now to the next sample, at least 25.
double lf_legCycles(const PositionSample& n) {
  return static_cast<double>(std::max<std::int64_t>(n.dueCycle - lf_now(), kMinLegCycles));
}

// Retimes the next sample to the cycles its leg takes at the leg speed.
void lf_retimeToLegSpeed(LiveAircraft& a) {
  const PositionSample& o = a.stream[0];
  const PositionSample& n = a.stream[1];
  const double d = gf_distanceNm(gf_positionOf(o), gf_positionOf(n));
  lf_retimeNextSample(a, std::max(lf_wholeCycles(d * 360000.0 / lf_legSpeed(o, n)), kMinLegCycles));
}

// In the air with ground samples still queued: the sample number i - 1, when airborne, becomes
// the next one, and the climb aims at it.
bool lf_jumpToAirborneSample(LiveAircraft& a, std::size_t i) {
  if (a.stream.size() < i || i < 2 || !a.stream[i - 1].airborne) return false;
  a.stream.erase(a.stream.begin() + 1, a.stream.begin() + static_cast<std::ptrdiff_t>(i - 1));
  lf_retimeToLegSpeed(a);
  const PositionSample& n = a.stream[1];
  a.leg.altitudeStepFt = n.altitudeFt > a.altitudeFt
                             ? std::min((n.altitudeFt - a.altitudeFt) / lf_legCycles(n), lf_stepLimit(a))
                             : 0.0;
  a.leg.courseRad = gf_bearingRad(Position{a.latitude, a.longitude}, gf_positionOf(n));
  return true;
}

// The altitude step of an air leg, outside a flare. May make a later airborne sample the next one.
void lf_airAltitudeStep(TrafficRun& run, LiveAircraft& a) {
  const PositionSample& o = a.stream[0];
  PositionSample& n = a.stream[1];
  const double k = lf_legCycles(n);
  const double limit = lf_stepLimit(a);
  if (o.airborne && n.airborne && !a.flags.landing) {
    double step = (n.altitudeFt - a.altitudeFt) / k;
    // Low down a reported descent is followed; only a level leg keeps a slight climb.
    if (a.aglFt <= 1000.0 && step <= 0.2 && n.verticalSpeedFpm > -250.0) step = 0.2;
    a.leg.altitudeStepFt = std::clamp(step, -limit, limit);
  } else if (o.airborne && n.airborne) {
    if (n.altitudeFt != o.altitudeFt || a.aglFt > 1000.0 || o.verticalSpeedFpm + n.verticalSpeedFpm > 100.0) {
      a.leg.altitudeStepFt = std::clamp((n.altitudeFt - a.altitudeFt) / k, -limit, limit);
    } else {
      n.verticalSpeedFpm = lf_descentRate(run, a, o, n);
      a.leg.altitudeStepFt = n.verticalSpeedFpm / 6000.0;
    }
  } else if (o.airborne) {
    const auto park = lf_park(run);
    const double qnh = run.qnhReader.qnh();
    if (park && qnh <= 1013) {
      a.leg.altitudeStepFt = std::clamp((park->elevationFt - a.altitudeFt) / k, -limit, limit);
    } else {
      n.verticalSpeedFpm = qnh > 1013 ? lf_descentRate(run, a, o, n) : -601.0;
      a.leg.altitudeStepFt = n.verticalSpeedFpm / 6000.0;
    }
    gf_setGear(run, a, true);
  } else if (n.airborne) {
    a.leg.altitudeStepFt =
        n.altitudeFt > a.altitudeFt ? std::min((n.altitudeFt - a.altitudeFt) / k, limit) : 0.0;
  } else {
    double sum = 0.0;
    for (const PositionSample& x : a.stream) sum += x.verticalSpeedFpm;
    if (!a.flags.landing && sum > 100.0) {
      const std::size_t last = std::min<std::size_t>(a.stream.size() - 1, 10);
      for (std::size_t i = 3; i <= last; ++i) {
        if (lf_jumpToAirborneSample(a, i)) {
          gf_setGear(run, a, true);
          return;
        }
      }
      n.verticalSpeedFpm = std::max(n.verticalSpeedFpm, 601.0);
    } else {
      n.verticalSpeedFpm = lf_descentRate(run, a, o, n);
    }
    a.leg.altitudeStepFt = n.verticalSpeedFpm / 6000.0;
    gf_setGear(run, a, true);
  }
}

void lf_airSetUp(TrafficRun& run, LiveAircraft& a) {
  if (lf_rotorcraft(a) && a.stream[1].stationary)
    lf_groundTurn(a);
  else
    lf_retimeToLegSpeed(a);
  if (a.phase != FlightPhase::TakeOff) gf_setPhase(a, FlightPhase::Flying);
  const bool flaring = a.flags.flareLevel > 0;
  if (!flaring) lf_airAltitudeStep(run, a);
  const PositionSample& o = a.stream[0];
  const PositionSample& n = a.stream[1];
  const double k = lf_legCycles(n);
  if (a.phase != FlightPhase::TakeOff) {
    const double v = n.verticalSpeedFpm;
    const double f = v < 0.0 ? std::max(v, -3000.0) * 0.5 : std::min(v, 2400.0);
    const double targetPitch = -0.05235987755982989 - f * 2.2 / 600.0 * kDegToRad;
    const double pitchRate = kPitchRateDeg.at(lf_classIndex(a)) * kDegToRad;
    if (!flaring) a.leg.pitchStep = std::clamp((targetPitch - a.pitchRad) / k, -pitchRate, pitchRate);
  }
  double turn = gf_turnRad(a.headingRad, a.leg.courseRad);
  const double low = a.flags.landing ? 2000.0 : 1000.0;
  if (n.headingRad && n.bankRad && a.aglFt < low) turn = gf_turnRad(a.headingRad, *n.headingRad);
  a.leg.headingStep = turn / k;
  if (n.bankRad) {
    a.leg.bankStep = (*n.bankRad - a.bankRad) / k;
  } else {
    // The bank of a coordinated turn at the leg's turn rate, within the class's limits.
    const double maxBank = kMaxBankDeg.at(lf_classIndex(a)) * kDegToRad;
    const double bankRate = kBankChangeDeg.at(lf_classIndex(a)) * kDegToRad;
    const double ratePerSecond = turn / (k / 100.0);
    const double speedMs = lf_legSpeed(o, n) * 0.514444;
    const double target = std::clamp(std::atan(speedMs * ratePerSecond / 9.80665), -maxBank, maxBank);
    a.leg.bankStep = std::clamp((target - a.bankRad) / k, -bankRate, bankRate);
  }
  if (o.altitudeFt < 10000.0) {
    lf_airConfig(run, a, o);
  } else if (!a.flags.cruiseConfigured) {
    a.flags.cruiseConfigured = true;
    a.flags.approachLights = false;
    lf_setCruiseLights(run, a);
    gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 3);
    gf_setGear(run, a, false);
    gf_setFlaps(run, a, 0);
  }
}

void lf_startTakeOff(TrafficRun& run, LiveAircraft& a, double altitudeStep) {
  a.bankRad = 0.0;
  a.slotCounter = static_cast<std::int32_t>(std::max<std::uint32_t>(a.rotationSlots, 1));
  a.leg.pitchStep = (a.takeOffPitchRad - a.pitchRad) / a.slotCounter;
  a.leg.bankStep = 0.0;
  a.leg.altitudeStepFt = altitudeStep;
  if (!a.flags.takeOffRoll) lf_startTakeOffRoll(run, a);
  gf_setPhase(a, FlightPhase::TakeOff);
  gf_clearGroundTurn(a);
  if (a.flags.landingRoll) {
    // A touch-and-go.
    a.flags.landingRoll = false;
    a.flags.landing = false;
    a.flags.flareLevel = 0;
    gf_setThrottle(run, a, 4);
    gf_setSpoilers(run, a, true);
    gf_setFlaps(run, a, 1);
  }
}

// The throttle of the roll, the end of a landing roll and the take-off decision.
void lf_groundMove(TrafficRun& run, LiveAircraft& a, const PositionSample& o, const PositionSample& n,
                   double k) {
  if (a.phase == FlightPhase::Flying || a.phase == FlightPhase::Parked) gf_setPhase(a, FlightPhase::Taxi);
  // A report of the air that reached the stream before the aircraft stood on the ground (it came
  // while the aircraft was buffered, or the simulator put a low spawn down) starts the roll when it
  // is played: else the aircraft would taxi along its climb.
  if (n.airborne && !a.flags.takeOffRoll && !a.flags.landingRoll) lf_startTakeOffRoll(run, a);
  const double vo = o.groundSpeedKt;
  const double vn = n.groundSpeedKt;
  if (a.flags.takeOffRoll) {
    std::uint32_t throttle = 0;
    if (lf_rotorcraft(a) || vo >= 25.0 || vn >= 30.0)
      throttle = 4;
    else if (vo >= 20.0 || vn >= 25.0)
      throttle = 2;
    else if (vo >= 15.0 || vn >= 20.0)
      throttle = 1;
    gf_setThrottle(run, a, throttle);
  } else if (a.flags.landingRoll) {
    if (std::abs(gf_turnRad(a.headingAtTouchdownRad, a.headingRad)) >= 15.0 * kDegToRad) {
      // Turned off the runway.
      gf_setFlaps(run, a, 0);
      a.flags.landingRoll = false;
      gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 0);
      gf_setSpoilers(run, a, false);
      if (a.modelClass != ModelClass::Light) run.sim.setSpoilersAndThrottles(a.objectId, 0.0, 0.0, 0.0);
      lf_setLights(run, a, LightStates{1, 1, 0, 1, 0, 1, 1});
    } else if (vo <= 90.0) {
      gf_setSpoilers(run, a, false);
      if (a.modelClass != ModelClass::Light) run.sim.setSpoilersAndThrottles(a.objectId, 0.0, 0.0, 0.0);
      gf_setFlaps(run, a, 1);
    }
  } else {
    gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 0);
  }
  if (!a.flags.takeOffRoll && !a.flags.landingRoll) lf_shrinkAdvanceAndDelay(a);
  if (a.flags.takeOffRoll && a.phase != FlightPhase::TakeOff && vo >= 43.0) {
    const auto later = a.stream.begin() + 1;
    const bool allClimb = std::all_of(later, a.stream.end(),
                                      [](const PositionSample& x) { return x.verticalSpeedFpm > 256.0; });
    const bool allAirborne =
        std::all_of(later, a.stream.end(), [](const PositionSample& x) { return x.airborne; });
    const double rotation = kRotationSpeedKt.at(lf_classIndex(a));
    const bool allFast = std::all_of(
        later, a.stream.end(), [rotation](const PositionSample& x) { return x.groundSpeedKt >= rotation; });
    if (!allClimb) {
      if (allFast && allAirborne) lf_startTakeOff(run, a, lf_stepLimit(a));
    } else {
      lf_startTakeOff(run, a, allAirborne ? std::max(n.altitudeFt - a.altitudeFt, 0.1) / k : lf_stepLimit(a));
    }
  }
  // The curve runs its whole length over the leg.
  if (gf_curveSet(a)) a.ground.curveStep = 1.0 / k;
}

void lf_groundSetUp(TrafficRun& run, LiveAircraft& a) {
  if (a.flags.flareLevel == 0 && a.phase != FlightPhase::TakeOff) {
    // Down without a flare: the aircraft stands on its wheels at once, and a settling towards the
    // static pitch has nothing left to do.
    a.pitchRad = a.staticPitchRad;
    a.bankRad = 0.0;
    a.flags.touchdownSettling = false;
    a.leg.altitudeStepFt = 0.0;
    a.leg.pitchStep = 0.0;
    a.leg.bankStep = 0.0;
  }
  a.leg.headingStep = 0.0;
  lf_groundLegSetup(run, a);
}

// The leg from the oldest sample to the next one; the oldest is then removed.
void lf_step(TrafficRun& run, LiveAircraft& a) {
  gf_clearGroundTurn(a);
  {
    PositionSample& o = a.stream[0];
    PositionSample& n = a.stream[1];
    if (!n.stationary && gf_within(n, o, kSameSpotDeg)) n.stationary = true;
    if (!n.stationary) a.leg.courseRad = gf_bearingRad(Position{a.latitude, a.longitude}, gf_positionOf(n));
  }
  const bool ground = a.onGround;
  if (ground) {
    // The ground set-up may split the leg, take a sample into a curve or lay out the way to or
    // from a stand: the samples are taken afresh after it.
    lf_groundSetUp(run, a);
    if (a.stream.size() < 2) return;
  } else {
    lf_airSetUp(run, a);
  }
  PositionSample& o = a.stream[0];
  PositionSample& n = a.stream[1];
  if (n.stationary) {
    a.leg.latitudeStep = 0.0;
    a.leg.longitudeStep = 0.0;
    if (!a.flags.takeOffRoll && !a.flags.landingRoll) lf_shrinkAdvanceAndDelay(a);
  } else {
    const double k = static_cast<double>(std::max<std::int64_t>(n.dueCycle - lf_now(), kMinLegCycles));
    a.leg.latitudeStep = (n.latitude - a.latitude) / k;
    a.leg.longitudeStep = gf_longitudeDelta(a.longitude, n.longitude) / k;
    if (ground) lf_groundMove(run, a, o, n, k);
  }
  a.trueAirspeedKt = n.stationary ? 0.0 : (ground ? n.groundSpeedKt : n.trueAirspeedKt);
  if (!(a.trueAirspeedKt > 0.0) && !n.stationary) a.trueAirspeedKt = lf_legSpeed(o, n);
  if (a.phase == FlightPhase::PushingBack) a.trueAirspeedKt = -a.trueAirspeedKt;
  a.stream.pop_front();
}

void nextPosMain(TrafficRun& run, LiveAircraft& a) {
  // An airborne aircraft reaches the ground only through the simulator's touchdown report.
  while (a.stream.size() >= 2 && !a.onGround && a.modelClass != ModelClass::Rotorcraft &&
         a.stream[1].stationary)
    a.stream.erase(a.stream.begin() + 1);
  while (a.stream.size() < 2) {
    if (!lf_extendStream(run, a)) {
      removeAircraftFromSim(run, a);
      return;
    }
  }
  lf_step(run, a);
  a.verticalSpeedFps = a.leg.altitudeStepFt * 100.0;
}

// --- per cycle ---

// The flare stages by the height of the wheels over the ground.
void lf_flare(TrafficRun& run, LiveAircraft& a) {
  const double cg = a.staticCgHeightFt;
  if (a.flags.flareLevel <= 1) {
    double h = a.aglFt;
    if (const auto park = lf_park(run)) {
      if (std::isnan(a.flags.flareElevationFt)) a.flags.flareElevationFt = park->elevationFt;
      h = std::min(h, a.altitudeFt - a.flags.flareElevationFt);
    }
    if (a.flags.flareLevel == 0 && h <= cg + 30.0) {
      a.flags.flareLevel = 1;
      a.flags.flareStage = true;
      a.leg.pitchStep = (-0.06981317007977318 - a.pitchRad) / std::max<std::uint32_t>(a.flareSlots, 1);
      a.leg.altitudeStepFt = -0.1;
      if (!a.stream.empty()) a.stream.front().verticalSpeedFpm = -601.0;
    }
  }
  if (a.flags.flareLevel == 0) return;
  struct Stage {
    double above;
    double step;
    double verticalSpeed;
  };
  static constexpr std::array<Stage, 3> kStages = {
      {{20.0, -0.075, -450.0}, {10.0, -0.05, -300.0}, {3.0, -0.025, -150.0}}};
  for (std::size_t i = 0; i < kStages.size(); ++i) {
    const auto level = static_cast<std::uint8_t>(i + 2);
    if (a.flags.flareLevel < level && a.aglFt <= cg + kStages[i].above) {
      a.flags.flareLevel = level;
      a.flags.flareElevationFt = kNoValue;
      a.leg.altitudeStepFt = kStages[i].step;
      if (!a.stream.empty()) a.stream.front().verticalSpeedFpm = kStages[i].verticalSpeed;
      if (level == 3) gf_setThrottle(run, a, 0);
    }
  }
}

void lf_takeOffCycle(TrafficRun& run, LiveAircraft& a) {
  a.slotCounter = std::max(a.slotCounter - 1, -1000);
  if (a.slotCounter > 0) {
    a.onGround = false;
    if (a.pitchRad > a.takeOffPitchRad) a.pitchRad += a.leg.pitchStep;
    return;
  }
  a.onGround = false;
  a.bankRad = std::clamp(a.bankRad + a.leg.bankStep, -kPi, kPi);
  if (a.pitchRad > a.climbPitchRad && a.climbSlots > 0)
    a.pitchRad = std::max(a.climbPitchRad, a.pitchRad + (a.climbPitchRad - a.takeOffPitchRad) / a.climbSlots);
  const std::int32_t s = -a.slotCounter;
  const double share = s == 0 ? 0.0 : s < 100 ? 0.1 : s < 200 ? 0.2 : s < 300 ? 0.5 : 1.0;
  a.altitudeFt += a.leg.altitudeStepFt * share;
  if (s > 300 && a.pitchRad <= a.climbPitchRad && a.aglFt >= 800.0) {
    gf_setThrottle(run, a, lf_rotorcraft(a) ? 4 : 3);
    gf_setPhase(a, FlightPhase::Flying);
    a.slotCounter = 1;
    a.flags.takeOffRoll = false;
  }
}

void lf_airCycle(TrafficRun& run, LiveAircraft& a) {
  const bool ground = a.onGround && a.phase != FlightPhase::TakeOff;
  if (!gf_curveSet(a) || !lf_curveCycle(a)) {
    if (!ground) {
      a.headingRad = gf_wrapHeading(a.headingRad + a.leg.headingStep);
    } else {
      if (a.phase == FlightPhase::Flying || a.phase == FlightPhase::Parked || a.phase == FlightPhase::Birth)
        a.headingRad = gf_wrapHeading(a.headingRad + a.leg.headingStep);
      // Pushed back or rolling straight on, the heading stays as it is.
      if (a.phase == FlightPhase::Parking || a.ground.turning)
        a.headingRad = gf_turnTowards(a.headingRad, a.leg.courseRad,
                                      a.currentTurnRate > 0.0 ? a.currentTurnRate : a.groundTurnRate);
    }
    if (a.phase != FlightPhase::PushedBack) {
      a.latitude += a.leg.latitudeStep;
      a.longitude += a.leg.longitudeStep;
    }
  }
  if (a.phase == FlightPhase::TakeOff) {
    lf_takeOffCycle(run, a);
    if (a.slotCounter == -300) gf_setGear(run, a, false);
  } else {
    if (a.flags.landing && !a.onGround && a.aglFt <= 400.0) lf_flare(run, a);
    if (a.flags.touchdownSettling) {
      a.pitchRad += a.leg.pitchStep;
      if (a.pitchRad > a.staticPitchRad) {
        a.pitchRad = a.staticPitchRad;
        a.bankRad = 0.0;
        a.leg.pitchStep = 0.0;
        a.leg.bankStep = 0.0;
        a.flags.touchdownSettling = false;
        a.flags.flareStage = false;
        a.flags.flareLevel = 0;
      }
      a.bankRad += a.leg.bankStep;
    } else if (a.flags.flareLevel > 0 && !a.onGround) {
      a.bankRad = std::clamp(a.bankRad + a.leg.bankStep, -kPi, kPi);
      a.pitchRad = std::max(a.pitchRad + a.leg.pitchStep, -0.06981317007977318);
      a.altitudeFt += a.leg.altitudeStepFt;
    } else if (ground) {
      a.pitchRad = a.staticPitchRad;
      a.bankRad = 0.0;
      a.flags.flareLevel = 0;
      a.flags.flareStage = false;
    } else {
      a.bankRad = std::clamp(a.bankRad + a.leg.bankStep, -kPi, kPi);
      a.pitchRad += a.leg.pitchStep;
      a.altitudeFt += a.leg.altitudeStepFt;
    }
  }
  a.longitude = gf_wrapLongitude(a.longitude);
  if (a.latitude > 90.0 || a.latitude < -90.0) {
    a.latitude = a.latitude > 90.0 ? 180.0 - a.latitude : -180.0 - a.latitude;
    a.longitude = gf_wrapLongitude(a.longitude + 180.0);
  }
}

// The first cycle as an active aircraft: a late start shifts the whole stream.
void lf_startPlaying(LiveAircraft& a) {
  a.playing = true;
  if (a.stream.empty()) return;
  const std::int64_t late = std::min(lf_now() - a.stream.front().dueCycle, kMaxLateCycles);
  if (late <= 0) return;
  a.lateCycles = late;
  for (PositionSample& s : a.stream) s.dueCycle += late;
}

void lf_updateActive(TrafficRun& run, LiveAircraft& a) {
  if (!a.playing) lf_startPlaying(a);
  if (a.stream.empty()) {
    gf_logLine(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                           "updateLiveAc", a.callsign, a.key, a.objectId, a.altitudeFt,
                           fmt::format("{:.6f},{:.6f}", a.latitude, a.longitude), a.trueAirspeedKt));
    removeAircraftFromSim(run, a);
    return;
  }
  if (lf_now() >= a.stream.front().dueCycle) nextPosMain(run, a);
  if (a.state != SimState::Active) return;
  if (!a.stream.empty() && !a.stream.front().stationary) lf_airCycle(run, a);
  if (!lf_sendable(a)) {
    lf_logFailure("updateLiveAc", "not a finite position", a);
    removeAircraftFromSim(run, a);
    return;
  }
  if (a.objectId == 0) {
    gf_logLine(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc", a.key,
                           a.callsign, a.registration, gf_aircraftText(a), a.stream.size()));
    removeAircraftFromSim(run, a);
    return;
  }
  run.sim.queuePosition(SimPosition{a.latitude, a.longitude, a.pitchRad, a.bankRad, a.headingRad,
                                    a.altitudeFt, a.verticalSpeedFps, a.trueAirspeedKt, a.objectId});
}

}  // namespace

double lf_legSpeed(const PositionSample& o, const PositionSample& n) {
  const bool apart = gf_distanceNm(gf_positionOf(o), gf_positionOf(n)) * kMetresPerNm > 20.0;
  const double implied = lf_impliedSpeedKt(o, n);
  const double vo = (o.groundSpeedKt == 0.0 && apart) ? implied : o.groundSpeedKt;
  const double vn = (n.groundSpeedKt == 0.0 && apart) ? implied : n.groundSpeedKt;
  double speed = (vo + vn) / 2.0;
  if (vo == 0.0 && vn == 0.0) speed = implied;
  return std::isfinite(speed) ? std::max(speed, 1.0) : 1.0;
}

std::int32_t lf_wholeCycles(double cycles) {
  const double r = std::round(cycles);
  if (!(r >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
        r <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
    throw gsl::narrowing_error();
  return static_cast<std::int32_t>(r);
}

void lf_retimeNextSample(LiveAircraft& a, std::int64_t cycles) {
  if (a.stream.size() < 2) return;
  const std::int64_t c = lf_now();
  const std::int64_t target = c + std::max<std::int64_t>(cycles, kMinLegCycles);
  PositionSample& n = a.stream[1];
  if (a.pendingSteps == 0)
    n.dueCycle = std::clamp(target, n.dueCycle - a.leg.maxAdvance, n.dueCycle + a.leg.maxDelay);
  else
    n.dueCycle = target;
  n.dueCycle = std::max(n.dueCycle, c);
}

void lf_extrapolate(LiveAircraft& a, std::int32_t steps) {
  a.pendingSteps = steps;
  PositionSample copy = a.stream.front();
  // Where the aircraft is decides, not the report: a landing flies on to its touchdown.
  const bool air = !a.onGround;
  bool still = copy.stationary || a.phase == FlightPhase::Parked;
  if (!still) {
    if (air) {
      if (!a.flags.landing)
        copy.groundSpeedKt = std::max(copy.groundSpeedKt * 0.95, 1.0);
      else if (steps >= 4)
        copy.groundSpeedKt = std::max(copy.groundSpeedKt * 0.9, 1.0);
    } else if (a.flags.takeOffRoll) {
      const double v = copy.groundSpeedKt;
      copy.groundSpeedKt = v <= 30.0    ? 40.0
                           : v <= 60.0  ? 80.0
                           : v <= 100.0 ? 110.0
                           : v <= 140.0 ? 150.0
                           : v <= 160.0 ? 170.0
                                        : 180.0;
      if (v > 100.0) copy.verticalSpeedFpm = v <= 140.0 ? 600.0 : v <= 160.0 ? 1200.0 : 2400.0;
    } else if (a.flags.landingRoll) {
      const double v = copy.groundSpeedKt;
      copy.groundSpeedKt = v >= 140.0   ? 100.0
                           : v >= 100.0 ? 80.0
                           : v >= 80.0  ? 60.0
                           : v >= 60.0  ? 30.0
                                        : 20.0;
    } else {
      still = true;
    }
  }
  if (still) {
    copy.groundSpeedKt = 0.0;
    copy.stationary = true;
  } else {
    const double seconds = air ? 8.0 : 3.0;
    const double feet = copy.groundSpeedKt * seconds / 3600.0 * kFeetPerNm;
    const Position p = gf_destinationPoint(gf_positionOf(copy), a.headingRad, feet);
    copy.latitude = p.latitude;
    copy.longitude = gf_wrapLongitude(p.longitude);
    copy.trueAirspeedKt = copy.groundSpeedKt;
    if (a.flags.landing && !a.flags.flareStage) {
      copy.verticalSpeedFpm = -667.0;
      copy.altitudeFt -= seconds * 10.005;
    } else if (a.phase == FlightPhase::TakeOff) {
      copy.verticalSpeedFpm = 1500.0;
      copy.altitudeFt += 25.0 * seconds;
    }
    copy.stationary = gf_within(copy, a.stream.front(), kSameSpotDeg);
  }
  copy.dueCycle = a.stream.front().dueCycle + (air ? 800 : 300);
  if (a.phase == FlightPhase::Parked) {
    // A parked aircraft stands for a week unless reports take it away.
    copy.dueCycle = a.stream.front().dueCycle + kWeekCycles;
    a.flags.reportedAtStand = false;
    if (Stand* stand = gf_standByNumber(a.standId)) stand->occupied = false;
  }
  a.stream.push_back(copy);
}

bool lf_extendStream(TrafficRun& run, LiveAircraft& a) {
  if (a.stream.empty()) return false;
  if (a.phase == FlightPhase::Parking) {
    lf_arriveAtStand(run, a);
    if (a.state != SimState::Active) return false;
  }
  const bool rolling = a.flags.takeOffRoll || a.flags.landingRoll;
  if (a.phase == FlightPhase::PushedBack || (a.phase == FlightPhase::Taxi && !rolling && a.onGround)) {
    for (const LiveAircraft& other : run.traffic.liveList) {
      if (&other == &a || other.state != SimState::Active || other.phase != FlightPhase::Taxi ||
          !other.onGround)
        continue;
      const double gap =
          gf_distanceNm(Position{a.latitude, a.longitude}, Position{other.latitude, other.longitude});
      if (gap <= 1.2 * (a.halfWingSpanNm + other.halfWingSpanNm)) {
        a.leg.holding = false;
        return false;
      }
    }
    const std::int64_t c = lf_now();
    if (a.leg.holding) {
      if (cfg::AIRBORNE_ONLY.value()) return false;
      if (c - a.leg.holdingStartCycle > static_cast<std::int64_t>(cfg::MAX_HOLDING_MINUTES.value()) * 6000)
        return false;
    } else {
      a.leg.holding = true;
      a.leg.holdingStartCycle = c;
    }
    PositionSample copy = a.stream.back();
    copy.dueCycle += 300;
    copy.groundSpeedKt = 0.0;
    copy.stationary = true;
    a.stream.push_back(copy);
    a.pendingSteps = 1;
    return true;
  }
  if (a.pendingSteps < 0) return false;
  if (a.pendingSteps == 1) {
    a.pendingSteps = -1;
    return false;
  }
  if (a.pendingSteps > 1) {
    lf_extrapolate(a, a.pendingSteps - 1);
    return true;
  }
  if ((a.modelClass == ModelClass::Light && !cfg::LIGHT_AIRCRAFT.value()) ||
      (a.modelClass == ModelClass::HighPerformance && !cfg::HIGH_PERF_AIRCRAFT.value()) ||
      (a.modelClass == ModelClass::Rotorcraft && !cfg::HELICOPTERS.value()))
    return false;
  std::int32_t steps = 0;
  if (!a.onGround) {
    const UserAcPosition& user = gf_userAcBlock().position;
    if (gf_positionKnown(user.latitude, user.longitude) &&
        gf_distanceNm(Position{user.latitude, user.longitude}, Position{a.latitude, a.longitude}) >=
            gf_rangeNm() - 0.5)
      return false;
    if (cfg::AIRBORNE_ONLY.value()) {
      const auto park = run.trafficReader.context().parkAirport;
      if (std::abs(a.altitudeFt - (park ? park->elevationFt : 0.0)) < 1000.0) return false;
    }
    steps = 8;
  } else {
    steps = a.phase == FlightPhase::Parked ? 1 : 10;
  }
  lf_extrapolate(a, steps);
  return true;
}

bool updateLiveAc(TrafficRun& run, LiveAircraft& a) {
  try {
    if (a.state == SimState::Buffer)
      lf_trySpawnLiveAc(run, a);
    else if (a.state == SimState::Active)
      lf_updateActive(run, a);
  } catch (const std::exception& e) {
    lf_logFailure("updateLiveAc", e.what(), a);
    removeAircraftFromSim(run, a);
  }
  return a.drop || a.dropWithdrawn;
}

bool appendSample(TrafficRun& run, LiveAircraft& a, const PositionSample& sample) {
  try {
    if (a.stream.size() > kMaxSamples) {
      removeAircraftFromSim(run, a);
      return false;
    }
    PositionSample s = sample;
    s.dueCycle += a.lateCycles;
    if (a.leg.holding && !a.stream.empty() &&
        gf_distanceNm(gf_positionOf(s), gf_positionOf(a.stream.back())) * kMetresPerNm >
            cfg::HOLDING_THRESHOLD_METERS.value()) {
      a.leg.holding = false;
      removeAircraftFromSim(run, a);
      return false;
    }
    if (a.phase == FlightPhase::Birth) {
      if (a.stream.empty() || !lf_birthFilter(a, s)) return false;
      s.dueCycle = std::max(s.dueCycle, a.stream.back().dueCycle + 1);
      a.stream.push_back(s);
      return true;
    }
    if (a.stream.empty() || !lf_checkExtendingSituations(run, a, s)) return false;
    const PositionSample& m = a.stream.back();
    if (!s.airborne && m.stationary) {
      const bool allStill =
          std::all_of(a.stream.begin(), a.stream.end(), [](const PositionSample& x) { return x.stationary; });
      if (s.stationary && allStill) {
        a.stream.resize(1);
      } else {
        const std::size_t first = a.stream.size() > 6 ? a.stream.size() - 6 : 0;
        for (std::size_t i = a.stream.size(); i-- > first;) {
          if (a.stream[i].stationary) continue;
          const bool close =
              s.dueCycle - a.stream[i].dueCycle < 1500 ||
              gf_distanceNm(gf_positionOf(s), gf_positionOf(a.stream[i])) < 0.011879049676025918;
          if (close) a.stream.resize(i + 1);
          break;
        }
      }
    }
    const PositionSample& newest = a.stream.back();
    s.dueCycle = std::max(s.dueCycle, newest.dueCycle + 1);
    if (a.state == SimState::Active && a.onGround && !a.flags.takeOffRoll) {
      if (!a.flags.landingRoll) {
        if ((a.phase == FlightPhase::Taxi && s.airborne) ||
            (s.groundSpeedKt >= 43.0 && newest.groundSpeedKt >= 43.0))
          lf_startTakeOffRoll(run, a);
      } else if (s.airborne && newest.airborne) {
        lf_startTouchAndGo(run, a);
      }
    }
    a.stream.push_back(s);
    if (a.stream.size() == 2 && a.stream[0].stationary && a.stream[1].stationary) {
      a.stream[0].dueCycle = lf_now() + 1;
      a.stream[0].groundSpeedKt = a.stream[1].groundSpeedKt;
    }
    return true;
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{} exception {}", "decodeExisting", e.what()));
    return false;
  }
}

}  // namespace orv
