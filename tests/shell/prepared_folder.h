#pragma once

// A working folder made ready for a whole run of the program: "docs", the enciphered aircraft
// database of the demo, a Steam installation of MSFS 2020 to be detected, and chosen settings.

#include <map>
#include <string>

#include "support/test_support.h"

namespace testing_support {

class PreparedWorkingFolder : public WorkingFolder {
 public:
  // Settings written into "parameters.xml" before the run (name to value).
  explicit PreparedWorkingFolder(const std::map<std::string, std::string>& settings = {});

  [[nodiscard]] std::filesystem::path packagesFolder() const;
};

}  // namespace testing_support
