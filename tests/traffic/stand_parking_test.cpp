// Live aircraft and the stands of the park airport: the stand search, the spawn at a stand, the
// learned live parkings, the parked-aircraft limit and the stand at the user aircraft's position.

#include "traffic/stand_parking.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <optional>
#include <thread>

#include "airports/stand_schedules.h"
#include "config/parameters.h"
#include "foundation/window_view.h"
#include "stand_fixture.h"
#include "support/scoped_setting.h"
#include "traffic/aircraft_text.h"
#include "traffic/spawning.h"
#include "traffic/static_parking.h"

namespace {

using ground_test::groundSample;
using ground_test::kField;
using ground_test::offset;
using orv::FlightPhase;
using orv::HalfHourSet;
using orv::LiveAircraft;
using orv::Position;
using orv::PositionSample;
using orv::SimState;
using orv::Stand;
using orv::StandSchedule;
using orv::WeekdayAndSlot;
using testing_support::ScopedSetting;

using StandParking = ground_test::StandFixture;

HalfHourSet hoursOf(std::initializer_list<int> slots) {
  HalfHourSet set;
  for (int s : slots) set.set(static_cast<std::size_t>(s));
  return set;
}

StandSchedule learned(std::uint32_t sequence, std::uint32_t day, HalfHourSet hours,
                      std::uint32_t fromFile = 0) {
  StandSchedule s;
  s.registration = "D-AIPA";
  s.callsign = "DLH4AB";
  s.sequence = sequence;
  s.day = day;
  s.hours = hours;
  s.real = 1;
  s.fromFile = fromFile;
  return s;
}

TEST_F(StandParking, TheSearchTakesTheNearestFreeStandThatFitsOrANearSmallOneWidened) {
  struct StandAt {
    double metres;  // east of the search point
    double radiusMetres;
    bool heli = false;
    bool occupied = false;
    std::optional<StandSchedule> seen = std::nullopt;
  };
  const StandSchedule byCallsign = learned(1, 3, hoursOf({10}));
  StandSchedule bySecond = byCallsign;
  bySecond.callsign = "DLH1";
  bySecond.secondCallsign = "DLH4AB";
  StandSchedule byTypes = byCallsign;
  byTypes.callsign = "DLH1";
  byTypes.airline = orv::gf_airlineId("DLH");
  byTypes.model = orv::gf_modelId("A320");
  StandSchedule soft = byCallsign;
  soft.real = 0;
  struct Row {
    const char* name;
    const char* model;
    double radiusMetres;
    bool learnedAllowed;
    std::vector<StandAt> stands;
    int found;  // index into the stands; -1 for none
    bool widened;
  } const rows[] = {
      {"fits at 40 m", "A320", 55, false, {{40, 20}}, 0, false},
      {"fits at 60 m", "A320", 55, false, {{60, 20}}, -1, false},
      {"too small at 19 m: widened", "A320", 55, false, {{19, 10}}, 0, true},
      {"too small at 21 m", "A320", 55, false, {{21, 10}}, -1, false},
      {"too small at 10 m before one that fits at 30 m", "A320", 55, false, {{30, 20}, {10, 10}}, 1, true},
      {"occupied at 5 m", "A320", 55, false, {{5, 20, false, true}, {30, 20}}, 1, false},
      {"within 20 m only", "A320", 20, false, {{25, 20}}, -1, false},
      {"seen there at 70 m", "A320", 55, true, {{70, 20, false, false, byCallsign}}, 0, false},
      {"seen there at 70 m, no learned look-up",
       "A320",
       55,
       false,
       {{70, 20, false, false, byCallsign}},
       -1,
       false},
      {"seen under a second callsign", "A320", 55, true, {{70, 20, false, false, bySecond}}, 0, false},
      {"seen as the same airline and type", "A320", 55, true, {{70, 20, false, false, byTypes}}, 0, false},
      {"only a soft schedule", "A320", 55, true, {{70, 20, false, false, soft}}, -1, false},
      {"seen there at 90 m", "A320", 55, true, {{90, 20, false, false, byCallsign}}, -1, false},
      {"a rotorcraft beside a stand", "EC35", 55, false, {{5, 20}}, -1, false},
      {"a rotorcraft at a heli stand", "EC35", 55, false, {{5, 10, true}}, 0, false},
      {"an airliner at a heli stand", "A320", 55, false, {{5, 20, true}}, -1, false},
  };
  const Position from = offset(kField, -300, 0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    orv::gf_clearStands();
    run.traffic = orv::TrafficState{};
    int number = 0;
    for (const StandAt& s : r.stands) {
      Stand& stand =
          stands.add("S" + std::to_string(++number), offset(from, 0, s.metres), 0.0, s.radiusMetres, s.heli);
      stand.occupied = s.occupied;
      if (s.seen) stand.schedules.push_back(*s.seen);
    }
    LiveAircraft& a = aircraft({groundSample(from, 0, now())}, r.model);
    a.airline = orv::gf_airlineId("DLH");
    const std::int64_t count = orv::gf_learnedParkingCount();
    const int repaints = window.repaints(orv::WindowBand::Statistics);
    Stand* found = orv::lf_searchStandNear(run, from, a, r.radiusMetres / 1852.0, r.learnedAllowed);
    if (r.found < 0) {
      EXPECT_EQ(found, nullptr);
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(found->number, static_cast<std::uint32_t>(r.found + 1));
      EXPECT_EQ(found->radiusChange, r.widened);
      EXPECT_TRUE(orv::gf_fitsStand(a, *found));
    }
    if (r.widened) {
      EXPECT_NEAR(found->radius * 1852.0, 16.9, 1e-9) << "a metre inside the aircraft's half span";
      EXPECT_EQ(orv::gf_learnedParkingCount(), count + 1);
      EXPECT_EQ(window.repaints(orv::WindowBand::Statistics), repaints + 1);
    } else {
      EXPECT_EQ(orv::gf_learnedParkingCount(), count);
    }
  }
}

TEST_F(StandParking, AnAircraftStandingNearAFreeStandIsSpawnedParkedThere) {
  ScopedSetting maxLive(orv::cfg::MAX_LIVE_SEL, 500);
  struct Row {
    const char* name;
    const char* model;
    double standMetres;  // east of the first report
    double secondSpeedKt;
    bool still;  // the first two reports stand still
    bool seenThere;
    bool usersStand;
    bool reserved;
    double fieldNm;     // from the park airport
    FlightPhase phase;  // after the try; birth: it waits
  } const rows[] = {
      {"standing 40 m from a stand", "A320", 40, 0, true, false, false, false, 1, FlightPhase::Parked},
      {"standing 70 m from a stand it used", "A320", 70, 0, true, true, false, false, 1, FlightPhase::Parked},
      {"standing 70 m from another", "A320", 70, 0, true, false, false, false, 1, FlightPhase::Birth},
      {"rolling slowly up to a stand", "A320", 30, 4, false, false, false, false, 1, FlightPhase::Parked},
      {"rolling slowly, the stand 70 m on, used before", "A320", 90, 4, false, true, false, false, 1,
       FlightPhase::Taxi},
      {"taxiing", "A320", 30, 10, false, false, false, false, 1, FlightPhase::Taxi},
      {"a rotorcraft beside a stand", "EC35", 10, 0, true, false, false, false, 1, FlightPhase::Birth},
      {"the user aircraft's stand", "A320", 20, 0, true, false, true, false, 1, FlightPhase::Birth},
      {"the stand reserved for the user", "A320", 20, 0, true, false, false, true, 1, FlightPhase::Birth},
      {"6 nm from the park airport", "A320", 20, 0, true, false, false, false, 6, FlightPhase::Birth},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    orv::gf_clearStands();
    orv::gf_resetUserAircraft();
    run.traffic = orv::TrafficState{};
    const Position first = orv::gf_destinationPoint(kField, 0.0, r.fieldNm * orv::kFeetPerNm);
    // Its reports lie 20 m east of the first one when it rolls; the stand is further east.
    const Position last = r.still ? first : offset(first, 0, 20);
    Stand& stand = stands.add("K1", offset(first, 0, r.standMetres), 270.0);
    stand.reservedForUser = r.reserved;
    if (r.seenThere) stand.schedules.push_back(learned(1, 2, hoursOf({30})));
    if (r.usersStand) ground_test::ScopedUserAircraft::parkAt(offset(first, 0, r.standMetres + 5));
    const std::int64_t c = now();
    LiveAircraft& a =
        aircraft({groundSample(first, r.still ? 0 : 6, c), groundSample(last, r.secondSpeedKt, c + 300),
                  groundSample(last, r.secondSpeedKt, c + 600)},
                 r.model);
    a.stream[0].stationary = r.still;
    a.stream[1].stationary = r.still;
    a.stream[2].stationary = r.still;
    orv::gf_rememberTitle(run.traffic.titles, a.key, "Some livery");
    orv::lf_trySpawnLiveAc(run, a);
    EXPECT_EQ(a.phase, r.phase);
    EXPECT_FALSE(a.drop);
    if (r.phase == FlightPhase::Birth) {
      EXPECT_EQ(a.state, SimState::Buffer);
      EXPECT_EQ(a.stream.size(), 2u) << "it waits, its oldest report dropped";
      continue;
    }
    EXPECT_EQ(a.state, SimState::Adding2Sim);
    if (r.phase != FlightPhase::Parked) continue;
    const Stand& parked = orv::gf_parkStands().front();
    EXPECT_EQ(a.standId, parked.number);
    EXPECT_TRUE(parked.occupied);
    EXPECT_TRUE(a.atStand);
    ASSERT_EQ(a.stream.size(), 1u);
    const PositionSample& s = a.stream.front();
    EXPECT_DOUBLE_EQ(s.latitude, parked.latitude);
    EXPECT_DOUBLE_EQ(s.longitude, parked.longitude);
    EXPECT_DOUBLE_EQ(s.trackDeg, 270.0);
    EXPECT_TRUE(s.stationary);
    EXPECT_EQ(s.groundSpeedKt, 0.0);
    EXPECT_DOUBLE_EQ(a.latitude, parked.latitude);
    EXPECT_NEAR(a.headingRad, 270.0 * orv::kDegToRad, 1e-12);
    EXPECT_EQ(a.parkedSince, (WeekdayAndSlot{3, 16}));
    EXPECT_EQ(orv::gf_secondsParked(a), 0);
    // Recorded as a live parking of this half hour.
    const auto today = std::find_if(parked.schedules.begin(), parked.schedules.end(),
                                    [](const StandSchedule& x) { return x.day == 3 && x.fromFile == 0; });
    ASSERT_NE(today, parked.schedules.end());
    EXPECT_TRUE(today->hours.test(16));
  }
}

TEST_F(StandParking, ALearnedParkingGrowsUpToNowWithinTheAircraftsWindow) {
  struct Row {
    const char* name;
    const char* model;
    bool cargo;
    std::uint32_t sequence;
    WeekdayAndSlot last, now;
    bool extended;
    HalfHourSet earlier;                // schedule 1 afterwards
    std::optional<HalfHourSet> newDay;  // a second schedule of now's day
  } const rows[] = {
      {"heavy, 10 to 16",
       "B744",
       false,
       1,
       {3, 10},
       {3, 16},
       true,
       hoursOf({10, 11, 12, 13, 14, 15, 16}),
       {}},
      {"heavy, 10 to 18", "B744", false, 1, {3, 10}, {3, 18}, false, hoursOf({10}), {}},
      {"large, 10 to 16", "A320", false, 1, {3, 10}, {3, 16}, false, hoursOf({10}), {}},
      {"large, 10 to 15", "A320", false, 1, {3, 10}, {3, 15}, true, hoursOf({10, 11, 12, 13, 14, 15}), {}},
      {"cargo over midnight", "A320", true, 1, {3, 46}, {4, 2}, true, hoursOf({46, 47}), hoursOf({0, 1, 2})},
      {"cargo over the end of the week",
       "A320",
       true,
       1,
       {7, 46},
       {1, 2},
       true,
       hoursOf({46, 47}),
       hoursOf({0, 1, 2})},
      {"the same half hour", "A320", false, 1, {3, 10}, {3, 10}, true, hoursOf({10}), {}},
      {"no sequence", "A320", false, 0, {3, 10}, {3, 12}, true, hoursOf({10}), {}},
      {"an hour earlier", "A320", false, 1, {3, 12}, {3, 10}, false, hoursOf({12}), {}},
  };
  stands.add("E1", kField, 0.0, 40.0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    run.traffic = orv::TrafficState{};
    Stand& s = orv::gf_parkStands().front();
    s.schedules = {learned(1, static_cast<std::uint32_t>(r.last.weekday), hoursOf({r.last.slot}))};
    s.schedules[0].callsign.clear();
    LiveAircraft& a = aircraft({groundSample(kField, 0, now())}, r.model);
    a.cargo = r.cargo;
    EXPECT_EQ(orv::lf_extendStandOption(r.now, s, r.sequence, r.last, a, "D-AIPA", false), r.extended);
    ASSERT_EQ(s.schedules.size(), r.newDay ? 2u : 1u);
    EXPECT_EQ(s.schedules[0].hours, r.earlier);
    if (r.newDay) {
      EXPECT_EQ(s.schedules[1].day, static_cast<std::uint32_t>(r.now.weekday));
      EXPECT_EQ(s.schedules[1].hours, *r.newDay);
      EXPECT_EQ(s.schedules[1].callsign, "DLH4AB");
    }
    const bool grew = s.schedules[0].hours != hoursOf({r.last.slot});
    EXPECT_EQ(s.schedules[0].callsign, grew ? "DLH4AB" : "");
  }
}

TEST_F(StandParking, ALiveAircraftAtItsStandIsRecordedForTheHalfHour) {
  // The clock says Wednesday (3), half hour 16.
  struct Row {
    const char* name;
    std::string registration;
    std::vector<StandSchedule> before;
    orv::StandOptionKind kind;
    std::vector<HalfHourSet> after;  // the hours of each schedule
    std::vector<std::uint8_t> cpl;
    std::int64_t counted;  // learned parkings more
  } const rows[] = {
      {"an unknown registration", "D-XXXX", {}, orv::StandOptionKind::Arrival, {}, {}, 0},
      {"none yet", "D-AIPA", {}, orv::StandOptionKind::Arrival, {hoursOf({16})}, {0}, 1},
      {"a twin's registration", "D-AIPA_", {}, orv::StandOptionKind::StandSpawn, {hoursOf({16})}, {0}, 1},
      {"this half hour known",
       "D-AIPA",
       {learned(1, 3, hoursOf({16}))},
       orv::StandOptionKind::Arrival,
       {hoursOf({16})},
       {0},
       0},
      {"an hour and a half before",
       "D-AIPA",
       {learned(1, 3, hoursOf({13}))},
       orv::StandOptionKind::Arrival,
       {hoursOf({13, 14, 15, 16})},
       {0},
       1},
      {"four hours before",
       "D-AIPA",
       {learned(1, 3, hoursOf({8}))},
       orv::StandOptionKind::Arrival,
       {hoursOf({8}), hoursOf({16})},
       {0, 0},
       1},
      {"the stand file's parking lacks the half hour",
       "D-AIPA",
       {learned(1, 3, hoursOf({20}), 1)},
       orv::StandOptionKind::Arrival,
       {hoursOf({20})},
       {0},
       0},
      {"another day's parking",
       "D-AIPA",
       {learned(1, 2, hoursOf({16}))},
       orv::StandOptionKind::Arrival,
       {hoursOf({16}), hoursOf({16})},
       {0, 0},
       1},
      {"leaving", "D-AIPA", {}, orv::StandOptionKind::Departure, {hoursOf({16})}, {1}, 1},
      {"leaving, this half hour known",
       "D-AIPA",
       {learned(1, 3, hoursOf({16}))},
       orv::StandOptionKind::Departure,
       {hoursOf({16})},
       {1},
       0},
      {"back after it left",
       "D-AIPA",
       {[] {
         StandSchedule s = learned(1, 3, hoursOf({13}));
         s.cpl = 1;
         return s;
       }()},
       orv::StandOptionKind::Arrival,
       {hoursOf({13}), hoursOf({16})},
       {1, 0},
       1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    orv::gf_clearStands();
    run.traffic = orv::TrafficState{};
    Stand& stand = stands.add("R1", kField, 0.0, 40.0);
    stand.schedules = r.before;
    LiveAircraft& a = aircraft({groundSample(kField, 0, now())}, "A320", "DLH4AB", r.registration);
    a.airline = 0;
    const std::int64_t count = orv::gf_learnedParkingCount();
    orv::lf_addRealStandOption(run, stand.number, a, r.kind);
    EXPECT_EQ(orv::gf_learnedParkingCount() - count, r.counted);
    ASSERT_EQ(stand.schedules.size(), r.after.size());
    for (std::size_t i = 0; i < r.after.size(); ++i) {
      EXPECT_EQ(stand.schedules[i].hours, r.after[i]) << i;
      EXPECT_EQ(stand.schedules[i].cpl, r.cpl[i]) << i;
      EXPECT_EQ(stand.schedules[i].registration, "D-AIPA");
    }
    EXPECT_EQ(a.airline != 0, r.registration != "D-XXXX") << "the database's codes";
  }
}

TEST_F(StandParking, TooManyParkedAircraftMakeTheLongestParkedGo) {
  struct Row {
    const char* name;
    std::int64_t limit;
    int aboutToPark;
    bool initialLoadOnly;
    int statics;
    bool liveRemoved;
    bool staticRemoved;
  } const rows[] = {
      {"no limit", 0, 1, false, 2, false, false},
      {"room for one more", 3, 1, false, 0, false, false},
      {"full", 2, 1, false, 0, true, false},
      {"full, the first load only", 2, 1, true, 0, false, false},
      {"full with static aircraft", 3, 0, false, 2, false, true},
      {"full, static aircraft too", 2, 1, false, 2, true, true},
  };
  int number = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ScopedSetting initialOnly(orv::cfg::INITIAL_LOAD_ONLY, r.initialLoadOnly);
    run.traffic = orv::TrafficState{};
    run.parking.statics.clear();
    ++number;
    const std::string firstId = "M" + std::to_string(number);
    LiveAircraft& longer = parkedAt(stands.add(firstId, offset(kField, 0, 100.0 * number), 0.0));
    longer.callsign = "DLH1";
    clock.advance(std::chrono::minutes(10));
    ++number;
    LiveAircraft& shorter =
        parkedAt(stands.add("M" + std::to_string(number), offset(kField, 0, 100.0 * number), 0.0));
    shorter.key = 40002;
    shorter.callsign = "DLH2";
    const auto durations = orv::lf_parkedDurations(run);
    ASSERT_EQ(durations.size(), 2u);
    EXPECT_EQ(durations[0], std::make_pair(std::uint32_t{40001}, std::int64_t{600}));
    EXPECT_EQ(durations[1], std::make_pair(std::uint32_t{40002}, std::int64_t{0}));
    const orv::WeekdayAndSlot since[] = {{3, 10}, {2, 40}};
    for (int i = 0; i < r.statics; ++i) {
      orv::StaticAircraft& s = run.parking.statics.emplace_back(orv::AircraftHead{}, 0, kField, 0.0, false);
      s.callsign = "STA" + std::to_string(i) + "*";
      s.state = SimState::Active;
      s.objectId = 500 + i;
      s.parkedSince = since[i];
    }
    orv::lf_checkMaxParked(run, r.aboutToPark, r.limit);
    EXPECT_EQ(run.traffic.liveList[0].state, r.liveRemoved ? SimState::RemovingFromSim : SimState::Active);
    EXPECT_EQ(run.traffic.liveList[1].state, SimState::Active);
    EXPECT_EQ(logHas(fmt::format("{:8}: DLH1 live max park exceeded, removed", firstId)), r.liveRemoved);
    if (r.statics > 0) {
      EXPECT_EQ(run.parking.statics[1].state, r.staticRemoved ? SimState::RemovingFromSim : SimState::Active);
      EXPECT_EQ(run.parking.statics[0].state, SimState::Active) << "the one that parked later stays";
      EXPECT_EQ(logHas("STA1* static max park exceeded, removed"), r.staticRemoved);
    }
    EXPECT_EQ(std::count(run.traffic.removalIds.begin(), run.traffic.removalIds.end(), 501u),
              r.staticRemoved ? 1 : 0);
  }
}

// Sunday night's static aircraft has stood longer than Monday morning's, though its week time is
// the later one.
TEST_F(StandParking, OverTheWeeksEndTheStaticAircraftParkedLongestGoes) {
  clock.advance(std::chrono::seconds(404987));  // to Monday 00:30
  ASSERT_EQ(orv::gf_weekdayAndSlot(), (orv::WeekdayAndSlot{1, 1}));
  const orv::WeekdayAndSlot since[] = {{7, 46}, {1, 0}};
  for (int i = 0; i < 2; ++i) {
    orv::StaticAircraft& s = run.parking.statics.emplace_back(orv::AircraftHead{}, 0, kField, 0.0, false);
    s.callsign = "STA" + std::to_string(i) + "*";
    s.state = SimState::Active;
    s.objectId = 600 + i;
    s.parkedSince = since[i];
  }
  orv::lf_checkMaxParked(run, 1, 2);
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{600});
  EXPECT_EQ(run.parking.statics[1].state, SimState::Active);
}

TEST_F(StandParking, TheStandAtAPositionIsTheNearestWithin55MetresAndIsRemembered) {
  stands.add("N1", kField, 0.0);
  stands.add("N2", offset(kField, 0, 60), 0.0);
  stands.add("N3", offset(kField, 0, 60), 0.0);
  orv::NearestStandCache cache;
  struct Row {
    const char* name;
    Position at;
    const char* stand;
  } const rows[] = {
      {"at N1", kField, "N1"},
      {"20 m from N1", offset(kField, 0, 20), "N1"},
      {"nearer N2 than N1", offset(kField, 0, 31), "N2"},
      {"N2 and N3 as near: the earlier", offset(kField, 0, 70), "N2"},
      {"70 m off both", offset(kField, 70, 30), ""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(orv::gf_nearestStandName(cache, r.at.latitude, r.at.longitude), r.stand) << r.name;

  // Half a millimetre inside the 55 m north of N1, then as far beyond: the same position within
  // 1e-8 degrees keeps its answer; farther on it is asked again.
  const double inside = kField.latitude + orv::kStandSearchNm / 60.0 - 4e-9;
  EXPECT_EQ(orv::gf_nearestStandName(cache, inside, kField.longitude), "N1");
  EXPECT_EQ(orv::gf_nearestStandName(cache, inside + 8e-9, kField.longitude), "N1");
  EXPECT_EQ(orv::gf_nearestStandName(cache, inside + 2e-8, kField.longitude), "");
  // New stands published: asked again.
  EXPECT_EQ(orv::gf_nearestStandName(cache, kField.latitude, kField.longitude), "N1");
  orv::gf_clearStands();
  EXPECT_EQ(orv::gf_nearestStandName(cache, kField.latitude, kField.longitude), "");
}

TEST_F(StandParking, TheSimulatorLinkAsksTheRunForTheStandFromItsOwnThread) {
  stands.add("L1", kField, 0.0);
  stands.add("L2", offset(kField, 0, 200), 0.0);
  orv::ScopedWindowView view(window);
  orv::UserAcBlock block;
  block.position.latitude = kField.latitude;
  block.position.longitude = kField.longitude;
  orv::lf_onUserAcPosition(block);
  EXPECT_EQ(window.text(orv::WindowText::UserStand), "L1");
  // Only on the ground is it the user's stand.
  EXPECT_EQ(orv::gf_userStandName(run), "");
  orv::lf_onUserOnGround(1);
  EXPECT_EQ(orv::gf_userStandName(run), "L1");

  // "SimClient" and the cycle ask at the same time.
  const Position second = offset(kField, 0, 200);
  std::atomic<int> wrong{0};
  std::thread link([&] {
    for (int i = 0; i < 2000; ++i) {
      const Position p = i % 2 == 0 ? kField : second;
      if (orv::gf_nearestStandName(*run.nearestStand, p.latitude, p.longitude) != (i % 2 == 0 ? "L1" : "L2"))
        ++wrong;
    }
  });
  for (int i = 0; i < 2000; ++i)
    if (orv::gf_nearestStandName(*run.nearestStand, second.latitude, second.longitude) != "L2") ++wrong;
  link.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(StandParkingRun, TheRunWithdrawsItsLookUpWhenItEnds) {
  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  ground_test::ScopedStands stands;
  stands.add("Z1", kField, 0.0);
  testing_support::RecordingWindow window;
  orv::ScopedWindowView view(window);
  orv::UserAcBlock block;
  block.position.latitude = kField.latitude;
  block.position.longitude = kField.longitude;
  {
    testing_support::RecordingSimSide sim;
    orv::TrafficRun run{sim, window, false};
    orv::lf_onUserAcPosition(block);
    EXPECT_EQ(window.text(orv::WindowText::UserStand), "Z1");
  }
  block.position.longitude += 0.0001;
  orv::lf_onUserAcPosition(block);
  EXPECT_EQ(window.text(orv::WindowText::UserStand), "") << "no stands without a run";
  orv::gf_resetUserAircraft();
}

}  // namespace
