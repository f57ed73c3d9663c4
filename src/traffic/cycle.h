#pragma once

// The cycle counter: passes of the 10 ms main cycle since the process started. It is the clock of
// the live traffic (every sample is due 3000 cycles after it arrived) and only grows; 64 bits, so
// that it does not run over in any run however long (a parked aircraft's stream reaches a week
// ahead). Written by the start-up thread, read by any thread.

#include <cstdint>

namespace orv {

inline constexpr std::int64_t kPlaybackDelayCycles = 3000;

[[nodiscard]] std::int64_t gf_cycleCounter();
void gf_advanceCycleCounter();

}  // namespace orv
