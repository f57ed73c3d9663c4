// What the dispatch does with each record of the simulator.

#include "simlink/dispatch.h"

#include <fmt/format.h>

#include "foundation/errors.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "sim_link_fixture.h"
#include "simlink/sim_display.h"
#include "simlink/user_aircraft.h"

namespace {

using namespace std::chrono_literals;
using orv::SimMessage;
using orv::SimMessageKind;
using orv::standin::Call;
using orv::standin::DataRecordHeader;
using orv::standin::ValuePacker;
using simlink_test::makeCreation;
using simlink_test::SimLinkTest;
using testing_support::logBody;

orv::standin::RecordBuffer lf_byType(std::uint32_t objectId, double agl, double groundAlt,
                                     std::int64_t onGround, std::string_view atcId,
                                     std::uint32_t requestId = 101) {
  DataRecordHeader header;
  header.recvId = sc::RECV_ID_SIMOBJECT_DATA_BYTYPE;
  header.requestId = requestId;
  header.objectId = objectId;
  header.defineId = 404;
  ValuePacker values;
  values.float64(agl).float64(groundAlt).int64(onGround).string32(atcId);
  return orv::standin::makeSimObjectData(header, values.bytes());
}

orv::standin::RecordBuffer lf_data(std::uint32_t requestId, std::uint32_t objectId,
                                   const ValuePacker& values) {
  DataRecordHeader header;
  header.requestId = requestId;
  header.objectId = objectId;
  return orv::standin::makeSimObjectData(header, values.bytes());
}

class DispatchTest : public SimLinkTest {
 protected:
  // The creations go out on a frame, the simulator announces the new objects, and the next
  // request of the aircraft in range answers for them.
  void createAndMatch() {
    frame();
    pump();
    orv::gf_requestAcInRange(40);
    pump();
  }
};

TEST_F(DispatchTest, ACreatedObjectIsMatchedByItsAtcIdFrozenReleasedAndReported) {
  connect();
  orv::gf_queueCreateAc(makeCreation("DLH4AB", 10001));
  orv::gf_queueCreateAc(makeCreation("EWG12", 500));
  standIn->clearJournal();
  createAndMatch();
  const auto objects = standIn->aiObjects();
  ASSERT_EQ(objects.size(), 2u);
  const std::uint32_t live = objects[0].id;
  const std::uint32_t parked = objects[1].id;
  const double agl = 1500.0 - standIn->user().groundAltFt;
  EXPECT_EQ(takeMessages(),
            (std::vector<SimMessage>{{live, 10001, 0, SimMessageKind::LiveCreated, 0.0, agl},
                                     {parked, 500, 0, SimMessageKind::StaticCreated, 0.0, 0.0}}));
  EXPECT_EQ(calls({"release"}),
            (std::vector<std::string>{fmt::format("release@{}", live), fmt::format("release@{}", parked)}));
  EXPECT_EQ(orv::gf_queuedWork().events, (std::vector<orv::SimEvent>{{live, 214, 1},
                                                                     {live, 215, 1},
                                                                     {live, 216, 1},
                                                                     {parked, 214, 1},
                                                                     {parked, 215, 1},
                                                                     {parked, 216, 1}}));
  EXPECT_TRUE(orv::gf_linkState().pendingCreations.empty());
  EXPECT_TRUE(orv::gf_linkState().addedObjects.empty());
  frame();
  const auto object = standIn->aiObject(live);
  EXPECT_TRUE(object->released && object->frozenLatLon && object->frozenAltitude && object->frozenAttitude);

  // From now on the object is known: its by-type answers are ground data.
  orv::gf_requestAcInRange(40);
  pump();
  const auto ground = takeMessages();
  ASSERT_EQ(ground.size(), 2u);
  EXPECT_EQ(ground[0].kind, SimMessageKind::GroundData);
}

TEST_F(DispatchTest, OfTwoCreationsWithOneCallsignTheFirstIsMatchedFirst) {
  connect();
  orv::gf_queueCreateAc(makeCreation("TWIN", 10001));
  orv::gf_queueCreateAc(makeCreation("TWIN", 10002));
  createAndMatch();
  const auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].key, 10001u);
  EXPECT_EQ(messages[1].key, 10002u);
  EXPECT_LT(messages[0].objectId, messages[1].objectId);
}

TEST_F(DispatchTest, ACreationRefusedBySimulatorComesBackAsCreationFailed) {
  orv::standin::Scenario scenario;
  scenario.titles = {"Installed Title"};
  connect(scenario);
  orv::gf_queueCreateAc(makeCreation("BAW1", 10005, "Not Installed"));
  orv::gf_queueCreateAc(makeCreation("BAW2", 0, "Not Installed"));  // key 0: no creation to report
  frame();
  pump();
  EXPECT_EQ(takeMessages(),
            (std::vector<SimMessage>{{0, 10005, 0, SimMessageKind::CreationFailed, 0.0, 0.0}}));
  EXPECT_TRUE(orv::gf_linkState().pendingCreations.empty());

  standIn->push(orv::standin::makeException(22, 4711));  // no creation of that packet
  pump();
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(DispatchTest, ACreationWithoutPacketIdIsStillMatchedByItsCallsign) {
  connect();
  standIn->failNext(Call::GetLastSentPacketID);
  orv::gf_queueCreateAc(makeCreation("DLH9", 10009));
  frame();
  EXPECT_TRUE(logHas("GetLastSentPacketID"));
  ASSERT_EQ(orv::gf_linkState().pendingCreations.size(), 1u);
  EXPECT_EQ(orv::gf_linkState().pendingCreations[0].packetId, 0u);
  standIn->push(orv::standin::makeException(22, 0));  // 0 never matches
  pump();
  orv::gf_requestAcInRange(40);
  pump();
  const auto messages = takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, SimMessageKind::LiveCreated);
  EXPECT_EQ(messages[0].key, 10009u);
}

TEST_F(DispatchTest, AnswersForKnownObjectsBecomeGroundDataUnlessFiltered) {
  connect();
  struct Case {
    std::uint32_t objectId;
    double agl;
    std::int64_t onGround;
    std::string atcId;
    std::uint32_t requestId;
    bool posted;
  };
  const Case cases[] = {
      {50, 2500.0, 0, "DLH1", 101, true}, {51, 2500.1, 0, "DLH1", 101, false},
      {52, 8.0, 1, "DLH1", 101, true},    {53, 8.0, 1, "", 101, false},
      {54, 8.0, 1, "AB12*", 101, false},  {55, 8.0, 1, "DLH1", 102, false},
      {2, 8.0, 1, "DLH1", 101, false},  // at the user object id
  };
  for (const Case& c : cases) {
    standIn->push(lf_byType(c.objectId, c.agl, 364.0, c.onGround, c.atcId, c.requestId));
    pump();
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), c.posted ? 1u : 0u) << c.objectId;
    if (c.posted) {
      EXPECT_EQ(messages[0],
                (SimMessage{c.objectId, c.onGround ? 1u : 0u, 0, SimMessageKind::GroundData, 364.0, c.agl}));
    }
  }
}

TEST_F(DispatchTest, NewObjectsOfOthersAreOnlyLoggedAndTheSimulatorsOwnOnlyOnce) {
  connect();
  for (const std::uint32_t id : {60u, 61u, 62u}) standIn->push(orv::standin::makeObjectAddRemove(202, id, 2));
  standIn->push(orv::standin::makeObjectAddRemove(202, 63, 4));  // a boat
  standIn->push(orv::standin::makeObjectAddRemove(202, 2, 2));   // at the user object id
  pump();
  EXPECT_EQ(orv::gf_linkState().addedObjects, (std::vector<std::uint32_t>{60, 61, 62}));

  standIn->push(lf_byType(60, 12.0, 364.0, 1, ""));
  standIn->push(lf_byType(61, 8.4, 364.0, 1, "AS-GEN"));
  standIn->push(lf_byType(62, 9.0, 364.0, 1, "AS-GEN"));
  pump();
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_TRUE(orv::gf_linkState().addedObjects.empty());
  EXPECT_TRUE(
      logHas("just spawned, but not by Quillstar, oid: 60, callsign '', altaboveGnd:12 ft, onground:1, "
             "gnd_alt:364 ft"));
  const auto lines = logBody();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("Spawned by Asobo, oid:") != l.npos; }),
            1);
  EXPECT_TRUE(
      logHas("Spawned by Asobo, oid: 61, callsign AS-GEN, altaboveGnd:8 ft, onground:1, gnd_alt:364 ft"));
}

TEST_F(DispatchTest, RemovedObjectsAreReportedAndLeaveTheAddedList) {
  connect();
  standIn->push(orv::standin::makeObjectAddRemove(202, 70, 2));
  standIn->push(orv::standin::makeObjectAddRemove(203, 70, 2));
  standIn->push(orv::standin::makeObjectAddRemove(203, 1, 2));   // below the user object id: still reported
  standIn->push(orv::standin::makeObjectAddRemove(203, 71, 5));  // a ground vehicle
  pump();
  EXPECT_TRUE(orv::gf_linkState().addedObjects.empty());
  EXPECT_EQ(takeMessages(), (std::vector<SimMessage>{{70, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0},
                                                     {1, 0, 0, SimMessageKind::ObjectRemoved, 0.0, 0.0}}));
}

TEST_F(DispatchTest, TheSimEventDrivesTheRunningFlag) {
  connect();  // the flight runs: "Sim" said 1 right after the subscription
  EXPECT_TRUE(orv::gf_simulationRunning());
  EXPECT_TRUE(display().simulationRunning);
  standIn->pause();
  pump();
  EXPECT_FALSE(orv::gf_simulationRunning());
  EXPECT_FALSE(display().simulationRunning);
  standIn->resume();
  pump();
  EXPECT_TRUE(orv::gf_simulationRunning());
}

TEST_F(DispatchTest, TheTickComesOncePerSimulatedSecondAndNotWhilePaused) {
  connect();
  orv::gf_requestUserOnGroundEverySecond();
  pump();
  EXPECT_TRUE(orv::gf_takeTick());
  for (int second = 0; second < 3; ++second) {
    standIn->advance(500ms);
    pump();
    EXPECT_FALSE(orv::gf_takeTick());
    standIn->advance(500ms);
    pump();
    EXPECT_TRUE(orv::gf_takeTick());
  }
  standIn->pause();
  standIn->advance(5s);
  pump();
  EXPECT_FALSE(orv::gf_takeTick());
  standIn->resume();
  standIn->advance(1s);
  pump();
  EXPECT_TRUE(orv::gf_takeTick());
}

TEST_F(DispatchTest, TheOnGroundAnswerCountsOnlyOnceThePositionIsKnown) {
  connect();
  standIn->push(lf_data(108, 1, ValuePacker().int64(1)));
  pump();
  EXPECT_TRUE(orv::gf_takeTick());
  EXPECT_FALSE(orv::gf_userDataKnown());
  EXPECT_FALSE(orv::gf_userAircraftOnGround());

  (void)orv::gf_requestUserAcPosition();
  pump();
  standIn->push(lf_data(108, 1, ValuePacker().int64(1)));
  pump();
  EXPECT_TRUE(orv::gf_userDataKnown());
  EXPECT_TRUE(orv::gf_userAircraftOnGround());
  standIn->push(lf_data(108, 1, ValuePacker().int64(std::int64_t{1} << 32)));  // only the low 32 bits count
  pump();
  EXPECT_FALSE(orv::gf_userAircraftOnGround());
}

TEST_F(DispatchTest, ANewFlightEndsTheRunUnlessAnotherReasonCameFirst) {
  struct Case {
    const char* what;
    std::function<void(orv::standin::StandIn&)> happen;
    const char* line;
  };
  const Case cases[] = {
      {"flight loaded", [](orv::standin::StandIn& s) { s.flightLoaded(); },
       "SimConnect: flight loaded event"},
      {"new file", [](orv::standin::StandIn& s) { s.newFile("x.FLT"); }, "SimConnect: New file event"},
  };
  connect();
  for (const Case& c : cases) {
    c.happen(*standIn);
    pump();
    EXPECT_TRUE(logHas(c.line)) << c.what;
    EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::NewFlight) << c.what;
    EXPECT_EQ(orv::gf_runOutcome().restartSeconds, 45) << c.what;
    orv::gf_resetRunControl();
  }
  orv::gf_endRun(orv::ExitReason::ReaderError, 15);
  standIn->flightLoaded();
  pump();
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::ReaderError);
}

TEST_F(DispatchTest, ExceptionsOfTheSimulator) {
  connect();
  struct Case {
    std::uint32_t exception;
    const char* line;  // nullptr: nothing logged
  };
  const Case cases[] = {
      {3, nullptr},  // the user position is not known yet
      {11, "SimConnect: too many objects (max 1000)"},
      {19, "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"},
      {23, "SimConnect exception: load flight plan failed"},
      {24, "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE"},
      {42, "SIMCONNECT_EXCEPTION #42"},
  };
  for (const Case& c : cases) {
    const std::size_t before = logBody().size();
    standIn->push(orv::standin::makeException(c.exception, 1));
    pump();
    const auto lines = logBody();
    if (!c.line) {
      EXPECT_EQ(lines.size(), before) << c.exception;
    } else {
      ASSERT_GT(lines.size(), before) << c.exception;
      EXPECT_NE(lines.back().find(c.line), std::string::npos) << lines.back();
    }
  }
  EXPECT_EQ(orv::gf_messageLines().message, "SimConnect: too many objects (max 1000)");

  (void)orv::gf_requestUserAcPosition();
  pump();
  standIn->push(orv::standin::makeException(3, 1));
  pump();
  EXPECT_TRUE(logHas("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"));

  standIn->push(orv::standin::makeException(5, 1, 4));
  try {
    pump();
    ADD_FAILURE() << "no exception";
  } catch (const orv::UserErrorException& e) {
    EXPECT_EQ(e.code(), 95);
    EXPECT_STREQ(e.what(), "95: SimConnect Version Mismatch, dwIndex: 4");
  }
}

TEST_F(DispatchTest, UnknownRecordKindsAreLoggedAndShortRecordsIgnored) {
  connect();
  for (const std::uint32_t id : {12u, 16u, 27u, 99u}) standIn->push(orv::standin::makeBare(id));
  // Records too short for their kind.
  standIn->push(orv::standin::makeBare(sc::RECV_ID_EXCEPTION));
  standIn->push(orv::standin::makeBare(sc::RECV_ID_SIMOBJECT_DATA_BYTYPE));
  const std::size_t before = logBody().size();
  pump();
  const auto lines = logBody();
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines.back(), "! Unknown Dispatch dwID 99");
}

TEST_F(DispatchTest, TextsAreBoundedByTheirFieldAndTheRecord) {
  connect();
  standIn->push(orv::standin::makeObjectAddRemove(202, 80, 2));
  const std::string full(32, 'X');  // fills its field: no terminating zero
  standIn->push(lf_byType(80, 8.0, 364.0, 1, full));
  pump();
  EXPECT_TRUE(logHas(fmt::format("callsign '{}'", full)));

  // A title whose record ends before its zero.
  const std::string title = "Title Without End";
  DataRecordHeader header;
  header.requestId = 106;
  header.objectId = 1;
  auto record = orv::standin::makeSimObjectData(
      header, std::span(reinterpret_cast<const std::byte*>(title.data()), title.size()));
  standIn->push(std::move(record));
  pump();
  EXPECT_EQ(orv::gf_userAcTitle(), title);
}

}  // namespace
