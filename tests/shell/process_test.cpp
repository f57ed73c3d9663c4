// The program as a whole, started as a process of its own in a prepared working folder.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::writeFile;

pid_t startProgram() {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(QUILLSTAR_PROGRAM, QUILLSTAR_PROGRAM, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// The exit status, or nothing when the process has not ended within the time.
std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    std::this_thread::sleep_for(20ms);
  }
  return std::nullopt;
}

bool waitForLogLine(const std::string& text, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (readFile("Log.txt").find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

// Kills the program when a test ends early, so that no instance outlives its test.
struct ProgramGuard {
  pid_t pid;
  ~ProgramGuard() {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

TEST(Process, OneInstanceRunsUntilSigtermEndsItThroughTheClosePath) {
  testing_support::WorkingFolder folder;
  std::filesystem::create_directory("docs");
  writeFile("Log.txt", "third\n");
  writeFile("Log0.txt", "second\n");
  writeFile("Log00.txt", "first\n");

  const pid_t first = startProgram();
  ProgramGuard guard{first};
  ASSERT_TRUE(waitForLogLine("(utc) Quillstar version", 10s)) << readFile("Log.txt");
  EXPECT_EQ(readFile("Log0.txt"), "third\n");
  EXPECT_EQ(readFile("Log00.txt"), "second\n");
  EXPECT_EQ(readFile("Log000.txt"), "first\n");
  const std::string logOfFirst = readFile("Log.txt");

  const pid_t second = startProgram();
  EXPECT_EQ(waitForExit(second, 10s), 255);  // -1
  EXPECT_EQ(readFile("Log.txt"), logOfFirst);
  EXPECT_EQ(readFile("Log0.txt"), "third\n");

  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(waitForExit(first, 10s), 0);
  guard.pid = 0;
  const auto lines = readLines("Log.txt");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines.front().find(" (utc) Quillstar version 11.12.1 for MSFS 2020/2024") == 24) << lines.front();
  // The closing down's saves of the settings follow this line.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), lines.end());
}

}  // namespace
