#include "platform/net/socket.h"

#include "platform/net/errors.h"
#include "platform/net/socket_core.h"
#include "platform/net/win/winsock.h"
// The system's headers after ours: they define our error names as macros of the same values.
#include <winsock2.h>
// Built on the declarations of winsock2.h.
#include <mswsock.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <climits>
#include <mutex>

namespace net {

static_assert(INVALID_SOCKET == kNoSocket && sizeof(SOCKET) == sizeof(SocketHandle));

namespace {

// How soon a wait notices a close() from another thread. The socket itself is closed only when
// the last call on it has returned, so a wait cannot rely on the close to wake it.
constexpr std::chrono::milliseconds kCloseCheckPeriod{50};

// The largest UDP datagram: a datagram socket receives through a buffer of this size, so that a
// datagram larger than the caller's buffer still reports its whole length.
constexpr std::size_t kLargestDatagram = 65536;

sockaddr_in lf_address(Ipv4Endpoint endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(endpoint.address);
  address.sin_port = htons(endpoint.port);
  return address;
}

// Winsock leaves its own error number behind: nothing to translate.
bool lf_result(int rc) {
  return rc == 0;
}

bool lf_setIntOption(SOCKET s, int level, int name, bool on) {
  const BOOL value = on ? TRUE : FALSE;
  return lf_result(::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value));
}

int lf_length(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

enum class Wait { Ready, Stopped, Closed, TimedOut, Failed };
enum class Direction { Read, Write };

// Waits until the socket is readable (or has a connection to accept) or writable, the stop signal
// is raised, close() comes, or the time-out passes.
template <typename UseType>
Wait lf_wait(const UseType& use, Direction direction, const StopSignal* stop,
             std::optional<std::chrono::milliseconds> timeout) {
  const SOCKET wake = stop && stop->waitHandle() != StopSignal::kNoWaitHandle
                          ? static_cast<SOCKET>(stop->waitHandle())
                          : INVALID_SOCKET;
  const auto deadline = timeout ? std::optional(std::chrono::steady_clock::now() + *timeout) : std::nullopt;
  for (;;) {
    if (use.interrupted()) return Wait::Closed;
    if (stop && stop->raised()) return Wait::Stopped;
    auto slice = kCloseCheckPeriod;
    if (deadline) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
      if (left <= std::chrono::milliseconds::zero()) return Wait::TimedOut;
      slice = std::min(slice, left);
    }
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(use.handle(), direction == Direction::Read ? &readable : &writable);
    if (wake != INVALID_SOCKET) FD_SET(wake, &readable);
    const long long ms = slice.count();
    timeval period{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int ready = ::select(0, &readable, &writable, nullptr, &period);
    if (ready == SOCKET_ERROR) {
      if (use.interrupted()) return Wait::Closed;
      return Wait::Failed;
    }
    if (ready == 0) continue;
    if (FD_ISSET(use.handle(), &readable) || FD_ISSET(use.handle(), &writable)) return Wait::Ready;
    if (stop && stop->raised()) return Wait::Stopped;
  }
}

template <typename UseType>
Wait lf_waitReadable(const UseType& use, const StopSignal* stop,
                     std::optional<std::chrono::milliseconds> timeout) {
  return lf_wait(use, Direction::Read, stop, timeout);
}

}  // namespace

std::optional<std::uint32_t> parseIpv4Address(const std::string& text) {
  in_addr address{};
  if (!win::winsockStarted() || ::inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  return ntohl(address.s_addr);
}

ResolveResult resolvePassiveTcp(const std::string& port) {
  ResolveResult result;
  if (!win::winsockStarted()) {
    result.error = WSAGetLastError();
    return result;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_PASSIVE;
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
  if (!win::winsockStarted()) return Socket{};
  const SOCKET s = type == Type::Datagram ? ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)
                                          : ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return Socket{};
  // Not inherited by programs that this one starts.
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  if (type == Type::Datagram) {
    // A datagram sent from this socket to a closed port would otherwise make a later receive fail
    // with a connection reset, which a UDP reader has no use for.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr,
               nullptr);
  }
  return Socket{std::make_unique<Core>(s, type)};
}

bool Socket::bind(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::bind(use.handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

bool Socket::setReuseAddress(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(use.handle(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, on);
}

bool Socket::setBlocking(bool on) {
  const Use use(core_.get());
  if (!use) return false;
  u_long nonBlocking = on ? 0 : 1;
  if (!lf_result(::ioctlsocket(use.handle(), FIONBIO, &nonBlocking))) return false;
  std::scoped_lock lock(core_->mutex);
  core_->blocking = on;
  return true;
}

bool Socket::setNoDelay(bool on) {
  const Use use(core_.get());
  return use && lf_setIntOption(use.handle(), IPPROTO_TCP, TCP_NODELAY, on);
}

bool Socket::listen() {
  const Use use(core_.get());
  return use && lf_result(::listen(use.handle(), SOMAXCONN));
}

bool Socket::connect(Ipv4Endpoint endpoint) {
  const Use use(core_.get());
  if (!use) return false;
  const sockaddr_in address = lf_address(endpoint);
  return lf_result(::connect(use.handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

Socket Socket::accept() {
  const Use use(core_.get());
  if (!use) return Socket{};
  const bool blocking = use.settings().blocking;
  // A non-blocking listener answers at once (WSAEWOULDBLOCK without a client).
  if (blocking && lf_waitReadable(use, nullptr, std::nullopt) != Wait::Ready)
    return Socket{};  // failed, or closed (no stop signal and no time-out here)
  const SOCKET s = ::accept(use.handle(), nullptr, nullptr);
  if (s == INVALID_SOCKET) {
    (void)use.interrupted();
    return Socket{};
  }
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  auto accepted = std::make_unique<Core>(s, Type::Stream);
  accepted->blocking = blocking;
  return Socket{std::move(accepted)};
}

std::optional<Ipv4Endpoint> Socket::localEndpoint() const {
  const Use use(core_.get());
  if (!use) return std::nullopt;
  sockaddr_in address{};
  int length = sizeof address;
  if (::getsockname(use.handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
  return Ipv4Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

bool Socket::setSendBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(use.handle(), SOL_SOCKET, SO_SNDBUF,
                                       reinterpret_cast<const char*>(&bytes), sizeof bytes));
}

bool Socket::setReceiveBufferSize(int bytes) {
  const Use use(core_.get());
  return use && lf_result(::setsockopt(use.handle(), SOL_SOCKET, SO_RCVBUF,
                                       reinterpret_cast<const char*>(&bytes), sizeof bytes));
}

bool Socket::peerClosed() const {
  const Use use(core_.get());
  if (!use) return true;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(use.handle(), &readable);
  timeval now{0, 0};
  if (::select(0, &readable, nullptr, nullptr, &now) <= 0) return false;
  // Readable: either data waits (the peek sees it) or the peer closed or reset the connection.
  char byte;
  const int n = ::recv(use.handle(), &byte, 1, MSG_PEEK);
  if (n == 0) return true;
  return n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK && WSAGetLastError() != WSAEINTR;
}

long Socket::receive(std::span<char> buffer, const StopSignal* stop) {
  const Use use(core_.get());
  if (!use) return -1;
  const SocketSettings settings = use.settings();
  if (stoppedBeforeWait(stop)) return -1;
  switch (lf_waitReadable(use, stop, settings.receiveTimeout)) {
    case Wait::Ready:
      break;
    case Wait::Stopped:
      setLastError(WSAEINTR);
      return -1;
    case Wait::Closed:
      return -1;  // interrupted() has set WSAEINTR
    case Wait::TimedOut:
      setLastError(WSAETIMEDOUT);
      return -1;
    case Wait::Failed:
      return -1;
  }
  if (settings.type == Type::Datagram && buffer.size() < kLargestDatagram) {
    // Winsock cuts an oversized datagram to the buffer and does not tell its length.
    thread_local std::array<char, kLargestDatagram> whole;
    const int received = ::recv(use.handle(), whole.data(), lf_length(whole.size()), 0);
    if (received == SOCKET_ERROR) return -1;
    std::copy_n(whole.data(), std::min<std::size_t>(static_cast<std::size_t>(received), buffer.size()),
                buffer.data());
    return received;
  }
  const int received = ::recv(use.handle(), buffer.data(), lf_length(buffer.size()), 0);
  if (received == SOCKET_ERROR) return -1;
  return received;
}

long Socket::send(std::span<const char> data) {
  const Use use(core_.get());
  if (!use) return -1;
  const SocketSettings settings = use.settings();
  const std::optional<std::chrono::milliseconds> timeout = settings.sendTimeout;
  const bool blocking = settings.blocking;
  if (!timeout) {
    std::size_t sent = 0;
    do {
      const int n = ::send(use.handle(), data.data() + sent, lf_length(data.size() - sent), 0);
      if (n == SOCKET_ERROR) return -1;
      sent += static_cast<std::size_t>(n);
    } while (sent < data.size());
    return static_cast<long>(sent);
  }
  // With a time-out the sends must not block: Winsock has no per-call flag for it, so the socket
  // is non-blocking for the length of this send, and the waits for room happen in select, where
  // the time counts for the whole send and a close wakes them.
  u_long mode = 1;
  if (blocking && ::ioctlsocket(use.handle(), FIONBIO, &mode) != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + *timeout;
  std::size_t sent = 0;
  long result = -1;
  int error = 0;
  for (;;) {
    const int n = ::send(use.handle(), data.data() + sent, lf_length(data.size() - sent), 0);
    if (n != SOCKET_ERROR) {
      sent += static_cast<std::size_t>(n);
      if (sent < data.size()) continue;
      result = static_cast<long>(sent);
      break;
    }
    error = WSAGetLastError();
    // The shutdown of a close() from another thread fails the send with WSAESHUTDOWN.
    if (use.interrupted()) error = WSAEINTR;
    if (error != WSAEWOULDBLOCK) break;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const Wait wait = left.count() > 0 ? lf_wait(use, Direction::Write, nullptr, left) : Wait::TimedOut;
    if (wait == Wait::Ready) continue;
    error = wait == Wait::TimedOut ? WSAETIMEDOUT : wait == Wait::Closed ? WSAEINTR : WSAGetLastError();
    break;
  }
  if (blocking) {
    mode = 0;
    (void)::ioctlsocket(use.handle(), FIONBIO, &mode);
  }
  if (result < 0) setLastError(error);
  return result;
}

long Socket::sendTo(std::span<const char> data, Ipv4Endpoint to) {
  const Use use(core_.get());
  if (!use) return -1;
  const sockaddr_in address = lf_address(to);
  const int n = ::sendto(use.handle(), data.data(), lf_length(data.size()), 0,
                         reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (n == SOCKET_ERROR) return -1;
  return n;
}

void shutdownSocketHandle(SocketHandle handle) {
  ::shutdown(handle, SD_BOTH);
}

void closeSocketHandle(SocketHandle handle) {
  ::closesocket(handle);
}

}  // namespace net
