#include "traffic/static_parking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "foundation/message_line.h"
#include "platform/simconnect/backend.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_client.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_side.h"
#include "simlink/sim_state.h"
#include "standin/stand_in.h"
#include "static_parking_fixture.h"
#include "traffic/cycle.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"

namespace {

using orv::SimMessage;
using orv::SimMessageKind;
using orv::SimState;
using orv::WantedStatic;
using orv::WeekdayAndSlot;
using testing_support::ScopedSetting;
using traffic_test::schedule;
using traffic_test::Slots;
using traffic_test::StaticParkingTest;
using traffic_test::wantedAt;

// Wednesday, half hour 20 (10:00 UTC): the fixture's time.
const Slots kNow{3, {20}};

TEST_F(StaticParkingTest, TheWantedCountFollowsThePercentageAndTheLimit) {
  struct Row {
    const char* name;
    std::size_t stands;
    int percentage, custom, maxSel;
    std::int64_t wanted, percent;
  } const rows[] = {
      {"40 stands at 30 %", 40, 30, -1, 500, 12, 30},
      {"3 stands at 40 %: one", 3, 40, -1, 500, 1, 33},
      {"3 stands at 50 %: 1.5 rounds to 2", 3, 50, -1, 500, 2, 67},
      {"1 stand", 1, 30, -1, 500, 1, 100},
      {"100 stands at 30 %, MAX_PARK_SEL 10", 100, 30, -1, 10, 10, 10},
      {"custom 0 % over more than 3 stands", 5, 30, 0, 500, 0, 0},
      {"custom 50 % before parking_percentage", 40, 30, 50, 500, 20, 50},
      {"MAX_PARK_SEL 0", 40, 30, -1, 0, 0, 0},
      {"no stands", 0, 30, -1, 500, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, row.percentage};
    ScopedSetting custom{orv::cfg::CUSTOM_PARKING_PERCENTAGE, row.custom};
    ScopedSetting maxSel{orv::cfg::MAX_PARK_SEL, row.maxSel};
    loadPlainStands(row.stands);
    EXPECT_EQ(orv::gf_wantedParkedCount(run), row.wanted);
    EXPECT_EQ(window.count(orv::WindowCount::WantedParked), row.wanted);
    EXPECT_EQ(window.count(orv::WindowCount::WantedPercent), row.percent);
  }
}

TEST(StaticParkingText, AStaticCallsignLosesItsUnderscoresAndEndsInAStar) {
  EXPECT_EQ(orv::gf_staticCallsign("BAW12"), "BAW12*");
  EXPECT_EQ(orv::gf_staticCallsign("BAW12__"), "BAW12*");
  EXPECT_EQ(orv::gf_staticCallsign("BAW12*"), "BAW12*");
  EXPECT_EQ(orv::gf_staticCallsign("_"), "*");
}

TEST_F(StaticParkingTest, AnAircraftWantedThreeHalfHoursBackOnMondayAtSlot1ParksSinceSunday46) {
  setTime(1, 1);
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};  // 1 of 5
  loadStands({{schedule("BAW", models.a320, "G-EUUA", "BAW12", "", {7, {46}})}});
  orv::gf_computeParking(run);
  ASSERT_EQ(run.parking.wanted.size(), 1u);
  EXPECT_EQ(run.parking.wanted[0].offset, 3u);
  orv::detcs(run);
  ASSERT_EQ(run.parking.statics.size(), 1u);
  EXPECT_EQ(run.parking.statics[0].parkedSince, (WeekdayAndSlot{7, 46}));
  EXPECT_EQ(run.parking.realStep, 3);
}

TEST_F(StaticParkingTest, TwoAdjacentStandsNeverBothGetAStaticAircraft) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 100};
  std::vector<std::vector<orv::StandSchedule>> parkings;
  for (int i = 1; i <= 5; ++i)
    parkings.push_back(
        {schedule("BAW", models.a320, "G-AAA" + std::to_string(i), "BAW" + std::to_string(i), "", kNow),
         schedule("EZY", models.a320, "G-EZY" + std::to_string(i), "EZY" + std::to_string(i), "", kNow)});
  for (const bool randomOn : {false, true, true, true}) {
    SCOPED_TRACE(randomOn ? "RANDOM on" : "RANDOM off");
    ScopedSetting random{orv::cfg::RANDOM, randomOn};
    loadStands(parkings);
    orv::gf_computeParking(run);
    std::vector<std::int32_t> stands = wantedStands();
    std::sort(stands.begin(), stands.end());
    EXPECT_EQ(stands, (std::vector<std::int32_t>{1, 2, 4, 5}));
    EXPECT_TRUE(stand(3).staticBlocked);
    EXPECT_FALSE(stand(3).chosen);
    while (orv::staticWorkPending(run)) orv::detcs(run);
    std::set<std::uint32_t> placed;
    for (const orv::StaticAircraft& s : run.parking.statics) placed.insert(s.standId);
    EXPECT_EQ(placed, (std::set<std::uint32_t>{1, 2, 4, 5}));
    run.parking.statics.clear();
    run.traffic.staticCreations.clear();
  }
  EXPECT_EQ(
      logLinesWith("4 real positions found, Max fit=24.0 hours, day 3, hh:20 or 11.0 hrs, fit: 24.0 hour")
          .size(),
      4u);
  EXPECT_EQ(logLinesWith("4 positions (80% vs wanted 100%, with Max fit=24.0 hours)").size(), 4u);
  EXPECT_EQ(window.parkingControls(), 0) << "disabled until the last one is placed";
}

TEST_F(StaticParkingTest, AnActiveStaticAircraftNextDoorKeepsAModelThatWouldTouchItAway) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};
  loadStands({{}, {schedule("BAW", models.b744, "G-BYGA", "BAW2", "", kNow)}});
  activeStatic(3, "EZY", models.a320, "EZY5*", "EZY5", "", "G-EZYA", {3, 18}, 70);
  orv::gf_computeParking(run);
  EXPECT_TRUE(run.parking.wanted.empty());
  EXPECT_EQ(logLinesWith("no parking positions found").size(), 1u);
  EXPECT_EQ(window.parkingControls(), 1) << "nothing to place: the controls take input again";

  // A static aircraft far enough away is no obstacle.
  run.parking.statics.back().position.longitude += 0.01;
  orv::gf_computeParking(run);
  EXPECT_EQ(wantedStands(), std::vector<std::int32_t>{2});
}

TEST_F(StaticParkingTest, ThePassesRunInTheirOrderAsWeekAndParkSoftAllow) {
  struct Row {
    const char* name;
    bool week, soft;
    int percentage;
    std::vector<std::string> passLines;
    std::vector<std::int32_t> stands;  // in placement order, the last placed first
    int weekMark, softMark;
  } const rows[] = {
      {"a real pass that reached the wanted count at step 2",
       false,
       false,
       20,
       {"1 real position found, Max fit=24.0 hours, day 3, hh:20 or 11.0 hrs, fit: 1.5 hour"},
       {1},
       0,
       0},
      {"the real pass alone",
       false,
       false,
       60,
       {"1 real position found, Max fit=24.0 hours, day 3, hh:20 or 11.0 hrs, fit: 24.0 hour"},
       {1},
       0,
       0},
      {"WEEK on", true, false, 60, {"1 real position found", "1 week/real position found"}, {1, 4}, 1, 0},
      {"PARK_SOFT on", false, true, 60, {"1 real position found", "1 soft position found"}, {1, 5}, 0, 1},
      {"both: the wanted count is reached before the week/soft pass",
       true,
       true,
       60,
       {"1 real position found", "1 week/real position found", "1 soft position found"},
       {1, 4, 5},
       0,
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting week{orv::cfg::WEEK, row.week};
    ScopedSetting soft{orv::cfg::PARK_SOFT, row.soft};
    ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, row.percentage};
    loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", {3, {18}})},
                {},
                {},
                {schedule("DLH", models.a320, "D-AAAA", "DLH4", "", {5, {20}})},
                {schedule("EZY", models.a320, "G-EZYA", "EZY5", "", kNow, 0),
                 schedule("EZY", models.a320, "G-EZYB", "EZY6", "", {2, {20}}, 0)}});
    orv::gf_openLog();  // a log of this row alone
    orv::gf_computeParking(run);
    EXPECT_EQ(wantedStands(), row.stands);
    std::vector<std::string> passLines = logLinesWith(" position found, ");
    ASSERT_EQ(passLines.size(), row.passLines.size());
    for (std::size_t i = 0; i < passLines.size(); ++i)
      EXPECT_TRUE(passLines[i].starts_with(row.passLines[i])) << passLines[i];
    EXPECT_EQ(window.flag(orv::WindowFlag::WeekPass), row.weekMark);
    EXPECT_EQ(window.flag(orv::WindowFlag::SoftPass), row.softMark);
    EXPECT_EQ(window.value(orv::WindowValue::AverageFitStatic), -1.0);
    EXPECT_EQ(window.value(orv::WindowValue::AverageFitLive), -1.0);
  }
}

TEST_F(StaticParkingTest, AnAircraftInUseIsNotWantedAgainAndItsStandTriesALaterParking) {
  const auto laterAtA4 = schedule("DLH", models.a320, "D-LATE", "DLH9", "", {3, {17}});
  struct Row {
    const char* name;
    std::vector<std::vector<orv::StandSchedule>> parkings;
    std::function<void(StaticParkingTest&)> before;
    std::vector<std::int32_t> stands;
    std::vector<std::uint32_t> offsets;
    std::uint32_t refused;  // the stand whose first parking was found in use; 0 for none
  };
  const Row rows[] = {
      {"the same registration in the same step",
       {{schedule("BAW", models.a320, "G-SAME", "BAW1", "", kNow)},
        {},
        {},
        {schedule("BAW", models.a320, "G-SAME", "BAW7", "", kNow), laterAtA4}},
       nullptr,
       {4, 1},
       {3, 0},
       4},
      {"the same registration wanted in an earlier step",
       {{schedule("BAW", models.a320, "G-SAME", "BAW1", "", kNow)},
        {},
        {},
        {schedule("BAW", models.a320, "G-SAME", "BAW7", "", {3, {19}}), laterAtA4}},
       nullptr,
       {4, 1},
       {3, 0},
       4},
      {"its callsign was collected",
       {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)}, {}, {}, {laterAtA4}},
       [](StaticParkingTest& t) { t.receiveCallsigns({"BAW1"}); },
       {4},
       {3},
       1},
      {"its ghost was collected",
       {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)}, {}, {}, {laterAtA4}},
       [](StaticParkingTest& t) { t.receiveCallsigns({"BAW1_"}); },
       {4},
       {3},
       1},
      {"its second callsign was collected",
       {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", kNow)}, {}, {}, {laterAtA4}},
       [](StaticParkingTest& t) { t.receiveCallsigns({"SHT1"}); },
       {4},
       {3},
       1},
      {"a static aircraft has its callsign as the learned one",
       {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)}, {}, {}, {laterAtA4}},
       [](StaticParkingTest& t) {
         t.activeStatic(5, "BAW", t.models.a320, "BAW1*", "BAW1", "", "G-OTHR", {3, 10}, 80);
       },
       {4},
       {3},
       1},
      {"a wanted aircraft has it as its second callsign",
       {{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)},
        {},
        {},
        {schedule("EZY", models.a320, "G-EZYA", "EZY5", "BAW1", kNow), laterAtA4}},
       nullptr,
       {4, 1},
       {3, 0},
       4},
      {"empty callsigns name no aircraft",
       {{schedule("BAW", models.a320, "G-AAAA", "", "", kNow)},
        {},
        {},
        {schedule("BAW", models.a320, "G-BBBB", "", "", kNow)}},
       [](StaticParkingTest& t) {
         t.activeStatic(5, "BAW", t.models.a320, "BAW9*", "", "", "G-OTHR", {3, 10}, 80);
       },
       {1, 4},
       {0, 0},
       0},
  };
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 60};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.parking.statics.clear();
    loadStands(row.parkings);
    if (row.before) row.before(*this);
    orv::gf_computeParking(run);
    EXPECT_EQ(wantedStands(), row.stands);
    std::vector<std::uint32_t> offsets;
    for (const WantedStatic& w : run.parking.wanted) offsets.push_back(w.offset);
    EXPECT_EQ(offsets, row.offsets);
    // A parking in use is not offered again in this computation.
    for (std::uint32_t n = 1; n <= 5; ++n)
      for (const orv::StandSchedule& sch : stand(n).schedules)
        EXPECT_EQ(sch.sequence == 0, n == row.refused && &sch == &stand(n).schedules[0]) << "A" << n;
  }
}

TEST_F(StaticParkingTest, TheShownCallsignFollowsWhetherTheAircraftStaysIntoTheNextHalfHour) {
  struct Row {
    const char* name;
    WeekdayAndSlot now;
    std::vector<orv::StandSchedule> parkings;
    const char* shown;
  } const rows[] = {
      {"staying", {3, 20}, {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {20, 21}})}, "BAW1*"},
      {"leaving", {3, 20}, {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {19, 20}})}, "SHT1*"},
      {"leaving without a second callsign",
       {3, 20},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "", {3, {20}})},
       "BAW1*"},
      {"before midnight, parked on the next day",
       {3, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {47}}),
        schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {4, {0}})},
       "BAW1*"},
      {"before midnight, not parked on the next day",
       {3, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {3, {47}}),
        schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {4, {1}})},
       "SHT1*"},
      {"Sunday before midnight, parked on Monday",
       {7, 47},
       {schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {7, {47}}),
        schedule("BAW", models.a320, "G-AAAA", "BAW1", "SHT1", {1, {0}})},
       "BAW1*"},
  };
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setTime(row.now.weekday, row.now.slot);
    run.parking.statics.clear();
    loadStands({row.parkings});
    orv::gf_computeParking(run);
    orv::detcs(run);
    ASSERT_EQ(run.parking.statics.size(), 1u);
    EXPECT_EQ(run.parking.statics[0].callsign, row.shown);
  }
}

TEST_F(StaticParkingTest, WithRandomOnAnAircraftStandingThereKeepsItsPlaceAmongTheParkings) {
  ScopedSetting random{orv::cfg::RANDOM, true};
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};
  for (int i = 0; i < 20; ++i) {
    run.parking.statics.clear();
    loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow),
                 schedule("DLH", models.a320, "D-AAAA", "DLH4", "", kNow),
                 schedule("EZY", models.a320, "G-EZYA", "EZY5", "", kNow)}});
    activeStatic(1, "BAW", models.a320, "BAW1*", "BAW1", "", "G-AAAA", {3, 19}, 70);
    orv::gf_computeParking(run);
    ASSERT_TRUE(run.parking.wanted.empty()) << "its own parking came first and is in use";
    EXPECT_EQ(stand(1).schedules[0].sequence, 0u);
  }
}

TEST_F(StaticParkingTest, AHelicopterStandTakesNoneWhileHelicoptersAreOff) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 20};
  for (const bool helicopters : {false, true}) {
    ScopedSetting option{orv::cfg::HELICOPTERS, helicopters};
    loadStands({{schedule("BAW", models.a320, "G-AAAA", "BAW1", "", kNow)}});
    stand(1).heli = true;
    orv::gf_computeParking(run);
    EXPECT_EQ(run.parking.wanted.size(), helicopters ? 1u : 0u);
  }
}

TEST_F(StaticParkingTest, ACollectedCallsignIsTheCallsignOrItsGhost) {
  receiveCallsigns({"BAW12", "EZY7_"});
  orv::lf_takeOverCallsigns(run);
  EXPECT_FALSE(run.trafficReader.collectingCallsigns());
  struct Row {
    const char* callsign;
    bool collected;
  } const rows[] = {{"BAW12", true}, {"EZY7", true},    {"EZY7_", true},
                    {"BAW1", false}, {"BAW12_", false}, {"", false}};
  for (const Row& row : rows)
    EXPECT_EQ(orv::lf_isCollectedCallsign(run.parking, row.callsign), row.collected) << row.callsign;
}

TEST_F(StaticParkingTest, APlacedStaticAircraftShowsTheCallsignOfTheHalfHour) {
  loadStands({});
  struct Row {
    const char* name;
    const char* airline;
    std::string callsign, second;
    bool stays;
    const char* shown;
  } const rows[] = {
      {"no callsign: airline, key and a star", "BAW", "", "SHT9", true, "BAW1*"},
      {"staying: the first callsign", "BAW", "BAW12", "SHT12", true, "BAW12*"},
      {"leaving: the second callsign", "BAW", "BAW12", "SHT12", false, "SHT12*"},
      {"leaving without a second callsign", "BAW", "BAW12", "", false, "BAW12*"},
      {"underscores cut", "EZY", "EZY7__", "", true, "EZY7*"},
      {"a star kept", "DLH", "DLH4*", "", true, "DLH4*"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.parking.statics.clear();
    run.traffic.staticCreations.clear();
    run.parking.keyCounter = 0;
    run.parking.wanted.push_back(WantedStatic{.standId = 4,
                                              .offset = 0,
                                              .airline = orv::gf_airlineId(row.airline),
                                              .model = models.a320,
                                              .callsign = row.callsign,
                                              .secondCallsign = row.second,
                                              .registration = "G-REG",
                                              .stays = row.stays});
    orv::detcs(run);
    ASSERT_EQ(run.parking.statics.size(), 1u);
    const orv::StaticAircraft& s = run.parking.statics[0];
    EXPECT_EQ(s.callsign, row.shown);
    EXPECT_EQ(s.flightCallsign, row.callsign);
    EXPECT_EQ(s.extraText, row.second);
    EXPECT_EQ(s.key, 1u);
    EXPECT_EQ(s.state, SimState::Adding2Sim);
    ASSERT_EQ(run.traffic.staticCreations.size(), 1u);
    const orv::SimCreateRequest& request = run.traffic.staticCreations[0];
    EXPECT_EQ(request.callsign, row.shown);
    EXPECT_EQ(request.key, 1u);
    EXPECT_EQ(request.liveryTitle, std::string(row.airline) + " A320 pax");
    EXPECT_DOUBLE_EQ(request.initPosition.Latitude, stand(4).latitude);
    EXPECT_DOUBLE_EQ(request.initPosition.Longitude, stand(4).longitude);
    EXPECT_NEAR(request.initPosition.Heading, 1.5 * 57.29577951308232, 1e-9);
    EXPECT_EQ(request.initPosition.OnGround, 1u);
  }
}

TEST_F(StaticParkingTest, StaticKeysRunFrom1To9999AndSkipKeysStillHeld) {
  loadStands({});
  const auto place = [this](std::int32_t standId) {
    run.parking.wanted.push_back(wantedAt(standId, "BAW", models.a320, "BAW" + std::to_string(standId)));
    orv::detcs(run);
    return run.parking.statics.back().key;
  };
  run.parking.keyCounter = 9998;
  EXPECT_EQ(place(1), 9999u);
  EXPECT_EQ(place(4), 1u) << "after 9999 comes 1";
  // Key 2 settles in the created list after its aircraft went, key 3 is held by an aircraft.
  run.traffic.created.push_back({SimMessage{90, 2, 0, SimMessageKind::StaticCreated}, 10});
  run.parking.statics.back().key = 3;
  EXPECT_EQ(place(5), 4u);
  EXPECT_EQ(run.parking.keyCounter, 4u);
}

TEST_F(StaticParkingTest, APlacementNextToAnotherAircraftIsDroppedWithItsReason) {
  struct Row {
    const char* name;
    std::function<void(StaticParkingTest&)> setUp;
    const char* line;  // none: placed
  } const rows[] = {
      {"a live aircraft parked next door",
       [](StaticParkingTest& t) { t.parkedLive(40001, "DLH4", t.models.a320, 3, 0); },
       "A2      : no static parking for BAW2, live aircraft DLH4 is adjacent at A3, possibly colliding"},
      {"a live aircraft rolling into the stand",
       [](StaticParkingTest& t) {
         t.parkedLive(40001, "DLH4", t.models.a320, 2, 0).phase = orv::FlightPhase::Parking;
       },
       "A2      : no static parking for BAW2, live aircraft DLH4 standing here"},
      {"a static aircraft next door",
       [](StaticParkingTest& t) {
         t.activeStatic(3, "EZY", t.models.a320, "EZY5*", "EZY5", "", "G-EZYA", {3, 18}, 70);
       },
       "A2      : no static parking for BAW2, static aircraft EZY5* is adjacent at A3, possibly colliding"},
      {"a static aircraft on the stand on its way out",
       [](StaticParkingTest& t) {
         t.activeStatic(2, "EZY", t.models.a320, "EZY5*", "EZY5", "", "G-EZYA", {3, 18}, 70).state =
             SimState::RemovingFromSim;
       },
       nullptr},
      {"a live aircraft taxiing next door",
       [](StaticParkingTest& t) {
         t.parkedLive(40001, "DLH4", t.models.a320, 3, 0).phase = orv::FlightPhase::Taxi;
       },
       nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.parking.statics.clear();
    run.traffic.liveList.clear();
    run.traffic.staticCreations.clear();
    loadStands({});
    row.setUp(*this);
    const std::size_t before = run.parking.statics.size();
    run.parking.wanted.push_back(wantedAt(2, "BAW", models.a320, "BAW2"));
    orv::detcs(run);
    EXPECT_TRUE(run.parking.wanted.empty());
    if (row.line) {
      EXPECT_EQ(logLinesWith(row.line).size(), 1u);
      EXPECT_EQ(run.parking.statics.size(), before);
      EXPECT_TRUE(run.traffic.staticCreations.empty());
    } else {
      EXPECT_EQ(run.parking.statics.size(), before + 1);
      EXPECT_EQ(run.traffic.staticCreations.size(), 1u);
    }
  }
  EXPECT_TRUE(logLinesWith("no static parking for").size() == 3u);

  run.parking.wanted.push_back(wantedAt(9, "BAW", models.a320, "BAW9"));
  orv::detcs(run);
  EXPECT_EQ(logLinesWith("==> stand with id 9 not found").size(), 1u);
}

TEST_F(StaticParkingTest, WithoutALiveryTitleNothingIsCreated) {
  loadStands({});
  orv::LiveryTables empty;
  run.traffic.liverySources.tables = &empty;
  run.parking.wanted.push_back(wantedAt(4, "BAW", models.a320, "BAW4"));
  orv::detcs(run);
  EXPECT_TRUE(run.parking.statics.empty());
  EXPECT_TRUE(run.traffic.staticCreations.empty());
  EXPECT_EQ(logLinesWith("A4      : BAW4*").size(), 1u);
  EXPECT_EQ(logLinesWith("no livery match ...").size(), 1u);
}

TEST_F(StaticParkingTest, CreationsGoOnePer50CyclesAndNeverOnOverlappingStands) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 100};
  std::vector<std::vector<orv::StandSchedule>> parkings;
  for (int i = 1; i <= 5; ++i)
    parkings.push_back(
        {schedule("BAW", models.a320, "G-AAA" + std::to_string(i), "BAW" + std::to_string(i), "", kNow)});
  loadStands(parkings);
  orv::gf_computeParking(run);
  ASSERT_EQ(run.parking.wanted.size(), 4u);
  while (orv::gf_cycleCounter() % 50 != 1) orv::lf_handleAddingStack(run);
  std::vector<std::int64_t> creationCycles;
  for (int i = 0; i < 300; ++i) {
    const std::int64_t c = orv::gf_cycleCounter();
    const std::size_t before = sim.creations.size();
    orv::lf_handleAddingStack(run);
    if (sim.creations.size() > before) creationCycles.push_back(c);
  }
  ASSERT_EQ(creationCycles.size(), 4u);
  for (std::size_t i = 0; i < creationCycles.size(); ++i) {
    EXPECT_EQ(creationCycles[i] % 50, 0);
    if (i > 0) {
      EXPECT_EQ(creationCycles[i] - creationCycles[i - 1], 50);
    }
  }
  std::set<double> longitudes;
  for (const orv::SimCreateRequest& r : sim.creations) longitudes.insert(r.initPosition.Longitude);
  EXPECT_EQ(longitudes, (std::set<double>{stand(1).longitude, stand(2).longitude, stand(4).longitude,
                                          stand(5).longitude}));
  for (const orv::StaticAircraft& s : run.parking.statics) EXPECT_EQ(s.state, SimState::Adding2Sim);
}

class StaticActivationTest : public StaticParkingTest {
 protected:
  orv::StaticAircraft& placeOne(std::int32_t standId = 1) {
    run.parking.wanted.push_back(wantedAt(standId, "BAW", models.a320, "BAW1"));
    orv::detcs(run);
    return run.parking.statics.back();
  }
  // Until the created object has settled.
  void settle() {
    for (int i = 0; i <= 200; ++i) orv::gf_handleSimMessages(run);
  }
};

TEST_F(StaticActivationTest, ASettledStaticAircraftGetsTheLookOfAParkedOne) {
  struct Row {
    const char* name;
    bool navLights, cargoStand;
    orv::LightStates lights;
  } const rows[] = {
      {"passenger stand", false, false, {0, 0, 0, 0, 0, 1, 1}},
      {"nav lights while parked", true, false, {1, 0, 0, 0, 0, 1, 1}},
      {"cargo stand: cabin dark", false, true, {0, 0, 0, 0, 0, 1, 0}},
  };
  std::uint32_t objectId = 500;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedSetting nav{orv::cfg::NAV_LIGHTS_WHILE_PARKED, row.navLights};
    run.parking.statics.clear();
    loadStands({});
    stand(1).cargo = row.cargoStand;
    const std::uint32_t key = placeOne().key;
    ++objectId;
    orv::gf_postSimMessage(SimMessage{objectId, key, 0, SimMessageKind::StaticCreated});
    orv::gf_handleSimMessages(run);
    for (int i = 0; i < 199; ++i) orv::gf_handleSimMessages(run);
    EXPECT_EQ(run.parking.statics[0].state, SimState::Adding2Sim) << "still settling";
    orv::gf_handleSimMessages(run);
    const orv::StaticAircraft& s = run.parking.statics[0];
    EXPECT_EQ(s.state, SimState::Active);
    EXPECT_EQ(s.objectId, objectId);
    std::vector<orv::SimEvent> expected{{objectId, orv::simid::kFlapsSet, 0},
                                        {objectId, orv::simid::kThrottleSet, 0},
                                        {objectId, orv::simid::kEngineAutoShutdown, 0}};
    for (const orv::SimEvent& e : orv::gf_lightEvents(objectId, row.lights)) expected.push_back(e);
    EXPECT_EQ(sim.eventsOf(objectId), expected);
    EXPECT_TRUE(run.traffic.created.empty());
  }
  EXPECT_EQ(logLinesWith("A1      : BAW1*    parked").size(), 3u);
  EXPECT_EQ(orv::activeStaticCount(run), 1);
  EXPECT_EQ(orv::staticCount(run), 1);
}

TEST_F(StaticActivationTest, WhatTheSimulatorReportsOfAStaticObject) {
  loadStands({});
  // Its removal was asked after the creation went out: it goes as soon as it has settled.
  orv::StaticAircraft& late = placeOne(1);
  run.traffic.staticCreations.clear();  // handed to the simulator
  orv::removeAircraftFromSim(run, late);
  EXPECT_TRUE(late.removeWhenCreated);
  orv::gf_postSimMessage(SimMessage{601, late.key, 0, SimMessageKind::StaticCreated});
  settle();
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{601});

  // The object goes: so does its aircraft.
  orv::gf_postSimMessage(SimMessage{601, 0, 0, SimMessageKind::ObjectRemoved});
  orv::gf_handleSimMessages(run);
  EXPECT_TRUE(run.parking.statics.empty());

  // A creation for a key that no aircraft holds any more: its object is removed at once.
  run.traffic.removalIds.clear();
  orv::gf_postSimMessage(SimMessage{602, 4321, 0, SimMessageKind::StaticCreated});
  orv::gf_handleSimMessages(run);
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{602});
  EXPECT_TRUE(run.traffic.created.empty());

  // A creation the simulator refused: the aircraft goes and its livery is reported.
  struct ForgetFailures {
    ~ForgetFailures() { orv::gf_failedLiveries().clear(); }
  } forget;
  const std::uint32_t key = placeOne(4).key;
  orv::gf_postSimMessage(SimMessage{0, key, 0, SimMessageKind::CreationFailed});
  orv::gf_handleSimMessages(run);
  EXPECT_TRUE(run.parking.statics.empty());
  EXPECT_TRUE(orv::gf_failedLiveries().isFailed("BAW A320 pax"));
  EXPECT_EQ(orv::gf_messageLines().message, "BAW1* 'BAW A320 pax' could not be created by your Sim!");
}

TEST_F(StaticParkingTest, ALiveAircraftParkingAtAStandTakesItFromTheStaticParking) {
  loadStands({});
  activeStatic(2, "BAW", models.a320, "BAW2*", "BAW2", "", "G-AAAA", {3, 18}, 70);
  activeStatic(4, "EZY", models.a320, "EZY4*", "EZY4", "", "G-EZYA", {3, 18}, 71);
  run.parking.wanted = {wantedAt(2, "BAW", models.a320, "X"), wantedAt(5, "BAW", models.a320, "Y"),
                        wantedAt(2, "BAW", models.a320, "Z")};
  orv::liveParksAtStand(run, parkedLive(40001, "DLH4", models.a320, 2, 900));
  EXPECT_EQ(wantedCallsigns(), std::vector<std::string>{"Y"});
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.parking.statics[1].state, SimState::Active);
  EXPECT_EQ(run.traffic.removalIds, std::deque<std::uint32_t>{70});
  EXPECT_EQ(logLinesWith("A2      : BAW2*    G-AAAA makes way for DLH4").size(), 1u);
}

TEST_F(StaticParkingTest, TheReservedStandIsClearedOfParkedAircraftByItsName) {
  loadStands({});
  // One still waiting for its creation: withdrawn.
  run.parking.wanted.push_back(wantedAt(2, "DLH", models.a320, "DLH2"));
  orv::detcs(run);
  ASSERT_EQ(run.traffic.staticCreations.size(), 1u);
  activeStatic(2, "BAW", models.a320, "BAW2*", "BAW2", "", "G-AAAA", {3, 18}, 70);
  activeStatic(4, "EZY", models.a320, "EZY4*", "EZY4", "", "G-EZYA", {3, 18}, 71);
  parkedLive(40001, "DLH4", models.a320, 2, 900);
  parkedLive(40002, "DLH5", models.a320, 2, 901).phase = orv::FlightPhase::Taxi;

  orv::gf_removeParkedByName(run, "B7");
  EXPECT_TRUE(run.traffic.removalIds.empty()) << "no stand has that name: nothing goes";
  EXPECT_EQ(run.parking.statics.size(), 3u);
  EXPECT_EQ(run.traffic.staticCreations.size(), 1u);

  orv::gf_removeParkedByName(run, "A2");
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{900, 70}));
  EXPECT_EQ(run.traffic.liveList[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.liveList[1].state, SimState::Active) << "taxiing away: not on the stand";
  EXPECT_TRUE(run.traffic.staticCreations.empty());
  ASSERT_EQ(run.parking.statics.size(), 2u);
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.parking.statics[1].state, SimState::Active) << "the one at A4 stays";
}

// The static aircraft of a park airport in the stand-in, on its manual clock: the creations go out
// through the command queues on the frames, the stand-in creates the objects, and the settled
// aircraft get their parked look.
class StaticParkingInTheStandInTest : public StaticParkingTest {
 public:
  StaticParkingInTheStandInTest() {
    orv::gf_resetSimLink();
    orv::gf_resetSimQueues();
    EXPECT_EQ(SimConnect_Open(&handle, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
    orv::gf_setSimConnectHandle(handle);
    orv::lf_registerSimConnect(handle);
    pump();
    linked.traffic.liverySources = run.traffic.liverySources;
  }
  // The link's state is the process's.
  ~StaticParkingInTheStandInTest() override {
    orv::gf_resetSimLink();
    orv::gf_resetSimQueues();
  }

  void pump() { EXPECT_EQ(SimConnect_CallDispatch(handle, orv::lf_dispatch, nullptr), sc::S_OK); }
  // One 10 ms cycle of the program, then one frame of the simulator.
  void cycle() {
    orv::lf_handleAddingStack(linked);
    standIn->frame();
    pump();
  }

  // The user's aircraft stands at the park airport, so that its range takes in the new objects.
  static orv::standin::Scenario atTheParkAirport() {
    orv::standin::Scenario scenario;
    scenario.user.latDeg = 51.4705;
    scenario.user.lonDeg = -0.4480;
    return scenario;
  }

  std::shared_ptr<orv::standin::StandIn> standIn =
      std::make_shared<orv::standin::StandIn>(atTheParkAirport(), orv::standin::Options{});
  sc::ScopedBackend backend{standIn};
  sc::Handle handle = 0;
  orv::TrafficRun linked{orv::gf_commandQueueSide(), window, false};
};

TEST_F(StaticParkingInTheStandInTest, TheWantedAircraftAppearParkedOnStandsThatDoNotOverlap) {
  ScopedSetting percentage{orv::cfg::PARKING_PERCENTAGE, 100};
  ScopedSetting nav{orv::cfg::NAV_LIGHTS_WHILE_PARKED, false};
  std::vector<std::vector<orv::StandSchedule>> parkings;
  for (int i = 1; i <= 5; ++i)
    parkings.push_back(
        {schedule("BAW", models.a320, "G-AAA" + std::to_string(i), "BAW" + std::to_string(i), "", kNow)});
  loadStands(parkings);
  orv::gf_computeParking(linked);
  ASSERT_EQ(linked.parking.wanted.size(), 4u);
  for (int i = 0; i < 800; ++i) cycle();

  const auto created = standIn->journal("create");
  ASSERT_EQ(created.size(), 4u);
  const auto objects = standIn->aiObjects();
  ASSERT_EQ(objects.size(), 4u);
  std::set<std::string> tails;
  std::set<double> longitudes;
  for (const orv::standin::SimObject& o : objects) {
    tails.insert(o.atcId);
    longitudes.insert(o.lonDeg);
    EXPECT_EQ(o.title, "BAW A320 pax");
    EXPECT_EQ(o.lastEvents.at(orv::simid::kEngineAutoShutdown), 0u);
    EXPECT_EQ(o.lastEvents.at(orv::simid::kNavLightsSet), 0u);
    EXPECT_EQ(o.lastEvents.at(orv::simid::kBeaconLightsSet), 0u);
    EXPECT_EQ(o.lastEvents.at(orv::simid::kLogoLightsSet), 1u);
    EXPECT_EQ(o.lastEvents.at(orv::simid::kCabinLightsSet), 1u);
  }
  EXPECT_EQ(tails, (std::set<std::string>{"BAW1*", "BAW2*", "BAW4*", "BAW5*"}));
  EXPECT_EQ(longitudes, (std::set<double>{stand(1).longitude, stand(2).longitude, stand(4).longitude,
                                          stand(5).longitude}));
  EXPECT_EQ(orv::activeStaticCount(linked), 4);
  for (const orv::StaticAircraft& s : linked.parking.statics) {
    const auto object = standIn->aiObject(s.objectId);
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(object->atcId, s.callsign);
  }
  EXPECT_EQ(logLinesWith(" parked").size(), 4u);
}

}  // namespace
