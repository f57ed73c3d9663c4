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
void repaintStatusBand();
void repaintOptionsBand();
void setRealTrafficKnownShown(bool known);
void setRealTrafficIdleShown(bool idle);
void setRealTrafficEditionShown(std::string_view text);
void setAddonCountsShown(std::int64_t simaddons, std::int64_t thirdparties);
void setAlwaysOnTop(bool onTop);
void gf_selectMaxFitCombo();
void lf_setDestination(std::string_view code, double latitude, double longitude);
void enableCsToOidButton();
void gf_disableParkingControls();
void lf_autoRange();
void setCsToOidText(std::string_view text);  // and repaint the options band
void setStaticCountdownShown(std::int32_t minutes);
void setStaticCountShown(std::int64_t count);
void setActiveCountShown(std::int64_t count);
void setStatisticsCountsShown(std::int64_t first, std::int64_t second);
void resetWindowState();

// --- reference data ---
[[nodiscard]] bool gf_checkForUpdates();  // false when a new program version was handed over
[[nodiscard]] bool gf_readAirports();
struct AirportPosition {
  double latitude = 0;
  double longitude = 0;
};
[[nodiscard]] std::optional<AirportPosition> airportPosition(std::string_view icao);

// --- simulator link ---
void gf_createFlightPlanFolder();
void gf_removeFlightPlanFolder();
void gf_logNoMatchList();

// --- liveries and add-on airports ---
void gf_scanLiveries();
void gf_processScannedLiveries();
void gf_reserveLiveryBuffers();
void gf_scanAddonAirports();
void gf_logLiveryMatchingSummary();

// --- live traffic ---
[[nodiscard]] bool lf_readMyParkAirports();
void gf_openServer(std::string_view port);  // throws when the port cannot be opened
[[nodiscard]] bool waitForClient();
bool sendDataPacket(std::string_view text);
[[nodiscard]] std::string gf_receiveRealTraffic();
void gf_updateParkAirport(bool firstCallOfRun);
void gf_removeByList();
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

}  // namespace orv::pending

namespace orv::pending {
// --- liveries of the next run: the tables emptied and built again (on the start-up thread) ---
void clearLiveryTablesForNextRun();
}  // namespace orv::pending
