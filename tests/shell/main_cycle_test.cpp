#include "shell/main_cycle.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

#include "airports/park_loading.h"
#include "airports/stand_schedules.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "foundation/window_view.h"
#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "platform/ui/controls.h"
#include "shell/closing_down.h"
#include "shell/run_work.h"
#include "simlink/dispatch.h"
#include "simlink/sim_state.h"
#include "standin/stand_in.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/cycle.h"

namespace {

using testing_support::logBody;

using namespace std::chrono_literals;
using testing_support::readLines;

class MainCycleTest : public ::testing::Test {
 protected:
  // The live traffic's step of the cycle asks the simulator for the aircraft in range: a link to
  // the stand-in answers it.
  void SetUp() override {
    orv::gf_openLog();
    sc::Handle handle = 0;
    ASSERT_EQ(SimConnect_Open(&handle, "Quillstar", nullptr, 0, nullptr, 0), sc::S_OK);
    orv::gf_setSimConnectHandle(handle);
  }
  // The running flight and the handle are the link's, shared by the process; the window's work
  // too.
  void TearDown() override {
    orv::gf_resetSimLink();
    orv::gf_dropQueuedRunWork();
  }

  // Runs cycles with a tick on every n-th one.
  void runCycles(int cycles, int tickEvery) {
    for (int i = 1; i <= cycles; ++i) {
      if (i % tickEvery == 0) orv::gf_raiseTick();
      ASSERT_TRUE(orv::lf_cycleTick(run));
    }
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  os::FakeClock fake;
  os::ScopedClock scoped{fake};
  sc::ScopedBackend backend{
      std::make_shared<orv::standin::StandIn>(orv::standin::Scenario{}, orv::standin::Options{})};
  testing_support::RecordingWindow window;
  orv::TrafficRun run{orv::gf_commandQueueSide(), window, false};
};

TEST_F(MainCycleTest, TicksCountOnlyWhenTheTickArrives) {
  orv::gf_setSimulationRunning(true);
  runCycles(1000, 100);
  EXPECT_EQ(run.cycle.tickCounter.load(), 10);
  EXPECT_EQ(orv::gf_secondsCounter(), 10);
}

TEST_F(MainCycleTest, AMessageSetDuringTheRunExpiresAfter25Ticks) {
  orv::gf_setSimulationRunning(true);
  runCycles(100, 1);
  orv::gf_setMessage("notice");
  runCycles(24, 1);
  EXPECT_EQ(orv::gf_messageLines().message, "notice");
  runCycles(1, 1);
  EXPECT_EQ(orv::gf_messageLines().message, "");
}

TEST_F(MainCycleTest, AStopFlagEndsTheCycleEvenWithoutTicks) {
  orv::gf_setSimulationRunning(true);
  runCycles(5, 1000);
  orv::gf_raiseClosing();
  EXPECT_FALSE(orv::lf_cycleTick(run));
}

TEST_F(MainCycleTest, APauseIsLoggedOnceAndTheFirstTickAfterItResumes) {
  runCycles(250, 1000);  // no flight running
  EXPECT_EQ(run.cycle.tickCounter.load(), 0);
  orv::gf_setSimulationRunning(true);
  runCycles(3, 1);
  const auto lines = logBody();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with(" Flight not running")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" Flight resumed")) << lines[1];
  EXPECT_EQ(run.cycle.tickCounter.load(), 3);
}

TEST_F(MainCycleTest, TheStaticParkingAnnouncementCountsToTheNextMultipleOf15) {
  orv::gf_setSimulationRunning(true);
  runCycles(9, 1);
  orv::lf_announceStaticParkingUpdate(run);
  EXPECT_EQ(orv::gf_messageLines().message, "Quillstar will update static parking in 6 seconds ...");
  EXPECT_TRUE(run.cycle.staticParkingUpdate);
  runCycles(5, 1);
  orv::lf_announceStaticParkingUpdate(run);
  EXPECT_EQ(orv::gf_messageLines().message, "Quillstar will update static parking in 1 second ...");
  runCycles(1, 1);  // tick 15 starts the collection, tick 30 adjusts and takes the request
  EXPECT_TRUE(run.cycle.staticParkingUpdate);
  runCycles(15, 1);
  EXPECT_FALSE(run.cycle.staticParkingUpdate);
}

TEST_F(MainCycleTest, ARereadOnTheFifthTickEnablesItsButtonAndTheDestinationAgain) {
  orv::WindowControl* const controls[] = {&orv::cfg::REREAD_BUTTON, &orv::cfg::DESTINATION};
  // The controls are the process's: they get their windows back at the end.
  struct Restore {
    ~Restore() {
      orv::cfg::REREAD_BUTTON.setWindow(reread);
      orv::cfg::DESTINATION.setWindow(destination);
    }
    ui::WindowHandle reread, destination;
  } restore{orv::cfg::REREAD_BUTTON.window(), orv::cfg::DESTINATION.window()};
  const ui::WindowHandle parent = ui::createWindow(ui::WindowSpec{});
  for (orv::WindowControl* control : controls) {
    ui::ControlSpec spec;
    spec.kind = control->kind();
    spec.parent = parent;
    spec.controlId = control->controlId();
    spec.enabled = false;  // as the button leaves them while the re-read waits
    control->setWindow(ui::createControl(std::move(spec)));
  }
  orv::gf_setSimulationRunning(true);
  orv::gf_tickRequests().reread = true;
  runCycles(4, 1);
  EXPECT_TRUE(orv::gf_tickRequests().reread);
  for (const orv::WindowControl* control : controls) EXPECT_FALSE(ui::isEnabled(control->window()));
  runCycles(1, 1);
  EXPECT_FALSE(orv::gf_tickRequests().reread);
  for (const orv::WindowControl* control : controls) EXPECT_TRUE(ui::isEnabled(control->window()));
}

// A live aircraft of the run, as the simulator has it.
orv::LiveAircraft& addLive(orv::TrafficRun& run, std::uint32_t key, const std::string& callsign,
                           orv::SimState state, std::uint32_t objectId) {
  orv::TrafficRecord record;
  record.callsign = callsign;
  record.position.address = key;
  // Its only sample lies far ahead: the aircraft neither spawns nor moves during the test.
  record.position.dueCycle = orv::gf_cycleCounter() + 1000000;
  orv::LiveAircraft& a = run.traffic.liveList.emplace_back(
      record.position, orv::gf_makeAircraftHead(record, orv::AircraftKind::Live), 100.0);
  a.state = state;
  a.objectId = objectId;
  return a;
}

TEST_F(MainCycleTest, CsToOidShowsTheObjectOfTheFirstActiveAircraftWithTheCallsign) {
  const testing_support::ScopedSetting callsign(orv::cfg::CALLSIGN_2_OBJECTID, std::string("DLH4"));
  orv::gf_setSimulationRunning(true);
  addLive(run, 30001, "DLH4", orv::SimState::Adding2Sim, 0);  // not in the simulator yet
  addLive(run, 30002, "BAW1", orv::SimState::Active, 70);
  addLive(run, 30003, "DLH4", orv::SimState::Active, 81);
  addLive(run, 30004, "DLH4", orv::SimState::Active, 99);
  orv::gf_tickRequests().csToOid = true;
  runCycles(1, 1);
  EXPECT_EQ(window.text(orv::WindowText::CsToOid), "") << "emptied while the list is refilled";
  runCycles(1, 1);
  EXPECT_EQ(window.text(orv::WindowText::CsToOid), "= " + orv::gf_hexString(81));
  EXPECT_GE(window.repaints(orv::WindowBand::Options), 2);

  run.traffic.liveList[2].state = orv::SimState::RemovingFromSim;
  run.traffic.liveList[3].state = orv::SimState::RemovingFromSim;
  orv::gf_tickRequests().csToOid = true;
  runCycles(2, 1);
  EXPECT_EQ(window.text(orv::WindowText::CsToOid), "has left");
}

TEST_F(MainCycleTest, APendingCsToOidShowsTheObjectAtTheNextTick) {
  const testing_support::ScopedSetting callsign(orv::cfg::CALLSIGN_2_OBJECTID, std::string("BAW1"));
  orv::gf_setSimulationRunning(true);
  addLive(run, 30002, "BAW1", orv::SimState::Active, 70);
  orv::gf_tickRequests().csToOidPending = true;  // as a callsign chosen in the list raises it
  runCycles(1, 1);
  EXPECT_EQ(window.text(orv::WindowText::CsToOid), "= " + orv::gf_hexString(70));
  EXPECT_FALSE(orv::gf_tickRequests().csToOidPending);
  EXPECT_TRUE(window.callsigns().empty()) << "the list stays as it is";
}

TEST_F(MainCycleTest, TheBlockedCallsignIsRemovedOnceFromTheFirstActiveAircraft) {
  const testing_support::ScopedSetting blocked(orv::cfg::BLOCK_CALLSIGN, std::string("EZY9"));
  orv::gf_setSimulationRunning(true);
  addLive(run, 30001, "EZY9", orv::SimState::Buffer, 0);
  addLive(run, 30002, "EZY9", orv::SimState::Active, 55);
  addLive(run, 30003, "EZY9", orv::SimState::Active, 56);
  orv::gf_tickRequests().block = true;
  runCycles(1, 1);
  EXPECT_FALSE(orv::gf_tickRequests().block);
  EXPECT_EQ(run.traffic.liveList[0].state, orv::SimState::Buffer);
  EXPECT_EQ(run.traffic.liveList[1].state, orv::SimState::RemovingFromSim);
  EXPECT_EQ(run.traffic.liveList[2].state, orv::SimState::Active) << "only the first";
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{55}));
}

TEST_F(MainCycleTest, TheCountsReachTheWindowOnlyWhenTheyChange) {
  orv::gf_setSimulationRunning(true);
  addLive(run, 30001, "BAW1", orv::SimState::Active, 40);
  orv::LiveAircraft& parked = addLive(run, 30002, "BAW2", orv::SimState::Active, 41);
  parked.phase = orv::FlightPhase::Parked;
  addLive(run, 30003, "BAW3", orv::SimState::Buffer, 0);
  const int statusBefore = window.repaints(orv::WindowBand::Status);
  runCycles(1, 1);
  EXPECT_EQ(window.count(orv::WindowCount::ActiveLive), 1);
  EXPECT_EQ(window.count(orv::WindowCount::ParkedLive), 1);
  EXPECT_EQ(window.count(orv::WindowCount::ActiveStatic), 0);
  const int statusAfter = window.repaints(orv::WindowBand::Status);
  EXPECT_GT(statusAfter, statusBefore);
  runCycles(3, 1);
  EXPECT_EQ(window.repaints(orv::WindowBand::Status), statusAfter) << "nothing changed, nothing repainted";
}

TEST_F(MainCycleTest, TheLearnedParkingsReachTheStatisticsBandWhenTheyChange) {
  orv::gf_setSimulationRunning(true);
  // Counted since the park airport's stands were loaded.
  orv::gf_setStandsLoaded(true);
  const std::unique_ptr<void, void (*)(void*)> unload{&run, [](void*) { orv::gf_setStandsLoaded(false); }};
  run.park.learnedAtLoad = orv::gf_learnedParkingCount() - 2;
  runCycles(1, 1);
  EXPECT_EQ(window.count(orv::WindowCount::LearnedUpdates), 2);
  const int repaints = window.repaints(orv::WindowBand::Statistics);
  runCycles(2, 1);
  EXPECT_EQ(window.repaints(orv::WindowBand::Statistics), repaints) << "nothing changed, nothing repainted";
  std::vector<orv::StandSchedule> schedules;
  ASSERT_TRUE(orv::gf_addStandSchedule(schedules, 0, 0, {3, 20}, "ABC12", "ZZ-SCA", 0));
  runCycles(1, 1);
  EXPECT_EQ(window.count(orv::WindowCount::LearnedUpdates), 3);
  EXPECT_EQ(window.repaints(orv::WindowBand::Statistics), repaints + 1);
}

TEST_F(MainCycleTest, TheWindowsWorkIsDoneByTheNextCycleWhetherTheFlightRunsOrNot) {
  std::vector<std::string> done;
  const auto job = [&](const std::string& name) {
    return [&done, name, this](orv::TrafficRun& on) {
      EXPECT_EQ(&on, &run);
      done.push_back(name);
    };
  };
  orv::gf_queueRunWork(job("paused"));
  EXPECT_TRUE(done.empty());
  runCycles(1, 1000);  // no flight running
  EXPECT_EQ(done, std::vector<std::string>{"paused"});
  orv::gf_setSimulationRunning(true);
  orv::gf_queueRunWork([](orv::TrafficRun&) { throw std::runtime_error("no such stand"); });
  orv::gf_queueRunWork(job("running"));
  orv::gf_queueRunWork([&](orv::TrafficRun&) { orv::gf_queueRunWork(job("queued by a job")); });
  runCycles(1, 1000);
  EXPECT_EQ(done, (std::vector<std::string>{"paused", "running"})) << "a failed job keeps none from running";
  runCycles(1, 1000);
  EXPECT_EQ(done.back(), "queued by a job");
  EXPECT_EQ(logBody().back(), "==> gf_doQueuedRunWork exception no such stand");
}

TEST_F(MainCycleTest, TheRunResetDropsTheWorkTheRunLeft) {
  bool done = false;
  orv::gf_queueRunWork([&done](orv::TrafficRun&) { done = true; });
  orv::lf_resetRun();
  EXPECT_EQ(orv::gf_queuedRunWorkCount(), 0u);
  runCycles(3, 1);
  EXPECT_FALSE(done);
}

TEST_F(MainCycleTest, ALogLineShowsInTheFileAtTheFifteenthTick) {
  orv::gf_setSimulationRunning(true);
  runCycles(14, 1);
  orv::gf_logLine("a line of the fifteenth second");
  EXPECT_EQ(testing_support::readLines("Log.txt").size(), 1u) << "only the banner on disk yet";
  runCycles(1, 1);
  const auto lines = testing_support::readLines("Log.txt");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "a line of the fifteenth second");
}

TEST_F(MainCycleTest, TheMainCycleKeepsItsGridAndEndsOnClose) {
  // The main cycle runs on the fake clock; another thread closes the window after 2 fake seconds.
  const auto start = fake.now();
  std::thread closer([&] {
    while (fake.now() - start < 2s) std::this_thread::yield();
    orv::gf_raiseClosing();
  });
  orv::lf_mainCycle(run);
  closer.join();
  // Each cycle slept up to its 10 ms deadline: one sleep per 10 ms of clock time, no burst.
  const auto elapsed = fake.now() - start;
  ASSERT_GE(elapsed, 2s);
  const auto perSleep = elapsed / fake.sleeps();
  EXPECT_GE(perSleep, 9ms);
  EXPECT_LE(perSleep, 11ms);
}

}  // namespace
