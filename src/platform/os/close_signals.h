#pragma once

#include <functional>
#include <thread>

namespace os {

// Turns SIGINT and SIGTERM into calls of a handler on a watcher thread of its own, so that Ctrl+C
// and a service manager's stop take the same road as the window's close button.
// Construct it on the main thread before any other thread starts: the signals are blocked in the
// constructing thread, and every thread started later inherits that mask.
class CloseSignals {
 public:
  explicit CloseSignals(std::function<void()> onSignal);
  ~CloseSignals();  // stops the watcher; the signals stay blocked
  CloseSignals(const CloseSignals&) = delete;
  CloseSignals& operator=(const CloseSignals&) = delete;

 private:
  std::jthread watcher_;
};

}  // namespace os
