#pragma once

// A working folder with its own log for the tests of the liveries, and small builders.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "liveries/livery_record.h"
#include "support/test_support.h"

namespace testing_support {

class LiveryLogTest : public testing::Test {
 protected:
  LiveryLogTest();
  ~LiveryLogTest() override;

  // The lines of the log so far, after its first one.
  [[nodiscard]] static std::vector<std::string> log();
  // The log lines from the first that begins with the prefix on; empty when none does.
  [[nodiscard]] static std::vector<std::string> logFrom(const std::string& prefix);

  WorkingFolder folder;
};

// A livery of codes given as texts.
[[nodiscard]] orv::Livery livery(std::string_view airline, std::string_view model, std::string title,
                                 bool cargo = false, std::string registration = {});

}  // namespace testing_support
