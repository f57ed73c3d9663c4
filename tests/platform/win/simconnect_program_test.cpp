// quillstar.exe with the simulator's client library as users run it: without any SimConnect.dll
// (the program says where to get it and keeps waiting until closed), and with our test library
// beside it sending malformed records among its sound ones (each fault is logged once and the
// aircraft keep moving).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/socket.h"
#include "prepared_folder.h"
#include "replay/replay.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readFile;
using testing_support::readLines;

std::size_t count(const std::string& text, std::string_view part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

TEST(SimConnectProgram, WithoutTheLibraryTheProgramSaysWhereToGetItWaitsAndClosesCleanly) {
  testing_support::PreparedWorkingFolder folder;
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
  // The program alone in a folder of its own, no library beside it nor on the search path.
  testing_support::TempFolder programFolder;
  const std::filesystem::path program = programFolder.path() / "quillstar.exe";
  std::filesystem::copy_file(QUILLSTAR_PROGRAM, program);

  auto started = os::ChildProcess::start(program, {});
  ASSERT_TRUE(started.has_value());
  os::ChildProcess& process = *started;
  const std::string told =
      "SimConnect.dll not found: copy SimConnect.dll from the MSFS SDK (its \"SimConnect SDK\\lib\" folder) "
      "beside quillstar.exe";
  ASSERT_TRUE(testing_support::waitForLogLine(told, 10s)) << readFile("Log.txt");
  // The open is tried again and again, as while no simulator runs; the user is told once.
  std::this_thread::sleep_for(1500ms);
  EXPECT_FALSE(testing_support::waitForExit(process, 0ms).has_value());
  const std::string log = readFile("Log.txt");
  EXPECT_EQ(count(log, told), 1u) << log;
  EXPECT_LT(log.find("Waiting for MSFS 2020 ..."), log.find(told)) << log;
  EXPECT_EQ(log.find(" connected"), std::string::npos) << log;

  ASSERT_TRUE(process.requestClose());
  EXPECT_EQ(testing_support::waitForExit(process, 30s), 0) << readFile("Log.txt");
}

TEST(SimConnectProgram, MalformedRecordsAreLoggedOnceEachAndTheAircraftKeepMoving) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"AEROWINX", "true"}});
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);
  testing_support::ScopedEnv journal{"QLST_STANDIN_JOURNAL", "journal.jsonl"};
  testing_support::ScopedEnv malformed{"QLST_STANDIN_MALFORMED", "1"};

  os::ChildProcess program = testing_support::startProgram();
  ASSERT_TRUE(testing_support::waitForLogLine("Traffic Reader connected", 60s)) << readFile("Log.txt");
  ASSERT_NE(readFile("Log.txt").find("SimConnect.dll loaded from "), std::string::npos)
      << readFile("Log.txt");

  // The recording, fast, until the program has positioned its aircraft many times.
  const std::vector<std::string> lines = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  replay::Pacing pacing;
  pacing.speed = 8.0;
  const double now =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  const auto positions = [] {
    std::size_t n = 0;
    for (const std::string& line : readLines("journal.jsonl")) {
      const auto e = nlohmann::json::parse(line, nullptr, false);
      if (!e.is_discarded() && e.value("call", "") == "position") ++n;
    }
    return n;
  };
  const auto start = std::chrono::steady_clock::now();
  for (const replay::PlannedLine& line : replay::plan(lines, pacing, now)) {
    std::this_thread::sleep_until(start + line.due);
    (void)sender.sendTo(line.text, net::Ipv4Endpoint{net::kLoopbackAddress, traffic.port()});
  }
  EXPECT_TRUE(testing_support::waitFor([&] { return positions() >= 50; }, 90s)) << readFile("Log.txt");

  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(testing_support::waitForExit(program, 30s), 0);
  const std::string log = readFile("Log.txt");
  for (const std::string_view fault : {
           "SimConnect: short record of kind 4 (16 bytes, 24 needed), skipped (logged once)",
           "SimConnect: record of unknown kind 99, skipped (logged once)",
           "SimConnect: text without its terminating zero in a record of kind 8, skipped (logged once)",
       })
    EXPECT_EQ(count(log, fault), 1u) << fault << "\n" << log;
  // None of them reached the program: the short "Sim" event would have stopped the flight.
  EXPECT_EQ(log.find("Unknown Dispatch dwID"), std::string::npos) << log;
  EXPECT_EQ(log.find("Flight not running"), std::string::npos) << log;
}

}  // namespace
