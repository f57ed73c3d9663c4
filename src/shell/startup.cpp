#include "shell/startup.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>

#include "airports/addon_scan.h"
#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/fixed_code.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "foundation/time_text.h"
#include "foundation/window_view.h"
#include "liveries/liveries.h"
#include "platform/os/clock.h"
#include "platform/ui/controls.h"
#include "refdata/airports_table.h"
#include "refdata/dbase.h"
#include "refdata/update_check.h"
#include "shell/closing_down.h"
#include "shell/commands.h"
#include "shell/main_cycle.h"
#include "shell/run_state.h"
#include "simlink/command_queues.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_client.h"
#include "simlink/sim_display.h"
#include "simlink/sim_side.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"
#include "traffic/park_airports.h"
#include "traffic/realtraffic_link.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The aircraft database is read once per process, by the first run that gets that far.
bool databaseLoaded = false;

// A file-system error of a status query, except "not there", thrown under the query's name.
void lf_throwUnlessMissing(const char* what, const fs::path& path, const std::error_code& ec) {
  if (ec && ec != std::errc::no_such_file_or_directory) throw fs::filesystem_error(what, path, ec);
}

[[nodiscard]] bool lf_isDirectory(const fs::path& path) {
  std::error_code ec;
  const bool directory = fs::is_directory(path, ec);
  lf_throwUnlessMissing("status", path, ec);
  return directory;
}

[[nodiscard]] bool lf_exists(const fs::path& path) {
  std::error_code ec;
  const bool exists = fs::exists(path, ec);
  lf_throwUnlessMissing("exists", path, ec);
  return exists;
}

void lf_enable(const WindowControl& control, bool enabled) {
  ui::setEnabled(control.window(), enabled);
}

// Sleeps for the time unless a stop flag is raised; false when one is.
[[nodiscard]] bool lf_waitUnlessStopping(std::chrono::milliseconds time) {
  // In steps, so that a close during a long wait (the 2 s before the Traffic Reader) counts at once.
  constexpr auto kStep = 100ms;
  os::Clock& clock = os::clock();
  const os::SteadyTime end = clock.now() + time;
  for (os::SteadyTime now = clock.now(); now < end; now = clock.now()) {
    if (gf_stopRaised()) return false;
    clock.sleepUntil(std::min(end, now + kStep));
  }
  return !gf_stopRaised();
}

// The options band as a new run finds it, and the simulator the run is set for.
void lf_setUpSimChoice() {
  using namespace cfg;
  for (const WindowControl* control : std::initializer_list<const WindowControl*>{&ALWAYS_ON_TOP,
                                                                                  &NAV_LIGHTS_WHILE_PARKED,
                                                                                  &OBJECTID_LIST,
                                                                                  &GUID_CHANGES,
                                                                                  &SCAN_LIVERIES,
                                                                                  &LIG_AUTOMATIC,
                                                                                  &LIG_PRIORITIZE,
                                                                                  &SCAN_AIRPORTS,
                                                                                  &MATCHING_DEPTH,
                                                                                  &LIGHT_AIRCRAFT,
                                                                                  &HELICOPTERS,
                                                                                  &HIGH_PERF_AIRCRAFT,
                                                                                  &AUTO_RANGE,
                                                                                  &AIRBORNE_ONLY,
                                                                                  &COLLISION_USER_GND,
                                                                                  &COLLISION_USER_AIR,
                                                                                  &COLLISION_LIVE_PARKED_GND,
                                                                                  &BLOCK_CALLSIGN,
                                                                                  &MAX_PARK_SEL,
                                                                                  &MAX_LIVE_SEL,
                                                                                  &STRAIGHT_PBS_ONLY,
                                                                                  &SIM_CHOICE,
                                                                                  &AIRP_RANGE,
                                                                                  &AIRP_HEIGHT,
                                                                                  &WEEK,
                                                                                  &PARK_SOFT,
                                                                                  &INITIAL_LOAD_ONLY})
    lf_enable(*control, true);
  lf_enable(RANGE, !AUTO_RANGE.value());
  lf_enable(AR_ABOVE_HEIGHT, AUTO_RANGE.value());
  lf_enable(AI_PACKAGE_SELECTOR, LIG_AUTOMATIC.value());
  lf_enable(UNBLOCK_BUTTON, !BLOCK_CALLSIGN.value().empty());
  for (const WindowControl* control : std::initializer_list<const WindowControl*>{
           &TBLO_ZIP_BUTTON, &BLOCK_BUTTON, &CS_TO_OID_BUTTON, &CALLSIGN_2_OBJECTID, &DESTINATION,
           &REREAD_BUTTON, &FLUSH_STATIC_BUTTON, &PARKING_PERCENTAGE, &MAX_FIT_FL})
    lf_enable(*control, false);
  if (!INITIAL_LOAD_ONLY.value()) lf_enable(NOW_BUTTON, false);

  PARKING_PERCENTAGE.set(30);
  for (const ComboIntParameter* combo : {&MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL,
                                         &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT, &PARKING_PERCENTAGE})
    gf_fillIntCombo(*combo);
  gf_fillStringCombo(AI_PACKAGE_SELECTOR);
  gf_fillStringCombo(SIM_CHOICE);
  gf_fillFloatCombo(MAX_FIT_FL);
  gf_selectMaxFitCombo();
  gf_setMsfs2020Chosen(SIM_CHOICE.value() == "MSFS 2020");
}

void lf_showLiveriesCount(std::size_t liveries) {
  WindowView& window = gf_windowView();
  window.setCount(WindowCount::Liveries, static_cast<std::int64_t>(liveries));
  window.repaint(WindowBand::Status);
}

// The livery scan as the program runs it, with the window's count and folder openers.
bool lf_scanLiveries() {
  LiveryScanHooks hooks;
  // Without a known packages folder there is no Community folder to look in.
  if (!gf_simRootPath(fs::path()).empty()) hooks.community = gf_simRootPath(std::string(kCommunityName));
  hooks.openManualFolders = [] {
    (void)gf_openManual();
    (void)gf_openParametersFolder();
  };
  hooks.showLiveriesCount = lf_showLiveriesCount;
  return gf_scanLiveries(hooks);
}

void lf_processScannedLiveries() {
  LiveryProcessingHooks hooks;
  hooks.showLiveriesCount = lf_showLiveriesCount;
  hooks.repaintStatusBand = [] { gf_windowView().repaint(WindowBand::Status); };
  gf_processScannedLiveries(gf_liveryTables(), gf_liveryList(), hooks);
}

void lf_showAddonCounts(std::int64_t simaddons, std::int64_t thirdparties) {
  WindowView& window = gf_windowView();
  window.setCount(WindowCount::Simaddons, simaddons);
  window.setCount(WindowCount::Thirdparties, thirdparties);
  window.repaint(WindowBand::Status);
}

// The production run ends here, after the data files and the simulator folders.
void lf_stopInProductionMode() {
  gf_setExitCode(0);
  gf_raiseClosing();
  try {
    gf_closeRealTrafficLink();
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("exception {}", e.what()));
    gf_setExitCode(1);
    return;
  }
  gf_endRunByUser();
}

void lf_trimCommunityEnding(StringParameter& path) {
  const std::string value = path.value();
  if (std::string trimmed = gf_withoutCommunityEnding(value); trimmed != value)
    gf_setAndWriteParameter(path, std::move(trimmed));
}

bool lf_detectCommunityPath(bool& realTrafficFound) {
  // Settings that a stand file brings reach the window's controls through the commands.
  gf_setMaxFitShower(&gf_selectMaxFitCombo);
  gf_setAutoRangeApplier(&lf_applyAutoRangeOption);
  gf_loadParameters();
  gf_windowView().repaint(WindowBand::Status);
  gf_flushLog();
  lf_setUpSimChoice();
  StringParameter& installPath = gf_msfs2020Chosen() ? cfg::MSFS_INSTALL_PATH : cfg::MSFS_2024_INSTALL_PATH;
  lf_trimCommunityEnding(installPath);
  lf_checkFolders();
  if (!gf_restartFlag() && !gf_checkForUpdates()) return false;
  gf_updateCurrentSlot();
  if (!databaseLoaded) {
    if (!gf_readDbase()) throw std::runtime_error("reading data files failed!");
    databaseLoaded = true;
  }
  if (!gf_readAirports()) throw std::runtime_error("reading airports failed!");

  cfg::ALL_INSTALL_PATH.set(installPath.value());
  lf_enable(cfg::ALL_INSTALL_PATH, true);
  gf_showTextParameter(cfg::ALL_INSTALL_PATH, cfg::ALL_INSTALL_PATH);
  if (cfg::ALL_INSTALL_PATH.value().empty() && !gf_detectPackagesPath())
    throw UserErrorException(
        150, "No install path detected. Type the full path to your Community folder above, then press Enter");
  gf_windowView().repaint(WindowBand::Options);

  if (gf_productionRun()) {
    lf_stopInProductionMode();
    return false;
  }
  realTrafficFound = lf_exists(gf_appDataPath() / kInsideSystemsName / "RealTraffic.jar");
  gf_setMessage(fmt::format("RealTraffic {}detected at this PC", realTrafficFound ? "" : "not "), true);
  gf_flushLog();
  return true;
}

}  // namespace

// The folders the run writes into, created when missing; and the previous run's list of active
// aircraft, which would otherwise look current.
void lf_checkFolders() {
  const ProgramPaths& p = gf_paths();
  for (const fs::path& folder :
       {p.output, p.info, p.errors, p.airports, p.learned, p.learnedStock, p.learnedSimaddon,
        p.learnedThirdparty, p.mySimaddon, p.myThirdparty, p.myRegcodes}) {
    if (lf_isDirectory(folder)) continue;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw fs::filesystem_error("create_directories", folder, ec);
  }
  if (lf_exists(p.objectIdList)) {
    std::error_code ec;
    fs::remove(p.objectIdList, ec);
    if (ec) throw fs::filesystem_error("remove", p.objectIdList, ec);
  }
}

// Older versions stored the Community folder itself; only such an ending is cut, never a
// "Community" inside the path.
std::string gf_withoutCommunityEnding(std::string_view path) {
  constexpr std::string_view kEnding = "Community";
  if (path.size() > kEnding.size() && path.ends_with(kEnding)) {
    const char separator = path[path.size() - kEnding.size() - 1];
    if (separator == '\\' || separator == '/')
      return std::string(path.substr(0, path.size() - kEnding.size() - 1));
  }
  return std::string(path);
}

namespace {

void lf_showEdition(TrafficRun& run, bool professional, std::string_view edition) {
  run.setProfessional(professional);
  run.realTraffic.edition = edition;
  run.window.setText(WindowText::RealTrafficEdition, edition);
  run.window.repaint(WindowBand::Status);
}

}  // namespace

void lf_processRTVersion(TrafficRun& run, const std::string& reply) {
  if (reply.empty()) {
    gf_setMessage("No RealTraffic version received?", true);
    return;
  }
  try {
    const nlohmann::json version = nlohmann::json::parse(reply);
    if (!version.is_object()) {
      lf_showEdition(run, false, "");
      return;
    }
    // A member that is missing takes its default: no level (the standard edition), no version text.
    bool professional = false;
    if (const auto level = version.find("level"); level != version.end()) {
      // Compared in its own type: a level such as 2e72 or 2^32 + 2 must not pass for 2.
      if (level->is_number_float())
        professional = level->get<double>() == 2.0;
      else if (level->is_number_unsigned())
        professional = level->get<std::uint64_t>() == 2;
      else
        professional = level->get<std::int64_t>() == 2;  // a text throws a type error
    }
    std::string number;
    if (const auto text = version.find("version"); text != version.end())
      number = text->is_string() ? text->get<std::string>() : text->dump();
    lf_showEdition(run, professional,
                   fmt::format("RT {} edition: {}", number, professional ? "prof" : "stnd"));
  } catch (const std::exception& e) {
    lf_showEdition(run, false, "");
    gf_logLine(fmt::format("{}: JSON parse failed: {}", "lf_processRTVersion", e.what()));
  }
}

namespace {

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

// RealTraffic's state is known: it has connected, or no link is used. From then on the readers'
// watchdog judges the traffic.
void lf_setRealTrafficKnown(TrafficRun& run, bool known) {
  run.window.setLamp(WindowLamp::RealTrafficKnown, known ? 1 : 0);
  run.window.repaint(WindowBand::Status);
  run.realTraffic.sourceReady = known;
}

// The handshake with a RealTraffic on this computer: its connection and its version.
void lf_waitForRealTraffic(TrafficRun& run) {
  if (!run.realTraffic.found) return;
  gf_setMessage(fmt::format("Waiting for RealTraffic to connect to {} ...", kProductName), true);
  gf_flushLog();
  gf_resetReaders(run);
  RealTrafficLink& link = gf_realTrafficLink();
  // One accept try per 100 ms: a stop flag or a closed link ends the wait at once. A connection
  // that fails before it answered was none of RealTraffic's: the wait goes on.
  std::optional<std::string> reply;
  while (!reply && link.listening()) {
    if (waitForClient()) reply = link.askVersion();
    if (!reply && !lf_waitUnlessStopping(100ms)) break;
  }
  if (reply) {
    lf_processRTVersion(run, *reply);
    lf_setRealTrafficKnown(run, true);
    run.realTraffic.notYetConnected = false;
    // The window's scan boxes now announce their scan for the next start instead of restarting.
    gf_setRealTrafficConnected(true);
    gf_logLine("RealTraffic connected");
  }
  gf_clearMessage();
}

// Waits for a running simulation, starts the per-second tick, and waits for the user aircraft's
// data; false when a stop flag was raised meanwhile.
bool lf_requestUserAircraftData() {
  while (!gf_simulationRunning() || gf_simConnectBlocked())
    if (!lf_waitUnlessStopping(100ms)) return false;
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

// The simulator link, RealTraffic and the readers; false when a stop flag ends it.
bool lf_runTraffic(std::unique_ptr<TrafficRun>& owner, bool realTrafficFound, ParkAirportList parkAirports,
                   const RunObserver* observer) {
  gf_showSimulatorConnected(false);
  owner = std::make_unique<TrafficRun>(gf_commandQueueSide(), gf_windowView(), realTrafficFound);
  TrafficRun& run = *owner;
  // Before the automatic radius below, which measures the distance to the park airports.
  run.parkAirports.list = std::move(parkAirports);
  if (observer && observer->built) observer->built(run);
  lf_setRealTrafficKnown(run, false);
  gf_reserveLiveryBuffers();
  // The closing down has joined the thread of the run before; the reset must never meet one.
  gf_stopSimClient();
  gf_resetSimQueues();
  run.window.repaint(WindowBand::Status);
  gf_setSimulatorLostHandler(gf_simulatorLost);
  gf_startSimClient();
  if (!lf_requestUserAircraftData()) return false;
  if (cfg::AUTO_RANGE.value()) lf_autoRange(run);

  const bool linkUsed = !cfg::AEROWINX.value();
  if (run.realTraffic.found && linkUsed) {
    gf_openServer(cfg::PORT_NUMBER.value());
  } else {
    lf_setRealTrafficKnown(run, true);
  }
  if (gf_stopRaised()) return false;
  run.window.setLamp(WindowLamp::RealTrafficIdle, 0);
  run.window.repaint(WindowBand::Status);
  if (linkUsed) {
    lf_waitForRealTraffic(run);
    if (run.realTraffic.professional) gf_sendQs123(gf_simulatorUtc());
  } else {
    run.setProfessional(false);
  }
  if (gf_stopRaised()) return false;

  run.adding.setOpen(false);
  run.qnhReader.start(lf_readerPort("QLST_QNH_PORT", kQnhPort), run.realTraffic.found);
  if (!lf_waitUnlessStopping(2s)) return false;
  run.trafficReader.start(lf_readerPort("QLST_TRAFFIC_PORT", kTrafficPort), run.realTraffic.found);
  gf_sendQs121(run);
  const UserAcPosition user = gf_userAcBlock().position;
  run.trafficReader.setReferencePosition({user.latitude, user.longitude});
  for (int i = 0; i < 150 && std::trunc(gf_latestDataTime()) == 0.0; ++i)
    if (!lf_waitUnlessStopping(100ms)) return false;
  if (std::trunc(gf_latestDataTime()) == 0.0) gf_logLine("No traffic in this region?");
  gf_updateCurrentSlot();
  return true;
}

// What follows the start-up: the main cycle, or the stop path when the start-up was cut short.
enum class StartUpEnd { MainCycle, StopPath, ClosingDown };

StartUpEnd lf_startUp(std::unique_ptr<TrafficRun>& run, const RunObserver* observer) {
  if (!lf_isDirectory(gf_paths().docs))
    throw UserErrorException(41,
                             fmt::format("{} must be run from the {} folder!", kProductName, kProductName));
  bool realTrafficFound = false;
  if (!lf_detectCommunityPath(realTrafficFound)) return StartUpEnd::ClosingDown;

  gf_setScanWorkerLimit(gf_scanWorkerLimitFor(std::thread::hardware_concurrency()));
  // A file that cannot be read is kept aside and scanned anew, as a missing one is.
  if (cfg::SCAN_LIVERIES.value() || !gf_liveriesScannedReadable()) {
    // A scan cut short by a stop flag has removed the old file: reading it now would be error 51.
    if (!lf_scanLiveries()) return StartUpEnd::StopPath;
  }
  lf_processScannedLiveries();
  if (!gf_stopRaised() && cfg::SCAN_AIRPORTS.value()) {
    lf_showAddonCounts(0, 0);
    gf_scanAddonAirports();
  }
  if (gf_stopRaised()) return StartUpEnd::StopPath;
  lf_showAddonCounts(static_cast<std::int64_t>(gf_countDirEntries(gf_paths().mySimaddon)),
                     static_cast<std::int64_t>(gf_countDirEntries(gf_paths().myThirdparty)));
  if (gf_stopRaised()) return StartUpEnd::StopPath;

  gf_createFlightPlanFolder();
  // Read before the traffic run, as the order of the start-up wants; handed to the run as soon as
  // it is built. A stored destination joins them at the start of the main cycle.
  ParkAirportList parkAirports;
  (void)lf_readMyParkAirports(parkAirports, gf_airportTable());
  lf_enable(cfg::REREAD_BUTTON, true);
  if (const std::string destination = cfg::DESTINATION.value(); !destination.empty()) {
    const IcaoCode code(destination);  // a malformed code ends the run as a system error
    if (const auto airport = gf_airportPosition(code.str())) lf_setDestination(code.str(), *airport);
  }
  setAlwaysOnTop(cfg::ALWAYS_ON_TOP.value());
  const bool started = lf_runTraffic(run, realTrafficFound, std::move(parkAirports), observer);
  return started ? StartUpEnd::MainCycle : StartUpEnd::StopPath;
}

// The way out of a start-up cut short: as if the window had been closed, keeping a reason that
// was stored before (a new setting restarts the run all the same).
void lf_stopPath() {
  gf_raiseClosing();
  gf_closeRealTrafficLink();
  gf_endRunByUser();
}

// Failures that end the run: shown on the error line, SYSTEM ERROR for the first raiser.
void lf_failRun(std::string_view text) {
  gf_setError(text);
  gf_endRun(ExitReason::SystemError, 0);
}

}  // namespace

void lf_startUpQLST(const RunObserver* observer) {
  // The run of this thread: built by the traffic run, destroyed by the closing down.
  std::unique_ptr<TrafficRun> run;
  try {
    switch (lf_startUp(run, observer)) {
      case StartUpEnd::MainCycle:
        lf_mainCycle(*run);
        break;
      case StartUpEnd::StopPath:
        lf_stopPath();
        break;
      case StartUpEnd::ClosingDown:
        break;
    }
  } catch (const UserErrorException& e) {
    gf_setError(e.what());
    gf_storeSystemError();
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
  if (run && observer && observer->closing) observer->closing(*run);
  lf_closingDown(std::move(run));
}

}  // namespace orv
