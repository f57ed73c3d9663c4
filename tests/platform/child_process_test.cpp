#include "platform/os/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

os::ChildProcess startChild(const std::vector<std::string>& arguments,
                            const os::ChildProcess::Output& output = {}) {
  auto child = os::ChildProcess::start(QUILLSTAR_TEST_CHILD, arguments, output);
  if (!child) throw std::runtime_error("cannot start " QUILLSTAR_TEST_CHILD);
  return std::move(*child);
}

// The lines a child wrote to its standard output; Windows ends them with CR LF there.
std::vector<std::string> outputLines(const std::filesystem::path& path) {
  std::vector<std::string> lines = testing_support::readLines(path);
  for (std::string& line : lines)
    if (line.ends_with('\r')) line.pop_back();
  return lines;
}

bool childIsWaiting() {
  return outputLines("out.txt") == std::vector<std::string>{"waiting"};
}

// Each argument reaches the child as it was, whatever the system's command line makes of blanks,
// quotes and backslashes.
TEST(ChildProcess, ArgumentsArriveAsTheyWereGiven) {
  testing_support::WorkingFolder folder;
  const std::vector<std::string> texts = {"plain",
                                          "with blank",
                                          "quote\"inside",
                                          "back\\slash",
                                          "ends\\",
                                          "ends\\\\",
                                          "\\\"both\\\"",
                                          "tab\there",
                                          "Gr\xC3\xBC\xC3\x9F"
                                          "e \xE2\x9C\x88",
                                          "--flag=a b",
                                          "x"};
  std::vector<std::string> arguments{"echo"};
  arguments.insert(arguments.end(), texts.begin(), texts.end());
  os::ChildProcess child = startChild(arguments, {"out.txt", "err.txt"});
  ASSERT_EQ(child.waitForExit(30s), 0);
  EXPECT_EQ(outputLines("out.txt"), texts);
}

TEST(ChildProcess, TheExitCodeComesBack) {
  for (const int code : {0, 3, 42}) {
    os::ChildProcess child = startChild({"exit", std::to_string(code)});
    EXPECT_EQ(child.waitForExit(30s), code);
    EXPECT_EQ(child.waitForExit(0ms), code) << "a second look sees the same end";
  }
  os::ChildProcess child = startChild({"exit", "-1"});
  EXPECT_EQ(child.waitForExit(30s), os::exitCodeSeenByParent(-1));
}

TEST(ChildProcess, ARequestToCloseReachesTheChildsCloseHandler) {
  testing_support::WorkingFolder folder;
  os::ChildProcess child = startChild({"wait"}, {"out.txt", ""});
  ASSERT_TRUE(testing_support::waitFor(childIsWaiting, 30s));
  EXPECT_FALSE(child.waitForExit(0ms).has_value());
  EXPECT_TRUE(child.residentKb().value_or(0) > 0);
  ASSERT_TRUE(child.requestClose());
  EXPECT_EQ(child.waitForExit(30s), 7);
  EXPECT_FALSE(child.residentKb().has_value()) << "an ended process holds no memory";
}

TEST(ChildProcess, KillEndsAChildAndAMissingProgramDoesNotStart) {
  testing_support::WorkingFolder folder;
  {
    os::ChildProcess child = startChild({"wait"}, {"out.txt", ""});
    ASSERT_TRUE(testing_support::waitFor(childIsWaiting, 30s));
    child.kill();
    const auto code = child.waitForExit(0ms);
    ASSERT_TRUE(code.has_value());
    EXPECT_NE(*code, 7) << "killed, not closed";
  }
  // The owner's end kills a child that still runs, and returns.
  { os::ChildProcess running = startChild({"wait"}); }
  EXPECT_FALSE(os::ChildProcess::start(folder.path() / "no-such-program", {}).has_value());
}

}  // namespace
