#pragma once

// Run state of the shell shared by the process entry, the window and the start-up thread.

#include <atomic>

namespace orv {

// Set once by the process entry from the command line.
void gf_setProductionRun(bool production);
[[nodiscard]] bool gf_productionRun();

// The run that ends is followed by a restart; stays set into the next run (which skips the update check).
void gf_setRestartFlag(bool restart);
[[nodiscard]] bool gf_restartFlag();

// Handed to the quit message when the process ends; 0 unless the production run failed.
void gf_setExitCode(int code);
[[nodiscard]] int gf_exitCode();

}  // namespace orv
