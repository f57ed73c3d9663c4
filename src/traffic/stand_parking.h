#pragma once

// Live aircraft at the stands of the park airport: the parked-aircraft limit and the learned live
// parkings that aircraft leave at their stands. Start-up thread only.

#include <cstdint>
#include <utility>
#include <vector>

#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// Why a live parking is recorded.
enum class StandOptionKind : int { Arrival = 0, StandSpawn = 1, Departure = 2, FarFromStand = 3 };

// Records the live aircraft on its stand as a learned live parking for the current half hour.
// Not built yet: nothing is recorded.
void lf_addRealStandOption(TrafficRun& run, std::uint32_t standId, LiveAircraft& aircraft,
                           StandOptionKind kind);
// The parked-aircraft limit with n aircraft about to park (0 or 1). Not built yet: no limit.
void gf_checkMaxParked(TrafficRun& run, int aboutToPark);
// The active parked live aircraft as pairs of key and seconds parked, longest first. Not built
// yet: none.
[[nodiscard]] std::vector<std::pair<std::uint32_t, std::int64_t>> lf_parkedDurations(const TrafficRun& run);

}  // namespace orv
