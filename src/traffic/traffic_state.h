#pragma once

// The live-traffic state of one run: the live list and the queues between the traffic records,
// the spawning and the simulator link. Part of the run object. Start-up thread only.

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "liveries/livery_matching.h"
#include "simlink/command_queues.h"
#include "simlink/sim_messages.h"
#include "traffic/aircraft.h"
#include "traffic/aircraft_text.h"

namespace orv {

// A created object waiting to settle before it is made active.
struct CreatedEntry {
  SimMessage message;      // kind live or static created
  std::int32_t count = 0;  // cycles since the creation; -1 when done
};

// What the check near the user aircraft saw when it last tested the static aircraft.
struct NearUserMemory {
  bool tested = false;
  Position userPosition;
  std::vector<std::uint32_t> activeStatics;  // object ids, ascending
};

// A count of the statistics band with its mean standing time, as the window last got them.
struct StandingShown {
  std::int64_t count = -1;
  double meanHalfHours = -2.0;
};

// Live aircraft found by key and by object id without a search through the list, as the burst of
// the simulator's ground data every 20 cycles needs with hundreds of aircraft: the index keeps
// each aircraft's place in the list. The list changes under it (an erasure moves the last record
// into the gap, the compaction moves later records down, new records come at the end), so every
// hit is checked against the record at that place; a stale place, or a value the index does not
// know, sends the look-up through the list, and a record found there has the index built again.
// Object id 0 (not in the simulator yet) finds nothing.
class LiveIndex {
 public:
  [[nodiscard]] LiveAircraft* byKey(std::vector<LiveAircraft>& list, std::uint32_t key);
  [[nodiscard]] LiveAircraft* byObjectId(std::vector<LiveAircraft>& list, std::uint32_t objectId);

 private:
  using Places = std::unordered_map<std::uint32_t, std::uint32_t>;
  template <typename Field>
  LiveAircraft* lf_find(std::vector<LiveAircraft>& list, const Places& places, std::uint32_t value,
                        Field field);
  void lf_rebuild(const std::vector<LiveAircraft>& list);

  Places keys_;
  Places objects_;
};

struct TrafficState {
  TrafficState();

  std::vector<LiveAircraft> liveList;
  std::vector<std::uint32_t> addingStack;  // keys of spawned aircraft, last in first out
  std::deque<SimCreateRequest> liveCreations;
  std::deque<SimCreateRequest> staticCreations;
  std::deque<std::uint32_t> removalIds;  // object ids, handed over one per 10 cycles
  std::vector<CreatedEntry> created;
  std::unordered_set<std::uint32_t> respawnKeys;  // aircraft being respawned
  std::deque<std::uint32_t> arrivalChecks;        // keys for the per-second arrival check
  TitleMemory titles;                             // livery titles of first spawns, by key
  std::unordered_set<std::string> noLivery;       // aircraft never spawned again: no livery found
  LiveryMatchSources liverySources;               // the program's tables; tests hand in their own
  std::vector<std::string> callsignsToRemove;     // ghosts whose genuine twin was seen
  std::uint32_t selectedObjectId = 0;             // picked in the window's callsign list; 0 for none
  NearUserMemory nearUser;
  StandingShown shownActiveStatic;
  StandingShown shownParkedLive;
  LiveIndex liveIndex;  // of liveList

  [[nodiscard]] LiveAircraft* liveByKey(std::uint32_t key) { return liveIndex.byKey(liveList, key); }
  [[nodiscard]] LiveAircraft* liveByObjectId(std::uint32_t objectId) {
    return liveIndex.byObjectId(liveList, objectId);
  }
};

// Takes the queued creation of that key out of the queue; false when none waits there (the
// simulator may have it already). By key: two aircraft may share a callsign.
[[nodiscard]] bool gf_withdrawCreation(std::deque<SimCreateRequest>& queue, std::uint32_t key);

}  // namespace orv
