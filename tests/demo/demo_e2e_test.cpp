// The demo from end to end: the program as a process of its own in a prepared working folder,
// the simulator stand-in inside it (the user parked at Frankfurt), and the demo's recording sent
// to its Traffic Reader. Each of the recording's three aircraft must be created in the simulator,
// moved there and removed by the program once its reports have ended, as the stand-in's journal
// tells.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/geometry.h"
#include "platform/net/socket.h"
#include "prepared_folder.h"
#include "replay/replay.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readFile;
using testing_support::readLines;

// Faster than recorded: the aircraft still play 30 s behind their reports, and fly on for 64 s
// once these end, so the run takes about two minutes whatever the factor.
constexpr double kReplaySpeed = 4.0;
constexpr auto kRemovalLimit = 4min;

// What the journal tells of one aircraft, by its tail number.
struct Seen {
  std::uint32_t object = 0;
  int creations = 0;
  std::optional<std::int64_t> createdMs;
  std::vector<orv::Position> positions;
  int removals = 0;       // by the program: no reason given
  int otherRemovals = 0;  // by the simulator, or at the end of the connection
  std::optional<std::int64_t> removedMs;
};

std::map<std::string, Seen> readJournal(const std::filesystem::path& path) {
  std::map<std::string, Seen> seen;
  std::map<std::uint32_t, std::string> tailOf;
  for (const std::string& line : readLines(path)) {
    const auto e = nlohmann::json::parse(line, nullptr, false);
    if (e.is_discarded() || !e.contains("call")) continue;
    const std::string call = e["call"];
    if (call == "create" && e.value("ok", false)) {
      Seen& s = seen[e["tail"]];
      s.object = e["object"];
      ++s.creations;
      s.createdMs = e["t_ms"].get<std::int64_t>();
      tailOf[s.object] = e["tail"];
    } else if (call == "position" && tailOf.contains(e["object"])) {
      seen[tailOf[e["object"]]].positions.push_back({e["lat"].get<double>(), e["lon"].get<double>()});
    } else if (call == "remove" && e.value("ok", false) && tailOf.contains(e["object"])) {
      Seen& s = seen[tailOf[e["object"]]];
      if (e.contains("reason")) {
        ++s.otherRemovals;
      } else {
        ++s.removals;
        s.removedMs = e["t_ms"].get<std::int64_t>();
      }
    }
  }
  return seen;
}

TEST(Demo, EachAircraftOfTheRecordingIsCreatedMovedAndRemovedByTheProgram) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"AEROWINX", "true"}});
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);
  testing_support::ScopedEnv journal{"QLST_STANDIN_JOURNAL", "journal.jsonl"};

  os::ChildProcess program = testing_support::startProgram();
  ASSERT_TRUE(testing_support::waitForLogLine("Traffic Reader connected", 60s)) << readFile("Log.txt");

  // The first line ends the start-up's wait for traffic; the main cycle takes those after it.
  const std::vector<std::string> lines = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  ASSERT_GT(lines.size(), 30u);
  replay::Pacing pacing;
  pacing.speed = kReplaySpeed;
  const double now =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  const auto start = std::chrono::steady_clock::now();
  for (const replay::PlannedLine& line : replay::plan(lines, pacing, now)) {
    std::this_thread::sleep_until(start + line.due);
    (void)sender.sendTo(line.text, net::Ipv4Endpoint{net::kLoopbackAddress, traffic.port()});
  }

  std::map<std::string, Seen> seen;
  const auto allRemoved = [&] {
    seen = readJournal("journal.jsonl");
    return seen.size() >= 3 &&
           std::all_of(seen.begin(), seen.end(), [](const auto& s) { return s.second.removals > 0; });
  };
  EXPECT_TRUE(testing_support::waitFor(allRemoved, kRemovalLimit)) << readFile("Log.txt");
  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(testing_support::waitForExit(program, 30s), 0);

  seen = readJournal("journal.jsonl");
  std::vector<std::string> tails;
  for (const auto& [tail, s] : seen) tails.push_back(tail);
  EXPECT_EQ(tails, (std::vector<std::string>{"BAW918", "CFG1TK", "DLH4AM"}));
  for (const auto& [tail, s] : seen) {
    SCOPED_TRACE(tail);
    EXPECT_EQ(s.creations, 1);
    EXPECT_EQ(s.removals, 1);
    EXPECT_EQ(s.otherRemovals, 0);
    ASSERT_TRUE(s.createdMs && s.removedMs);
    EXPECT_LT(*s.createdMs, *s.removedMs);
    // Moved about once a second in the journal, along its way.
    ASSERT_GE(s.positions.size(), 20u);
    EXPECT_GT(orv::gf_distanceNm(s.positions.front(), s.positions.back()), 1.0);
  }
}

}  // namespace
