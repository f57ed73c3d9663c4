#pragma once

// The airports table and the position of an airport. Start-up thread.

#include <optional>
#include <string_view>

#include "foundation/geometry.h"

namespace orv {

// Not built yet: there is no table to read, which counts as read.
[[nodiscard]] bool gf_readAirports();
// Not built yet: no airport is known.
[[nodiscard]] std::optional<Position> airportPosition(std::string_view icao);

}  // namespace orv
