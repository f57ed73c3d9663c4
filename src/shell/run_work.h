#pragma once

// Work that the window's handlers hand to the start-up thread: whatever touches data the
// start-up thread owns (the live list, the static aircraft, the park airports) waits here and
// is carried out by the next cycle of the main cycle on the run. What a run leaves undone, the
// run reset drops.

#include <cstddef>
#include <functional>

namespace orv {

class TrafficRun;

using RunWork = std::function<void(TrafficRun&)>;

// Any thread.
void gf_queueRunWork(RunWork work);
// Carries out what is queued, oldest first; work queued meanwhile waits for the next call. A job's
// std::exception is logged and the others still run. Start-up thread only.
void gf_doQueuedRunWork(TrafficRun& run);
// The run reset: nothing of one run's work reaches the next. Any thread.
void gf_dropQueuedRunWork();
[[nodiscard]] std::size_t gf_queuedRunWorkCount();

}  // namespace orv
