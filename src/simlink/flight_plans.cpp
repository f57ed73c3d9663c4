#include "simlink/flight_plans.h"

namespace orv {

void gf_createFlightPlanFolder() {}

void gf_removeFlightPlanFolder() {}

std::filesystem::path gf_flightPlanFolder() {
  return {};
}

std::optional<std::filesystem::path> gf_writeFlightPlan(std::string_view, std::string_view,
                                                        std::string_view) {
  return std::nullopt;
}

void gf_deleteFlightPlan(std::string_view) {}

void gf_liveryNotCreated(const std::string&) {}

void gf_logNoMatchList() {}

}  // namespace orv
