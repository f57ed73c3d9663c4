#pragma once

// The per-cycle update of a live aircraft: its spawn while buffered, then its flight phases.
// Start-up thread only.

#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// One cycle of an aircraft; true when it carries a drop flag. Not built yet: nothing moves, the
// drop flags are reported.
[[nodiscard]] bool updateLiveAc(TrafficRun& run, LiveAircraft& aircraft);
// Appends an accepted sample to the stream, due after the newest sample. Not built yet: no leg is
// planned from it.
void appendSample(LiveAircraft& aircraft, const PositionSample& sample);

}  // namespace orv
