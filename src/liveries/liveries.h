#pragma once

// The liveries of the simulator as the run uses them: the scan, the livery tables built from it,
// and the matching that gives a live aircraft its livery. Start-up thread.

#include <string_view>

#include "liveries/livery_matching.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_scan.h"

namespace orv {

// The simulator refused to create the title in this process.
[[nodiscard]] bool isFailedTitle(std::string_view title);

}  // namespace orv
