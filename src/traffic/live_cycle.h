#pragma once

// The live-traffic step of the main cycle: the simulator's results, one cycle of every live
// aircraft, the throttled hand-over of creations and removals, at most two new traffic records,
// one creation request, and the periodic requests. Start-up thread only.

#include <cstdint>

#include "simlink/sim_messages.h"
#include "traffic/aircraft.h"
#include "traffic/traffic_record.h"
#include "traffic/traffic_run.h"

namespace orv {

// Every 10 ms cycle while the simulation runs and the link is not blocked.
void lf_handleAddingStack(TrafficRun& run);

// The simulator's results (also while the flight is not running), then the settling of created
// objects; under the SimMessage mutex.
void gf_handleSimMessages(TrafficRun& run);

// One traffic record: appended to its aircraft's stream, or a new aircraft, or dropped.
void lf_applyTrafficRecord(TrafficRun& run, TrafficRecord record);

// Client events of an AI aircraft, each queued under the command mutex. Flaps, spoilers and gear
// are not sent for a rotorcraft; flaps and throttle only when the index changed, never one above 4
// (the index is stored all the same).
void gf_setFlaps(TrafficRun& run, LiveAircraft& aircraft, std::uint32_t index);
void gf_setThrottle(TrafficRun& run, LiveAircraft& aircraft, std::uint32_t index);
void gf_setSpoilers(TrafficRun& run, const LiveAircraft& aircraft, bool on);
void gf_setGear(TrafficRun& run, const LiveAircraft& aircraft, bool down);

// The lights of a parked aircraft, live or static: nav lights as NAV_LIGHTS_WHILE_PARKED says,
// logo on, the cabin lit but on a cargo stand, and with RANDOM on now and then dark.
void gf_setParkedLights(TrafficRun& run, std::uint32_t objectId, bool cargoStand);

// The window's counts: live aircraft in the simulator and not parked; parked ones.
[[nodiscard]] std::int64_t gf_activeLiveCount(const TrafficRun& run);
[[nodiscard]] std::int64_t gf_parkedLiveCount(const TrafficRun& run);

}  // namespace orv
