#include "airports/stands.h"

#include "airports/stand_store.h"

namespace orv {

std::string standName(const ParkAirport&, std::uint32_t standId) {
  return gf_standName(standId);
}

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
