#pragma once

// The state of the simulator link that the rest of the program tests on every cycle. Any thread.

#include "platform/simconnect/simconnect.h"

namespace orv {

// A flight is loaded and the simulation runs (not paused).
void gf_setSimulationRunning(bool running);
[[nodiscard]] bool gf_simulationRunning();

// A SimConnect request failed: no further SimConnect traffic in this run.
void gf_setSimConnectBlocked(bool blocked);
[[nodiscard]] bool gf_simConnectBlocked();

// The open connection of "SimClient"; 0 while there is none. Written by "SimClient" only.
void gf_setSimConnectHandle(sc::Handle handle);
[[nodiscard]] sc::Handle gf_simConnectHandle();

}  // namespace orv
