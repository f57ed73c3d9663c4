// The program as a whole, started as a process of its own in a prepared working folder.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "foundation/data_cipher.h"
#include "foundation/program.h"
#include "platform/net/socket.h"
#include "prepared_folder.h"
#include "support/http_server.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::findLine;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::startProgram;
using testing_support::waitForExit;
using testing_support::waitForLogLine;
using testing_support::writeFile;

// The readers of a test run listen on free ports, not on RealTraffic's, which another run may hold.
struct FreeReaderPorts {
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", "0"};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
};

TEST(Process, OneInstanceRunsUntilSigtermEndsItThroughTheClosePath) {
  testing_support::PreparedWorkingFolder folder;
  FreeReaderPorts ports;
  writeFile("Log.txt", "third\n");
  writeFile("Log0.txt", "second\n");
  writeFile("Log00.txt", "first\n");

  os::ChildProcess first = startProgram();
  ASSERT_TRUE(waitForLogLine("(utc) Quillstar version", 10s)) << readFile("Log.txt");
  EXPECT_EQ(readFile("Log0.txt"), "third\n");
  EXPECT_EQ(readFile("Log00.txt"), "second\n");
  EXPECT_EQ(readFile("Log000.txt"), "first\n");
  const std::string logOfFirst = readFile("Log.txt");

  os::ChildProcess second = startProgram();
  EXPECT_EQ(waitForExit(second, 10s), os::exitCodeSeenByParent(-1));
  // The first instance goes on writing its log; the second one neither truncated nor moved it.
  EXPECT_TRUE(readFile("Log.txt").starts_with(logOfFirst));
  EXPECT_EQ(readFile("Log0.txt"), "third\n");

  ASSERT_TRUE(first.requestClose());
  EXPECT_EQ(waitForExit(first, 10s), 0);
  const auto lines = readLines("Log.txt");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines.front().find(" (utc) Quillstar version 11.12.1 for MSFS 2020/2024") == 24)
      << lines.front();
  // The closing down's saves of the settings follow this line.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), lines.end());
}

TEST(Process, ARunAgainstTheStandInEndsWhenTheSimulatorQuits) {
  testing_support::PreparedWorkingFolder folder;
  FreeReaderPorts ports;
  // Without traffic the run waits 15 s for it before the main cycle starts; a pause and a resume
  // after that: the first tick after the resume logs it.
  writeFile("scenario.json", R"({"app_name": "KittyHawk", "app_version": [11, 0, 7, 3],
    "timeline": [{"at_s": 18, "action": "pause"}, {"at_s": 20, "action": "resume"},
                 {"at_s": 22, "action": "quit"}]})");
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");

  os::ChildProcess program = startProgram();
  EXPECT_EQ(waitForExit(program, 30s), 0) << readFile("Log.txt");

  const auto lines = readLines("Log.txt");
  const auto at = [&](std::string_view text) { return findLine(lines, text); };
  const auto connected = at("MSFS 2020 (11.0.7.3) connected");
  const auto notRunning = at(" Flight not running");
  const auto resumed = at(" Flight resumed");
  const auto lost = at("Flight Simulator no longer connected, Quillstar will stop ...");
  const auto exiting = at("Exiting: SIM WAS CLOSED");
  ASSERT_NE(exiting, lines.end()) << readFile("Log.txt");
  EXPECT_LT(at("Waiting for MSFS 2020 ..."), connected);
  EXPECT_LT(connected, notRunning);
  EXPECT_LT(notRunning, resumed);
  EXPECT_LT(resumed, lost);
  EXPECT_LT(lost, exiting);
  // The readers ran from before the main cycle until the closing down stopped them.
  EXPECT_LT(at("QNH Reader connected"), at("Traffic Reader connected"));
  EXPECT_LT(at("Traffic Reader connected"), notRunning);
  EXPECT_LT(exiting, at("Traffic Reader disconnected"));
  EXPECT_NE(at("QNH Reader disconnected"), lines.end());

  std::vector<std::string> calls;
  for (const std::string& line : readLines("journal.jsonl"))
    calls.push_back(nlohmann::json::parse(line)["call"]);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front(), "open");
  const auto count = [&](std::string_view call) { return std::count(calls.begin(), calls.end(), call); };
  EXPECT_EQ(count("subscribe"), 5);
  EXPECT_EQ(count("define"), 33);
  EXPECT_EQ(count("map_event"), 17);
  EXPECT_EQ(count("group_add"), 16);
  EXPECT_EQ(count("group_priority"), 1);
  EXPECT_EQ(count("quit"), 1);
  EXPECT_EQ(count("exception"), 0);
}

TEST(Process, WithoutItsDocsFolderTheRunShowsTheErrorAndWaitsForTheClose) {
  testing_support::WorkingFolder folder;
  os::ChildProcess program = startProgram();
  ASSERT_TRUE(waitForLogLine("Exiting: SYSTEM ERROR", 10s)) << readFile("Log.txt");
  std::this_thread::sleep_for(600ms);
  EXPECT_FALSE(waitForExit(program, 0ms).has_value());  // the error stays until the window closes
  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(waitForExit(program, 10s), 0);
  const auto lines = readLines("Log.txt");
  const auto error = findLine(lines, "Error 41: Quillstar must be run from the Quillstar folder!");
  const auto closed = findLine(lines, "User closed Quillstar");
  ASSERT_NE(error, lines.end()) << readFile("Log.txt");
  EXPECT_LT(error, findLine(lines, "Exiting: SYSTEM ERROR"));
  EXPECT_LT(findLine(lines, "Exiting: SYSTEM ERROR"), closed);
  EXPECT_EQ(findLine(lines, "Waiting for MSFS"), lines.end());
}

TEST(Process, AProductionRunReadsTheDataFilesFindsTheSimulatorAndEnds) {
  testing_support::PreparedWorkingFolder folder;
  os::ChildProcess program = startProgram({"--PRODUCTION"});
  EXPECT_EQ(waitForExit(program, 20s), 0) << readFile("Log.txt");
  const auto lines = readLines("Log.txt");
  EXPECT_NE(findLine(lines, "dbase records read"), lines.end()) << readFile("Log.txt");
  EXPECT_NE(findLine(lines, "Steam packages: "), lines.end());
  EXPECT_NE(findLine(lines, "Exiting: USER CLOSED SIM"), lines.end());
  EXPECT_EQ(findLine(lines, "Waiting for MSFS"), lines.end());
  EXPECT_FALSE(std::filesystem::exists("input/dbase.xml"));
  EXPECT_TRUE(std::filesystem::is_directory("airports/learned/thirdparty"));
  const std::string parameters = readFile(folder.path() / "config" / "Quillstar" / "parameters.xml");
  EXPECT_NE(parameters.find(folder.packagesFolder().string()), std::string::npos) << parameters;
}

TEST(Process, AProductionRunTakesANewerAirportsTableFromTheSite) {
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"AIRPORTS_VERSION", "1.0.0"}});
  FreeReaderPorts ports;
  // The demo's table and one airport more, enciphered as the site delivers it.
  std::string airports = readFile(std::filesystem::path(QUILLSTAR_DEMO_DATA) / "airports.xml");
  std::size_t rows = 0;
  for (std::size_t at = airports.find("<ap "); at != std::string::npos; at = airports.find("<ap ", at + 1))
    ++rows;
  airports.insert(airports.find("</airports>"), "<ap c=\"ZZZZ\" la=\"1.0\" lo=\"1.0\" a=\"5\" s=\"1\" />\n");
  writeFile("new_airports.xml", airports);
  orv::gf_streamEncrypt("new_airports.xml", "new_airports.enc");
  std::filesystem::remove("new_airports.xml");

  testing_support::HttpServer site;
  const std::string versions = fmt::format(
      R"({{"msfs":{{"major":{},"minor":{},"patch":{}}},"airports":{{"major":2,"minor":0,"patch":0}}}})",
      orv::kVersionMajor, orv::kVersionMinor, orv::kVersionPatch);
  site.setRoute("/downloads/versions.json", {200, versions, {}, {}});
  const std::string tablePath = fmt::format("/downloads/{}/airports.enc", orv::kVersionMajor);
  site.setRoute(tablePath, {200, readFile("new_airports.enc"), {}, {}});
  testing_support::ScopedEnv url{"QLST_DOWNLOAD_URL", site.url("/downloads/")};

  os::ChildProcess program = startProgram({"--production"});
  EXPECT_EQ(waitForExit(program, 30s), 0) << readFile("Log.txt");
  const auto lines = readLines("Log.txt");
  EXPECT_NE(findLine(lines, "airports updated to 2.0.0"), lines.end()) << readFile("Log.txt");
  EXPECT_NE(findLine(lines, fmt::format("{:5} airports read", rows + 1)), lines.end()) << readFile("Log.txt");
  EXPECT_EQ(readFile("input/airports.enc"), readFile("new_airports.enc"));
  const std::string parameters = readFile(folder.path() / "config" / "Quillstar" / "parameters.xml");
  EXPECT_NE(parameters.find(R"(name="AIRPORTS_VERSION" value="2.0.0")"), std::string::npos) << parameters;
  std::vector<std::string> paths;
  for (const auto& request : site.requests()) {
    paths.push_back(request.path);
    EXPECT_EQ(request.userAgent, "QLST");
  }
  EXPECT_NE(std::find(paths.begin(), paths.end(), "/downloads/versions.json"), paths.end());
  EXPECT_NE(std::find(paths.begin(), paths.end(), tablePath), paths.end());
}

}  // namespace

namespace {

// The resident memory of a process in kB; 0 when it cannot be read.
long residentKb(const os::ChildProcess& program) {
  return static_cast<long>(program.residentKb().value_or(0));
}

TEST(Process, AFloodOfDatagramsLeavesMemoryAndLogBounded) {
  testing_support::PreparedWorkingFolder folder;
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");
  // Freed memory goes back at once instead of into the sanitizer's quarantine, so that the
  // resident size measures what the program keeps.
  testing_support::ScopedEnv sanitizer{"ASAN_OPTIONS", "quarantine_size_mb=1:detect_leaks=0"};

  os::ChildProcess program = startProgram();
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << readFile("Log.txt");
  std::this_thread::sleep_for(500ms);
  const long rssBefore = residentKb(program);
  const auto logBefore = std::filesystem::file_size("Log.txt");
  ASSERT_GT(rssBefore, 0);

  const std::vector<std::string> valid = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  ASSERT_GT(valid.size(), 2u);
  // A sample line with a latitude of 1,500 bytes that is none.
  const auto withLatitude = [&](const std::string& latitude) {
    std::string line = valid[0];
    const std::size_t first = line.find(',', line.find(',') + 1) + 1;
    return line.replace(first, line.find(',', first) - first, latitude);
  };
  const std::string invalid = withLatitude("north" + std::string(1500, 'x'));
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  const auto send = [&](const std::string& text) {
    (void)sender.sendTo(std::span<const char>(text.data(), text.size()),
                        {net::kLoopbackAddress, traffic.port()});
  };
  const auto floodEnd = std::chrono::steady_clock::now() + 60s;
  for (int i = 0; i < 200000 && std::chrono::steady_clock::now() < floodEnd; ++i) {
    send(valid[static_cast<std::size_t>(i) % valid.size()]);  // never the same line twice in a row
    send(invalid);
    if (i % 256 == 0) std::this_thread::yield();  // let the reader keep up a little
  }
  std::this_thread::sleep_for(2s);

  ASSERT_FALSE(waitForExit(program, 0ms).has_value()) << "the program ended under the flood";
  const long rssAfter = residentKb(program);
  EXPECT_LT(rssAfter - rssBefore, 50 * 1024) << rssBefore << " kB -> " << rssAfter << " kB";
  EXPECT_LT(std::filesystem::file_size("Log.txt") - logBefore, 1u << 20);
  // The reader still takes datagrams: a bad one after a quiet second is logged again. The log
  // reaches the file at the main cycle's flush every 15 s.
  std::this_thread::sleep_for(1100ms);
  send(withLatitude("south"));
  EXPECT_TRUE(waitForLogLine("error lines suppressed", 20s)) << [] {
    const std::string log = readFile("Log.txt");
    return log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
  }();

  // Valid lines sent after the flood still become an aircraft in the simulator: an airliner the
  // flood never named, reported twice. Its records wait behind what the flood left in the queue
  // (at most 30 s of draining) and are due 30 s after they arrived.
  const auto renamed = [](std::string line) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"4008125", "4008999"},
                                   {"BAW918", "BAW77Q"},
                                   {"G-VIIA", "G-QSTA"}})
      line.replace(line.find(from), from.size(), to);
    return line;
  };
  const auto first = findLine(valid, "BAW918");
  ASSERT_NE(first, valid.end());
  const auto second =
      std::find_if(first + 1, valid.cend(), [](const std::string& l) { return l.find("BAW918") != l.npos; });
  ASSERT_NE(second, valid.cend());
  send(renamed(*first));
  send(renamed(*second));
  const auto created = [] {
    for (const std::string& line : readLines("journal.jsonl")) {
      const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
      if (!entry.is_discarded() && entry.value("call", "") == "create" && entry.value("tail", "") == "BAW77Q")
        return entry.value("ok", false);
    }
    return false;
  };
  EXPECT_TRUE(testing_support::waitFor(created, 75s)) << "no aircraft for the lines sent after the flood";

  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(waitForExit(program, 20s), 0);
  const auto lines = readLines("Log.txt");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), lines.end());
}

}  // namespace

namespace {

TEST(Process, TheWindowTextShowsTheWindowKeptOnTheMonitor) {
  // A coordinate at the end of its range takes the default place; a place off the screen's lower
  // right is pulled back until 48 pixels of the window show: 1872,992 on the headless window's
  // 1920 x 1040 work area; a real screen (Windows) may be smaller, so there that case's expected
  // place is empty, and only checked to lie between the default place and the stored one.
  constexpr bool kRealScreen = std::filesystem::path::preferred_separator == '\\';
  const std::pair<std::string, std::string> cases[] = {{"30000", "400,20"},
                                                       {"1900/1030", kRealScreen ? "" : "1872,992"}};
  for (const auto& [stored, expected] : cases) {
    const auto slash = stored.find('/');
    const std::string x = slash == std::string::npos ? stored : stored.substr(0, slash);
    const std::string y = slash == std::string::npos ? stored : stored.substr(slash + 1);
    testing_support::PreparedWorkingFolder folder({{"MAIN_WINDOW_X", x}, {"MAIN_WINDOW_Y", y}});
    FreeReaderPorts ports;
    os::ChildProcess pid = startProgram({"--window-text", "window.txt"});
    // One reading serves every check: the file is replaced while the program runs.
    std::vector<std::string> lines;
    ASSERT_TRUE(testing_support::waitFor(
        [&] {
          lines = readLines("window.txt");
          return !lines.empty() && lines.front().starts_with("window \"Quillstar\"");
        },
        10s));
    const std::string first = lines.front();
    const std::string shown =
        first.substr(first.find(" at ") + 4, first.find(" topmost") - first.find(" at ") - 4);
    if (!expected.empty()) {
      EXPECT_EQ(shown, expected) << first;
    } else {
      const int shownX = std::stoi(shown.substr(0, shown.find(',')));
      const int shownY = std::stoi(shown.substr(shown.find(',') + 1));
      EXPECT_TRUE(shownX > 400 && shownX < 1900 && shownY > 20 && shownY < 1030) << first;
    }
    int controls = 0;
    for (const std::string& line : lines) controls += line.starts_with("control ");
    EXPECT_EQ(controls, 43) << testing::PrintToString(lines);
    // The liveries of the folder's list, once the start-up has built the tables.
    EXPECT_TRUE(testing_support::waitFor(
        [] {
          return readFile("window.txt").find("text 5,91 #32CD32 \"# liveries: 11\"\n") != std::string::npos;
        },
        20s))
        << readFile("window.txt");
    ASSERT_TRUE(pid.requestClose());
    EXPECT_EQ(waitForExit(pid, 10s), 0);
    const std::string parameters = readFile(folder.path() / "config" / "Quillstar" / "parameters.xml");
    const std::string& where = shown;
    EXPECT_NE(parameters.find("name=\"MAIN_WINDOW_X\" value=\"" + where.substr(0, where.find(',')) + "\""),
              std::string::npos);
    EXPECT_NE(parameters.find("name=\"MAIN_WINDOW_Y\" value=\"" + where.substr(where.find(',') + 1) + "\""),
              std::string::npos);
  }
}

}  // namespace
