#pragma once

// The park airports: the user's candidate airports ("my_park_airports.txt"), the choice of the
// park airport as the user aircraft moves, and leaving it. Start-up thread only.

#include "foundation/fixed_code.h"
#include "foundation/geometry.h"

namespace orv {

class TrafficRun;

// The periodic choice of the park airport (first: once when the main cycle starts). Not built
// yet: nothing to update.
void gf_updateParkAirport(TrafficRun& run, bool first);
// Removes the static aircraft and the live ones on the ground of the park airport, then leaves it.
// Not built yet: no parked aircraft to remove, no stand file to save.
void gf_clearParkAirport(TrafficRun& run);
// A new destination from the window: added to the park airports. Not built yet: nothing.
void gf_addParkAirportCmd(TrafficRun& run, const IcaoCode& icao, Position position);
// The distance in nm from the user aircraft to the closest park airport; 10000.0 when none is
// listed. Not built yet: 10000.0.
[[nodiscard]] double gf_nearestParkAirportNm(const TrafficRun& run);

}  // namespace orv
