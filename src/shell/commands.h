#pragma once

// What the window's controls do: the command handling of the options band, the edit boxes'
// Enter key, destination, range and the parking controls. GUI thread unless stated.

#include <cstdint>
#include <string_view>

#include "config/parameters.h"
#include "foundation/geometry.h"
#include "platform/ui/window.h"

namespace orv {

class TrafficRun;

// WM_COMMAND: true when a button, check box or drop-down list handled it. A handler's
// std::exception is logged and counts as not handled.
bool lf_HandleWMCOMMAND(ui::WindowHandle window, ui::WParam command);
// The Enter key in one of the three edit boxes, with the typed text.
void gf_onEditEntered(EditParameter& box, std::string_view typed);

// MAX_FIT_FL selects the hours of MAX_FIT.
void gf_selectMaxFitCombo();
// DESTINATION := code, saved and shown, announced; Re-read disabled. The park airports take the
// code at the next cycle. The GUI thread and the start-up thread.
void lf_setDestination(std::string_view code, Position airport);
void gf_disableParkingControls();
void gf_enableParkingControls();
// The automatic radius for the user aircraft: 10 on the ground; in the air by the heights and
// the distance to the nearest park airport (nm, 10000 for none).
[[nodiscard]] std::int32_t gf_autoRadius(bool onGround, double altitudeFt, double heightAboveGroundFt,
                                         double nearestAirportNm);
// Applies the automatic radius from the user aircraft's last known state and the run's nearest
// park airport; nothing before the simulator has reported it. Start-up thread.
void lf_autoRange(const TrafficRun& run);
// AUTO_RANGE on: remembers the manual radius; the automatic one follows at the next cycle, as long
// as AUTO_RANGE is still on then. Off: the manual radius comes back at once.
void lf_applyAutoRangeOption();
// RANGE := the radius clamped to [2, 100], the drop-down's first choice not below it selected.
void gf_setRange(double radiusNm);
// The callsign list and its cs->oid: button take input from the start of the main cycle.
void enableCsToOidButton();
void setAlwaysOnTop(bool onTop);

// Open the folder of "parameters.xml", or of the manual in "docs", in the file manager; a
// warning box when that fails. True when it opened. Any thread.
bool gf_openParametersFolder();
bool gf_openManual();

// RealTraffic connected in this run (false at the run's start); scans then wait for the next
// start of the program instead of restarting the run. Any thread.
void gf_setRealTrafficConnected(bool connected);

// Shown by the window: a park airport with static parking is loaded. The main cycle keeps it
// current. Any thread.
void gf_setStaticParkingLoaded(bool loaded);
[[nodiscard]] bool gf_staticParkingLoaded();

}  // namespace orv
