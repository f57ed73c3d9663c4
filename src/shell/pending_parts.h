#pragma once

// The calls of the run into parts of the program that are not built yet. Each does nothing, or
// answers "nothing there", until its part arrives; the part then takes the place of its entry
// here and the call site drops the `pending::` prefix.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv::pending {

// --- main window ---
void enableCsToOidButton();
void gf_disableParkingControls();
void lf_autoRange();
void setCsToOidText(std::string_view text);  // and repaint the options band
void setStaticCountdownShown(std::int32_t minutes);
void setStaticCountShown(std::int64_t count);
void setActiveCountShown(std::int64_t count);
void setStatisticsCountsShown(std::int64_t first, std::int64_t second);
void resetWindowState();

// --- simulator link ---
void gf_removeFlightPlanFolder();
void gf_logNoMatchList();

// --- liveries ---
void gf_logLiveryMatchingSummary();

// --- live traffic ---
void gf_updateParkAirport(bool firstCallOfRun);
void gf_removeByList();
[[nodiscard]] bool professionalPeer();
void gf_sendQs121();
void gf_sendQs123();
[[nodiscard]] std::string reservedStandName();
void gf_removeParkedByName(std::string_view stand);
[[nodiscard]] bool gf_checkReservedStands(bool announce, std::string& text);
[[nodiscard]] bool parkAirportWithStands();
[[nodiscard]] bool staticParkAirportLoaded();
void gf_parkingAdjustments();
void arrivalCheckStep();  // one key of the arrival check list per tick
[[nodiscard]] std::optional<std::uint32_t> objectIdOfActiveCallsign(std::string_view callsign);
void gf_removeAllAc();
void gf_listActiveCallsigns();
void gf_removeAcNearUser();
void gf_removeAcAheadOfUser();
void gf_recheckMovingAc();
void removeActiveByCallsign(std::string_view callsign);
void emptyNoLiverySet();
void gf_closeRealTrafficLink();
void clearParkAirport();
void emptyCallsignsToRemove();
void updateCurrentSlot();

}  // namespace orv::pending

namespace orv::pending {
// --- switching the simulator version (SIM_CHOICE with its liveries and settings) ---
void gf_switchSimVersion();
}  // namespace orv::pending
