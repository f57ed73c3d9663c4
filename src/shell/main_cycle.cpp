#include "shell/main_cycle.h"

#include <fmt/format.h>

#include "airports/park_airport.h"
#include "airports/stand_schedules.h"
#include "airports/stands.h"
#include "config/parameter_controls.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "liveries/liveries.h"
#include "platform/os/clock.h"
#include "platform/os/timer_resolution.h"
#include "platform/ui/controls.h"
#include "shell/commands.h"
#include "shell/run_work.h"
#include "shell/tick_schedule.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/live_cycle.h"
#include "traffic/park_airports.h"
#include "traffic/realtraffic_link.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic/static_parking.h"

namespace orv {
namespace {

constexpr std::int32_t kCyclesPerSecond = 100;

TickRequests requests;

void lf_refreshCounts(TrafficRun& run) {
  RunCycleState& cycle = run.cycle;
  const std::int64_t active = gf_activeLiveCount(run);
  if (active != cycle.shownActive) {
    cycle.shownActive = active;
    run.window.setCount(WindowCount::ActiveLive, active);
    run.window.repaint(WindowBand::Status);
  }
  // Each shows its count and the mean time its aircraft have stood, repainting when they changed.
  (void)gf_countParkedAc(run, false);
  (void)gf_countActiveAc(run, false);
  gf_showLearnedUpdates(run);
}

// The Now button and the countdown label follow whether the park airport has static parking.
void lf_showStaticParkingLoaded(TrafficRun& run) {
  const bool loaded = staticParkAirportLoaded(run.park);
  if (loaded == gf_staticParkingLoaded()) return;
  gf_setStaticParkingLoaded(loaded);
  run.window.repaint(WindowBand::Options);
}

void lf_showCsToOid(TrafficRun& run, std::string_view text) {
  run.window.setText(WindowText::CsToOid, text);
  run.window.repaint(WindowBand::Options);
}

void lf_rereadIfRequested(TrafficRun& run) {
  if (!requests.reread.load() || requests.parkingUpdateInProgress.load()) return;
  std::string text;
  if (gf_checkReservedStands(run, true, text)) gf_setMessage(text, true);
  ui::setEnabled(cfg::REREAD_BUTTON.window(), true);
  ui::setEnabled(cfg::DESTINATION.window(), true);
  requests.reread = false;
}

void lf_everySecond(TrafficRun& run) {
  RunCycleState& cycle = run.cycle;
  if (cycle.flightNotRunning) {
    cycle.flightNotRunning = false;
    gf_logLine(fmt::format("{} Flight resumed", gf_nowHms()));
    run.adding.setOpen(true);
  }
  gf_messageTick();
  lf_refreshCounts(run);
  lf_showStaticParkingLoaded(run);
  gf_updateCurrentSlot();
  ++cycle.tickCounter;
  arrivalCheckStep(run);

  if (requests.csToOidPending.exchange(false)) {
    const LiveAircraft* a = gf_firstActiveWithCallsign(run, cfg::CALLSIGN_2_OBJECTID.value());
    // The aircraft picked in the list: its removal empties the choice again.
    run.traffic.selectedObjectId = a ? a->objectId : 0;
    lf_showCsToOid(run, a ? fmt::format("= {}", gf_hexString(a->objectId)) : "has left");
  }
  if (requests.flushStatic.exchange(false)) {
    gf_removeAllAc(run);
    if (!cfg::INITIAL_LOAD_ONLY.value()) {
      // On for the rest of the run only: not saved.
      cfg::INITIAL_LOAD_ONLY.set(true);
      gf_showCheck(cfg::INITIAL_LOAD_ONLY);
    }
  }
  if (requests.csToOid.exchange(false)) {
    lf_showCsToOid(run, "");
    gf_listActiveCallsigns(run);
    requests.csToOidPending = true;
  }
  if (gf_userAircraftOnGround()) {
    if (cfg::COLLISION_USER_GND.value()) gf_removeAcNearUser(run);
  } else if (cfg::COLLISION_USER_AIR.value()) {
    gf_removeAcAheadOfUser(run);
  }
  if (cfg::COLLISION_LIVE_PARKED_GND.value()) gf_recheckMovingAc(run);
  if (requests.block.load()) {
    if (const std::string callsign = cfg::BLOCK_CALLSIGN.value(); !callsign.empty())
      if (LiveAircraft* a = gf_firstActiveWithCallsign(run, callsign)) removeAircraftFromSim(run, *a);
    requests.block = false;
  }
  if (requests.parkingUpdateInProgress.load()) {
    run.window.setCount(WindowCount::Static, staticCount(run));
    run.window.repaint(WindowBand::Statistics);
  }
}

void lf_everyHalfMinute(TrafficRun& run, const TickJobs& jobs) {
  if (requests.noLiveryReset.exchange(false)) emptyNoLiverySet(run);
  if (cfg::AUTO_RANGE.value()) lf_autoRange(run);
  if (jobs.minute) {
    std::int32_t countdown = --requests.staticParkingCountdown;
    if (countdown < 1) {
      requests.staticParkingCountdown = countdown = 20;
      if (staticParkAirportLoaded(run.park) && !cfg::INITIAL_LOAD_ONLY.value() &&
          !requests.parkingUpdateInProgress.load() && !run.cycle.staticParkingUpdate.load())
        lf_announceStaticParkingUpdate(run);
    }
    run.window.setStaticCountdown(countdown);
    run.window.repaint(WindowBand::Options);
    if (cfg::OBJECTID_LIST.value()) gf_writeActiveAcFile(run.traffic.liveList);
    if (jobs.noMatchList) gf_logNoMatchList();
    if (jobs.dailyReset) {
      run.cycle.tickCounter = 0;
      gf_logLiveryMatchingSummary();
      run.traffic.titles.clear();
    }
  }
  gf_flushLog();
}

void lf_staticParkingPhase(TrafficRun& run) {
  RunCycleState& cycle = run.cycle;
  if (!cycle.staticParkingUpdate.load()) return;
  if (cycle.staticParkingPhase == 0) {
    cycle.staticParkingPhase = 1;
    gf_disableParkingControls();
    run.trafficReader.startCallsignCollection();
    return;
  }
  cycle.staticParkingPhase = 0;
  gf_clearError();
  if (parkAirportWithStands(run.park)) gf_parkingAdjustments(run);
  gf_flushLog();
  cycle.staticParkingUpdate = false;
  gf_enableParkingControls();  // the update is over: Re-read and the parking settings take input again
}

// The park-airport update; a newly loaded park airport starts the static-parking countdown again.
void lf_updateParkAirport(TrafficRun& run, bool first) {
  if (gf_updateParkAirport(run, first)) requests.staticParkingCountdown = 20;
}

void lf_flightNotRunning(TrafficRun& run) {
  RunCycleState& cycle = run.cycle;
  if (!cycle.flightNotRunning) {
    run.adding.setOpen(false);
    cycle.flightNotRunning = true;
    cycle.oneSecondCountdown = kCyclesPerSecond;
    run.sim.emptyPositionBuffers();
    gf_logLine(fmt::format("{} Flight not running", gf_nowHms()));
  }
  gf_handleSimMessages(run);
  if (--cycle.oneSecondCountdown % kCyclesPerSecond == 0) {
    lf_rereadIfRequested(run);
    gf_sendQs121(run);
  }
  if (cycle.oneSecondCountdown < 1) {
    cycle.oneSecondCountdown = kCyclesPerSecond;
    lf_refreshCounts(run);
    gf_updateCurrentSlot();
  }
}

}  // namespace

TickRequests& gf_tickRequests() {
  return requests;
}

void gf_resetTickRequests() {
  for (std::atomic<bool>* flag :
       {&requests.flushStatic, &requests.reread, &requests.csToOid, &requests.csToOidPending, &requests.block,
        &requests.noLiveryReset, &requests.parkingUpdateInProgress})
    *flag = false;
  requests.staticParkingCountdown = 20;
}

void lf_announceStaticParkingUpdate(TrafficRun& run) {
  gf_disableParkingControls();
  const std::int32_t s = 15 - run.cycle.tickCounter.load() % 15;
  gf_setMessage(
      fmt::format("{} will update static parking in {} second{} ...", kProductName, s, gf_plural(s)));
  run.cycle.staticParkingUpdate = true;
}

bool lf_cycleTick(TrafficRun& run) {
  // What the window and "SimClient" handed over since the last cycle, whether the flight runs or not.
  gf_doQueuedRunWork(run);
  gf_handleParkAirportRequests(run);
  if (!gf_simulationRunning() || gf_simConnectBlocked()) {
    lf_flightNotRunning(run);
    return !gf_stopRaised();
  }
  lf_handleAddingStack(run);
  // Tested on every cycle, not only on a tick: a run whose ticks stopped must still end when
  // the window is closed.
  if (gf_stopRaised()) return false;
  if (!gf_takeTick()) return true;
  lf_everySecond(run);
  if (gf_stopRaised()) return false;

  const std::int32_t c = run.cycle.tickCounter.load();
  const TickJobs jobs = gf_tickJobs(c, run.cycle.staticParkingPhase);
  if (!jobs.fifthTick) {
    if (jobs.parkAirportUpdate) lf_updateParkAirport(run, false);
    if (jobs.readerWatchdog) gf_readerWatchdog(run);
    if (jobs.removeByList) gf_removeByList(run);
    return true;
  }
  const UserAcPosition user = gf_userAcBlock().position;
  run.trafficReader.setReferencePosition({user.latitude, user.longitude});
  if (run.realTraffic.professional) gf_sendQs123(gf_simulatorUtc());
  if (const std::string stand = reservedStandName(run.park); !stand.empty())
    gf_removeParkedByName(run, stand);
  lf_rereadIfRequested(run);
  if (!jobs.fifteenthTick) return true;

  lf_staticParkingPhase(run);
  if (gf_readerStalled(run)) gf_readerWatchdog(run);
  // Every 15 seconds the log on disk is at most that old, whatever the readers did.
  gf_flushLog();
  if (jobs.halfMinute) lf_everyHalfMinute(run, jobs);
  return true;
}

void lf_mainCycle(TrafficRun& run) {
  // A destination stored before the run (handed over by the start-up) counts for the first choice.
  gf_doQueuedRunWork(run);
  lf_updateParkAirport(run, true);
  gf_readerWatchdog(run);
  run.cycle.tickCounter = 0;
  os::Clock& clock = os::clock();
  const os::SteadyTime start = clock.now();
  gf_updateCurrentSlot();
  run.adding.setOpen(true);
  os::SteadyTime deadline = start + kCyclePeriod;
  gf_fillCallsignCombo();
  enableCsToOidButton();
  const bool resolutionGranted = os::timeBeginPeriod(1) == os::TIMERR_NOERROR;

  bool running = lf_cycleTick(run);
  while (running) {
    const os::SteadyTime now = clock.now();
    os::SteadyTime target = gf_nextCycleTarget(deadline, now);
    if (target - now >= std::chrono::milliseconds{1}) clock.sleepUntil(target);
    if (gf_tickRaised()) target = clock.now();  // align the grid to the arrival of a tick
    deadline = target + kCyclePeriod;
    running = lf_cycleTick(run);
  }
  if (resolutionGranted) os::timeEndPeriod(1);
}

}  // namespace orv
