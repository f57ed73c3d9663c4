#pragma once

// Static aircraft: parked aircraft at the stands of the park airport, and their updates.
// Start-up thread only.

#include <cstdint>
#include <string_view>

#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// The run's static list; empty until static parking is built.
struct StaticParking {};

// Not built yet: nothing is wanted, so nothing is placed.
void detcs(TrafficRun& run);
// Not built yet: false.
[[nodiscard]] bool staticWorkPending(const TrafficRun& run);
// The static aircraft of the key has settled. Not built yet: there are none.
void activateStatic(TrafficRun& run, std::uint32_t key, std::uint32_t objectId);
// The object is gone: its static aircraft leaves the list. Not built yet: false, none had it.
bool eraseStaticByObjectId(TrafficRun& run, std::uint32_t objectId);
// The creation of the static aircraft of the key failed. Not built yet: there are none.
void staticCreationFailed(TrafficRun& run, std::uint32_t key);
// A live aircraft created at its stand. Not built yet: no static aircraft to give way.
void liveParksAtStand(TrafficRun& run, LiveAircraft& aircraft);
// Not built yet: 0.
[[nodiscard]] std::int64_t staticCount(const TrafficRun& run);
// Not built yet: 0.
[[nodiscard]] std::int64_t activeStaticCount(const TrafficRun& run);
// Not built yet: nothing to adjust.
void gf_parkingAdjustments(TrafficRun& run);
// The stand is cleared of parked aircraft. Not built yet: none stand there.
void gf_removeParkedByName(TrafficRun& run, std::string_view stand);

}  // namespace orv
