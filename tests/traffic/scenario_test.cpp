// Whole recordings replayed through the live traffic against the simulator stand-in: real
// aircraft at Zurich and Denver, and the demo's flights at Frankfurt.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/geometry.h"
#include "sample_traffic/eddf_stands.h"
#include "scenario_harness.h"
#include "simlink/sim_ids.h"
#include "traffic/aircraft.h"
#include "traffic/leg_math.h"

namespace {

using orv::FlightPhase;
using scenario::AircraftLog;
using scenario::Harness;
namespace simid = orv::simid;

const std::filesystem::path kRecordings(QUILLSTAR_REAL_TRAFFIC);
const std::filesystem::path kDemo(QUILLSTAR_DEMO);

// The park airport of a recording, and where the user stands parked, away from the traffic.
struct Airport {
  const char* icao;
  orv::Position position;
  double elevationFt;
  orv::Position user;
};
const Airport kZurich{"LSZH", {47.4647, 8.5492}, 1416.0, {47.4800, 8.5300}};
const Airport kDenver{"KDEN", {39.8617, -104.6731}, 5434.0, {39.8400, -104.7200}};
const Airport kFrankfurt{"EDDF", {50.0333, 8.5706}, 364.0, {50.0500, 8.5300}};

constexpr std::int64_t kCycles = 100;  // a second

// The stand fixture of Frankfurt's apron, as the park airport's stands.
std::vector<orv::Stand> frankfurtStands() {
  std::vector<orv::Stand> stands;
  for (const auto& s : sample_traffic::kEddfStands)
    stands.emplace_back(s.id, std::vector<orv::StandSchedule>{}, s.latitude, s.longitude,
                        s.headingDeg * orv::kDegToRad, s.radiusMetres, false, false, false);
  return stands;
}

std::unique_ptr<Harness> replay(const Airport& airport, const std::filesystem::path& recording,
                                std::vector<orv::Stand> stands = {}) {
  scenario::Setup setup;
  setup.park = {airport.icao, airport.position, airport.elevationFt, std::move(stands)};
  setup.user = airport.user;
  auto harness = std::make_unique<Harness>(setup);
  harness->addLines(scenario::gf_readRecording(recording));
  harness->runUntilQuiet(40 * 60 * kCycles);
  return harness;
}

class RealTraffic : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kRecordings)) GTEST_SKIP() << "no recordings at " << kRecordings;
  }
};

// Once in the simulator, once out of it, by the program.
void expectOneLife(const AircraftLog& log) {
  EXPECT_EQ(log.objects.size(), 1u) << "created once";
  EXPECT_EQ(log.removals.size(), 1u) << "removed once, by the program";
  EXPECT_TRUE(log.goneCycle.has_value());
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Rolls from the ground into the air between its last ground report and 400 m past its first
// airborne one.
void expectTakeOff(const AircraftLog& log) {
  SCOPED_TRACE(log.callsign);
  expectOneLife(log);
  EXPECT_EQ(log.phaseOrder(), (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Taxi,
                                                        FlightPhase::TakeOff, FlightPhase::Flying}));
  const auto roll = std::find_if(log.track.begin(), log.track.end(),
                                 [](const scenario::TrackPoint& p) { return p.takeOffRoll; });
  ASSERT_NE(roll, log.track.end());
  const auto takeOff = log.entered(FlightPhase::TakeOff);
  ASSERT_TRUE(takeOff.has_value());
  EXPECT_LT(roll->cycle, *takeOff) << "the roll comes first";
  const scenario::TrackPoint* liftOff = log.liftOff();
  const scenario::Report* ground = log.lastGroundReport();
  const scenario::Report* air = log.firstAirborneReport();
  ASSERT_TRUE(liftOff && ground && air);
  const double along = scenario::gf_alongTrackMetres(ground->position, air->position, liftOff->position);
  EXPECT_GT(along, 0.0) << "off the ground after the last ground report";
  EXPECT_LT(along, scenario::gf_metres(ground->position, air->position) + 400.0);
  EXPECT_LE(liftOff->cycle - *takeOff, 250) << "a rotation of 2 s";
}

// Configured for the landing before the touchdown, spoilers out after it.
void expectLandingConfiguration(const AircraftLog& log) {
  const scenario::TrackPoint* touchdown = log.touchdown();
  ASSERT_NE(touchdown, nullptr);
  for (const auto& [event, value] : {std::pair{simid::kGearSet, 1u}, std::pair{simid::kFlapsSet, 16383u},
                                     std::pair{simid::kThrottleSet, 4914u}})
    EXPECT_LT(log.firstEvent(event, value).value_or(touchdown->cycle + 1), touchdown->cycle) << event;
  EXPECT_GE(log.firstEvent(simid::kSpoilersSet, 16383).value_or(0), touchdown->cycle);
}

// Down where the reports come to the ground: within 500 m of the first report at the field's
// level (within 42 ft of it), which a real transponder may still send as airborne while the
// aircraft rolls faster than 120 kt, and not more than 500 m beyond the first report taken as on
// the ground. A flare lasts at most 4.5 s.
void expectTouchdownNearTheGround(const AircraftLog& log, const Airport& airport) {
  const scenario::TrackPoint* touchdown = log.touchdown();
  const scenario::Report* ground = log.firstGroundReport();
  ASSERT_TRUE(touchdown && ground);
  const auto level = std::find_if(log.reports.begin(), log.reports.end(), [&](const scenario::Report& r) {
    return !r.airborne || r.lineAltitudeFt - airport.elevationFt <= 42.0;
  });
  ASSERT_NE(level, log.reports.end());
  EXPECT_LT(scenario::gf_metres(touchdown->position, level->position), 500.0);
  const auto before = log.reports.begin() + (ground - log.reports.data()) - 1;
  EXPECT_LT(scenario::gf_alongTrackMetres(before->position, ground->position, touchdown->position),
            scenario::gf_metres(before->position, ground->position) + 500.0);
  const auto flare = std::find_if(log.track.begin(), log.track.end(),
                                  [](const scenario::TrackPoint& p) { return p.flaring; });
  ASSERT_NE(flare, log.track.end());
  EXPECT_LE(touchdown->cycle - flare->cycle, 450);
}

// The cycles between the first extrapolated sample and the removal: `samples` legs of about
// `seconds` each.
void expectRemovedAfterExtrapolation(const AircraftLog& log, int samples, double minSeconds,
                                     double maxSeconds) {
  const auto first = std::find_if(log.track.begin(), log.track.end(),
                                  [](const scenario::TrackPoint& p) { return p.pendingSteps > 0; });
  ASSERT_NE(first, log.track.end());
  EXPECT_EQ(first->pendingSteps, samples);
  ASSERT_FALSE(log.removals.empty());
  const double seconds = static_cast<double>(log.removals.front() - first->cycle) / kCycles;
  EXPECT_GE(seconds, samples * minSeconds);
  EXPECT_LE(seconds, samples * maxSeconds);
}

TEST_F(RealTraffic, TaxiingAndTakingOffAtZurich) {
  for (const char* file : {"lszh-taxi-AUA570.rttfc", "lszh-takeoff-AFR181L.rttfc"}) {
    SCOPED_TRACE(file);
    const auto harness = replay(kZurich, kRecordings / file);
    ASSERT_EQ(harness->aircraft().size(), 1u);
    expectTakeOff(harness->aircraft().begin()->second);
  }
}

TEST_F(RealTraffic, AnApproachWhoseReportsEndAboveZurichFlaresAndTouchesDownBeyondThem) {
  const auto harness = replay(kZurich, kRecordings / "lszh-landing.rttfc");
  const AircraftLog& log = harness->aircraft("DLH4TR");
  expectOneLife(log);
  EXPECT_EQ(log.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying, FlightPhase::Taxi}));
  expectLandingConfiguration(log);
  // The reports end 260 ft above the field: the rest of the descent is extrapolated.
  const scenario::Report& last = log.reports.back();
  EXPECT_GT(last.altitudeFt - kZurich.elevationFt, 200.0);
  const scenario::TrackPoint* touchdown = log.touchdown();
  ASSERT_NE(touchdown, nullptr);
  const auto flare = std::find_if(log.track.begin(), log.track.end(),
                                  [](const scenario::TrackPoint& p) { return p.flaring; });
  ASSERT_NE(flare, log.track.end());
  EXPECT_LT(flare->cycle, touchdown->cycle);
  EXPECT_GT(flare->pendingSteps, 0) << "the flare ends the extrapolated descent";
  const double beyond = scenario::gf_metres(last.position, touchdown->position);
  EXPECT_GT(beyond, 1000.0);
  EXPECT_LT(beyond, 2500.0);
  expectRemovedAfterExtrapolation(log, 8, 2.5, 8.0);
}

TEST_F(RealTraffic, AnArrivalAtDenverTouchesDownWhereItsReportsReachTheGroundAndRollsOut) {
  const auto harness = replay(kDenver, kRecordings / "kden-arrival-DAL2927.rttfc");
  const AircraftLog& log = harness->aircraft("DAL2927");
  expectOneLife(log);
  EXPECT_EQ(log.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying, FlightPhase::Taxi}));
  expectLandingConfiguration(log);
  expectTouchdownNearTheGround(log, kDenver);
  // The roll-out goes on for 10 samples of 3 s after the last report.
  expectRemovedAfterExtrapolation(log, 10, 2.5, 3.1);
}

TEST(DemoTraffic, TheArrivalTheDepartureAndTheOverflightAtFrankfurt) {
  const auto harness = replay(kFrankfurt, kDemo / "sample-traffic.rttfc");
  ASSERT_EQ(harness->aircraft().size(), 3u);

  expectTakeOff(harness->aircraft("CFG1TK"));

  const AircraftLog& arrival = harness->aircraft("DLH4AM");
  expectOneLife(arrival);
  EXPECT_EQ(arrival.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying, FlightPhase::Taxi}));
  expectLandingConfiguration(arrival);
  expectTouchdownNearTheGround(arrival, kFrankfurt);
  expectRemovedAfterExtrapolation(arrival, 10, 2.5, 3.1);

  // Flies on for 8 samples of 8 s, each 5 % slower, once its reports end: 94 s after the last.
  const AircraftLog& overflight = harness->aircraft("BAW918");
  expectOneLife(overflight);
  EXPECT_EQ(overflight.phaseOrder(), (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying}));
  ASSERT_FALSE(overflight.removals.empty());
  const std::int64_t expected =
      overflight.reports.back().arrivalCycle + 94 * kCycles + overflight.lateCycles();
  EXPECT_NEAR(static_cast<double>(overflight.removals.front()), static_cast<double>(expected), 2.0 * kCycles);
}

// As the demo runs the program: no park airport (its ground reports are dropped), the lines sent
// four times faster than recorded. The departure's first report in the air lies at the field's
// elevation, so the simulator puts it on the ground; its reports, all in its stream before it
// was created, take it off from there.
TEST(DemoTraffic, WithoutAParkAirportEachAircraftFliesAndIsRemovedAfterItsReports) {
  scenario::Setup setup;
  setup.user = kFrankfurt.user;
  setup.park.elevationFt = kFrankfurt.elevationFt;
  Harness harness(setup);
  harness.addLines(scenario::gf_readRecording(kDemo / "sample-traffic.rttfc"), 0, 4.0);
  harness.runUntilQuiet(10 * 60 * kCycles);
  ASSERT_EQ(harness.aircraft().size(), 3u);
  for (const auto& [key, log] : harness.aircraft()) {
    SCOPED_TRACE(log.callsign);
    EXPECT_EQ(log.objects.size(), 1u);
    ASSERT_EQ(log.removals.size(), 1u);
    // 30 s behind the last report, played at most the max delay later (the legs keep their
    // recorded speed while the lines came faster; 50 s in a take-off roll), then 8 extrapolated
    // samples of about 8 s: not held on the ground until the holding time ends.
    const double seconds =
        static_cast<double>(log.removals.front() - log.reports.back().arrivalCycle - log.lateCycles()) /
        kCycles;
    EXPECT_GT(seconds, 30.0 + 8 * 7.0);
    EXPECT_LT(seconds, 30.0 + 50.0 + 8 * 8.0 + 2.0);
    EXPECT_FALSE(log.track.back().onGround) << "in the air at the end";
  }
  const AircraftLog& departure = harness.aircraft("CFG1TK");
  EXPECT_NE(departure.liftOff(), nullptr);
  EXPECT_GT(departure.track.back().altitudeFt, kFrankfurt.elevationFt + 1000.0);
}

TEST(DemoTraffic, TwoRunsOfTheSameLinesGoTheSameWay) {
  const auto first = replay(kFrankfurt, kDemo / "sample-traffic.rttfc")->aircraft();
  const auto second = replay(kFrankfurt, kDemo / "sample-traffic.rttfc")->aircraft();
  ASSERT_EQ(first.size(), second.size());
  for (const auto& [key, a] : first) {
    SCOPED_TRACE(a.callsign);
    const AircraftLog& b = second.at(key);
    EXPECT_EQ(a.phases, b.phases);
    EXPECT_EQ(a.removals, b.removals);
    ASSERT_EQ(a.track.size(), b.track.size());
    for (std::size_t i = 0; i < a.track.size(); ++i) {
      const scenario::TrackPoint& p = a.track[i];
      const scenario::TrackPoint& q = b.track[i];
      ASSERT_TRUE(p.cycle == q.cycle && p.position.latitude == q.position.latitude &&
                  p.position.longitude == q.position.longitude && p.altitudeFt == q.altitudeFt &&
                  p.headingRad == q.headingRad && p.pitchRad == q.pitchRad)
          << "cycle " << p.cycle;
    }
    ASSERT_EQ(a.events.size(), b.events.size());
    for (std::size_t i = 0; i < a.events.size(); ++i)
      EXPECT_TRUE(a.events[i].cycle == b.events[i].cycle && a.events[i].eventId == b.events[i].eventId &&
                  a.events[i].value == b.events[i].value);
  }
}

// Taxi in, stand, push back and taxi out.
TEST(DemoTraffic, TurnaroundParksAtItsStandPushesBackAndTaxisOut) {
  const auto harness = replay(kFrankfurt, kDemo / "turnaround.rttfc", frankfurtStands());
  const AircraftLog& log = harness->aircraft("DLH2TA");
  EXPECT_EQ(log.objects.size(), 1u) << "created once";
  EXPECT_EQ(log.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Taxi, FlightPhase::Parking,
                                      FlightPhase::Parked, FlightPhase::PushingBack, FlightPhase::PushedBack,
                                      FlightPhase::Taxi}));
  const auto& stand = sample_traffic::kEddfStands[sample_traffic::kTurnaroundStand];
  const auto lines = harness->logLines();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), fmt::format("{:8}: {:8} arrived at stand", stand.id, "DLH2TA")),
      lines.end());
  const auto parked = log.entered(FlightPhase::Parked);
  ASSERT_TRUE(parked.has_value());
  const auto at = std::find_if(log.track.begin(), log.track.end(),
                               [&](const scenario::TrackPoint& p) { return p.cycle >= *parked; });
  ASSERT_NE(at, log.track.end());
  EXPECT_LT(scenario::gf_metres(at->position, orv::Position{stand.latitude, stand.longitude}), 2.0);
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// --- flights built in the tests, on runway 25C of Frankfurt ---

namespace built {

constexpr orv::Position kThreshold{50.04508, 8.58697};
constexpr double kRunwayDeg = 249.0;
constexpr double kFeetPerMetre = 3.28084;
constexpr double kMetresPerKnotSecond = 0.514444;
constexpr double kStartTime = 1796803200.0;

orv::Position along(orv::Position from, double trackDeg, double metres) {
  return orv::gf_destinationPoint(from, trackDeg * orv::kDegToRad, metres * kFeetPerMetre);
}

// One aircraft's reports, one every 2 s, flown straight along `trackDeg`.
class Flight {
 public:
  Flight(std::uint32_t hexid, std::string callsign, orv::Position start, double trackDeg, double fieldFt)
      : position_(start), track_(trackDeg), field_(fieldFt) {
    line_.hexid = hexid;
    line_.callsign = std::move(callsign);
  }
  // Flies on for 2 s at `speedKt` and reports there, `heightFt` above the field (0: on the ground).
  // A report `behindSeconds` > 0 lies that many seconds of flight behind where the aircraft is.
  void report(double speedKt, double heightFt, double verticalSpeedFpm, double behindSeconds = 0.0) {
    position_ = along(position_, track_, speedKt * kMetresPerKnotSecond * 2.0);
    line_.time = kStartTime + 2.0 * static_cast<double>(lines_.size());
    line_.position = along(position_, track_ + 180.0, speedKt * kMetresPerKnotSecond * behindSeconds);
    line_.altitudeFt = heightFt > 0.0 ? field_ + heightFt : 0.0;
    line_.verticalSpeedFpm = verticalSpeedFpm;
    line_.trackDeg = track_;
    line_.groundSpeedKt = speedKt;
    lines_.push_back(scenario::gf_trafficLine(line_));
  }
  [[nodiscard]] const std::vector<std::string>& lines() const { return lines_; }
  [[nodiscard]] orv::Position position() const { return position_; }

 private:
  scenario::LineSpec line_;
  orv::Position position_;
  double track_;
  double field_;
  std::vector<std::string> lines_;
};

// Down the 3 degree glide path to 300 m past the threshold at `speedKt`, from `startMetres` out;
// `jitter` turns the report at that height (ft) into one 3 s of flight behind.
void approach(Flight& f, double startMetres, double speedKt, std::optional<double> jitterAtFt = {}) {
  const double step = speedKt * kMetresPerKnotSecond * 2.0;
  const double slope = std::tan(3.0 * orv::kDegToRad);
  const double rate = -step / 2.0 * 60.0 * slope * kFeetPerMetre;
  for (double left = startMetres - step; left > 0.0; left -= step) {
    const double height = left * slope * kFeetPerMetre;
    const bool jitter = jitterAtFt && height <= *jitterAtFt;
    if (jitter) jitterAtFt.reset();
    f.report(speedKt, height, rate, jitter ? 3.0 : 0.0);
  }
}

// Where an approach of that length starts.
orv::Position approachStart(double startMetres) {
  return along(along(kThreshold, kRunwayDeg, 300.0), kRunwayDeg + 180.0, startMetres);
}

// Lines up from 300 m before the threshold at 25 kt for 30 s (so that it is spawned on the
// ground), rolls accelerating 5 kt/s, and the last three reports on the ground already climb, as
// some receivers report them; then `climbReports` climbing at `rateFpm` from 60 ft.
Flight departure(std::uint32_t hexid, std::string callsign, int climbReports, double rateFpm) {
  Flight f(hexid, std::move(callsign), along(kThreshold, kRunwayDeg + 180.0, 300.0), kRunwayDeg,
           kFrankfurt.elevationFt);
  for (int i = 0; i < 15; ++i) f.report(25.0, 0.0, 0.0);
  for (double speed = 35.0; speed <= 150.0; speed += 10.0) f.report(speed, 0.0, speed >= 130.0 ? 400.0 : 0.0);
  for (int i = 0; i < climbReports; ++i)
    f.report(std::min(160.0 + 2.0 * i, 250.0), 60.0 + rateFpm / 30.0 * i, rateFpm);
  return f;
}

std::unique_ptr<Harness> fly(const std::vector<Flight>& flights, scenario::Setup setup = {}) {
  if (setup.park.icao.empty()) {
    setup.park = {kFrankfurt.icao, kFrankfurt.position, kFrankfurt.elevationFt, {}};
    setup.user = kFrankfurt.user;
  }
  auto harness = std::make_unique<Harness>(setup);
  for (const Flight& f : flights) harness->addLines(f.lines(), 0);
  harness->runUntilQuiet(20 * 60 * kCycles);
  return harness;
}

// Metres along the runway from its threshold.
double alongRunway(orv::Position p) {
  return scenario::gf_alongTrackMetres(kThreshold, along(kThreshold, kRunwayDeg, 1000.0), p);
}

// Knots over the ground of each cycle's move.
double knots(const scenario::TrackPoint& from, const scenario::TrackPoint& to) {
  return scenario::gf_metres(from.position, to.position) / static_cast<double>(to.cycle - from.cycle) *
         static_cast<double>(kCycles) / kMetresPerKnotSecond;
}

}  // namespace built

// Reports that jitter behind the aircraft on short final and in the roll-out, and a faster one in
// the roll-out: the aircraft keeps going down the runway and slows down all the way.
TEST(BuiltTraffic, ALandingIsNotTurnedBackNorSpedUpByJitteringReports) {
  built::Flight f(4000101, "DLH7J", built::approachStart(6000.0), built::kRunwayDeg, kFrankfurt.elevationFt);
  built::approach(f, 6000.0, 135.0, 150.0);
  double speed = 135.0;
  for (int i = 0; i < 14; ++i) {
    speed = std::max(30.0, speed - 7.0);
    const double behind = i == 3 ? 3.0 : 0.0;
    f.report(i == 7 ? speed + 25.0 : speed, 0.0, 0.0, behind);
  }
  const auto harness = built::fly({f});
  const AircraftLog& log = harness->aircraft("DLH7J");
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  EXPECT_EQ(log.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying, FlightPhase::Taxi}));
  const scenario::TrackPoint* touchdown = log.touchdown();
  ASSERT_NE(touchdown, nullptr);
  ASSERT_GT(log.track.size(), 2u);
  double slowest = 1e9;
  for (std::size_t i = 1; i < log.track.size(); ++i) {
    const scenario::TrackPoint& p = log.track[i - 1];
    const scenario::TrackPoint& q = log.track[i];
    ASSERT_GE(built::alongRunway(q.position), built::alongRunway(p.position) - 0.01)
        << "moved back at cycle " << q.cycle;
    ASSERT_LT(std::abs(orv::gf_turnRad(q.headingRad, built::kRunwayDeg * orv::kDegToRad)),
              20.0 * orv::kDegToRad)
        << "turned at cycle " << q.cycle;
    // Speeds over whole seconds of the roll-out, each against the slowest before it.
    const std::int64_t rolled = q.cycle - touchdown->cycle;
    if (rolled < 2 * kCycles || rolled % kCycles != 0 || i < static_cast<std::size_t>(kCycles)) continue;
    const scenario::TrackPoint& second = log.track[i - static_cast<std::size_t>(kCycles)];
    ASSERT_EQ(second.cycle, q.cycle - kCycles);
    const double kt = built::knots(second, q);
    EXPECT_LE(kt, slowest + 2.0) << "sped up at cycle " << q.cycle;
    slowest = std::min(slowest, kt);
  }
}

// Touchdown, a short roll reported on the ground, then reports climbing away straight ahead.
TEST(BuiltTraffic, ATouchAndGoLiftsOffAgainAndClimbsOut) {
  built::Flight f(4000102, "DLH7T", built::approachStart(5000.0), built::kRunwayDeg, kFrankfurt.elevationFt);
  built::approach(f, 5000.0, 135.0);
  for (const double speed : {133.0, 131.0, 129.0, 127.0}) f.report(speed, 0.0, 0.0);
  for (int i = 0; i < 40; ++i) f.report(std::min(130.0 + 2.0 * i, 170.0), 50.0 + 50.0 * i, 1500.0);
  const auto harness = built::fly({f});
  const AircraftLog& log = harness->aircraft("DLH7T");
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  EXPECT_EQ(log.objects.size(), 1u);
  EXPECT_EQ(log.phaseOrder(),
            (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Flying, FlightPhase::Taxi,
                                      FlightPhase::TakeOff, FlightPhase::Flying}));
  const scenario::TrackPoint* touchdown = log.touchdown();
  ASSERT_NE(touchdown, nullptr);
  const scenario::TrackPoint* liftOff = nullptr;
  for (std::size_t i = 1; i < log.track.size(); ++i)
    if (log.track[i].cycle > touchdown->cycle && log.track[i - 1].simOnGround && !log.track[i].simOnGround) {
      liftOff = &log.track[i];
      break;
    }
  const scenario::Report* air = log.firstAirborneReport();
  const scenario::Report* ground = log.lastGroundReport();
  ASSERT_TRUE(liftOff && air && ground);
  const double past = scenario::gf_alongTrackMetres(ground->position, air->position, liftOff->position) -
                      scenario::gf_metres(ground->position, air->position);
  EXPECT_LT(past, 600.0) << "off the ground within 600 m past the first airborne report";

  const double rotationKt = 140.0;  // of a large aircraft
  for (std::size_t i = 1; i < log.track.size(); ++i) {
    const scenario::TrackPoint& p = log.track[i - 1];
    const scenario::TrackPoint& q = log.track[i];
    if (!p.simOnGround || !q.simOnGround || q.cycle != p.cycle + 1) continue;
    ASSERT_LE(built::knots(p, q), rotationKt + 10.0) << "cycle " << q.cycle;
  }

  // Flying with climb power once 800 ft above the ground are passed.
  const auto flying = log.phases.back();
  ASSERT_EQ(flying.second, FlightPhase::Flying);
  const auto high = std::find_if(log.track.begin(), log.track.end(), [&](const scenario::TrackPoint& p) {
    return p.cycle > touchdown->cycle && p.altitudeFt - kFrankfurt.elevationFt > 900.0;
  });
  ASSERT_NE(high, log.track.end());
  EXPECT_LE(flying.first, high->cycle);
  const auto throttle = std::find_if(log.events.begin(), log.events.end(), [&](const scenario::Event& e) {
    return e.cycle >= flying.first && e.eventId == simid::kThrottleSet;
  });
  ASSERT_NE(throttle, log.events.end());
  EXPECT_EQ(throttle->cycle, flying.first);
  EXPECT_EQ(throttle->value, 11468u) << "throttle index 3";
}

// Airborne reports after ground reports queued behind the lift-off: the climb aims at the first
// airborne report, the queued ground reports are not flown over.
TEST(BuiltTraffic, ATakeOffClimbsTowardsTheFirstAirborneReportOverQueuedGroundReports) {
  const auto harness = built::fly({built::departure(4000103, "DLH7D", 30, 2000.0)});
  const AircraftLog& log = harness->aircraft("DLH7D");
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  EXPECT_EQ(log.phaseOrder(), (std::vector<FlightPhase>{FlightPhase::Birth, FlightPhase::Taxi,
                                                        FlightPhase::TakeOff, FlightPhase::Flying}));
  const auto takeOff = log.entered(FlightPhase::TakeOff);
  // Reports in a straight line close behind the last one are left out; the first taken in.
  const auto air = std::find_if(log.reports.begin(), log.reports.end(),
                                [](const scenario::Report& r) { return r.airborne && r.accepted; });
  ASSERT_TRUE(takeOff && air != log.reports.end());
  // The leg of the take-off's start, then straight to the first airborne report.
  const auto start = std::find_if(log.track.begin(), log.track.end(),
                                  [&](const scenario::TrackPoint& p) { return p.cycle >= *takeOff; });
  ASSERT_NE(start, log.track.end());
  const auto next = std::find_if(start, log.track.end(), [&](const scenario::TrackPoint& p) {
    return p.targetTime != start->targetTime;
  });
  ASSERT_NE(next, log.track.end());
  EXPECT_EQ(next->targetTime, air->time)
      << fmt::format("the leg after the take-off's start goes towards the report of {:.1f}, not {:.1f}",
                     next->targetTime, air->time);
  for (auto p = next; p != log.track.end(); ++p) {
    const auto report = std::find_if(log.reports.begin(), log.reports.end(),
                                     [&](const scenario::Report& r) { return r.time == p->targetTime; });
    ASSERT_NE(report, log.reports.end());
    ASSERT_TRUE(report->airborne) << "towards a ground report at " << p->cycle;
  }
}

// All lights for the take-off roll, the cabin dark below 2050 ft above the ground and lit above,
// and the cruise look from 10000 ft on, with the strobes left on.
TEST(BuiltTraffic, TheLightsOfATakeOffAndTheClimbToCruise) {
  const auto harness = built::fly({built::departure(4000104, "DLH7L", 120, 3000.0)});
  const AircraftLog& log = harness->aircraft("DLH7L");
  const auto faults = scenario::gf_invariantFaults(log);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  const auto roll = std::find_if(log.track.begin(), log.track.end(),
                                 [](const scenario::TrackPoint& p) { return p.takeOffRoll; });
  ASSERT_NE(roll, log.track.end());
  std::vector<scenario::Event> events;
  std::copy_if(log.events.begin(), log.events.end(), std::back_inserter(events),
               [&](const scenario::Event& e) { return e.cycle >= roll->cycle; });
  const auto valuesAt = [&](std::int64_t cycle) {
    std::map<std::uint32_t, std::uint32_t> lights;
    for (const scenario::Event& e : events)
      if (e.cycle == cycle && e.eventId >= simid::kBeaconLightsSet && e.eventId <= simid::kLogoLightsSet)
        lights[e.eventId] = e.value;
    return lights;
  };
  const std::map<std::uint32_t, std::uint32_t> allOn = {
      {simid::kBeaconLightsSet, 1}, {simid::kNavLightsSet, 1},     {simid::kTaxiLightsSet, 1},
      {simid::kStrobesSet, 1},      {simid::kLandingLightsSet, 1}, {simid::kCabinLightsSet, 1},
      {simid::kLogoLightsSet, 1}};
  EXPECT_EQ(valuesAt(roll->cycle), allOn) << "the take-off roll";

  // The cabin by the height over the ground when it was switched.
  const auto heightAt = [&](std::int64_t cycle) {
    const auto p = std::find_if(log.track.begin(), log.track.end(),
                                [&](const scenario::TrackPoint& x) { return x.cycle >= cycle; });
    return p == log.track.end() ? 0.0 : p->altitudeFt - kFrankfurt.elevationFt;
  };
  std::vector<std::uint32_t> cabin;
  for (const scenario::Event& e : events) {
    if (e.eventId != simid::kCabinLightsSet || (!cabin.empty() && cabin.back() == e.value)) continue;
    cabin.push_back(e.value);
    if (cabin.size() == 2) {
      EXPECT_LT(heightAt(e.cycle), 2050.0) << "dark low down";
    }
    if (cabin.size() == 3) {
      EXPECT_GT(heightAt(e.cycle), 2050.0) << "lit higher up";
    }
  }
  EXPECT_EQ(cabin, (std::vector<std::uint32_t>{1, 0, 1}));

  const auto cruise = std::find_if(log.track.begin(), log.track.end(),
                                   [](const scenario::TrackPoint& p) { return p.altitudeFt >= 10000.0; });
  ASSERT_NE(cruise, log.track.end());
  const auto cruiseLights = std::find_if(events.begin(), events.end(), [&](const scenario::Event& e) {
    return e.cycle >= cruise->cycle && e.eventId == simid::kLandingLightsSet && e.value == 0;
  });
  ASSERT_NE(cruiseLights, events.end());
  EXPECT_EQ(valuesAt(cruiseLights->cycle),
            (std::map<std::uint32_t, std::uint32_t>{{simid::kBeaconLightsSet, 1},
                                                    {simid::kNavLightsSet, 1},
                                                    {simid::kTaxiLightsSet, 0},
                                                    {simid::kLandingLightsSet, 0},
                                                    {simid::kLogoLightsSet, 1}}))
      << "strobes and cabin are left as they are";
  const auto lastOf = [&](std::uint32_t id) {
    std::optional<std::uint32_t> value;
    for (const scenario::Event& e : events)
      if (e.eventId == id) value = e.value;
    return value;
  };
  EXPECT_EQ(lastOf(simid::kStrobesSet), 1u);
  EXPECT_EQ(lastOf(simid::kCabinLightsSet), 1u);
}

// The user in the air: an aircraft 2 nm north flying east passes wide and is spawned; one 2 nm
// east flying east at the user's altitude is in conflict and never reaches the simulator.
TEST(BuiltTraffic, AnAircraftWaitsForTheUserInTheAirOnlyWhenItsPlacementHeadingConflicts) {
  scenario::Setup setup;
  setup.park = {kFrankfurt.icao, kFrankfurt.position, kFrankfurt.elevationFt, {}};
  setup.user = built::along(kFrankfurt.position, 90.0, 10.0 * orv::kMetresPerNm);
  setup.userAltitudeFt = 3000.0;
  const double twoNm = 2.0 * orv::kMetresPerNm;
  built::Flight north(4000105, "DLH7N", built::along(setup.user, 0.0, twoNm), 90.0, 0.0);
  built::Flight east(4000106, "DLH7E", built::along(setup.user, 90.0, twoNm), 90.0, 0.0);
  for (int i = 0; i < 20; ++i) {
    north.report(250.0, 3000.0, 0.0);
    east.report(250.0, 3000.0, 0.0);
  }
  const auto harness = built::fly({north, east}, setup);
  const AircraftLog& passing = harness->aircraft("DLH7N");
  EXPECT_EQ(passing.objects.size(), 1u) << "no conflict";
  ASSERT_FALSE(passing.track.empty());
  EXPECT_LT(scenario::gf_metres(passing.track.front().position, passing.reports.front().position), 50.0)
      << "spawned at its first report, none dropped";
  EXPECT_TRUE(harness->aircraft("DLH7E").objects.empty()) << "in conflict";
}

// The user on the ground: an aircraft taxiing away from it is held until its oldest report lies
// 150 m away; one flying over it is not held.
TEST(BuiltTraffic, AnAircraftOnTheGroundWaitsUntilItIs150MetresFromTheParkedUser) {
  scenario::Setup setup;
  setup.park = {kFrankfurt.icao, kFrankfurt.position, kFrankfurt.elevationFt, {}};
  setup.user = kFrankfurt.user;
  built::Flight taxi(4000107, "DLH7G", built::along(setup.user, 90.0, 30.0), 90.0, kFrankfurt.elevationFt);
  built::Flight over(4000108, "DLH7O", built::along(setup.user, 270.0, 300.0), 90.0, kFrankfurt.elevationFt);
  for (int i = 0; i < 30; ++i) {
    taxi.report(25.0, 0.0, 0.0);
    over.report(160.0, 2000.0, 0.0);
  }
  const auto harness = built::fly({taxi, over}, setup);
  const AircraftLog& held = harness->aircraft("DLH7G");
  ASSERT_FALSE(held.track.empty());
  const double from = scenario::gf_metres(held.track.front().position, setup.user);
  EXPECT_GE(from, 150.0);
  EXPECT_LT(from, 150.0 + 26.0) << "spawned at the first report 150 m away";
  const AircraftLog& flying = harness->aircraft("DLH7O");
  ASSERT_FALSE(flying.track.empty());
  EXPECT_LT(scenario::gf_metres(flying.track.front().position, flying.reports.front().position), 10.0)
      << "spawned at its first report";
}

}  // namespace
