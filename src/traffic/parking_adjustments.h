#pragma once

// The periodic adjustment of the static parking to the time of day: the static aircraft that
// still belong to their stands are kept, the others replaced by their second callsign or removed,
// live aircraft that stood too long are removed, and what is still wanted is left for the
// placement. gf_parkingAdjustments (static_parking.h) runs it with the parked durations of the
// live aircraft. Start-up thread only.

#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/time_text.h"
#include "traffic/static_parking.h"

namespace orv {

class TrafficRun;

// Active parked live aircraft: key and seconds parked, longest parked first.
using ParkedDurations = std::vector<std::pair<std::uint32_t, std::int64_t>>;

// The adjustment with these parked durations.
void gf_parkingAdjustments(TrafficRun& run, const ParkedDurations& durations);

// The parked live list anew: every active parked live aircraft with its minutes parked (0 while
// RealTraffic still reports it at its stand), shortest first; one that stood too long is removed.
void lf_collectParkedLive(TrafficRun& run, const ParkedDurations& durations);
// Removes the n live aircraft parked longest, each with the log line "live parked {} at {} removed".
void lf_removeParkedLive(TrafficRun& run, std::int64_t n, const ParkedDurations& durations);

// Whether the learned parkings of the stand still hold the static aircraft's registration at the
// weekday and slot or in the half hours before them (the look-back of the last fit passes), across
// midnight into the day before.
[[nodiscard]] bool lf_isStillScheduled(const TrafficRun& run, WeekdayAndSlot now, std::uint32_t standId,
                                       const StaticAircraft& aircraft);

}  // namespace orv
