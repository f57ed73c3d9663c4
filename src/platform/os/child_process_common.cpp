#include "platform/os/child_process.h"

// The ownership of the child, the same on every system; release() is the system's own.

namespace os {

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    release();
    id_ = std::exchange(other.id_, 0);
    handle_ = std::exchange(other.handle_, 0);
    exitCode_ = other.exitCode_;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  release();
}

}  // namespace os
