#pragma once

#include <functional>
#include <memory>

namespace os {

// Turns the ways a console program is told to end into calls of a handler on a thread other than
// the main one, so that they take the same road as the window's close button: SIGINT and SIGTERM
// on POSIX systems; Ctrl+C, Ctrl+Break, the console window's close, log-off and shut-down on
// Windows, and there also a parent's request through os::ChildProcess::requestClose (Windows has
// no signal for it). On POSIX systems the signals are blocked in the constructing thread and every thread
// started later inherits that mask: construct it on the main thread before any other thread
// starts. One object at a time per process.
class CloseSignals {
 public:
  explicit CloseSignals(std::function<void()> onSignal);
  ~CloseSignals();  // no handler call after it returns; POSIX signals stay blocked
  CloseSignals(const CloseSignals&) = delete;
  CloseSignals& operator=(const CloseSignals&) = delete;

 private:
  struct Watcher;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace os
