#include "airports/stands.h"

namespace orv {

std::string reservedStandName(const ParkAirport& park) {
  return park.icao ? park.reservedStand : std::string();
}

bool gf_reserveStandForUser(std::vector<Stand>& stands, std::string_view id) {
  bool found = false;
  for (Stand& stand : stands) {
    stand.reservedForUser = !id.empty() && stand.id == id;
    found = found || stand.reservedForUser;
  }
  return found;
}

}  // namespace orv
