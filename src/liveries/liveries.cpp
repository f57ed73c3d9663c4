#include "liveries/liveries.h"

namespace orv {

void gf_scanLiveries() {}

void gf_processScannedLiveries() {}

void gf_reserveLiveryBuffers() {}

void gf_logLiveryMatchingSummary() {}

void clearLiveryTablesForNextRun() {}

std::optional<std::string> matchLivery(AirlineId, ModelId, std::string_view) {
  return std::nullopt;
}

bool isFailedTitle(std::string_view) {
  return false;
}

}  // namespace orv
