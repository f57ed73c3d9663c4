#pragma once

// The 10 ms main cycle of the start-up thread and the jobs of its once-per-second tick.

#include <atomic>
#include <cstdint>

#include "traffic/traffic_run.h"

namespace orv {

// Runs cycles of the run until a stop flag is raised. Start-up thread only.
void lf_mainCycle(TrafficRun& run);

// One cycle; false once a stop flag is raised. Start-up thread only.
bool lf_cycleTick(TrafficRun& run);

// Announces the static-parking update at the next multiple of 15 ticks. Start-up thread and the
// window's Now button.
void lf_announceStaticParkingUpdate(TrafficRun& run);

// Requests raised by the window's buttons and taken by the next tick on the start-up thread.
// Process-wide: the window and its buttons outlive every run.
struct TickRequests {
  std::atomic<bool> flushStatic{false};
  std::atomic<bool> reread{false};
  std::atomic<bool> csToOid{false};
  // The next tick shows the object id of the callsign chosen in the list (cs->oid display pending).
  std::atomic<bool> csToOidPending{false};
  std::atomic<bool> block{false};
  std::atomic<bool> noLiveryReset{false};
  std::atomic<bool> parkingUpdateInProgress{false};
  std::atomic<std::int32_t> staticParkingCountdown{20};  // minutes to the next automatic update
};
[[nodiscard]] TickRequests& gf_tickRequests();
// Every request back to none and the countdown to 20: what the window asked of a run that ended
// is not for the next one (a parking update cut short by a restart would otherwise hold Re-read
// and the automatic update back for ever).
void gf_resetTickRequests();

}  // namespace orv
