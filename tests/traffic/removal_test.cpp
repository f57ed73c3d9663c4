// Removal, respawn, ghosts and collision avoidance: on recorders, and against the stand-in on its
// manual clock where what reaches the simulator is the point.

#include "traffic/removal.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/geometry.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "liveries/livery_tables.h"
#include "platform/os/clock.h"
#include "refdata/airports_table.h"
#include "refdata/codes.h"
#include "simlink/sim_link_fixture.h"
#include "simlink/sim_messages.h"
#include "simlink/sim_side.h"
#include "simlink/user_aircraft.h"
#include "support/recorders.h"
#include "support/scoped_dbase.h"
#include "support/scoped_run_state.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/cycle.h"
#include "traffic/live_cycle.h"
#include "traffic/traffic_run.h"

namespace {

using orv::FlightPhase;
using orv::LiveAircraft;
using orv::Position;
using orv::PositionSample;
using orv::SimMessage;
using orv::SimMessageKind;
using orv::SimState;
using orv::StaticAircraft;
using orv::TrafficRecord;
using testing_support::logBody;
using testing_support::ScopedSetting;

// A small aircraft database, enciphered as the download site delivers it.
constexpr const char* kDbase = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <aircrafts><aircraft types="A320,A321,B744,CRJ9,CL60,F16,EC35"/></aircrafts>
  <cargo_types><cargo_type types="B744"/></cargo_types>
  <heavy><hvy types="B744"/></heavy>
  <large><lar types="A320,A321,CRJ9"/></large>
  <buzjet><bzj types="CL60"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <ICAO_airlines><ICAO codes="BAW,DLH,EZY,CLH"/></ICAO_airlines>
  <cargo_operators><ICAO codes="UPS"/></cargo_operators>
  <simaddons20><simaddon20 arpts="EDDF"/></simaddons20>
  <dbase>
    <d r="G-EUUA" a="BAW" m="A320" o="BAW"/>
    <d r="G-EUUB" a="BAW" m="A321" o="BAW"/>
    <d r="G-EUUC" a="BAW" m="A321" o="BAW"/>
    <d r="D-AIZA" a="DLH" m="A320" o=""/>
    <d r="D-ACNA" a="CLH" m="CRJ9" o="BAW"/>
  </dbase>
</root>
)";

// The user aircraft is the process's: what a test set is gone after it.
struct UserAircraftReset {
  ~UserAircraftReset() { orv::gf_resetUserAircraft(); }
};

void lf_setUser(Position at, double headingRad = 0.0, double altitudeFt = 0.0, double aglFt = 0.0,
                bool onGround = true) {
  orv::UserAcBlock block;
  block.position.latitude = at.latitude;
  block.position.longitude = at.longitude;
  block.position.trueHeading = headingRad;
  block.position.altitude = altitudeFt;
  block.position.altAboveGround = aglFt;
  orv::lf_onUserAcPosition(block);
  orv::lf_onUserOnGround(onGround ? 1 : 0);
}

// The point reached from `from` after `aheadNm` along the bearing, then `sideFt` to its right.
Position lf_offset(Position from, double bearingRad, double aheadNm, double sideFt = 0.0) {
  const Position ahead = orv::gf_destinationPoint(from, bearingRad, aheadNm * orv::kFeetPerNm);
  if (sideFt == 0.0) return ahead;
  const double side = sideFt > 0.0 ? bearingRad + orv::kPi / 2 : bearingRad - orv::kPi / 2;
  return orv::gf_destinationPoint(ahead, side, std::abs(sideFt));
}

PositionSample lf_sample(Position at, std::int64_t due, bool airborne = true, std::uint32_t address = 0) {
  PositionSample s;
  s.latitude = at.latitude;
  s.longitude = at.longitude;
  s.altitudeFt = airborne ? 5000.0 : 0.0;
  s.groundSpeedKt = airborne ? 200.0 : 0.0;
  s.trueAirspeedKt = s.groundSpeedKt;
  s.trackDeg = 90.0;
  s.airborne = airborne;
  s.stationary = !airborne;
  s.dueCycle = due;
  s.address = address;
  s.dataTime = 100.0;
  return s;
}

// A live aircraft with a stream of samples along a line east, one every 100 cycles from `due`.
LiveAircraft& lf_addLive(orv::TrafficRun& run, std::uint32_t key, const std::string& callsign, Position at,
                         SimState state = SimState::Active, std::uint32_t objectId = 0, bool airborne = true,
                         std::int64_t due = 0, int samples = 30) {
  orv::AircraftHead head;
  head.key = key;
  head.callsign = callsign;
  head.flightCallsign = callsign;
  head.liveryTitle = "Any Title";
  head.halfWingSpanNm = 0.0096;  // 17.8 m
  head.model = orv::gf_modelId("A320");
  if (due == 0) due = orv::gf_cycleCounter() + 100000;
  LiveAircraft a(lf_sample(at, due, airborne, key), head, 100.0);
  for (int i = 1; i < samples; ++i)
    a.stream.push_back(lf_sample({at.latitude, at.longitude + 0.01 * i}, due + 100 * i, airborne, key));
  a.state = state;
  a.objectId = objectId;
  a.latitude = at.latitude;
  a.longitude = at.longitude;
  a.altitudeFt = airborne ? 5000.0 : 360.0;
  a.onGround = !airborne;
  a.phase = airborne ? FlightPhase::Flying : FlightPhase::Taxi;
  run.traffic.liveList.push_back(std::move(a));
  return run.traffic.liveList.back();
}

StaticAircraft& lf_addStatic(orv::TrafficRun& run, std::uint32_t key, const std::string& callsign,
                             std::uint32_t standId, Position at, SimState state = SimState::Active,
                             std::uint32_t objectId = 0) {
  orv::AircraftHead head;
  head.key = key;
  head.callsign = callsign;
  head.liveryTitle = "Static Title";
  head.halfWingSpanNm = 0.0096;
  StaticAircraft s(head, standId, at, 0.0, false);
  s.state = state;
  s.objectId = objectId;
  // The tests hold on to the records they add.
  if (run.parking.statics.capacity() < 64) run.parking.statics.reserve(64);
  run.parking.statics.push_back(std::move(s));
  return run.parking.statics.back();
}

// The creation request of a static aircraft, as the static parking queues it.
orv::SimCreateRequest lf_staticRequest(const StaticAircraft& s) {
  orv::SimCreateRequest r;
  r.initPosition.Latitude = s.position.latitude;
  r.initPosition.Longitude = s.position.longitude;
  r.callsign = s.callsign;
  r.liveryTitle = s.liveryTitle;
  r.key = s.key;
  return r;
}

// Five stands of the park airport in a row, east of the first; A1 and A2 are 30 m apart and each
// in the other's neighbour list, the others 300 m apart. They are the process's stands for the
// lifetime of the object.
class ScopedStands {
 public:
  static constexpr Position kA1{50.0400, 8.5600};

  explicit ScopedStands(const std::vector<orv::StandSchedule>& schedulesOfA1 = {}) {
    previous_.swap(orv::gf_parkStands());
    std::vector<orv::Stand>& stands = orv::gf_parkStands();
    const double eastDegPerMetre = 1.0 / (111320.0 * std::cos(kA1.latitude * orv::kDegToRad));
    const double offsets[] = {0.0, 30.0, 330.0, 630.0, 930.0};
    for (std::size_t i = 0; i < std::size(offsets); ++i) {
      stands.emplace_back(fmt::format("A{}", i + 1),
                          i == 0 ? schedulesOfA1 : std::vector<orv::StandSchedule>{}, kA1.latitude,
                          kA1.longitude + offsets[i] * eastDegPerMetre, 0.0, 30.0, false, false, false);
    }
    orv::gf_numberStands(stands);
    stands[0].neighbours = {2};
    stands[1].neighbours = {1};
    orv::gf_publishStands();
  }
  ~ScopedStands() {
    orv::gf_parkStands().swap(previous_);
    orv::gf_publishStands();
  }
  ScopedStands(const ScopedStands&) = delete;
  ScopedStands& operator=(const ScopedStands&) = delete;

  [[nodiscard]] static orv::Stand& stand(std::uint32_t number) { return orv::gf_parkStands().at(number - 1); }
  [[nodiscard]] static Position at(std::uint32_t number) {
    const orv::Stand& s = stand(number);
    return {s.latitude, s.longitude};
  }

 private:
  std::vector<orv::Stand> previous_;
};

bool lf_logged(const std::string& line) {
  const auto lines = logBody();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// --- on recorders ---

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv::gf_openLog();
    orv::gf_resetSimMessages();
    orv::gf_updateCurrentSlot();
  }
  void TearDown() override { orv::gf_resetSimMessages(); }

  std::vector<LiveAircraft>& live() { return run.traffic.liveList; }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  UserAircraftReset userReset;
  os::FakeClock clock;
  os::ScopedClock scopedClock{clock};
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run{sim, window, false};
};

TEST_F(RemovalTest, EachStateLeavesTheSimulatorItsOwnWay) {
  struct Row {
    const char* name;
    SimState state;
    std::uint32_t objectId;
    std::function<void(orv::TrafficRun&, LiveAircraft&)> before;
    SimState after;
    bool drop, dropWithdrawn, removeWhenCreated;
    std::vector<std::uint32_t> removalIds;
  };
  const auto queued = [](orv::TrafficRun& r, LiveAircraft& a) {
    orv::SimCreateRequest request;
    request.key = a.key;
    request.callsign = a.callsign;
    r.traffic.liveCreations.push_back(request);
  };
  const Row rows[] = {
      {"buffered", SimState::Buffer, 0, nullptr, SimState::Buffer, true, false, false, {}},
      {"spawned, its key still on the adding stack",
       SimState::Adding2Sim,
       0,
       [](orv::TrafficRun& r, LiveAircraft& a) { r.traffic.addingStack = {a.key}; },
       SimState::Adding2Sim,
       false,
       true,
       false,
       {}},
      {"its creation queued", SimState::Adding2Sim, 0, queued, SimState::Adding2Sim, false, true, false, {}},
      {"its creation with the simulator",
       SimState::Adding2Sim,
       0,
       nullptr,
       SimState::Adding2Sim,
       false,
       false,
       true,
       {}},
      {"active", SimState::Active, 70, nullptr, SimState::RemovingFromSim, false, false, false, {70}},
      {"active without object id",
       SimState::Active,
       0,
       nullptr,
       SimState::RemovingFromSim,
       false,
       false,
       false,
       {}},
      {"respawning, its removal on the way",
       SimState::LiveryRespawn,
       70,
       nullptr,
       SimState::RemovingFromSim,
       false,
       false,
       false,
       {}},
      {"being removed",
       SimState::RemovingFromSim,
       70,
       nullptr,
       SimState::RemovingFromSim,
       false,
       false,
       false,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    LiveAircraft& a = lf_addLive(run, 20001, "BAW1", {51.0, 0.0}, row.state, row.objectId);
    run.traffic.respawnKeys.insert(a.key);
    if (row.before) row.before(run, a);
    orv::removeAircraftFromSim(run, a);
    EXPECT_EQ(a.state, row.after);
    EXPECT_EQ(a.drop, row.drop);
    EXPECT_EQ(a.dropWithdrawn, row.dropWithdrawn);
    EXPECT_EQ(a.removeWhenCreated, row.removeWhenCreated);
    EXPECT_TRUE(run.traffic.liveCreations.empty());
    EXPECT_TRUE(run.traffic.addingStack.empty());
    EXPECT_EQ(std::vector<std::uint32_t>(run.traffic.removalIds.begin(), run.traffic.removalIds.end()),
              row.removalIds);
    if (row.state != SimState::RemovingFromSim && row.after == SimState::RemovingFromSim) {
      EXPECT_FALSE(run.traffic.respawnKeys.contains(a.key)) << "a later aircraft of the address spawns anew";
    }
    // A second request changes nothing.
    orv::removeAircraftFromSim(run, a);
    EXPECT_EQ(run.traffic.removalIds.size(), row.removalIds.size());
  }
  EXPECT_TRUE(lf_logged("removeAircraftFromSim removing act 20001, with objectid=0 ?"));
}

TEST_F(RemovalTest, ALiveAircraftFreesOnlyTheStandItStandsOn) {
  const ScopedStands stands;
  struct Row {
    const char* name;
    FlightPhase phase;
    std::uint32_t key;
    bool freed;
  };
  const Row rows[] = {
      {"parked", FlightPhase::Parked, 20001, true},
      {"pushing back", FlightPhase::PushingBack, 20001, true},
      {"rolling to a stand another aircraft took meanwhile", FlightPhase::Parking, 20001, false},
      {"a static key", FlightPhase::Parked, 77, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    ScopedStands::stand(2).occupied = true;
    LiveAircraft& a = lf_addLive(run, row.key, "BAW1", ScopedStands::at(2), SimState::Active, 70, false);
    a.phase = row.phase;
    a.standId = 2;
    orv::removeAircraftFromSim(run, a);
    EXPECT_EQ(ScopedStands::stand(2).occupied, !row.freed);
  }
}

TEST_F(RemovalTest, AStaticAircraftIsWithdrawnFromTheStaticQueueOrRemoved) {
  StaticAircraft& queued = lf_addStatic(run, 1, "BAW1*", 1, {50.0, 8.0}, SimState::Adding2Sim);
  run.traffic.staticCreations.push_back(lf_staticRequest(queued));
  orv::removeAircraftFromSim(run, queued);
  EXPECT_TRUE(run.traffic.staticCreations.empty());
  EXPECT_TRUE(queued.drop);

  StaticAircraft& sent = lf_addStatic(run, 2, "BAW2*", 2, {50.0, 8.0}, SimState::Adding2Sim);
  orv::removeAircraftFromSim(run, sent);
  EXPECT_TRUE(sent.removeWhenCreated);
  EXPECT_FALSE(sent.drop);

  StaticAircraft& active = lf_addStatic(run, 3, "BAW3*", 3, {50.0, 8.0}, SimState::Active, 90);
  orv::removeAircraftFromSim(run, active);
  orv::removeAircraftFromSim(run, active);
  EXPECT_EQ(active.state, SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{90}));

  orv::gf_eraseDroppedStatics(run);
  ASSERT_EQ(run.parking.statics.size(), 2u);
  EXPECT_EQ(run.parking.statics[0].key, 2u);
}

// --- respawn ---

class RespawnTest : public RemovalTest {
 protected:
  void SetUp() override {
    RemovalTest::SetUp();
    ASSERT_TRUE(dbase.read());
    tables.bindRegcode("G-EUUB", "Title B");
    tables.bindRegcode("G-EUUC", "Title A");
  }

  // Flying from Frankfurt to New York under BAW12, in the livery of another airline's registration.
  LiveAircraft& flying() {
    run.traffic = orv::TrafficState{};
    run.traffic.liverySources.tables = &tables;
    LiveAircraft& a = lf_addLive(run, 40001, "BAW12", {50.5, 9.0}, SimState::Active, 71);
    a.registration = "G-EZAA";
    a.airline = orv::gf_airlineId("EZY");
    a.model = orv::gf_modelId("A320");
    a.origin = orv::IataCode("FRA");
    a.destination = orv::IataCode("JFK");
    a.liveryTitle = "Title A";
    a.headingRad = 1.0;
    orv::gf_rememberTitle(run.traffic.titles, a.key, "Title A");
    return a;
  }
  static TrafficRecord sameAs(const LiveAircraft& a) {
    TrafficRecord r;
    r.callsign = a.callsign;
    r.registration = a.registration;
    r.origin = a.origin;
    r.destination = a.destination;
    r.position = a.stream.back();
    return r;
  }
  void parkAt(std::string_view iata) {
    airports = orv::AirportTable::fromRecords(
        {orv::AirportRecord{orv::IcaoCode("EDDF"), orv::IataCode(iata), 50.03, 8.56, 364.0F, 5}});
    run.park.icao = orv::IcaoCode("EDDF");
    run.park.table = &airports;
  }

  testing_support::ScopedDbase dbase{kDbase};
  orv::LiveryTables tables;
  orv::AirportTable airports;
};

TEST_F(RespawnTest, TheRecordDecidesWhetherTheAircraftRespawns) {
  using orv::IataCode;
  struct Row {
    const char* name;
    std::function<void(LiveAircraft&)> aircraft;
    std::function<void(TrafficRecord&)> record;
    bool guidChanges;
    bool applied, respawned, reborn;
    const char* callsign;
    const char* registration;
    const char* airline;
    const char* model;
    const char* route;
    const char* parkIata = "FRA";
  };
  const auto reg = [](const char* r) { return [r](TrafficRecord& x) { x.registration = r; }; };
  const auto callsign = [](const char* c) { return [c](TrafficRecord& x) { x.callsign = c; }; };
  const auto route = [](const char* from, const char* to) {
    return [from, to](TrafficRecord& x) {
      x.origin = IataCode(from);
      x.destination = IataCode(to);
    };
  };
  const Row rows[] = {
      {"nothing new", nullptr, nullptr, true, true, false, false, "BAW12", "G-EZAA", "EZY", "A320",
       "FRA->JFK"},
      {"a registration of the airline the callsign names", nullptr, reg("G-EUUA"), true, false, true, true,
       "BAW12", "G-EUUA", "BAW", "A320", "FRA->JFK"},
      {"the same without GUID_CHANGES", nullptr, reg("G-EUUA"), false, true, false, false, "BAW12", "G-EUUA",
       "EZY", "A320", "FRA->JFK"},
      {"a registration of an airline the callsign does not name", nullptr, reg("D-AIZA"), true, true, false,
       false, "BAW12", "D-AIZA", "EZY", "A320", "FRA->JFK"},
      {"a registration operated by the airline the callsign names", nullptr, reg("D-ACNA"), true, false, true,
       true, "BAW12", "D-ACNA", "BAW", "CRJ9", "FRA->JFK"},
      {"another callsign", nullptr, callsign("BAW13"), true, false, true, false, "BAW13", "G-EZAA", "EZY",
       "A320", "FRA->JFK"},
      {"another callsign without GUID_CHANGES", nullptr, callsign("BAW13"), false, true, false, false,
       "BAW13", "G-EZAA", "EZY", "A320", "FRA->JFK"},
      {"its own ghost callsign", nullptr, callsign("BAW12_"), true, false, false, false, "BAW12", "G-EZAA",
       "EZY", "A320", "FRA->JFK"},
      {"both codes changed, bound back to the park airport", nullptr, route("JFK", "FRA"), true, true, false,
       false, "BAW12", "G-EZAA", "EZY", "A320", "FRA->JFK"},
      {"both codes changed elsewhere", nullptr, route("LHR", "CDG"), true, false, true, false, "BAW12",
       "G-EZAA", "EZY", "A320", "LHR->CDG"},
      {"bound back to a park airport without IATA code", [](LiveAircraft& a) { a.origin = IataCode("XXX"); },
       route("JFK", "XXX"), true, false, true, false, "BAW12", "G-EZAA", "EZY", "A320", "JFK->XXX", "XXX"},
      {"a destination where none was known", [](LiveAircraft& a) { a.destination.reset(); },
       route("FRA", "JFK"), true, false, true, false, "BAW12", "G-EZAA", "EZY", "A320", "FRA->JFK"},
      {"known by its callsign only, a registration bound to another title",
       [](LiveAircraft& a) { a.registration = "BAW12"; }, reg("G-EUUB"), true, false, true, true, "BAW12",
       "G-EUUB", "BAW", "A321", "FRA->JFK"},
      {"known by its callsign only, a registration bound to the title it wears",
       [](LiveAircraft& a) { a.registration = "BAW12"; }, reg("G-EUUC"), true, true, false, false, "BAW12",
       "G-EUUC", "EZY", "A320", "FRA->JFK"},
      {"in its landing roll", [](LiveAircraft& a) { a.flags.landingRoll = true; }, callsign("BAW13"), true,
       true, false, false, "BAW12", "G-EZAA", "EZY", "A320", "FRA->JFK"},
      {"pushing back", [](LiveAircraft& a) { a.phase = FlightPhase::PushingBack; }, callsign("BAW13"), true,
       true, false, false, "BAW12", "G-EZAA", "EZY", "A320", "FRA->JFK"},
      {"buffered: it takes the record's texts", [](LiveAircraft& a) { a.state = SimState::Buffer; },
       [](TrafficRecord& r) {
         r.callsign = "BAW13";
         r.registration = "G-EUUA";
       },
       true, true, false, false, "BAW13", "G-EUUA", "EZY", "A320", "FRA->JFK"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ScopedSetting guid(orv::cfg::GUID_CHANGES, row.guidChanges);
    LiveAircraft& a = flying();
    parkAt(row.parkIata);
    if (row.aircraft) row.aircraft(a);
    TrafficRecord r = sameAs(a);
    if (row.record) row.record(r);
    const FlightPhase phaseBefore = a.phase;

    EXPECT_EQ(orv::respawnCheck(run, a, r), row.applied);
    EXPECT_EQ(a.state == SimState::LiveryRespawn, row.respawned);
    EXPECT_EQ(run.traffic.removalIds.size(), row.respawned ? 1u : 0u);
    EXPECT_EQ(a.callsign, row.callsign);
    EXPECT_EQ(a.registration, row.registration);
    EXPECT_EQ(orv::gf_airlineCode(a.airline), row.airline);
    EXPECT_EQ(orv::gf_modelCode(a.model), row.model);
    EXPECT_EQ(orv::gf_routeText(a), row.route);
    // Born again, it is matched anew; otherwise it keeps its livery and its phase.
    EXPECT_EQ(a.liveryTitle.empty(), row.reborn);
    EXPECT_EQ(run.traffic.titles.contains(a.key), !row.reborn);
    EXPECT_EQ(a.phase, row.reborn ? FlightPhase::Birth : phaseBefore);
  }
}

TEST_F(RespawnTest, ARespawnedAircraftComesBackWhereItWasUnderItsNewCallsign) {
  const ScopedSetting guid(orv::cfg::GUID_CHANGES, true);
  const ScopedSetting noConflicts(orv::cfg::COLLISION_USER_AIR, false);
  LiveAircraft& a = flying();
  TrafficRecord r = sameAs(a);
  r.callsign = "BAW13";
  const std::int64_t c = orv::gf_cycleCounter();
  ASSERT_FALSE(orv::respawnCheck(run, a, r));
  EXPECT_TRUE(lf_logged("          BAW13    G-EZAA   FRA->JFK respawns"));
  const PositionSample& restart = a.stream.front();
  EXPECT_EQ(restart.latitude, 50.5);
  EXPECT_EQ(restart.longitude, 9.0);
  EXPECT_EQ(restart.altitudeFt, a.altitudeFt);
  EXPECT_TRUE(restart.airborne);
  EXPECT_EQ(restart.dueCycle, c + 1);
  EXPECT_TRUE(run.traffic.respawnKeys.contains(a.key));
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{71}));

  orv::gf_postSimMessage(SimMessage{71, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0});
  orv::gf_handleSimMessages(run);
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].state, SimState::Buffer);
  for (int i = 0; i < 60 && sim.creations.empty(); ++i) orv::lf_handleAddingStack(run);
  ASSERT_EQ(sim.creations.size(), 1u);
  const orv::SimCreateRequest& created = sim.creations[0];
  EXPECT_EQ(created.callsign, "BAW13");
  EXPECT_EQ(created.liveryTitle, "Title A");
  EXPECT_EQ(created.initPosition.Latitude, 50.5);
  EXPECT_DOUBLE_EQ(created.initPosition.Heading, 1.0 * orv::kRadToDeg) << "it keeps its heading";
}

TEST_F(RespawnTest, AParkedAircraftRespawnsStandingAtItsStand) {
  const ScopedStands stands;
  LiveAircraft& a = lf_addLive(run, 40002, "BAW14", ScopedStands::at(3), SimState::Active, 72, false);
  a.phase = FlightPhase::Parked;
  a.standId = 3;
  a.headingRad = 0.5;
  const std::int64_t c = orv::gf_cycleCounter();
  orv::liveryRespawn(run, a);
  ASSERT_EQ(a.stream.size(), 2u) << "one sample alone would end the spawn";
  EXPECT_EQ(a.stream[0].longitude, ScopedStands::at(3).longitude);
  EXPECT_FALSE(a.stream[0].airborne);
  EXPECT_DOUBLE_EQ(a.stream[0].trackDeg, 0.5 * orv::kRadToDeg);
  EXPECT_EQ(a.stream[0].dueCycle, c + 1);
  EXPECT_TRUE(a.stream[1].stationary);
  EXPECT_EQ(a.standId, 3u) << "it comes back at its stand";
  EXPECT_EQ(a.state, SimState::LiveryRespawn);
}

// --- ghosts, stands and the user on recorders ---

TEST_F(RemovalTest, GhostsAreRemovedOnceTheirGenuineAircraftIsLive) {
  const ScopedStands stands;
  LiveAircraft& flyingGhost = lf_addLive(run, 20002, "BAW1_", {51.0, 1.0}, SimState::Active, 31);
  LiveAircraft& parkedGhost =
      lf_addLive(run, 20003, "BAW1_", ScopedStands::at(3), SimState::Active, 32, false);
  parkedGhost.phase = FlightPhase::Parked;
  parkedGhost.standId = 3;
  lf_addLive(run, 20004, "BAW11_", {51.0, 2.0}, SimState::Active, 33);
  LiveAircraft& genuine = lf_addLive(run, 20001, "BAW1", {51.0, 3.0}, SimState::Adding2Sim);

  EXPECT_TRUE(orv::gf_hasGenuineTwin(run, flyingGhost));
  EXPECT_FALSE(orv::gf_hasGenuineTwin(run, genuine)) << "a callsign without '_' is no ghost";
  orv::gf_ghostCheck(run, genuine);
  orv::gf_ghostCheck(run, genuine);
  EXPECT_EQ(flyingGhost.state, SimState::RemovingFromSim);
  EXPECT_EQ(parkedGhost.state, SimState::RemovingFromSim);
  EXPECT_EQ(live()[2].state, SimState::Active) << "another callsign";
  EXPECT_EQ(run.traffic.callsignsToRemove, std::vector<std::string>{"BAW1_"}) << "each callsign once";
  EXPECT_TRUE(orv::gf_callsignToRemove(run, "BAW1_"));
  EXPECT_TRUE(lf_logged("          BAW1_    is a ghost and will be removed, continue with BAW1"));
  EXPECT_TRUE(lf_logged("A3      : BAW1_    is a ghost and will be removed, continue with BAW1"));
  genuine.state = SimState::RemovingFromSim;
  EXPECT_FALSE(orv::gf_hasGenuineTwin(run, flyingGhost)) << "a genuine aircraft on its way out";

  orv::emptyCallsignsToRemove(run);
  EXPECT_FALSE(orv::gf_callsignToRemove(run, "BAW1_"));
}

TEST_F(RemovalTest, ALiveNewcomerAtAStandDealsWithTheOccupant) {
  const ScopedStands stands;
  struct Row {
    const char* name;
    const char* occupant;
    std::function<void(LiveAircraft&)> setUp;
    const char* newcomer;
    bool taken, occupantRemoved;
    const char* line;
  };
  const Row rows[] = {
      {"the same callsign", "BAW1", nullptr, "BAW1", true, true,
       "A1      : BAW1     ac with same callsign BAW1 wants it, remove existing ... "},
      {"the newcomer is the occupant's ghost", "BAW1", nullptr, "BAW1_", false, false, nullptr},
      {"the occupant is the newcomer's ghost", "BAW1_", nullptr, "BAW1", true, true,
       "A1      : BAW1_    ghost, replace by BAW1"},
      {"the occupant is some ghost", "DLH2_", nullptr, "BAW1", true, true,
       "A1      : DLH2_    ghost, replace by BAW1"},
      {"a ghost newcomer and a genuine occupant", "DLH2", nullptr, "BAW1_", false, false, nullptr},
      {"the occupant is still reported at the stand", "DLH2",
       [](LiveAircraft& a) { a.flags.reportedAtStand = true; }, "BAW1", false, false, nullptr},
      {"another occupant", "DLH2", nullptr, "BAW1", true, true,
       "A1      : DLH2     removed because another live BAW1 wants the stand ..."},
      {"pushed back, still there", "DLH2", [](LiveAircraft& a) { a.phase = FlightPhase::PushedBack; }, "BAW1",
       true, true, "A1      : DLH2     removed because another live BAW1 wants the stand ..."},
      {"an aircraft on its way to the stand", "DLH2", [](LiveAircraft& a) { a.phase = FlightPhase::Parking; },
       "BAW1", true, false, nullptr},
      {"an occupant not created yet", "DLH2", [](LiveAircraft& a) { a.state = SimState::Adding2Sim; }, "BAW1",
       true, false, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    LiveAircraft& o = lf_addLive(run, 20001, row.occupant, ScopedStands::at(1), SimState::Active, 40, false);
    o.phase = FlightPhase::Parked;
    o.standId = 1;
    if (row.setUp) row.setUp(o);
    const SimState before = o.state;
    EXPECT_EQ(orv::lf_standTakenByLive(run, ScopedStands::stand(1), row.newcomer), row.taken);
    EXPECT_EQ(o.state, row.occupantRemoved ? SimState::RemovingFromSim : before);
    if (row.line) {
      EXPECT_TRUE(lf_logged(row.line));
    }
  }
}

TEST_F(RemovalTest, LiveNeighboursGiveWayOnlyWhenTheWingsWouldMeet) {
  const ScopedStands stands;  // A1 and A2 lie 30 m apart
  struct Row {
    const char* name;
    double neighbourHalfSpanM;
    FlightPhase phase;
    const char* callsign;
    bool collides;
  };
  // With the newcomer's 17.8 m: (17.8 + 9.5) x 1.1 = 30.0 m meet, (17.8 + 8) x 1.1 = 28.4 m do not.
  const Row rows[] = {{"wide enough to touch", 9.5, FlightPhase::Parked, "DLH2", true},
                      {"narrow enough", 8.0, FlightPhase::Parked, "DLH2", false},
                      {"pushing back", 9.5, FlightPhase::PushingBack, "DLH2", true},
                      {"taxiing away", 9.5, FlightPhase::Taxi, "DLH2", false},
                      {"the newcomer's own callsign", 9.5, FlightPhase::Parked, "BAW1", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    LiveAircraft& n = lf_addLive(run, 20002, row.callsign, ScopedStands::at(2), SimState::Active, 41, false);
    n.phase = row.phase;
    n.standId = 2;
    n.halfWingSpanNm = row.neighbourHalfSpanM / orv::kMetresPerNm;
    LiveAircraft& a = lf_addLive(run, 20001, "BAW1", ScopedStands::at(1), SimState::Buffer, 0, false);
    const LiveAircraft newcomer = a;  // the copy stays valid while the list changes
    EXPECT_EQ(orv::lf_liveGivesWay(run, 2, newcomer, ScopedStands::stand(1)), !row.collides);
    EXPECT_TRUE(orv::lf_liveGivesWay(run, 3, newcomer, ScopedStands::stand(1))) << "no aircraft there";
    orv::lf_clearLiveNeighbour(run, 2, newcomer, ScopedStands::stand(1));
    EXPECT_EQ(live()[0].state == SimState::RemovingFromSim, row.collides);
  }
}

TEST_F(RemovalTest, StaticAircraftMakeWayForALiveAircraftAtTheirStandAndNextToIt) {
  const ScopedStands stands;
  ScopedStands::stand(1).neighbours = {2, 3};
  StaticAircraft& onIt = lf_addStatic(run, 1, "BAW1*", 1, ScopedStands::at(1), SimState::Active, 60);
  onIt.registration = "G-EUUA";
  StaticAircraft& queued = lf_addStatic(run, 2, "DLH5*", 1, ScopedStands::at(1), SimState::Adding2Sim);
  queued.registration = "D-AIZA";
  run.traffic.staticCreations.push_back(lf_staticRequest(queued));
  lf_addStatic(run, 3, "EZY7*", 2, ScopedStands::at(2), SimState::Active, 61);
  lf_addStatic(run, 4, "EZY8*", 3, ScopedStands::at(3), SimState::Active, 62);  // 330 m away
  LiveAircraft& a = lf_addLive(run, 20001, "BAW1", ScopedStands::at(1), SimState::Adding2Sim, 0, false);
  a.registration = "G-EUUA";
  a.phase = FlightPhase::Parked;
  a.standId = 1;

  // As the simulator reports the live aircraft created at its stand.
  orv::gf_postSimMessage(SimMessage{50, a.key, 0, SimMessageKind::LiveCreated, 0.0, 3.0});
  orv::gf_handleSimMessages(run);

  EXPECT_TRUE(lf_logged("A1      : BAW1     parks over static BAW1* \u2014 static will be removed"));
  EXPECT_TRUE(lf_logged("A1      : BAW1*    G-EUUA makes way for the same live version BAW1 G-EUUA"));
  EXPECT_TRUE(lf_logged("queued A1      : DLH5*    D-AIZA makes way for BAW1 G-EUUA"));
  EXPECT_TRUE(lf_logged("A2      : EZY7*    makes way for BAW1 parking at excluded stand A1"));
  EXPECT_TRUE(run.traffic.staticCreations.empty());
  ASSERT_EQ(run.parking.statics.size(), 3u) << "the withdrawn one is gone at once";
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.parking.statics[1].state, SimState::RemovingFromSim);
  EXPECT_EQ(run.parking.statics[2].state, SimState::Active);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{60, 61}));
}

TEST_F(RemovalTest, AnAircraftOnTheGroundCloseToTheUsersHeadingLineIsRemoved) {
  const Position user{50.0, 8.0};
  const double north = 0.0;
  struct Row {
    const char* name;
    double aheadNm, sideFt;
    double userAglFt;
    bool aircraftOnGround;
    bool removed;
  };
  const Row rows[] = {
      {"40 ft left, 0.8 nm ahead", 0.8, -40.0, 0.0, true, true},
      {"40 ft right, 0.8 nm behind: the line runs both ways", -0.8, 40.0, 0.0, true, true},
      {"60 ft off the line", 0.8, 60.0, 0.0, true, false},
      {"1.2 nm ahead", 1.2, 0.0, 0.0, true, false},
      {"the user 600 ft above the ground", 0.8, 0.0, 600.0, true, false},
      {"the aircraft airborne", 0.8, 0.0, 0.0, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    lf_setUser(user, north, 0.0, row.userAglFt);
    const Position at = lf_offset(user, row.aheadNm < 0 ? orv::kPi : north, std::abs(row.aheadNm),
                                  row.aheadNm < 0 ? -row.sideFt : row.sideFt);
    LiveAircraft& a = lf_addLive(run, 20001, "BAW1", at, SimState::Active, 70, !row.aircraftOnGround);
    a.headingRad = row.aheadNm < 0 ? 0.0 : orv::kPi;  // towards the user: no conflict ahead
    a.altitudeFt = 0.0;
    orv::gf_removeAcAheadOfUser(run);
    EXPECT_EQ(a.state == SimState::RemovingFromSim, row.removed);
  }
  // The first removal ends the job.
  run.traffic = orv::TrafficState{};
  lf_setUser(user);
  lf_addLive(run, 20001, "BAW1", lf_offset(user, north, 0.5), SimState::Active, 70, false);
  lf_addLive(run, 20002, "BAW2", lf_offset(user, north, 0.6), SimState::Active, 71, false);
  orv::gf_removeAcAheadOfUser(run);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{70}));
}

TEST_F(RemovalTest, AUserConflictIsAnAircraftAheadMovingAwayWithinTheLimits) {
  const Position user{50.0, 8.0};
  struct Row {
    const char* name;
    double aheadNm, sideFt, altitudeFt, headingRad;
    bool nearConflict, wideConflict;
  };
  const Row rows[] = {
      {"2 nm north, flying north", 2.0, 0.0, 5500.0, 0.0, true, true},
      {"2 nm north, flying towards the user", 2.0, 0.0, 5500.0, orv::kPi, false, false},
      {"800 ft beside the line", 2.0, 800.0, 5500.0, 0.0, false, true},
      {"1000 ft above", 2.0, 0.0, 6000.0, 0.0, false, true},
      {"3000 ft above", 2.0, 0.0, 8000.0, 0.0, false, false},
      {"4.5 nm away", 4.5, 0.0, 5500.0, 0.0, false, true},
      {"6.5 nm away", 6.5, 0.0, 5500.0, 0.0, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    lf_setUser(user, 0.0, 5000.0, 5000.0, false);
    LiveAircraft& a =
        lf_addLive(run, 20001, "BAW1", lf_offset(user, 0.0, row.aheadNm, row.sideFt), SimState::Active, 70);
    a.altitudeFt = row.altitudeFt;
    a.headingRad = row.headingRad;
    EXPECT_EQ(orv::lf_userConflict(run, a, orv::kNearConflictNm, orv::kNearConflictAltitudeFt,
                                   orv::kNearConflictLateralFt),
              row.nearConflict);
    EXPECT_EQ(orv::lf_userConflict(run, a, orv::kWideConflictNm, orv::kWideConflictAltitudeFt,
                                   orv::kWideConflictLateralFt),
              row.wideConflict);
    orv::gf_removeAcAheadOfUser(run);
    EXPECT_EQ(a.state == SimState::RemovingFromSim, row.nearConflict);
  }
}

TEST_F(RemovalTest, NearTheStandingUserLiveAircraftGoFirstThenStaticOnesWhenSomethingChanged) {
  const ScopedStands stands;
  lf_setUser(ScopedStands::at(3));
  const double user = orv::gf_userHalfWingspan();
  const double span = 0.0096;
  const double touching = (user + span) * 1.15;
  // East of the user: 90 % of the distance at which the wings touch, and 110 %.
  const double degPerNm = 1.0 / (60.0 * std::cos(ScopedStands::at(3).latitude * orv::kDegToRad));
  const Position close{ScopedStands::at(3).latitude,
                       ScopedStands::at(3).longitude + touching * 0.9 * degPerNm};
  const Position clear{ScopedStands::at(3).latitude,
                       ScopedStands::at(3).longitude + touching * 1.1 * degPerNm};
  LiveAircraft& far = lf_addLive(run, 20001, "BAW1", clear, SimState::Active, 70, false);
  LiveAircraft& near = lf_addLive(run, 20002, "BAW2", close, SimState::Active, 71, false);
  StaticAircraft& under = lf_addStatic(run, 1, "DLH1*", 3, ScopedStands::at(3), SimState::Active, 80);

  orv::gf_removeAcNearUser(run);
  EXPECT_EQ(far.state, SimState::Active);
  EXPECT_EQ(near.state, SimState::RemovingFromSim);
  EXPECT_EQ(under.state, SimState::Active) << "a live aircraft went this time";

  orv::gf_removeAcNearUser(run);
  EXPECT_EQ(under.state, SimState::RemovingFromSim) << "the first test of the static aircraft";

  // Created on the stand where the user stands, without the user moving.
  StaticAircraft& created = lf_addStatic(run, 2, "DLH2*", 3, ScopedStands::at(3), SimState::Adding2Sim);
  orv::gf_removeAcNearUser(run);
  EXPECT_EQ(created.state, SimState::Adding2Sim);
  created.state = SimState::Active;
  created.objectId = 81;
  orv::gf_removeAcNearUser(run);
  EXPECT_EQ(created.state, SimState::RemovingFromSim) << "it became active";
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{71, 80, 81}));
}

TEST_F(RemovalTest, AFullListMakesRoomByTheFarthestAircraftBeyondTheNewcomer) {
  const Position user{50.0, 8.0};
  lf_setUser(user, 0.0, 5000.0, 5000.0, false);
  struct Row {
    const char* name;
    double newcomerNm;
    bool room;
    std::vector<std::uint32_t> removed;
  };
  const Row rows[] = {{"a distance below 0", -1.0, false, {}},
                      {"the farthest only 0.05 nm beyond", 19.95, false, {}},
                      {"the farthest of two beyond", 5.0, true, {71}},
                      {"none beyond", 25.0, false, {}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    run.traffic = orv::TrafficState{};
    lf_addLive(run, 20001, "BAW1", lf_offset(user, 1.0, 10.0), SimState::Active, 70);
    lf_addLive(run, 20002, "BAW2", lf_offset(user, 2.0, 20.0), SimState::Active, 71);
    lf_addLive(run, 20003, "BAW3", lf_offset(user, 3.0, 40.0), SimState::Buffer);
    EXPECT_EQ(orv::gf_removeFarthestAc(run, row.newcomerNm), row.room);
    EXPECT_EQ(std::vector<std::uint32_t>(run.traffic.removalIds.begin(), run.traffic.removalIds.end()),
              row.removed);
  }
}

// --- the jobs on the lists ---

TEST_F(RemovalTest, FlushingRemovesEveryStaticAircraftAndNoLiveOne) {
  StaticAircraft& active = lf_addStatic(run, 1, "BAW1*", 1, {50.0, 8.0}, SimState::Active, 80);
  StaticAircraft& queued = lf_addStatic(run, 2, "BAW2*", 2, {50.0, 8.0}, SimState::Adding2Sim);
  run.traffic.staticCreations.push_back(lf_staticRequest(queued));
  lf_addStatic(run, 3, "BAW3*", 3, {50.0, 8.0}, SimState::Adding2Sim);
  LiveAircraft& a = lf_addLive(run, 20001, "BAW1", {50.0, 8.0}, SimState::Active, 70, false);
  a.phase = FlightPhase::Parked;
  (void)active;

  orv::gf_removeAllAc(run);
  ASSERT_EQ(run.parking.statics.size(), 2u);
  EXPECT_EQ(run.parking.statics[0].state, SimState::RemovingFromSim);
  EXPECT_TRUE(run.parking.statics[1].removeWhenCreated) << "its creation was with the simulator";
  EXPECT_TRUE(run.traffic.staticCreations.empty());
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{80}));
  EXPECT_EQ(live()[0].state, SimState::Active);
}

TEST_F(RemovalTest, TheStandOfANameIsClearedAndANameOfNoStandClearsNothing) {
  const ScopedStands stands;
  LiveAircraft& parked = lf_addLive(run, 20001, "BAW1", ScopedStands::at(1), SimState::Active, 70, false);
  parked.phase = FlightPhase::Parked;
  parked.standId = 1;
  LiveAircraft& other = lf_addLive(run, 20002, "BAW2", ScopedStands::at(2), SimState::Active, 71, false);
  other.standId = 2;
  LiveAircraft& flying = lf_addLive(run, 20003, "BAW3", {51.0, 8.0}, SimState::Active, 72);
  lf_addStatic(run, 1, "DLH1*", 1, ScopedStands::at(1), SimState::Active, 80);
  lf_addStatic(run, 2, "DLH2*", 2, ScopedStands::at(2), SimState::Active, 81);

  orv::gf_removeParkedByName(run, "NONE");
  EXPECT_TRUE(run.traffic.removalIds.empty()) << "not the aircraft without a stand";
  orv::gf_removeParkedByName(run, "A1");
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{70, 80}));
  EXPECT_EQ(other.state, SimState::Active);
  EXPECT_EQ(flying.state, SimState::Active);
}

TEST_F(RemovalTest, ATaxiingAircraftPushesAwayTheStaticAircraftItWouldTouch) {
  const ScopedStands stands;
  LiveAircraft& taxiing = lf_addLive(run, 20001, "BAW1", ScopedStands::at(4), SimState::Active, 70, false);
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(taxiing.lastTestedPosition.latitude, 0.0) << "nothing to test without static aircraft";

  StaticAircraft& touched = lf_addStatic(run, 1, "DLH1*", 4, ScopedStands::at(4), SimState::Active, 80);
  StaticAircraft& twin = lf_addStatic(run, 2, "BAW1*", 5, ScopedStands::at(5), SimState::Active, 81);
  twin.flightCallsign = "BAW1";
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(touched.state, SimState::RemovingFromSim);

  // Not moved since: not tested again.
  StaticAircraft& later = lf_addStatic(run, 3, "DLH3*", 4, ScopedStands::at(4), SimState::Active, 82);
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(later.state, SimState::Active);
  // On the take-off roll it is left alone.
  taxiing.latitude += 1e-6;
  taxiing.flags.takeOffRoll = true;
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(later.state, SimState::Active);
  taxiing.flags.takeOffRoll = false;
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(later.state, SimState::RemovingFromSim);

  // Its own static version is not touched by this check.
  taxiing.latitude = ScopedStands::at(5).latitude;
  taxiing.longitude = ScopedStands::at(5).longitude;
  orv::gf_recheckMovingAc(run);
  EXPECT_EQ(twin.state, SimState::Active);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{80, 82}));
}

TEST_F(RemovalTest, TheStaticTwinOfALiveAircraftOnTheGroundGoesOnePerCall) {
  LiveAircraft& byRegistration = lf_addLive(run, 20001, "BAW1", {50.0, 8.0}, SimState::Active, 70, false);
  byRegistration.registration = "G-EUUA";
  lf_addLive(run, 20002, "DLH2_", {50.0, 8.1}, SimState::Active, 71, false);
  LiveAircraft& airborne = lf_addLive(run, 20003, "EZY3", {50.0, 8.2}, SimState::Active, 72);
  (void)airborne;
  lf_addStatic(run, 1, "EZY3*", 1, {50.1, 8.0}, SimState::Active, 80);
  lf_addStatic(run, 2, "DLH2*", 2, {50.1, 8.0}, SimState::Active, 81);
  StaticAircraft& s = lf_addStatic(run, 3, "XYZ9*", 3, {50.1, 8.0}, SimState::Active, 82);
  s.registration = "G-EUUA";
  lf_addStatic(run, 4, "BAW1", 4, {50.1, 8.0}, SimState::Active, 83);  // no star: not shown as BAW1

  orv::gf_removeByList(run);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{82}));
  orv::gf_removeByList(run);
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{82, 81}));
  orv::gf_removeByList(run);
  EXPECT_EQ(run.traffic.removalIds.size(), 2u) << "the airborne aircraft has no twin to remove";
}

TEST_F(RemovalTest, AnArrivalTakesItsLearnedTextsOnceAndItsStaticTwinGoes) {
  const orv::WeekdayAndSlot now = orv::gf_currentSlot();
  ASSERT_GE(now.slot, 14);
  const auto schedule = [&](const char* callsign, const char* second, int slotsBack) {
    orv::StandSchedule s;
    s.airline = orv::gf_airlineId("BAW");
    s.callsign = callsign;
    s.secondCallsign = second;
    s.day = static_cast<std::uint32_t>(now.weekday);
    s.sequence = 1;
    s.hours.set(static_cast<std::size_t>(now.slot - slotsBack));
    return s;
  };
  const ScopedStands stands(
      {schedule("DLH1", "DLH7", 2), schedule("BAW1_", "BAW2", 10), schedule("BAW3", "BAW4", 11)});
  LiveAircraft& a = lf_addLive(run, 20001, "BAW1", ScopedStands::at(1), SimState::Active, 70, false);
  a.airline = orv::gf_airlineId("BAW");
  LiveAircraft& heavy = lf_addLive(run, 20003, "BAW3", ScopedStands::at(2), SimState::Active, 71, false);
  heavy.airline = orv::gf_airlineId("BAW");
  heavy.modelClass = orv::ModelClass::Heavy;
  LiveAircraft& large = lf_addLive(run, 20004, "BAW3", ScopedStands::at(3), SimState::Active, 72, false);
  large.airline = orv::gf_airlineId("BAW");
  lf_addStatic(run, 1, "BAW1*", 4, ScopedStands::at(4), SimState::Active, 80);
  lf_addStatic(run, 2, "BAW9*", 5, ScopedStands::at(5), SimState::Active, 81);
  run.traffic.arrivalChecks = {20001, 20002, 20001, 20003, 20004};

  orv::arrivalCheckStep(run);
  EXPECT_EQ(a.flightCallsign, "BAW1_");
  EXPECT_EQ(a.extraText, "BAW2");
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{80}));
  EXPECT_EQ(run.traffic.arrivalChecks.size(), 4u) << "one key per tick";

  orv::arrivalCheckStep(run);  // an aircraft that is gone
  EXPECT_EQ(run.traffic.arrivalChecks.size(), 3u);
  orv::gf_parkStands()[0].schedules[1].secondCallsign = "BAW5";
  orv::arrivalCheckStep(run);
  EXPECT_EQ(a.extraText, "BAW2") << "once per aircraft";

  orv::arrivalCheckStep(run);
  EXPECT_EQ(heavy.extraText, "BAW4") << "11 half hours ago is within a heavy's 14";
  orv::arrivalCheckStep(run);
  EXPECT_EQ(large.extraText, "") << "but not within the 10 of others";
  EXPECT_TRUE(run.traffic.arrivalChecks.empty());
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{80}));
}

// Just after midnight the learned parkings of the evening before are within the window too.
TEST_F(RemovalTest, AnArrivalsScheduleWindowRunsOverMidnight) {
  clock.advance(std::chrono::seconds(59387));  // to Thursday 00:30
  orv::gf_updateCurrentSlot();
  ASSERT_EQ(orv::gf_currentSlot(), (orv::WeekdayAndSlot{4, 1}));
  struct Row {
    std::uint32_t day;
    std::size_t slot;
    bool found;
  } const rows[] = {{3, 44, true}, {3, 38, false}, {4, 11, true}, {4, 12, false}, {2, 44, false}};
  std::vector<orv::StandSchedule> schedules;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    orv::StandSchedule s;
    s.airline = orv::gf_airlineId("BAW");
    s.callsign = fmt::format("BAW{}", i);
    s.secondCallsign = "LEARNED";
    s.day = rows[i].day;
    s.sequence = 1;
    s.hours.set(rows[i].slot);
    schedules.push_back(s);
  }
  const ScopedStands stands(schedules);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(fmt::format("day {} slot {}", rows[i].day, rows[i].slot));
    LiveAircraft& a =
        lf_addLive(run, static_cast<std::uint32_t>(30000 + i), fmt::format("BAW{}", i), ScopedStands::at(1),
                   SimState::Active, static_cast<std::uint32_t>(90 + i), false);
    a.airline = orv::gf_airlineId("BAW");
    run.traffic.arrivalChecks = {a.key};
    orv::arrivalCheckStep(run);
    EXPECT_EQ(run.traffic.liveList.back().extraText, rows[i].found ? "LEARNED" : "");
  }
}

TEST_F(RemovalTest, TheStatisticsCountsShowTheMeanHalfHoursStoodWhenTheyChange) {
  const orv::WeekdayAndSlot now = orv::gf_currentSlot();
  ASSERT_GE(now.slot, 4);
  lf_addStatic(run, 1, "BAW1*", 1, {50.0, 8.0}, SimState::Active, 80).parkedSince = {now.weekday,
                                                                                     now.slot - 4};
  // Since yesterday's last half hour: over midnight and, on a Monday, over the end of the week.
  lf_addStatic(run, 2, "BAW2*", 2, {50.0, 8.0}, SimState::Active, 81).parkedSince = {
      now.weekday == 1 ? 7 : now.weekday - 1, 47};
  lf_addStatic(run, 3, "BAW3*", 3, {50.0, 8.0}, SimState::Adding2Sim);
  LiveAircraft& parked = lf_addLive(run, 20001, "BAW1", {50.0, 8.0}, SimState::Active, 70, false);
  parked.phase = FlightPhase::Parked;
  parked.parkedSince = {now.weekday, now.slot - 1};
  lf_addLive(run, 20002, "BAW2", {50.0, 8.0}, SimState::Active, 71, false);

  using orv::WindowBand;
  using orv::WindowCount;
  using orv::WindowValue;
  const int repaints = window.repaints(WindowBand::Statistics);
  EXPECT_EQ(orv::gf_countActiveAc(run, false), 2);
  EXPECT_EQ(orv::gf_countParkedAc(run, false), 1);
  EXPECT_EQ(window.count(WindowCount::ActiveStatic), 2);
  EXPECT_DOUBLE_EQ(window.value(WindowValue::AverageFitStatic), (4.0 + now.slot + 1) / 2.0);
  EXPECT_EQ(window.count(WindowCount::ParkedLive), 1);
  EXPECT_DOUBLE_EQ(window.value(WindowValue::AverageFitLive), 1.0);
  EXPECT_EQ(window.repaints(WindowBand::Statistics), repaints + 2);

  (void)orv::gf_countActiveAc(run, false);
  (void)orv::gf_countParkedAc(run, false);
  EXPECT_EQ(window.repaints(WindowBand::Statistics), repaints + 2) << "nothing changed";
  (void)orv::gf_countParkedAc(run, true);
  EXPECT_EQ(window.repaints(WindowBand::Statistics), repaints + 3) << "asked to refresh";

  parked.state = SimState::RemovingFromSim;
  EXPECT_EQ(orv::gf_countParkedAc(run, false), 0);
  EXPECT_DOUBLE_EQ(window.value(WindowValue::AverageFitLive), -1.0);
  EXPECT_EQ(window.repaints(WindowBand::Statistics), repaints + 4);
}

TEST_F(RemovalTest, TheCallsignListHoldsTheFlyingAndTaxiingAircraftAndLosesTheSelectedOneAtItsRemoval) {
  lf_addLive(run, 20001, "DLH2", {50.0, 8.0}, SimState::Active, 70);
  lf_addLive(run, 20002, "BAW1", {50.0, 8.1}, SimState::Active, 71, false);
  lf_addLive(run, 20003, "EZY3", {50.0, 8.2}, SimState::Active, 72, false).phase = FlightPhase::Parked;
  lf_addLive(run, 20004, "KLM4", {50.0, 8.3}, SimState::Buffer);
  lf_addLive(run, 20005, "BAW1", {50.0, 8.4}, SimState::Active, 74);
  const int repaints = window.repaints(orv::WindowBand::Options);
  orv::gf_listActiveCallsigns(run);
  EXPECT_EQ(window.callsigns(), (std::vector<std::string>{"", "BAW1", "DLH2"}));
  EXPECT_EQ(window.repaints(orv::WindowBand::Options), repaints + 1);

  run.traffic.selectedObjectId = 72;
  orv::removeAircraftFromSim(run, live()[1]);  // not the selected one
  EXPECT_EQ(window.repaints(orv::WindowBand::Options), repaints + 1);
  EXPECT_EQ(run.traffic.selectedObjectId, 72u);
  run.traffic.selectedObjectId = 70;
  orv::removeAircraftFromSim(run, live()[0]);
  EXPECT_EQ(run.traffic.selectedObjectId, 0u);
  EXPECT_EQ(window.callsigns(), (std::vector<std::string>{"", "BAW1"}));
}

// Everything a run learns goes with it: the next run starts with empty lists and sets.
TEST_F(RemovalTest, AFreshRunStartsWithNothingOfTheLast) {
  const ScopedStands stands;
  lf_setUser(ScopedStands::at(3));
  const auto fill = [](orv::TrafficRun& r) {
    LiveAircraft& genuine = lf_addLive(r, 20001, "BAW1", {50.0, 8.0}, SimState::Active, 70);
    lf_addLive(r, 20002, "BAW1_", {50.0, 8.1}, SimState::Active, 71);
    orv::gf_ghostCheck(r, genuine);
    lf_addStatic(r, 1, "DLH1*", 5, ScopedStands::at(5), SimState::Active, 90);  // away from the user
    orv::gf_removeAcNearUser(r);
    (void)orv::gf_countActiveAc(r, false);
    r.traffic.arrivalChecks.push_back(20001);
    r.traffic.selectedObjectId = 70;
    r.traffic.respawnKeys.insert(20001);
    r.traffic.addingStack.push_back(20001);
  };
  {
    testing_support::RecordingSimSide firstSim;
    testing_support::RecordingWindow firstWindow;
    orv::TrafficRun first{firstSim, firstWindow, false};
    fill(first);
    ASSERT_TRUE(orv::gf_callsignToRemove(first, "BAW1_"));
    ASSERT_TRUE(first.traffic.nearUser.tested);
  }
  testing_support::RecordingSimSide nextSim;
  testing_support::RecordingWindow nextWindow;
  orv::TrafficRun next{nextSim, nextWindow, false};
  const orv::TrafficState& t = next.traffic;
  EXPECT_TRUE(t.liveList.empty() && t.addingStack.empty() && t.liveCreations.empty() &&
              t.staticCreations.empty() && t.removalIds.empty() && t.created.empty() &&
              t.respawnKeys.empty() && t.arrivalChecks.empty() && t.titles.empty() && t.noLivery.empty() &&
              t.callsignsToRemove.empty());
  EXPECT_EQ(t.selectedObjectId, 0u);
  EXPECT_FALSE(t.nearUser.tested);
  EXPECT_EQ(t.shownActiveStatic.count, -1);
  const orv::StaticParking& p = next.parking;
  EXPECT_TRUE(p.statics.empty() && p.wanted.empty() && p.present.empty() && p.removals.empty() &&
              p.parkedLive.empty() && p.parkingCallsigns.empty());
  EXPECT_FALSE(orv::gf_callsignToRemove(next, "BAW1_"));

  // The first call of the new run tests the static aircraft, though neither the user nor the
  // static aircraft (the same object id) differ from the last test of the run before.
  StaticAircraft& under = lf_addStatic(next, 1, "DLH1*", 3, ScopedStands::at(3), SimState::Active, 90);
  orv::gf_removeAcNearUser(next);
  EXPECT_EQ(under.state, SimState::RemovingFromSim);
}

// --- against the stand-in ---

class JournalTest : public simlink_test::SimLinkTest {
 protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    ASSERT_TRUE(dbase.read());
    connect();
    (void)orv::gf_requestUserAcPosition();
    pump();
    orv::gf_updateCurrentSlot();
  }

  // One cycle of the live traffic, then one frame of the simulator with its answers.
  void cycle() {
    orv::lf_handleAddingStack(run);
    frame();
  }
  bool cycleUntil(const std::function<bool()>& done, int limit = 1500) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      cycle();
    }
    return done();
  }
  void alignCycleCounter(std::int64_t n, std::int64_t remainder = 0) {
    while (orv::gf_cycleCounter() % n != remainder) cycle();
  }

  [[nodiscard]] std::vector<std::uint32_t> created(std::string_view tail) const {
    std::vector<std::uint32_t> ids;
    for (const auto& e : standIn->journal("create"))
      if (e["tail"] == tail && e.value("ok", false)) ids.push_back(e["object"].get<std::uint32_t>());
    return ids;
  }
  [[nodiscard]] std::vector<std::uint32_t> removed() const {
    std::vector<std::uint32_t> ids;
    for (const auto& e : standIn->journal("remove"))
      if (e.contains("request")) ids.push_back(e["object"].get<std::uint32_t>());
    return ids;
  }
  LiveAircraft* find(std::uint32_t key) { return orv::gf_findLiveByKey(run.traffic.liveList, key); }

  // Spawned 20 nm from the user, flying east; the key waits on the adding stack.
  LiveAircraft& spawned(std::uint32_t key, const std::string& callsign) {
    LiveAircraft& a = lf_addLive(run, key, callsign, {50.3, 8.9}, SimState::Adding2Sim);
    run.traffic.addingStack.push_back(key);
    return a;
  }
  // Buffered with a stream due in a second, 20 nm from the user; its livery is known.
  void buffered(std::uint32_t key, const std::string& callsign) {
    lf_addLive(run, key, callsign, {50.3, 8.9 + (key % 10) * 0.05}, SimState::Buffer, 0, true,
               orv::gf_cycleCounter() + 150);
    orv::gf_rememberTitle(run.traffic.titles, key, "Any Title");
  }
  // A record of the address, as the Traffic Reader hands it over.
  TrafficRecord record(std::uint32_t key, const std::string& callsign, double time) {
    TrafficRecord r;
    r.model = orv::gf_modelId("A320");
    r.callsign = callsign;
    r.position = lf_sample({50.3, 8.6 + time * 0.002}, orv::gf_cycleCounter() + 150 + static_cast<int>(time),
                           true, key);
    r.position.groundSpeedKt = 100.0;  // slow enough that no record is redundant
    r.position.dataTime = time;
    return r;
  }

  testing_support::ScopedDbase dbase{kDbase};
  const ScopedSetting<orv::CheckBoxParameter> noConflicts{orv::cfg::COLLISION_USER_AIR, false};
  orv::TrafficRun run{orv::gf_commandQueueSide(), window, false};
};

TEST_F(JournalTest, AWithdrawnCreationNeverReachesTheSimulator) {
  alignCycleCounter(50, 1);
  orv::removeAircraftFromSim(run, spawned(30001, "BAW1"));  // its key still on the adding stack
  spawned(30002, "BAW2");
  cycle();
  ASSERT_EQ(run.traffic.liveCreations.size(), 1u);
  orv::removeAircraftFromSim(run, *find(30002));  // its request waiting for its turn
  for (int i = 0; i < 120; ++i) cycle();
  EXPECT_TRUE(standIn->journal("create").empty());
  EXPECT_TRUE(run.traffic.liveList.empty());
}

TEST_F(JournalTest, ACreationAlreadySentIsRemovedOnceItHasSettled) {
  spawned(30001, "BAW1");
  ASSERT_TRUE(cycleUntil([&] { return !created("BAW1").empty(); }));
  const std::uint32_t id = created("BAW1").front();
  const std::int64_t sent = orv::gf_cycleCounter();
  orv::removeAircraftFromSim(run, *find(30001));
  EXPECT_TRUE(find(30001)->removeWhenCreated);

  ASSERT_TRUE(cycleUntil([&] { return !removed().empty(); }));
  EXPECT_EQ(removed(), std::vector<std::uint32_t>{id});
  EXPECT_GE(orv::gf_cycleCounter() - sent, 200) << "not before it has settled";
  EXPECT_FALSE(standIn->aiObject(id));
  EXPECT_TRUE(cycleUntil([&] { return run.traffic.liveList.empty(); }, 5))
      << "erased on the simulator's report";
}

TEST_F(JournalTest, RemovalsReachTheSimulatorOnePerTenCycles) {
  for (std::uint32_t key : {30001u, 30002u, 30003u}) spawned(key, "BAW" + std::to_string(key % 10));
  ASSERT_TRUE(cycleUntil(
      [&] {
        return std::all_of(run.traffic.liveList.begin(), run.traffic.liveList.end(),
                           [](const LiveAircraft& a) { return a.state == SimState::Active; });
      },
      1000));
  for (LiveAircraft& a : run.traffic.liveList) orv::removeAircraftFromSim(run, a);
  const std::int64_t asked = orv::gf_cycleCounter();
  std::vector<std::int64_t> at;
  for (int i = 0; i < 60; ++i) {
    const std::size_t before = removed().size();
    cycle();
    for (std::size_t n = before; n < removed().size(); ++n) at.push_back(orv::gf_cycleCounter() - 1);
  }
  ASSERT_EQ(at.size(), 3u);
  EXPECT_LT(at[0] - asked, 10);
  EXPECT_EQ(at[1] - at[0], 10);
  EXPECT_EQ(at[2] - at[1], 10);
  EXPECT_TRUE(standIn->aiObjects().empty());
}

TEST_F(JournalTest, AGhostThatCameFirstGoesWhenItsTwinSpawnsAndNeverComesBack) {
  spawned(30002, "BAW1_");
  ASSERT_TRUE(cycleUntil([&] { return find(30002)->state == SimState::Active; }));
  const std::uint32_t ghost = created("BAW1_").front();

  buffered(30001, "BAW1");
  ASSERT_TRUE(cycleUntil([&] { return !created("BAW1").empty(); }));
  ASSERT_TRUE(cycleUntil([&] { return !removed().empty(); }));
  EXPECT_EQ(removed(), std::vector<std::uint32_t>{ghost});
  EXPECT_TRUE(lf_logged("          BAW1_    is a ghost and will be removed, continue with BAW1"));
  ASSERT_TRUE(cycleUntil([&] { return !find(30002); }, 5)) << "erased once the simulator removed it";

  // The genuine aircraft leaves, and RealTraffic goes on reporting the ghost.
  orv::removeAircraftFromSim(run, *find(30001));
  ASSERT_TRUE(cycleUntil([&] { return !find(30001); }, 400));
  orv::gf_rememberTitle(run.traffic.titles, 30002, "Any Title");
  for (const double time : {200.0, 203.0, 206.0})
    orv::lf_applyTrafficRecord(run, record(30002, "BAW1_", time));
  ASSERT_TRUE(find(30002));
  ASSERT_TRUE(cycleUntil([&] { return !find(30002); }, 400));
  for (int i = 0; i < 100; ++i) cycle();
  EXPECT_EQ(created("BAW1_").size(), 1u);
}

TEST_F(JournalTest, AGhostThatComesAfterItsTwinIsNeverCreated) {
  spawned(30001, "DLH2");
  ASSERT_TRUE(cycleUntil([&] { return find(30001)->state == SimState::Active; }));
  buffered(30002, "DLH2_");
  ASSERT_TRUE(cycleUntil([&] { return !find(30002); }, 400));
  for (int i = 0; i < 100; ++i) cycle();
  EXPECT_TRUE(created("DLH2_").empty());
  EXPECT_EQ(find(30001)->state, SimState::Active);
}

TEST_F(JournalTest, TheUserMovedOntoAStaticAircraftsStandRemovesIt) {
  const ScopedStands stands;
  StaticAircraft& s = lf_addStatic(run, 7, "BAW7*", 4, ScopedStands::at(4), SimState::Adding2Sim);
  run.traffic.staticCreations.push_back(lf_staticRequest(s));
  ASSERT_TRUE(cycleUntil([&] { return !created("BAW7*").empty(); }));
  const std::uint32_t id = created("BAW7*").front();
  ASSERT_TRUE(cycleUntil([&] { return !run.traffic.created.empty(); }, 50));
  ASSERT_TRUE(cycleUntil([&] { return run.traffic.created.empty(); }, 250));
  // Settled; the static parking's activation gives it its object id.
  if (s.state != SimState::Active) {
    s.state = SimState::Active;
    s.objectId = id;
  }

  orv::gf_removeAcNearUser(run);  // the user stands far from it
  for (int i = 0; i < 20; ++i) cycle();
  EXPECT_TRUE(removed().empty());

  standIn->setUser({{"lat", ScopedStands::at(4).latitude}, {"lon", ScopedStands::at(4).longitude}});
  (void)orv::gf_requestUserAcPosition();
  pump();
  orv::gf_removeAcNearUser(run);
  EXPECT_EQ(s.state, SimState::RemovingFromSim);
  ASSERT_TRUE(cycleUntil([&] { return !removed().empty(); }, 20));
  EXPECT_EQ(removed(), std::vector<std::uint32_t>{id});
  EXPECT_FALSE(standIn->aiObject(id));
}

}  // namespace
