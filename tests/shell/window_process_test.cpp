// The window driven as a user drives it (its command file) during whole runs of the program
// against the stand-in, each started as a process of its own in a prepared working folder.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/folders.h"
#include "platform/net/errors.h"
#include "platform/net/socket.h"
#include "prepared_folder.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::findLine;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::waitFor;
using testing_support::waitForExit;
using testing_support::waitForLogLine;
using testing_support::writeFile;

// The program with its window written to "window.txt" and driven through "commands.txt".
class WindowedProgram {
 public:
  WindowedProgram()
      : process_((writeFile("commands.txt", ""),
                  testing_support::startProgram(
                      {"--ui-commands", "commands.txt", "--window-text", "window.txt"}))) {}
  // A user's action: "click NAME", "choose NAME ITEM", "type NAME TEXT".
  static void command(const std::string& line) {
    std::ofstream out("commands.txt", std::ios::app);
    out << line << '\n';
  }
  // The window's line that starts with the text, once one does (empty after the time).
  static std::string windowLine(const std::string& start, std::chrono::milliseconds limit = 30s) {
    std::string found;
    (void)waitFor(
        [&] {
          for (const std::string& line : readLines("window.txt"))
            if (line.starts_with(start)) {
              found = line;
              return true;
            }
          return false;
        },
        limit);
    return found;
  }
  // Whether the window shows a line equal to the text within the time.
  static bool shows(const std::string& line, std::chrono::milliseconds limit = 30s) {
    return waitFor(
        [&] {
          const auto lines = readLines("window.txt");
          return std::find(lines.begin(), lines.end(), line) != lines.end();
        },
        limit);
  }
  // The message line as the window draws it.
  // The window's text escapes a quote and a backslash, as in a Windows path.
  static std::string asShown(const std::string& text) {
    std::string shown;
    for (const char c : text) {
      if (c == '"' || c == '\\') shown += '\\';
      shown += c;
    }
    return shown;
  }
  static std::string messageLine(const std::string& text) {
    return fmt::format("text 3,455 #FFFF00 \"{}\"", text);
  }
  // Asked to close as the system asks it (SIGTERM, or WM_CLOSE on Windows); the exit status within
  // the time.
  std::optional<int> close(std::chrono::milliseconds limit = 20s) {
    if (!process_.requestClose()) return std::nullopt;
    return waitForExit(process_, limit);
  }
  // The program's resident memory in kB; 0 when the system does not tell.
  [[nodiscard]] long residentKb() const { return static_cast<long>(process_.residentKb().value_or(0)); }

 private:
  os::ChildProcess process_;
};

std::size_t logCount(std::string_view text) {
  const auto lines = readLines("Log.txt");
  return static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; }));
}

// The end of the log, for a failure's message.
std::string logTail() {
  const std::string log = readFile("Log.txt");
  return log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
}

// A TCP port free at the moment of asking.
std::uint16_t freeTcpPort() {
  net::Socket probe = net::Socket::open(net::Socket::Type::Stream);
  if (!probe.bind({net::kLoopbackAddress, 0})) return 0;
  const auto endpoint = probe.localEndpoint();
  return endpoint ? endpoint->port : 0;
}

// RealTraffic installed on this computer.
void installRealTraffic() {
  fs::create_directories(orv::gf_appDataPath() / "InsideSystems");
  writeFile(orv::gf_appDataPath() / "InsideSystems" / "RealTraffic.jar", "");
}

// RealTraffic's side of the control link: connects whenever the program listens, answers the
// version request and counts the lines it reads; with `stopReading`, it reads nothing after its
// answer (and leaves the program as little room as the system allows).
class RealTrafficPeer {
 public:
  RealTrafficPeer(std::uint16_t port, bool stopReading) : port_(port), stopReading_(stopReading) {
    thread_ = std::thread([this] { lf_run(); });
  }
  ~RealTrafficPeer() {
    stop_ = true;
    {
      std::scoped_lock lock(mutex_);
      socket_.close();
    }
    thread_.join();
  }
  [[nodiscard]] int answered() const { return answered_.load(); }
  [[nodiscard]] int positions() const { return positions_.load(); }

 private:
  void lf_run() {
    while (!stop_) {
      net::Socket socket = net::Socket::open(net::Socket::Type::Stream);
      if (stopReading_) (void)socket.setReceiveBufferSize(1);
      if (!socket.connect({net::kLoopbackAddress, port_})) {
        std::this_thread::sleep_for(50ms);
        continue;
      }
      socket.setReceiveTimeout(100ms);
      {
        std::scoped_lock lock(mutex_);
        socket_ = std::move(socket);
      }
      lf_talk();
    }
  }
  void lf_talk() {
    std::string pending;
    char buffer[512];
    while (!stop_) {
      const long n = socket_.receive(buffer);
      if (n == 0 || (n < 0 && net::lastError() != net::WSAETIMEDOUT)) return;
      if (n < 0) continue;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (auto at = pending.find("\r\n"); at != std::string::npos; at = pending.find("\r\n")) {
        const std::string line = pending.substr(0, at);
        pending.erase(0, at + 2);
        if (line.starts_with("Qs121=")) ++positions_;
        if (line == "Qs999=version") {
          const std::string reply = R"({"version":"9.0","level":1})";
          (void)socket_.send(std::span<const char>(reply.data(), reply.size()));
          ++answered_;
          if (stopReading_) {
            while (!stop_) std::this_thread::sleep_for(20ms);
            return;
          }
        }
      }
    }
  }

  const std::uint16_t port_;
  const bool stopReading_;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::atomic<int> positions_{0};
  std::mutex mutex_;
  net::Socket socket_;
  std::thread thread_;
};

void sendDatagram(std::uint16_t port, const std::string& text) {
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  (void)sender.sendTo(std::span<const char>(text.data(), text.size()), {net::kLoopbackAddress, port});
}

const fs::path kDemoCommunity = fs::path(QUILLSTAR_DEMO_DATA).parent_path() / "Community";

TEST(WindowProcess, ChoosingTheOtherSimulatorPreparesItsScansAndRestarts) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}});
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", "0"};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << readFile("Log.txt");
  const std::string installPath = "control \"ALL_INSTALL_PATH\" ";
  EXPECT_NE(program.windowLine(installPath).find(WindowedProgram::asShown(folder.packagesFolder().string())),
            std::string::npos)
      << "the 2020 run shows its packages folder: " << program.windowLine(installPath);

  WindowedProgram::command("choose SIM_CHOICE MSFS 2024");
  // Seen during the countdown, before the next run sets its own values.
  ASSERT_TRUE(program.shows(WindowedProgram::messageLine("Restarting after 2 seconds")))
      << readFile("window.txt");
  EXPECT_TRUE(program.windowLine(installPath).ends_with(" \"\"")) << program.windowLine(installPath);
  EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
  const std::string parameters = readFile(folder.path() / "config" / "Quillstar" / "parameters.xml");
  for (const char* scan : {"SCAN_LIVERIES", "SCAN_AIRPORTS"})
    EXPECT_NE(parameters.find(fmt::format(R"(name="{}" value="true")", scan)), std::string::npos)
        << parameters;
  EXPECT_NE(parameters.find(R"(name="SIM_CHOICE" value="MSFS 2024")"), std::string::npos) << parameters;
  // The next run is set for MSFS 2024, which has no install path here; a close during the
  // countdown would only end the run that restarts.
  EXPECT_TRUE(program.shows(WindowedProgram::messageLine(
      "150: No install path detected. Type the full path to your Community folder above, then press Enter")))
      << readFile("window.txt") << logTail();
  EXPECT_EQ(program.close(), 0) << logTail();
  const auto lines = readLines("Log.txt");
  const auto switching = findLine(lines, "Switching MSFS version in Quillstar");
  ASSERT_NE(switching, lines.end()) << readFile("Log.txt");
  EXPECT_LT(switching, findLine(lines, "Exiting: NEW SETTINGS"));
  EXPECT_LT(findLine(lines, "Restarting after 3 seconds"), findLine(lines, "Exiting: USER CLOSED SIM"));
}

TEST(WindowProcess, WhileRealTrafficIsConnectedAScanWaitsForTheNextStartWhichBuildsTheTablesAgain) {
  const std::uint16_t linkPort = freeTcpPort();
  const std::uint16_t qnhPort = testing_support::freeUdpPort();
  const std::uint16_t trafficPort = testing_support::freeUdpPort();
  ASSERT_NE(linkPort, 0);
  ASSERT_NE(qnhPort, 0);
  ASSERT_NE(trafficPort, 0);
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{
      {"SCAN_AIRPORTS", "false"}, {"PORT_NUMBER", std::to_string(linkPort)}});
  fs::copy(kDemoCommunity, folder.packagesFolder() / "Community", fs::copy_options::recursive);
  installRealTraffic();
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", std::to_string(trafficPort)};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", std::to_string(qnhPort)};
  // High above any park airport, whose notices would replace the scan's.
  writeFile("scenario.json", R"({"user": {"lat": 50.0, "lon": 8.5, "alt_ft": 35000, "on_ground": false}})");
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  RealTrafficPeer realTraffic(linkPort, false);
  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << readFile("Log.txt");
  ASSERT_TRUE(waitForLogLine("RealTraffic connected", 5s));
  // One line of traffic ends the start-up's wait for it: the main cycle runs.
  sendDatagram(trafficPort, readLines(QUILLSTAR_SAMPLE_TRAFFIC).at(0));

  sendDatagram(qnhPort, R"({"QNH":1019.7})");
  EXPECT_TRUE(program.shows("text 642,63 #32CD32 \"qnh: 1020\"")) << readFile("window.txt");

  WindowedProgram::command("click SCAN_LIVERIES");
  EXPECT_TRUE(program.shows(
      WindowedProgram::messageLine("Your liveries will be scanned at the next start of Quillstar")))
      << readFile("window.txt") << logTail();
  const int before = realTraffic.positions();
  EXPECT_TRUE(waitFor([&] { return realTraffic.positions() >= before + 3; }, 10s)) << "the run goes on";
  EXPECT_EQ(logCount("Exiting: "), 0u);
  EXPECT_NE(readFile(folder.path() / "config" / "Quillstar" / "parameters.xml")
                .find(R"(name="SCAN_LIVERIES" value="true")"),
            std::string::npos);

  // A restart for another setting is the next start: the scan runs, and its liveries are used.
  WindowedProgram::command("type ALL_INSTALL_PATH " + folder.packagesFolder().string());
  ASSERT_TRUE(waitForLogLine("liveries scan ends", 60s)) << readFile("Log.txt");
  ASSERT_TRUE(waitFor([] { return logCount("Traffic Reader connected") == 2; }, 60s)) << readFile("Log.txt");
  EXPECT_EQ(program.close(), 0);
  EXPECT_EQ(logCount("Processing scanned liveries skipped"), 0u) << readFile("Log.txt");
  EXPECT_EQ(logCount("Exiting: NEW SETTINGS"), 1u);
  EXPECT_EQ(realTraffic.answered(), 2) << "each run asked once";
}

TEST(WindowProcess, ARestartDuringAParkingCalculationLeavesReReadWorkingInTheNextRun) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}});
  // The user stands at Alpha Field, whose stand file the first run chooses and starts to read.
  testing_support::writeAlphaAndBravoFields();
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);
  const std::string line = readLines(QUILLSTAR_SAMPLE_TRAFFIC).at(0);

  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << logTail();
  sendDatagram(traffic.port(), line);  // the main cycle starts
  ASSERT_TRUE(program.shows("text 5,315 #FFFF00 \"Airport parking\"")) << "the parking calculation runs";
  // A new setting restarts the run in the middle of it.
  WindowedProgram::command("type ALL_INSTALL_PATH " + folder.packagesFolder().string());
  ASSERT_TRUE(program.shows(WindowedProgram::messageLine("Restarting after 2 seconds"))) << logTail();
  // The next run finds no stand file to calculate with.
  fs::remove_all("airports/my_thirdparty");
  fs::remove_all("airports/learned/thirdparty");
  ASSERT_TRUE(waitFor([] { return logCount("Traffic Reader connected") == 2; }, 30s)) << logTail();
  sendDatagram(traffic.port(), line);
  ASSERT_TRUE(program.windowLine("text 3,455 #FFFF00 \"User aircraft on the ground at ")
                  .ends_with(", no airport file found\""))
      << readFile("window.txt");

  const std::string reread = "control \"Re-read\" button 32838 758,341,848,361 ";
  ASSERT_TRUE(program.shows(reread + "enabled \"Re-read\"")) << readFile("window.txt");
  WindowedProgram::command("click Re-read");
  // Done at the next fifth tick; its button takes input again.
  EXPECT_TRUE(waitForLogLine("park airports and stands are okay", 30s)) << logTail();
  EXPECT_TRUE(program.shows(reread + "enabled \"Re-read\"", 5s));
  EXPECT_TRUE(program.shows("text 5,315 #000000 \"Airport parking\"", 1s)) << "no parking update runs";
  EXPECT_EQ(program.close(), 0) << logTail();
}

std::size_t lf_journalCount(std::string_view call) {
  const auto lines = readLines("journal.jsonl");
  const std::string key = fmt::format("\"call\":\"{}\"", call);
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(key) != l.npos; }));
}

// The link gives up on such a peer after a bounded send (tested with the link itself, where the
// system's buffers fill at once); here, the whole program with it: the cycle keeps asking the
// simulator at its pace, memory stays flat, and the close ends the program at once.
TEST(WindowProcess, ARealTrafficThatStopsReadingNeitherHoldsTheCycleNorTheClose) {
  const std::uint16_t linkPort = freeTcpPort();
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(linkPort, 0);
  ASSERT_NE(traffic.port(), 0);
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{
      {"SCAN_AIRPORTS", "false"}, {"PORT_NUMBER", std::to_string(linkPort)}});
  installRealTraffic();
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");
  testing_support::ScopedEnv sanitizer{"ASAN_OPTIONS", "quarantine_size_mb=1:detect_leaks=0"};
  RealTrafficPeer stuck(linkPort, true);
  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << logTail();
  ASSERT_EQ(stuck.answered(), 1);
  const std::vector<std::string> lines = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  sendDatagram(traffic.port(), lines.at(0));
  ASSERT_TRUE(waitFor([] { return lf_journalCount("request_by_type") > 0; }, 20s)) << "the cycle runs";
  const long rssBefore = program.residentKb();
  for (std::size_t i = 1; i < lines.size() && i < 40; ++i) {
    sendDatagram(traffic.port(), lines[i]);
    std::this_thread::sleep_for(100ms);
  }
  // About once a second the cycle asks for the aircraft in range.
  const std::size_t asked = lf_journalCount("request_by_type");
  std::this_thread::sleep_for(3s);
  EXPECT_GE(lf_journalCount("request_by_type") - asked, 2u) << "the cycle kept its pace";
  EXPECT_LT(program.residentKb() - rssBefore, 20 * 1024);
  const auto closed = std::chrono::steady_clock::now();
  EXPECT_EQ(program.close(5s), 0) << logTail();
  EXPECT_LT(std::chrono::steady_clock::now() - closed, 3s);
}

// The automatic radius at the start of the traffic run: airborne below AIRP_HEIGHT, about 8 nm
// from the park airport of "my_park_airports.txt", the simulator is asked within 8 nm at once.
TEST(WindowProcess, TheAutomaticRadiusAtTheRunsStartMeasuresToTheParkAirports) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{
      {"SCAN_AIRPORTS", "false"}, {"AUTO_RANGE", "true"}, {"AEROWINX", "true"}});
  fs::create_directories("airports");
  writeFile("airports/my_park_airports.txt", "EDDF\n");
  writeFile("scenario.json", R"({"user": {"lat": 50.1666, "lon": 8.5706, "alt_ft": 4000, "ground_alt_ft": 300,
    "on_ground": false}})");
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", "0"};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
  WindowedProgram program;
  std::string first;
  ASSERT_TRUE(waitFor(
      [&] {
        for (const std::string& line : readLines("journal.jsonl"))
          if (line.find("\"call\":\"request_by_type\"") != line.npos) {
            first = line;
            return true;
          }
        return false;
      },
      40s))
      << logTail();
  EXPECT_NE(first.find("\"radius_m\":14816"), std::string::npos) << first;  // 8 nm, not 40
  EXPECT_EQ(program.close(), 0) << logTail();
}

// A destination stored in the settings is a park airport from the first choice of the run on:
// flying 12 nm out, it is chosen as the cycle starts (not at its next choice, 16 ticks later).
TEST(WindowProcess, AStoredDestinationCountsForTheFirstChoiceOfTheParkAirport) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}, {"DESTINATION", "eddf"}});
  writeFile("scenario.json", R"({"user": {"lat": 50.2333, "lon": 8.5706, "alt_ft": 3364, "ground_alt_ft": 364,
    "on_ground": false}})");
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);
  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << logTail();
  EXPECT_TRUE(program.shows("control \"DESTINATION\" edit 32839 217,343,267,359 disabled \"EDDF\"", 5s))
      << readFile("window.txt");
  sendDatagram(traffic.port(), readLines(QUILLSTAR_SAMPLE_TRAFFIC).at(0));  // the main cycle starts
  // The notice of the choice at the cycle's start.
  EXPECT_TRUE(program.shows(WindowedProgram::messageLine("Calculating static parked aircraft ..."), 8s))
      << readFile("window.txt");
  EXPECT_EQ(program.close(), 0) << logTail();
}

// A window text that cannot be written is logged once for the spell, not at every frame, and the
// file follows the window again once it can be written.
TEST(WindowProcess, AWindowTextThatCannotBeWrittenIsLoggedOnceAndCatchesUpLater) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}});
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", "0"};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
  fs::create_directories("window.txt/in-the-way");  // no file replaces a folder
  WindowedProgram program;
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << logTail();
  ASSERT_TRUE(waitForLogLine("Could not write the window text to window.txt", 10s)) << logTail();
  fs::remove_all("window.txt");
  // The next message of the window's thread writes the frame; a refused command paints nothing.
  WindowedProgram::command("click NO_SUCH_CONTROL");
  EXPECT_FALSE(program.windowLine("window \"Quillstar\"", 10s).empty()) << logTail();
  EXPECT_EQ(program.close(), 0) << logTail();
  EXPECT_EQ(logCount("Could not write the window text"), 1u) << logTail();
}

}  // namespace
