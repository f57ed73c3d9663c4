#include "platform/net/socket_core.h"

#include <cerrno>
#include <cstdlib>

#include "platform/net/errors.h"

namespace net {

Socket::Use::Use(Core* core) : core_(core) {
  if (!core_) {
    setLastError(WSAENOTSOCK);
    return;
  }
  std::scoped_lock lock(core_->mutex);
  if (core_->handle == kNoSocket || core_->closing) {
    setLastError(WSAENOTSOCK);
    core_ = nullptr;
    return;
  }
  ++core_->users;
  handle_ = core_->handle;
}

Socket::Use::~Use() {
  if (!core_) return;
  std::scoped_lock lock(core_->mutex);
  if (--core_->users == 0 && core_->closing && core_->handle != kNoSocket) {
    closeSocketHandle(core_->handle);
    core_->handle = kNoSocket;
  }
}

SocketSettings Socket::Use::settings() const {
  std::scoped_lock lock(core_->mutex);
  return {core_->type, core_->receiveTimeout, core_->sendTimeout, core_->blocking};
}

bool Socket::Use::interrupted() const {
  std::scoped_lock lock(core_->mutex);
  if (!core_->closing) return false;
  setLastError(WSAEINTR);
  return true;
}

bool stoppedBeforeWait(const StopSignal* stop) {
  if (!stop || !stop->raised()) return false;
  setLastError(WSAEINTR);
  return true;
}

bool isPortNumberBeyondLast(const std::string& port) {
  char* end = nullptr;
  errno = 0;
  const unsigned long number = std::strtoul(port.c_str(), &end, 10);
  return end != port.c_str() && *end == '\0' && (number > 65535 || errno == ERANGE);
}

Socket::Socket() = default;
Socket::Socket(std::unique_ptr<Core> core) : core_(std::move(core)) {}
Socket::~Socket() {
  close();
}
Socket::Socket(Socket&&) noexcept = default;

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    core_ = std::move(other.core_);
  }
  return *this;
}

bool Socket::isOpen() const {
  if (!core_) return false;
  std::scoped_lock lock(core_->mutex);
  return core_->handle != kNoSocket && !core_->closing;
}

void Socket::setReceiveTimeout(std::optional<std::chrono::milliseconds> timeout) {
  if (!core_) return;
  std::scoped_lock lock(core_->mutex);
  core_->receiveTimeout = timeout;
}

void Socket::setSendTimeout(std::optional<std::chrono::milliseconds> timeout) {
  if (!core_) return;
  std::scoped_lock lock(core_->mutex);
  core_->sendTimeout = timeout;
}

void Socket::close() {
  if (!core_) return;
  std::scoped_lock lock(core_->mutex);
  if (core_->handle == kNoSocket || core_->closing) return;
  core_->closing = true;
  // The shutdown wakes an accept or receive blocked in a POSIX system's call, and tells a connected
  // peer at once; a wait on Windows sees the closing flag within its check period.
  shutdownSocketHandle(core_->handle);
  if (core_->users == 0) {
    closeSocketHandle(core_->handle);
    core_->handle = kNoSocket;
  }
}

}  // namespace net
