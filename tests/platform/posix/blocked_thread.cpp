#include "blocked_thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace platform_test {

void BlockedThread::enter() {
  id_ = static_cast<std::int64_t>(::syscall(SYS_gettid));
}

// The thread's state in /proc is 'S' while it sleeps in the kernel.
void BlockedThread::waitUntilBlocked() const {
  while (id_.load() == 0) std::this_thread::yield();
  const std::string path = "/proc/self/task/" + std::to_string(id_.load()) + "/stat";
  for (;;) {
    std::ifstream stat(path);
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S') return;
    std::this_thread::yield();
  }
}

}  // namespace platform_test
