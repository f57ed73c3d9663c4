#pragma once

// Lets a test wait until another thread sleeps in a blocking call, so that the test reaches the
// case it means: waking a blocked call, not refusing one that had not started yet.

#include <atomic>
#include <cstdint>

namespace platform_test {

class BlockedThread {
 public:
  // Called by the thread that is about to block.
  void enter();
  // Returns once that thread has entered and sleeps in the system.
  void waitUntilBlocked() const;
  // Ready for another thread.
  void reset() { id_ = 0; }

 private:
  std::atomic<std::int64_t> id_{0};
};

}  // namespace platform_test
