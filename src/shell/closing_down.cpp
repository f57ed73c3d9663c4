#include "shell/closing_down.h"

#include <fmt/format.h>

#include <exception>
#include <filesystem>

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/time_text.h"
#include "foundation/window_messages.h"
#include "foundation/window_view.h"
#include "liveries/liveries.h"
#include "platform/os/clock.h"
#include "shell/commands.h"
#include "shell/main_cycle.h"
#include "shell/run_state.h"
#include "shell/run_work.h"
#include "simlink/dispatch.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_client.h"
#include "traffic/aircraft_text.h"
#include "traffic/park_airports.h"
#include "traffic/realtraffic_link.h"
#include "traffic/removal.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

void lf_clearDestinationAndBlockCallsign() {
  for (EditParameter* box : {&cfg::DESTINATION, &cfg::BLOCK_CALLSIGN}) {
    gf_setAndWriteParameter(*box, "");
    gf_showTextParameter(*box, *box);
  }
}

// A restart for another reason than new settings does not scan again.
void lf_switchScansOff() {
  for (CheckBoxParameter* scan : {&cfg::SCAN_LIVERIES, &cfg::SCAN_AIRPORTS}) {
    scan->set(false);
    gf_saveBoolParameter(*scan);
    gf_showCheck(*scan);
  }
}

// Steps 1 to 12 of the closing down; true when the run restarts and has been reset. The run is
// destroyed here (a start-up cut short has none).
bool lf_closeRun(std::unique_ptr<TrafficRun>& run) {
  // From here on a scan box restarts nothing: the run is ending.
  gf_setRealTrafficConnected(false);
  const RunOutcome outcome = gf_runOutcome();
  gf_logLine(fmt::format("Exiting: {}", gf_exitReasonName(outcome.reason)));
  if (run) run->adding.setOpen(false);
  // Joined here, so that no thread of this run touches the next one or the reset below.
  gf_stopSimClient();
  // Waited for, so that no reader of this run survives into the next one.
  if (run) gf_stopReadersAndWait(*run);
  os::clock().sleepFor(500ms);
  gf_closeRealTrafficLink();

  if (outcome.reason == ExitReason::SystemError) {
    // The error stays on screen until the user closes the window; the log shows it meanwhile.
    gf_flushLog();
    while (!gf_closingRaised()) os::clock().sleepFor(500ms);
    // Logged even though the error line keeps the message from showing.
    const std::string text = fmt::format("User closed {}", kProductName);
    gf_logLine(text);
    gf_setMessage(text);
  }
  if (run && run->park.icao) gf_clearParkAirport(*run);
  gf_removeFlightPlanFolder();
  lf_clearDestinationAndBlockCallsign();
  if (run) emptyCallsignsToRemove(*run);
  gf_logLiveryMatchingSummary();
  gf_logNoMatchList();

  // A reason stored while the closing down ran (a SYSTEM ERROR run ended by a new setting) counts.
  const ExitReason reason = gf_runOutcome().reason;
  if (gf_isRestartingReason(reason)) {
    gf_setRestartFlag(true);
    gf_clearError();
    gf_setMessage("Prepare for a restart ...", true);
    if (reason != ExitReason::NewSettings) lf_switchScansOff();
    lf_restartCountdown();
    run.reset();
    lf_resetRun();
    return true;
  }
  gf_setRestartFlag(false);
  if (reason == ExitReason::NewFlight) {
    gf_setMessage(
        fmt::format("New flight detected, {} will close, please restart manually ...", kProductName), true);
    os::clock().sleepFor(10s);
  }
  return false;
}

// What the window shows of the run that ended, back to a run's start values at once: the next run
// builds its own only after its scans, which can take minutes. The liveries count stays: the
// tables outlive the run, and a next run that finds them built does not count them again.
void lf_resetWindowRunValues(WindowView& window) {
  gf_showRunStartLamps(window);
  for (std::size_t i = 0; i < kWindowCountCount; ++i)
    if (const auto count = static_cast<WindowCount>(i); count != WindowCount::Liveries)
      window.setCount(count, 0);
  for (std::size_t i = 0; i < kWindowTextCount; ++i) window.setText(static_cast<WindowText>(i), "");
  for (std::size_t i = 0; i < kWindowFlagCount; ++i) window.setFlag(static_cast<WindowFlag>(i), false);
  for (std::size_t i = 0; i < kWindowValueCount; ++i) window.setValue(static_cast<WindowValue>(i), -1.0);
  window.setStaticCountdown(20);
  for (const WindowBand band : {WindowBand::Status, WindowBand::Options, WindowBand::Statistics})
    window.repaint(band);
}

}  // namespace

void lf_restartCountdown() {
  const int n = gf_runOutcome().restartSeconds;
  if (n < 1) return;
  gf_logLine(fmt::format("Restarting after {} seconds", n));
  gf_logLine(std::string(48, '-'));
  os::Clock& clock = os::clock();
  for (int k = n; k >= 1; --k) {
    gf_setMessage(fmt::format("Restarting after {} second{}", k, gf_plural(k)));
    clock.sleepUntil(clock.now() + 1s);
  }
  gf_logLine("Restart countdown finished");
}

void lf_resetRun() {
  // The link's queues and answers are shared with "SimClient", which lives in the simulator link
  // beside the run; it has been joined.
  gf_resetSimLink();
  // The message line, the stop flags, the window's requests and what it shows belong to the
  // process: each goes back to its start value here.
  gf_resetMessageState();
  gf_resetRunControl();
  gf_resetTickRequests();
  gf_setRealTrafficConnected(false);
  lf_resetWindowRunValues(gf_windowView());
  // What the window handed to the run that ended is not for the next one.
  gf_dropQueuedRunWork();
  gf_setStaticParkingLoaded(false);
}

void lf_closingDown(std::unique_ptr<TrafficRun> run) {
  bool restart = false;
  try {
    restart = lf_closeRun(run);
  } catch (const std::exception& e) {
    const std::string text = fmt::format("{} exception {}", "lf_closingDown", e.what());
    gf_logImportant(text);
    gf_setMessage(text);
    restart = false;
  } catch (...) {
    gf_logImportant("lf_closingDown exception Unknown exception");
    restart = false;
  }
  run.reset();
  // Flushed before the window may end the process; posted on every path so that the window can close.
  gf_flushLog();
  if (const ui::WindowHandle window = gf_mainWindow())
    ui::postMessage(window, restart ? WM_APP_START_RUN : WM_APP_END_PROCESS);
}

void gf_switchSimVersion() {
  // The scans come first: a livery list that cannot be removed must not keep the next run from
  // scanning the other simulator's liveries.
  for (CheckBoxParameter* scan : {&cfg::SCAN_AIRPORTS, &cfg::SCAN_LIVERIES}) {
    scan->set(true);
    gf_saveBoolParameter(*scan);
    gf_showCheck(*scan);
  }
  std::error_code ec;
  std::filesystem::remove(gf_paths().liveriesScanned, ec);
  if (ec)
    gf_logImportant(
        fmt::format("gf_switchSimVersion: remove {}: {}", gf_paths().liveriesScanned.string(), ec.message()));
  clearLiveryTablesForNextRun();
  gf_setMessage(fmt::format("Switching MSFS version in {}", kProductName), true);
  cfg::ALL_INSTALL_PATH.set("");
  gf_showTextParameter(cfg::ALL_INSTALL_PATH, cfg::ALL_INSTALL_PATH);
  if (!gf_msfs2020Chosen()) gf_setAndWriteParameter(cfg::MYSIMADDON24_VERSION, "");
  gf_endRun(ExitReason::NewSettings, 3);
}

void gf_simulatorLost(bool otherVersion) {
  if (gf_runStopRaised()) return;
  if (otherVersion) {
    cfg::SIM_CHOICE.set(gf_msfs2020Chosen() ? "MSFS 2024" : "MSFS 2020");
    gf_writeParameter(cfg::SIM_CHOICE);
    gf_showTextParameter(cfg::SIM_CHOICE, cfg::SIM_CHOICE);
    gf_switchSimVersion();
    return;
  }
  gf_logLine(
      fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_nowHms(), kProductName));
  gf_endRun(ExitReason::SimWasClosed, 0);
}

}  // namespace orv
