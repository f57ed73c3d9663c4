#include "platform/os/single_instance.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(SingleInstance, OnlyOneHolderAtATimeAndTheNameIsFreeAfterwards) {
  testing_support::TempFolder runtime;
  testing_support::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
  {
    auto first = os::SingleInstance::acquire("Local\\$QLST$");
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(std::filesystem::exists(runtime.path() / "Local_$QLST$.lock"));
    EXPECT_FALSE(os::SingleInstance::acquire("Local\\$QLST$").has_value());
    EXPECT_TRUE(os::SingleInstance::acquire("Local\\$OTHER$").has_value());
  }
  EXPECT_TRUE(os::SingleInstance::acquire("Local\\$QLST$").has_value());
}

}  // namespace
