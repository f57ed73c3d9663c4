#pragma once

// The 10 ms main cycle of the start-up thread and the jobs of its once-per-second tick.

#include <atomic>
#include <cstdint>

namespace orv {

// Runs cycles until a stop flag is raised. Start-up thread only.
void lf_mainCycle();

// One cycle; false once a stop flag is raised. Start-up thread only.
bool lf_cycleTick();

// Announces the static-parking update at the next multiple of 15 ticks. Start-up thread and the
// window's Now button.
void lf_announceStaticParkingUpdate();

// Requests raised by the window's buttons and taken by the next tick on the start-up thread.
struct TickRequests {
  std::atomic<bool> flushStatic{false};
  std::atomic<bool> reread{false};
  std::atomic<bool> csToOid{false};
  std::atomic<bool> block{false};
  std::atomic<bool> staticParkingUpdate{false};
  std::atomic<bool> noLiveryReset{false};
  std::atomic<bool> parkingUpdateInProgress{false};
  std::atomic<std::int32_t> staticParkingCountdown{20};  // minutes to the next automatic update
};
[[nodiscard]] TickRequests& gf_tickRequests();

// Ticks of this run. Any thread.
[[nodiscard]] std::int32_t gf_tickCounter();

// For the next run: the cycle's state back to its start values.
void gf_resetMainCycle();

}  // namespace orv
