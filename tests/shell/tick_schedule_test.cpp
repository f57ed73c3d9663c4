#include "shell/tick_schedule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using orv::TickJobs;

TickJobs jobs(std::initializer_list<bool TickJobs::*> on) {
  TickJobs j;
  for (auto member : on) j.*member = true;
  return j;
}

TEST(TickSchedule, JobsByTick) {
  struct Case {
    std::int32_t tick;
    int phase;
    TickJobs expected;
  };
  const Case cases[] = {
      {1, 0, {}},
      {5, 0, jobs({&TickJobs::fifthTick})},
      {15, 0, jobs({&TickJobs::fifthTick, &TickJobs::fifteenthTick})},
      {16, 0, jobs({&TickJobs::parkAirportUpdate})},
      {16, 1, {}},  // no park-airport update while static parking collects
      {30, 0, jobs({&TickJobs::fifthTick, &TickJobs::fifteenthTick, &TickJobs::halfMinute})},
      {32, 0, jobs({&TickJobs::parkAirportUpdate})},
      {59, 0, jobs({&TickJobs::readerWatchdog})},
      {60, 0,
       jobs({&TickJobs::fifthTick, &TickJobs::fifteenthTick, &TickJobs::halfMinute, &TickJobs::minute})},
      {61, 0, jobs({&TickJobs::removeByList})},
      {80, 0, jobs({&TickJobs::fifthTick})},   // a multiple of 16 and of 5: no park-airport update
      {295, 0, jobs({&TickJobs::fifthTick})},  // a multiple of 59 and of 5: no watchdog
      {976, 0, jobs({&TickJobs::parkAirportUpdate, &TickJobs::removeByList})},
      {1200, 0,
       jobs({&TickJobs::fifthTick, &TickJobs::fifteenthTick, &TickJobs::halfMinute, &TickJobs::minute,
             &TickJobs::noMatchList})},
      {86400, 0,
       jobs({&TickJobs::fifthTick, &TickJobs::fifteenthTick, &TickJobs::halfMinute, &TickJobs::minute,
             &TickJobs::noMatchList, &TickJobs::dailyReset})},
  };
  for (const Case& c : cases) EXPECT_EQ(orv::gf_tickJobs(c.tick, c.phase), c.expected) << "tick " << c.tick;
}

TEST(TickSchedule, ALateCycleRebasesOnlyBeyondTheStallLimit) {
  const os::SteadyTime deadline{1000s};
  EXPECT_EQ(orv::gf_nextCycleTarget(deadline, deadline - 3ms), deadline);
  EXPECT_EQ(orv::gf_nextCycleTarget(deadline, deadline + 99ms), deadline);
  EXPECT_EQ(orv::gf_nextCycleTarget(deadline, deadline + 100ms), deadline);
  EXPECT_EQ(orv::gf_nextCycleTarget(deadline, deadline + 150ms), deadline + 160ms);
}

}  // namespace
