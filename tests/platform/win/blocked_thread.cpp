#include "blocked_thread.h"

#include <chrono>
#include <thread>

namespace platform_test {

void BlockedThread::enter() {
  id_ = 1;
}

// Windows does not show whether another thread sleeps in a call, so the wait gives the thread
// ample time to get there. A thread that came late would meet a closed socket (another error:
// the test fails) or a raised stop signal (the same error, found at the call's start).
void BlockedThread::waitUntilBlocked() const {
  while (id_.load() == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds{200});
}

}  // namespace platform_test
