#include "platform/net/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

namespace net {

StopSignal::StopSignal() {
  int pipe[2];
  if (::pipe(pipe) != 0) return;
  for (int fd : pipe) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ends_[0] = pipe[0];
  ends_[1] = pipe[1];
}

StopSignal::~StopSignal() {
  for (WaitHandle fd : ends_)
    if (fd != kNoWaitHandle) ::close(static_cast<int>(fd));
}

void StopSignal::raise() {
  if (raised_.exchange(true) || ends_[1] == kNoWaitHandle) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(ends_[1]), &byte, 1);
}

void StopSignal::lower() {
  raised_ = false;
  if (ends_[0] == kNoWaitHandle) return;
  char bytes[16];
  while (::read(static_cast<int>(ends_[0]), bytes, sizeof bytes) > 0) {
  }
}

}  // namespace net
