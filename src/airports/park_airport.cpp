#include "airports/park_airport.h"

#include "airports/park_loading.h"
#include "airports/stand_store.h"
#include "refdata/airports_table.h"

namespace orv {

const AirportTable& gf_parkAirportTable(const ParkAirport& park) {
  return park.table != nullptr ? *park.table : gf_airportTable();
}

bool parkAirportWithStands(const ParkAirport& park) {
  return park.icao.has_value() && !gf_parkStands().empty();
}

bool staticParkAirportLoaded(const ParkAirport& park) {
  return park.icao.has_value() && gf_standsLoaded();
}

}  // namespace orv
