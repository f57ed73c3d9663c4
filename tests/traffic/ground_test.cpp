// Live aircraft on the ground: taxi turns, the push back, pulling out, parking at a stand and
// leaving it again.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "config/parameters.h"
#include "simlink/sim_ids.h"
#include "stand_fixture.h"
#include "support/scoped_setting.h"
#include "traffic/aircraft_text.h"
#include "traffic/ground_legs.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"

namespace {

using ground_test::groundSample;
using ground_test::kField;
using ground_test::metresBetween;
using ground_test::offset;
using orv::FlightPhase;
using orv::LiveAircraft;
using orv::Position;
using orv::PositionSample;
using orv::SimState;
using testing_support::ScopedSetting;

using GroundLegs = ground_test::StandFixture;

double headingDeg(const LiveAircraft& a) {
  return a.headingRad * orv::kRadToDeg;
}

// Degrees between two headings, the shorter way.
double headingGap(double aDeg, double bDeg) {
  return std::abs(orv::gf_turnRad(aDeg * orv::kDegToRad, bDeg * orv::kDegToRad)) * orv::kRadToDeg;
}

TEST(GroundTurnTowards, AHeadingWithinHalfADegreeOfItsTargetStays) {
  const double rate = 0.07 * orv::kDegToRad;
  struct Row {
    double from, to, expected;
  } const rows[] = {
      {90.0, 90.4, 90.0},    // within the dead band
      {90.0, 89.6, 90.0},    // on the other side of it
      {90.0, 90.6, 90.07},   // beyond it: one step of the rate
      {90.0, 45.0, 89.93},   // the shorter way round is anticlockwise
      {359.98, 10.0, 0.05},  // over north, wrapped into [0, 360)
      {90.0, 90.03, 90.0},   // a step larger than the turn would overshoot: it stays
  };
  for (const Row& r : rows) {
    const double turned =
        orv::gf_turnTowards(r.from * orv::kDegToRad, r.to * orv::kDegToRad, rate) * orv::kRadToDeg;
    EXPECT_NEAR(turned, r.expected, 1e-9) << r.from << " -> " << r.to;
  }
}

TEST_F(GroundLegs, ASplitPutsTheMidpointHalfWayRoundingTheDueCycleAwayFromZero) {
  struct Row {
    const char* name;
    Position o, n;
    double oAltitude, nAltitude;
    std::int64_t oDue, nDue;
    std::int64_t due;
    bool airborne;
    double altitude;
    double longitude;
  } const rows[] = {
      {"1000 and 1601", {50.0, 8.0}, {50.002, 8.004}, 0, 0, 1000, 1601, 1301, false, 0.0, 8.002},
      {"1000 and 1600", {50.0, 8.0}, {50.002, 8.004}, 0, 0, 1000, 1600, 1300, false, 0.0, 8.002},
      {"a mean altitude above 0", {50.0, 8.0}, {50.002, 8.004}, 0, 200, 1000, 1601, 1301, true, 100.0, 8.002},
      {"across the antimeridian",
       {10.0, 179.998},
       {10.0, -179.996},
       0,
       0,
       1000,
       1601,
       1301,
       false,
       0.0,
       -179.999},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    PositionSample o = groundSample(r.o, 10.0, r.oDue, 45.0);
    o.altitudeFt = r.oAltitude;
    o.verticalSpeedFpm = 120.0;
    PositionSample n = groundSample(r.n, 20.0, r.nDue, 50.0);
    n.altitudeFt = r.nAltitude;
    n.stationary = true;
    LiveAircraft& a = aircraft({o, n});
    orv::lf_splitLeg(a);
    ASSERT_EQ(a.stream.size(), 3u);
    const PositionSample& mid = a.stream[1];
    EXPECT_EQ(mid.dueCycle, r.due);
    EXPECT_EQ(mid.airborne, r.airborne);
    EXPECT_DOUBLE_EQ(mid.altitudeFt, r.altitude);
    EXPECT_NEAR(mid.longitude, r.longitude, 1e-9);
    EXPECT_NEAR(mid.latitude, (r.o.latitude + r.n.latitude) / 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(mid.groundSpeedKt, 15.0);
    EXPECT_FALSE(mid.stationary);
    EXPECT_DOUBLE_EQ(mid.trackDeg, 45.0) << "the rest comes from the oldest sample";
    EXPECT_DOUBLE_EQ(mid.verticalSpeedFpm, 120.0);
  }
}

TEST_F(GroundLegs, ATaxiTurnIsACurveASplitLegOrStraightByItsAngleLengthAndSpeed) {
  struct Row {
    const char* name;
    double legMetres;
    double turnDeg;
    double speedKt;
    std::int64_t legCycles;
    bool thirdStationary;
    std::size_t size;  // of the stream after the set-up
    bool curve;
  } const rows[] = {
      {"90 degrees on 60 m, slow, 8 s: split", 60, 90, 10, 800, false, 4, false},
      {"90 degrees on 60 m in 5 s: curve", 60, 90, 10, 500, false, 2, true},
      {"90 degrees on 40 m: curve", 40, 90, 10, 800, false, 2, true},
      {"90 degrees on 60 m at 50 kt: curve", 60, 90, 50, 800, false, 2, true},
      {"30 degrees: curve", 60, 30, 10, 800, false, 2, true},
      {"170 degrees on 60 m, slow, 8 s: split", 60, 170, 10, 800, false, 4, false},
      {"170 degrees on 40 m: straight", 40, 170, 10, 800, false, 3, false},
      {"2 degrees: straight", 60, 2, 10, 800, false, 3, false},
      {"the third sample stationary: straight", 60, 90, 10, 800, true, 3, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    const std::int64_t c = now();
    const Position p0 = offset(kField, -200, 0);
    const Position p1 = offset(p0, r.legMetres, 0);
    const Position p2 =
        offset(p1, 30.0 * std::cos(r.turnDeg * orv::kDegToRad), 30.0 * std::sin(r.turnDeg * orv::kDegToRad));
    PositionSample third = groundSample(p2, r.speedKt, c + r.legCycles + 400);
    third.stationary = r.thirdStationary;
    LiveAircraft& a =
        onGround({groundSample(p0, r.speedKt, c), groundSample(p1, r.speedKt, c + r.legCycles), third},
                 FlightPhase::Taxi, 0.0);
    orv::lf_groundLegSetup(run, a);
    EXPECT_EQ(a.stream.size(), r.size);
    EXPECT_EQ(orv::gf_curveSet(a), r.curve);
    if (r.curve) {
      EXPECT_NEAR(a.ground.curveTurnDeg, r.turnDeg, 0.01);
      EXPECT_FALSE(a.ground.turning);
      EXPECT_NEAR(metresBetween(orv::gf_positionOf(a.stream[1]), p2), 0.0, 1e-6)
          << "the curve ends at the third";
    }
    if (r.size == 4) {
      EXPECT_NEAR(metresBetween(orv::gf_positionOf(a.stream[1]), p0), r.legMetres / 2.0, 0.01);
    }
  }
}

TEST_F(GroundLegs, ALegOfTwoSamplesIsSplitWhereItsSpeedChangesOverAHundredMetres) {
  struct Row {
    const char* name;
    double metres, from, to;
    std::int32_t pending;
    bool split;
  } const rows[] = {
      {"5 to 15 kt over 120 m", 120, 5, 15, 0, true},
      {"5 to 15 kt over 80 m", 80, 5, 15, 0, false},
      {"5 to 10 kt over 120 m", 120, 5, 10, 0, false},
      {"while extrapolating", 120, 5, 15, 3, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    const std::int64_t c = now();
    const Position p0 = offset(kField, -300, 0);
    LiveAircraft& a =
        onGround({groundSample(p0, r.from, c), groundSample(offset(p0, r.metres, 0), r.to, c + 2000)},
                 FlightPhase::Taxi, 0.0);
    a.pendingSteps = r.pending;
    orv::lf_groundLegSetup(run, a);
    EXPECT_EQ(a.stream.size(), r.split ? 3u : 2u);
  }
}

TEST_F(GroundLegs, TheCurveParameterStopsShortOfOneAndABrokenCurveIsFlownStraight) {
  const std::int64_t c = now();
  const Position p0 = offset(kField, -200, 0);
  const Position p1 = offset(p0, 40, 0);
  const Position p2 = offset(p1, 0, 40);
  LiveAircraft& a = onGround({groundSample(p0, 10, c), groundSample(p1, 10, c + 500),
                              groundSample(p2, 10, c + 1000), groundSample(offset(p2, 0, 40), 10, c + 1500)},
                             FlightPhase::Taxi, 0.0);
  orv::lf_groundLegSetup(run, a);
  ASSERT_TRUE(orv::gf_curveSet(a));
  a.ground.curveStep = 0.3;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(orv::lf_curveCycle(a));
  EXPECT_EQ(a.ground.curveParameter, 0.999999);
  EXPECT_LT(metresBetween(Position{a.latitude, a.longitude}, p2), 0.01);

  // A step that is no number: logged once per aircraft; the rest of the leg goes straight.
  a.latitude = p0.latitude;
  a.longitude = p0.longitude;
  a.stream.pop_front();  // as in the cycle: the leg's sample is the oldest
  for (int i = 0; i < 2; ++i) {
    a.ground.controlNorth = 10.0;
    a.ground.controlEast = 0.0;
    a.ground.curveStep = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(orv::lf_curveCycle(a));
    EXPECT_FALSE(orv::gf_curveSet(a));
  }
  EXPECT_EQ(logCount("DLH4AB error in curve at index: NAN"), 1);
  ASSERT_GT(a.leg.latitudeStep, 0.0);
  const auto k = static_cast<double>(a.stream.front().dueCycle - now());
  EXPECT_NEAR(a.latitude + k * a.leg.latitudeStep, a.stream.front().latitude, 1e-12);
  EXPECT_NEAR(a.longitude + k * a.leg.longitudeStep, a.stream.front().longitude, 1e-12);
}

TEST_F(GroundLegs, ATaxiingAircraftFollowsTheCurveThroughItsTurn) {
  const std::int64_t c = now();
  const Position p0 = offset(kField, -200, 0);
  const Position p1 = offset(p0, 40, 0);
  const Position p2 = offset(p1, 0, 40);
  const Position p3 = offset(p2, 0, 60);
  LiveAircraft& a = onGround({groundSample(p0, 10, c), groundSample(p1, 10, c + 800),
                              groundSample(p2, 10, c + 1600), groundSample(p3, 10, c + 2800)},
                             FlightPhase::Taxi, 0.0);
  double largestStep = 0.0;
  Position before{a.latitude, a.longitude};
  std::optional<std::int64_t> endDue;
  while (a.state == SimState::Active && now() < c + 2400) {
    play(a, 1);
    if (!endDue && orv::gf_curveSet(a)) endDue = a.stream.front().dueCycle;
    const Position here{a.latitude, a.longitude};
    largestStep = std::max(largestStep, metresBetween(before, here));
    before = here;
    if (endDue && now() == *endDue) break;
  }
  ASSERT_TRUE(endDue.has_value());
  EXPECT_EQ(now(), *endDue);
  // Its corner cut short of the two legs' corner, it reaches the end of the turn heading east.
  EXPECT_LT(metresBetween(Position{a.latitude, a.longitude}, p2), 0.5);
  EXPECT_LT(headingGap(headingDeg(a), 90.0), 3.0);
  EXPECT_LT(largestStep, 0.1);
  EXPECT_GT(a.trueAirspeedKt, 0.0);
}

TEST_F(GroundLegs, ADepartingAircraftPullsOutForwardOrIsPushedBackByWhereItsReportsLie) {
  struct Row {
    double bearingOffDeg;  // of the first new report, from the stand heading
    FlightPhase phase;
  } const rows[] = {
      {0.0, FlightPhase::Taxi},         {89.4, FlightPhase::Taxi},         {-89.4, FlightPhase::Taxi},
      {89.6, FlightPhase::PushingBack}, {180.0, FlightPhase::PushingBack}, {-120.0, FlightPhase::PushingBack},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.bearingOffDeg);
    run.traffic = orv::TrafficState{};
    stands.add("V" + std::to_string(static_cast<int>(r.bearingOffDeg * 10)), offset(kField, 100, 0), 90.0);
    const orv::Stand& stand = orv::gf_parkStands().back();
    LiveAircraft& a = parkedAt(stand);
    const double bearing = (90.0 + r.bearingOffDeg) * orv::kDegToRad;
    const Position at{stand.latitude, stand.longitude};
    a.flags.departing = true;
    a.stream.front().dueCycle = now();
    a.stream.push_back(
        groundSample(offset(at, 30 * std::cos(bearing), 30 * std::sin(bearing)), 5, now() + 500));
    play(a, 1);
    EXPECT_EQ(a.phase, r.phase);
    if (r.phase == FlightPhase::Taxi) {
      EXPECT_FALSE(a.flags.departing);
      ASSERT_EQ(a.stream.size(), 1u);
      // Two half spans ahead of the stand.
      EXPECT_NEAR(metresBetween(orv::gf_positionOf(a.stream.front()), offset(at, 0, 35.8)), 0.0, 0.01);
      EXPECT_TRUE(logHas(fmt::format("{:8}: DLH4AB   pulling out", stand.id)));
      // Off its stand: once another aircraft has taken the stand, this one's removal leaves it taken.
      EXPECT_EQ(a.standId, 0u);
      orv::Stand* taken = orv::gf_standByNumber(stand.number);
      ASSERT_NE(taken, nullptr);
      taken->occupied = true;
      orv::removeAircraftFromSim(run, a);
      EXPECT_TRUE(taken->occupied);
    } else {
      EXPECT_EQ(a.stream.size(), 3u) << "midpoint, back point, right point";
      EXPECT_EQ(a.ground.pushBackCounter, 2);
    }
  }
}

// A push back of an aircraft parked at a stand heading east (radius 20 m) whose first report
// after the start of the push back has the track; none: no report.
struct PushBackCase {
  const char* name;
  std::optional<double> trackDeg;
  double endHeadingDeg;
  double sideNorthMetres;  // of the end point from the back point, 50 m west of the stand
};

class PushBack : public ground_test::StandFixture, public ::testing::WithParamInterface<PushBackCase> {};

TEST_P(PushBack, EndsBesideTheBackPointWithTheNoseTurnedToTheReportedSide) {
  const PushBackCase& row = GetParam();
  ScopedSetting straightOnly(orv::cfg::STRAIGHT_PBS_ONLY, false);
  const orv::Stand& stand = stands.add("B7", offset(kField, 100, 0), 90.0);
  const Position at{stand.latitude, stand.longitude};
  LiveAircraft& a = parkedAt(stand);
  a.flags.departing = true;
  a.stream.front().dueCycle = now();
  a.stream.push_back(groundSample(offset(at, 0, -30), 3, now() + 500, 270.0));
  play(a, 1);
  ASSERT_EQ(a.phase, FlightPhase::PushingBack);
  if (row.trackDeg) {
    PositionSample report = groundSample(offset(at, -40, -60), 8, now() + 3000, *row.trackDeg);
    EXPECT_FALSE(orv::appendSample(run, a, report)) << "reports are not played while pushing back";
  }
  bool backwards = true;
  for (int i = 0; i < 40000 && a.phase == FlightPhase::PushingBack; ++i) {
    play(a, 1);
    if (!sim.positions.empty() && a.phase == FlightPhase::PushingBack &&
        sim.positions.back().trueAirspeed > 0.0)
      backwards = false;
  }
  EXPECT_EQ(a.phase, FlightPhase::PushedBack);
  EXPECT_TRUE(backwards) << "pushed, it rolls backwards";
  EXPECT_FALSE(a.flags.departing);
  const Position end = offset(offset(at, 0, -50), row.sideNorthMetres, 0);
  EXPECT_LT(metresBetween(Position{a.latitude, a.longitude}, end), 1.0);
  EXPECT_LT(headingGap(headingDeg(a), row.endHeadingDeg), 1.0);
  // Pushed back it stays where it is while the reports stay near.
  const Position still{a.latitude, a.longitude};
  play(a, 1000);
  EXPECT_EQ(a.phase, FlightPhase::PushedBack);
  EXPECT_LT(metresBetween(Position{a.latitude, a.longitude}, still), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Sides, PushBack,
                         ::testing::Values(PushBackCase{"clockwise", 180.0, 180.0, 17.9},
                                           PushBackCase{"anticlockwise", 20.0, 0.0, -17.9},
                                           PushBackCase{"no report", std::nullopt, 90.0, -17.9},
                                           PushBackCase{"track 0 decides nothing", 0.0, 90.0, -17.9}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

TEST_F(GroundLegs, AnAircraftArrivingAtItsStandParksWithinTwoMetresElseTaxisOn) {
  struct Row {
    const char* name;
    double metresShort;
    bool occupied;
    FlightPhase phase;
    SimState state;
  } const rows[] = {
      {"1.5 m short", 1.5, false, FlightPhase::Parked, SimState::Active},
      {"3 m short", 3.0, false, FlightPhase::Taxi, SimState::Active},
      {"the stand taken meanwhile", 1.5, true, FlightPhase::Parking, SimState::RemovingFromSim},
  };
  int stand = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    ++stand;
    orv::Stand& s = stands.add("P" + std::to_string(stand), offset(kField, 200, 40.0 * stand), 90.0);
    s.occupied = r.occupied;
    const Position at{s.latitude, s.longitude};
    PositionSample stop = groundSample(at, 0, now());
    stop.stationary = true;
    LiveAircraft& a = onGround({stop}, FlightPhase::Parking, 90.0);
    const Position here = offset(at, 0, -r.metresShort);
    a.latitude = here.latitude;
    a.longitude = here.longitude;
    a.standPosition = at;
    a.standHeadingRad = s.heading;
    a.standId = s.number;
    a.ground.lastParkTry = at;  // as the parking try left it
    const std::size_t events = sim.events.size();
    play(a, 1);
    EXPECT_EQ(a.phase, r.phase);
    EXPECT_EQ(a.state, r.state);
    const bool parked = r.phase == FlightPhase::Parked;
    EXPECT_EQ(logHas(fmt::format("{:8}: DLH4AB   arrived at stand", s.id)), parked);
    if (parked) {
      EXPECT_EQ(std::count(run.traffic.arrivalChecks.begin(), run.traffic.arrivalChecks.end(), a.key), 1);
      ASSERT_EQ(orv::gf_parkStands()[s.number - 1].schedules.size(), 1u) << "a learned live parking";
      EXPECT_EQ(orv::gf_parkStands()[s.number - 1].schedules[0].registration, "D-AIPA");
      const auto shutdown =
          std::find_if(sim.events.begin() + static_cast<std::ptrdiff_t>(events), sim.events.end(),
                       [](const orv::SimEvent& e) { return e.eventId == orv::simid::kEngineAutoShutdown; });
      EXPECT_NE(shutdown, sim.events.end());
      EXPECT_EQ(a.stream.size(), 1u);
      EXPECT_GT(a.stream.front().dueCycle, now() + 6000000) << "it stands for a week";
    }
    if (r.occupied) {
      EXPECT_TRUE(orv::gf_parkStands()[s.number - 1].occupied);
    }
  }
}

TEST_F(GroundLegs, AStoppedTaxiingAircraftDrivesOntoAFreeStandNearItsLastReport) {
  struct Row {
    const char* name;
    double standMetres;  // east of the stop
    std::int32_t pending;
    bool towed;
    FlightPhase before;  // the previous phase
    bool learnedEntry;
    bool parks;
  } const rows[] = {
      {"15 m from the stop", 15, 0, false, FlightPhase::Birth, false, true},
      {"25 m from the stop", 25, 0, false, FlightPhase::Birth, false, false},
      {"towed, reports stopped, 40 m", 40, 1, true, FlightPhase::Birth, false, true},
      {"towed, 70 m, parked there before", 70, 1, true, FlightPhase::Birth, true, true},
      {"towed, 70 m, never there", 70, 1, true, FlightPhase::Birth, false, false},
      {"reports stopped, not towed, 40 m", 40, 1, false, FlightPhase::Birth, false, false},
      {"just pushed back", 15, 0, false, FlightPhase::PushedBack, false, false},
      {"towed from its stand", 15, 0, true, FlightPhase::Parked, false, true},
  };
  int count = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    ++count;
    const Position stop = offset(kField, -400, 300.0 * count);
    orv::Stand& stand = stands.add("T" + std::to_string(count), offset(stop, 0, r.standMetres), 0.0);
    if (r.learnedEntry) {
      orv::StandSchedule seen;
      seen.callsign = "DLH4AB";
      seen.sequence = 1;
      seen.real = 1;
      stand.schedules.push_back(seen);
    }
    const std::int64_t c = now();
    PositionSample last = groundSample(stop, 0, c + 300);
    last.stationary = true;
    LiveAircraft& a = onGround({groundSample(offset(stop, -20, 0), 4, c), last}, FlightPhase::Taxi, 0.0);
    a.previousPhase = r.before;
    a.pendingSteps = r.pending;
    a.flags.towed = r.towed;
    orv::lf_groundLegSetup(run, a);
    EXPECT_EQ(a.phase, r.parks ? FlightPhase::Parking : FlightPhase::Taxi);
    if (!r.parks) continue;
    EXPECT_EQ(a.standId, stand.number);
    ASSERT_EQ(a.stream.size(), 3u);
    const PositionSample& onStand = a.stream[1];
    EXPECT_DOUBLE_EQ(onStand.latitude, stand.latitude);
    EXPECT_DOUBLE_EQ(onStand.longitude, stand.longitude);
    EXPECT_FALSE(onStand.stationary);
    EXPECT_TRUE(a.stream[2].stationary);
    // A ground report: a split of a later leg from it (the push back's) stays on the ground.
    EXPECT_EQ(onStand.altitudeFt, 0.0);
    EXPECT_FALSE(onStand.airborne);
    // Rolled on at the stand speed from where it is, and stopped half a second later.
    const double rollNm = orv::gf_distanceNm(offset(stop, -20, 0), Position{stand.latitude, stand.longitude});
    EXPECT_EQ(a.stream[2].dueCycle - c,
              std::max<std::int64_t>(std::llround(rollNm / 0.6 * 360000.0), 100) + 50);
    EXPECT_LT(onStand.dueCycle, a.stream[2].dueCycle);
    EXPECT_EQ(a.pendingSteps, 0);
    // Tried once for that newest report.
    a.phase = FlightPhase::Taxi;
    a.stream.resize(1);
    a.stream.push_back(last);
    orv::lf_groundLegSetup(run, a);
    EXPECT_EQ(a.phase, FlightPhase::Taxi);
  }
}

TEST_F(GroundLegs, ParkingRemovesALiveAircraftParkedOnTheStandButSparesTheUsersStand) {
  ground_test::ScopedUserAircraft::parkAt(offset(kField, -600, 0));
  const Position stop = offset(kField, -500, 0);
  stands.add("U1", offset(stop, 0, 10), 0.0);
  stands.add("U2", offset(kField, -600, 0), 0.0);
  const orv::Stand& taken = orv::gf_parkStands()[0];
  const orv::Stand& users = orv::gf_parkStands()[1];
  LiveAircraft& parked = parkedAt(taken);
  parked.key = 40002;
  parked.callsign = "DLH9";
  for (const orv::Stand* stand : {&taken, &users}) {
    const Position near = offset(Position{stand->latitude, stand->longitude}, 0, -10);
    const std::int64_t c = now();
    PositionSample last = groundSample(near, 0, c + 300);
    last.stationary = true;
    LiveAircraft& a = onGround({groundSample(offset(near, -20, 0), 4, c), last}, FlightPhase::Taxi, 0.0);
    orv::lf_groundLegSetup(run, a);
    if (stand == &taken) {
      EXPECT_EQ(a.phase, FlightPhase::Parking);
      EXPECT_EQ(run.traffic.liveList.front().state, SimState::RemovingFromSim);
      EXPECT_TRUE(logHas("U1      : DLH9     removed, DLH4AB wants to park there"));
    } else {
      EXPECT_EQ(a.phase, FlightPhase::Taxi) << "the user aircraft stands there";
    }
  }
}

TEST_F(GroundLegs, ReportsAtTheStandStartTheDepartureOnceTheAircraftMovesAway) {
  struct Row {
    const char* name;
    FlightPhase before;          // the phase before it parked
    std::vector<double> metres;  // west of the stand, one report each
    std::vector<bool> accepted;
    bool departing;
    SimState state;
  } const rows[] = {
      {"creeping: three moves but less than half a span",
       FlightPhase::Parking,
       {3, 6.5, 10, 13.5},
       {false, false, false, false},
       false,
       SimState::Active},
      {"three moves and half a span",
       FlightPhase::Parking,
       {3, 6.5, 10, 13.5, 24},
       {false, false, false, false, true},
       true,
       SimState::Active},
      {"more than a span at once", FlightPhase::Parking, {3, 40}, {false, true}, true, SimState::Active},
      {"spawned there, 100 m away", FlightPhase::Birth, {100}, {true}, true, SimState::Active},
      {"arrived there, 100 m away", FlightPhase::Parking, {100}, {false}, false, SimState::Active},
      {"arrived there, 180 m away", FlightPhase::Parking, {180}, {true}, true, SimState::Active},
      {"beyond 200 m", FlightPhase::Parking, {250}, {false}, false, SimState::RemovingFromSim},
  };
  int count = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    ++count;
    orv::Stand& stand = stands.add("D" + std::to_string(count), offset(kField, 300, 60.0 * count), 90.0);
    const Position at{stand.latitude, stand.longitude};
    LiveAircraft& a = parkedAt(stand);
    a.previousPhase = r.before;
    stand.occupied = true;
    for (std::size_t i = 0; i < r.metres.size(); ++i) {
      PositionSample s = groundSample(offset(at, 0, -r.metres[i]), 0, now() + 3000, 270.0);
      EXPECT_EQ(orv::appendSample(run, a, s), r.accepted[i]) << r.metres[i];
      EXPECT_TRUE(a.flags.reportedAtStand);
    }
    EXPECT_EQ(a.flags.departing, r.departing);
    EXPECT_EQ(a.state, r.state);
    EXPECT_EQ(a.phase, FlightPhase::Parked);
    if (r.departing) {
      EXPECT_FALSE(stand.occupied);
      EXPECT_EQ(a.stream.front().dueCycle, now() + 1) << "its week at the stand ends now";
      ASSERT_EQ(stand.schedules.size(), 1u);
      EXPECT_EQ(stand.schedules[0].cpl, 1) << "recorded as it leaves";
    }
    if (r.state == SimState::RemovingFromSim) {
      EXPECT_EQ(stand.schedules.size(), 1u) << "recorded far from it";
    }
    if (!r.departing && r.state == SimState::Active) {
      EXPECT_TRUE(stand.schedules.empty());
    }
  }
}

TEST_F(GroundLegs, AnAircraftThatLandedAndMovesSoonAfterParkingIsTowed) {
  struct Row {
    const char* model;
    orv::ModelClass modelClass;
    int minutes;
    bool towed;
  } const rows[] = {
      {"B744", orv::ModelClass::Heavy, 59, true},  {"B744", orv::ModelClass::Heavy, 61, false},
      {"A320", orv::ModelClass::Large, 24, true},  {"A320", orv::ModelClass::Large, 26, false},
      {"CL60", orv::ModelClass::Buzjet, 14, true}, {"CL60", orv::ModelClass::Buzjet, 16, false},
      {"C172", orv::ModelClass::Light, 1, false},
  };
  int count = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.model) + " " + std::to_string(r.minutes));
    run.traffic = orv::TrafficState{};
    ++count;
    orv::Stand& stand =
        stands.add("W" + std::to_string(count), offset(kField, 500, 60.0 * count), 90.0, 40.0);
    LiveAircraft& a = parkedAt(stand, r.model);
    ASSERT_EQ(a.modelClass, r.modelClass);
    a.flags.landed = true;
    a.stream.front().dueCycle = now() - r.minutes * 6000 + std::int64_t{604800} * 100;
    const Position at{stand.latitude, stand.longitude};
    ASSERT_TRUE(orv::appendSample(run, a, groundSample(offset(at, 0, -180), 5, now() + 3000, 270.0)));
    EXPECT_EQ(a.flags.towed, r.towed);
    EXPECT_FALSE(a.flags.landed);
  }
}

TEST_F(GroundLegs, APushedBackAircraftTaxisOffOnceItsReportsLeaveTheSpot) {
  struct Row {
    const char* name;
    std::vector<double> metres;  // south of the aircraft
    std::vector<bool> accepted;
  } const rows[] = {
      {"near, then farther on", {60, 70}, {false, true}},
      {"near, then back nearer", {60, 55}, {false, false}},
      {"beyond six half spans", {110}, {true}},
      {"within 2.75 half spans", {40, 45}, {false, false}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    const Position here = offset(kField, -800, 0);
    PositionSample hold = groundSample(here, 0, now() + 200);
    hold.stationary = true;
    LiveAircraft& a = onGround({hold}, FlightPhase::PushedBack, 180.0);
    a.standId = 3;
    a.atStand = true;
    a.leg.lastDistanceNm = 900.0;
    for (std::size_t i = 0; i < r.metres.size(); ++i)
      EXPECT_EQ(
          orv::appendSample(run, a, groundSample(offset(here, -r.metres[i], 0), 8, now() + 3000, 180.0)),
          r.accepted[i])
          << r.metres[i];
    const bool off = r.accepted.back();
    EXPECT_EQ(a.phase, off ? FlightPhase::Taxi : FlightPhase::PushedBack);
    EXPECT_EQ(a.leg.holding, !off);
    if (off) {
      EXPECT_EQ(a.standId, 0u);
      EXPECT_FALSE(a.atStand);
      EXPECT_EQ(a.stream.front().dueCycle, now() + 1);
    }
  }
}

}  // namespace

namespace {

// A whole turnaround through the main cycle's live-traffic step, cycle by cycle on the cycle
// counter: reports reach the cycle at their data time (seconds after the start), and the
// simulator creates the aircraft when asked.
class Turnaround : public ground_test::StandFixture {
 protected:
  struct Report {
    double time;
    Position at;
    double speedKt;
    double trackDeg;
  };

  orv::TrafficRecord record(const Report& r) const {
    orv::TrafficRecord t;
    t.model = orv::gf_modelId("A320");
    t.callsign = "DLH4AB";
    t.registration = "D-AIPA";
    PositionSample& p = t.position;
    p.address = 40001;
    p.dataTime = 1796803213.0 + r.time;
    p.latitude = r.at.latitude;
    p.longitude = r.at.longitude;
    p.groundSpeedKt = r.speedKt;
    p.trueAirspeedKt = r.speedKt;
    p.trackDeg = r.trackDeg;
    p.dueCycle = now() + orv::kPlaybackDelayCycles;
    return t;
  }

  // Cycles until the data time; the reports due by then are handed to the cycle.
  void runUntil(double time) {
    while (now() < start + static_cast<std::int64_t>(time * 100.0)) {
      while (next < reports.size() && start + static_cast<std::int64_t>(reports[next].time * 100.0) <= now())
        run.adding.append(record(reports[next++]));
      orv::lf_handleAddingStack(run);
      if (sim.creations.size() > created) {
        orv::gf_postSimMessage(orv::SimMessage{901, sim.creations[created++].key, 0,
                                               orv::SimMessageKind::LiveCreated, 0.0, 0.0});
      }
      if (LiveAircraft* a = orv::gf_findLiveByKey(run.traffic.liveList, 40001)) {
        if (a->halfWingSpanNm == 0.0) a->halfWingSpanNm = ground_test::kA320HalfSpanNm;
        if (phases.empty() || phases.back() != a->phase) {
          phases.push_back(a->phase);
          places.push_back(Position{a->latitude, a->longitude});
          headings.push_back(headingDeg(*a));
        }
      }
    }
  }

  // Reports along the way at the speed, one every `every` seconds from the time on; the time
  // after the last.
  double along(double time, std::vector<Position> way, double speedKt, double every) {
    const double step = speedKt * 1852.0 / 3600.0 * every;
    Position at = way.front();
    double left = 0.0;
    for (std::size_t i = 1; i < way.size(); ++i) {
      const double legMetres = metresBetween(way[i - 1], way[i]);
      const double track = orv::gf_bearingRad(way[i - 1], way[i]) * orv::kRadToDeg;
      double done = step - left;
      while (done <= legMetres) {
        const double share = done / legMetres;
        at = Position{way[i - 1].latitude + share * (way[i].latitude - way[i - 1].latitude),
                      way[i - 1].longitude + share * (way[i].longitude - way[i - 1].longitude)};
        reports.push_back({time, at, speedKt, track});
        time += every;
        done += step;
      }
      left = legMetres - (done - step);
    }
    return time;
  }

  std::int64_t start = now();
  std::vector<Report> reports;
  std::size_t next = 0;
  std::size_t created = 0;
  std::vector<FlightPhase> phases;
  std::vector<Position> places;  // where each phase began
  std::vector<double> headings;  // and the heading then
};

TEST_F(Turnaround, TaxiInParkPushBackAndTaxiOut) {
  ScopedSetting straightOnly(orv::cfg::STRAIGHT_PBS_ONLY, false);
  ScopedSetting maxLive(orv::cfg::MAX_LIVE_SEL, 500);
  run.adding.setOpen(true);
  orv::gf_rememberTitle(run.traffic.titles, 40001, "Airbus A320 Lufthansa");
  const orv::Stand& stand = stands.add("A12", kField, 90.0);
  const Position at{stand.latitude, stand.longitude};

  // In from the south, a turn east onto the stand's line, stopping 3 m short of the stand.
  double t = along(0.0, {offset(at, -250, -60), offset(at, 0, -60), offset(at, 0, -20)}, 15.0, 3.0);
  reports.push_back({t, offset(at, 0, -8), 5.0, 90.0});
  for (int i = 1; i <= 12; ++i) reports.push_back({t + 20.0 * i, offset(at, 0, -3), 0.0, 90.0});
  // Pushed back west, then to taxi out south.
  for (int i = 0; i < 3; ++i)
    reports.push_back({300.0 + 14.0 * i, offset(at, 0, -10.0 - 7.0 * i), 3.0, 270.0});
  reports.push_back({342.0, offset(at, 0, -45), 3.0, 180.0});
  for (int i = 0; i < 12; ++i) reports.push_back({360.0 + 20.0 * i, offset(at, 10, -50), 0.0, 180.0});
  along(605.0, {offset(at, 10, -50), offset(at, -400, -50)}, 15.0, 3.0);

  runUntil(300.0);
  ASSERT_EQ(phases, (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Taxi, FlightPhase::Parking,
                                              FlightPhase::Parked}));
  EXPECT_TRUE(logHas("A12     : DLH4AB   arrived at stand"));
  EXPECT_LT(metresBetween(places.back(), at), 2.0);
  LiveAircraft& a = *orv::gf_findLiveByKey(run.traffic.liveList, 40001);
  EXPECT_EQ(a.standId, stand.number);
  EXPECT_LT(headingGap(headingDeg(a), 90.0), 1.0);

  runUntil(660.0);
  EXPECT_EQ(phases, (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Taxi, FlightPhase::Parking,
                                              FlightPhase::Parked, FlightPhase::PushingBack,
                                              FlightPhase::PushedBack, FlightPhase::Taxi}));
  ASSERT_EQ(places.size(), 7u);
  // Pushed back 50 m, the nose swung to the south where it taxis out.
  EXPECT_LT(metresBetween(places[5], offset(at, 17.9, -50)), 1.0);
  EXPECT_LT(headingGap(headings[5], 180.0), 1.0);
  const LiveAircraft& out = *orv::gf_findLiveByKey(run.traffic.liveList, 40001);
  EXPECT_EQ(out.state, SimState::Active);
  EXPECT_EQ(out.standId, 0u);
  EXPECT_LT(out.latitude, offset(at, -50, 0).latitude) << "on its way south";
  EXPECT_LT(headingGap(headingDeg(out), 180.0), 3.0);
}

}  // namespace
