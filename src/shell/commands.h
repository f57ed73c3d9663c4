#pragma once

// What the window's controls do: the command handling of the options band, the edit boxes'
// Enter key, destination, range and the parking controls. GUI thread unless stated.

#include <cstdint>
#include <string_view>

#include "config/parameters.h"
#include "foundation/geometry.h"
#include "platform/ui/window.h"

namespace orv {

// WM_COMMAND: true when a button, check box or drop-down list handled it. A handler's
// std::exception is logged and counts as not handled.
bool lf_HandleWMCOMMAND(ui::WindowHandle window, ui::WParam command);
// The Enter key in one of the three edit boxes, with the typed text.
void gf_onEditEntered(EditParameter& box, std::string_view typed);

// MAX_FIT_FL selects the hours of MAX_FIT.
void gf_selectMaxFitCombo();
// DESTINATION := code, saved and shown, announced; Re-read disabled.
void lf_setDestination(std::string_view code, Position airport);
void gf_disableParkingControls();
void gf_enableParkingControls();
// The automatic radius for the user aircraft: 10 on the ground; in the air by the heights and
// the distance to the nearest park airport (nm, 10000 for none).
[[nodiscard]] std::int32_t gf_autoRadius(bool onGround, double altitudeFt, double heightAboveGroundFt,
                                         double nearestAirportNm);
// Applies the automatic radius from the user aircraft's last known state; nothing before the
// simulator has reported it. Start-up thread.
void lf_autoRange();
// AUTO_RANGE on: remembers the manual radius and applies the automatic one; off: restores it.
void lf_applyAutoRangeOption();
// RANGE := the radius clamped to [2, 100], the drop-down's first choice not below it selected.
void gf_setRange(double radiusNm);
void enableCsToOidButton();
void setAlwaysOnTop(bool onTop);

// The distance from the user aircraft to the first park airport of the list (nm); 10000 while
// the list is empty. Written by the park-airport side, read by the automatic radius. Any thread.
void gf_setNearestParkAirportNm(double nm);

// RealTraffic connected in this run (false at the run's start); scans then wait for the next
// start of the program instead of restarting the run. Any thread.
void gf_setRealTrafficConnected(bool connected);

// Shown by the window: the add-on airport scan put files into the tblo bundle; a park airport
// with static parking is loaded. Any thread.
void gf_setTbloFilesWritten(bool written);
[[nodiscard]] bool gf_tbloFilesWritten();
void gf_setStaticParkingLoaded(bool loaded);
[[nodiscard]] bool gf_staticParkingLoaded();

}  // namespace orv
