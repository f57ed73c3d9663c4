#pragma once

// The stands of the park airport as the live traffic names and reserves them. Start-up thread.

#include <cstdint>
#include <string>

#include "airports/park_airport.h"

namespace orv {

// The id text of the stand numbered standId; empty for no stand.
[[nodiscard]] std::string standName(const ParkAirport& park, std::uint32_t standId);
// Not built yet: the user has reserved no stand (empty name).
[[nodiscard]] std::string reservedStandName(const ParkAirport& park);
// Not built yet: no reserved stands to check; false, nothing to announce.
[[nodiscard]] bool gf_checkReservedStands(ParkAirport& park, bool announce, std::string& text);

}  // namespace orv
