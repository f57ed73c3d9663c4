#include "shell/pending_parts.h"

namespace orv::pending {

void enableCsToOidButton() {}
void gf_disableParkingControls() {}
void lf_autoRange() {}
void setCsToOidText(std::string_view) {}
void setStaticCountdownShown(std::int32_t) {}
void setStaticCountShown(std::int64_t) {}
void setActiveCountShown(std::int64_t) {}
void setStatisticsCountsShown(std::int64_t, std::int64_t) {}
void resetWindowState() {}

void repaintStatusBand() {}
void repaintOptionsBand() {}
void setRealTrafficKnownShown(bool) {}
void setRealTrafficIdleShown(bool) {}
void setRealTrafficEditionShown(std::string_view) {}
void setAddonCountsShown(std::int64_t, std::int64_t) {}
void setAlwaysOnTop(bool) {}
void gf_selectMaxFitCombo() {}
void lf_setDestination(std::string_view, double, double) {}

bool gf_checkForUpdates() { return true; }
bool gf_readAirports() { return true; }
std::optional<AirportPosition> airportPosition(std::string_view) { return std::nullopt; }

void gf_createFlightPlanFolder() {}
void gf_scanLiveries() {}
void gf_processScannedLiveries() {}
void gf_reserveLiveryBuffers() {}
void gf_scanAddonAirports() {}

bool lf_readMyParkAirports() { return false; }
void gf_openServer(std::string_view) {}
bool waitForClient() { return false; }
bool sendDataPacket(std::string_view) { return false; }
std::string gf_receiveRealTraffic() { return {}; }

void gf_removeFlightPlanFolder() {}
void gf_logNoMatchList() {}

void gf_logLiveryMatchingSummary() {}

void gf_updateParkAirport(bool) {}
void gf_removeByList() {}
void gf_sendQs121() {}
void gf_sendQs123() {}
std::string reservedStandName() {
  return {};
}
void gf_removeParkedByName(std::string_view) {}
bool gf_checkReservedStands(bool, std::string&) {
  return false;
}
bool parkAirportWithStands() {
  return false;
}
bool staticParkAirportLoaded() {
  return false;
}
void gf_parkingAdjustments() {}
void arrivalCheckStep() {}
std::optional<std::uint32_t> objectIdOfActiveCallsign(std::string_view) {
  return std::nullopt;
}
void gf_removeAllAc() {}
void gf_listActiveCallsigns() {}
void gf_removeAcNearUser() {}
void gf_removeAcAheadOfUser() {}
void gf_recheckMovingAc() {}
void removeActiveByCallsign(std::string_view) {}
void emptyNoLiverySet() {}
void gf_closeRealTrafficLink() {}
void clearParkAirport() {}
void emptyCallsignsToRemove() {}

}  // namespace orv::pending

namespace orv::pending {
void clearLiveryTablesForNextRun() {}
}  // namespace orv::pending
