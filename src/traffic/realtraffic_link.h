#pragma once

// The TCP control link with RealTraffic: its server on 127.0.0.1, the handshake and the messages
// the run sends. Nothing here blocks the main cycle: the listening socket is non-blocking, each
// accept is one pass over the waiting connections, and a send waits a bounded time for a peer that
// stopped reading, then breaks the link. Start-up thread, except close (any thread).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/socket.h"
#include "simlink/user_aircraft.h"

namespace orv {

class TrafficRun;

inline constexpr std::size_t kRealTrafficBufferSize = 16384;
// The longest a send waits for a peer that does not read; a close from the window waits no longer.
inline constexpr std::chrono::milliseconds kRealTrafficSendTimeout{250};
// The link carries about 60 bytes a second: a small buffer keeps what a peer that stopped reading
// leaves behind small, and shows such a peer within minutes instead of a day.
inline constexpr int kRealTrafficSendBuffer = 4096;

class RealTrafficLink {
 public:
  RealTrafficLink() = default;
  ~RealTrafficLink();
  RealTrafficLink(const RealTrafficLink&) = delete;
  RealTrafficLink& operator=(const RealTrafficLink&) = delete;

  // Listens on 127.0.0.1 at the port (its text; "0": any free one); throws std::runtime_error with
  // the failing step's text.
  void openServer(std::string_view port);
  // One accept try when not connected; true when a client has just connected. Connections whose
  // peer closed before they were taken are dropped on the way, without a word.
  [[nodiscard]] bool waitForClient();
  // The whole text or nothing; a failure closes the client socket and breaks the link (quietly
  // for a peer that has not shown itself to be RealTraffic).
  bool sendDataPacket(std::string_view text);
  // The version reply, gathered until it is one JSON value, the peer closes, the buffer is full
  // or five seconds pass (sooner when a stop flag is raised); empty on an error. A peer that
  // closes or fails before it said anything is dropped quietly: connected() is then false.
  [[nodiscard]] std::string receive();
  // The handshake of a new connection: "Qs999=version" and the reply (empty when none came). None
  // when the connection failed before the peer said anything: it was a stray one, and is gone.
  // Otherwise the peer is RealTraffic from now on.
  [[nodiscard]] std::optional<std::string> askVersion();
  // The peer of this connection is RealTraffic: it answered the version request, or (on a
  // re-connection, where no version is asked) its first line reached it. Until then a failure
  // drops the connection as a stray one, which touches nothing of the run.
  void confirmPeer() { confirmed_ = true; }
  [[nodiscard]] bool peerConfirmed() const { return confirmed_.load(); }
  // Sends "exit" when connected (once, whoever calls first) and closes both sockets. Any thread,
  // any number of times.
  void close();

  [[nodiscard]] bool connected() const { return connected_.load(); }
  [[nodiscard]] bool listening() const { return listening_.load(); }
  // The port the server listens on; none while it does not.
  [[nodiscard]] std::optional<std::uint16_t> port() const;

 private:
  void lf_breakLink();  // under the mutex
  void lf_dropStray();  // under the mutex

  mutable std::mutex mutex_;
  net::Socket listener_;
  net::Socket client_;
  std::atomic<bool> connected_{false};
  std::atomic<bool> listening_{false};
  std::atomic<bool> confirmed_{false};
};

// The program's link: one per process, opened by each run and closed by its closing down.
[[nodiscard]] RealTrafficLink& gf_realTrafficLink();

// The program's link, as the run calls it.
void gf_openServer(std::string_view port);
[[nodiscard]] bool waitForClient();
bool sendDataPacket(std::string_view text);
[[nodiscard]] std::string gf_receiveRealTraffic();
void gf_closeRealTrafficLink();

// The message of the user aircraft's state: pitch and bank x 100000, heading in radians, altitude
// and ground speed x 1000, latitude and longitude in radians.
[[nodiscard]] std::string gf_qs121Text(const UserAcPosition& user);

// The once-per-second step: "Qs121=" while connected and the user's position is known; one
// accept try while the link is broken; a failed send to RealTraffic takes out every live aircraft
// and resets the readers, while a stray connection that fails is only dropped. Nothing unless
// RealTraffic runs on this computer and the server is open.
void gf_sendQs121(TrafficRun& run, RealTrafficLink& link = gf_realTrafficLink());
// "Qs123=" of the simulator time (Unix seconds) in milliseconds, while connected and the time is
// at least 1.
void gf_sendQs123(std::int64_t simulatorUtc, RealTrafficLink& link = gf_realTrafficLink());
// A new RealTraffic connection: QNH 1013, no data time, no collected callsigns, both readers'
// watchdogs afresh. Safe while the readers run; their stop flags stay as they are.
void gf_resetReaders(TrafficRun& run);

}  // namespace orv
