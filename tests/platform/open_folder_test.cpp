#include "platform/os/open_folder.h"

#include <gtest/gtest.h>

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

}  // namespace
