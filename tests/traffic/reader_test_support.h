#pragma once

// What the reader tests share: waiting for another thread without sleeping, and sending
// datagrams to a reader on its loopback port.

#include <chrono>
#include <string>
#include <thread>

#include "platform/net/socket.h"

namespace traffic_test {

// Spins (yielding) until the condition holds; false after ten seconds of real time, which only
// a broken reader needs.
template <typename Condition>
[[nodiscard]] bool eventually(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds{10};
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

class Sender {
 public:
  Sender() : socket_(net::Socket::open(net::Socket::Type::Datagram)) {}
  void send(std::uint16_t port, const std::string& text) {
    [[maybe_unused]] const long sent =
        socket_.sendTo(std::span<const char>(text.data(), text.size()), {net::kLoopbackAddress, port});
  }

 private:
  net::Socket socket_;
};

}  // namespace traffic_test
