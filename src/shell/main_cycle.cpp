#include "shell/main_cycle.h"

#include <fmt/format.h>

#include "config/parameter_controls.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "platform/os/clock.h"
#include "platform/os/timer_resolution.h"
#include "platform/ui/controls.h"
#include "shell/pending_parts.h"
#include "shell/tick_schedule.h"
#include "simlink/command_queues.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"
#include "traffic/adding_deque.h"
#include "traffic/aircraft_text.h"
#include "traffic/live_cycle.h"
#include "traffic/readers.h"
#include "traffic/traffic_hooks.h"
#include "traffic/traffic_state.h"

namespace orv {
namespace {

constexpr std::int32_t kCyclesPerSecond = 100;

// The two counts of the statistics band: parked live aircraft and static ones in the simulator.
struct StatisticsCounts {
  std::int64_t parkedLive = 0;
  std::int64_t activeStatic = 0;
  bool operator==(const StatisticsCounts&) const = default;
};

// State of the cycle that only the start-up thread touches; a run reset replaces it.
struct CycleState {
  bool flightNotRunning = false;
  std::int32_t oneSecondCountdown = 0;
  int staticParkingPhase = 0;  // 1 while the Traffic Reader collects callsigns for the update
  bool csToOidPending = false;
  std::int64_t shownActive = 0;
  StatisticsCounts shownStatistics;
};

CycleState cycle;
// Ticks of this run; the Now button reads it on the window's thread.
std::atomic<std::int32_t> tickCounter{0};
TickRequests requests;

void lf_refreshCounts() {
  const std::int64_t active = gf_activeLiveCount();
  if (active != cycle.shownActive) {
    cycle.shownActive = active;
    pending::setActiveCountShown(active);
  }
  const StatisticsCounts counts{gf_parkedLiveCount(), gf_trafficHooks().activeStaticCount()};
  if (counts != cycle.shownStatistics) {
    cycle.shownStatistics = counts;
    pending::setStatisticsCountsShown(counts.parkedLive, counts.activeStatic);
  }
}

void lf_rereadIfRequested() {
  if (!requests.reread.load() || requests.parkingUpdateInProgress.load()) return;
  std::string text;
  if (pending::gf_checkReservedStands(true, text)) gf_setMessage(text, true);
  ui::setEnabled(cfg::REREAD_BUTTON.window(), true);
  ui::setEnabled(cfg::DESTINATION.window(), true);
  requests.reread = false;
}

void lf_everySecond() {
  if (cycle.flightNotRunning) {
    cycle.flightNotRunning = false;
    gf_logLine(fmt::format("{} Flight resumed", gf_nowHms()));
    gf_setAddingOpen(true);
  }
  gf_messageTick();
  lf_refreshCounts();
  gf_updateCurrentSlot();
  ++tickCounter;
  pending::arrivalCheckStep();

  if (cycle.csToOidPending) {
    const auto id = pending::objectIdOfActiveCallsign(cfg::CALLSIGN_2_OBJECTID.value());
    pending::setCsToOidText(id ? fmt::format("= {}", gf_hexString(*id)) : "has left");
    cycle.csToOidPending = false;
  }
  if (requests.flushStatic.exchange(false)) {
    pending::gf_removeAllAc();
    if (!cfg::INITIAL_LOAD_ONLY.value()) {
      // On for the rest of the run only: not saved.
      cfg::INITIAL_LOAD_ONLY.set(true);
      gf_showCheck(cfg::INITIAL_LOAD_ONLY);
    }
  }
  if (requests.csToOid.exchange(false)) {
    pending::setCsToOidText("");
    pending::gf_listActiveCallsigns();
    cycle.csToOidPending = true;
  }
  if (gf_userAircraftOnGround()) {
    if (cfg::COLLISION_USER_GND.value()) pending::gf_removeAcNearUser();
  } else if (cfg::COLLISION_USER_AIR.value()) {
    pending::gf_removeAcAheadOfUser();
  }
  if (cfg::COLLISION_LIVE_PARKED_GND.value()) pending::gf_recheckMovingAc();
  if (requests.block.load()) {
    if (const std::string callsign = cfg::BLOCK_CALLSIGN.value(); !callsign.empty())
      pending::removeActiveByCallsign(callsign);
    requests.block = false;
  }
  if (requests.parkingUpdateInProgress.load()) pending::setStaticCountShown(gf_trafficHooks().staticCount());
}

void lf_everyHalfMinute(const TickJobs& jobs) {
  if (requests.noLiveryReset.exchange(false)) pending::emptyNoLiverySet();
  if (cfg::AUTO_RANGE.value()) pending::lf_autoRange();
  if (jobs.minute) {
    std::int32_t countdown = --requests.staticParkingCountdown;
    if (countdown < 1) {
      requests.staticParkingCountdown = countdown = 20;
      if (pending::staticParkAirportLoaded() && !cfg::INITIAL_LOAD_ONLY.value() &&
          !requests.parkingUpdateInProgress.load() && !requests.staticParkingUpdate.load())
        lf_announceStaticParkingUpdate();
    }
    pending::setStaticCountdownShown(countdown);
    if (cfg::OBJECTID_LIST.value()) gf_writeActiveAcFile(gf_trafficState().liveList);
    if (jobs.noMatchList) pending::gf_logNoMatchList();
    if (jobs.dailyReset) {
      tickCounter = 0;
      pending::gf_logLiveryMatchingSummary();
      gf_emptyRespawnTitleMemory();
    }
  }
  gf_flushLog();
}

void lf_staticParkingPhase() {
  if (!requests.staticParkingUpdate.load()) return;
  if (cycle.staticParkingPhase == 0) {
    cycle.staticParkingPhase = 1;
    pending::gf_disableParkingControls();
    gf_trafficReader().startCallsignCollection();
    return;
  }
  cycle.staticParkingPhase = 0;
  gf_clearError();
  if (pending::parkAirportWithStands()) pending::gf_parkingAdjustments();
  gf_flushLog();
  requests.staticParkingUpdate = false;
}

void lf_flightNotRunning() {
  if (!cycle.flightNotRunning) {
    gf_setAddingOpen(false);
    cycle.flightNotRunning = true;
    cycle.oneSecondCountdown = kCyclesPerSecond;
    gf_emptyPositionBuffers();
    gf_logLine(fmt::format("{} Flight not running", gf_nowHms()));
  }
  gf_handleSimMessages();
  if (--cycle.oneSecondCountdown % kCyclesPerSecond == 0) {
    lf_rereadIfRequested();
    pending::gf_sendQs121();
  }
  if (cycle.oneSecondCountdown < 1) {
    cycle.oneSecondCountdown = kCyclesPerSecond;
    lf_refreshCounts();
    gf_updateCurrentSlot();
  }
}

}  // namespace

TickRequests& gf_tickRequests() {
  return requests;
}

std::int32_t gf_tickCounter() {
  return tickCounter.load();
}

void gf_resetMainCycle() {
  tickCounter = 0;
  cycle = CycleState{};
  requests.staticParkingUpdate = false;
  requests.block = false;
}

void lf_announceStaticParkingUpdate() {
  pending::gf_disableParkingControls();
  const std::int32_t s = 15 - tickCounter.load() % 15;
  gf_setMessage(
      fmt::format("{} will update static parking in {} second{} ...", kProductName, s, gf_plural(s)));
  requests.staticParkingUpdate = true;
}

bool lf_cycleTick() {
  if (!gf_simulationRunning() || gf_simConnectBlocked()) {
    lf_flightNotRunning();
    return !gf_stopRaised();
  }
  lf_handleAddingStack();
  // Tested on every cycle, not only on a tick: a run whose ticks stopped must still end when
  // the window is closed.
  if (gf_stopRaised()) return false;
  if (!gf_takeTick()) return true;
  lf_everySecond();
  if (gf_stopRaised()) return false;

  const std::int32_t c = tickCounter.load();
  const TickJobs jobs = gf_tickJobs(c, cycle.staticParkingPhase);
  if (!jobs.fifthTick) {
    if (jobs.parkAirportUpdate) pending::gf_updateParkAirport(false);
    if (jobs.readerWatchdog) gf_readerWatchdog();
    if (jobs.removeByList) pending::gf_removeByList();
    return true;
  }
  const UserAcPosition user = gf_userAcBlock().position;
  gf_trafficReader().setReferencePosition({user.latitude, user.longitude});
  if (gf_professionalPeer()) pending::gf_sendQs123();
  if (const std::string stand = pending::reservedStandName(); !stand.empty())
    pending::gf_removeParkedByName(stand);
  lf_rereadIfRequested();
  if (!jobs.fifteenthTick) return true;

  lf_staticParkingPhase();
  if (gf_readerStalled()) gf_readerWatchdog();
  if (jobs.halfMinute) lf_everyHalfMinute(jobs);
  return true;
}

void lf_mainCycle() {
  pending::gf_updateParkAirport(true);
  gf_readerWatchdog();
  tickCounter = 0;
  os::Clock& clock = os::clock();
  const os::SteadyTime start = clock.now();
  gf_updateCurrentSlot();
  gf_setAddingOpen(true);
  os::SteadyTime deadline = start + kCyclePeriod;
  gf_fillCallsignCombo();
  pending::enableCsToOidButton();
  const bool resolutionGranted = os::timeBeginPeriod(1) == os::TIMERR_NOERROR;

  bool running = lf_cycleTick();
  while (running) {
    const os::SteadyTime now = clock.now();
    os::SteadyTime target = gf_nextCycleTarget(deadline, now);
    if (target - now >= std::chrono::milliseconds{1}) clock.sleepUntil(target);
    if (gf_tickRaised()) target = clock.now();  // align the grid to the arrival of a tick
    deadline = target + kCyclePeriod;
    running = lf_cycleTick();
  }
  if (resolutionGranted) os::timeEndPeriod(1);
}

}  // namespace orv
