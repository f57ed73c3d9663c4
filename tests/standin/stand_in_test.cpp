// The simulator stand-in, driven through the SimConnect_* calls as the simulator link drives it.

#include "standin/stand_in.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using orv::standin::Call;
using orv::standin::ClockMode;
using orv::standin::Options;
using orv::standin::Scenario;
using orv::standin::StandIn;
using orv::standin::ValueReader;

// A copy of one record the dispatch handed over.
struct Record {
  std::vector<std::byte> bytes;
  [[nodiscard]] std::uint32_t id() const { return as<sc::Recv>().dwID; }
  template <typename T>
  [[nodiscard]] T as() const {
    T value{};
    std::memcpy(&value, bytes.data(), std::min(sizeof(T), bytes.size()));
    return value;
  }
  [[nodiscard]] ValueReader values() const {
    return ValueReader(std::span(bytes).subspan(sc::SIMOBJECT_DATA_OFFSET));
  }
  [[nodiscard]] std::string text(std::size_t offset, std::size_t size) const {
    const char* p = reinterpret_cast<const char*>(bytes.data()) + sc::SIMOBJECT_DATA_OFFSET + offset;
    return std::string(p, strnlen(p, size));
  }
};

void lf_collect(const sc::Recv* data, std::uint32_t cbData, void* context) {
  const auto* p = reinterpret_cast<const std::byte*>(data);
  static_cast<std::vector<Record>*>(context)->push_back(Record{std::vector<std::byte>(p, p + cbData)});
}

class StandInTest : public ::testing::Test {
 protected:
  void start(Scenario scenario = {}) {
    standIn = std::make_shared<StandIn>(std::move(scenario), Options{});
    backend.emplace(standIn);
  }
  sc::Handle openAndTake() {
    sc::Handle h = 0;
    EXPECT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
    (void)dispatch(h);
    return h;
  }
  std::vector<Record> dispatch(sc::Handle h) {
    std::vector<Record> records;
    EXPECT_EQ(SimConnect_CallDispatch(h, lf_collect, &records), sc::S_OK);
    return records;
  }
  static std::vector<std::uint32_t> ids(const std::vector<Record>& records) {
    std::vector<std::uint32_t> list;
    list.reserve(records.size());
    for (const Record& r : records) list.push_back(r.id());
    return list;
  }
  // The user aircraft's block of the simulator link: position and zulu values.
  static void define403(sc::Handle h) {
    SimConnect_AddToDataDefinition(h, 403, "Plane Latitude", "degree", sc::DataType::FLOAT64, 0, sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 403, "Plane Heading degrees true", "radians", sc::DataType::FLOAT64, 0,
                                   sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 403, "Plane Alt Above Ground", "feet", sc::DataType::FLOAT64, 0,
                                   sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 403, "ZULU TIME", "Seconds", sc::DataType::INT64, 0, sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 403, "ZULU DAY OF YEAR", "Number", sc::DataType::INT64, 0, sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 403, "ZULU YEAR", "Number", sc::DataType::INT64, 0, sc::UNUSED);
  }
  static void define404(sc::Handle h) {
    SimConnect_AddToDataDefinition(h, 404, "Plane Alt Above Ground", "feet", sc::DataType::FLOAT64, 0,
                                   sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 404, "SIM ON GROUND", "Bool", sc::DataType::INT64, 0, sc::UNUSED);
    SimConnect_AddToDataDefinition(h, 404, "ATC ID", nullptr, sc::DataType::STRING32, 0, sc::UNUSED);
  }
  static sc::InitPosition at(double lat, double lon) {
    sc::InitPosition p;
    p.Latitude = lat;
    p.Longitude = lon;
    p.Altitude = 3000;
    return p;
  }

  std::shared_ptr<StandIn> standIn;
  std::optional<sc::ScopedBackend> backend;
};

TEST_F(StandInTest, OpenFailsWhileTheSimulatorIsNotRunningAndTheOpenRecordNamesIt) {
  Scenario scenario;
  scenario.available = false;
  scenario.appName = "SunRise";
  scenario.appVersion = {12, 1, 282, 7};
  start(scenario);
  sc::Handle h = 0;
  EXPECT_LT(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), 0);
  EXPECT_LT(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), 0);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(standIn->journal("open").size(), 1u);  // one entry per spell of refusals

  standIn->launch();
  ASSERT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
  const auto records = dispatch(h);
  ASSERT_EQ(ids(records), std::vector<std::uint32_t>{sc::RECV_ID_OPEN});
  const auto open = records[0].as<sc::RecvOpen>();
  EXPECT_STREQ(open.szApplicationName, "SunRise");
  EXPECT_EQ(open.dwApplicationVersionMajor, 12u);
  EXPECT_EQ(open.dwApplicationBuildMinor, 7u);
  EXPECT_EQ(standIn->journal("open").back()["app_name"], "SunRise");
  EXPECT_EQ(standIn->journal("open").back()["version"], "12.1.282.7");
}

TEST_F(StandInTest, SimEventFollowsTheFlightAndPerSecondDataRunsOnlyWhileItRuns) {
  start();
  const sc::Handle h = openAndTake();
  SimConnect_SubscribeToSystemEvent(h, 201, "Sim");
  SimConnect_AddToDataDefinition(h, 409, "SIM ON GROUND", "Bool", sc::DataType::INT64, 0, sc::UNUSED);
  SimConnect_RequestDataOnSimObject(h, 108, 409, sc::OBJECT_ID_USER, sc::Period::SECOND, 0, 0, 0, 0);
  auto records = dispatch(h);
  ASSERT_EQ(ids(records), (std::vector<std::uint32_t>{sc::RECV_ID_EVENT, sc::RECV_ID_SIMOBJECT_DATA}));
  EXPECT_EQ(records[0].as<sc::RecvEvent>().uEventID, 201u);
  EXPECT_EQ(records[0].as<sc::RecvEvent>().dwData, 1u);
  const auto data = records[1].as<sc::RecvSimObjectData>();
  EXPECT_EQ(data.dwRequestID, 108u);
  EXPECT_EQ(data.dwObjectID, orv::standin::kUserObjectId);
  EXPECT_EQ(records[1].values().int64(), 1);  // parked

  standIn->advance(999ms);
  EXPECT_TRUE(dispatch(h).empty());
  standIn->advance(1501ms);
  EXPECT_EQ(dispatch(h).size(), 2u);  // seconds 1 and 2; the third is due at 3 s

  standIn->pause();
  standIn->advance(10s);
  records = dispatch(h);
  ASSERT_EQ(ids(records), std::vector<std::uint32_t>{sc::RECV_ID_EVENT});
  EXPECT_EQ(records[0].as<sc::RecvEvent>().dwData, 0u);

  standIn->resume();
  standIn->advance(1s);
  records = dispatch(h);
  ASSERT_EQ(ids(records), (std::vector<std::uint32_t>{sc::RECV_ID_EVENT, sc::RECV_ID_SIMOBJECT_DATA}));
  EXPECT_EQ(records[0].as<sc::RecvEvent>().dwData, 1u);
}

TEST_F(StandInTest, NoSimEventAtSubscriptionWhileNoFlightRuns) {
  Scenario scenario;
  scenario.flightRunning = false;
  start(scenario);
  const sc::Handle h = openAndTake();
  SimConnect_SubscribeToSystemEvent(h, 201, "Sim");
  EXPECT_TRUE(dispatch(h).empty());
}

TEST_F(StandInTest, OneOffDataIsPackedByTheDefinitionInItsUnits) {
  Scenario scenario;
  scenario.user.latDeg = 47.5;
  scenario.user.headingDeg = 90.0;
  scenario.user.altFt = 1500.0;
  scenario.user.groundAltFt = 1400.0;
  scenario.zuluUnix = 951786000;  // 2000-02-29 01:00 UTC
  scenario.user.title = "A title of some length that goes beyond thirty-two bytes";
  start(scenario);
  const sc::Handle h = openAndTake();
  define403(h);
  SimConnect_AddToDataDefinition(h, 407, "TITLE", nullptr, sc::DataType::STRINGV, 0, sc::UNUSED);
  SimConnect_AddToDataDefinition(h, 408, "ATC MODEL", "none", sc::DataType::STRING32, 0, sc::UNUSED);
  SimConnect_RequestDataOnSimObject(h, 109, 403, sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0);
  SimConnect_RequestDataOnSimObject(h, 106, 407, sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0);
  SimConnect_RequestDataOnSimObject(h, 107, 408, sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0);
  const auto records = dispatch(h);
  ASSERT_EQ(records.size(), 3u);
  ValueReader v = records[0].values();
  EXPECT_DOUBLE_EQ(v.float64(), 47.5);
  EXPECT_NEAR(v.float64(), 1.5707963, 1e-6);
  EXPECT_DOUBLE_EQ(v.float64(), 100.0);
  EXPECT_EQ(v.int64(), 3600);
  EXPECT_EQ(v.int64(), 60);
  EXPECT_EQ(v.int64(), 2000);
  EXPECT_EQ(records[0].as<sc::RecvSimObjectData>().dwSize, sc::SIMOBJECT_DATA_OFFSET + 6 * sizeof(double));
  EXPECT_EQ(records[1].text(0, 256), scenario.user.title);
  EXPECT_EQ(records[2].text(0, 32), "A320");
  EXPECT_TRUE(dispatch(h).empty());  // once means once
}

TEST_F(StandInTest, CreatedObjectsAreAnnouncedListedAndRemoved) {
  Scenario scenario;
  scenario.titles = {"Airline A320"};
  scenario.firstObjectId = 500;
  start(scenario);
  const sc::Handle h = openAndTake();
  SimConnect_SubscribeToSystemEvent(h, 202, "ObjectAdded");
  SimConnect_SubscribeToSystemEvent(h, 203, "ObjectRemoved");
  define404(h);

  const sc::InitPosition init = at(scenario.user.latDeg + 0.1, scenario.user.lonDeg);
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h, "airline a320", "DLH4AB", init, 104), sc::S_OK);
  std::uint32_t firstPacket = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(h, &firstPacket), sc::S_OK);
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h, "Unknown Title", "BAW1", init, 104), sc::S_OK);
  std::uint32_t secondPacket = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(h, &secondPacket), sc::S_OK);
  EXPECT_EQ(secondPacket, firstPacket + 1);

  auto records = dispatch(h);
  ASSERT_EQ(ids(records),
            (std::vector<std::uint32_t>{sc::RECV_ID_ASSIGNED_OBJECT_ID, sc::RECV_ID_EVENT_OBJECT_ADDREMOVE,
                                        sc::RECV_ID_EXCEPTION}));
  const auto added = records[1].as<sc::RecvEventObjectAddRemove>();
  EXPECT_EQ(added.uEventID, 202u);
  EXPECT_EQ(added.dwData, 500u);
  EXPECT_EQ(added.eObjType, sc::SIMOBJECT_TYPE_AIRCRAFT);
  EXPECT_EQ(records[2].as<sc::RecvException>().dwException, sc::EXCEPTION_CREATE_OBJECT_FAILED);
  EXPECT_EQ(records[2].as<sc::RecvException>().dwSendID, secondPacket);

  // By type: the user and the new object, whose ATC ID is its tail number. 0.1 degree is about 11 km.
  SimConnect_RequestDataOnSimObjectType(h, 101, 404, 20000, sc::SIMOBJECT_TYPE_AIRCRAFT);
  records = dispatch(h);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].as<sc::RecvSimObjectData>().dwObjectID, orv::standin::kUserObjectId);
  EXPECT_EQ(records[1].as<sc::RecvSimObjectData>().dwObjectID, 500u);
  EXPECT_EQ(records[1].as<sc::RecvSimObjectData>().dwoutof, 2u);
  ValueReader v = records[1].values();
  EXPECT_NEAR(v.float64(), 3000.0 - scenario.user.groundAltFt, 1e-9);
  EXPECT_EQ(v.int64(), 0);
  EXPECT_EQ(records[1].text(16, 32), "DLH4AB");
  SimConnect_RequestDataOnSimObjectType(h, 101, 404, 5000, sc::SIMOBJECT_TYPE_AIRCRAFT);
  EXPECT_EQ(dispatch(h).size(), 1u);  // out of range

  ASSERT_EQ(SimConnect_AIRemoveObject(h, 500, 105), sc::S_OK);
  records = dispatch(h);
  ASSERT_EQ(ids(records), std::vector<std::uint32_t>{sc::RECV_ID_EVENT_OBJECT_ADDREMOVE});
  EXPECT_EQ(records[0].as<sc::RecvEventObjectAddRemove>().uEventID, 203u);
  EXPECT_TRUE(standIn->aiObjects().empty());

  const auto creates = standIn->journal("create");
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_EQ(creates[0]["object"], 500);
  EXPECT_EQ(creates[0]["tail"], "DLH4AB");
  EXPECT_EQ(creates[1]["ok"], false);
  EXPECT_EQ(standIn->journal("remove").at(0)["object"], 500);
}

TEST_F(StandInTest, RefusalsComeAsExceptionsWithThePacketOfTheCall) {
  Scenario scenario;
  scenario.maxObjects = 1;
  start(scenario);
  const sc::Handle h = openAndTake();
  SimConnect_AddToDataDefinition(h, 402, "Plane Latitude", "degree", sc::DataType::FLOAT64, 0, sc::UNUSED);
  SimConnect_AddToDataDefinition(h, 402, "Plane Longitude", "degree", sc::DataType::FLOAT64, 0, sc::UNUSED);
  SimConnect_AICreateNonATCAircraft(h, "T", "A1", at(1, 1), 104);
  (void)dispatch(h);
  const std::uint32_t object = standIn->aiObjects().at(0).id;

  struct Case {
    const char* what;
    std::function<void()> call;
    std::uint32_t exception;
  };
  const double twoValues[2] = {1.5, 2.5};
  const double oneValue[1] = {1.5};
  const Case cases[] = {
      {"over the object limit", [&] { SimConnect_AICreateNonATCAircraft(h, "T", "A2", at(1, 1), 104); },
       sc::EXCEPTION_TOO_MANY_OBJECTS},
      {"data of the wrong size", [&] { SimConnect_SetDataOnSimObject(h, 402, object, 0, 0, 8, oneValue); },
       sc::EXCEPTION_INVALID_DATA_SIZE},
      {"data for an unknown object",
       [&] { SimConnect_SetDataOnSimObject(h, 402, 9999, 0, 0, 16, twoValues); },
       sc::EXCEPTION_UNRECOGNIZED_ID},
      {"removal of an unknown object", [&] { SimConnect_AIRemoveObject(h, 9999, 105); },
       sc::EXCEPTION_UNRECOGNIZED_ID},
      {"an unmapped client event", [&] { SimConnect_TransmitClientEvent(h, object, 219, 1, 301, 0); },
       sc::EXCEPTION_UNRECOGNIZED_ID},
      {"an unknown variable",
       [&] {
         SimConnect_AddToDataDefinition(h, 402, "PLANE LATTITUDE", "degree", sc::DataType::FLOAT64, 0,
                                        sc::UNUSED);
       },
       sc::EXCEPTION_NAME_UNRECOGNIZED},
      {"a radius beyond the limit", [&] { SimConnect_RequestDataOnSimObjectType(h, 101, 402, 200001, 2); },
       31},
  };
  for (const Case& c : cases) {
    c.call();
    std::uint32_t packet = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(h, &packet), sc::S_OK);
    const auto records = dispatch(h);
    ASSERT_EQ(ids(records), std::vector<std::uint32_t>{sc::RECV_ID_EXCEPTION}) << c.what;
    EXPECT_EQ(records[0].as<sc::RecvException>().dwException, c.exception) << c.what;
    EXPECT_EQ(records[0].as<sc::RecvException>().dwSendID, packet) << c.what;
  }

  // Data of the right size moves the object.
  SimConnect_SetDataOnSimObject(h, 402, object, 0, 0, 16, twoValues);
  EXPECT_TRUE(dispatch(h).empty());
  EXPECT_DOUBLE_EQ(standIn->aiObject(object)->latDeg, 1.5);
  EXPECT_DOUBLE_EQ(standIn->journal("position").back()["lon"], 2.5);
}

TEST_F(StandInTest, InjectedFailuresHitTheNextCallsOfTheirKindOnly) {
  start();
  const sc::Handle h = openAndTake();
  standIn->failNext(Call::AICreateNonATCAircraft, 2);
  standIn->failNext(Call::GetLastSentPacketID);
  EXPECT_LT(SimConnect_AICreateNonATCAircraft(h, "T", "A1", at(1, 1), 104), 0);
  EXPECT_LT(SimConnect_AICreateNonATCAircraft(h, "T", "A1", at(1, 1), 104), 0);
  std::uint32_t packet = 7;
  EXPECT_LT(SimConnect_GetLastSentPacketID(h, &packet), 0);
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(h, "T", "A1", at(1, 1), 104), sc::S_OK);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(h, &packet), sc::S_OK);
  EXPECT_EQ(packet, 1u);  // failed calls send nothing
  EXPECT_EQ(standIn->aiObjects().size(), 1u);
}

TEST_F(StandInTest, EveryCallFailsWithoutEffectOnAnInjectedFailureOrAnotherConnectionsHandle) {
  start();
  const sc::Handle h = openAndTake();
  SimConnect_AddToDataDefinition(h, 402, "Plane Latitude", "degree", sc::DataType::FLOAT64, 0, sc::UNUSED);
  SimConnect_MapClientEventToSimEvent(h, 219, "FREEZE_ALTITUDE_SET");
  static const double value[1] = {1.5};

  struct Case {
    Call call;
    const char* name;
    bool sendsPacket;
    std::function<sc::HResult(sc::Handle)> run;
  };
  const Case cases[] = {
      {Call::SubscribeToSystemEvent, "subscribe", true,
       [](sc::Handle x) { return SimConnect_SubscribeToSystemEvent(x, 201, "Sim"); }},
      {Call::AddToDataDefinition, "define", true,
       [](sc::Handle x) {
         return SimConnect_AddToDataDefinition(x, 402, "Plane Longitude", "degree", sc::DataType::FLOAT64, 0,
                                               sc::UNUSED);
       }},
      {Call::MapClientEventToSimEvent, "map_event", true,
       [](sc::Handle x) { return SimConnect_MapClientEventToSimEvent(x, 220, "FREEZE_ATTITUDE_SET"); }},
      {Call::AddClientEventToNotificationGroup, "group_add", true,
       [](sc::Handle x) { return SimConnect_AddClientEventToNotificationGroup(x, 301, 219, false); }},
      {Call::SetNotificationGroupPriority, "group_priority", true,
       [](sc::Handle x) { return SimConnect_SetNotificationGroupPriority(x, 301, 1); }},
      {Call::RequestDataOnSimObject, "request", true,
       [](sc::Handle x) {
         return SimConnect_RequestDataOnSimObject(x, 101, 402, sc::OBJECT_ID_USER, sc::Period::NEVER, 0, 0, 0,
                                                  0);
       }},
      {Call::RequestDataOnSimObjectType, "request_by_type", true,
       [](sc::Handle x) { return SimConnect_RequestDataOnSimObjectType(x, 102, 402, 0, 99); }},
      {Call::SetDataOnSimObject, "set_data", true,
       [](sc::Handle x) {
         return SimConnect_SetDataOnSimObject(x, 402, sc::OBJECT_ID_USER, 0, 0, 8, value);
       }},
      {Call::TransmitClientEvent, "event", true,
       [](sc::Handle x) { return SimConnect_TransmitClientEvent(x, sc::OBJECT_ID_USER, 219, 0, 301, 0); }},
      {Call::AICreateNonATCAircraft, "create", true,
       [](sc::Handle x) { return SimConnect_AICreateNonATCAircraft(x, "T", "A1", at(1, 1), 104); }},
      {Call::AIRemoveObject, "remove", true,
       [](sc::Handle x) { return SimConnect_AIRemoveObject(x, 9999, 105); }},
      {Call::AIReleaseControl, "release", true,
       [](sc::Handle x) { return SimConnect_AIReleaseControl(x, 9999, 106); }},
      {Call::AISetAircraftFlightPlan, "flight_plan", true,
       [](sc::Handle x) { return SimConnect_AISetAircraftFlightPlan(x, 9999, "none", 107); }},
      {Call::CallDispatch, "dispatch", false,
       [](sc::Handle x) {
         std::vector<Record> records;
         return SimConnect_CallDispatch(x, lf_collect, &records);
       }},
      {Call::GetLastSentPacketID, "packet_id", false,
       [](sc::Handle x) {
         std::uint32_t packet = 0;
         return SimConnect_GetLastSentPacketID(x, &packet);
       }},
      {Call::Close, "close", false, [](sc::Handle x) { return SimConnect_Close(x); }},
  };
  const auto lastPacket = [](sc::Handle x) {
    std::uint32_t packet = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(x, &packet), sc::S_OK);
    return packet;
  };

  for (const Case& c : cases) {
    const std::uint32_t before = lastPacket(h);
    standIn->clearJournal();
    standIn->failNext(c.call);
    EXPECT_LT(c.run(h), 0) << c.name;
    const auto journal = standIn->journal();
    ASSERT_EQ(journal.size(), 1u) << c.name;
    EXPECT_EQ(journal[0]["call"], c.name);
    EXPECT_EQ(journal[0]["failed"], "injected") << c.name;
    EXPECT_EQ(lastPacket(h), before) << c.name;
    EXPECT_EQ(standIn->waitingRecords(), 0u) << c.name;
    EXPECT_TRUE(standIn->connected()) << c.name;
  }

  // A new connection: the old handle reaches nothing, the new one numbers each call's packet.
  ASSERT_EQ(SimConnect_Close(h), sc::S_OK);
  const sc::Handle h2 = openAndTake();
  ASSERT_NE(h2, h);
  SimConnect_AddToDataDefinition(h2, 402, "Plane Latitude", "degree", sc::DataType::FLOAT64, 0, sc::UNUSED);
  SimConnect_MapClientEventToSimEvent(h2, 219, "FREEZE_ALTITUDE_SET");
  standIn->clearJournal();
  for (const Case& c : cases) EXPECT_LT(c.run(h), 0) << c.name;
  EXPECT_TRUE(standIn->journal().empty());
  EXPECT_TRUE(standIn->connected());
  for (const Case& c : cases) {
    if (!c.sendsPacket) continue;
    const std::uint32_t before = lastPacket(h2);
    EXPECT_EQ(c.run(h2), sc::S_OK) << c.name;
    EXPECT_EQ(lastPacket(h2), before + 1) << c.name;
    EXPECT_FALSE(standIn->journal(c.name).empty()) << c.name;
  }
}

TEST_F(StandInTest, PushedRecordsFollowTheWaitingOnesAndQuitEndsTheConnection) {
  start();
  const sc::Handle h = openAndTake();
  SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
  standIn->frame();
  standIn->push(orv::standin::makeBare(99));
  standIn->quit();
  auto records = dispatch(h);
  EXPECT_EQ(ids(records), (std::vector<std::uint32_t>{sc::RECV_ID_EVENT_FRAME, 99, sc::RECV_ID_QUIT}));
  EXPECT_EQ(records[0].as<sc::RecvEventFrame>().uEventID, 204u);
  std::vector<Record> none;
  EXPECT_LT(SimConnect_CallDispatch(h, lf_collect, &none), 0);
  sc::Handle again = 0;
  EXPECT_LT(SimConnect_Open(&again, "Quillstar", nullptr, 0, nullptr, 0), 0);
  EXPECT_EQ(SimConnect_Close(h), sc::S_OK);
}

TEST_F(StandInTest, ClosingRemovesTheClientsObjectsButNotTheSimulatorsOwn) {
  start();
  const sc::Handle h = openAndTake();
  const std::uint32_t own = standIn->spawn({{"atc_id", "AS-GEN"}});
  SimConnect_AICreateNonATCAircraft(h, "T", "A1", at(1, 1), 104);
  ASSERT_EQ(standIn->aiObjects().size(), 2u);
  EXPECT_EQ(SimConnect_Close(h), sc::S_OK);
  const auto left = standIn->aiObjects();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].id, own);
  EXPECT_EQ(standIn->journal("remove").at(0)["reason"], "close");
  EXPECT_LT(SimConnect_RequestDataOnSimObject(h, 1, 1, 0, sc::Period::ONCE, 0, 0, 0, 0), 0);  // stale handle
}

TEST_F(StandInTest, TheUserMovesAlongItsHeadingOnlyWhileTheSimulationRuns) {
  Scenario scenario;
  scenario.user.latDeg = 10.0;
  scenario.user.headingDeg = 0.0;
  scenario.user.groundSpeedKt = 360.0;  // 0.1 nm per second
  start(scenario);
  standIn->advance(60s);
  EXPECT_NEAR(standIn->user().latDeg, 10.1, 1e-9);
  standIn->pause();
  standIn->advance(60s);
  EXPECT_NEAR(standIn->user().latDeg, 10.1, 1e-9);
}

TEST(StandInRealTime, TheTimelineRunsOnTheProcessClockAndTheJournalIsAFileOfJsonLines) {
  testing_support::WorkingFolder folder;
  os::FakeClock clock;
  os::ScopedClock scopedClock(clock);
  const auto scenario = orv::standin::parseScenario(nlohmann::json::parse(R"({
    "frame_hz": 10,
    "timeline": [{"at_s": 5, "action": "quit"}, {"at_s": 2, "action": "teleport", "lat": 1.0, "lon": 2.0}]
  })"));
  Options options;
  options.clock = ClockMode::RealTime;
  options.journalFile = "journal.jsonl";
  options.journalInMemory = false;
  auto standIn = std::make_shared<StandIn>(scenario, options);
  sc::ScopedBackend backend(standIn);
  sc::Handle h = 0;
  ASSERT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
  SimConnect_SubscribeToSystemEvent(h, 204, "Frame");

  std::vector<Record> records;
  int frames = 0;
  for (int ms = 0; ms < 1000; ms += 10) {  // 100 dispatches in one second: 10 frames
    clock.advance(10ms);
    records.clear();
    ASSERT_EQ(SimConnect_CallDispatch(h, lf_collect, &records), sc::S_OK);
    for (const Record& r : records) frames += r.id() == sc::RECV_ID_EVENT_FRAME;
  }
  EXPECT_EQ(frames, 10);
  clock.advance(1500ms);
  (void)SimConnect_CallDispatch(h, lf_collect, &records);
  EXPECT_DOUBLE_EQ(standIn->user().lonDeg, 2.0);
  clock.advance(3s);
  records.clear();
  ASSERT_EQ(SimConnect_CallDispatch(h, lf_collect, &records), sc::S_OK);
  EXPECT_EQ(records.back().id(), sc::RECV_ID_QUIT);
  EXPECT_LT(SimConnect_CallDispatch(h, lf_collect, &records), 0);

  std::vector<std::string> calls;
  for (const std::string& line : testing_support::readLines("journal.jsonl")) {
    const auto entry = nlohmann::json::parse(line);
    calls.push_back(entry["call"]);
    if (entry["call"] == "quit") {
      EXPECT_EQ(entry["t_ms"], 5000);
    }
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"open", "subscribe", "teleport", "quit"}));
}

TEST(StandInRealTime, TheJournalFileIsBegunAfreshAtEachStartAndTurnedOverAtItsLimit) {
  testing_support::WorkingFolder folder;
  testing_support::writeFile("journal.jsonl", "{\"call\":\"last start\"}\n");
  constexpr std::uintmax_t kLimit = 2000;
  Options options;
  options.journalFile = "journal.jsonl";
  options.journalInMemory = false;
  options.journalLimitBytes = kLimit;
  auto standIn = std::make_shared<StandIn>(Scenario{}, options);
  // Until the simulator is talked to, the last start's journal stays where it is.
  EXPECT_EQ(testing_support::readLines("journal.jsonl"),
            std::vector<std::string>{"{\"call\":\"last start\"}"});
  sc::ScopedBackend backend(standIn);
  sc::Handle h = 0;
  ASSERT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
  const auto calls = [](const std::filesystem::path& file) {
    std::vector<std::string> found;
    for (const std::string& line : testing_support::readLines(file))
      found.push_back(nlohmann::json::parse(line)["call"]);
    return found;
  };
  EXPECT_EQ(calls("journal.jsonl"), std::vector<std::string>{"open"});
  EXPECT_EQ(calls("journal0.jsonl"), std::vector<std::string>{"last start"});

  // A long session: many times the limit, and never much more than the limit in either file.
  for (int i = 0; i < 200; ++i) SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
  for (const char* file : {"journal.jsonl", "journal0.jsonl"}) {
    SCOPED_TRACE(file);
    EXPECT_LT(std::filesystem::file_size(file), kLimit + 200);
    const auto found = calls(file);
    ASSERT_FALSE(found.empty());
    EXPECT_TRUE(
        std::all_of(found.begin(), found.end(), [](const std::string& c) { return c == "subscribe"; }));
  }
}

TEST(StandInScenario, KeysAreCheckedAndTheTimelineSorted) {
  const auto s = orv::standin::parseScenario(nlohmann::json::parse(R"({
    "app_name": "SunRise", "titles": ["A", "B"], "max_objects": 5,
    "user": {"title": "T", "lat": 51.0, "on_ground": false},
    "timeline": [{"at_s": 9, "action": "resume"}, {"at_s": 1.5, "action": "pause"}]
  })"));
  EXPECT_EQ(s.appName, "SunRise");
  EXPECT_EQ(s.titles.size(), 2u);
  EXPECT_EQ(s.maxObjects, 5u);
  EXPECT_EQ(s.user.title, "T");
  EXPECT_EQ(s.user.atcModel, "A320");  // unchanged default
  EXPECT_FALSE(s.user.onGround);
  ASSERT_EQ(s.timeline.size(), 2u);
  EXPECT_EQ(s.timeline[0].action, "pause");
  EXPECT_EQ(s.timeline[0].at, 1500ms);

  const char* wrong[] = {
      R"({"app_nmae": "x"})",
      R"({"max_objects": -1})",
      R"({"user": {"lat": "north"}})",
      R"({"user": {"lat": 91}})",
      R"({"timeline": [{"at_s": 1, "action": "explode"}]})",
      R"({"timeline": [{"at_s": 1, "action": "pause", "lat": 3}]})",
      R"({"timeline": [{"action": "quit"}]})",
      R"({"timeline": [{"at_s": 1, "action": "teleport", "lat": "x"}]})",
      R"({"frame_hz": 0})",
  };
  for (const char* text : wrong)
    EXPECT_THROW((void)orv::standin::parseScenario(nlohmann::json::parse(text)), std::runtime_error) << text;
}

TEST(StandInScenario, TheEnvironmentNamesTheScenarioAndTheJournal) {
  testing_support::WorkingFolder folder;
  {
    auto s = StandIn::fromEnvironment();  // no file: the built-in defaults
    EXPECT_TRUE(s->flightRunning());
    EXPECT_TRUE(s->user().onGround);
  }
  testing_support::writeFile("standin.json", R"({"app_name": "FromFolder"})");
  testing_support::writeFile("named.json", R"({"app_name": "FromVariable"})");
  {
    auto s = StandIn::fromEnvironment();
    sc::ScopedBackend backend(s);
    sc::Handle h = 0;
    ASSERT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
  }
  {
    testing_support::ScopedEnv named("QLST_STANDIN", "named.json");
    testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "other.jsonl");
    auto s = StandIn::fromEnvironment();
    sc::ScopedBackend backend(s);
    sc::Handle h = 0;
    ASSERT_EQ(SimConnect_Open(&h, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
  }
  const auto first = nlohmann::json::parse(testing_support::readLines("standin-journal.jsonl").at(0));
  EXPECT_EQ(first["app_name"], "FromFolder");
  const auto second = nlohmann::json::parse(testing_support::readLines("other.jsonl").at(0));
  EXPECT_EQ(second["app_name"], "FromVariable");
  {
    testing_support::ScopedEnv named("QLST_STANDIN", "missing.json");
    EXPECT_THROW((void)StandIn::fromEnvironment(), std::runtime_error);
  }
}

}  // namespace
