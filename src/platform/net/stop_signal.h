#pragma once

// A stop flag that also wakes a socket receive waiting on it, so that a thread blocked in a
// receive notices the stop at once rather than at the end of the receive's time-out.

#include <atomic>

namespace net {

class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // Any thread.
  void raise();
  [[nodiscard]] bool raised() const { return raised_.load(); }
  // Not while another thread raises it: the run control lowers it between runs.
  void lower();

  // Readable while the signal is raised; -1 when no pipe could be made (the flag still works,
  // a receive then only notices it at its time-out).
  [[nodiscard]] int waitHandle() const { return pipe_[0]; }

 private:
  std::atomic<bool> raised_{false};
  int pipe_[2] = {-1, -1};
};

}  // namespace net
