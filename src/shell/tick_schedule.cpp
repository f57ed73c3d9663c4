#include "shell/tick_schedule.h"

namespace orv {

TickJobs gf_tickJobs(std::int32_t c, int staticParkingPhase) {
  TickJobs jobs;
  if (c % 5 != 0) {
    jobs.parkAirportUpdate = c % 16 == 0 && staticParkingPhase == 0;
    jobs.readerWatchdog = c % 59 == 0;
    jobs.removeByList = c % 61 == 0;
    return jobs;
  }
  jobs.fifthTick = true;
  if (c % 15 != 0) return jobs;
  jobs.fifteenthTick = true;
  jobs.halfMinute = c % 30 == 0;
  jobs.minute = c % 60 == 0;
  jobs.noMatchList = jobs.minute && c % 1200 == 0;
  jobs.dailyReset = jobs.minute && c % 86400 == 0;
  return jobs;
}

os::SteadyTime gf_nextCycleTarget(os::SteadyTime deadline, os::SteadyTime now) {
  return deadline + kCycleStallLimit < now ? now + kCyclePeriod : deadline;
}

}  // namespace orv
