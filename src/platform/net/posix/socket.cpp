#include "platform/net/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/net/errors.h"

namespace net {

struct Socket::Core {
  Core(int descriptor, Type socketType) : fd(descriptor), type(socketType) {}
  std::mutex mutex;
  int fd;
  Type type;
  int users = 0;         // calls under way on the descriptor
  bool closing = false;  // close() came; the last user releases the descriptor
  std::optional<std::chrono::milliseconds> receiveTimeout;
  std::optional<std::chrono::milliseconds> sendTimeout;
};

// Keeps the descriptor alive for the length of one call, so that a close() from another thread
// can never let the number be reused under that call.
class Socket::Use {
 public:
  explicit Use(Core* core) : core_(core) {
    if (!core_) {
      setLastError(WSAENOTSOCK);
      return;
    }
    std::scoped_lock lock(core_->mutex);
    if (core_->fd < 0 || core_->closing) {
      setLastError(WSAENOTSOCK);
      core_ = nullptr;
      return;
    }
    ++core_->users;
    fd_ = core_->fd;
  }
  ~Use() {
    if (!core_) return;
    std::scoped_lock lock(core_->mutex);
    if (--core_->users == 0 && core_->closing && core_->fd >= 0) {
      ::close(core_->fd);
      core_->fd = -1;
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;

  explicit operator bool() const { return core_ != nullptr; }
  [[nodiscard]] int fd() const { return fd_; }
  // close() came while the call waited: Winsock's interrupted blocking call.
  [[nodiscard]] bool interrupted() const {
    std::scoped_lock lock(core_->mutex);
    if (!core_->closing) return false;
    setLastError(WSAEINTR);
    return true;
  }

 private:
  Core* core_;
  int fd_ = -1;
};

namespace {

void lf_failWithErrno() {
  setLastError(wsaErrorFromErrno(errno));
}

sockaddr_in lf_address(Ipv4Endpoint endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(endpoint.address);
  address.sin_port = htons(endpoint.port);
  return address;
}

bool lf_result(int rc) {
  if (rc == 0) return true;
  lf_failWithErrno();
  return false;
}

bool lf_setIntOption(int fd, int level, int name, bool on) {
  const int value = on ? 1 : 0;
  return lf_result(::setsockopt(fd, level, name, &value, sizeof value));
}

}  // namespace

std::optional<std::uint32_t> parseIpv4Address(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  return ntohl(address.s_addr);
}

ResolveResult resolvePassiveTcp(const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_PASSIVE;
  ResolveResult result;
  // The resolver reads a numeric port text with strtoul and keeps only its low 16 bits, so "65536"
  // would come back as port 0 and "99999" as 34463: a number beyond the last port is refused here.
  char* end = nullptr;
  errno = 0;
  const unsigned long number = std::strtoul(port.c_str(), &end, 10);
  if (end != port.c_str() && *end == '\0' && (number > 65535 || errno == ERANGE)) {
    result.error = EAI_SERVICE;
    return result;
  }
  addrinfo* found = nullptr;
  result.error = ::getaddrinfo(nullptr, port.c_str(), &hints, &found);
  if (result.error != 0) return result;
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  result.endpoint = {ntohl(address->sin_addr.s_addr), ntohs(address->sin_port)};
  ::freeaddrinfo(found);
  return result;
}

Socket Socket::open(Type type) {
  const int fd = ::socket(AF_INET, (type == Type::Datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    lf_failWithErrno();
    return Socket{};
  }
  return Socket{std::make_unique<Core>(fd, type)};
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
  return core_->fd >= 0 && !core_->closing;
}

bool Socket::bind(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::bind(use.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

bool Socket::setReuseAddress(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(use.fd(), SOL_SOCKET, SO_REUSEADDR, on);
}

bool Socket::setBlocking(bool on) {
  const Use use(core_.get());
  if (!use) return false;
  const int flags = ::fcntl(use.fd(), F_GETFL);
  if (flags < 0) {
    lf_failWithErrno();
    return false;
  }
  return lf_result(::fcntl(use.fd(), F_SETFL, on ? flags & ~O_NONBLOCK : flags | O_NONBLOCK));
}

bool Socket::setNoDelay(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(use.fd(), IPPROTO_TCP, TCP_NODELAY, on);
}

bool Socket::listen() {
  const Use use(core_.get());
  return use && lf_result(::listen(use.fd(), SOMAXCONN));
}

bool Socket::connect(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::connect(use.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

Socket Socket::accept() {
  const Use use(core_.get());
  if (!use) return Socket{};
  int fd;
  do {
    fd = ::accept4(use.fd(), nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (!use.interrupted()) lf_failWithErrno();
    return Socket{};
  }
  return Socket{std::make_unique<Core>(fd, Type::Stream)};
}

std::optional<Ipv4Endpoint> Socket::localEndpoint() const {
  const Use use(core_.get());
  if (!use) return std::nullopt;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(use.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    lf_failWithErrno();
    return std::nullopt;
  }
  return Ipv4Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
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

bool Socket::setSendBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(use.fd(), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes));
}

bool Socket::setReceiveBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(use.fd(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes));
}

bool Socket::peerClosed() const {
  const Use use(core_.get());
  if (!use) return true;
  pollfd wait{use.fd(), POLLIN, 0};
  if (::poll(&wait, 1, 0) <= 0) return false;
  char byte;
  const ssize_t n = ::recv(use.fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n == 0) return true;
  return n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
}

long Socket::receive(std::span<char> buffer, const StopSignal* stop) {
  std::optional<std::chrono::milliseconds> timeout;
  Type type = Type::Stream;
  if (core_) {
    std::scoped_lock lock(core_->mutex);
    timeout = core_->receiveTimeout;
    type = core_->type;
  }
  const Use use(core_.get());
  if (!use) return -1;
  if (stop && stop->raised()) {
    setLastError(WSAEINTR);
    return -1;
  }
  // Wait in poll rather than in recv, so that the stop signal can end the wait.
  const int stopFd = stop ? static_cast<int>(stop->waitHandle()) : -1;
  pollfd waits[2] = {{use.fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
  const int ms = timeout ? static_cast<int>(std::min<long long>(timeout->count(), INT_MAX)) : -1;
  const int ready = ::poll(waits, 2, ms);
  if (ready < 0) {
    lf_failWithErrno();
    return -1;
  }
  if (ready == 0) {
    setLastError(WSAETIMEDOUT);
    return -1;
  }
  if (use.interrupted()) return -1;
  if (waits[1].revents != 0 && !(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) {
    setLastError(WSAEINTR);
    return -1;
  }
  const int flags = MSG_DONTWAIT | (type == Type::Datagram ? MSG_TRUNC : 0);
  const ssize_t received = ::recv(use.fd(), buffer.data(), buffer.size(), flags);
  if (received < 0) {
    lf_failWithErrno();
    return -1;
  }
  return static_cast<long>(received);
}

long Socket::send(std::span<const char> data) {
  std::optional<std::chrono::milliseconds> timeout;
  if (core_) {
    std::scoped_lock lock(core_->mutex);
    timeout = core_->sendTimeout;
  }
  const Use use(core_.get());
  if (!use) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds{0});
  std::size_t sent = 0;
  do {
    if (timeout) {
      // Waited for in poll, so that the time counts for the whole send and a close wakes it.
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd wait{use.fd(), POLLOUT, 0};
      const int ready = left.count() > 0 ? ::poll(&wait, 1, static_cast<int>(left.count())) : 0;
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) {
        lf_failWithErrno();
        return -1;
      }
      if (ready == 0) {
        setLastError(WSAETIMEDOUT);
        return -1;
      }
      if (use.interrupted()) return -1;
    }
    const int flags = MSG_NOSIGNAL | (timeout ? MSG_DONTWAIT : 0);
    const ssize_t n = ::send(use.fd(), data.data() + sent, data.size() - sent, flags);
    if (n < 0) {
      if (errno == EINTR || (timeout && (errno == EAGAIN || errno == EWOULDBLOCK))) continue;
      lf_failWithErrno();
      return -1;
    }
    sent += static_cast<std::size_t>(n);
  } while (sent < data.size());
  return static_cast<long>(sent);
}

long Socket::sendTo(std::span<const char> data, Ipv4Endpoint to) {
  const Use use(core_.get());
  if (!use) return -1;
  const sockaddr_in address = lf_address(to);
  const ssize_t n = ::sendto(use.fd(), data.data(), data.size(), MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (n < 0) {
    lf_failWithErrno();
    return -1;
  }
  return static_cast<long>(n);
}

void Socket::close() {
  if (!core_) return;
  std::scoped_lock lock(core_->mutex);
  if (core_->fd < 0 || core_->closing) return;
  core_->closing = true;
  // The shutdown is what wakes a blocked accept or recv; the close alone would not.
  ::shutdown(core_->fd, SHUT_RDWR);
  if (core_->users == 0) {
    ::close(core_->fd);
    core_->fd = -1;
  }
}

}  // namespace net
