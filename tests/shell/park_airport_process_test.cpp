// The park airport in a whole run of the program against the stand-in: chosen on the ground,
// loaded, and its learned file saved when the program is ended.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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
using testing_support::waitForExit;
using testing_support::waitForLogLine;

TEST(ParkAirportProcess, OnTheGroundBetweenTwoAirportsTheNearerStandChoosesAndItsLearnedFileIsSavedAtTheEnd) {
  // No add-on airport scan: it would make "my_thirdparty" afresh.
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}});
  // The user stands nearer to Bravo's reference point, but nearer still to a stand of Alpha.
  testing_support::writeAlphaAndBravoFields();
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");
  const testing_support::ScopedTrafficPort traffic;
  ASSERT_NE(traffic.port(), 0);

  os::ChildProcess program = testing_support::startProgram();
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << readFile("Log.txt");
  // One line of traffic: the run need not wait for it any longer and starts its cycle.
  const std::vector<std::string> sample = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  ASSERT_FALSE(sample.empty());
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  (void)sender.sendTo(std::span<const char>(sample[0].data(), sample[0].size()),
                      {net::kLoopbackAddress, traffic.port()});

  // Chosen at the first update of the cycle, loaded 16 ticks later.
  // The program names its files with the system's path separator.
  const std::string readLine = "Airport file read from '" +
                               (fs::path("airports") / "my_thirdparty" / "EDAA.xml").string() +
                               "' for Alpha Field";
  const std::string savedLine =
      "'" + (fs::path("airports") / "learned" / "thirdparty" / "Test Scenery" / "EDAA.xml").string() +
      "' saved with 0 updates";
  ASSERT_TRUE(waitForLogLine(readLine, 40s)) << readFile("Log.txt");
  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(waitForExit(program, 20s), 0);

  const auto lines = readLines("Log.txt");
  const auto at = [&](std::string_view text) { return findLine(lines, text); };
  const auto closer =
      at("Airport EDBB is closest, but stand S1 at neighbouring airport EDAA is closer at 20 meters");
  const auto ground = at("User aircraft on the ground at EDAA");
  const auto chosen = at("The park airport is EDAA");
  const auto read = at(readLine);
  const auto exiting = at("Exiting: USER CLOSED SIM");
  const auto saved = at(savedLine);
  ASSERT_NE(saved, lines.end()) << readFile("Log.txt");
  EXPECT_LT(closer, ground);
  EXPECT_LT(ground, chosen);
  EXPECT_LT(chosen, read);
  EXPECT_LT(read, exiting);
  EXPECT_LT(exiting, saved);
  EXPECT_EQ(at("The park airport is EDBB"), lines.end());

  const std::string learned = readFile("airports/learned/thirdparty/Test Scenery/EDAA.xml");
  EXPECT_NE(learned.find(R"(<parameter name="airport_name" value="Alpha Field" />)"), std::string::npos)
      << learned;
  EXPECT_NE(learned.find(R"(<parameter name="RANGE")"), std::string::npos) << learned;
}

}  // namespace
