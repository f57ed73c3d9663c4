#pragma once

// The stands of the park airport as the live traffic names and reserves them. Start-up thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "airports/park_airport.h"
#include "airports/stand_records.h"

namespace orv {

// The stand the user keeps for the own aircraft at the park airport; empty for none.
[[nodiscard]] std::string reservedStandName(const ParkAirport& park);
// Only the stand of that id keeps the user's reservation (none for an empty id). True when a
// stand has the id.
bool gf_reserveStandForUser(std::vector<Stand>& stands, std::string_view id);

}  // namespace orv
