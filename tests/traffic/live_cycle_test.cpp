#include "traffic/live_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "live_run_fixture.h"
#include "liveries/liveries.h"
#include "refdata/codes.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_messages.h"
#include "simlink/sim_state.h"
#include "support/recorders.h"
#include "support/scoped_dbase.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/cycle.h"
#include "traffic/traffic_run.h"

namespace {

using testing_support::logBody;

using orv::FlightPhase;
using orv::LiveAircraft;
using orv::SimMessage;
using orv::SimMessageKind;
using orv::SimState;
using orv::TrafficRecord;

class LiveCycleTest : public traffic_test::LiveRunFixture {
 protected:
  LiveCycleTest()
      : LiveRunFixture(
            traffic_test::smallDbase("BAW,DLH", "EGLL", R"(<d r="G-EUUA" a="BAW" m="A320" o="BAW"/>)")) {}
  void SetUp() override {
    LiveRunFixture::SetUp();
    run.adding.setOpen(true);
  }

  static TrafficRecord record(std::uint32_t address, double time, double speed = 160.0, double track = 90.0,
                              double altitude = 3000.0) {
    TrafficRecord r;
    r.model = orv::gf_modelId("A320");
    r.callsign = "BAW" + std::to_string(address % 1000);
    r.registration = "G-TEST";
    auto& p = r.position;
    p.address = address;
    p.dataTime = time;
    p.groundSpeedKt = speed;
    p.trackDeg = track;
    p.altitudeFt = altitude;
    p.airborne = altitude > 0.0;
    p.latitude = 51.5;
    // Later records lie further east, as a moving aircraft's do; each is due 30 s after now.
    p.longitude = -0.4 + (time - 100.0) * 0.001;
    p.dueCycle = orv::gf_cycleCounter() + orv::kPlaybackDelayCycles;
    return r;
  }

  static TrafficRecord moved(TrafficRecord r, double longitude) {
    r.position.longitude = longitude;
    return r;
  }

  std::vector<LiveAircraft>& live() { return run.traffic.liveList; }
  void cycle() { orv::lf_handleAddingStack(run); }

  // The cycle counter runs on through the process: cycles until it is a multiple of n.
  void alignCycleCounter(std::int64_t n) {
    while (orv::gf_cycleCounter() % n != 0) cycle();
  }
  // Runs cycles until the cycle counter reaches c.
  void runUntilCycle(std::int64_t c) {
    while (orv::gf_cycleCounter() < c) cycle();
  }
};

TEST_F(LiveCycleTest, TwoRecordsACycleOldestFirst) {
  for (std::uint32_t a : {20001u, 20002u, 20003u}) run.adding.append(record(a, 100.0));
  cycle();
  ASSERT_EQ(live().size(), 2u);
  EXPECT_EQ(live()[0].key, 20001u);
  EXPECT_EQ(live()[1].key, 20002u);
  cycle();
  ASSERT_EQ(live().size(), 3u);
  EXPECT_EQ(live()[2].key, 20003u);
  EXPECT_EQ(live()[2].state, SimState::Buffer);
  EXPECT_EQ(live()[2].flightCallsign, live()[2].callsign);
}

TEST_F(LiveCycleTest, ARecordOfAKnownAircraftIsAppendedOnlyWhenPlausible) {
  struct Row {
    const char* name;
    double firstSpeed, firstTrack;
    TrafficRecord second;
    bool applied;
    std::function<void(LiveAircraft&)> before = nullptr;
  };
  const Row rows[] = {
      {"exactly 1.0 s later", 160, 90, record(20001, 101.0, 160, 95), false},
      {"1.01 s later", 160, 90, record(20001, 101.01, 160, 95), true},
      {"older", 160, 90, record(20001, 99.0, 160, 95), false},
      {"4 kt after 90 kt", 90, 90, record(20001, 110.0, 4, 95), false},
      {"100 kt after 9 kt", 9, 90, record(20001, 110.0, 100, 95), false},
      {"40 kt after 5 kt", 5, 90, record(20001, 110.0, 40, 95), true},
      {"60 kt after 6 kt", 6, 90, record(20001, 110.0, 60, 95), false},
      {"80 kt after 4 kt", 4, 90, record(20001, 110.0, 80, 95), false},
      {"4 kt after 80 kt", 80, 90, record(20001, 110.0, 4, 95), false},
      // Receivers without ground speed report 0 kt while the aircraft rolls.
      {"157 kt 690 m from a sample of 0 kt", 0, 90, record(20001, 110.0, 157, 95), true},
      {"157 kt 14 m from a sample of 0 kt", 0, 90, moved(record(20001, 110.0, 157, 95), -0.3998), false},
      {"100 kt after 9 kt, 31 s later", 9, 90, record(20001, 131.0, 100, 95), true},
      {"100 kt after 9 kt, 29 s later", 9, 90, record(20001, 129.0, 100, 95), false},
      {"airborne straight on at 200 kt within 4.37 s", 200, 90, record(20001, 103.0, 200, 90.5), false},
      {"airborne straight on at 200 kt after 5 s", 200, 90, record(20001, 105.0, 200, 90.5), true},
      {"airborne straight on with steps pending", 200, 90, record(20001, 103.0, 200, 90.5), true,
       [](LiveAircraft& a) { a.pendingSteps = 1; }},
      {"airborne turning", 200, 90, record(20001, 103.0, 200, 91.5), true},
      {"taxiing straight on at 20 kt within 1.94 s", 20, 90, record(20001, 101.5, 20, 91, 0), false},
      {"taxiing straight on at 20 kt after 2.5 s", 20, 90, record(20001, 102.5, 20, 91, 0), true},
      {"standing within 15 s", 0, 90, record(20001, 114.0, 0, 90, 0), false},
      {"standing after 15 s", 0, 90, record(20001, 116.0, 0, 90, 0), true},
      {"respawning", 160, 90, record(20001, 110.0, 160, 95), false,
       [](LiveAircraft& a) { a.state = SimState::LiveryRespawn; }},
      {"being removed", 160, 90, record(20001, 110.0, 160, 95), false,
       [](LiveAircraft& a) { a.state = SimState::RemovingFromSim; }},
      {"buffered at 100 ft over a park airport at 20 ft", 160, 90, record(20001, 110.0, 160, 95, 100), false,
       [this](LiveAircraft&) {
         run.trafficReader.setParkAirport(orv::ParkAirportView{{51.5, -0.4}, 20.0});
       }},
      {"buffered at 100 ft without a park airport", 160, 90, record(20001, 110.0, 160, 95, 100), true},
      {"active at 100 ft over a park airport at 20 ft", 160, 90, record(20001, 110.0, 160, 95, 100), true,
       [this](LiveAircraft& a) {
         a.state = SimState::Active;
         run.trafficReader.setParkAirport(orv::ParkAirportView{{51.5, -0.4}, 20.0});
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    run.trafficReader.setParkAirport(std::nullopt);
    const double altitude = row.second.position.airborne ? 3000.0 : 0.0;
    orv::lf_applyTrafficRecord(run, record(20001, 100.0, row.firstSpeed, row.firstTrack, altitude));
    ASSERT_EQ(live().size(), 1u);
    if (row.before) row.before(live()[0]);
    orv::lf_applyTrafficRecord(run, row.second);
    EXPECT_EQ(live()[0].stream.size(), row.applied ? 2u : 1u);
    EXPECT_EQ(live()[0].lastRecordTime, row.applied ? row.second.position.dataTime : 100.0);
  }
}

TEST_F(LiveCycleTest, WhichNewAddressesBecomeLiveAircraft) {
  orv::lf_applyTrafficRecord(run, record(20001, 100.0));
  TrafficRecord twin = record(20002, 100.0);
  twin.callsign = live()[0].callsign;
  orv::lf_applyTrafficRecord(run, twin);
  EXPECT_EQ(live().size(), 1u) << "the same callsign and model under another address";
  twin.model = orv::gf_modelId("B744");
  orv::lf_applyTrafficRecord(run, twin);
  EXPECT_EQ(live().size(), 2u) << "another model";

  TrafficRecord unknown = record(20003, 100.0);
  unknown.model = orv::gf_modelId("ZZZZ");
  orv::lf_applyTrafficRecord(run, unknown);
  EXPECT_EQ(live().size(), 2u) << "a model the database does not know";
  unknown.registration = "G-EUUA";
  orv::lf_applyTrafficRecord(run, unknown);
  ASSERT_EQ(live().size(), 3u) << "the registration's model from the database";
  EXPECT_EQ(orv::gf_modelCode(live()[2].model), "A320");

  TrafficRecord low = record(20004, 100.0, 160, 90, 120);
  run.trafficReader.setParkAirport(orv::ParkAirportView{{51.5, -0.4}, 20.0});
  orv::lf_applyTrafficRecord(run, low);
  EXPECT_EQ(live().size(), 3u) << "108 ft or less above the park airport's elevation";
}

TEST_F(LiveCycleTest, TheClassOptionsDecideLightHighPerformanceAndRotorcraft) {
  struct Row {
    const char* model;
    orv::CheckBoxParameter* option;
  };
  const Row rows[] = {{"C172", &orv::cfg::LIGHT_AIRCRAFT},
                      {"F16", &orv::cfg::HIGH_PERF_AIRCRAFT},
                      {"EC35", &orv::cfg::HELICOPTERS},
                      {"CL60", nullptr},
                      {"B744", nullptr}};
  std::uint32_t address = 30000;
  for (const Row& row : rows) {
    for (bool on : {false, true}) {
      std::optional<testing_support::ScopedSetting<orv::CheckBoxParameter>> option;
      if (row.option) option.emplace(*row.option, on);
      run.traffic = orv::TrafficState{};
      TrafficRecord r = record(++address, 100.0);
      r.model = orv::gf_modelId(row.model);
      orv::lf_applyTrafficRecord(run, r);
      EXPECT_EQ(live().size(), on || !row.option ? 1u : 0u) << row.model << " " << on;
    }
  }
}

TEST_F(LiveCycleTest, TheAddingStackMakesOneCreationACycleNewestFirst) {
  // Away from the cycles that hand creations over, so that both stay queued to be seen.
  alignCycleCounter(50);
  cycle();
  orv::lf_applyTrafficRecord(run, record(20001, 100.0));
  orv::lf_applyTrafficRecord(run, record(20002, 100.0));
  LiveAircraft& first = live()[0];
  first.latitude = 51.4;
  first.longitude = -0.3;
  first.altitudeFt = 2500;
  first.headingRad = orv::kPi / 2;
  first.pitchRad = -0.05;
  first.liveryTitle = "Airbus A320 British";
  auto& state = run.traffic;
  state.addingStack = {20001, 20002};
  cycle();
  ASSERT_EQ(state.liveCreations.size(), 1u);
  EXPECT_EQ(state.liveCreations[0].key, 20002u);
  cycle();
  ASSERT_EQ(state.liveCreations.size(), 2u);
  const orv::SimCreateRequest& request = state.liveCreations[1];
  EXPECT_EQ(request.key, 20001u);
  EXPECT_EQ(request.callsign, first.callsign);
  EXPECT_EQ(request.liveryTitle, "Airbus A320 British");
  EXPECT_DOUBLE_EQ(request.initPosition.Latitude, 51.4);
  EXPECT_DOUBLE_EQ(request.initPosition.Altitude, 2500);
  EXPECT_DOUBLE_EQ(request.initPosition.Heading, 90.0);
  EXPECT_DOUBLE_EQ(request.initPosition.Pitch, -0.05 * 57.29577951308232);
  EXPECT_EQ(request.initPosition.OnGround, 0u);
}

TEST_F(LiveCycleTest, AnAircraftWithoutCallsignAtItsCreationIsDropped) {
  orv::lf_applyTrafficRecord(run, record(20001, 100.0));
  live()[0].callsign.clear();
  live()[0].state = SimState::Adding2Sim;
  run.traffic.addingStack = {20001};
  cycle();
  EXPECT_TRUE(run.traffic.liveCreations.empty());
  EXPECT_TRUE(live()[0].drop);
  const auto lines = logBody();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("lf_handleAddingStack ")) << lines.back();
  EXPECT_TRUE(lines.back().ends_with(" objectid = 0?")) << lines.back();
  cycle();
  EXPECT_TRUE(live().empty()) << "the drop flag takes it out of the list";
}

TEST_F(LiveCycleTest, RemovalsGoOnePerTenCyclesCreationsOnePerFiftyLiveFirst) {
  alignCycleCounter(100);
  const std::int64_t base = orv::gf_cycleCounter();
  const std::size_t rangeRequestsBefore = sim.rangeRequests.size();
  const int userPositionRequestsBefore = sim.userPositionRequests;
  auto& state = run.traffic;
  state.removalIds = {101, 102, 103};
  orv::SimCreateRequest live1, stat1;
  live1.key = 20001;
  stat1.key = 5;
  state.liveCreations = {live1};
  state.staticCreations = {stat1};

  cycle();  // a multiple of 100
  EXPECT_EQ(sim.removals, (std::vector<std::uint32_t>{101}));
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(sim.creations[0].key, 20001u) << "live before static";
  runUntilCycle(base + 10);
  EXPECT_EQ(sim.removals.size(), 1u);
  cycle();  // base + 10
  EXPECT_EQ(sim.removals, (std::vector<std::uint32_t>{101, 102}));
  runUntilCycle(base + 50);
  EXPECT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(state.staticCreations.size(), 1u);
  cycle();  // base + 50
  ASSERT_EQ(sim.creations.size(), 2u);
  EXPECT_EQ(sim.creations[1].key, 5u);
  EXPECT_TRUE(state.staticCreations.empty());
  runUntilCycle(base + 101);
  EXPECT_EQ(sim.removals.size(), 3u);
  EXPECT_EQ(sim.rangeRequests.size() - rangeRequestsBefore, 6u) << "the aircraft in range every 20 cycles";
  EXPECT_EQ(sim.userPositionRequests - userPositionRequestsBefore, 2) << "the user position every 100 cycles";
}

TEST_F(LiveCycleTest, TheIndexFindsWhatASearchFindsWhateverTheListWentThrough) {
  auto& state = run.traffic;
  const auto agrees = [&](const char* step) {
    SCOPED_TRACE(step);
    for (std::uint32_t key = 20000; key <= 20012; ++key)
      EXPECT_EQ(state.liveByKey(key), orv::gf_findLiveByKey(state.liveList, key)) << key;
    for (std::uint32_t id = 0; id <= 112; ++id)
      EXPECT_EQ(state.liveByObjectId(id), orv::gf_findLiveByObjectId(state.liveList, id)) << id;
  };
  for (std::uint32_t key = 20001; key <= 20008; ++key) orv::lf_applyTrafficRecord(run, record(key, 100.0));
  agrees("added");
  for (std::size_t i = 0; i < state.liveList.size(); i += 2)
    state.liveList[i].objectId = 100 + static_cast<std::uint32_t>(i);
  agrees("created in the simulator");
  orv::gf_eraseLiveAc(state.liveList, 1);
  agrees("the last record moved into the gap");
  state.liveList[0].drop = true;
  state.liveList[3].dropWithdrawn = true;
  ASSERT_TRUE(orv::gf_compactLiveList(state.liveList));
  agrees("compacted");
  orv::lf_applyTrafficRecord(run, record(20009, 100.0));
  state.liveList.back().objectId = 112;
  state.liveList.front().objectId = 0;
  agrees("one more, and one object gone");
  state.liveList.clear();
  agrees("emptied");
}

TEST_F(LiveCycleTest, AWithdrawalFindsTheQueuedCreationByKey) {
  std::deque<orv::SimCreateRequest> queue(2);
  queue[0].key = 20001;
  queue[0].callsign = "BAW1";
  queue[1].key = 20002;
  queue[1].callsign = "BAW1";  // the same callsign, another model
  EXPECT_TRUE(orv::gf_withdrawCreation(queue, 20002));
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].key, 20001u);
  EXPECT_FALSE(orv::gf_withdrawCreation(queue, 20002));
}

// A live aircraft in the simulator, as its creation message leaves it.
class SimMessageTest : public LiveCycleTest {
 protected:
  LiveAircraft& created(std::uint32_t key, std::uint32_t objectId, bool airborne = true) {
    orv::lf_applyTrafficRecord(run, record(key, 100.0, airborne ? 160.0 : 0.0, 90, airborne ? 3000.0 : 0.0));
    LiveAircraft& a = *orv::gf_findLiveByKey(live(), key);
    a.state = SimState::Adding2Sim;
    orv::gf_postSimMessage(SimMessage{objectId, key, 0, SimMessageKind::LiveCreated, 0.0, 1800.0});
    orv::gf_handleSimMessages(run);
    return *orv::gf_findLiveByKey(live(), key);
  }
  [[nodiscard]] std::vector<orv::SimEvent> eventsOf(std::uint32_t objectId) const {
    return sim.eventsOf(objectId);
  }
  void cycles(int n) {
    for (int i = 0; i < n; ++i) orv::gf_handleSimMessages(run);
  }
};

TEST_F(SimMessageTest, ACreatedAircraftSettlesFor200CyclesThenTurnsActive) {
  LiveAircraft& a = created(20001, 7);
  EXPECT_EQ(a.objectId, 7u);
  EXPECT_EQ(a.aglFt, 1800.0);
  EXPECT_EQ(run.traffic.created.size(), 1u);
  using orv::simid::kAllLightsToggle;
  cycles(48);  // counts 2 to 49: the creation's own call counted 1
  EXPECT_TRUE(eventsOf(7).empty());
  cycles(1);
  EXPECT_EQ(eventsOf(7), (std::vector<orv::SimEvent>{{7, kAllLightsToggle, 0}}));
  cycles(50);
  EXPECT_EQ(eventsOf(7).size(), 2u);
  cycles(100);
  EXPECT_EQ(a.state, SimState::Adding2Sim) << "at count 200, not yet active";
  cycles(1);
  EXPECT_EQ(a.state, SimState::Active);
  EXPECT_TRUE(run.traffic.created.empty());
  const auto events = eventsOf(7);
  // Airborne at 3000 ft, 1800 ft above the ground: engines, no spoilers, the lights of the climb.
  using namespace orv::simid;
  const std::vector<orv::SimEvent> expected = {
      {7, kAllLightsToggle, 0}, {7, kAllLightsToggle, 0}, {7, kEngineAutoStart, 0},  {7, kSpoilersSet, 0},
      {7, kNavLightsSet, 1},    {7, kBeaconLightsSet, 1}, {7, kLandingLightsSet, 1}, {7, kTaxiLightsSet, 0},
      {7, kStrobesSet, 1},      {7, kLogoLightsSet, 1},   {7, kCabinLightsSet, 0}};
  EXPECT_EQ(events, expected);
}

TEST_F(SimMessageTest, AParkedAircraftSettlesWithEnginesOffAndTheParkedLights) {
  const testing_support::ScopedSetting navLights(orv::cfg::NAV_LIGHTS_WHILE_PARKED, false);
  orv::lf_applyTrafficRecord(run, record(20001, 100.0, 0, 90, 0));
  LiveAircraft& a = live()[0];
  a.state = SimState::Adding2Sim;
  a.phase = FlightPhase::Parked;
  a.standId = 12;
  orv::gf_postSimMessage(SimMessage{8, 20001, 0, SimMessageKind::LiveCreated, 0.0, 0.0});
  cycles(201);
  EXPECT_TRUE(a.onGround);
  EXPECT_EQ(logBody().back(), "        : BAW1     parks") << "no stands yet: the stand has no name";
  using namespace orv::simid;
  const std::vector<orv::SimEvent> expected = {{8, kGearSet, 1},
                                               {8, kAllLightsToggle, 0},
                                               {8, kAllLightsToggle, 0},
                                               {8, kSpoilersSet, 0},
                                               {8, kEngineAutoShutdown, 0},
                                               {8, kNavLightsSet, 0},
                                               {8, kBeaconLightsSet, 0},
                                               {8, kLandingLightsSet, 0},
                                               {8, kTaxiLightsSet, 0},
                                               {8, kStrobesSet, 0},
                                               {8, kLogoLightsSet, 1},
                                               {8, kCabinLightsSet, 1},
                                               {8, kThrottleSet, 0},
                                               {8, kFlapsSet, 0}};
  EXPECT_EQ(eventsOf(8), expected);
  EXPECT_EQ(a.state, SimState::Active);
}

TEST_F(SimMessageTest, CreatedMessagesForAircraftThatWentNeitherLeakNorStay) {
  LiveAircraft& a = created(20001, 7);
  a.removeWhenCreated = true;
  created(20002, 9);
  orv::gf_eraseLiveAc(live(), 1);  // 20002 went meanwhile
  orv::gf_postSimMessage(SimMessage{11, 20003, 0, SimMessageKind::LiveCreated, 0.0, 0.0});
  orv::gf_postSimMessage(SimMessage{2, 20001, 0, SimMessageKind::LiveCreated, 0.0, 0.0});  // the user's ids
  cycles(205);
  EXPECT_TRUE(run.traffic.created.empty()) << "retired at 200 with or without their aircraft";
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{11, 7}))
      << "an object created for an aircraft that is gone is removed, and so is one whose removal was "
         "asked while it was being created, once it has settled";
  EXPECT_EQ(live()[0].objectId, 7u);
  EXPECT_EQ(live()[0].state, SimState::RemovingFromSim);
}

TEST_F(SimMessageTest, StaticCgDataAreClampedToPlausibleValues) {
  struct Row {
    double a, b;
    double height, pitch;
  };
  const Row rows[] = {{0.5, 0.0, 0.0, 0.0},
                      {1.0, -0.017453292519943295, 1.0, 0.012217304763960306},
                      {35.0, 0.04363323129985824, 35.0, 0.04363323129985824},
                      {35.1, 0.0437, 0.0, 0.012217304763960306},
                      {12.0, -0.01, 12.0, -0.01}};
  for (const Row& row : rows) {
    run.traffic = orv::TrafficState{};
    LiveAircraft& a = created(20001, 7);
    orv::gf_postSimMessage(SimMessage{7, 0, 0, SimMessageKind::StaticCgData, row.a, row.b});
    orv::gf_handleSimMessages(run);
    EXPECT_EQ(a.staticCgHeightFt, row.height) << row.a;
    EXPECT_DOUBLE_EQ(a.staticPitchRad, row.pitch) << row.b;
  }
}

TEST_F(SimMessageTest, ARemovedObjectEndsItsRecordOrBringsARespawnBack) {
  LiveAircraft& respawning = created(20001, 7);
  respawning.state = SimState::LiveryRespawn;
  respawning.lastThrottle = 1;
  respawning.lastFlaps = 2;
  created(20002, 9);
  for (std::uint32_t id : {7u, 9u, 40u})
    orv::gf_postSimMessage(SimMessage{id, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0});
  orv::gf_handleSimMessages(run);
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].key, 20001u);
  EXPECT_EQ(live()[0].state, SimState::Buffer);
  EXPECT_EQ(live()[0].objectId, 0u);
  EXPECT_EQ(live()[0].lastThrottle, 5u);
  EXPECT_EQ(live()[0].lastFlaps, 4u);
}

TEST_F(SimMessageTest, AFailedCreationRemovesTheRecordOfThatKeyAndItsLiveryIsNotChosenAgain) {
  // The refused titles are the process's: this test gives them back empty.
  struct ClearFailed {
    ~ClearFailed() { orv::gf_failedLiveries().clear(); }
  } clearFailed;
  orv::lf_applyTrafficRecord(run, record(20001, 100.0));
  orv::lf_applyTrafficRecord(run, record(20002, 100.0));
  live()[1].liveryTitle = "Bad Title";
  live()[1].airline = orv::gf_airlineId("BAW");
  orv::gf_postSimMessage(SimMessage{0, 20002, 0, SimMessageKind::CreationFailed, 0.0, 0.0});
  orv::gf_postSimMessage(SimMessage{0, 44, 0, SimMessageKind::CreationFailed, 0.0, 0.0});
  orv::gf_handleSimMessages(run);
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].key, 20001u);
  EXPECT_TRUE(orv::isFailedTitle("Bad Title"));
  EXPECT_EQ(orv::gf_failedLiveries().notCreated(), std::vector<std::string>{"A320 BAW"});
  const auto lines = logBody();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "BAW2 'Bad Title' could not be created by your Sim!"),
            lines.end());
}

// An aircraft between two airports flies a plan, but only MSFS 2020 reads one.
class FlightPlanTest : public SimMessageTest {
 protected:
  void SetUp() override {
    SimMessageTest::SetUp();
    orv::gf_createFlightPlanFolder();
  }
  void TearDown() override {
    orv::gf_removeFlightPlanFolder();
    orv::gf_setMsfs2020Chosen(true);
    SimMessageTest::TearDown();
  }
  LiveAircraft& createdWithCodes(std::uint32_t key, std::uint32_t objectId) {
    TrafficRecord r = record(key, 100.0);
    r.origin = orv::IataCode("FRA");
    r.destination = orv::IataCode("JFK");
    orv::lf_applyTrafficRecord(run, r);
    LiveAircraft& a = *orv::gf_findLiveByKey(live(), key);
    a.state = SimState::Adding2Sim;
    orv::gf_postSimMessage(SimMessage{objectId, key, 0, SimMessageKind::LiveCreated, 0.0, 1800.0});
    orv::gf_handleSimMessages(run);
    return *orv::gf_findLiveByKey(live(), key);
  }
};

TEST_F(FlightPlanTest, UnderMsfs2020ThePlanIsAssignedAndGoesWithTheObject) {
  orv::gf_setMsfs2020Chosen(true);
  LiveAircraft& a = createdWithCodes(20001, 4660);
  EXPECT_TRUE(a.flightPlanSet);
  const std::filesystem::path plan = std::filesystem::absolute("orig_dest") / "4660.pln";
  ASSERT_EQ(sim.flightPlans.size(), 1u);
  EXPECT_EQ(sim.flightPlans[0], (std::pair<std::uint32_t, std::string>{4660, plan.string()}));
  const std::string text = testing_support::readFile(plan);
  EXPECT_NE(text.find("<DepartureID>FRA</DepartureID>\n<DestinationID>JFK</DestinationID>"),
            std::string::npos);

  orv::gf_postSimMessage(SimMessage{4660, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0});
  orv::gf_handleSimMessages(run);
  EXPECT_TRUE(live().empty());
  EXPECT_FALSE(std::filesystem::exists(plan));
}

// A plan that cannot be deleted (here a folder has taken its name) is reported; the aircraft goes.
TEST_F(FlightPlanTest, APlanThatCannotBeDeletedIsLogged) {
  orv::gf_setMsfs2020Chosen(true);
  ASSERT_TRUE(createdWithCodes(20001, 4660).flightPlanSet);
  const std::filesystem::path plan = std::filesystem::absolute("orig_dest") / "4660.pln";
  std::filesystem::remove(plan);
  std::filesystem::create_directories(plan / "inside");
  orv::gf_postSimMessage(SimMessage{4660, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0});
  orv::gf_handleSimMessages(run);
  EXPECT_TRUE(live().empty());
  const auto lines = logBody();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.starts_with("gf_removeFlightPlan: "); }),
            1);
}

TEST_F(FlightPlanTest, UnderMsfs2024NoPlanIsWrittenAndNoFailureLogged) {
  orv::gf_setMsfs2020Chosen(false);
  const std::size_t before = logBody().size();
  LiveAircraft& a = createdWithCodes(20001, 4660);
  EXPECT_FALSE(a.flightPlanSet);
  EXPECT_TRUE(sim.flightPlans.empty());
  EXPECT_TRUE(std::filesystem::is_empty(orv::gf_flightPlanFolder()));
  const auto lines = logBody();
  EXPECT_EQ(std::count_if(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end(),
                          [](const std::string& l) { return l.find("flight plan") != std::string::npos; }),
            0);
}

TEST_F(SimMessageTest, ATouchdownEndsALandingOrJustPutsTheAircraftOnTheGround) {
  LiveAircraft& landing = created(20001, 7);
  landing.flags.landing = true;
  landing.pitchRad = -0.05;
  landing.bankRad = 0.02;
  landing.staticPitchRad = 0.01;
  landing.staticCgHeightFt = 6.0;
  landing.headingRad = 1.5;
  LiveAircraft& other = created(20002, 9);
  // Queued at the start of the landing and still waiting: the touchdown does not queue it twice.
  run.traffic.arrivalChecks.push_back(20001);
  orv::gf_postSimMessage(SimMessage{7, 1, 0, SimMessageKind::GroundData, 80.0, 3.0});
  orv::gf_postSimMessage(SimMessage{9, 1, 0, SimMessageKind::GroundData, 80.0, 3.0});
  orv::gf_handleSimMessages(run);

  EXPECT_TRUE(landing.onGround);
  EXPECT_FALSE(landing.flags.landing);
  EXPECT_TRUE(landing.flags.landed && landing.flags.landingRoll && landing.flags.touchdownSettling);
  EXPECT_EQ(landing.headingAtTouchdownRad, 1.5);
  EXPECT_DOUBLE_EQ(landing.leg.pitchStep, (0.01 + 0.05) / 350);
  EXPECT_DOUBLE_EQ(landing.leg.bankStep, -0.02 / 350);
  EXPECT_EQ(landing.altitudeFt, 86.0);
  EXPECT_EQ(landing.aglFt, 3.0);
  using orv::simid::kSpoilersSet;
  EXPECT_EQ(eventsOf(7).back(), (orv::SimEvent{7, kSpoilersSet, 16383}));
  EXPECT_EQ(run.traffic.arrivalChecks, (std::deque<std::uint32_t>{20001}));

  EXPECT_TRUE(other.onGround);
  EXPECT_FALSE(other.flags.landed);
  EXPECT_EQ(other.leg.pitchStep, 0.0);
  const auto otherEvents = eventsOf(9);
  EXPECT_TRUE(std::none_of(otherEvents.begin(), otherEvents.end(),
                           [](const orv::SimEvent& e) { return e.eventId == kSpoilersSet; }));

  // Not in the take-off run, and never twice.
  LiveAircraft& rolling = created(20003, 11);
  rolling.phase = FlightPhase::TakeOff;
  orv::gf_postSimMessage(SimMessage{11, 1, 0, SimMessageKind::GroundData, 80.0, 3.0});
  orv::gf_handleSimMessages(run);
  EXPECT_FALSE(rolling.onGround);
  EXPECT_EQ(rolling.aglFt, 3.0);
  EXPECT_EQ(rolling.altitudeFt, 0.0) << "airborne with slot counter 1: the altitude is its own";
}

TEST_F(SimMessageTest, FlapsAndThrottleAreSentOnlyWhenTheyChange) {
  LiveAircraft& a = created(20001, 7);
  using namespace orv::simid;
  const auto before = eventsOf(7).size();
  orv::gf_setFlaps(run, a, 2);
  orv::gf_setFlaps(run, a, 2);
  orv::gf_setFlaps(run, a, 5);
  EXPECT_EQ(a.lastFlaps, 5u);
  orv::gf_setFlaps(run, a, 4);
  orv::gf_setThrottle(run, a, 3);
  orv::gf_setThrottle(run, a, 3);
  orv::gf_setThrottle(run, a, 9);
  orv::gf_setThrottle(run, a, 4);
  const auto events = eventsOf(7);
  const std::vector<orv::SimEvent> sent(events.begin() + static_cast<long>(before), events.end());
  EXPECT_EQ(
      sent,
      (std::vector<orv::SimEvent>{
          {7, kFlapsSet, 10240}, {7, kFlapsSet, 0}, {7, kThrottleSet, 11468}, {7, kThrottleSet, 16383}}));
  EXPECT_EQ(logBody().back(), "gf_setFlaps: invalid flaps index");

  orv::TrafficRecord heli = record(20009, 100.0);
  const testing_support::ScopedSetting helicopters(orv::cfg::HELICOPTERS, true);
  heli.model = orv::gf_modelId("EC35");
  orv::lf_applyTrafficRecord(run, heli);
  LiveAircraft& h = *orv::gf_findLiveByKey(live(), 20009);
  h.objectId = 30;
  orv::gf_setFlaps(run, h, 1);
  orv::gf_setGear(run, h, true);
  orv::gf_setSpoilers(run, h, true);
  orv::gf_setThrottle(run, h, 4);
  EXPECT_EQ(eventsOf(30), (std::vector<orv::SimEvent>{{30, kThrottleSet, 16383}}));
}

TEST_F(LiveCycleTest, TheCountsOfTheWindow) {
  for (std::uint32_t a : {20001u, 20002u, 20003u}) orv::lf_applyTrafficRecord(run, record(a, 100.0));
  live()[0].state = SimState::Active;
  live()[1].state = SimState::Active;
  live()[1].phase = FlightPhase::Parked;
  EXPECT_EQ(orv::gf_activeLiveCount(run), 1);
  EXPECT_EQ(orv::gf_parkedLiveCount(run), 1);
}

}  // namespace
