#pragma once

// A stop flag that also wakes a socket receive waiting on it, so that a thread blocked in a
// receive notices the stop at once rather than at the end of the receive's time-out.

#include <atomic>
#include <cstdint>

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

  // What a receive waits on beside its socket: readable while the signal is raised. The read end of
  // a pipe on POSIX systems, a loopback UDP socket that the raise sends a datagram to on Windows
  // (whose waits take sockets only). kNoWaitHandle when none could be made: the flag still
  // works, a receive then only notices it at its time-out.
  using WaitHandle = std::intptr_t;
  static constexpr WaitHandle kNoWaitHandle = -1;
  [[nodiscard]] WaitHandle waitHandle() const { return ends_[0]; }

 private:
  std::atomic<bool> raised_{false};
  WaitHandle ends_[2] = {kNoWaitHandle, kNoWaitHandle};  // the reading and the writing end
};

}  // namespace net
