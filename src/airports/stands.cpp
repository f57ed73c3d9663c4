#include "airports/stands.h"

#include "airports/stand_store.h"

namespace orv {

std::string standName(const ParkAirport&, std::uint32_t standId) {
  return gf_standName(standId);
}

std::string reservedStandName(const ParkAirport&) {
  return {};
}

bool gf_checkReservedStands(ParkAirport&, bool, std::string&) {
  return false;
}

}  // namespace orv
