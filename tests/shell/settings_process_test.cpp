// The program started whole on a damaged "parameters.xml": the start-up goes on to the simulator.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/utf.h"
#include "prepared_folder.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readFile;
using testing_support::writeFile;

// A file nested 10,000 deep (saved indented, it grew to 200 MB) and a destination that is no
// UTF-8 (it ended the start-up as a system error): the file stays in proportion, the destination
// is refused by name, and the start-up reaches the wait for the simulator.
TEST(SettingsProcess, ADamagedSettingsFileStillStartsTheRun) {
  const std::map<std::string, std::string> settings{{"DESTINATION",
                                                     "\xE9"
                                                     "DDF"}};
  testing_support::PreparedWorkingFolder folder(settings);
  const testing_support::ScopedEnv traffic{"QLST_TRAFFIC_PORT", "0"};
  const testing_support::ScopedEnv qnh{"QLST_QNH_PORT", "0"};
  const std::filesystem::path parameters = folder.path() / "config" / "Quillstar" / "parameters.xml";
  std::string text = readFile(parameters);
  std::string nested;
  for (int i = 0; i < 10000; ++i) nested += "<a>";
  for (int i = 0; i < 10000; ++i) nested += "</a>";
  text.insert(text.find("  </parameters>"), nested + "\n");
  writeFile(parameters, text);

  os::ChildProcess program = testing_support::startProgram();
  ASSERT_TRUE(testing_support::waitForLogLine("Waiting for MSFS 2020 ...", 30s)) << readFile("Log.txt");
  EXPECT_LE(std::filesystem::file_size(parameters), 3 * text.size());
  ASSERT_TRUE(program.requestClose());
  EXPECT_EQ(testing_support::waitForExit(program, 10s), 0);
  const std::string log = readFile("Log.txt");
  EXPECT_NE(log.find("==> DESTINATION \"\\xe9DDF\" in " + orv::gf_pathToUtf8(parameters) +
                     " refused (no UTF-8 text), the default is taken"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("SYSTEM ERROR"), std::string::npos);
  EXPECT_TRUE(orv::gf_isUtf8(readFile(parameters)));
  EXPECT_LE(std::filesystem::file_size(parameters), 3 * text.size());
}

}  // namespace
