#pragma once

// A working folder made ready for a whole run of the program: "docs", the enciphered aircraft
// database and airports table of the demo, its scanned liveries (with the livery scan off), a
// Steam installation of MSFS 2020 to be detected, a download site that refuses at once, the fixed
// radius of RANGE (AUTO_RANGE off, so that the sample traffic stays in range), and chosen
// settings.

#include <cstdint>
#include <map>
#include <string>

#include "support/program_process.h"
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

// For the runs started while the object lives: the traffic reader on a UDP port that was free when
// the object was made (port() is 0 when none was), and the QNH reader off.
class ScopedTrafficPort {
 public:
  [[nodiscard]] std::uint16_t port() const { return port_; }

 private:
  std::uint16_t port_ = freeUdpPort();
  ScopedEnv traffic_{"QLST_TRAFFIC_PORT", std::to_string(port_)};
  ScopedEnv qnh_{"QLST_QNH_PORT", "0"};
};

// Two add-on airports of "Test Scenery" as the airport scan leaves them in
// "airports/my_thirdparty", an airports table of just these two in place of the demo's, and the
// stand-in's "scenario.json" with the user on the ground at 10 N 10 E. Bravo Field's (EDBB)
// reference point is 2 nm from the user, Alpha Field's (EDAA) 3 nm, but Alpha's stand S1 is 20 m
// away and Bravo's only stand, B1, 1 nm.
void writeAlphaAndBravoFields();

}  // namespace testing_support
