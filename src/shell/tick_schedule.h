#pragma once

// The arithmetic of the main cycle, kept free of state so that it can be checked tick by tick.

#include <cstdint>

#include "platform/os/clock.h"

namespace orv {

inline constexpr auto kCyclePeriod = std::chrono::milliseconds{10};
// A cycle later than this re-bases the schedule instead of running the missed cycles.
inline constexpr auto kCycleStallLimit = std::chrono::milliseconds{100};

// The jobs of tick c (the tick counter after its increment; the first tick of a run is 1).
struct TickJobs {
  bool parkAirportUpdate = false;  // c % 5 != 0, c % 16 == 0, static parking idle
  bool readerWatchdog = false;     // c % 5 != 0, c % 59 == 0
  bool removeByList = false;       // c % 5 != 0, c % 61 == 0
  bool fifthTick = false;          // c % 5 == 0: user position copy, "Qs123=", stand clearing, re-read
  bool fifteenthTick = false;      // c % 15 == 0: static-parking phases, stalled-reader watchdog
  bool halfMinute = false;         // c % 30 == 0
  bool minute = false;             // c % 60 == 0, inside the half-minute job
  bool noMatchList = false;        // c % 1200 == 0, inside the minute job
  bool dailyReset = false;         // c % 86400 == 0, inside the minute job
  bool operator==(const TickJobs&) const = default;
};

[[nodiscard]] TickJobs gf_tickJobs(std::int32_t tick, int staticParkingPhase);

// When the next cycle starts, given its planned deadline: the deadline itself, or now plus one
// period when the cycle is more than the stall limit late.
[[nodiscard]] os::SteadyTime gf_nextCycleTarget(os::SteadyTime deadline, os::SteadyTime now);

}  // namespace orv
