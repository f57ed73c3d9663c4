#include "platform/os/close_signals.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace os {
namespace {

// The console calls the handler on a thread of its own. For the close, log-off and shut-down
// events the process ends as soon as the handler returns, so the handler waits, for a little less
// than the system's grace period, until the program has closed down and let go of the watcher.
struct HandlerState {
  std::function<void()> onSignal;
  std::mutex mutex;
  std::condition_variable changed;
  bool active = true;  // guarded by mutex, as is calls
  int calls = 0;       // handler calls under way
};

constexpr std::chrono::milliseconds kGracePeriod{4500};

std::mutex currentMutex;
HandlerState* current = nullptr;  // guarded by currentMutex

BOOL WINAPI lf_consoleControl(DWORD event) {
  HandlerState* state = nullptr;
  {
    std::scoped_lock lock(currentMutex);
    state = current;
    if (!state) return FALSE;
    std::scoped_lock stateLock(state->mutex);
    ++state->calls;
  }
  state->onSignal();
  std::unique_lock lock(state->mutex);
  const bool processEndsOnReturn =
      event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (processEndsOnReturn) state->changed.wait_for(lock, kGracePeriod, [&] { return !state->active; });
  --state->calls;
  state->changed.notify_all();
  return TRUE;
}

}  // namespace

struct CloseSignals::Watcher {
  HandlerState state;
};

CloseSignals::CloseSignals(std::function<void()> onSignal) : watcher_(std::make_unique<Watcher>()) {
  watcher_->state.onSignal = std::move(onSignal);
  {
    std::scoped_lock lock(currentMutex);
    current = &watcher_->state;
  }
  SetConsoleCtrlHandler(lf_consoleControl, TRUE);
}

CloseSignals::~CloseSignals() {
  SetConsoleCtrlHandler(lf_consoleControl, FALSE);
  {
    std::scoped_lock lock(currentMutex);
    current = nullptr;
  }
  HandlerState& state = watcher_->state;
  std::unique_lock lock(state.mutex);
  state.active = false;
  state.changed.notify_all();
  // A handler call still inside onSignal must not outlive the watcher.
  state.changed.wait(lock, [&] { return state.calls == 0; });
}

}  // namespace os
