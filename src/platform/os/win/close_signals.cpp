#include "platform/os/close_signals.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/os/win/close_request.h"

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

// Owns an event handle.
struct EventHandle {
  HANDLE handle = nullptr;
  explicit EventHandle(HANDLE h) : handle(h) {}
  ~EventHandle() {
    if (handle) CloseHandle(handle);
  }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
};

}  // namespace

std::wstring win::closeRequestEventName(unsigned long processId) {
  return L"Local\\quillstar-close-" + std::to_wstring(processId);
}

struct CloseSignals::Watcher {
  HandlerState state;
  // A parent's request to close (os::ChildProcess::requestClose), and the watcher's own stop.
  EventHandle request{
      CreateEventW(nullptr, FALSE, FALSE, win::closeRequestEventName(GetCurrentProcessId()).c_str())};
  EventHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::thread thread;
};

CloseSignals::CloseSignals(std::function<void()> onSignal) : watcher_(std::make_unique<Watcher>()) {
  watcher_->state.onSignal = std::move(onSignal);
  {
    std::scoped_lock lock(currentMutex);
    current = &watcher_->state;
  }
  SetConsoleCtrlHandler(lf_consoleControl, TRUE);
  if (!watcher_->request.handle || !watcher_->stop.handle) return;
  watcher_->thread = std::thread([watcher = watcher_.get()] {
    const HANDLE events[2] = {watcher->request.handle, watcher->stop.handle};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) watcher->state.onSignal();
  });
}

CloseSignals::~CloseSignals() {
  if (watcher_->thread.joinable()) {
    SetEvent(watcher_->stop.handle);
    watcher_->thread.join();
  }
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
