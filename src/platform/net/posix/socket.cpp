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

#include "platform/net/errors.h"
#include "platform/net/socket_core.h"

namespace net {

namespace {

void lf_failWithErrno() {
  setLastError(wsaErrorFromErrno(errno));
}

// The descriptor under a call's Use.
template <typename UseType>
int lf_fd(const UseType& use) {
  return static_cast<int>(use.handle());
}

SocketHandle lf_handle(int fd) {
  return static_cast<SocketHandle>(fd);
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

// What a poll on the socket came to: true when the socket is ready and no close() came while it
// waited; otherwise false with the error set.
template <typename UseType>
bool lf_pollReady(int ready, const UseType& use) {
  if (ready < 0) {
    lf_failWithErrno();
    return false;
  }
  if (ready == 0) {
    setLastError(WSAETIMEDOUT);
    return false;
  }
  return !use.interrupted();
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
  if (isPortNumberBeyondLast(port)) {
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
  return Socket{std::make_unique<Core>(lf_handle(fd), type)};
}

bool Socket::bind(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::bind(lf_fd(use), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

bool Socket::setReuseAddress(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(lf_fd(use), SOL_SOCKET, SO_REUSEADDR, on);
}

bool Socket::setBlocking(bool on) {
  const Use use(core_.get());
  if (!use) return false;
  const int flags = ::fcntl(lf_fd(use), F_GETFL);
  if (flags < 0) {
    lf_failWithErrno();
    return false;
  }
  return lf_result(::fcntl(lf_fd(use), F_SETFL, on ? flags & ~O_NONBLOCK : flags | O_NONBLOCK));
}

bool Socket::setNoDelay(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(lf_fd(use), IPPROTO_TCP, TCP_NODELAY, on);
}

bool Socket::listen() {
  const Use use(core_.get());
  return use && lf_result(::listen(lf_fd(use), SOMAXCONN));
}

bool Socket::connect(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::connect(lf_fd(use), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

Socket Socket::accept() {
  const Use use(core_.get());
  if (!use) return Socket{};
  int fd;
  do {
    fd = ::accept4(lf_fd(use), nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (!use.interrupted()) lf_failWithErrno();
    return Socket{};
  }
  return Socket{std::make_unique<Core>(lf_handle(fd), Type::Stream)};
}

std::optional<Ipv4Endpoint> Socket::localEndpoint() const {
  const Use use(core_.get());
  if (!use) return std::nullopt;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(lf_fd(use), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    lf_failWithErrno();
    return std::nullopt;
  }
  return Ipv4Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

bool Socket::setSendBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(lf_fd(use), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes));
}

bool Socket::setReceiveBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(lf_fd(use), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes));
}

bool Socket::peerClosed() const {
  const Use use(core_.get());
  if (!use) return true;
  pollfd wait{lf_fd(use), POLLIN, 0};
  if (::poll(&wait, 1, 0) <= 0) return false;
  char byte;
  const ssize_t n = ::recv(lf_fd(use), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n == 0) return true;
  return n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
}

long Socket::receive(std::span<char> buffer, const StopSignal* stop) {
  const Use use(core_.get());
  if (!use) return -1;
  const SocketSettings settings = use.settings();
  if (stoppedBeforeWait(stop)) return -1;
  // Wait in poll rather than in recv, so that the stop signal can end the wait.
  const int stopFd = stop ? static_cast<int>(stop->waitHandle()) : -1;
  pollfd waits[2] = {{lf_fd(use), POLLIN, 0}, {stopFd, POLLIN, 0}};
  const auto& timeout = settings.receiveTimeout;
  const int ms = timeout ? static_cast<int>(std::min<long long>(timeout->count(), INT_MAX)) : -1;
  if (!lf_pollReady(::poll(waits, 2, ms), use)) return -1;
  if (waits[1].revents != 0 && !(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) {
    setLastError(WSAEINTR);
    return -1;
  }
  const int flags = MSG_DONTWAIT | (settings.type == Type::Datagram ? MSG_TRUNC : 0);
  const ssize_t received = ::recv(lf_fd(use), buffer.data(), buffer.size(), flags);
  if (received < 0) {
    lf_failWithErrno();
    return -1;
  }
  return static_cast<long>(received);
}

long Socket::send(std::span<const char> data) {
  const Use use(core_.get());
  if (!use) return -1;
  const std::optional<std::chrono::milliseconds> timeout = use.settings().sendTimeout;
  const auto deadline = std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds{0});
  std::size_t sent = 0;
  do {
    if (timeout) {
      // Waited for in poll, so that the time counts for the whole send and a close wakes it.
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd wait{lf_fd(use), POLLOUT, 0};
      const int ready = left.count() > 0 ? ::poll(&wait, 1, static_cast<int>(left.count())) : 0;
      if (ready < 0 && errno == EINTR) continue;
      if (!lf_pollReady(ready, use)) return -1;
    }
    const int flags = MSG_NOSIGNAL | (timeout ? MSG_DONTWAIT : 0);
    const ssize_t n = ::send(lf_fd(use), data.data() + sent, data.size() - sent, flags);
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
  const ssize_t n = ::sendto(lf_fd(use), data.data(), data.size(), MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (n < 0) {
    lf_failWithErrno();
    return -1;
  }
  return static_cast<long>(n);
}

void shutdownSocketHandle(SocketHandle handle) {
  ::shutdown(static_cast<int>(handle), SHUT_RDWR);
}

void closeSocketHandle(SocketHandle handle) {
  ::close(static_cast<int>(handle));
}

}  // namespace net
