#pragma once

// The end of a run: the closing down, and the restart or the end of the process that follows.

#include <memory>

#include "traffic/traffic_run.h"

namespace orv {

// The last step of every run; the run (none when the start-up ended before it) is destroyed
// here. Start-up thread only.
void lf_closingDown(std::unique_ptr<TrafficRun> run = nullptr);

// Shows "Restarting after {} second{}" once per second of the stored restart seconds.
void lf_restartCountdown();

// For the next run, once the run is destroyed: what outlives a run starts again.
void lf_resetRun();

// Prepares the next run for the other simulator version (both scans on, the livery list gone, no
// install path) and ends this run with NEW SETTINGS. The GUI thread (SIM_CHOICE) and "SimClient".
void gf_switchSimVersion();

// The simulator link lost the simulator; true when the simulator that answered is the other
// version. Only while the run-stop flag is down. "SimClient" thread.
void gf_simulatorLost(bool otherVersion);

}  // namespace orv
