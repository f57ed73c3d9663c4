#include "foundation/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "foundation/run_control.h"
#include "foundation/utf.h"
#include "platform/os/clock.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using Log = testing_support::FreshFoundationTest;

TEST_F(Log, OpeningShiftsThreeGenerationsAndWritesTheBanner) {
  WorkingFolder folder;
  writeFile("Log.txt", "run 3\n");
  writeFile("Log0.txt", "run 2\n");
  writeFile("Log00.txt", "run 1\n");
  os::FakeClock fake;  // Wed Dec 09 08:00:13 2026
  os::ScopedClock scoped(fake);
  orv::gf_openLog();
  orv::gf_flushLog();
  EXPECT_EQ(readFile("Log0.txt"), "run 3\n");
  EXPECT_EQ(readFile("Log00.txt"), "run 2\n");
  EXPECT_EQ(readFile("Log000.txt"), "run 1\n");
  EXPECT_EQ(readFile("Log.txt"),
            "Wed Dec 09 08:00:13 2026 (utc) Quillstar version 11.12.1 for MSFS 2020/2024\n");
}

// An open log is not left writing into the file of an earlier opening.
TEST_F(Log, OpeningAgainStartsANewFileInTheCurrentFolder) {
  WorkingFolder first;
  orv::gf_openLog();
  orv::gf_logLine("first line");
  {
    WorkingFolder second;
    orv::gf_openLog();
    orv::gf_logLine("second line");
    orv::gf_flushLog();
    const auto lines = readLines("Log.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "second line");
  }
  orv::gf_flushLog();
  EXPECT_EQ(readLines("Log.txt").size(), 2u);  // the first file got its line and no more
  EXPECT_EQ(readLines("Log.txt")[1], "first line");
}

TEST_F(Log, OnlyTheGenerationsWhoseSourceExistsAreMade) {
  WorkingFolder folder;
  writeFile("Log.txt", "previous\n");
  orv::gf_openLog();
  EXPECT_EQ(readFile("Log0.txt"), "previous\n");
  EXPECT_FALSE(std::filesystem::exists("Log00.txt"));
  EXPECT_FALSE(std::filesystem::exists("Log000.txt"));
}

TEST_F(Log, FailedBackupIsReportedInTheNewLog) {
  WorkingFolder folder;
  writeFile("Log.txt", "previous\n");
  std::filesystem::create_directory("Log0.txt");  // a folder where the copy must go
  orv::gf_openLog();
  orv::gf_flushLog();
  const auto lines = readLines("Log.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].find(" (utc) Quillstar version") != std::string::npos);
  // The folder cannot be copied into generation 2 either.
  EXPECT_TRUE(lines[1].starts_with("==> copy Log0.txt -> Log00.txt failed: ")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("==> copy Log.txt -> Log0.txt failed: ")) << lines[2];
}

TEST_F(Log, LineShapesAndWhatIsFlushed) {
  WorkingFolder folder;
  orv::gf_logLine("before the open is lost");
  orv::gf_openLog();
  orv::gf_logLine("plain");
  orv::gf_logIndented("continued");
  orv::gf_logImportant("warning");
  // The important line flushes everything before it, without a call of gf_flushLog.
  const std::string text = readFile("Log.txt");
  const auto body = text.substr(text.find('\n') + 1);
  EXPECT_EQ(body, "plain\n          continued\n==> warning\n");
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

// Bytes from a datagram or a damaged file: the line in the file stays UTF-8.
TEST_F(Log, BytesThatAreNoUtf8AreEscaped) {
  WorkingFolder folder;
  orv::gf_openLog();
  orv::gf_logLine("exception in processLineSub: timestamp \xFF\xFE\xC3( incorrect");
  orv::gf_logImportant(
      "caf\xC3\xA9 \xE9"
      "DDF");
  orv::gf_logIndented("\xF0\x9F");
  orv::gf_closeLog();
  const auto lines = readLines("Log.txt");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "exception in processLineSub: timestamp \\xff\\xfe\\xc3( incorrect");
  EXPECT_EQ(lines[2], "==> caf\xC3\xA9 \\xe9DDF");
  EXPECT_EQ(lines[3], "          \\xf0\\x9f");
  EXPECT_TRUE(orv::gf_isUtf8(readFile("Log.txt")));
}

TEST_F(Log, UnlessStoppingWritesOnlyWhileTheRunGoesOn) {
  WorkingFolder folder;
  const std::pair<const char*, void (*)()> flags[] = {
      {"closing", [] { orv::gf_raiseClosing(); }},
      {"run stop", [] { (void)orv::gf_endRun(orv::ExitReason::SimWasClosed, 0); }},
  };
  for (const auto& [name, raise] : flags) {
    SCOPED_TRACE(name);
    orv::gf_resetRunControl();
    orv::gf_openLog();
    orv::gf_logUnlessStopping("still running");
    raise();
    orv::gf_logUnlessStopping("stopping");
    orv::gf_flushLog();
    const auto lines = readLines("Log.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "still running");
  }
}

TEST_F(Log, LinesOfManyThreadsNeverInterleave) {
  WorkingFolder folder;
  orv::gf_openLog();
  std::vector<std::jthread> writers;
  for (int t = 0; t < 8; ++t) {
    writers.emplace_back([t] {
      const std::string line(200, static_cast<char>('a' + t));
      for (int i = 0; i < 200; ++i) orv::gf_logLine(line);
    });
  }
  writers.clear();
  orv::gf_flushLog();
  const auto lines = readLines("Log.txt");
  ASSERT_EQ(lines.size(), 1u + 8 * 200);
  const std::regex whole("([a-h])\\1{199}");
  for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_TRUE(std::regex_match(lines[i], whole)) << lines[i];
}

TEST_F(Log, AFolderThatCannotBeWrittenFailsTheOpen) {
  WorkingFolder folder;
  std::filesystem::create_directory("Log.txt");
  try {
    orv::gf_openLog();
    ADD_FAILURE() << "opened";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to write file Log.txt");
  }
}

}  // namespace
