#pragma once

// The ways out of the simulator: removal, respawn with another livery, ghosts and collision
// avoidance. Start-up thread only.

#include <optional>
#include <string_view>

#include "airports/stand_records.h"
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

// Removes the live aircraft farthest from the user when it lies farther than distanceNm; false when
// none is farther. Not built yet: none is removed, so a full list drops the newcomer (false).
[[nodiscard]] bool gf_removeFarthestAc(TrafficRun& run, double distanceNm);
// The aircraft, at its current placement, conflicts with the user aircraft within the limits.
// Not built yet: no conflict.
[[nodiscard]] bool lf_userConflict(TrafficRun& run, const LiveAircraft& aircraft, double rangeNm,
                                   double belowFt, double aboveFt);
// A callsign ending in '_' stands for a twin; true when the genuine aircraft is live. Not built
// yet: no twins, false.
[[nodiscard]] bool gf_hasGenuineTwin(TrafficRun& run, const LiveAircraft& aircraft);
// The callsign is on the list of callsigns to be removed. Not built yet: the list is empty.
[[nodiscard]] bool gf_callsignToRemove(TrafficRun& run, std::string_view callsign);
// A newly spawned aircraft replaces its ghosts. Not built yet: there are no ghosts.
void gf_ghostCheck(TrafficRun& run, LiveAircraft& aircraft);

// Stand conflicts: a live newcomer with the callsign wants the stand. True when it may take it (an
// occupant that must go is removed). Not built yet: always true.
[[nodiscard]] bool lf_standTakenByLive(TrafficRun& run, const Stand& stand, std::string_view callsign);
// A live aircraft parked on the neighbouring stand numbered neighbourId that would collide with the
// aircraft spawning at the stand refuses the spawn (false). Not built yet: true.
[[nodiscard]] bool lf_liveGivesWay(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& aircraft,
                                   const Stand& stand);
// The same test when the aircraft parks: the neighbour is removed. Not built yet: nothing.
void lf_clearLiveNeighbour(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& aircraft,
                           const Stand& stand);
// Static aircraft on the stand, and those on neighbouring stands that would collide, are removed
// for the live aircraft. Not built yet: nothing.
void lf_staticMakesWay(TrafficRun& run, const LiveAircraft& aircraft, const Stand& stand);

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
