#include "shell/main_cycle.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "platform/ui/controls.h"
#include "simlink/sim_state.h"
#include "standin/stand_in.h"
#include "support/test_support.h"

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


  // Runs cycles with a tick on every n-th one.
  static void runCycles(int cycles, int tickEvery) {
    for (int i = 1; i <= cycles; ++i) {
      if (i % tickEvery == 0) orv::gf_raiseTick();
      ASSERT_TRUE(orv::lf_cycleTick());
    }
  }

  testing_support::WorkingFolder folder;
  os::FakeClock fake;
  os::ScopedClock scoped{fake};
  sc::ScopedBackend backend{
      std::make_shared<orv::standin::StandIn>(orv::standin::Scenario{}, orv::standin::Options{})};
};

TEST_F(MainCycleTest, TicksCountOnlyWhenTheTickArrives) {
  orv::gf_setSimulationRunning(true);
  runCycles(1000, 100);
  EXPECT_EQ(orv::gf_tickCounter(), 10);
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
  EXPECT_FALSE(orv::lf_cycleTick());
}

TEST_F(MainCycleTest, APauseIsLoggedOnceAndTheFirstTickAfterItResumes) {
  runCycles(250, 1000);  // no flight running
  EXPECT_EQ(orv::gf_tickCounter(), 0);
  orv::gf_setSimulationRunning(true);
  runCycles(3, 1);
  const auto lines = logBody();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with(" Flight not running")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" Flight resumed")) << lines[1];
  EXPECT_EQ(orv::gf_tickCounter(), 3);
}

TEST_F(MainCycleTest, TheStaticParkingAnnouncementCountsToTheNextMultipleOf15) {
  orv::gf_setSimulationRunning(true);
  runCycles(9, 1);
  orv::lf_announceStaticParkingUpdate();
  EXPECT_EQ(orv::gf_messageLines().message, "Quillstar will update static parking in 6 seconds ...");
  EXPECT_TRUE(orv::gf_tickRequests().staticParkingUpdate);
  runCycles(5, 1);
  orv::lf_announceStaticParkingUpdate();
  EXPECT_EQ(orv::gf_messageLines().message, "Quillstar will update static parking in 1 second ...");
  runCycles(1, 1);  // tick 15 starts the collection, tick 30 adjusts and takes the request
  EXPECT_TRUE(orv::gf_tickRequests().staticParkingUpdate);
  runCycles(15, 1);
  EXPECT_FALSE(orv::gf_tickRequests().staticParkingUpdate);
}

TEST_F(MainCycleTest, ARereadOnTheFifthTickEnablesItsButtonAndTheDestinationAgain) {
  orv::WindowControl* const controls[] = {&orv::cfg::REREAD_BUTTON, &orv::cfg::DESTINATION};
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

TEST_F(MainCycleTest, TheMainCycleKeepsItsGridAndEndsOnClose) {
  // The main cycle runs on the fake clock; another thread closes the window after 2 fake seconds.
  const auto start = fake.now();
  std::thread closer([&] {
    while (fake.now() - start < 2s) std::this_thread::yield();
    orv::gf_raiseClosing();
  });
  orv::lf_mainCycle();
  closer.join();
  // Each cycle slept up to its 10 ms deadline: one sleep per 10 ms of clock time, no burst.
  const auto elapsed = fake.now() - start;
  ASSERT_GE(elapsed, 2s);
  const auto perSleep = elapsed / fake.sleeps();
  EXPECT_GE(perSleep, 9ms);
  EXPECT_LE(perSleep, 11ms);
}

}  // namespace
