#pragma once

// The liveries of the simulator: the scan, the livery tables built from it, and the matching that
// gives a live aircraft its livery. Start-up thread.

#include <optional>
#include <string>
#include <string_view>

#include "refdata/codes.h"

namespace orv {

// Not built yet: no livery folder is scanned.
void gf_scanLiveries();
// Not built yet: no livery tables are built.
void gf_processScannedLiveries();
// Not built yet: no buffers to reserve.
void gf_reserveLiveryBuffers();
// Not built yet: nothing was matched, so nothing is logged.
void gf_logLiveryMatchingSummary();
// Not built yet: no tables to empty for the next run.
void clearLiveryTablesForNextRun();
// Not built yet, and not called yet by the spawning: no livery for any airline and model.
[[nodiscard]] std::optional<std::string> matchLivery(AirlineId airline, ModelId model,
                                                     std::string_view registration);
// Not built yet: the simulator has refused no title.
[[nodiscard]] bool isFailedTitle(std::string_view title);

}  // namespace orv
