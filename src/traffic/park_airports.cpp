#include "traffic/park_airports.h"

namespace orv {

void gf_updateParkAirport(TrafficRun&, bool) {}

void gf_clearParkAirport(TrafficRun&) {}

void gf_addParkAirportCmd(TrafficRun&, const IcaoCode&, Position) {}

double gf_nearestParkAirportNm(const TrafficRun&) {
  return 10000.0;
}

}  // namespace orv
