#pragma once

// The ways out of the simulator: removal, respawn with another livery, ghosts (a second report of
// an aircraft under its callsign followed by '_'), collision avoidance near the user aircraft and
// between live and static aircraft, and the per-second jobs that work on the live and static
// lists. Start-up thread only; removals reach the simulator only through the removal id queue.

#include <cstdint>
#include <string_view>

#include "airports/stand_records.h"
#include "traffic/aircraft.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_record.h"

namespace orv {

class TrafficRun;

// --- the one way out ---

// A buffered aircraft is dropped; a creation not yet handed to the simulator is withdrawn (the
// aircraft is dropped), one already handed over is removed once created; any other aircraft goes
// to removingfromsim with its object id queued for removal. A live aircraft frees the stand it
// holds, and a selected aircraft is unselected with the callsign list rebuilt.
void removeAircraftFromSim(TrafficRun& run, LiveAircraft& aircraft);
// The same for a static aircraft, whose creations wait in the static creation queue.
void removeAircraftFromSim(TrafficRun& run, StaticAircraft& aircraft);
// Erases the static aircraft that a withdrawn creation dropped; those that iterate over the
// static list call it once they are done.
void gf_eraseDroppedStatics(TrafficRun& run);

// --- respawn ---

// Whether a record for a known aircraft is applied. A buffered aircraft takes the record's texts
// and codes. An active one whose route, registration or callsign changed is respawned with
// another livery when GUID_CHANGES is on (false: the record is not applied); with it off only the
// texts change. A ghost callsign whose genuine aircraft is live refuses the record.
[[nodiscard]] bool respawnCheck(TrafficRun& run, LiveAircraft& aircraft, const TrafficRecord& record);
// Takes the aircraft out to bring it back at once (at its current position) with the livery that
// its codes now give.
void liveryRespawn(TrafficRun& run, LiveAircraft& aircraft);

// The first live aircraft in the simulator with the callsign; none when there is none.
[[nodiscard]] LiveAircraft* gf_firstActiveWithCallsign(TrafficRun& run, std::string_view callsign);

// --- ghosts ---

// A newly spawned aircraft replaces its ghosts; their callsign goes on the list of callsigns to
// remove, so that they never come back.
void gf_ghostCheck(TrafficRun& run, LiveAircraft& aircraft);
// The aircraft's callsign ends in '_', and a live aircraft not being removed has it without.
[[nodiscard]] bool gf_hasGenuineTwin(TrafficRun& run, const LiveAircraft& aircraft);
// The callsign is on the list of callsigns to remove.
[[nodiscard]] bool gf_callsignToRemove(TrafficRun& run, std::string_view callsign);
void emptyCallsignsToRemove(TrafficRun& run);

// --- the user aircraft ---

// The limits of the user-conflict test: the near ones of the per-second job and the wide ones
// that keep a new aircraft from spawning.
inline constexpr double kNearConflictNm = 4.0, kNearConflictAltitudeFt = 1000.0,
                        kNearConflictLateralFt = 700.0;
inline constexpr double kWideConflictNm = 6.0, kWideConflictAltitudeFt = 3000.0,
                        kWideConflictLateralFt = 4000.0;
// The aircraft, at its current placement, is within distanceNm of the user aircraft, less than
// altitudeFt above or below it, moves away from it and passes its position within lateralFt.
[[nodiscard]] bool lf_userConflict(TrafficRun& run, const LiveAircraft& aircraft, double distanceNm,
                                   double altitudeFt, double lateralFt);
// Per second while the user flies: removes the first aircraft on the ground close to the user's
// heading line (while the user is on the ground below 500 ft) or in conflict within the near
// limits.
void gf_removeAcAheadOfUser(TrafficRun& run);
// Per second while the user is on the ground: removes the first live aircraft whose wings would
// touch the user's, else, when the user moved or a static aircraft appeared since the last test
// (and on the first call), the first static aircraft whose stand the user stands on.
void gf_removeAcNearUser(TrafficRun& run);
// The live list is full: removes the active live aircraft farthest from the user when it lies
// more than 0.1 nm farther than distanceNm. True when one was removed (room for the newcomer);
// false when none lies farther, or distanceNm is negative: the newcomer is dropped.
[[nodiscard]] bool gf_removeFarthestAc(TrafficRun& run, double distanceNm);
// Removes the farthest live aircraft in the simulator, at any distance, until no more than the
// limit are left: the maximum of live aircraft was lowered.
void gf_removeLiveAboveLimit(TrafficRun& run, std::int32_t limit);

// --- stands ---

// A live newcomer with the callsign wants the stand. True when it may take it (an occupant that
// must go is removed); false when the occupant keeps it.
[[nodiscard]] bool lf_standTakenByLive(TrafficRun& run, const Stand& stand, std::string_view callsign);
// A live aircraft parked on the neighbouring stand numbered neighbourId that would collide with the
// aircraft spawning at the stand refuses the spawn (false).
[[nodiscard]] bool lf_liveGivesWay(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& aircraft,
                                   const Stand& stand);
// The same test when the aircraft parks: such a neighbour is removed.
void lf_clearLiveNeighbour(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& aircraft,
                           const Stand& stand);
// Static aircraft on the stand, and those on neighbouring stands that would collide, are removed
// for the live aircraft.
void lf_staticMakesWay(TrafficRun& run, const LiveAircraft& aircraft, const Stand& stand);
// A live aircraft created at its stand: no static aircraft is placed there any more, and the
// static aircraft there make way.
void liveParksAtStand(TrafficRun& run, LiveAircraft& aircraft);

// --- the per-second jobs and the window's requests ---

// Removes every static aircraft (queued ones withdrawn); live aircraft stay.
void gf_removeAllAc(TrafficRun& run);
// The live and static aircraft on the stand of that name go; nothing when no stand has the name.
void gf_removeParkedByName(TrafficRun& run, std::string_view stand);
// Live aircraft moving on the ground push away the static aircraft they would touch.
void gf_recheckMovingAc(TrafficRun& run);
// The static twin of a live aircraft on the ground goes; one per call.
void gf_removeByList(TrafficRun& run);
// Puts the key on the arrival check list unless it waits there already: each aircraft is checked
// once for what it arrived as.
void gf_queueArrivalCheck(TrafficRun& run, std::uint32_t key);
// One key of the arrival check list per tick: the aircraft once takes over the flight callsign and
// second callsign of its learned schedule, then its static twins go.
void arrivalCheckStep(TrafficRun& run);
// The counts of the statistics band with the mean half hours the aircraft have stood (-1 for
// none): active static aircraft, and parked active live aircraft. Shown and repainted when they
// changed, or always with refresh. Both return the count.
std::int64_t gf_countActiveAc(TrafficRun& run, bool refresh);
std::int64_t gf_countParkedAc(TrafficRun& run, bool refresh);
// The window's callsign list: an empty entry, then the callsigns of the active live aircraft that
// are not parked, sorted, each once; repainted.
void gf_listActiveCallsigns(TrafficRun& run);
// The same rebuild, after the selected aircraft left or a callsign was blocked.
void gf_refreshCallsignList(TrafficRun& run);

}  // namespace orv
