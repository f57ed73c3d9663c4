#include "platform/os/open_folder.h"

#include <gtest/gtest.h>

#include <csignal>

#include "support/test_support.h"

namespace {

using testing_support::ScopedEnv;

TEST(OpenFolder, SuccessIsTheFileManagersOwnReport) {
  {
    ScopedEnv env("QUILLSTAR_FOLDER_OPENER", "true");
    EXPECT_TRUE(os::openFolder("/tmp"));
  }
  {
    ScopedEnv env("QUILLSTAR_FOLDER_OPENER", "false");
    EXPECT_FALSE(os::openFolder("/tmp"));
  }
  {
    ScopedEnv env("QUILLSTAR_FOLDER_OPENER", "quillstar-no-such-file-manager");
    EXPECT_FALSE(os::openFolder("/tmp"));
  }
}

// The program's threads block SIGINT and SIGTERM (os::CloseSignals); the file manager must not
// inherit that, or it could not be stopped by them.
TEST(OpenFolder, TheFileManagerStartsWithNoSignalsBlocked) {
  testing_support::TempFolder folder;
  const auto opener = folder.path() / "opener";
  testing_support::writeFile(opener, "#!/bin/sh\nexec grep SigBlk /proc/self/status > \"$1/mask\"\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  sigset_t closeSignals;
  sigemptyset(&closeSignals);
  sigaddset(&closeSignals, SIGINT);
  sigaddset(&closeSignals, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &closeSignals, nullptr), 0);
  ScopedEnv env("QUILLSTAR_FOLDER_OPENER", opener.string());
  ASSERT_TRUE(os::openFolder(folder.path()));
  EXPECT_EQ(testing_support::readFile(folder.path() / "mask"), "SigBlk:\t0000000000000000\n");
}

}  // namespace
