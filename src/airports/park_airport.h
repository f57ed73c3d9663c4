#pragma once

// The park airport of a run: the airport whose stands take parked and static aircraft, and its
// stands. Start-up thread only.

#include <string>
#include <string_view>

namespace orv {

// The run's park airport; empty until the park-airport loading is built.
struct ParkAirport {};

// Not built yet: the park-airport list is not read, so no park airport is chosen.
[[nodiscard]] bool lf_readMyParkAirports(ParkAirport& park);
// Not built yet: nothing to update.
void gf_updateParkAirport(ParkAirport& park, bool firstCallOfRun);
// Not built yet: no parked aircraft to remove, no stand file to save.
void clearParkAirport(ParkAirport& park);
// Not built yet: false, no park airport with stands is loaded.
[[nodiscard]] bool parkAirportWithStands(const ParkAirport& park);
// Not built yet: false, no park airport with static parking is loaded.
[[nodiscard]] bool staticParkAirportLoaded(const ParkAirport& park);

}  // namespace orv
