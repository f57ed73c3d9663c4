#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "traffic/traffic_run.h"

namespace orv {

// Who looks at a run from outside (tests): once it is built, before its readers and its cycle
// start (so it may also plant state there), and before the closing down destroys it. Called on
// the start-up thread.
struct RunObserver {
  std::function<void(TrafficRun&)> built;
  std::function<void(const TrafficRun&)> closing;
};

// One run: the start-up, the main cycle and the closing down. The body of the start-up thread.
void lf_startUpQLST(const RunObserver* observer = nullptr);

// Creates the working folders that are missing, in their order, and removes the previous run's
// "ObjectIdList.txt". Throws a file-system error named after the failed step.
void lf_checkFolders();

// The packages path without a trailing Community folder ("\\Community" or "/Community").
[[nodiscard]] std::string gf_withoutCommunityEnding(std::string_view path);

// Takes RealTraffic's answer to the version request: its edition and whether it is the
// professional one. Start-up thread.
void lf_processRTVersion(TrafficRun& run, const std::string& reply);

}  // namespace orv
