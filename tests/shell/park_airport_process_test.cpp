// The park airport in a whole run of the program against the stand-in: chosen on the ground,
// loaded, and its learned file saved when the program is ended.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/data_cipher.h"
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
using testing_support::writeFile;

// Degrees of latitude per metre.
constexpr double kDegPerMetre = 1.0 / 1852.0 / 60.0;

std::string standFile(const std::string& name, const std::string& id, double latitude) {
  return "<?xml version=\"1.0\"?><root><meta><info name=\"author\" value=\"QLST\"/>"
         "<info name=\"version\" value=\"11.12.1\"/><info name=\"copyright\" value=\"c\"/></meta><parameters>"
         "<parameter name=\"airport_name\" value=\"" +
         name +
         "\"/><parameter name=\"publisher\" value=\"Test Scenery\"/><parameter name=\"altitude\" "
         "value=\"100\"/>"
         "</parameters><parkpositions><parkpos id=\"" +
         id + "\" latitude=\"" + std::to_string(latitude) +
         "\" longitude=\"10.000000\" heading=\"0\" radius=\"20\"/></parkpositions></root>";
}

TEST(ParkAirportProcess, OnTheGroundBetweenTwoAirportsTheNearerStandChoosesAndItsLearnedFileIsSavedAtTheEnd) {
  // No add-on airport scan: it would make "my_thirdparty" afresh.
  testing_support::PreparedWorkingFolder folder(
      std::map<std::string, std::string>{{"SCAN_AIRPORTS", "false"}});
  // The user stands at 10 N 10 E: Bravo's reference point is 2 nm away, Alpha's 3 nm, but a stand
  // of Alpha is 20 m away and Bravo's only stand 1 nm.
  writeFile("airports.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <airports>\n"
            "    <ap c=\"EDAA\" la=\"9.95\" lo=\"10.0\" a=\"100\" s=\"0\" />\n"
            "    <ap c=\"EDBB\" la=\"10.0333333\" lo=\"10.0\" a=\"100\" s=\"0\" />\n"
            "  </airports>\n</root>\n");
  orv::gf_streamEncrypt("airports.xml", "input/airports.enc");
  fs::remove("airports.xml");
  fs::create_directories("airports/my_thirdparty");
  writeFile("airports/my_thirdparty/EDAA.xml", standFile("Alpha Field", "S1", 10.0 - 20.0 * kDegPerMetre));
  writeFile("airports/my_thirdparty/EDBB.xml", standFile("Bravo Field", "B1", 10.0 + 1.0 / 60.0));
  writeFile("scenario.json", R"({"user": {"lat": 10.0, "lon": 10.0, "alt_ft": 100, "ground_alt_ft": 100,
    "on_ground": true}})");
  testing_support::ScopedEnv scenario("QLST_STANDIN", "scenario.json");
  testing_support::ScopedEnv journal("QLST_STANDIN_JOURNAL", "journal.jsonl");
  const std::uint16_t port = testing_support::freeUdpPort();
  ASSERT_NE(port, 0);
  testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", std::to_string(port)};
  testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};

  os::ChildProcess program = testing_support::startProgram();
  ASSERT_TRUE(waitForLogLine("Traffic Reader connected", 30s)) << readFile("Log.txt");
  // One line of traffic: the run need not wait for it any longer and starts its cycle.
  const std::vector<std::string> sample = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  ASSERT_FALSE(sample.empty());
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  (void)sender.sendTo(std::span<const char>(sample[0].data(), sample[0].size()),
                      {net::kLoopbackAddress, port});

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
