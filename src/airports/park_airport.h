#pragma once

// The park airport of a run: the airport whose stands take parked and static aircraft, and its
// stands. Start-up thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "airports/destination_stands.h"
#include "airports/quality_factors.h"
#include "config/parameter_store.h"
#include "foundation/fixed_code.h"

namespace orv {

class AirportTable;

// What the loaded stand file says of its airport.
struct ParkAirportInfo {
  std::string airportName;
  std::string publisher;
  std::int32_t altitude = 0;  // feet
};

// The run's park airport and what its loading found; its stands are gf_parkStands().
struct ParkAirport {
  std::optional<IcaoCode> icao;  // none until a park airport is set
  ParkAirportInfo info;
  QualityFactors quality;
  bool handmade = false;           // a handmade learned file replaced the stands
  std::int32_t rtTrafficWeek = 0;  // "RT_traffic_week" of the stand file
  // The eight per-airport settings as the loading found them, restored when the park airport
  // changes.
  AirportSettings settings;
  // The airports table consulted; the program's when null (tests hand in their own).
  const AirportTable* table = nullptr;
  // The stands of destination airports read in this run, for gf_closestAirport through
  // gf_destinationStandDistance(park.destinations).
  DestinationStands destinations;
};

// Not built yet: the park-airport list is not read, so no park airport is chosen.
[[nodiscard]] bool lf_readMyParkAirports(ParkAirport& park);
// Not built yet: false, no park airport with stands is loaded.
[[nodiscard]] bool parkAirportWithStands(const ParkAirport& park);
// Not built yet: false, no park airport with static parking is loaded.
[[nodiscard]] bool staticParkAirportLoaded(const ParkAirport& park);

}  // namespace orv
