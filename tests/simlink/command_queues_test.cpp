// The command queues and what each "Frame" event sends.

#include "simlink/command_queues.h"

#include <fmt/format.h>

#include <atomic>
#include <thread>

#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "sim_link_fixture.h"

namespace {

using namespace std::chrono_literals;
using orv::SimEvent;
using orv::standin::Call;
using simlink_test::makeCreation;
using simlink_test::SimLinkTest;
using testing_support::logBody;

// Holds the command mutex on a thread of its own, as the other side of the link would.
class MutexHolder {
 public:
  MutexHolder()
      : thread_([this] {
          std::scoped_lock lock(orv::gf_commandMutex());
          held_ = true;
          while (!release_) std::this_thread::yield();
        }) {
    while (!held_) std::this_thread::yield();
  }
  ~MutexHolder() {
    release_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> release_{false};
  std::thread thread_;
};

orv::SimPosition lf_position(std::uint32_t objectId, double latitude) {
  orv::SimPosition p;
  p.objectId = objectId;
  p.latitude = latitude;
  p.longitude = 8.6;
  p.altitude = 2000;
  return p;
}

class FrameTest : public SimLinkTest {
 protected:
  // One AI object in the simulator, created through a frame.
  std::uint32_t createOne() {
    orv::gf_queueCreateAc(makeCreation("DLH1", 10001));
    frame();
    pump();
    const auto objects = standIn->aiObjects();
    EXPECT_EQ(objects.size(), 1u);
    standIn->clearJournal();
    return objects.empty() ? 0 : objects[0].id;
  }
};

TEST_F(FrameTest, AFrameSendsPositionsEventsCreationsAndRemovalsInThatOrder) {
  connect();
  const std::uint32_t id = createOne();
  orv::gf_queuePosition(lf_position(id, 50.1));
  orv::gf_queuePosition(lf_position(2, 50.2));  // at the user object id: never sent
  ASSERT_TRUE(orv::gf_swapPositionBuffers());
  orv::gf_queueSimEvent({id, 217, 3072});
  orv::gf_queueSimEvent({id, 219, 1});
  orv::gf_queueCreateAc(makeCreation("DLH2", 10002));
  orv::gf_queueRemoval(id);
  frame();
  EXPECT_EQ(calls({"position", "release", "event", "create", "remove", "exception"}),
            (std::vector<std::string>{"position@" + std::to_string(id), "release@" + std::to_string(id),
                                      "event:217@" + std::to_string(id), "release@" + std::to_string(id),
                                      "event:219@" + std::to_string(id), "create@" + std::to_string(id + 1),
                                      "remove@" + std::to_string(id)}));
  EXPECT_DOUBLE_EQ(standIn->journal("position").at(0)["lat"], 50.1);
  const auto work = orv::gf_queuedWork();
  EXPECT_EQ(work.frontPositions, 0u);
  EXPECT_TRUE(work.events.empty());
  EXPECT_EQ(work.creations, 0u);
  EXPECT_TRUE(work.removals.empty());
  EXPECT_EQ(orv::gf_linkState().pendingCreations.size(), 2u);
}

TEST_F(FrameTest, ARefusedFlapsEventIsReleasedOnceShownAndTheOthersStillGo) {
  connect();
  const std::uint32_t id = createOne();
  standIn->failNext(Call::TransmitClientEvent);
  orv::gf_queueSimEvent({id, 217, 0});
  orv::gf_queueSimEvent({id, 218, 16383});
  frame();
  EXPECT_EQ(calls({"release", "event"}), (std::vector<std::string>{"release@" + std::to_string(id), "event",
                                                                   "event:218@" + std::to_string(id)}));
  EXPECT_EQ(orv::gf_messageLines().message, "SimConnect TransmitClientEvent: 217 fails");
  EXPECT_FALSE(orv::gf_simConnectBlocked());
  EXPECT_FALSE(orv::gf_stopRaised());
}

TEST_F(FrameTest, AFrameWhoseLockIsBusySendsNothingAndLosesNothing) {
  connect();
  const std::uint32_t id = createOne();
  orv::gf_queueSimEvent({id, 219, 1});
  orv::gf_queueRemoval(id);
  {
    MutexHolder holder;
    frame();
    EXPECT_TRUE(calls({"event", "remove"}).empty());
  }
  frame();
  EXPECT_EQ(calls({"event", "remove"}),
            (std::vector<std::string>{"event:219@" + std::to_string(id), "remove@" + std::to_string(id)}));
}

TEST_F(FrameTest, ASwapWhoseLockIsBusyDropsOnlyThatCyclesPositions) {
  connect();
  const std::uint32_t id = createOne();
  orv::gf_queueSimEvent({id, 219, 1});
  orv::gf_queuePosition(lf_position(id, 50.3));
  {
    MutexHolder holder;
    EXPECT_FALSE(orv::gf_swapPositionBuffers());
  }
  const auto work = orv::gf_queuedWork();
  EXPECT_EQ(work.backPositions, 0u);
  EXPECT_EQ(work.frontPositions, 0u);
  EXPECT_EQ(work.events.size(), 1u);
  frame();
  EXPECT_EQ(calls({"position", "event"}), std::vector<std::string>{"event:219@" + std::to_string(id)});
}

TEST_F(FrameTest, AFailedCreationBlocksTheLinkAndEndsTheRunWithSimconnectError) {
  connect();
  standIn->failNext(Call::AICreateNonATCAircraft);
  orv::gf_queueCreateAc(makeCreation("DLH1", 10001, "Airline A320"));
  orv::gf_queueCreateAc(makeCreation("DLH2", 10002));
  frame();
  EXPECT_TRUE(
      logHas("! Simcon call to create ac in sim failed, hexid:10001, liv: 'Airline A320', callsign: DLH1)"));
  EXPECT_TRUE(logHas("SimConnect request error"));
  EXPECT_EQ(orv::gf_messageLines().message, "SimConnect request error");
  EXPECT_TRUE(orv::gf_simConnectBlocked());
  EXPECT_TRUE(orv::gf_runStopRaised());
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::SimConnectError);
  EXPECT_EQ(orv::gf_runOutcome().restartSeconds, 9);
  EXPECT_TRUE(orv::gf_linkState().pendingCreations.empty());
  EXPECT_EQ(standIn->journal("create").size(), 1u);  // the refused one; not even the second was sent
  EXPECT_TRUE(standIn->aiObjects().empty());
  standIn->clearJournal();

  // From now on the frames only empty the queues, and no request is made.
  orv::gf_queueSimEvent({100, 219, 1});
  orv::gf_queueCreateAc(makeCreation("DLH3", 10003));
  orv::gf_queuePosition(lf_position(100, 50.1));
  (void)orv::gf_swapPositionBuffers();
  orv::gf_requestAcInRange(40);
  frame();
  EXPECT_TRUE(calls({"event", "create", "position", "request_by_type"}).empty());
  const auto work = orv::gf_queuedWork();
  EXPECT_TRUE(work.events.empty());
  EXPECT_EQ(work.creations, 0u);
  EXPECT_EQ(work.frontPositions, 0u);
}

TEST_F(FrameTest, RemovalsOfTheUsersOwnIdsAreRefusedAndAFailedRemovalBlocks) {
  connect();
  const std::uint32_t id = createOne();
  orv::gf_queueRemoval(2);
  frame();
  EXPECT_TRUE(logHas("SimConnect call to remove ac with objectid 2"));
  EXPECT_TRUE(calls({"remove"}).empty());

  standIn->failNext(Call::AIRemoveObject);
  orv::gf_queueRemoval(id);
  frame();
  EXPECT_TRUE(logHas(fmt::format(" !SimConnect call to remove AI ac from sim failed, id {}?", id)));
  EXPECT_TRUE(orv::gf_simConnectBlocked());
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::SimConnectError);
}

TEST(CommandQueues, LightsAreQueuedInTheirFixedOrderWithTheirValues) {
  orv::gf_resetSimQueues();
  orv::gf_setLights(300, orv::LightStates{1, 0, 1, 0, 1, 0, 1});
  orv::gf_engineStart(300);
  orv::gf_setCabinLights(300, 0);
  EXPECT_EQ(orv::gf_queuedWork().events, (std::vector<SimEvent>{{300, 207, 1},
                                                                {300, 206, 0},
                                                                {300, 210, 1},
                                                                {300, 208, 0},
                                                                {300, 209, 1},
                                                                {300, 212, 0},
                                                                {300, 211, 1},
                                                                {300, 220, 0},
                                                                {300, 211, 0}}));
}

TEST_F(SimLinkTest, TheRangeRequestIsClampedToTheSimulatorsLimit) {
  connect();
  orv::gf_requestAcInRange(40);
  standIn->advance(1s);  // the journal notes one request per second
  orv::gf_requestAcInRange(200);
  const auto requests = standIn->journal("request_by_type");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["radius_m"], 74080);
  EXPECT_EQ(requests[1]["radius_m"], 200000);
  EXPECT_TRUE(standIn->journal("exception").empty());
}

TEST_F(SimLinkTest, SpoilersAndThrottlesAreWrittenWithTheirDefinition) {
  connect();
  orv::gf_queueCreateAc(makeCreation("DLH1", 10001));
  frame();
  const std::uint32_t id = standIn->aiObjects().at(0).id;
  orv::gf_setSpoilersAndThrottles(id, 100, -100, -100);
  const auto object = standIn->aiObject(id);
  EXPECT_DOUBLE_EQ(object->spoilersPct, 100);
  EXPECT_DOUBLE_EQ(object->throttle2Pct, -100);
  EXPECT_TRUE(standIn->journal("exception").empty());
}

}  // namespace
