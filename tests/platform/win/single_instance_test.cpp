#include "platform/os/single_instance.h"

#include <gtest/gtest.h>

namespace {

TEST(SingleInstance, OnlyOneHolderOfTheNamedMutexAtATimeAndTheNameIsFreeAfterwards) {
  {
    auto first = os::SingleInstance::acquire("Local\\$QLST-test$");
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(os::SingleInstance::acquire("Local\\$QLST-test$").has_value());
    EXPECT_TRUE(os::SingleInstance::acquire("Local\\$QLST-other$").has_value());
    // A moved holder still holds the name.
    auto moved = std::move(*first);
    first.reset();
    EXPECT_FALSE(os::SingleInstance::acquire("Local\\$QLST-test$").has_value());
  }
  EXPECT_TRUE(os::SingleInstance::acquire("Local\\$QLST-test$").has_value());
}

}  // namespace
