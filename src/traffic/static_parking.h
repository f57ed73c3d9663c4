#pragma once

// Static aircraft: parked aircraft at the stands of the park airport, the choice of which stands
// get which aircraft, their placement, and the periodic adjustment to the time of day. Start-up
// thread only, except the Traffic Reader's callsign set, which it hands over under its own lock.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

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
// Not built yet: 0.
[[nodiscard]] std::int64_t staticCount(const TrafficRun& run);
// Not built yet: 0.
[[nodiscard]] std::int64_t activeStaticCount(const TrafficRun& run);
// The number of static aircraft wanted at the park airport; also the parked-aircraft limit.
// Not built yet: 0 (no limit).
[[nodiscard]] std::int64_t gf_wantedParkedCount(TrafficRun& run);
// The full computation at a new park airport. Not built yet: nothing is wanted.
void gf_computeParking(TrafficRun& run);
// Not built yet: nothing to adjust.
void gf_parkingAdjustments(TrafficRun& run);

}  // namespace orv
