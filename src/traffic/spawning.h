#pragma once

// The spawning of live aircraft: livery, stand or flying start, the adding stack. Start-up thread.

#include <string>

#include "airports/stand_records.h"
#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// Aircraft that found no livery are tried again: the no-livery set is emptied.
void emptyNoLiverySet(TrafficRun& run);

// Once per cycle for a buffered aircraft: waits, drops it (drop flag) or spawns it.
void lf_trySpawnLiveAc(TrafficRun& run, LiveAircraft& aircraft);
// Livery, start phase, first placement; the key goes on the adding stack.
void spawnLiveAc(TrafficRun& run, LiveAircraft& aircraft);
// True when the aircraft must wait because of the user aircraft (its oldest sample is dropped).
[[nodiscard]] bool lf_userConflictWait(TrafficRun& run, LiveAircraft& aircraft);
// The free stand of the park airport at which a ground aircraft standing still (or about to) is
// spawned; none when there is none or the aircraft must give way to those there (its drop flag is
// then set). Live aircraft on the stand with its callsign, and static aircraft on it, make room.
[[nodiscard]] Stand* lf_findSpawnStand(TrafficRun& run, LiveAircraft& aircraft);
// The initial position and attitude from the oldest sample and the one after it.
void lf_placeAtFirstSample(TrafficRun& run, LiveAircraft& aircraft);
// The text by which an aircraft without livery is remembered: airline, model, registration.
[[nodiscard]] std::string gf_noLiveryKey(const AircraftHead& aircraft);
// Not empty, not "@@@@@@@@", at most 8 characters.
[[nodiscard]] bool gf_validCallsign(const std::string& callsign);

}  // namespace orv
