#include "airports/stands.h"

namespace orv {

std::string standName(const ParkAirport&, std::uint32_t) {
  return {};
}

std::string reservedStandName(const ParkAirport&) {
  return {};
}

bool gf_checkReservedStands(ParkAirport&, bool, std::string&) {
  return false;
}

}  // namespace orv
