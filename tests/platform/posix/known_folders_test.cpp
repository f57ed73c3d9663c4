#include "platform/os/known_folders.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using testing_support::ScopedEnv;

TEST(KnownFolders, XdgVariablesWinOverHome) {
  ScopedEnv home("HOME", "/home/pilot");
  ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
  ScopedEnv data("XDG_DATA_HOME", "/data");
  EXPECT_EQ(os::knownFolderPath(os::KnownFolder::RoamingAppData), std::filesystem::path("/cfg"));
  EXPECT_EQ(os::knownFolderPath(os::KnownFolder::LocalAppData), std::filesystem::path("/data"));
}

TEST(KnownFolders, RelativeOrMissingXdgVariablesFallBackToHome) {
  ScopedEnv home("HOME", "/home/pilot");
  ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
  ScopedEnv data("XDG_DATA_HOME", "");
  EXPECT_EQ(os::knownFolderPath(os::KnownFolder::RoamingAppData),
            std::filesystem::path("/home/pilot/.config"));
  EXPECT_EQ(os::knownFolderPath(os::KnownFolder::LocalAppData),
            std::filesystem::path("/home/pilot/.local/share"));
}

}  // namespace
