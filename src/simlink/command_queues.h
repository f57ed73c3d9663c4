#pragma once

// The work that the start-up thread wants sent to the simulator, queued under the command mutex
// and sent by "SimClient" on each "Frame" event: positions (a double buffer), client events,
// creations and removals. Also the requests of the start-up thread, each made under the command
// mutex, and the blocked state after a failed request.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/simconnect.h"

namespace orv {

// One position of an AI object; the first eight values are sent as the 64-byte block of 402.
struct SimPosition {
  double latitude = 0;       // degrees
  double longitude = 0;      // degrees
  double pitch = 0;          // radians
  double bank = 0;           // radians
  double trueHeading = 0;    // radians
  double altitude = 0;       // feet
  double verticalSpeed = 0;  // feet per second
  double trueAirspeed = 0;   // knots
  std::uint32_t objectId = 0;
};

struct SimEvent {
  std::uint32_t objectId = 0;
  std::uint32_t eventId = 0;  // 206 to 222
  std::uint32_t value = 0;
  bool operator==(const SimEvent&) const = default;
};

struct SimCreateRequest {
  sc::InitPosition initPosition;
  std::string callsign;     // the tail number, reported back as the object's ATC ID
  std::string liveryTitle;  // the container title; a copy, so that it outlives the livery tables
  std::uint32_t key = 0;    // above 10000 for live aircraft, 1 to 9999 for static ones, never 0
};

// A creation sent and not yet matched to its new object.
struct PendingCreation {
  std::uint32_t packetId = 0;
  std::uint32_t key = 0;
  std::string callsign;
};

// The seven lights of gf_setLights, each 0 or 1.
struct LightStates {
  std::uint32_t nav = 0;
  std::uint32_t beacon = 0;
  std::uint32_t landing = 0;
  std::uint32_t taxi = 0;
  std::uint32_t strobes = 0;
  std::uint32_t logo = 0;
  std::uint32_t cabin = 0;
};

// --- queueing; start-up thread; each takes the command mutex for its append ---
void gf_queueCreateAc(const SimCreateRequest& request);
void gf_queueSimEvent(const SimEvent& event);
// The same, for a caller that holds the command mutex already.
void gf_queueSimEventLocked(const SimEvent& event);
void gf_queueRemoval(std::uint32_t objectId);
void gf_engineStart(std::uint32_t objectId);
void gf_engineShutdown(std::uint32_t objectId);
void gf_setLights(std::uint32_t objectId, const LightStates& lights);
void gf_setNavLights(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);

// Appends to the back buffer, which belongs to the start-up thread between swaps: no lock.
void gf_queuePosition(const SimPosition& position);
// Once per cycle: the buffers change roles when the command mutex is free; otherwise this
// cycle's positions are dropped. True when they were swapped.
bool gf_swapPositionBuffers();
// Both buffers emptied under the command mutex, so that stale positions are not sent later.
void gf_emptyPositionBuffers();

// At the start of each run, before "SimClient" starts: every queue and list empty with room
// for 256 entries, the link not blocked.
void gf_resetSimQueues();

// After any failed SimConnect request: "SimConnect request error", the link blocked, and the run
// ended with SIMCONNECT ERROR (restart after 9 s) by the first raiser. Any thread. While
// "SimClient" serves the simulator only the blocking is done at once, and the rest waits for the
// end of its next dispatch (gf_judgeRequestFailure).
void gf_simConnectRequestFailed();

// Held by "SimClient" while it serves the simulator. A request fails when the simulator has gone,
// and that shows only in the records not yet read: a Frame ahead of the simulator's QUIT in one
// batch sends work that fails, and so does a request of the start-up thread made between the
// simulator's going and the dispatch that reads the QUIT. Not copied or moved; one at a time.
class SimClientServing {
 public:
  SimClientServing();
  // A failure still waiting is dropped: the thread ends, and with it the run.
  ~SimClientServing();
  SimClientServing(const SimClientServing&) = delete;
  SimClientServing& operator=(const SimClientServing&) = delete;
};
// After each dispatch of "SimClient": a failure that waited ends the run as a failed request
// does, unless the simulator turned out to be gone, which is why it failed.
void gf_judgeRequestFailure(bool simulatorGone);

// When the result is a failure: the important log line of the caller, then gf_simConnectRequestFailed.
// True when the request succeeded.
bool gf_checkRequest(sc::HResult result, std::string_view failureLine);

// The mutex of the queues and of every SimConnect request made outside "SimClient".
[[nodiscard]] std::mutex& gf_commandMutex();

// --- requests of the start-up thread; none is made while the link is blocked ---
// The aircraft within the range (nautical miles, clamped to the simulator's limit), request 101.
void gf_requestAcInRange(double rangeNm);
// The static CG data of an object, once (request 102).
void gf_requestStaticCgData(std::uint32_t objectId);
// The user aircraft on the ground or airborne, every simulated second (request 108): the tick.
void gf_requestUserOnGroundEverySecond();
// A flight plan for an AI object (request 110); false when it was not given.
[[nodiscard]] bool gf_assignFlightPlan(std::uint32_t objectId, const std::string& planPath);
// Definition 401 on an AI object: spoilers handle and both throttle levers, in percent.
void gf_setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double lever1, double lever2);

// --- "SimClient" ---
// The Frame handler: sends the front buffer, the events, the creations and the removals.
void lf_onFrame();

// For tests: copies of what waits in the queues.
struct QueuedWork {
  std::size_t frontPositions = 0;
  std::size_t backPositions = 0;
  std::vector<SimEvent> events;
  std::size_t creations = 0;
  std::vector<std::uint32_t> removals;
};
[[nodiscard]] QueuedWork gf_queuedWork();

}  // namespace orv
