#include "platform/net/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

namespace net {

StopSignal::StopSignal() {
  if (::pipe(pipe_) != 0) {
    pipe_[0] = pipe_[1] = -1;
    return;
  }
  for (int fd : pipe_) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

StopSignal::~StopSignal() {
  for (int fd : pipe_)
    if (fd >= 0) ::close(fd);
}

void StopSignal::raise() {
  if (raised_.exchange(true) || pipe_[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(pipe_[1], &byte, 1);
}

void StopSignal::lower() {
  raised_ = false;
  if (pipe_[0] < 0) return;
  char bytes[16];
  while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
  }
}

}  // namespace net
