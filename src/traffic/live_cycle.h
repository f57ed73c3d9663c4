#pragma once

// The live-traffic step of the main cycle: the simulator's results, one cycle of every live
// aircraft, the throttled hand-over of creations and removals, at most two new traffic records,
// one creation request, and the periodic requests. Start-up thread only.

#include <cstdint>

#include "simlink/sim_messages.h"
#include "traffic/aircraft.h"
#include "traffic/traffic_record.h"

namespace orv {

// Every 10 ms cycle while the simulation runs and the link is not blocked.
void lf_handleAddingStack();

// The simulator's results (also while the flight is not running), then the settling of created
// objects; under the SimMessage mutex.
void gf_handleSimMessages();

// One traffic record: appended to its aircraft's stream, or a new aircraft, or dropped.
void lf_applyTrafficRecord(TrafficRecord record);

// Client events of an AI aircraft, each queued under the command mutex. Flaps, spoilers and gear
// are not sent for a rotorcraft; flaps and throttle only when the index changed, never one above 4
// (the index is stored all the same).
void gf_setFlaps(LiveAircraft& aircraft, std::uint32_t index);
void gf_setThrottle(LiveAircraft& aircraft, std::uint32_t index);
void gf_setSpoilers(const LiveAircraft& aircraft, bool on);
void gf_setGear(const LiveAircraft& aircraft, bool down);

// For the next run, with the readers stopped: their state, the live-traffic state and the
// adding deque. The cycle counter goes on.
void gf_resetTrafficSide();

// The window's counts: live aircraft in the simulator and not parked; parked ones.
[[nodiscard]] std::int64_t gf_activeLiveCount();
[[nodiscard]] std::int64_t gf_parkedLiveCount();

}  // namespace orv
