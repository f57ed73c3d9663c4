#pragma once

// IPv4 UDP and TCP sockets with Winsock's behaviour where the program relies on it: failures
// leave a Winsock error number in lastError() (platform/net/errors.h), sends never raise SIGPIPE,
// and closing a socket from one thread wakes another thread blocked on it in accept or receive
// (on Windows within 50 ms). Winsock 2.2 is started on the first use.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/net/stop_signal.h"

namespace net {

inline constexpr std::uint32_t kAnyAddress = 0;                // INADDR_ANY
inline constexpr std::uint32_t kLoopbackAddress = 0x7f000001;  // 127.0.0.1

// An address in host byte order and a port; port 0 asks the system for a free one at bind.
struct Ipv4Endpoint {
  std::uint32_t address = kAnyAddress;
  std::uint16_t port = 0;
  bool operator==(const Ipv4Endpoint&) const = default;
};

// The host-order address of a dotted IPv4 text such as "127.0.0.1"; empty for anything else.
[[nodiscard]] std::optional<std::uint32_t> parseIpv4Address(const std::string& text);

// The passive IPv4 TCP address of a port text (getaddrinfo without a host); error is the
// getaddrinfo result, 0 on success.
struct ResolveResult {
  int error = 0;
  Ipv4Endpoint endpoint;
};
[[nodiscard]] ResolveResult resolvePassiveTcp(const std::string& port);

// One socket, owned: closed when the object goes. Calls that fail return false, -1 or a closed
// socket and set lastError(). close() may come from any thread while another thread is inside a
// call on the same socket; every other pair of calls needs the caller's own ordering.
class Socket {
 public:
  enum class Type { Datagram, Stream };

  // A new IPv4 UDP or TCP socket; not open when the system refused one.
  [[nodiscard]] static Socket open(Type type);

  Socket();
  ~Socket();
  Socket(Socket&&) noexcept;
  Socket& operator=(Socket&&) noexcept;

  [[nodiscard]] bool isOpen() const;

  [[nodiscard]] bool bind(Ipv4Endpoint endpoint);
  // Lets a port whose earlier connections still linger be bound again at once, while a port in
  // use by another socket stays refused (WSAEADDRINUSE). POSIX systems: SO_REUSEADDR. Windows,
  // where SO_REUSEADDR would let a second socket take a port in use: SO_EXCLUSIVEADDRUSE, since
  // lingering connections never block a new listener there.
  [[nodiscard]] bool setReuseAddress(bool on);
  [[nodiscard]] bool setBlocking(bool on);
  [[nodiscard]] bool setNoDelay(bool on);  // TCP_NODELAY
  [[nodiscard]] bool listen();             // the largest backlog
  [[nodiscard]] bool connect(Ipv4Endpoint endpoint);
  // Blocks until a client connects or the socket is closed (WSAEINTR).
  [[nodiscard]] Socket accept();
  // Where the socket is bound: the port that the system chose for port 0.
  [[nodiscard]] std::optional<Ipv4Endpoint> localEndpoint() const;

  // How long a receive waits for data; none (the start value) waits for ever.
  void setReceiveTimeout(std::optional<std::chrono::milliseconds> timeout);

  // One receive into the buffer. For a datagram socket the result is the datagram's whole length,
  // which is larger than the buffer when it did not fit (the rest is lost). -1 on failure, with
  // WSAETIMEDOUT after the time-out, and WSAEINTR when the stop signal is raised (before or while
  // waiting) or the socket is closed while waiting. 0 for a stream whose peer closed.
  [[nodiscard]] long receive(std::span<char> buffer, const StopSignal* stop = nullptr);

  // Sends all of the data (a stream) or one datagram; the byte count or -1.
  [[nodiscard]] long send(std::span<const char> data);
  [[nodiscard]] long sendTo(std::span<const char> data, Ipv4Endpoint to);

  // Shuts both directions down and closes the socket; a thread blocked on it in accept or receive
  // returns at once, and the descriptor is released when the last such call has returned. Any
  // thread; a second call does nothing.
  void close();

 private:
  struct Core;
  class Use;
  explicit Socket(std::unique_ptr<Core> core);
  std::unique_ptr<Core> core_;
};

}  // namespace net
