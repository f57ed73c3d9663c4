#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "support/test_support.h"

namespace airports_test {

// A working folder with its own "Log.txt", closed again before the folder goes.
class LoggedFolder : public ::testing::Test {
 protected:
  LoggedFolder() { orv::gf_openLog(); }
  ~LoggedFolder() override { orv::gf_closeLog(); }

  [[nodiscard]] static std::vector<std::string> log() { return testing_support::logBody(); }
  [[nodiscard]] static bool logged(const std::string& line) {
    const auto lines = log();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  [[nodiscard]] static std::size_t loggedCount(const std::string& line) {
    const auto lines = log();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }

  [[nodiscard]] static std::size_t loggedStarting(const std::string& prefix) {
    const auto lines = log();
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); }));
  }

  testing_support::WorkingFolder folder;
};

}  // namespace airports_test
