#include "shell/closing_down.h"

#include <gtest/gtest.h>

#include <thread>

#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/window_messages.h"
#include "foundation/window_view.h"
#include "platform/os/clock.h"
#include "shell/commands.h"
#include "shell/main_cycle.h"
#include "shell/run_state.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"

namespace {

using testing_support::logBody;

using namespace std::chrono_literals;
using orv::ExitReason;
using testing_support::readLines;

// A fake clock that notes the message line each time the code under test sleeps.
class MessageRecordingClock final : public os::Clock {
 public:
  os::SteadyTime now() const override { return fake.now(); }
  os::SystemTime utcNow() const override { return fake.utcNow(); }
  void sleepUntil(os::SteadyTime deadline) override {
    messages.push_back(orv::gf_messageLines().message);
    fake.sleepUntil(deadline);
  }
  os::FakeClock fake;
  std::vector<std::string> messages;
};

class ClosingDownTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv::gf_openLog();
    ui::WindowSpec spec;
    spec.proc = [this](ui::WindowHandle, ui::MessageId id, ui::WParam, ui::LParam) -> ui::LResult {
      if (id == orv::WM_APP_START_RUN || id == orv::WM_APP_END_PROCESS) posted.push_back(id);
      return 0;
    };
    orv::gf_setMainWindow(ui::createWindow(std::move(spec)));
  }
  // The window, the simulator choice and the restart flag are the process's.
  void TearDown() override {
    orv::gf_setMainWindow(previousWindow);
    orv::gf_setMsfs2020Chosen(msfs2020Before);
    orv::gf_setRestartFlag(false);
  }

  std::vector<ui::MessageId> pump() {
    posted.clear();
    ui::Message m;
    while (ui::peekMessage(m)) ui::dispatchMessage(m);
    return posted;
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  const ui::WindowHandle previousWindow = orv::gf_mainWindow();
  const bool msfs2020Before = orv::gf_msfs2020Chosen();
  // What the closing down and the switch of the simulator version change and save.
  template <typename Parameter>
  using Kept = testing_support::ScopedSetting<Parameter>;
  Kept<orv::CheckBoxParameter> scanLiveries{orv::cfg::SCAN_LIVERIES, orv::cfg::SCAN_LIVERIES.value()};
  Kept<orv::CheckBoxParameter> scanAirports{orv::cfg::SCAN_AIRPORTS, orv::cfg::SCAN_AIRPORTS.value()};
  Kept<orv::EditParameter> destination{orv::cfg::DESTINATION, orv::cfg::DESTINATION.value()};
  Kept<orv::EditParameter> blockCallsign{orv::cfg::BLOCK_CALLSIGN, orv::cfg::BLOCK_CALLSIGN.value()};
  Kept<std::remove_reference_t<decltype(orv::cfg::SIM_CHOICE)>> simChoice{orv::cfg::SIM_CHOICE,
                                                                          orv::cfg::SIM_CHOICE.value()};
  Kept<std::remove_reference_t<decltype(orv::cfg::MYSIMADDON24_VERSION)>> addonVersion{
      orv::cfg::MYSIMADDON24_VERSION, orv::cfg::MYSIMADDON24_VERSION.value()};
  Kept<std::remove_reference_t<decltype(orv::cfg::ALL_INSTALL_PATH)>> installPath{
      orv::cfg::ALL_INSTALL_PATH, orv::cfg::ALL_INSTALL_PATH.value()};
  MessageRecordingClock clock;
  os::ScopedClock scoped{clock};
  std::vector<ui::MessageId> posted;
};

TEST_F(ClosingDownTest, RestartCountdownShowsEverySecond) {
  orv::gf_endRun(ExitReason::NewSettings, 3);
  const auto start = clock.now();
  orv::lf_restartCountdown();
  EXPECT_EQ(clock.now() - start, 3s);
  EXPECT_EQ(clock.messages,
            (std::vector<std::string>{"Restarting after 3 seconds", "Restarting after 2 seconds",
                                      "Restarting after 1 second"}));
  EXPECT_EQ(logBody(), (std::vector<std::string>{"Restarting after 3 seconds", std::string(48, '-'),
                                                 "Restart countdown finished"}));
}

TEST_F(ClosingDownTest, NoCountdownWithoutSeconds) {
  orv::gf_endRun(ExitReason::SimConnectError, 0);
  orv::lf_restartCountdown();
  EXPECT_TRUE(clock.messages.empty());
  EXPECT_TRUE(logBody().empty());
}

TEST_F(ClosingDownTest, WhatFollowsEachReason) {
  struct Case {
    ExitReason reason;
    int seconds;
    ui::MessageId posted;
    bool restart;
  };
  const Case cases[] = {
      {ExitReason::NewSettings, 3, orv::WM_APP_START_RUN, true},
      {ExitReason::SimConnectError, 9, orv::WM_APP_START_RUN, true},
      {ExitReason::ReaderError, 15, orv::WM_APP_START_RUN, true},
      {ExitReason::SimWasClosed, 0, orv::WM_APP_END_PROCESS, false},
      {ExitReason::UserClosedSim, 0, orv::WM_APP_END_PROCESS, false},
      {ExitReason::NewVersion, 0, orv::WM_APP_END_PROCESS, false},
      {ExitReason::NewFlight, 45, orv::WM_APP_END_PROCESS, false},
  };
  for (const Case& c : cases) {
    orv::gf_endRun(c.reason, c.seconds);
    const auto start = clock.now();
    orv::lf_closingDown();
    EXPECT_EQ(pump(), std::vector<ui::MessageId>{c.posted}) << orv::gf_exitReasonName(c.reason);
    EXPECT_EQ(orv::gf_restartFlag(), c.restart);
    // 500 ms for the readers, the countdown, and 10 s to read the new-flight notice.
    const auto waited = c.restart ? 500ms + std::chrono::seconds{c.seconds}
                                  : (c.reason == ExitReason::NewFlight ? 10500ms : 500ms);
    EXPECT_EQ(clock.now() - start, waited) << orv::gf_exitReasonName(c.reason);
    if (c.restart) {
      EXPECT_FALSE(orv::gf_stopRaised());  // the run was reset for the next one
      EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::NotYetSet);
    }
    orv::gf_resetRunControl();
  }
  const auto lines = logBody();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Prepare for a restart ..."), 3);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exiting: NEW FLIGHT"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "New flight detected, Quillstar will close, please restart manually ..."),
            1);
}

TEST_F(ClosingDownTest, ASystemErrorWaitsForTheWindowToClose) {
  orv::gf_setError("41: something failed");
  orv::gf_endRun(ExitReason::SystemError, 0);
  const auto start = clock.now();
  std::thread user([&] {
    while (clock.now() - start < 60s) std::this_thread::yield();
    orv::gf_raiseClosing();
  });
  orv::lf_closingDown();
  user.join();
  EXPECT_EQ(pump(), std::vector<ui::MessageId>{orv::WM_APP_END_PROCESS});
  EXPECT_EQ(orv::gf_messageLines().error, "41: something failed");  // still shown
  const auto lines = logBody();
  EXPECT_EQ(lines.front(), "Error 41: something failed");
  EXPECT_EQ(lines.at(1), "Exiting: SYSTEM ERROR");
  EXPECT_EQ(lines.at(2), "User closed Quillstar");
  EXPECT_GE(clock.now() - start, 60s);
}

TEST_F(ClosingDownTest, TheRunResetReturnsTheRunStateToItsStart) {
  orv::gf_setMessage("shown");
  orv::gf_raiseTick();
  orv::gf_raiseClosing();
  orv::gf_endRun(ExitReason::ReaderError, 15);
  orv::gf_tickRequests().block = true;
  orv::lf_resetRun();
  EXPECT_FALSE(orv::gf_stopRaised());
  EXPECT_FALSE(orv::gf_takeTick());
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::NotYetSet);
  EXPECT_EQ(orv::gf_messageLines().message, "");
  EXPECT_EQ(orv::gf_secondsCounter(), 0);
  EXPECT_FALSE(orv::gf_tickRequests().block);
}

TEST_F(ClosingDownTest, ARestartShowsARunsStartValuesAtOnceAndForgetsTheWindowsRequests) {
  testing_support::RecordingWindow window;
  const orv::ScopedWindowView shown(window);
  // What a run with RealTraffic and a park airport left in the window, cut short in a parking update.
  window.setLamp(orv::WindowLamp::RealTrafficKnown, 1);
  window.setLamp(orv::WindowLamp::RealTrafficIdle, 0);
  window.setLamp(orv::WindowLamp::QnhReader, 1);
  window.setLamp(orv::WindowLamp::TrafficReader, 2);
  window.setLamp(orv::WindowLamp::SimulatorConnected, 1);
  window.setLamp(orv::WindowLamp::SimulationRunning, 1);
  window.setText(orv::WindowText::RealTrafficEdition, "RT 9.0 edition: prof");
  window.setCount(orv::WindowCount::Qnh, 1020);
  window.setCount(orv::WindowCount::WantedParked, 25);
  window.setCount(orv::WindowCount::Liveries, 11);
  window.setValue(orv::WindowValue::AverageFitStatic, 3.5);
  window.setValue(orv::WindowValue::AverageFitLive, 2.5);
  orv::gf_disableParkingControls();
  orv::gf_tickRequests().reread = true;  // Re-read pressed meanwhile

  orv::gf_endRun(ExitReason::NewSettings, 0);
  orv::lf_closingDown();
  ASSERT_EQ(pump(), std::vector<ui::MessageId>{orv::WM_APP_START_RUN});

  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficKnown), 0);
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficIdle), 1) << "the lamp black again";
  EXPECT_EQ(window.lamp(orv::WindowLamp::QnhReader), 3);
  EXPECT_EQ(window.lamp(orv::WindowLamp::TrafficReader), 3);
  EXPECT_EQ(window.lamp(orv::WindowLamp::SimulatorConnected), 0);
  EXPECT_EQ(window.lamp(orv::WindowLamp::SimulationRunning), 0);
  EXPECT_EQ(window.text(orv::WindowText::RealTrafficEdition), "");
  EXPECT_EQ(window.count(orv::WindowCount::Qnh), 0);
  EXPECT_EQ(window.count(orv::WindowCount::WantedParked), 0);
  EXPECT_EQ(window.value(orv::WindowValue::AverageFitStatic), -1.0);
  EXPECT_EQ(window.value(orv::WindowValue::AverageFitLive), -1.0);
  EXPECT_EQ(window.count(orv::WindowCount::Liveries), 11) << "the tables outlive the run";
  EXPECT_FALSE(orv::gf_tickRequests().parkingUpdateInProgress) << "the next run's Re-read must not wait";
  EXPECT_FALSE(orv::gf_tickRequests().reread);
  EXPECT_EQ(orv::gf_tickRequests().staticParkingCountdown.load(), 20);
}

TEST_F(ClosingDownTest, TheLostSimulatorEndsTheRunOnlyOnce) {
  orv::gf_simulatorLost(false);
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::SimWasClosed);
  orv::gf_simulatorLost(false);
  const auto lines = logBody();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(" Flight Simulator no longer connected, Quillstar will stop ..."))
      << lines[0];
}

}  // namespace

namespace {

TEST_F(ClosingDownTest, TheOtherSimulatorAnsweringSwitchesTheChoiceAndRestarts) {
  struct Case {
    bool runWasMsfs2020;
    const char* nextChoice;
    bool addonVersionKept;
  };
  for (const Case c : {Case{true, "MSFS 2024", true}, Case{false, "MSFS 2020", false}}) {
    std::filesystem::create_directories(orv::gf_userFolderPath());
    std::filesystem::create_directories("output");
    testing_support::writeFile("output/LiveriesScanned.xml", "<root/>");
    orv::cfg::SCAN_LIVERIES.set(false);
    orv::cfg::SCAN_AIRPORTS.set(false);
    orv::cfg::MYSIMADDON24_VERSION.set("1.2.3");
    orv::cfg::ALL_INSTALL_PATH.set("/games/msfs");
    orv::gf_setMsfs2020Chosen(c.runWasMsfs2020);

    orv::gf_simulatorLost(true);

    EXPECT_EQ(orv::cfg::SIM_CHOICE.value(), c.nextChoice);
    EXPECT_TRUE(orv::cfg::SCAN_LIVERIES.value());
    EXPECT_TRUE(orv::cfg::SCAN_AIRPORTS.value());
    EXPECT_EQ(orv::cfg::ALL_INSTALL_PATH.value(), "");
    EXPECT_EQ(orv::cfg::MYSIMADDON24_VERSION.value().empty(), !c.addonVersionKept);
    EXPECT_FALSE(std::filesystem::exists("output/LiveriesScanned.xml"));
    const auto outcome = orv::gf_runOutcome();
    EXPECT_EQ(outcome.reason, ExitReason::NewSettings);
    EXPECT_EQ(outcome.restartSeconds, 3);
    // What the next run reads back.
    const std::string saved = testing_support::readFile(orv::gf_parametersPath());
    EXPECT_NE(saved.find(std::string("value=\"") + c.nextChoice + "\""), std::string::npos) << saved;
    orv::gf_resetRunControl();
  }
  const auto lines = logBody();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Switching MSFS version in Quillstar"), 2);
}

}  // namespace
