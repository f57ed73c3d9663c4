#include "airports/park_airport.h"

namespace orv {

bool lf_readMyParkAirports(ParkAirport&) {
  return false;
}

bool parkAirportWithStands(const ParkAirport&) {
  return false;
}

bool staticParkAirportLoaded(const ParkAirport&) {
  return false;
}

}  // namespace orv
