#pragma once

// The per-cycle update of a live aircraft: its spawn while buffered, then the playback of its
// stream of reported positions, 30 s behind them, with the extrapolation when reports stop.
// Start-up thread only.

#include <cstdint>

#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// One cycle of an aircraft; true when it carries a drop flag. An error in its update is logged
// and the aircraft removed; nothing that is not finite reaches the simulator.
[[nodiscard]] bool updateLiveAc(TrafficRun& run, LiveAircraft& aircraft);
// Takes an accepted record's sample into the stream, due after the newest sample; false when the
// sample is refused (a stream of more than 200 samples removes the aircraft).
bool appendSample(TrafficRun& run, LiveAircraft& aircraft, const PositionSample& sample);

// The speed of the leg from o to n in knots: the mean of their speeds; a speed of 0 reported
// while moving (receivers without ground speed) is replaced by the one implied by the distance
// and the due cycles. Never below 1 kt.
[[nodiscard]] double lf_legSpeed(const PositionSample& o, const PositionSample& n);
// The whole number of cycles nearest to `cycles`; gsl::narrowing_error when it does not fit.
[[nodiscard]] std::int32_t lf_wholeCycles(double cycles);
// Moves the next sample to c + t within the max advance and delay (t at least 25).
void lf_retimeNextSample(LiveAircraft& aircraft, std::int64_t cycles);
// Extends a stream of fewer than two samples: holding, extrapolation; false when it cannot.
[[nodiscard]] bool lf_extendStream(TrafficRun& run, LiveAircraft& aircraft);
// Appends an extrapolated copy of the oldest sample; `steps` more are to come.
void lf_extrapolate(LiveAircraft& aircraft, std::int32_t steps);

}  // namespace orv
