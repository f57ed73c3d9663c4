#include "platform/os/known_folders.h"

#include <gtest/gtest.h>

#include "platform/os/environment.h"

namespace {

// The system's own folders of the user's profile, as the shell keeps them.
TEST(KnownFolders, AreTheApplicationDataFoldersOfTheUsersProfile) {
  const auto profile = os::environmentVariable("USERPROFILE");
  ASSERT_TRUE(profile.has_value());
  const std::filesystem::path home(std::u8string(profile->begin(), profile->end()));
  const struct {
    os::KnownFolder folder;
    std::filesystem::path expected;
  } cases[] = {
      {os::KnownFolder::RoamingAppData, home / "AppData" / "Roaming"},
      {os::KnownFolder::LocalAppData, home / "AppData" / "Local"},
  };
  for (const auto& c : cases) {
    const auto found = os::knownFolderPath(c.folder);
    ASSERT_TRUE(found.has_value()) << c.expected;
    EXPECT_TRUE(std::filesystem::equivalent(*found, c.expected)) << *found << " " << c.expected;
    EXPECT_TRUE(std::filesystem::is_directory(*found)) << *found;
  }
}

}  // namespace
