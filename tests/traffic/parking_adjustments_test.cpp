#include "traffic/parking_adjustments.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "foundation/message_line.h"
#include "static_parking_fixture.h"
#include "traffic/aircraft_text.h"

namespace {

using orv::ParkedDurations;
using orv::SimState;
using orv::WeekdayAndSlot;
using testing_support::ScopedSetting;
using traffic_test::schedule;
using traffic_test::Slots;
using traffic_test::StaticParkingTest;

using ParkingAdjustmentsTest = StaticParkingTest;

const Slots kNow{3, {20}};

ParkedDurations minutesParked(std::initializer_list<std::pair<std::uint32_t, std::int64_t>> minutes) {
  ParkedDurations durations;
  for (const auto& [key, m] : minutes) durations.emplace_back(key, m * 60);
  std::stable_sort(durations.begin(), durations.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return durations;
}

TEST_F(ParkingAdjustmentsTest, MoreParkedLiveAircraftThanWantedLoseThoseThatStoodLongest) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 60};  // 3 of 5
  loadStands({});
  for (std::uint32_t i = 1; i <= 5; ++i)
    parkedLive(40000 + i, "DLH" + std::to_string(i), models.a320, i, 900 + i);
  const ParkedDurations durations =
      minutesParked({{40001, 60}, {40002, 20}, {40003, 80}, {40004, 10}, {40005, 50}});
  orv::gf_parkingAdjustments(run, durations);

  EXPECT_EQ(logLinesWith("Parking adjustments: 2 more live ac than wanted").size(), 1u);
  const auto& live = run.traffic.liveList;
  EXPECT_EQ(logLinesWith("live parked "),
            (std::vector<std::string>{
                fmt::format("live parked {} at A1 removed", orv::gf_aircraftText(live[0])),
                fmt::format("live parked {} at A3 removed", orv::gf_aircraftText(live[2])),
            }));
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{901, 903}));
  EXPECT_EQ(run.parking.parkedLive.size(), 3u);
  EXPECT_TRUE(run.parking.wanted.empty());
  EXPECT_EQ(orv::gf_messageLines().message, "Parking adjustments: 0 to be removed, 0 to be added\n");
}

TEST_F(ParkingAdjustmentsTest, AParkedLiveAircraftStaysUpToItsClassesLimit) {
  struct Row {
    const char* name;
    bool heavy;
    std::int64_t minutes;
    bool reportedAtStand, initialLoadOnly;
    std::optional<std::int32_t> listedMinutes;  // none: removed
  } const rows[] = {
      {"a heavy at 120 min", true, 120, false, false, 120},
      {"a heavy at 181 min", true, 181, false, false, std::nullopt},
      {"a large one at 90 min", false, 90, false, false, 90},
      {"a large one at 120 min", false, 120, false, false, std::nullopt},
      {"a large one at 120 min with INITIAL_LOAD_ONLY", false, 120, false, true, 120},
      {"still reported at its stand", false, 500, true, false, 0},
  };
  loadStands({});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting initialLoadOnly{orv::cfg::INITIAL_LOAD_ONLY, row.initialLoadOnly};
    run.traffic.liveList.clear();
    run.traffic.removalIds.clear();
    parkedLive(40001, "DLH1", row.heavy ? models.b744 : models.a320, 4, 901).flags.reportedAtStand =
        row.reportedAtStand;
    parkedLive(40002, "DLH2", models.a320, 5, 902);
    orv::lf_collectParkedLive(run, minutesParked({{40001, row.minutes}, {40002, 30}}));
    std::vector<std::int32_t> listed;
    for (const orv::ParkedLive& p : run.parking.parkedLive) listed.push_back(p.minutes);
    if (row.listedMinutes) {
      EXPECT_EQ(run.traffic.liveList[0].state, SimState::Active);
      EXPECT_TRUE(run.traffic.removalIds.empty());
      std::vector<std::int32_t> expected{30, *row.listedMinutes};
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(listed, expected) << "shortest parked first";
    } else {
      EXPECT_EQ(run.traffic.liveList[0].state, SimState::RemovingFromSim);
      EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{901});
      EXPECT_EQ(listed, std::vector<std::int32_t>{30});
    }
  }
}

TEST_F(ParkingAdjustmentsTest, AStaticAircraftWhoseCallsignFliesLiveIsRemoved) {
  loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)},
              {},
              {},
              {schedule("EZY", models.a320, "G-EZYA", "EZY4", "", kNow)}});
  activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 18}, 70);
  activeStatic(4, "EZY", models.a320, "EZY4*", "EZY4", "", "G-EZYA", {3, 18}, 71);
  receiveCallsigns({"BAW1", "KLM9"});
  orv::gf_parkingAdjustments(run, {});
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{70});
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.parking.statics[1].state, SimState::Active);
  EXPECT_EQ(orv::gf_messageLines().message, "Parking adjustments: 1 to be removed, 0 to be added\n");
  EXPECT_FALSE(run.trafficReader.collectingCallsigns());
}

TEST_F(ParkingAdjustmentsTest, WithALookBackOf4AtSlot10AParkingAtSlot6StaysAndOneAtSlot5Goes) {
  setTime(3, 10);
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};  // 1 of 5
  loadStands({{schedule("BAW", models.a320, "G-SIXX", "BAW6", "", {3, {6}})},
              {},
              {},
              {schedule("EZY", models.a320, "G-FIVE", "EZY5", "", {3, {5}})},
              {schedule("DLH", models.a320, "D-NEWW", "DLH7", "", {3, {6}})}});
  activeStatic(1, "BAW", models.a320, "BAW6*", "BAW6", "", "G-SIXX", {3, 6}, 70);
  activeStatic(4, "EZY", models.a320, "EZY5*", "EZY5", "", "G-FIVE", {3, 5}, 71);
  orv::gf_parkingAdjustments(run, {});
  EXPECT_EQ(run.parking.realStep, 4) << "the fit passes found the wanted aircraft 4 half hours back";
  EXPECT_EQ(run.parking.statics[0].state, SimState::Active);
  EXPECT_EQ(run.parking.statics[1].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{71});
  EXPECT_EQ(orv::gf_messageLines().message, "Parking adjustments: 1 to be removed, 0 to be added\n");
}

TEST_F(ParkingAdjustmentsTest, StillScheduledLooksBackOverMidnightIntoTheDayBefore) {
  loadStands({});
  activeStatic(1, "BAW", models.a320, "BAW6*", "BAW6", "", "G-SIXX", {3, 6}, 70);
  struct Row {
    const char* name;
    WeekdayAndSlot now;
    std::int32_t realStep, softStep;
    orv::StandSchedule parking;
    std::uint32_t standId;
    bool scheduled;
  } const rows[] = {
      {"4 back from slot 10: slot 6",
       {3, 10},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {3, {6}}),
       1,
       true},
      {"4 back from slot 10: slot 5",
       {3, 10},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {3, {5}}),
       1,
       false},
      {"a later slot", {3, 10}, 4, -1, schedule("BAW", models.a320, "G-SIXX", "", "", {3, {11}}), 1, false},
      {"another registration",
       {3, 10},
       4,
       -1,
       schedule("BAW", models.a320, "G-XXXX", "", "", {3, {10}}),
       1,
       false},
      {"another airline",
       {3, 10},
       4,
       -1,
       schedule("EZY", models.a320, "G-SIXX", "", "", {3, {10}}),
       1,
       false},
      {"another day", {3, 10}, 4, -1, schedule("BAW", models.a320, "G-SIXX", "", "", {4, {10}}), 1, false},
      {"slot 2: the day before's 46",
       {3, 2},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {2, {46}}),
       1,
       true},
      {"slot 2: the day before's 45",
       {3, 2},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {2, {45}}),
       1,
       false},
      {"Monday slot 1: Sunday's 45",
       {1, 1},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {7, {45}}),
       1,
       true},
      {"the soft step is farther back",
       {3, 10},
       2,
       6,
       schedule("BAW", models.a320, "G-SIXX", "", "", {3, {4}}),
       1,
       true},
      {"the look-back ends at 47",
       {3, 47},
       60,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {3, {0}}),
       1,
       true},
      {"the look-back ends at 47, not 48",
       {3, 47},
       60,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {2, {47}}),
       1,
       false},
      {"no stand", {3, 10}, 4, -1, schedule("BAW", models.a320, "G-SIXX", "", "", {3, {10}}), 0, false},
      {"an unknown stand",
       {3, 10},
       4,
       -1,
       schedule("BAW", models.a320, "G-SIXX", "", "", {3, {10}}),
       9,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    stand(1).schedules = {row.parking};
    run.parking.realStep = row.realStep;
    run.parking.softStep = row.softStep;
    EXPECT_EQ(orv::lf_isStillScheduled(run, row.now, row.standId, run.parking.statics[0]), row.scheduled);
  }
}

TEST_F(ParkingAdjustmentsTest, AKeptAircraftIsNotCreatedAgainAndOnlyTheMissingOneIs) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 40};  // 2 of 5
  loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)},
              {},
              {},
              {schedule("DLH", models.a320, "D-AAAA", "DLH4", "", kNow)}});
  activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 16}, 70);
  orv::gf_parkingAdjustments(run, {});
  EXPECT_EQ(orv::gf_messageLines().message, "Parking adjustments: 0 to be removed, 1 to be added\n");
  ASSERT_EQ(run.parking.present.size(), 1u);
  EXPECT_EQ(run.parking.present[0].displayedCallsign, "BAW1*");
  while (orv::staticWorkPending(run)) orv::detcs(run);
  ASSERT_EQ(run.traffic.staticCreations.size(), 1u);
  EXPECT_EQ(run.traffic.staticCreations[0].callsign, "DLH4*");
  EXPECT_EQ(run.parking.statics[0].state, SimState::Active);
  EXPECT_TRUE(run.traffic.removalIds.empty());
}

TEST_F(ParkingAdjustmentsTest, AnAircraftWhoseFirstCallsignEndsComesBackUnderItsSecond) {
  struct Row {
    const char* name;
    WeekdayAndSlot now;
    std::vector<orv::StandSchedule> parkings;
    bool replaced;
  } const rows[] = {
      {"before midnight, parked on the next day too",
       {3, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {45, 46, 47}}),
        schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {4, {0, 1}})},
       false},
      {"before midnight, not parked on the next day",
       {3, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {45, 46, 47}})},
       true},
      {"before midnight, the next day's parking by another type",
       {3, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {45, 46, 47}}),
        schedule("BAW", models.b744, "G-BBBB", "BAW1", "SHT1", {4, {0}})},
       true},
      {"Sunday before midnight, parked on Monday",
       {7, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {7, {45, 46, 47}}),
        schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {1, {0}})},
       false},
      {"by day, parked in the next half hour",
       {3, 30},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {28, 29, 30, 31}})},
       false},
      {"by day, the parking ends now",
       {3, 30},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {28, 29, 30}})},
       true},
  };
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};  // 1 of 5
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setTime(row.now.weekday, row.now.slot);
    run.parking.statics.clear();
    run.traffic.staticCreations.clear();
    run.traffic.removalIds.clear();
    loadStands({row.parkings});
    const WeekdayAndSlot since = orv::gf_halfHoursBefore(row.now, 2);
    activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "SHT1", "G-AAAA", since, 70);
    orv::gf_parkingAdjustments(run, {});
    if (!row.replaced) {
      EXPECT_EQ(run.parking.statics[0].state, SimState::Active);
      EXPECT_TRUE(run.parking.wanted.empty());
      continue;
    }
    EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
    EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{70});
    EXPECT_EQ(orv::gf_messageLines().message, "Parking adjustments: 1 to be removed, 1 to be added\n");
    orv::detcs(run);
    ASSERT_EQ(run.parking.statics.size(), 2u) << "placed beside the one on its way out";
    const orv::StaticAircraft& replacement = run.parking.statics[1];
    EXPECT_EQ(replacement.callsign, "SHT1*");
    EXPECT_EQ(replacement.flightCallsign, "BAW1");
    EXPECT_EQ(replacement.standId, 1u);
    EXPECT_EQ(replacement.parkedSince, since) << "parked since the same time";
    ASSERT_EQ(run.traffic.staticCreations.size(), 1u);
  }
  // Once it shows the second callsign it is no longer examined.
  run.parking.statics.erase(run.parking.statics.begin());
  run.parking.statics[0].state = SimState::Active;
  run.parking.statics[0].objectId = 71;
  run.traffic.removalIds.clear();
  orv::gf_parkingAdjustments(run, {});
  EXPECT_EQ(run.parking.statics[0].state, SimState::Active);
  EXPECT_TRUE(run.traffic.removalIds.empty());
}

TEST_F(ParkingAdjustmentsTest, AnotherAircraftWantedOnTheStandReplacesAStaticAircraftParkedBeforeIt) {
  struct Row {
    const char* name;
    WeekdayAndSlot now, parkedSince;
    bool replaced;
  } const rows[] = {
      {"parked 6 half hours ago, the wanted one 1", {3, 20}, {3, 14}, true},
      {"parked 1 half hour ago, as the wanted one", {3, 20}, {3, 19}, false},
      {"parked 9 half hours ago, before the week's turn", {1, 1}, {7, 40}, true},
  };
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};  // 1 of 5
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setTime(row.now.weekday, row.now.slot);
    run.parking.statics.clear();
    run.traffic.removalIds.clear();
    // Its own parking is in use while it stands there; DLH4 parks there from the half hour before.
    const int day = row.now.weekday;
    loadStands(
        {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", {day, {row.now.slot}}),
          schedule("DLH", models.a320, "D-AAAA", "DLH4", "", {day, {row.now.slot - 1, row.now.slot}})}});
    activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", row.parkedSince, 70);
    orv::gf_parkingAdjustments(run, {});
    EXPECT_EQ(run.parking.statics[0].state, row.replaced ? SimState::RemovingFromSim : SimState::Active);
    EXPECT_EQ(wantedCallsigns(),
              row.replaced ? std::vector<std::string>{"DLH4"} : std::vector<std::string>{});
  }
}

TEST_F(ParkingAdjustmentsTest, TheExcessGoesWantedFirstThenStaticThenLiveAircraftParkedLongest) {
  struct Row {
    const char* name;
    int percentage, custom;
    std::function<void(ParkingAdjustmentsTest&)> setUp;
    ParkedDurations durations;
    std::vector<std::int32_t> wantedStands;
    std::deque<std::uint32_t> removed;
  };
  const Row rows[] = {
      {"the worst wanted fit",
       40,
       -1,
       [](ParkingAdjustmentsTest& t) {
         t.loadStands({{schedule("BAW", t.models.a320, "G-AAAA", "BAW1", "", kNow)},
                       {},
                       {},
                       {schedule("DLH", t.models.a320, "D-AAAA", "DLH4", "", kNow)},
                       {schedule("EZY", t.models.a320, "G-EZYA", "EZY5", "", {3, {18}})}});
         t.activeStatic(1, "BAW", t.models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 18}, 70);
       },
       {},
       {4},
       {}},
      {"then the static aircraft parked longest",
       20,
       -1,
       [](ParkingAdjustmentsTest& t) {
         t.loadStands({{schedule("BAW", t.models.a320, "G-AAAA", "BAW1", "",
                                 {3, {12, 13, 14, 15, 16, 17, 18, 19, 20}})},
                       {},
                       {},
                       {schedule("DLH", t.models.a320, "D-AAAA", "DLH4", "", {3, {18, 19, 20}})}});
         t.activeStatic(1, "BAW", t.models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 12}, 70);
         t.activeStatic(4, "DLH", t.models.a320, "DLH4*", "DLH4", "", "D-AAAA", {3, 18}, 71);
       },
       {},
       {},
       {70}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, row.percentage};
    ScopedSetting custom{orv::cfg::CUSTOM_PARKING_PERCENTAGE, row.custom};
    run.parking.statics.clear();
    run.traffic.liveList.clear();
    run.traffic.removalIds.clear();
    row.setUp(*this);
    orv::gf_parkingAdjustments(run, row.durations);
    EXPECT_EQ(wantedStands(), row.wantedStands);
    EXPECT_EQ(run.traffic.removalIds, row.removed);
  }
}

TEST_F(ParkingAdjustmentsTest, NoStaticAircraftWantedRemovesTheStaticOnesAndLeavesParkedLiveTraffic) {
  struct Row {
    const char* name;
    int maxParked, percentage, custom;
  } const rows[] = {
      {"MAX_PARK_SEL 0", 0, 30, -1},
      {"CUSTOM_PARKING_PERCENTAGE 0", 10, 30, 0},
      {"8 % of 5 stands rounds to 0", 10, 8, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting maxParked{orv::cfg::MAX_PARK_SEL, row.maxParked};
    ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, row.percentage};
    ScopedSetting custom{orv::cfg::CUSTOM_PARKING_PERCENTAGE, row.custom};
    run.parking.statics.clear();
    run.traffic.liveList.clear();
    run.traffic.removalIds.clear();
    loadStands({{}, {}, {}, {schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)}});
    activeStatic(4, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 18}, 70);
    parkedLive(40002, "DLH2", models.a320, 2, 902);
    parkedLive(40005, "DLH5", models.a320, 5, 905);
    orv::gf_parkingAdjustments(run, minutesParked({{40002, 10}, {40005, 50}}));
    EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{70}) << "only the static aircraft goes";
    for (const orv::LiveAircraft& a : run.traffic.liveList)
      EXPECT_EQ(a.state, SimState::Active) << a.callsign;
    EXPECT_TRUE(run.parking.wanted.empty());
  }
}

// The stand keeps the aircraft standing there at every fit step, also once its own parking is
// taken out as in use; no other parking of the stand is wanted in its place.
TEST_F(ParkingAdjustmentsTest,
       WithRandomOnAStaticAircraftStillScheduledKeepsItsStandAdjustmentAfterAdjustment) {
  ScopedSetting random{orv::cfg::RANDOM, true};
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};  // 1 of 5
  loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", {3, {18, 19}}),
               schedule("EZY", models.a320, "G-EZYA", "EZY1", "", {3, {18, 19}}),
               schedule("DLH", models.a320, "D-AAAA", "DLH1", "", {3, {18, 19}})}});
  activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 10}, 70);
  for (const int slot : {20, 21, 22}) {
    SCOPED_TRACE(slot);
    setTime(3, slot);
    orv::gf_parkingAdjustments(run, {});
    EXPECT_EQ(run.parking.statics[0].state, SimState::Active);
    EXPECT_TRUE(run.traffic.removalIds.empty());
    EXPECT_EQ(wantedCallsigns(), std::vector<std::string>{});
  }
}

}  // namespace
