// "SimClient": the connection, the registration, the recognition of the simulator, and the ways
// in which the thread ends.

#include "simlink/sim_client.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "sim_link_fixture.h"
#include "simlink/sim_display.h"
#include "simlink/user_aircraft.h"

namespace {

using namespace std::chrono_literals;
using orv::standin::Call;
using orv::standin::ClockMode;
using orv::standin::Scenario;
using orv::standin::StandIn;
using simlink_test::SimLinkTest;
using testing_support::logBody;

TEST_F(SimLinkTest, TheRegistrationFollowsItsFixedOrder) {
  connect();
  std::vector<std::string> seen;
  for (const auto& e : standIn->journal()) {
    const std::string call = e["call"];
    if (call == "subscribe" || call == "map_event")
      seen.push_back(fmt::format("{} {} {}", call, e["event"].get<int>(), e["name"].get<std::string>()));
    else if (call == "define")
      seen.push_back(fmt::format("define {} {} {} {}", e["def"].get<int>(), e["name"].get<std::string>(),
                                 e["unit"].get<std::string>(), e["type"].get<int>()));
    else if (call == "group_add")
      seen.push_back(fmt::format("group_add {} {} {}", e["group"].get<int>(), e["event"].get<int>(),
                                 e["maskable"].get<bool>()));
    else if (call == "group_priority")
      seen.push_back(fmt::format("group_priority {} {}", e["group"].get<int>(), e["priority"].get<int>()));
  }
  std::vector<std::string> expected = {"subscribe 201 Sim",           "subscribe 202 ObjectAdded",
                                       "subscribe 203 ObjectRemoved", "subscribe 205 FlightLoaded",
                                       "subscribe 204 Frame",         "define 407 TITLE  11",
                                       "define 408 ATC MODEL  6",     "define 409 SIM ON GROUND Bool 2"};
  const char* position[] = {"Plane Latitude degree",
                            "Plane Longitude degree",
                            "Plane Pitch degrees radians",
                            "Plane Bank degrees radians",
                            "Plane Heading degrees true radians",
                            "Plane Altitude feet"};
  for (const char* v : position) expected.push_back(fmt::format("define 402 {} 4", v));
  expected.push_back("define 402 Vertical Speed feet per second 4");
  expected.push_back("define 402 Airspeed True knots 4");
  for (const char* v : position) expected.push_back(fmt::format("define 403 {} 4", v));
  for (const char* v : {"Plane Alt Above Ground feet 4", "Ground Velocity knots 4", "ZULU TIME Seconds 2",
                        "ZULU DAY OF YEAR Number 2", "ZULU YEAR Number 2", "LIGHT STATES Mask 2"})
    expected.push_back(fmt::format("define 403 {}", v));
  for (const char* v : {"define 405 Static CG to Ground feet 4", "define 405 Static Pitch radians 4",
                        "define 406 Light On States Mask 2", "define 404 Plane Alt Above Ground feet 4",
                        "define 404 Ground Altitude feet 4", "define 404 SIM ON GROUND Bool 2",
                        "define 404 ATC ID  6", "define 401 SPOILERS HANDLE POSITION percent 4",
                        "define 401 GENERAL ENG THROTTLE LEVER POSITION:1 percent 4",
                        "define 401 GENERAL ENG THROTTLE LEVER POSITION:2 percent 4"})
    expected.push_back(v);
  for (const char* v :
       {"219 GEAR_SET", "220 ENGINE_AUTO_START", "221 ENGINE_AUTO_SHUTDOWN", "222 THROTTLE_SET",
        "217 FLAPS_SET", "218 SPOILERS_SET", "207 NAV_LIGHTS_SET", "206 BEACON_LIGHTS_SET",
        "210 LANDING_LIGHTS_SET", "208 TAXI_LIGHTS_SET", "209 STROBES_SET", "212 LOGO_LIGHTS_SET",
        "211 CABIN_LIGHTS_SET", "213 ALL_LIGHTS_TOGGLE", "214 FREEZE_LATITUDE_LONGITUDE_SET",
        "215 FREEZE_ALTITUDE_SET", "216 FREEZE_ATTITUDE_SET"})
    expected.push_back(fmt::format("map_event {}", v));
  for (const int id : {207, 206, 210, 208, 209, 212, 211, 213, 217, 218, 219, 221, 222, 214, 215, 216})
    expected.push_back(fmt::format("group_add 301 {} true", id));
  expected.push_back("group_priority 301 1");
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(standIn->journal("exception").empty());  // the stand-in knows every name and unit
}

TEST_F(SimLinkTest, TheOpenRecordTellsWhichSimulatorAnswered) {
  struct Case {
    const char* name;
    bool msfs2020;
    const char* connected;  // nullptr: an exception
    int code;
  };
  const Case cases[] = {
      {"KittyHawk", true, "MSFS 2020 (11.2.3.4) connected", 0},
      {"*Kitty-Hawk!", true, "MSFS 2020 (11.2.3.4) connected", 0},
      {"SunRise", false, "MSFS 2024 (11.2.3.4) connected", 0},
      {"SunRise", true, nullptr, 2024},
      {"KittyHawk", false, nullptr, 2024},
      {"Foo Sim!", true, nullptr, 77},
  };
  for (const Case& c : cases) {
    orv::gf_setMsfs2020Chosen(c.msfs2020);
    window.clear();
    const auto buffer = orv::standin::makeOpen(c.name, {11, 2, 3, 4});
    sc::RecvOpen record;
    std::memcpy(static_cast<void*>(&record), buffer.data(), sizeof record);
    if (c.connected) {
      orv::lf_onOpen(record);
      EXPECT_TRUE(logHas(c.connected)) << c.name;
      EXPECT_EQ(display().simulatorText, std::string_view(c.connected).substr(0, 20)) << c.name;
    } else {
      try {
        orv::lf_onOpen(record);
        ADD_FAILURE() << c.name;
      } catch (const orv::UserErrorException& e) {
        EXPECT_EQ(e.code(), c.code) << c.name;
        if (c.code == 77) {
          EXPECT_STREQ(e.what(), "77: 'Foo Sim' not being MSFS 2020 or MSFS 2024 connects ... ?");
        }
      }
    }
    EXPECT_TRUE(display().simulatorConnected) << c.name;
  }
  window.clear();
  sc::RecvOpen empty;
  orv::lf_onOpen(empty);
  EXPECT_TRUE(logHas("! Simulator name empty?"));
  EXPECT_FALSE(display().simulatorConnected);
}

std::size_t countLines(const std::string& text) {
  const auto lines = logBody();
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find(text) != std::string::npos;
  }));
}

TEST_F(SimLinkTest, ARequestThatFailsBeforeTheSimulatorsQuitIsReadIsTheSimulatorClosing) {
  struct Case {
    const char* what;
    bool byFrame;  // the frame's creation fails; else a request of the start-up thread
    bool quit;     // else the simulator refuses the request and stays
  };
  const Case cases[] = {
      {"frame, the simulator stays", true, false},
      {"start-up request, the simulator stays", false, false},
      {"frame ahead of the quit in one batch", true, true},
      {"start-up request before the quit is read", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    orv::gf_resetRunControl();
    orv::gf_resetMessageState();
    connect();
    const orv::SimClientServing serving;  // as "SimClient" holds it
    if (c.byFrame) {
      orv::gf_queueCreateAc(simlink_test::makeCreation("DLH1", 10001));
      standIn->frame();
    }
    if (c.quit) {
      if (!c.byFrame) standIn->failNext(Call::RequestDataOnSimObjectType);  // the pipe is gone
      standIn->quit();
    } else {
      standIn->failNext(c.byFrame ? Call::AICreateNonATCAircraft : Call::RequestDataOnSimObjectType);
    }
    if (!c.byFrame) orv::gf_requestAcInRange(40);
    // The frame's creation is only sent in the dispatch; the start-up request has failed already.
    EXPECT_EQ(orv::gf_simConnectBlocked(), !c.byFrame);
    EXPECT_FALSE(orv::gf_runStopRaised());
    const std::size_t quitLines = countLines("SimConnect: the simulator quit");
    EXPECT_EQ(orv::lf_dispatchOnce(handle),
              c.quit ? orv::DispatchEnd::SimulatorGone : orv::DispatchEnd::Serving);
    EXPECT_EQ(countLines("SimConnect: the simulator quit"), quitLines + (c.quit ? 1 : 0));
    EXPECT_TRUE(orv::gf_simConnectBlocked());
    EXPECT_EQ(orv::gf_runStopRaised(), !c.quit);
    EXPECT_EQ(orv::gf_runOutcome().reason == orv::ExitReason::SimConnectError, !c.quit);
    EXPECT_EQ(orv::gf_messageLines().message == "SimConnect request error", !c.quit);
  }
}

// "SimClient" on its own thread against the stand-in in real time on the fake clock: every
// pass of its loop moves the clock on by its sleep.
class SimClientThreadTest : public SimLinkTest {
 protected:
  void start(Scenario scenario = {}) {
    orv::standin::Options options;
    options.clock = ClockMode::RealTime;
    standIn = std::make_shared<StandIn>(std::move(scenario), options);
    backend.emplace(standIn);
    orv::gf_setSimulatorLostHandler([this](bool otherVersion) {
      lostCalls += 1;
      lostOtherVersion = otherVersion;
    });
    orv::gf_resetSimQueues();
    orv::gf_startSimClient();
  }
  // Waits, without sleeping, until the condition holds; false after a generous real-time limit.
  static bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::yield();
    }
    return true;
  }
  bool ended() const { return !standIn->journal("close").empty(); }
  // The fixture's TearDown stops the thread before it resets the link.

  std::atomic<int> lostCalls{0};
  std::atomic<bool> lostOtherVersion{false};
};

TEST_F(SimClientThreadTest, WhileTheSimulatorIsNotRunningTheOpenIsRetriedEvery100Ms) {
  Scenario scenario;
  scenario.available = false;
  orv::gf_setMsfs2020Chosen(false);
  // Read before the thread starts: its first sleep may come before this thread runs again.
  const auto begin = clock.now();
  const auto sleptBefore = clock.sleeps();
  start(scenario);
  ASSERT_TRUE(waitFor([&] { return clock.sleeps() >= sleptBefore + 10; }));
  orv::gf_stopSimClient();
  EXPECT_EQ(clock.now() - begin, (clock.sleeps() - sleptBefore) * 100ms);
  const auto lines = logBody();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Waiting for MSFS 2024 ..."), 1);
  EXPECT_EQ(orv::gf_messageLines().message, "Waiting for MSFS 2024 ...");
  EXPECT_EQ(lostCalls, 0);
}

TEST_F(SimClientThreadTest, AStopRequestedWhileDispatchingEndsTheThreadAndClosesTheConnection) {
  start();
  ASSERT_TRUE(waitFor([&] { return orv::gf_simulationRunning() && display().simulatorConnected; }));
  EXPECT_NE(orv::gf_simConnectHandle(), 0u);
  orv::gf_stopSimClient();
  EXPECT_TRUE(ended());
  EXPECT_TRUE(logHas("SimConnect closed ok"));
  EXPECT_EQ(orv::gf_simConnectHandle(), 0u);
  EXPECT_FALSE(display().simulatorConnected);
  EXPECT_EQ(lostCalls, 0);
  EXPECT_FALSE(orv::gf_stopRaised());
}

TEST_F(SimClientThreadTest, TheOtherSimulatorVersionIsReportedOnceWithItsFlag) {
  Scenario scenario;
  scenario.appName = "SunRise";
  start(scenario);  // the program is set for MSFS 2020
  ASSERT_TRUE(waitFor([&] { return ended(); }));
  EXPECT_TRUE(logHas("MSFS and Quillstar do not match, restarting ..."));
  EXPECT_EQ(lostCalls, 1);
  EXPECT_TRUE(lostOtherVersion);
}

TEST_F(SimClientThreadTest, AFailingLostSimulatorHandlerDoesNotEscapeTheThread) {
  Scenario scenario;
  scenario.appName = "SunRise";
  start(scenario);  // the program is set for MSFS 2020
  orv::gf_stopSimClient();
  // The switch to the other version may fail (a file that cannot be removed); reported from the
  // thread's own exception handler, that failure must not end the process.
  orv::gf_setSimulatorLostHandler([](bool) { throw std::runtime_error("switch failed"); });
  standIn->clearJournal();
  orv::gf_startSimClient();
  ASSERT_TRUE(waitFor([&] { return ended(); }));
  EXPECT_EQ(orv::gf_messageLines().error, "switch failed");
  EXPECT_FALSE(orv::gf_simulationRunning());
}

TEST_F(SimClientThreadTest, AnUnknownSimulatorShowsTheErrorAndStopsTheQueuing) {
  Scenario scenario;
  scenario.appName = "Foo";
  orv::gf_setSimulationRunning(true);
  start(scenario);
  ASSERT_TRUE(waitFor([&] { return ended(); }));
  EXPECT_EQ(orv::gf_messageLines().error, "77: 'Foo' not being MSFS 2020 or MSFS 2024 connects ... ?");
  EXPECT_FALSE(orv::gf_simulationRunning());
  EXPECT_EQ(lostCalls, 0);
}

TEST_F(SimClientThreadTest, TheSimulatorQuittingOrTheDispatchFailingLosesTheSimulator) {
  struct Case {
    const char* what;
    std::function<void(StandIn&)> happen;
    const char* line;
  };
  const Case cases[] = {
      {"quit", [](StandIn& s) { s.quit(); }, "SimConnect: the simulator quit"},
      {"dispatch failing", [](StandIn& s) { s.failNext(Call::CallDispatch); },
       "SimConnect: the dispatch failed"},
  };
  for (const Case& c : cases) {
    lostCalls = 0;
    start();
    ASSERT_TRUE(waitFor([&] { return orv::gf_simulationRunning(); })) << c.what;
    c.happen(*standIn);
    ASSERT_TRUE(waitFor([&] { return ended(); })) << c.what;
    EXPECT_TRUE(logHas(c.line)) << c.what;
    EXPECT_EQ(lostCalls, 1) << c.what;
    EXPECT_FALSE(lostOtherVersion) << c.what;
    EXPECT_FALSE(orv::gf_simulationRunning()) << c.what;
    orv::gf_stopSimClient();
  }
}

TEST_F(SimClientThreadTest, AnExceptionInAHandlerShowsTheErrorAndLosesTheSimulator) {
  orv::gf_setNearestStandNameHook(
      [](double, double) -> std::string { throw std::runtime_error("stands broken"); });
  start();
  ASSERT_TRUE(waitFor([&] { return orv::gf_simulationRunning(); }));
  (void)orv::gf_requestUserAcPosition();
  ASSERT_TRUE(waitFor([&] { return ended(); }));
  EXPECT_EQ(orv::gf_messageLines().error, "stands broken");
  EXPECT_EQ(lostCalls, 1);
  EXPECT_FALSE(orv::gf_simulationRunning());
}

TEST_F(SimClientThreadTest, AFailingStandReservationStillClearsTheConnectionAtTheEnd) {
  start();
  ASSERT_TRUE(waitFor([&] { return orv::gf_simulationRunning(); }));
  orv::gf_requestUserOnGroundEverySecond();
  (void)orv::gf_requestUserAcPosition();
  ASSERT_TRUE(waitFor([] { return orv::gf_userDataKnown(); }));
  // The user stands still at a stand, so the end of the thread reserves it, and that fails.
  orv::gf_setNearestStandNameHook([](double, double) { return std::string("A12"); });
  orv::gf_setUserStandReservationHook([](const std::string&) { throw std::runtime_error("list not saved"); });
  orv::gf_stopSimClient();
  EXPECT_TRUE(ended());
  EXPECT_EQ(orv::gf_simConnectHandle(), 0u);
  EXPECT_FALSE(display().simulatorConnected);
  EXPECT_TRUE(logHas("list not saved"));
}

TEST_F(SimClientThreadTest, ANewRunJoinsTheThreadOfTheOldOne) {
  start();
  ASSERT_TRUE(waitFor([&] { return display().simulatorConnected; }));
  orv::gf_startSimClient();  // without a stop: the old thread is stopped and joined first
  ASSERT_TRUE(waitFor([&] { return standIn->journal("open").size() == 2; }));
  EXPECT_EQ(standIn->journal("close").size(), 1u);
}

}  // namespace
