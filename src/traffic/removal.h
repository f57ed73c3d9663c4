#pragma once

// The ways out of the simulator: removal, respawn with another livery, ghosts and collision
// avoidance. Start-up thread only.

#include <optional>
#include <string_view>

#include "traffic/aircraft.h"
#include "traffic/traffic_record.h"

namespace orv {

class TrafficRun;

// Whether a record for a known aircraft is applied. Not built yet (no respawn): a buffered
// aircraft takes the record's texts and codes; applied.
[[nodiscard]] bool respawnCheck(TrafficRun& run, LiveAircraft& aircraft, const TrafficRecord& record);
// The one way out of the simulator: a buffered aircraft is dropped, a queued creation withdrawn
// (or the aircraft removed once created), any other aircraft's object queued for removal. Not
// built yet: without the stand, selection and respawn rules.
void removeAircraftFromSim(TrafficRun& run, LiveAircraft& aircraft);

// The first live aircraft in the simulator with the callsign; none when there is none.
[[nodiscard]] LiveAircraft* gf_firstActiveWithCallsign(TrafficRun& run, std::string_view callsign);

// Not built yet: no static twins to remove.
void gf_removeByList(TrafficRun& run);
// Not built yet: no static aircraft to flush.
void gf_removeAllAc(TrafficRun& run);
// Not built yet: no collision avoidance near the user on the ground.
void gf_removeAcNearUser(TrafficRun& run);
// Not built yet: no collision avoidance ahead of the user in the air.
void gf_removeAcAheadOfUser(TrafficRun& run);
// Not built yet: no check of moving live aircraft against parked ones.
void gf_recheckMovingAc(TrafficRun& run);
// One key of the arrival check list per tick. Not built yet: the list is left as it is.
void arrivalCheckStep(TrafficRun& run);
// Not built yet: the callsign list of the window is not refilled.
void gf_listActiveCallsigns(TrafficRun& run);
// Not built yet: no ghosts are listed, so there is nothing to empty.
void emptyCallsignsToRemove(TrafficRun& run);

}  // namespace orv
