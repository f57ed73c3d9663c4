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
#include "foundation/geometry.h"

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
  Position position;             // the airports table's reference point
  float elevationFt = 0.0F;      // the airports table's
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
  // The stand that the user keeps for the own aircraft, from the park-airport list; empty for none.
  std::string reservedStand;
  // The stand file loaded (as gf_resolveAirportFile named it): its learned file is saved beside
  // the one the loading reads.
  std::string standFile;
  // The learned-parking count when the stands were loaded: the updates of this visit are the
  // difference.
  std::int64_t learnedAtLoad = 0;
};

// The table the park airport consults.
[[nodiscard]] const AirportTable& gf_parkAirportTable(const ParkAirport& park);

// A park airport is set and its stand list is not empty.
[[nodiscard]] bool parkAirportWithStands(const ParkAirport& park);
// A park airport is set and its stand file has been loaded, so static parking works there.
[[nodiscard]] bool staticParkAirportLoaded(const ParkAirport& park);

}  // namespace orv
