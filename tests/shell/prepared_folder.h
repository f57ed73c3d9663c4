#pragma once

// A working folder made ready for a whole run of the program: "docs", the enciphered aircraft
// database and airports table of the demo, its scanned liveries (with the livery scan off), a
// Steam installation of MSFS 2020 to be detected, a download site that refuses at once, the fixed
// radius of RANGE (AUTO_RANGE off, so that the sample traffic stays in range), and chosen
// settings.

#include <map>
#include <string>

#include "support/test_support.h"

namespace testing_support {

class PreparedWorkingFolder : public WorkingFolder {
 public:
  // Settings written into "parameters.xml" before the run (name to value); they win over the
  // folder's own (SCAN_LIVERIES and AUTO_RANGE false).
  explicit PreparedWorkingFolder(const std::map<std::string, std::string>& settings = {});

  [[nodiscard]] std::filesystem::path packagesFolder() const;

 private:
  // Nothing listens on port 1: the update check finds the site unreachable without waiting.
  ScopedEnv downloadSite_{"QLST_DOWNLOAD_URL", "http://127.0.0.1:1/downloads/"};
};

}  // namespace testing_support
