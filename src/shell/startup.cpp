#include "shell/startup.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#include "config/parameters.h"
#include "foundation/folders.h"
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
#include "traffic/adding_deque.h"
#include "traffic/readers.h"

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

// RealTraffic on this computer: "RealTraffic.jar" in its folder under the roaming application
// data. It decides where the readers listen (the start-up sequence takes this over).
bool lf_realTrafficInstalled() {
  std::error_code error;
  return std::filesystem::exists(gf_appDataPath() / kInsideSystemsName / "RealTraffic.jar", error);
}

// A reader's port: RealTraffic's, unless the environment names another (0: any free one), so
// that test runs and a demo do not take each other's ports.
std::uint16_t lf_readerPort(const char* variable, std::uint16_t port) {
  const char* text = std::getenv(variable);
  if (!text) return port;
  const std::string_view value(text);
  std::uint16_t chosen = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), chosen);
  return error == std::errc{} && end == value.data() + value.size() ? chosen : port;
}

// The readers of the run: the QNH Reader first, the Traffic Reader 2 s later, then the user
// aircraft's position as the Traffic Reader's reference. False when a stop flag was raised.
bool lf_startReaders() {
  const bool local = lf_realTrafficInstalled();
  // Without the RealTraffic link (its part comes later) the traffic source is ready at once.
  if (!local || cfg::AEROWINX.value()) gf_setTrafficSourceReady(true);
  gf_setAddingOpen(false);
  gf_qnhReader().start(lf_readerPort("QLST_QNH_PORT", kQnhPort), local);
  if (!lf_waitUnlessStopping(2s)) return false;
  gf_trafficReader().start(lf_readerPort("QLST_TRAFFIC_PORT", kTrafficPort), local);
  const UserAcPosition user = gf_userAcBlock().position;
  gf_trafficReader().setReferencePosition({user.latitude, user.longitude});
  return !gf_stopRaised();
}

// The traffic run: "SimClient", the user aircraft and the readers. The RealTraffic link and the
// wait for the first traffic join it later.
bool lf_runTraffic() {
  gf_showSimulatorConnected(false);
  // The closing down has joined the thread of the run before; the reset must never meet one.
  gf_stopSimClient();
  gf_resetSimQueues();
  gf_setSimulatorLostHandler(gf_simulatorLost);
  gf_startSimClient();
  return lf_requestUserAircraftData() && lf_startReaders();
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
