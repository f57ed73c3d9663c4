#pragma once

// The state of the simulator link that the rest of the program tests on every cycle. Any thread.

namespace orv {

// A flight is loaded and the simulation runs (not paused).
void gf_setSimulationRunning(bool running);
[[nodiscard]] bool gf_simulationRunning();

// A SimConnect request failed: no further SimConnect traffic in this run.
void gf_setSimConnectBlocked(bool blocked);
[[nodiscard]] bool gf_simConnectBlocked();

}  // namespace orv
