#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>
#include <limits>
#include <string>

#include "config/parameters.h"
#include "foundation/geometry.h"
#include "live_run_fixture.h"
#include "liveries/livery_tables.h"
#include "refdata/codes.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_messages.h"
#include "support/recorders.h"
#include "support/scoped_dbase.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/cycle.h"
#include "traffic/flight_phases.h"
#include "traffic/leg_math.h"
#include "traffic/live_cycle.h"
#include "traffic/spawning.h"
#include "traffic/traffic_run.h"

namespace {

using orv::FlightPhase;
using orv::LiveAircraft;
using orv::PositionSample;
using orv::SimState;
using testing_support::ScopedSetting;

TEST(LegMath, LongitudeDifferencesGoTheShortWayRound) {
  struct Row {
    double from, to, delta;
  } const rows[] = {{179.9, -179.9, 0.2},
                    {-179.9, 179.9, -0.2},
                    {10.0, 20.0, 10.0},
                    {0.0, 180.0, -180.0},
                    {-170.0, 170.0, -20.0}};
  for (const Row& r : rows)
    EXPECT_NEAR(orv::gf_longitudeDelta(r.from, r.to), r.delta, 1e-9) << r.from << " " << r.to;
  EXPECT_NEAR(orv::gf_wrapLongitude(180.0), -180.0, 1e-12);
  EXPECT_NEAR(orv::gf_wrapLongitude(-190.0), 170.0, 1e-9);
  EXPECT_EQ(orv::gf_wrapHeading(orv::kTwoPi), 0.0);
  EXPECT_EQ(orv::gf_wrapHeading(6.28318530717900), 0.0);
  EXPECT_NEAR(orv::gf_wrapHeading(-orv::kPi / 2), 1.5 * orv::kPi, 1e-12);
  EXPECT_NEAR(orv::gf_turnRad(0.1, orv::kTwoPi - 0.1), -0.2, 1e-12);
}

PositionSample sampleAt(double latitude, double longitude, double speed, std::int64_t due,
                        bool airborne = true) {
  PositionSample s;
  s.latitude = latitude;
  s.longitude = longitude;
  s.groundSpeedKt = speed;
  s.trueAirspeedKt = speed;
  s.altitudeFt = airborne ? 3000.0 : 0.0;
  s.airborne = airborne;
  s.dueCycle = due;
  s.address = 30001;
  return s;
}

TEST(LegSpeed, NeverBelowOneKnotAndZeroWhileMovingTakesTheImpliedSpeed) {
  // 0.01 degree of latitude is 0.6 nm; over 1000 cycles (10 s) that is 216 kt.
  const PositionSample o = sampleAt(50.0, 8.0, 0.0, 1000, false);
  const PositionSample n = sampleAt(50.01, 8.0, 0.0, 2000, false);
  const PositionSample same = sampleAt(50.0, 8.0, 0.0, 2000, false);
  struct Row {
    const char* name;
    PositionSample a, b;
    double speed, tolerance;
  } const rows[] = {
      {"both report 0 over 0.6 nm", o, n, 216.0, 0.5},
      {"one reports 0 over 0.6 nm", o, sampleAt(50.01, 8.0, 100.0, 2000, false), 158.0, 0.5},
      {"both moving: the mean", sampleAt(50.0, 8.0, 100.0, 1000, false),
       sampleAt(50.01, 8.0, 140.0, 2000, false), 120.0, 1e-9},
      {"standing still: at least 1 kt", o, same, 1.0, 0.0},
      {"crawling: at least 1 kt", sampleAt(50.0, 8.0, 0.2, 1000, false),
       sampleAt(50.0, 8.0, 0.4, 2000, false), 1.0, 0.0},
  };
  for (const Row& r : rows) EXPECT_NEAR(orv::lf_legSpeed(r.a, r.b), r.speed, r.tolerance) << r.name;
}

TEST(LegCycles, ACountThatDoesNotFitRaisesTheNarrowingError) {
  EXPECT_EQ(orv::lf_wholeCycles(1300.5), 1301);
  EXPECT_EQ(orv::lf_wholeCycles(-2.5), -3);
  EXPECT_THROW((void)orv::lf_wholeCycles(3.0e9), gsl::narrowing_error);
  EXPECT_THROW((void)orv::lf_wholeCycles(std::numeric_limits<double>::quiet_NaN()), gsl::narrowing_error);
}

class MotionTest : public traffic_test::LiveRunFixture {
 protected:
  MotionTest()
      : LiveRunFixture(
            traffic_test::smallDbase("BAW", "EGLL", R"(<d r="G-EUUA" a="BAW" m="A320" o="BAW"/>)")) {}

  static std::int64_t now() { return orv::gf_cycleCounter(); }

  // A buffered aircraft with its stream; its key 30001.
  LiveAircraft& aircraft(std::initializer_list<PositionSample> samples, std::string callsign = "BAW123") {
    orv::TrafficRecord r;
    r.model = orv::gf_modelId("A320");
    r.callsign = std::move(callsign);
    r.registration = "G-MOVE";
    r.position = *samples.begin();
    auto head = orv::gf_makeAircraftHead(r, orv::AircraftKind::Live);
    auto& list = run.traffic.liveList;
    list.emplace_back(r.position, head, 100.0);
    LiveAircraft& a = list.back();
    for (auto it = samples.begin() + 1; it != samples.end(); ++it) a.stream.push_back(*it);
    return a;
  }
  // Spawned and settled in the simulator, object 77.
  LiveAircraft& active(std::initializer_list<PositionSample> samples) {
    LiveAircraft& a = aircraft(samples);
    a.phase = samples.begin()->airborne ? FlightPhase::Flying : FlightPhase::Taxi;
    orv::lf_placeAtFirstSample(run, a);
    a.state = SimState::Active;
    a.objectId = 77;
    a.onGround = !samples.begin()->airborne;
    return a;
  }
  // Cycles of this aircraft alone.
  void play(LiveAircraft& a, int cycles) {
    for (int i = 0; i < cycles && a.state == SimState::Active; ++i) {
      (void)orv::updateLiveAc(run, a);
      orv::gf_advanceCycleCounter();
    }
  }

  // Cycles with the simulator's ground under the aircraft at `groundFt`: it reports the height
  // over the ground and the touchdown, as the simulator does.
  void fly(LiveAircraft& a, int cycles, double groundFt) {
    for (int i = 0; i < cycles && a.state == SimState::Active; ++i) {
      (void)orv::updateLiveAc(run, a);
      orv::gf_advanceCycleCounter();
      a.aglFt = a.altitudeFt - groundFt;
      if (!a.onGround && a.aglFt <= a.staticCgHeightFt) {
        orv::gf_postSimMessage(orv::SimMessage{77, 1, 0, orv::SimMessageKind::GroundData, groundFt, 0.0});
        orv::gf_handleSimMessages(run);
      }
      if (a.onGround && !touchdown) touchdown = orv::Position{a.latitude, a.longitude};
    }
  }
  [[nodiscard]] bool sent(std::uint32_t eventId, std::uint32_t value) const {
    return std::any_of(sim.events.begin(), sim.events.end(),
                       [&](const orv::SimEvent& e) { return e.eventId == eventId && e.value == value; });
  }

  std::optional<orv::Position> touchdown;
  orv::LiveryTables emptyTables;  // no livery matches
};

TEST_F(MotionTest, ABufferedAircraftWaitsIsDroppedOrSpawned) {
  ScopedSetting maxLive(orv::cfg::MAX_LIVE_SEL, 500);
  ScopedSetting blocked(orv::cfg::BLOCK_CALLSIGN, std::string("BAW999"));
  const std::int64_t c = now();
  struct Row {
    const char* name;
    std::vector<PositionSample> stream;
    std::string callsign;
    bool titled;
    bool drop;
    SimState state;
    std::size_t size;
  };
  const PositionSample air1 = sampleAt(50.0, 8.0, 200, c + 50);
  const PositionSample air2 = sampleAt(50.01, 8.0, 200, c + 850);
  const PositionSample ground1 = sampleAt(50.0, 8.0, 10, c + 250, false);
  const PositionSample ground2 = sampleAt(50.0005, 8.0, 10, c + 550, false);
  const Row rows[] = {
      {"due in 1.5 s: not yet",
       {sampleAt(50.0, 8.0, 200, c + 150), air2},
       "BAW123",
       true,
       false,
       SimState::Buffer,
       2},
      {"airborne, due within 1 s: spawned", {air1, air2}, "BAW123", true, false, SimState::Adding2Sim, 2},
      {"rolling on the ground, due within 3 s: spawned",
       {ground1, ground2},
       "BAW123",
       true,
       false,
       SimState::Adding2Sim,
       2},
      {"a single sample", {air1}, "BAW123", true, true, SimState::Buffer, 1},
      {"ground then air: the oldest goes", {ground1, air2, air2}, "BAW123", true, false, SimState::Buffer, 2},
      {"the blocked callsign", {air1, air2}, "BAW999", true, true, SimState::Buffer, 2},
      {"a callsign of 9 characters", {air1, air2}, "BAW123456", true, true, SimState::Buffer, 2},
      {"no callsign", {air1, air2}, "@@@@@@@@", true, true, SimState::Buffer, 2},
      {"no livery", {air1, air2}, "BAW123", false, true, SimState::Buffer, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    run.traffic.liverySources.tables = &emptyTables;
    LiveAircraft& a = aircraft({row.stream.front()}, row.callsign);
    for (std::size_t i = 1; i < row.stream.size(); ++i) a.stream.push_back(row.stream[i]);
    if (row.titled) orv::gf_rememberTitle(run.traffic.titles, a.key, "Airbus A320 British");
    orv::lf_trySpawnLiveAc(run, a);
    EXPECT_EQ(a.drop, row.drop);
    EXPECT_EQ(a.state, row.state);
    EXPECT_EQ(a.stream.size(), row.size);
    const bool stacked = !run.traffic.addingStack.empty();
    EXPECT_EQ(stacked, row.state == SimState::Adding2Sim);
    if (stacked) {
      EXPECT_EQ(a.liveryTitle, "Airbus A320 British");
      EXPECT_EQ(a.phase, row.stream.front().airborne ? FlightPhase::Flying : FlightPhase::Taxi);
      EXPECT_DOUBLE_EQ(a.latitude, row.stream.front().latitude);
    }
  }
}

TEST_F(MotionTest, NoLiveryIsRememberedUntilTheSetIsEmptied) {
  run.traffic.liverySources.tables = &emptyTables;
  const std::int64_t c = now();
  LiveAircraft& a = aircraft({sampleAt(50.0, 8.0, 200, c + 50), sampleAt(50.01, 8.0, 200, c + 850)});
  orv::lf_trySpawnLiveAc(run, a);
  ASSERT_TRUE(a.drop);
  EXPECT_TRUE(run.traffic.noLivery.contains(orv::gf_noLiveryKey(a)));
  // Known without livery: dropped before any matching, even with a remembered title.
  a.drop = false;
  orv::gf_rememberTitle(run.traffic.titles, a.key, "Airbus A320 British");
  orv::lf_trySpawnLiveAc(run, a);
  EXPECT_TRUE(a.drop);
  orv::emptyNoLiverySet(run);
  a.drop = false;
  orv::lf_trySpawnLiveAc(run, a);
  EXPECT_FALSE(a.drop);
  EXPECT_EQ(a.state, SimState::Adding2Sim);
}

TEST_F(MotionTest, NoRoomForLiveAircraftDropsTheNewcomer) {
  const std::int64_t c = now();
  for (int limit : {0, 1}) {
    SCOPED_TRACE(limit);
    ScopedSetting maxLive(orv::cfg::MAX_LIVE_SEL, limit);
    run.traffic = orv::TrafficState{};
    run.traffic.addingStack.push_back(1);  // one aircraft already on its way
    LiveAircraft& a = aircraft({sampleAt(50.0, 8.0, 200, c + 50), sampleAt(50.01, 8.0, 200, c + 850)});
    orv::gf_rememberTitle(run.traffic.titles, a.key, "Airbus A320 British");
    orv::lf_trySpawnLiveAc(run, a);
    EXPECT_TRUE(a.drop);
  }
}

TEST_F(MotionTest, TheFirstPlacementPointsAtTheNextSampleAndPitchesByTheClimb) {
  const std::int64_t c = now();
  PositionSample climbing = sampleAt(50.0, 8.0, 200, c);
  climbing.verticalSpeedFpm = 1200.0;
  LiveAircraft& a = aircraft({climbing, sampleAt(50.0, 8.01, 200, c + 800)});
  a.phase = FlightPhase::Flying;
  orv::lf_placeAtFirstSample(run, a);
  EXPECT_NEAR(a.headingRad, orv::kPi / 2, 0.01);
  // -3 degrees less 1200 x 2.2 / 600 degrees.
  EXPECT_NEAR(a.pitchRad, (-3.0 - 4.4) * orv::kDegToRad, 1e-12);
  orv::lf_placeAtFirstSample(run, a);
  EXPECT_EQ(std::count(run.traffic.arrivalChecks.begin(), run.traffic.arrivalChecks.end(), a.key), 1);
}

TEST_F(MotionTest, AStraightLegReachesItsSampleWhenItIsDue) {
  const std::int64_t c = now();
  // 0.02 degrees east at 50 N over 8 s is 347 kt: the leg keeps its timing.
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 347.1, c), sampleAt(50.0, 8.02, 347.1, c + 800),
                            sampleAt(50.0, 8.04, 347.1, c + 1600)});
  play(a, 801);
  EXPECT_NEAR(a.longitude, 8.02, 0.0005);
  EXPECT_NEAR(a.latitude, 50.0, 1e-6);
  EXPECT_NEAR(a.headingRad, orv::kPi / 2, 0.01);
  ASSERT_FALSE(sim.positions.empty());
  EXPECT_EQ(sim.positions.back().objectId, 77u);
  EXPECT_DOUBLE_EQ(sim.positions.back().longitude, a.longitude);
}

TEST_F(MotionTest, ALegAcrossTheAntimeridianIsFlownTheShortWay) {
  const std::int64_t c = now();
  // 0.02 degrees at 10 N in 8 s: 532 kt.
  LiveAircraft& a = active({sampleAt(10.0, 179.99, 531.8, c), sampleAt(10.0, -179.99, 531.8, c + 800),
                            sampleAt(10.0, -179.97, 531.8, c + 1600)});
  double largest = 0.0;
  double previous = a.longitude;
  for (int i = 0; i < 900; ++i) {
    play(a, 1);
    largest = std::max(largest, std::abs(orv::gf_longitudeDelta(previous, a.longitude)));
    previous = a.longitude;
    ASSERT_GE(a.longitude, -180.0);
    ASSERT_LT(a.longitude, 180.0);
  }
  EXPECT_LT(largest, 0.001);
  EXPECT_GT(a.longitude, -179.99);
  EXPECT_LT(a.longitude, -179.97);
}

TEST_F(MotionTest, ReportsThatStopAreExtrapolatedEightTimesSlowerThenTheAircraftGoes) {
  const std::int64_t c = now();
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.02, 200, c + 800)});
  std::vector<double> speeds;
  for (int i = 0; i < 12000 && a.state == SimState::Active; ++i) {
    const std::size_t before = a.stream.size();
    play(a, 1);
    if (a.stream.size() >= 2 && before < 2) speeds.push_back(a.stream.back().groundSpeedKt);
    if (a.pendingSteps > 0 && a.stream.size() == 2 && speeds.empty())
      speeds.push_back(a.stream.back().groundSpeedKt);
  }
  EXPECT_EQ(a.state, SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.removalIds.size(), 1u);
  // Extrapolated for 8 samples of 8 s after the last report, then gone.
  EXPECT_GE(now() - c, 800 + 8 * 800 - 100);
  EXPECT_LE(now() - c, 800 + 9 * 800 + 100);
  EXPECT_NEAR(a.trueAirspeedKt, 200.0 * std::pow(0.95, 8), 20.0);
}

TEST_F(MotionTest, NothingNonFiniteReachesTheSimulator) {
  const std::int64_t c = now();
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 200, c + 5), sampleAt(50.0, 8.02, 200, c + 800)});
  play(a, 10);
  const std::size_t sent = sim.positions.size();
  a.leg.altitudeStepFt = std::numeric_limits<double>::quiet_NaN();
  play(a, 5);
  EXPECT_EQ(sim.positions.size(), sent);
  EXPECT_EQ(a.state, SimState::RemovingFromSim);
  for (const auto& p : sim.positions) EXPECT_TRUE(std::isfinite(p.altitude));
}

TEST_F(MotionTest, AnErrorInTheUpdateIsLoggedAndRemovesTheAircraft) {
  const std::int64_t c = now();
  // Half way round the world at 1 kt: a leg of more cycles than an int holds.
  PositionSample far = sampleAt(-50.0, -172.0, 0.5, c + 800);
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 0.5, c), far});
  a.leg.maxDelay = 1 << 30;
  play(a, 3);
  EXPECT_EQ(a.state, SimState::RemovingFromSim);
  const auto body = testing_support::logBody();
  EXPECT_EQ(std::count_if(body.begin(), body.end(),
                          [](const std::string& l) { return l.find("updateLiveAc: ") != std::string::npos; }),
            1);
}

TEST_F(MotionTest, AStreamOfMoreThan200SamplesRemovesTheAircraftAndRefusesTheSample) {
  const std::int64_t c = now();
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.02, 200, c + 800)});
  for (int i = 0; a.stream.size() <= 200; ++i)
    a.stream.push_back(sampleAt(50.0, 8.03 + i * 0.01, 200, c + 900 + i));
  const std::size_t size = a.stream.size();
  EXPECT_FALSE(orv::appendSample(run, a, sampleAt(51.0, 8.0, 200, c + 5000)));
  EXPECT_EQ(a.stream.size(), size);
  EXPECT_EQ(a.state, SimState::RemovingFromSim);
}

TEST_F(MotionTest, TheBirthFilterRefusesRepeatsInTheAirAndStillsThemOnTheGround) {
  const std::int64_t c = now();
  struct Row {
    const char* name;
    PositionSample first, next;
    bool accepted, stationary;
  } const rows[] = {
      {"airborne at the same spot", sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.0, 200, c + 300), false,
       false},
      {"airborne 0.0001 degree on", sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.0001, 200, c + 300), false,
       false},
      {"airborne further on", sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.01, 200, c + 300), true, false},
      {"on the ground at the same spot", sampleAt(50.0, 8.0, 5, c, false),
       sampleAt(50.0, 8.0, 5, c + 300, false), true, true},
      {"on the ground 0.0001 degree on", sampleAt(50.0, 8.0, 5, c, false),
       sampleAt(50.0, 8.0001, 5, c + 300, false), true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    LiveAircraft& a = aircraft({row.first});
    EXPECT_EQ(orv::appendSample(run, a, row.next), row.accepted);
    ASSERT_EQ(a.stream.size(), row.accepted ? 2u : 1u);
    if (!row.accepted) continue;
    EXPECT_EQ(a.stream.back().stationary, row.stationary);
    if (row.stationary) {
      EXPECT_EQ(a.stream.back().groundSpeedKt, 0.0);
      EXPECT_DOUBLE_EQ(a.stream.back().longitude, row.first.longitude);
    }
    EXPECT_GT(a.stream.back().dueCycle, a.stream.front().dueCycle);
  }
}

TEST_F(MotionTest, ALateStartPlaysTheStreamThatMuchLater) {
  const std::int64_t c = now();
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 200, c - 400), sampleAt(50.0, 8.02, 200, c + 400)});
  play(a, 1);
  EXPECT_EQ(a.lateCycles, 400);
  // Shifted by the lateness, the first leg keeps its 8 s instead of a dash.
  EXPECT_GE(a.stream.front().dueCycle, c + 790);
  EXPECT_TRUE(orv::appendSample(run, a, sampleAt(50.0, 8.04, 200, c + 1200)));
  EXPECT_EQ(a.stream.back().dueCycle, c + 1600);
}

TEST_F(MotionTest, ARetimedSampleStaysWithinTheMaxAdvanceAndDelay) {
  const std::int64_t c = now();
  struct Row {
    const char* name;
    std::int64_t due, cycles;
    std::int32_t pending;
    std::int64_t expected;
  } const rows[] = {
      {"within the limits", c + 2000, 1500, 0, c + 1500},
      {"later than the max delay", c + 2000, 5000, 0, c + 3000},
      {"earlier than the max advance", c + 2000, 25, 0, c + 1000},
      {"at least 25 cycles", c + 500, 3, 0, c + 25},
      {"with steps pending: the target itself", c + 2000, 5000, 2, c + 5000},
      {"an overdue sample is never played before now", c - 5000, 25, 0, c},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    LiveAircraft& a = aircraft({sampleAt(50.0, 8.0, 200, c), sampleAt(50.0, 8.02, 200, row.due)});
    a.pendingSteps = row.pending;
    orv::lf_retimeNextSample(a, row.cycles);
    EXPECT_EQ(a.stream[1].dueCycle, row.expected);
  }
}

TEST_F(MotionTest, ATaxiingAircraftWhoseReportsStopHoldsForTheHoldingTime) {
  ScopedSetting holding(orv::cfg::MAX_HOLDING_MINUTES, 1);
  ScopedSetting airborneOnly(orv::cfg::AIRBORNE_ONLY, false);
  for (const bool crowded : {false, true}) {
    SCOPED_TRACE(crowded ? "another taxiing aircraft beside it" : "alone");
    run.traffic = orv::TrafficState{};
    const std::int64_t c = now();
    active({sampleAt(50.0, 8.0, 10, c, false), sampleAt(50.0, 8.0005, 10, c + 300, false)});
    if (crowded) {
      LiveAircraft& other = aircraft({sampleAt(50.0, 8.0005, 0, c + 100000, false)});
      other.key = 30002;
      other.state = SimState::Active;
      other.phase = FlightPhase::Taxi;
      other.onGround = true;
      other.latitude = 50.0;
      other.longitude = 8.0005;
    }
    LiveAircraft& own = run.traffic.liveList.front();
    // Half spans of 18 m: the other one stands within 1.2 times their sum.
    for (LiveAircraft& x : run.traffic.liveList) x.halfWingSpanNm = 0.0097;
    int cycles = 0;
    while (own.state == SimState::Active && cycles < 20000) {
      play(own, 1);
      ++cycles;
    }
    EXPECT_EQ(own.state, SimState::RemovingFromSim);
    if (crowded) {
      EXPECT_LT(cycles, 1000);
    } else {
      // One minute of holding after its last report.
      EXPECT_GT(cycles, 6000);
      EXPECT_LT(cycles, 8000);
      EXPECT_NEAR(own.longitude, 8.0005, 1e-6);
    }
  }
}

TEST_F(MotionTest, AnArrivalIsConfiguredFlaresTouchesDownAndRollsOut) {
  constexpr double kField = 364.0;
  run.trafficReader.setParkAirport(orv::ParkAirportView{{50.0, 8.0}, kField});
  const std::int64_t c = now();
  // A 3 degree approach from the north at 140 kt, a sample every 8 s; then the roll-out, every 3 s.
  std::vector<PositionSample> samples;
  for (int i = 0; i < 11; ++i) {
    PositionSample s = sampleAt(50.05 - i * 0.311 / 60.0, 8.0, 140.0, c + 800 * i);
    s.altitudeFt = kField + 1100.0 - 99.0 * i;
    s.verticalSpeedFpm = -745.0;
    samples.push_back(s);
  }
  const double speeds[] = {130, 110, 90, 70};
  double latitude = samples.back().latitude;
  for (int i = 0; i < 4; ++i) {
    latitude -= speeds[i] * (i == 0 ? 8.0 : 3.0) / 3600.0 / 60.0;
    samples.push_back(sampleAt(latitude, 8.0, speeds[i], c + 8000 + 300 * (i + 1), false));
  }
  LiveAircraft& a = active({samples[0], samples[1]});
  for (std::size_t i = 2; i < samples.size(); ++i) a.stream.push_back(samples[i]);
  a.staticCgHeightFt = 6.0;
  a.aglFt = 1100.0;
  fly(a, 900, kField);
  EXPECT_TRUE(a.flags.landing);
  EXPECT_TRUE(sent(orv::simid::kGearSet, 1));
  EXPECT_TRUE(sent(orv::simid::kFlapsSet, 16383));
  EXPECT_TRUE(sent(orv::simid::kThrottleSet, 4914));
  EXPECT_FALSE(sent(orv::simid::kSpoilersSet, 16383));
  fly(a, 20000, kField);
  ASSERT_TRUE(touchdown.has_value());
  EXPECT_TRUE(a.flags.landed);
  EXPECT_TRUE(sent(orv::simid::kSpoilersSet, 16383));
  // Down near the first ground report, not short of the field nor far beyond it.
  const auto firstGround =
      std::find_if(samples.begin(), samples.end(), [](const auto& s) { return !s.airborne; });
  ASSERT_NE(firstGround, samples.end());
  EXPECT_LT(orv::gf_distanceNm(*touchdown, orv::gf_positionOf(*firstGround)) * orv::kMetresPerNm, 500.0);
  EXPECT_EQ(a.phase, FlightPhase::Taxi);
  EXPECT_EQ(a.state, SimState::RemovingFromSim);
}

TEST_F(MotionTest, ATakeOffRollRotatesClimbsAndBecomesFlying) {
  constexpr double kField = 1416.0;
  const std::int64_t c = now();
  std::vector<PositionSample> samples;
  // Rolling north, faster each 3 s, then airborne and climbing at 2000 ft/min.
  const double speeds[] = {20, 50, 90, 130, 150, 160, 165, 170, 175, 180};
  double latitude = 47.45;
  for (int i = 0; i < 10; ++i) {
    PositionSample s = sampleAt(latitude, 8.55, speeds[i], c + 300 * i, i >= 5);
    latitude += speeds[i] * 3.0 / 3600.0 / 60.0;
    s.altitudeFt = i >= 5 ? kField + (i - 4) * 100.0 : 0.0;
    s.verticalSpeedFpm = i >= 5 ? 2000.0 : 0.0;
    samples.push_back(s);
  }
  for (int i = 0; i < 8; ++i) {
    PositionSample s = sampleAt(latitude, 8.55, 180, c + 3000 + 800 * i);
    latitude += 180.0 * 8.0 / 3600.0 / 60.0;
    s.altitudeFt = kField + 600.0 + 270.0 * i;
    s.verticalSpeedFpm = 2000.0;
    samples.push_back(s);
  }
  LiveAircraft& a = active({samples[0], samples[1]});
  for (std::size_t i = 2; i < samples.size(); ++i) a.stream.push_back(samples[i]);
  a.altitudeFt = kField + 6.0;
  a.staticCgHeightFt = 6.0;
  a.aglFt = 6.0;
  a.flags.takeOffRoll = true;
  bool tookOff = false;
  double lastGroundLatitude = 0.0;
  for (int i = 0; i < 9000 && a.state == SimState::Active; ++i) {
    fly(a, 1, kField);
    tookOff = tookOff || a.phase == FlightPhase::TakeOff;
    if (a.onGround) lastGroundLatitude = a.latitude;
  }
  EXPECT_TRUE(tookOff);
  EXPECT_EQ(a.phase, FlightPhase::Flying);
  EXPECT_FALSE(a.onGround);
  EXPECT_GT(a.altitudeFt, kField + 800.0);
  // Off the ground after the last ground report, within 400 m past the first airborne one.
  EXPECT_GT(lastGroundLatitude, samples[4].latitude - 1e-6);
  EXPECT_LT((lastGroundLatitude - samples[5].latitude) * 60.0 * orv::kMetresPerNm, 400.0);
}

// One sample left: on final a report 90 degrees or more off the heading is refused; in the
// roll-out one 150 degrees or more off is refused while extrapolating, else the stream starts
// again where the aircraft is. A faster report is slowed to the newest sample's speed above 40 kt.
TEST_F(MotionTest, ALandingTakesReportsBehindItAndFasterOnesItsOwnWay) {
  struct Row {
    const char* name;
    bool roll;
    int pending;
    double offDeg;  // of the report's bearing from the sample left, from the heading (east)
    double newestKt, reportKt;
    bool accepted;
    bool restarted;
    double takenKt;
  } const rows[] = {
      {"final, 80 degrees off", false, 0, 80.0, 140.0, 140.0, true, false, 140.0},
      {"final, 100 degrees off", false, 0, 100.0, 140.0, 140.0, false, false, 0.0},
      {"roll-out, 140 degrees off", true, 0, 140.0, 60.0, 60.0, true, false, 60.0},
      {"roll-out, 160 degrees off, extrapolating", true, 3, 160.0, 60.0, 60.0, false, false, 0.0},
      {"roll-out, 160 degrees off", true, 0, 160.0, 60.0, 60.0, true, true, 60.0},
      {"roll-out, faster", true, 0, 0.0, 70.0, 90.0, true, false, 70.0},
      {"taxi speed, faster", true, 0, 0.0, 30.0, 35.0, true, false, 35.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    const std::int64_t c = now();
    const bool air = !r.roll;
    LiveAircraft& a =
        active({sampleAt(50.0, 8.0, r.newestKt, c + 1, air), sampleAt(50.0, 8.01, r.newestKt, c + 800, air)});
    a.stream.pop_front();
    a.flags.landing = !r.roll;
    a.flags.landingRoll = r.roll;
    a.pendingSteps = r.pending;
    const orv::Position from = orv::gf_positionOf(a.stream.front());
    const orv::Position to = orv::gf_destinationPoint(from, (90.0 + r.offDeg) * orv::kDegToRad, 1500.0);
    PositionSample s = sampleAt(to.latitude, to.longitude, r.reportKt, c + 1500, air);
    EXPECT_EQ(orv::appendSample(run, a, s), r.accepted);
    ASSERT_EQ(a.stream.size(), r.accepted ? 2u : 1u);
    if (!r.accepted) continue;
    EXPECT_EQ(a.stream.back().groundSpeedKt, r.takenKt);
    EXPECT_EQ(a.stream.front().latitude == a.latitude && a.stream.front().longitude == a.longitude,
              r.restarted);
    if (r.restarted) {
      EXPECT_EQ(a.stream.front().dueCycle, c + 1);
    }
  }
}

// Reports behind the two newest samples drop both; behind only the newest, only that one.
TEST_F(MotionTest, OnFinalAReportBehindTheNewestSamplesTakesTheirPlace) {
  for (const int behind : {1, 2}) {
    SCOPED_TRACE(behind);
    run.traffic = orv::TrafficState{};
    const std::int64_t c = now();
    LiveAircraft& a = active({sampleAt(50.0, 8.0, 140, c + 1), sampleAt(50.0, 8.01, 140, c + 800)});
    a.stream.push_back(sampleAt(50.0, 8.02, 140, c + 1600));
    a.stream.push_back(sampleAt(50.0, 8.03, 140, c + 2400));
    a.flags.landing = true;
    // Between the samples at 8.02 and 8.03, or between those at 8.01 and 8.02.
    const double longitude = behind == 1 ? 8.025 : 8.015;
    EXPECT_TRUE(orv::appendSample(run, a, sampleAt(50.0, longitude, 140, c + 3200)));
    ASSERT_EQ(a.stream.size(), behind == 1 ? 4u : 3u);
    EXPECT_EQ(a.stream.back().longitude, longitude);
    EXPECT_LT(a.stream[a.stream.size() - 2].longitude, longitude);
  }
}

// Touched down on the approach before the flare began: the aircraft stands on its wheels once
// its first leg on the ground is set up, not at its approach pitch and bank for good.
TEST_F(MotionTest, ATouchdownBeforeTheFlareLeavesNoApproachAttitude) {
  const std::int64_t c = now();
  // The first leg on the ground is set up well before the touchdown's settling would end.
  LiveAircraft& a = active({sampleAt(50.0, 8.0, 140, c + 1), sampleAt(50.0, 8.0005, 140, c + 30, false)});
  a.stream.push_back(sampleAt(50.0, 8.002, 100, c + 300, false));
  a.stream.push_back(sampleAt(50.0, 8.004, 80, c + 700, false));
  play(a, 2);
  a.flags.landing = true;
  a.pitchRad = -0.05;
  a.bankRad = 0.03;
  a.staticPitchRad = 0.01;
  orv::gf_postSimMessage(orv::SimMessage{77, 1, 0, orv::SimMessageKind::GroundData, 364.0, 0.0});
  orv::gf_handleSimMessages(run);
  ASSERT_TRUE(a.onGround);
  play(a, 800);
  EXPECT_EQ(a.pitchRad, a.staticPitchRad);
  EXPECT_EQ(a.bankRad, 0.0);
  EXPECT_FALSE(a.flags.touchdownSettling);
}

}  // namespace
