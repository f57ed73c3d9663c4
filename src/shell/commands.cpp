#include "shell/commands.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/utf.h"
#include "foundation/window_view.h"
#include "liveries/livery_processing.h"
#include "platform/os/open_folder.h"
#include "platform/ui/controls.h"
#include "platform/ui/message_box.h"
#include "refdata/airports_table.h"
#include "shell/closing_down.h"
#include "shell/main_cycle.h"
#include "shell/run_work.h"
#include "simlink/command_queues.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/park_airports.h"
#include "traffic/removal.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

using namespace cfg;

std::atomic<bool> staticLoaded{false};
// The manual radius kept while AUTO_RANGE is on; once per process, RANGE's default until the
// first switch (-1: not taken yet; RANGE may not be built when this is).
std::atomic<std::int32_t> manualRadius{-1};

void lf_enable(const WindowControl& control, bool enabled) {
  ui::setEnabled(control.window(), enabled);
}

void lf_repaintOptions() {
  gf_windowView().repaint(WindowBand::Options);
}

void lf_show(std::string_view text) {
  gf_setMessage(text);
}
void lf_showAndLog(std::string_view text) {
  gf_setMessage(text, true);
}

std::atomic<bool> realTrafficConnected{false};

bool lf_realTrafficConnected() {
  return realTrafficConnected.load();
}

void lf_storeText(EditParameter& parameter, std::string value) {
  gf_setAndWriteParameter(parameter, std::move(value));
  gf_showTextParameter(parameter, parameter);
}

void lf_unblockCallsign() {
  const std::string callsign = BLOCK_CALLSIGN.value();
  lf_storeText(BLOCK_CALLSIGN, "");
  lf_enable(UNBLOCK_BUTTON, false);
  lf_showAndLog(fmt::format("no more blocking of live aircraft '{}'", callsign));
  gf_tickRequests().block = true;
}

// The callsign list is the live list's: rebuilt by the start-up thread.
void lf_refreshCallsignList() {
  gf_queueRunWork([](TrafficRun& run) { gf_listActiveCallsigns(run); });
}

void lf_blockCallsign(std::string callsign) {
  lf_storeText(BLOCK_CALLSIGN, std::move(callsign));
  lf_enable(UNBLOCK_BUTTON, true);
  gf_tickRequests().block = true;
}

bool lf_callsignChosen() {
  return !CALLSIGN_2_OBJECTID.value().empty();
}

bool lf_handleButtons(int id) {
  TickRequests& requests = gf_tickRequests();
  if (id == UNBLOCK_BUTTON.controlId()) {
    if (BLOCK_CALLSIGN.value().empty())
      lf_show("Nothing to block or unblock...");
    else
      lf_unblockCallsign();
    lf_enable(BLOCK_BUTTON, lf_callsignChosen());
  } else if (id == CS_TO_OID_BUTTON.controlId()) {
    requests.csToOid = true;
    lf_enable(BLOCK_BUTTON, false);
  } else if (id == BLOCK_BUTTON.controlId()) {
    // An empty callsign blocks nothing.
    if (lf_callsignChosen()) {
      lf_blockCallsign(CALLSIGN_2_OBJECTID.value());
      lf_refreshCallsignList();
    }
    lf_enable(BLOCK_BUTTON, false);
  } else if (id == REREAD_BUTTON.controlId()) {
    requests.reread = true;
    lf_enable(REREAD_BUTTON, false);
    lf_enable(DESTINATION, false);
  } else if (id == FLUSH_STATIC_BUTTON.controlId()) {
    lf_show("All static parked aircraft will be removed ...");
    requests.flushStatic = true;
    lf_enable(FLUSH_STATIC_BUTTON, false);
  } else if (id == TBLO_ZIP_BUTTON.controlId()) {
    const auto zip = gf_paths().tblo / gf_paths().tbloZip;
    std::error_code ec;
    if (!std::filesystem::exists(zip, ec) || !os::openFolder(zip.parent_path()))
      ui::messageBox(gf_mainWindow(), "Could not open File Explorer at tblo.zip.", "QLST",
                     ui::MessageBoxIcon::Exclamation);
  } else if (id == NOW_BUTTON.controlId()) {
    if (!gf_staticParkingLoaded()) return true;
    if (!INITIAL_LOAD_ONLY.value()) {
      gf_queueRunWork([](TrafficRun& run) { lf_announceStaticParkingUpdate(run); });
      requests.staticParkingCountdown = 20;
      gf_windowView().setStaticCountdown(20);
      lf_repaintOptions();
    } else {
      gf_clearMessage();
    }
  } else {
    return false;
  }
  return true;
}

void lf_restartForSettings(std::string_view text, int seconds) {
  lf_showAndLog(text);
  gf_endRun(ExitReason::NewSettings, seconds);
}

// Every static aircraft in the simulator and every live one parked there.
void lf_switchParkedNavLights(TrafficRun& run, std::uint32_t value) {
  for (const StaticAircraft& s : run.parking.statics)
    if (s.state == SimState::Active && s.objectId != 0)
      run.sim.queueEvent(SimEvent{s.objectId, simid::kNavLightsSet, value});
  for (const LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active && a.phase == FlightPhase::Parked && a.objectId != 0)
      run.sim.queueEvent(SimEvent{a.objectId, simid::kNavLightsSet, value});
}

void lf_afterCheckBox(CheckBoxParameter& box) {
  const bool on = box.value();
  const auto notice = [on](bool when, std::string_view text) {
    if (on == when)
      lf_show(text);
    else
      gf_clearMessage();
  };
  if (&box == &LIG_AUTOMATIC) {
    notice(false, "The liveries defined by your lfolder parameters will be scanned");
    lf_enable(AI_PACKAGE_SELECTOR, on);
  } else if (&box == &LIG_PRIORITIZE) {
    notice(true, "Liveries, for airl+model, in lower lfolders that are already available will be skipped");
  } else if (&box == &COLLISION_LIVE_PARKED_GND) {
    notice(false, "Be aware, live aircraft may collide with (run through) static parked on the ground");
  } else if (&box == &COLLISION_USER_GND) {
    notice(false,
           "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the "
           "ground");
  } else if (&box == &COLLISION_USER_AIR) {
    notice(false, "Be aware, user aircraft may collide with (run through) live aircraft in the air");
  } else if (&box == &INITIAL_LOAD_ONLY) {
    notice(
        true,
        fmt::format(
            "Initial Load Only: static parked aircraft are generated once, no renewal every {} minutes", 20));
    lf_enable(NOW_BUTTON, !on);
    lf_repaintOptions();
  } else if (&box == &ALWAYS_ON_TOP) {
    notice(true, fmt::format("{}'s window will remain visible", kProductName));
    setAlwaysOnTop(on);
    lf_repaintOptions();
  } else if (&box == &GUID_CHANGES) {
    notice(false, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
    lf_repaintOptions();
  } else if (&box == &AEROWINX) {
    notice(true, fmt::format("Aerowinx mode is only for users of the Aerowinx simulator: start {} again",
                             kProductName));
  } else if (&box == &AUTO_RANGE) {
    lf_enable(AR_ABOVE_HEIGHT, on);
    lf_applyAutoRangeOption();
  } else if (&box == &SCAN_AIRPORTS) {
    if (!on)
      gf_clearMessage();
    else if (lf_realTrafficConnected())
      lf_show(fmt::format("Your airports will be scanned at the next start of {}", kProductName));
    else
      lf_restartForSettings("Your airports will be scanned", 2);
    lf_repaintOptions();
  } else if (&box == &SCAN_LIVERIES) {
    lf_enable(AI_PACKAGE_SELECTOR, !on);
    if (!on)
      gf_clearMessage();
    else if (lf_realTrafficConnected()) {
      // The scan runs at the next start, which may be a restart of this process: its tables must
      // then be built again from the new list.
      clearLiveryTablesForNextRun();
      lf_show(fmt::format("Your liveries will be scanned at the next start of {}", kProductName));
    } else {
      // The start-up thread empties the tables before it builds them again: they are its own,
      // and the restart's reset must not lose the request.
      clearLiveryTablesForNextRun();
      lf_restartForSettings("Your liveries will be scanned", 2);
    }
    lf_repaintOptions();
  } else if (&box == &NAV_LIGHTS_WHILE_PARKED) {
    gf_queueRunWork([value = on ? 1u : 0u](TrafficRun& run) { lf_switchParkedNavLights(run, value); });
  } else if (&box == &OBJECTID_LIST) {
    notice(true, fmt::format("Every minute info about all active live aircraft is written to the file {}",
                             gf_paths().objectIdList.string()));
  } else if (&box == &AIRBORNE_ONLY) {
    notice(true, "Be aware, airborne live traffic only!  (greater than 300 ft above ground ...)");
    lf_repaintOptions();
  }
}

bool lf_handleCheckBoxes(int id) {
  for (CheckBoxParameter* box : {&LIG_AUTOMATIC,
                                 &LIG_PRIORITIZE,
                                 &COLLISION_LIVE_PARKED_GND,
                                 &COLLISION_USER_GND,
                                 &COLLISION_USER_AIR,
                                 &INITIAL_LOAD_ONLY,
                                 &ALWAYS_ON_TOP,
                                 &GUID_CHANGES,
                                 &AEROWINX,
                                 &AUTO_RANGE,
                                 &SCAN_LIVERIES,
                                 &SCAN_AIRPORTS,
                                 &PARK_SOFT,
                                 &WEEK,
                                 &NAV_LIGHTS_WHILE_PARKED,
                                 &OBJECTID_LIST,
                                 &STRAIGHT_PBS_ONLY,
                                 &LIGHT_AIRCRAFT,
                                 &HELICOPTERS,
                                 &HIGH_PERF_AIRCRAFT,
                                 &AIRBORNE_ONLY}) {
    if (box->controlId() != id) continue;
    box->set(!box->value());
    gf_showCheck(*box);
    gf_saveBoolParameter(*box);
    lf_afterCheckBox(*box);
    return true;
  }
  return false;
}

// The selected index and its text when the command is CBN_SELCHANGE of that drop-down.
std::optional<std::pair<int, std::string>> lf_comboSelectionText(const WindowControl& combo,
                                                                 ui::WParam command) {
  if (ui::commandControlId(command) != combo.controlId() || ui::commandCode(command) != ui::CBN_SELCHANGE)
    return std::nullopt;
  const int index = ui::selection(combo.window());
  const auto item = ui::selectedItem(combo.window());
  if (index < 0 || !item) return std::nullopt;
  return std::pair{index, wide_to_utf8(*item)};
}

void lf_storeInt(ComboIntParameter& parameter, int index) {
  const auto& choices = parameter.choices();
  if (index < 0 || static_cast<std::size_t>(index) >= choices.size()) return;
  parameter.set(choices[static_cast<std::size_t>(index)]);
  gf_saveIntParameter(parameter);
}

bool lf_handleComboBoxes(ui::WParam command) {
  if (auto chosen = lf_comboSelectionText(SIM_CHOICE, command)) {
    if (chosen->second != SIM_CHOICE.value()) {
      gf_setAndWriteParameter(SIM_CHOICE, chosen->second);
      gf_showTextParameter(SIM_CHOICE, SIM_CHOICE);
      // The liveries and add-on airports of the other simulator: scanned afresh at the restart.
      gf_switchSimVersion();
    }
    return true;
  }
  if (auto chosen = lf_comboSelectionText(AI_PACKAGE_SELECTOR, command)) {
    if (chosen->second != AI_PACKAGE_SELECTOR.value()) {
      gf_setAndWriteParameter(AI_PACKAGE_SELECTOR, chosen->second);
      lf_showAndLog("If you want to make this choice effective, you must start a Scan for liveries");
    }
    return true;
  }
  if (auto chosen = lf_comboSelectionText(CALLSIGN_2_OBJECTID, command)) {
    if (chosen->second != CALLSIGN_2_OBJECTID.value()) {
      CALLSIGN_2_OBJECTID.set(chosen->second);
      gf_windowView().setText(WindowText::CsToOid, "");
      lf_repaintOptions();
      // The list stays as it is: the next tick shows the chosen callsign's object id.
      gf_tickRequests().csToOidPending = true;
      lf_enable(BLOCK_BUTTON, !chosen->second.empty() && !ui::isEnabled(UNBLOCK_BUTTON.window()));
    }
    return true;
  }
  if (auto chosen = lf_comboSelectionText(MATCHING_DEPTH, command)) {
    const std::int32_t before = MATCHING_DEPTH.value();
    lf_storeInt(MATCHING_DEPTH, chosen->first);
    if (MATCHING_DEPTH.value() > before) gf_tickRequests().noLiveryReset = true;
    return true;
  }
  for (ComboIntParameter* plain :
       {&MAX_PARK_SEL, &PARKING_PERCENTAGE, &RANGE, &AIRP_RANGE, &AR_ABOVE_HEIGHT, &AIRP_HEIGHT}) {
    if (auto chosen = lf_comboSelectionText(*plain, command)) {
      lf_storeInt(*plain, chosen->first);
      if (plain == &RANGE) gf_setRange(RANGE.value());
      lf_repaintOptions();
      return true;
    }
  }
  if (auto chosen = lf_comboSelectionText(MAX_FIT_FL, command)) {
    const auto& choices = MAX_FIT_FL.choices();
    const float hours = choices[static_cast<std::size_t>(chosen->first)];
    MAX_FIT_FL.set(hours);
    MAX_FIT.set(std::clamp<std::int64_t>(std::lround(2.0 * hours) - 1, 0, 47));
    gf_saveIntParameter(MAX_FIT);
    return true;
  }
  if (auto chosen = lf_comboSelectionText(MAX_LIVE_SEL, command)) {
    lf_storeInt(MAX_LIVE_SEL, chosen->first);
    gf_queueRunWork([](TrafficRun& run) { gf_removeLiveAboveLimit(run, MAX_LIVE_SEL.value()); });
    lf_repaintOptions();
    return true;
  }
  return false;
}

bool lf_validCallsignLength(std::string_view text) {
  return text.size() >= 4 && text.size() <= 8;
}

std::string lf_upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void lf_onCallsignEntered(std::string_view typed) {
  if (typed.empty()) {
    if (!BLOCK_CALLSIGN.value().empty()) lf_unblockCallsign();
    return;
  }
  if (!lf_validCallsignLength(typed)) {
    lf_showAndLog(fmt::format("callsign '{}' is not valid", typed));
    gf_showTextParameter(BLOCK_CALLSIGN, BLOCK_CALLSIGN);
    return;
  }
  const std::string callsign = lf_upper(typed);
  if (callsign == BLOCK_CALLSIGN.value()) {
    lf_showAndLog(fmt::format("callsign '{}' was already set ...", callsign));
    return;
  }
  if (callsign == CALLSIGN_2_OBJECTID.value()) lf_refreshCallsignList();
  lf_blockCallsign(callsign);
}

void lf_onDestinationEntered(std::string_view typed) {
  if (typed.empty()) {
    lf_storeText(DESTINATION, "");
    lf_enable(REREAD_BUTTON, true);
    lf_showAndLog("destination set to empty");
    return;
  }
  const bool valid = typed.size() == 4 && std::all_of(typed.begin(), typed.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) != 0;
                     });
  if (!valid) {
    lf_showAndLog(fmt::format("destination '{}' is not valid", typed));
    gf_showTextParameter(DESTINATION, DESTINATION);
    return;
  }
  const std::string code = lf_upper(typed);
  if (code == DESTINATION.value()) {
    lf_showAndLog(fmt::format("destination '{}' was already set ...", code));
    gf_showTextParameter(DESTINATION, DESTINATION);
    return;
  }
  if (const auto position = gf_airportPosition(code)) {
    lf_setDestination(code, *position);
  } else {
    lf_showAndLog(fmt::format("destination '{}' is unknown ...", code));
    gf_showTextParameter(DESTINATION, DESTINATION);
  }
}

// The path without trailing separators, so that ".../Community/" ends in "Community".
std::filesystem::path lf_trimmedPath(std::string_view typed) {
  std::string text(typed);
  while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  return std::filesystem::path(text);
}

void lf_onCommunityPathEntered(std::string_view typed) {
  gf_clearError();
  gf_clearMessage();
  StringParameter& installPath =
      SIM_CHOICE.value() == "MSFS 2024" ? MSFS_2024_INSTALL_PATH : MSFS_INSTALL_PATH;
  if (typed.empty()) {
    if (!installPath.value().empty()) gf_setAndWriteParameter(installPath, "");
    return;
  }
  const std::filesystem::path path = lf_trimmedPath(typed);
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  if (ec) {
    lf_showAndLog(fmt::format("Cannot access install path '{}': {}", typed, ec.message()));
    return;
  }
  if (!exists) {
    lf_showAndLog(fmt::format("This install path does not exist: {}", typed));
    return;
  }
  const auto restart = [&installPath](const std::filesystem::path& packages) {
    gf_setAndWriteParameter(installPath, packages.string());
    lf_restartForSettings(fmt::format("Community path found, {} will restart ...", kProductName), 3);
  };
  if (path.filename() != "Community") {
    if (std::filesystem::is_directory(path / "Community", ec))
      restart(path);
    else
      lf_showAndLog("This path exists but is not a path to Community ...");
    return;
  }
  const std::filesystem::path parent = path.parent_path();
  if (std::filesystem::is_directory(parent / "Community", ec))
    restart(parent);
  else
    lf_showAndLog("This path does not contain a valid Community folder (unexpected).");
}

}  // namespace

bool lf_HandleWMCOMMAND(ui::WindowHandle, ui::WParam command) {
  try {
    const int id = ui::commandControlId(command);
    if (lf_handleButtons(id) || lf_handleCheckBoxes(id) || lf_handleComboBoxes(command)) return true;
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", e.what()));
  }
  lf_repaintOptions();
  return false;
}

void gf_onEditEntered(EditParameter& box, std::string_view typed) {
  if (&box == &BLOCK_CALLSIGN)
    lf_onCallsignEntered(typed);
  else if (&box == &DESTINATION)
    lf_onDestinationEntered(typed);
  else if (&box == &ALL_INSTALL_PATH)
    lf_onCommunityPathEntered(typed);
}

void gf_selectMaxFitCombo() {
  const auto& choices = MAX_FIT_FL.choices();
  // MAX_FIT counts fit steps; the step table gives their hours, which are the drop-down's choices.
  const float hours = gf_stepValue(MAX_FIT.value());
  MAX_FIT_FL.set(hours);
  const auto it = std::find(choices.begin(), choices.end(), hours);
  if (it != choices.end()) ui::selectIndex(MAX_FIT_FL.window(), static_cast<int>(it - choices.begin()));
}

void lf_setDestination(std::string_view code, Position airport) {
  lf_storeText(DESTINATION, std::string(code));
  lf_showAndLog(fmt::format("New destination: {}", code));
  gf_queueRunWork(
      [icao = IcaoCode(code), airport](TrafficRun& run) { gf_addParkAirportCmd(run, icao, airport); });
  lf_enable(REREAD_BUTTON, false);
}

namespace {
void lf_parkingControls(bool enabled) {
  for (const WindowControl* c : std::initializer_list<const WindowControl*>{
           &PARKING_PERCENTAGE, &WEEK, &PARK_SOFT, &MAX_FIT_FL, &MAX_PARK_SEL, &MAX_LIVE_SEL,
           &FLUSH_STATIC_BUTTON, &REREAD_BUTTON})
    lf_enable(*c, enabled);
  if (!INITIAL_LOAD_ONLY.value()) lf_enable(NOW_BUTTON, enabled);
  lf_repaintOptions();
}
}  // namespace

void gf_disableParkingControls() {
  gf_tickRequests().parkingUpdateInProgress = true;
  lf_parkingControls(false);
}

void gf_enableParkingControls() {
  gf_tickRequests().parkingUpdateInProgress = false;
  gf_windowView().setStaticCountdown(20);
  lf_parkingControls(true);
}

std::int32_t gf_autoRadius(bool onGround, double altitudeFt, double heightAboveGroundFt, double d) {
  if (onGround) return 10;
  if (altitudeFt > AR_ABOVE_HEIGHT.value()) return 100;
  if (heightAboveGroundFt > AIRP_HEIGHT.value()) return 40;
  if (d <= 7.0) return 10;
  if (d >= 37.0) return 40;
  const long n = std::lround(d);
  if (n >= 33) return 35;
  if (n >= 28) return 30;
  if (n >= 23) return 25;
  if (n >= 19) return 20;
  if (n >= 17) return 18;
  if (n >= 15) return 16;
  if (n >= 13) return 14;
  if (n >= 11) return 12;
  if (n >= 9) return 10;
  return 8;
}

void lf_autoRange(const TrafficRun& run) {
  if (!gf_userDataKnown()) return;
  const UserAcPosition p = gf_userAcBlock().position;
  gf_setRange(
      gf_autoRadius(gf_userAircraftOnGround(), p.altitude, p.altAboveGround, gf_nearestParkAirportNm(run)));
}

void lf_applyAutoRangeOption() {
  if (AUTO_RANGE.value()) {
    manualRadius = RANGE.value();
    // The park airports are the start-up thread's; switched off meanwhile, the manual radius stays.
    gf_queueRunWork([](TrafficRun& run) {
      if (AUTO_RANGE.value()) lf_autoRange(run);
    });
  } else {
    const std::int32_t manual = manualRadius.load();
    gf_setRange(manual < 0 ? RANGE.defaultValue() : manual);
    gf_clearMessage();
  }
  lf_enable(RANGE, !AUTO_RANGE.value());
}

void gf_setRange(double radiusNm) {
  const double r = std::clamp(radiusNm, 2.0, 100.0);
  RANGE.set(static_cast<std::int64_t>(std::lround(r)));
  gf_showRange();
}

void enableCsToOidButton() {
  lf_enable(CS_TO_OID_BUTTON, true);
  lf_enable(CALLSIGN_2_OBJECTID, true);
}

bool gf_openParametersFolder() {
  if (gf_openContainingFolder(gf_parametersPath())) return true;
  ui::messageBox(gf_mainWindow(), "Could not open folder with parameters.xml", "QLST",
                 ui::MessageBoxIcon::Exclamation);
  return false;
}

bool gf_openManual() {
  std::error_code ec;
  const std::filesystem::path manual = std::filesystem::absolute(gf_paths().docs / "Manual.pdf", ec);
  if (!ec && gf_openContainingFolder(manual)) return true;
  ui::messageBox(gf_mainWindow(), "Could not open local folder with Manual", "QLST",
                 ui::MessageBoxIcon::Exclamation);
  return false;
}

void setAlwaysOnTop(bool onTop) {
  ui::setTopmost(gf_mainWindow(), onTop);
}

void gf_setRealTrafficConnected(bool connected) {
  realTrafficConnected = connected;
}

void gf_setStaticParkingLoaded(bool loaded) {
  staticLoaded = loaded;
}
bool gf_staticParkingLoaded() {
  return staticLoaded;
}

}  // namespace orv
