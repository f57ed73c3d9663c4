#pragma once

// Static aircraft: parked aircraft at the stands of the park airport, the choice of which stands
// get which aircraft, their placement, and the periodic adjustment to the time of day. Start-up
// thread only, except the Traffic Reader's callsign set, which it hands over under its own lock.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "airports/stand_records.h"
#include "foundation/geometry.h"
#include "foundation/time_text.h"
#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// One static parked aircraft. Its callsign is the displayed one (ending in '*'); the head's
// flightCallsign and extraText hold the learned callsign and the second callsign of its schedule.
struct StaticAircraft : AircraftHead {
  StaticAircraft(const AircraftHead& head, std::uint32_t stand, Position standPosition,
                 double standHeadingRad, bool standCargo);

  std::uint32_t objectId = 0;  // 0 until the simulator reports the creation
  Position position;           // the stand's
  double headingRad = 0.0;     // the stand's
  WeekdayAndSlot parkedSince{0, 0};
  std::uint32_t standId = 0;
  SimState state = SimState::Buffer;
  std::uint32_t lastThrottle = 5;
  std::uint32_t lastFlaps = 4;
  bool standCargo = false;  // the stand's cargo flag when the aircraft was made: no cabin lights
  bool removeWhenCreated = false;
  bool drop = false;
};

// A static aircraft wanted at a stand, waiting to be placed (consumed from the back).
struct WantedStatic {
  std::int32_t standId = 0;
  std::uint32_t offset = 0;  // half hours back from now: the fit step at which it was chosen
  AirlineId airline = 0;
  ModelId model = 0;
  std::string callsign;
  std::string secondCallsign;
  std::string registration;
  bool stays = false;  // still at the stand in the next half hour
};

// A static aircraft that an adjustment keeps.
struct PresentStatic {
  std::string displayedCallsign;
  std::string learnedCallsign;
  std::string secondCallsign;
  std::string registration;
  AirlineId airline = 0;
  ModelId model = 0;
  WeekdayAndSlot parkedSince{0, 0};
  std::uint32_t standId = 0;
  bool replace = false;
};

// A static aircraft an adjustment takes away.
struct StaticRemoval {
  std::string displayedCallsign;
  std::uint32_t standId = 0;
};

// An active parked live aircraft as an adjustment counts it.
struct ParkedLive {
  std::string callsign;
  std::uint32_t standId = 0;
  std::int32_t minutes = 0;  // 0 while RealTraffic still reports it at the stand
};

// The static parking of one run.
struct StaticParking {
  std::vector<StaticAircraft> statics;
  std::vector<WantedStatic> wanted;
  std::vector<PresentStatic> present;
  std::vector<StaticRemoval> removals;
  std::vector<ParkedLive> parkedLive;                // ascending by minutes: the longest parked last
  std::unordered_set<std::string> parkingCallsigns;  // what RealTraffic sent during the last collection
  std::uint32_t keyCounter = 0;                      // the last static key given, 1..9999
  // Where the last fit passes ended: the look-back of an adjustment.
  std::int32_t realStep = 0;
  std::int32_t softStep = -1;
};

// --- the static aircraft; start-up thread ---

// The static aircraft of the key; none when the list has none.
[[nodiscard]] StaticAircraft* gf_findStaticByKey(std::vector<StaticAircraft>& statics, std::uint32_t key);

// Places the last wanted static aircraft, unless an aircraft stands on its stand or next to it:
// a new static aircraft with its livery, its creation queued after the live ones.
void detcs(TrafficRun& run);
// Wanted static aircraft wait to be placed.
[[nodiscard]] bool staticWorkPending(const TrafficRun& run);
// The simulator created the object of a static key: true when a static aircraft holds the key (the
// object then settles); else the object is queued for removal, since nothing else would remove it.
[[nodiscard]] bool staticCreated(TrafficRun& run, std::uint32_t key, std::uint32_t objectId);
// The static aircraft of the key has settled: active, with the look of a parked aircraft; removed
// at once when its removal was asked while it was created. An object no static aircraft holds is
// removed.
void activateStatic(TrafficRun& run, std::uint32_t key, std::uint32_t objectId);
// The object is gone: its static aircraft leaves the list. False when none had it.
bool eraseStaticByObjectId(TrafficRun& run, std::uint32_t objectId);
// The simulator could not create the static aircraft of the key: its livery is reported and the
// aircraft leaves the list.
void staticCreationFailed(TrafficRun& run, std::uint32_t key);
[[nodiscard]] std::int64_t staticCount(const TrafficRun& run);
[[nodiscard]] std::int64_t activeStaticCount(const TrafficRun& run);

// --- the choice of stands; start-up thread ---

// The number of static aircraft wanted at the park airport (also the parked-aircraft limit),
// shown in the window with its share of the stands.
[[nodiscard]] std::int64_t gf_wantedParkedCount(TrafficRun& run);
// The full computation at a new park airport: the wanted static aircraft, best fits last.
void gf_computeParking(TrafficRun& run);
// The periodic adjustment of the static aircraft to the time of day, with the parked durations
// of the live aircraft (parking_adjustments.h).
void gf_parkingAdjustments(TrafficRun& run);

// The current weekday and half-hour slot, logged for a computation.
WeekdayAndSlot gf_logParkingDay();
// The callsigns that RealTraffic sent during the collection become the parking callsigns.
void lf_takeOverCallsigns(TrafficRun& run);
// The user's reserved stand is kept free.
void lf_markDestinationStand(TrafficRun& run);
// Fit passes until `wanted` stands are chosen, counting `present` aircraft already there.
void lf_fillWantedStatic(TrafficRun& run, std::int64_t wanted, std::int64_t present, WeekdayAndSlot now);
// The stand is chosen and its neighbours take no static aircraft.
void lf_markChosenStand(std::vector<Stand>& stands, Stand& stand);
// The callsign, or its ghost form with one '_', came in during the collection.
[[nodiscard]] bool lf_isCollectedCallsign(const StaticParking& parking, std::string_view callsign);

// A learned callsign as a static aircraft shows it: trailing '_' cut, '*' at the end.
[[nodiscard]] std::string gf_staticCallsign(std::string_view callsign);

}  // namespace orv
