// The file helpers of the platform layer: durable replacement, temporary folders, environment.

#include <gtest/gtest.h>

#include <set>

#include "platform/os/durable_file.h"
#include "platform/os/environment.h"
#include "platform/os/installer_rights.h"
#include "platform/os/temporary_folder.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

TEST(DurableFile, TheTemporaryFileTakesTheTargetsPlaceOrStays) {
  testing_support::TempFolder folder;
  const fs::path target = folder.path() / "parameters.xml";
  const fs::path temporary = folder.path() / "parameters.xml.tmp";
  // A new target, then one that exists.
  for (const char* text : {"first", "second"}) {
    writeFile(temporary, text);
    std::error_code ec;
    ASSERT_TRUE(os::replaceFileDurably(temporary, target, ec)) << ec.message();
    EXPECT_FALSE(ec);
    EXPECT_EQ(readFile(target), text);
    EXPECT_FALSE(fs::exists(temporary));
  }
  // A target in a folder that is not there: the error comes back, and nothing moved.
  writeFile(temporary, "third");
  std::error_code ec;
  EXPECT_FALSE(os::replaceFileDurably(temporary, folder.path() / "missing" / "x.xml", ec));
  EXPECT_TRUE(ec);
  EXPECT_EQ(readFile(temporary), "third");
  EXPECT_EQ(readFile(target), "second");
  // A temporary file that is not there: the system's error, with a text for the log.
  EXPECT_FALSE(os::replaceFileDurably(folder.path() / "none.tmp", target, ec));
  EXPECT_EQ(ec, std::errc::no_such_file_or_directory) << ec.message();
  EXPECT_FALSE(ec.message().empty());
  EXPECT_EQ(ec.message().find('\n'), std::string::npos) << ec.message();
  EXPECT_EQ(readFile(target), "second");
}

TEST(TemporaryFolder, EachCallMakesANewEmptyFolder) {
  std::set<fs::path> made;
  for (int i = 0; i < 5; ++i) {
    const fs::path folder = os::createTemporaryFolder("quillstar-platform-");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_TRUE(folder.filename().string().starts_with("quillstar-platform-"));
    EXPECT_EQ((folder.parent_path() / "x").lexically_normal(),
              (fs::temp_directory_path() / "x").lexically_normal());
    made.insert(folder);
  }
  EXPECT_EQ(made.size(), 5u);
  for (const fs::path& folder : made) fs::remove(folder);
}

TEST(Environment, VariablesAreSetReadAndRemovedInUtf8) {
  const std::string name = "QUILLSTAR_PLATFORM_TEST";
  for (const std::string value : {"plain", "C:\\Users\\J\xC3\xBCrgen\\AppData", "a=b"}) {
    os::setEnvironmentVariable(name, value);
    EXPECT_EQ(os::environmentVariable(name), value);
  }
  os::removeEnvironmentVariable(name);
  EXPECT_FALSE(os::environmentVariable(name).has_value());
}

TEST(InstallerRights, AWriteTestLeavesNothingBehind) {
  testing_support::TempFolder folder;
  const fs::path probe = folder.path() / ".write_test.tmp";
  EXPECT_TRUE(os::canWriteNewFile(probe));
  EXPECT_FALSE(fs::exists(probe));
  EXPECT_FALSE(os::canWriteNewFile(folder.path() / "missing" / ".write_test.tmp"));
  EXPECT_FALSE(os::isSharedProgramFolder(folder.path()));
}

}  // namespace
