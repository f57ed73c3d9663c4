#include "platform/os/installer_rights.h"

#include <gtest/gtest.h>

#include "platform/os/environment.h"

namespace {

// The Program Files folders, as the system names them in the environment of every process.
TEST(InstallerRights, ProgramFilesAndWhatLiesBelowAreSharedProgramFolders) {
  for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)"}) {
    const auto folder = os::environmentVariable(variable);
    ASSERT_TRUE(folder.has_value()) << variable;
    const std::filesystem::path path(std::u8string(folder->begin(), folder->end()));
    EXPECT_TRUE(os::isSharedProgramFolder(path)) << *folder;
    EXPECT_TRUE(os::isSharedProgramFolder(path / "Quillstar")) << *folder;
  }
  EXPECT_FALSE(os::isSharedProgramFolder("C:\\Quillstar"));
  EXPECT_FALSE(os::isSharedProgramFolder("D:\\Program Files Backup\\Quillstar"));
}

}  // namespace
