#include "shell/startup.h"

#include <fmt/format.h>

#include <exception>
#include <new>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "platform/os/clock.h"
#include "shell/closing_down.h"
#include "shell/main_cycle.h"
#include "simlink/command_queues.h"
#include "simlink/sim_client.h"
#include "simlink/sim_display.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"

namespace orv {
namespace {

// Failures that end the run: shown on the error line, SYSTEM ERROR for the first raiser.
void lf_failRun(std::string_view text) {
  gf_setError(text);
  gf_endRun(ExitReason::SystemError, 0);
}

using namespace std::chrono_literals;

// Sleeps for the time unless a stop flag is raised; false when one is.
[[nodiscard]] bool lf_waitUnlessStopping(std::chrono::milliseconds time) {
  if (gf_stopRaised()) return false;
  os::clock().sleepFor(time);
  return true;
}

// Waits for a running simulation, starts the per-second tick, and waits for the user aircraft's
// data; false when a stop flag was raised meanwhile.
bool lf_requestUserAircraftData() {
  while (!gf_simulationRunning() || gf_simConnectBlocked())
    if (!lf_waitUnlessStopping(100ms)) return false;
  if (gf_stopRaised()) return false;
  gf_requestUserOnGroundEverySecond();
  while (!gf_userDataKnown()) {
    (void)gf_requestUserAcPosition();
    if (!lf_waitUnlessStopping(500ms)) return false;
  }
  gf_requestUserAcTitleAndModel();
  for (;;) {
    const UserAcBlock block = gf_requestUserAcPosition();
    if (gf_positionKnown(block.position.latitude, block.position.longitude)) return true;
    if (!lf_waitUnlessStopping(200ms)) return false;
  }
}

// The simulator's share of the traffic run: "SimClient" and the user aircraft. The readers and
// the RealTraffic link join it later.
bool lf_runTraffic() {
  gf_showSimulatorConnected(false);
  // The closing down has joined the thread of the run before; the reset must never meet one.
  gf_stopSimClient();
  gf_resetSimQueues();
  gf_setSimulatorLostHandler(gf_simulatorLost);
  gf_startSimClient();
  return lf_requestUserAircraftData();
}

}  // namespace

void lf_startUpQLST() {
  try {
    // The start-up steps (checks, settings, data files, scans) come first here.
    if (lf_runTraffic()) lf_mainCycle();
  } catch (const fmt::format_error& e) {
    gf_setError(fmt::format("std::format error: {}", e.what()));
    lf_failRun(e.what());
  } catch (const std::bad_alloc& e) {
    lf_failRun(e.what());
  } catch (const std::exception& e) {
    lf_failRun(e.what());
  } catch (...) {
    gf_setError("Unknown exception");
    gf_storeSystemError();
  }
  gf_flushLog();
  lf_closingDown();
}

}  // namespace orv
