#include "foundation/run_control.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <mutex>

namespace orv {
namespace {

constexpr std::array<std::string_view, 9> kReasonNames = {
    "NOT YET SET",      "SIM WAS CLOSED", "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
    "SIMCONNECT ERROR", "READER ERROR",   "SYSTEM ERROR", "NEW VERSION",
};

// The flags are atomics so that loops can test them without a lock; the mutex makes "raise the
// flag and store the reason" one step, so that a USER CLOSED SIM cannot slip between them.
struct RunControl {
  std::mutex mutex;
  std::atomic<bool> runStop{false};
  std::atomic<bool> closing{false};
  RunOutcome outcome;
  std::atomic<bool> tick{false};
};

RunControl& control() {
  static RunControl instance;
  return instance;
}

}  // namespace

std::string gf_exitReasonName(ExitReason reason) {
  const auto index = static_cast<std::uint32_t>(reason);
  if (index < kReasonNames.size()) return std::string(kReasonNames[index]);
  return fmt::format("UNKNOWN ({})", index);
}

bool gf_isRestartingReason(ExitReason reason) {
  return reason == ExitReason::NewSettings || reason == ExitReason::SimConnectError ||
         reason == ExitReason::ReaderError;
}

bool gf_endRun(ExitReason reason, int restartSeconds) {
  RunControl& c = control();
  std::scoped_lock lock(c.mutex);
  if (c.runStop.exchange(true)) return false;
  c.outcome = RunOutcome{reason, restartSeconds};
  return true;
}

void gf_endRunByUser() {
  RunControl& c = control();
  std::scoped_lock lock(c.mutex);
  c.runStop.exchange(true);
  if (c.outcome.reason == ExitReason::NotYetSet) c.outcome.reason = ExitReason::UserClosedSim;
}

void gf_storeSystemError() {
  RunControl& c = control();
  std::scoped_lock lock(c.mutex);
  c.outcome.reason = ExitReason::SystemError;
}

void gf_raiseClosing() {
  control().closing.exchange(true);
}

bool gf_runStopRaised() {
  return control().runStop.load();
}

bool gf_closingRaised() {
  return control().closing.load();
}

bool gf_stopRaised() {
  return gf_runStopRaised() || gf_closingRaised();
}

RunOutcome gf_runOutcome() {
  RunControl& c = control();
  std::scoped_lock lock(c.mutex);
  return c.outcome;
}

void gf_resetRunControl() {
  RunControl& c = control();
  std::scoped_lock lock(c.mutex);
  c.closing.exchange(false);
  c.runStop.exchange(false);
  c.outcome.reason = ExitReason::NotYetSet;
  c.tick.store(false);
}

void gf_raiseTick() {
  control().tick.store(true);
}

bool gf_takeTick() {
  return control().tick.exchange(false);
}

bool gf_tickRaised() {
  return control().tick.load();
}

void gf_clearTick() {
  control().tick.store(false);
}

}  // namespace orv
