#include "platform/os/single_instance.h"

// The ownership of the lock, the same on every system; release() is the system's own.

namespace os {

SingleInstance& SingleInstance::operator=(SingleInstance&& other) noexcept {
  if (this != &other) {
    release(handle_);
    handle_ = std::exchange(other.handle_, kNone);
  }
  return *this;
}

SingleInstance::~SingleInstance() {
  release(handle_);
}

}  // namespace os
