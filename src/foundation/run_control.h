#pragma once

// Why and how a run ends. A run ends when the run-stop flag is raised; the first party to raise
// it fixes the exit reason and the restart countdown. The closing flag says that the user closed
// the window. Both flags are tested by every long loop of every thread. Any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

enum class ExitReason : std::uint32_t {
  NotYetSet = 0,
  SimWasClosed = 1,
  NewFlight = 2,
  NewSettings = 3,
  UserClosedSim = 4,
  SimConnectError = 5,
  ReaderError = 6,
  SystemError = 7,
  NewVersion = 8,
};

// "NOT YET SET", "SIM WAS CLOSED", ...; a value outside the table is "UNKNOWN (n)".
[[nodiscard]] std::string gf_exitReasonName(ExitReason reason);

// NEW SETTINGS, SIMCONNECT ERROR and READER ERROR restart the run; every other reason ends the process.
[[nodiscard]] bool gf_isRestartingReason(ExitReason reason);

struct RunOutcome {
  ExitReason reason = ExitReason::NotYetSet;
  int restartSeconds = 0;
};

// Raises the run-stop flag; the first raiser of the run stores its reason and restart seconds.
// True when this call was the first.
bool gf_endRun(ExitReason reason, int restartSeconds);

// The window's close button and the start-up's stop paths: raises the run-stop flag without
// testing it, and stores USER CLOSED SIM only when no reason is stored yet.
void gf_endRunByUser();

// Stores SYSTEM ERROR without raising the run-stop flag (a failure at start-up): a later first
// raiser still replaces it.
void gf_storeSystemError();

void gf_raiseClosing();

[[nodiscard]] bool gf_runStopRaised();
[[nodiscard]] bool gf_closingRaised();
// Either flag.
[[nodiscard]] bool gf_stopRaised();

[[nodiscard]] RunOutcome gf_runOutcome();

// For the next run: both flags down, no reason stored; the restart seconds stay. The flags are
// the process's own, not a run's: they are what the window and every thread test to end one.
void gf_resetRunControl();

// The once-per-second tick: raised by the simulator link when the user aircraft's per-second
// report arrives, taken by the main cycle.
void gf_raiseTick();
[[nodiscard]] bool gf_takeTick();
[[nodiscard]] bool gf_tickRaised();
void gf_clearTick();

}  // namespace orv
