// Whole runs inside the test process: the start-up against the stand-in, the readers on free
// ports, the demo's recording sent to them, and the close.

#include "traffic/traffic_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/run_control.h"
#include "foundation/window_view.h"
#include "liveries/livery_processing.h"
#include "platform/net/socket.h"
#include "platform/simconnect/simconnect.h"
#include "prepared_folder.h"
#include "shell/main_cycle.h"
#include "shell/run_state.h"
#include "shell/startup.h"
#include "simlink/dispatch.h"
#include "standin/stand_in.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"
#include "traffic/cycle.h"
#include "traffic/realtraffic_link.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readLines;
using testing_support::waitFor;

// One run on a thread of its own, as the window starts it, watched from the test.
class WatchedRun {
 public:
  explicit WatchedRun(std::function<void(orv::TrafficRun&)> plant = {}) : plant_(std::move(plant)) {
    observer_.built = [this](orv::TrafficRun& run) {
      // Copies on the start-up thread, before the run does anything with its parts.
      atStart.liveAircraft = run.traffic.liveList.size();
      atStart.addingStack = run.traffic.addingStack.size();
      atStart.created = run.traffic.created.size();
      const orv::LineContext context = run.trafficReader.context();
      atStart.reference = context.reference;
      atStart.parkAirport = context.parkAirport.has_value();
      atStart.edition = run.realTraffic.edition;
      atStart.professional = run.realTraffic.professional;
      atStart.sourceReady = run.realTraffic.sourceReady;
      atStart.notYetConnected = run.realTraffic.notYetConnected;
      if (plant_) plant_(run);  // on the run's own thread, before its cycle
      run_ = &run;
    };
    observer_.closing = [this](const orv::TrafficRun& run) {
      for (const auto& aircraft : run.traffic.liveList) keysAtEnd.push_back(aircraft.key);
      std::sort(keysAtEnd.begin(), keysAtEnd.end());
      referenceAtEnd = run.trafficReader.context().reference;
      run_ = nullptr;
    };
    thread_ = std::thread([this] { orv::lf_startUpQLST(&observer_); });
  }
  ~WatchedRun() {
    if (thread_.joinable()) thread_.join();
  }

  // Waits until the cycle has ticked, then returns the Traffic Reader's port.
  [[nodiscard]] std::uint16_t readerPort() {
    if (!waitFor([this] { return run_.load() && run_.load()->trafficReader.boundPort() != 0; }, 20s))
      return 0;
    return run_.load()->trafficReader.boundPort();
  }
  [[nodiscard]] bool ticking() {
    return waitFor([this] { return run_.load() && run_.load()->cycle.tickCounter.load() > 0; }, 20s);
  }
  void join() { thread_.join(); }

  struct AtStart {
    std::size_t liveAircraft = 99, addingStack = 99, created = 99;
    orv::Position reference{99.0, 99.0};
    bool parkAirport = true;
    std::string edition = "unset";
    bool professional = true, sourceReady = true, notYetConnected = false;
  } atStart;
  std::vector<std::uint32_t> keysAtEnd;
  orv::Position referenceAtEnd;

 private:
  std::function<void(orv::TrafficRun&)> plant_;
  orv::RunObserver observer_;
  std::atomic<const orv::TrafficRun*> run_{nullptr};
  std::thread thread_;
};

// RealTraffic on this computer: connects once the run's server listens, answers the version
// request in two segments, and keeps every line it gets until the run closes the link.
class FakeRealTraffic {
 public:
  explicit FakeRealTraffic(std::string reply) : reply_(std::move(reply)) {
    thread_ = std::thread([this] { lf_talk(); });
  }
  ~FakeRealTraffic() {
    stop_ = true;
    socket_.close();
    thread_.join();
  }
  [[nodiscard]] std::vector<std::string> lines() const {
    std::scoped_lock lock(mutex_);
    return lines_;
  }
  [[nodiscard]] std::size_t count(std::string_view prefix) const {
    const auto all = lines();
    return static_cast<std::size_t>(std::count_if(
        all.begin(), all.end(), [prefix](const std::string& l) { return l.starts_with(prefix); }));
  }
  [[nodiscard]] bool ended() const { return ended_.load(); }

 private:
  void lf_talk() {
    std::optional<std::uint16_t> port;
    while (!stop_ && !(port = orv::gf_realTrafficLink().port())) std::this_thread::sleep_for(10ms);
    if (stop_ || !socket_.connect({net::kLoopbackAddress, *port})) return;
    std::string pending;
    char buffer[1024];
    for (;;) {
      const long n = socket_.receive(buffer);
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (auto at = pending.find("\r\n"); at != std::string::npos; at = pending.find("\r\n")) {
        const std::string line = pending.substr(0, at + 2);
        pending.erase(0, at + 2);
        {
          std::scoped_lock lock(mutex_);
          lines_.push_back(line);
        }
        if (line == "Qs999=version\r\n") lf_reply();
      }
    }
    ended_ = true;
  }
  void lf_reply() {
    const std::size_t half = reply_.size() / 2;
    (void)socket_.send(std::span<const char>(reply_.data(), half));
    std::this_thread::sleep_for(50ms);
    (void)socket_.send(std::span<const char>(reply_.data() + half, reply_.size() - half));
  }

  const std::string reply_;
  net::Socket socket_ = net::Socket::open(net::Socket::Type::Stream);
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread thread_;
};

class TrafficRunTest : public ::testing::Test {
 protected:
  // A run that ends the process leaves the link's state and the restart flag as they were.
  void TearDown() override {
    orv::gf_resetSimLink();
    orv::gf_setRestartFlag(false);
  }

  // A whole run with RANGE loaded from "parameters.xml": the keys left and the request radius.
  void expectRangeOfARun(const std::string& range, const std::vector<std::uint32_t>& keys,
                         std::uint32_t radiusMeters);

  void sendSample(std::uint16_t port, std::size_t from, std::size_t to) {
    const net::Ipv4Endpoint reader{net::kLoopbackAddress, port};
    for (std::size_t i = from; i < to; ++i) (void)sender.sendTo(lines[i], reader);
  }
  [[nodiscard]] bool logHas(std::string_view text) const {
    orv::gf_flushLog();
    const auto log = readLines("Log.txt");
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
  }

  testing_support::ScopedRunState runState;
  testing_support::ScopedEnv trafficPort{"QLST_TRAFFIC_PORT", "0"};
  testing_support::ScopedEnv qnhPort{"QLST_QNH_PORT", "0"};
  testing_support::RecordingWindow window;
  orv::ScopedWindowView shown{window};
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  const std::vector<std::string> lines = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
};

std::shared_ptr<orv::standin::StandIn> realTimeStandIn() {
  orv::standin::Options options;
  options.clock = orv::standin::ClockMode::RealTime;
  return std::make_shared<orv::standin::StandIn>(orv::standin::Scenario{}, options);
}

TEST_F(TrafficRunTest, TrafficLinesSentToTheReaderBecomeLiveAircraft) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"AEROWINX", "true"}});
  orv::gf_openLog();
  sc::ScopedBackend backend{realTimeStandIn()};
  ASSERT_GE(lines.size(), 30u);
  // Built again in this run, whatever an earlier run of the process built: the window shows the count.
  orv::clearLiveryTablesForNextRun();

  WatchedRun run;
  const std::uint16_t port = run.readerPort();
  ASSERT_NE(port, 0);
  EXPECT_EQ(window.count(orv::WindowCount::Liveries), 11) << "the liveries of the folder's list";
  // The first line ends the start-up's wait for traffic; the records count once the cycle runs.
  sendSample(port, 0, 1);
  ASSERT_TRUE(run.ticking());
  sendSample(port, 1, 30);
  std::this_thread::sleep_for(1500ms);  // 150 cycles take 2 records each
  orv::gf_raiseClosing();
  orv::gf_endRunByUser();
  run.join();

  // The departure, still on the ground, counts because Frankfurt, where the user stands, is the
  // park airport from the cycle's first update on; the arrival and the overflight.
  EXPECT_EQ(run.keysAtEnd, (std::vector<std::uint32_t>{3952133, 3953245, 4008125}));
  EXPECT_TRUE(logHas("QNH Reader connected"));
  EXPECT_TRUE(logHas("Traffic Reader connected"));
  EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
  EXPECT_FALSE(logHas("No traffic in this region?"));
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficKnown), 1) << "no link used: known at once";
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficIdle), 0);
}

// RANGE as loaded from "parameters.xml" is the radius everywhere: the overflight, about 22 nm
// from the user at Frankfurt, is dropped at 5 nm and kept at 40, and the simulator is asked for
// the aircraft within the same radius.
void TrafficRunTest::expectRangeOfARun(const std::string& range, const std::vector<std::uint32_t>& keys,
                                       std::uint32_t radiusMeters) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"AEROWINX", "true"}, {"AUTO_RANGE", "false"}, {"RANGE", range}});
  orv::gf_openLog();
  const auto standIn = realTimeStandIn();
  sc::ScopedBackend backend{standIn};
  ASSERT_GE(lines.size(), 30u);

  WatchedRun run;
  const std::uint16_t port = run.readerPort();
  ASSERT_NE(port, 0);
  sendSample(port, 0, 1);
  ASSERT_TRUE(run.ticking());
  sendSample(port, 1, 30);
  std::this_thread::sleep_for(1500ms);
  orv::gf_raiseClosing();
  orv::gf_endRunByUser();
  run.join();

  EXPECT_EQ(run.keysAtEnd, keys);
  const auto requests = standIn->journal("request_by_type");
  ASSERT_FALSE(requests.empty());
  for (const auto& request : requests) EXPECT_EQ(request["radius_m"], radiusMeters) << request.dump();
}

TEST_F(TrafficRunTest, ARangeOfFiveDropsALineTwentyMilesAwayAndAsksWithin9260Metres) {
  expectRangeOfARun("5", {3952133, 3953245}, 9260);
}

TEST_F(TrafficRunTest, ARangeOfFortyKeepsTheLineAndAsksWithin74080Metres) {
  expectRangeOfARun("40", {3952133, 3953245, 4008125}, 74080);
}

TEST_F(TrafficRunTest, ASecondRunInTheSameProcessStartsWithNothingOfTheFirst) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"PORT_NUMBER", "0"}});
  // RealTraffic is installed here, and the link is used: the facts of the run come from it.
  std::filesystem::create_directories(orv::gf_appDataPath() / "InsideSystems");
  testing_support::writeFile(orv::gf_appDataPath() / "InsideSystems" / "RealTraffic.jar", "");
  orv::gf_openLog();
  sc::ScopedBackend backend{realTimeStandIn()};
  ASSERT_GE(lines.size(), 30u);
  auto professional = std::make_unique<FakeRealTraffic>(R"({"version":"9.0","level":2})");

  // The first run gets traffic, two aircraft that the simulator has, and work on its stacks.
  WatchedRun first([](orv::TrafficRun& run) {
    orv::TrafficRecord record;
    record.callsign = "PLNT1";
    record.position.address = 77001;
    // Their only sample lies far ahead: they stay where they are during the run.
    record.position.dueCycle = orv::gf_cycleCounter() + 1000000;
    orv::LiveAircraft& flying = run.traffic.liveList.emplace_back(
        record.position, orv::gf_makeAircraftHead(record, orv::AircraftKind::Live), 100.0);
    flying.state = orv::SimState::Active;
    flying.objectId = 901;
    record.position.address = 77002;
    orv::LiveAircraft& parked = run.traffic.liveList.emplace_back(
        record.position, orv::gf_makeAircraftHead(record, orv::AircraftKind::Live), 100.0);
    parked.state = orv::SimState::Active;
    parked.objectId = 902;
    parked.phase = orv::FlightPhase::Parked;
  });
  const std::uint16_t firstPort = first.readerPort();
  ASSERT_NE(firstPort, 0);
  sendSample(firstPort, 0, 1);
  ASSERT_TRUE(first.ticking());
  sendSample(firstPort, 1, 30);
  ASSERT_TRUE(waitFor([&] { return window.count(orv::WindowCount::ActiveLive) == 1; }, 10s));
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(window.count(orv::WindowCount::ParkedLive), 1);
  // The professional edition gets the simulator's time every fifth tick.
  EXPECT_TRUE(waitFor([&] { return professional->count("Qs123=") > 0; }, 15s));
  // New settings end the first run with a restart, as a check box would.
  orv::gf_endRun(orv::ExitReason::NewSettings, 0);
  first.join();
  ASSERT_TRUE(waitFor([&] { return professional->ended(); }, 5s));
  const std::vector<std::string> told = professional->lines();
  ASSERT_GE(told.size(), 3u);
  EXPECT_EQ(told.front(), "Qs999=version\r\n");
  EXPECT_EQ(professional->count("Qs999="), 1u);
  EXPECT_GE(professional->count("Qs121="), 1u);
  EXPECT_EQ(told.back(), "exit\r\n");
  EXPECT_TRUE(logHas("RealTraffic connected"));
  professional.reset();
  FakeRealTraffic standard(R"({"version":"9.0","level":1})");
  ASSERT_TRUE(orv::gf_restartFlag());
  ASSERT_FALSE(orv::gf_stopRaised()) << "the restart has reset the run control";
  EXPECT_EQ(first.keysAtEnd, (std::vector<std::uint32_t>{77001, 77002, 3952133, 3953245, 4008125}));
  EXPECT_NE(first.referenceAtEnd.latitude, 0.0) << "the user aircraft was the reference";
  EXPECT_TRUE(logHas("RealTraffic detected at this PC"));

  // The second run, in the same process, as the window starts it after the restart.
  WatchedRun second;
  const std::uint16_t secondPort = second.readerPort();
  ASSERT_NE(secondPort, 0);
  EXPECT_EQ(second.atStart.liveAircraft, 0u);
  EXPECT_EQ(second.atStart.addingStack, 0u);
  EXPECT_EQ(second.atStart.created, 0u);
  EXPECT_EQ(second.atStart.reference.latitude, 0.0);
  EXPECT_EQ(second.atStart.reference.longitude, 0.0);
  EXPECT_FALSE(second.atStart.parkAirport);
  EXPECT_EQ(second.atStart.edition, "");
  EXPECT_FALSE(second.atStart.professional);
  EXPECT_FALSE(second.atStart.sourceReady);
  EXPECT_TRUE(second.atStart.notYetConnected);
  EXPECT_EQ(window.count(orv::WindowCount::ActiveLive), 0) << "the count of the first run is gone";
  EXPECT_EQ(window.count(orv::WindowCount::ParkedLive), 0);
  sendSample(secondPort, 0, 1);
  ASSERT_TRUE(second.ticking());
  EXPECT_EQ(window.count(orv::WindowCount::ActiveLive), 0) << "and stays gone";
  EXPECT_TRUE(waitFor([&] { return standard.count("Qs121=") > 0; }, 10s));
  orv::gf_raiseClosing();
  orv::gf_endRunByUser();
  second.join();
  EXPECT_TRUE(logHas("Exiting: NEW SETTINGS"));
  EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
  EXPECT_EQ(standard.count("Qs999="), 1u) << "each run asks once";
  EXPECT_EQ(standard.count("Qs123="), 0u) << "not for the standard edition";
}

TEST_F(TrafficRunTest, AWindowCloseDuringTheWaitForRealTrafficEndsTheRunAtOnce) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"PORT_NUMBER", "0"}});
  std::filesystem::create_directories(orv::gf_appDataPath() / "InsideSystems");
  testing_support::writeFile(orv::gf_appDataPath() / "InsideSystems" / "RealTraffic.jar", "");
  orv::gf_openLog();
  sc::ScopedBackend backend{realTimeStandIn()};

  WatchedRun run;
  ASSERT_TRUE(waitFor([] { return orv::gf_realTrafficLink().listening(); }, 20s));
  std::this_thread::sleep_for(200ms);  // the wait is under way
  const auto closed = std::chrono::steady_clock::now();
  orv::gf_raiseClosing();
  orv::gf_closeRealTrafficLink();
  orv::gf_endRunByUser();
  run.join();
  EXPECT_LT(std::chrono::steady_clock::now() - closed, 3s);
  EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
  EXPECT_FALSE(logHas("RealTraffic connected"));
}

}  // namespace
