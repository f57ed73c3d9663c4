#pragma once

// What the socket backends share: the socket's state behind its mutex, and the guard that keeps
// the system socket alive for the length of one call. For the backends only.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/net/socket.h"

namespace net {

// A system socket: a POSIX descriptor or a Winsock SOCKET, held as an unsigned number. Both
// systems' "no socket" (-1, INVALID_SOCKET) is the number with every bit set.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle{0};

// Each backend's own: shut both directions down (errors ignored), and release the socket.
void shutdownSocketHandle(SocketHandle handle);
void closeSocketHandle(SocketHandle handle);

// The settings of a socket as one call starts, read together under its mutex.
struct SocketSettings {
  Socket::Type type = Socket::Type::Stream;
  std::optional<std::chrono::milliseconds> receiveTimeout;
  std::optional<std::chrono::milliseconds> sendTimeout;
  bool blocking = true;
};

struct Socket::Core {
  Core(SocketHandle socketHandle, Type socketType) : handle(socketHandle), type(socketType) {}
  std::mutex mutex;
  SocketHandle handle;
  Type type;
  // Kept where the system cannot tell it (Windows, ioctlsocket(FIONBIO)); an accepted socket takes
  // its listener's mode.
  bool blocking = true;
  int users = 0;         // calls under way on the socket
  bool closing = false;  // close() came; the last user releases the socket
  std::optional<std::chrono::milliseconds> receiveTimeout;
  std::optional<std::chrono::milliseconds> sendTimeout;
};

// Keeps the system socket alive for the length of one call, so that a close() from another thread
// can never let its number be reused under that call. Not open (false) with WSAENOTSOCK when the
// socket is closed or closing.
class Socket::Use {
 public:
  explicit Use(Core* core);
  ~Use();
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;

  explicit operator bool() const { return core_ != nullptr; }
  [[nodiscard]] SocketHandle handle() const { return handle_; }
  [[nodiscard]] SocketSettings settings() const;
  // close() came while the call waited: Winsock's interrupted blocking call (WSAEINTR).
  [[nodiscard]] bool interrupted() const;

 private:
  Core* core_;
  SocketHandle handle_ = kNoSocket;
};

// The stop signal is raised before the call waits: sets WSAEINTR.
[[nodiscard]] bool stoppedBeforeWait(const StopSignal* stop);

// A port text that is a decimal number beyond the last port (65535). The resolvers keep only the
// low 16 bits of such a number ("65536" would come back as port 0), so it is refused before them.
[[nodiscard]] bool isPortNumberBeyondLast(const std::string& port);

}  // namespace net
