#include "platform/os/open_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ScopedEnv;

// Whether the condition holds within the time, tested every 10 ms.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

std::filesystem::path writeOpener(const std::filesystem::path& folder, const std::string& script) {
  auto opener = folder / "opener";
  testing_support::writeFile(opener, "#!/bin/sh\n" + script);
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  return opener;
}

// An opener that ends at once gives its own verdict; one that cannot be started fails.
TEST(OpenFolder, AQuickOpenerGivesItsVerdict) {
  struct Case {
    const char* opener;
    bool opened;
  };
  for (const Case c :
       {Case{"true", true}, Case{"false", false}, Case{"quillstar-no-such-file-manager", false}}) {
    SCOPED_TRACE(c.opener);
    ScopedEnv env("QUILLSTAR_FOLDER_OPENER", c.opener);
    EXPECT_EQ(os::openFolder("/tmp"), c.opened);
  }
}

// A file manager that stays in the foreground keeps its opener running: the caller goes on at
// once, and the opener, once ended, leaves no zombie process behind.
TEST(OpenFolder, TheOpenerIsNotWaitedForAndIsReapedWhenItEnds) {
  testing_support::TempFolder folder;
  const auto opener =
      writeOpener(folder.path(), "echo $$ > \"$1/pid.tmp\"\nmv \"$1/pid.tmp\" \"$1/pid\"\nexec sleep 30\n");
  ScopedEnv env("QUILLSTAR_FOLDER_OPENER", opener.string());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(os::openFolder(folder.path()));  // still running: counts as started
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(folder.path() / "pid"); }, 10s));
  const int pid = std::stoi(testing_support::readFile(folder.path() / "pid"));
  const std::filesystem::path process = "/proc/" + std::to_string(pid);
  EXPECT_TRUE(std::filesystem::exists(process));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  // A zombie keeps its /proc entry until its parent reaps it.
  EXPECT_TRUE(waitFor([&] { return !std::filesystem::exists(process); }, 10s));
}

// The program's threads block SIGINT and SIGTERM (os::CloseSignals); the file manager must not
// inherit that, or it could not be stopped by them.
TEST(OpenFolder, TheFileManagerStartsWithNoSignalsBlocked) {
  testing_support::TempFolder folder;
  const auto opener = writeOpener(
      folder.path(), "grep SigBlk /proc/self/status > \"$1/mask.tmp\"\nmv \"$1/mask.tmp\" \"$1/mask\"\n");
  sigset_t closeSignals;
  sigemptyset(&closeSignals);
  sigaddset(&closeSignals, SIGINT);
  sigaddset(&closeSignals, SIGTERM);
  sigset_t before;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &closeSignals, &before), 0);
  ScopedEnv env("QUILLSTAR_FOLDER_OPENER", opener.string());
  const bool started = os::openFolder(folder.path());
  ASSERT_EQ(pthread_sigmask(SIG_SETMASK, &before, nullptr), 0);
  ASSERT_TRUE(started);
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(folder.path() / "mask"); }, 10s));
  EXPECT_EQ(testing_support::readFile(folder.path() / "mask"), "SigBlk:\t0000000000000000\n");
}

}  // namespace
