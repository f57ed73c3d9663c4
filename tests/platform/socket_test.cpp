#include "platform/net/socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "blocked_thread.h"
#include "platform/net/errors.h"

namespace {

using namespace std::chrono_literals;
using net::Socket;

Socket boundUdp() {
  Socket socket = Socket::open(Socket::Type::Datagram);
  EXPECT_TRUE(socket.isOpen());
  EXPECT_TRUE(socket.bind({net::kLoopbackAddress, 0}));
  return socket;
}

net::Ipv4Endpoint endpointOf(const Socket& socket) {
  const auto endpoint = socket.localEndpoint();
  EXPECT_TRUE(endpoint.has_value());
  return endpoint.value_or(net::Ipv4Endpoint{});
}

long sendText(Socket& from, const std::string& text, net::Ipv4Endpoint to) {
  return from.sendTo(std::span<const char>(text.data(), text.size()), to);
}

TEST(UdpSocket, ADatagramArrivesOnAnEphemeralLoopbackPort) {
  Socket receiver = boundUdp();
  const net::Ipv4Endpoint to = endpointOf(receiver);
  EXPECT_NE(to.port, 0);
  Socket sender = Socket::open(Socket::Type::Datagram);
  ASSERT_EQ(sendText(sender, "x,4840116,51.47", to), 15);

  char buffer[64];
  EXPECT_EQ(receiver.receive(buffer), 15);
  EXPECT_EQ(std::string(buffer, 15), "x,4840116,51.47");
}

TEST(UdpSocket, AnOversizedDatagramReportsItsWholeLength) {
  Socket receiver = boundUdp();
  Socket sender = Socket::open(Socket::Type::Datagram);
  ASSERT_EQ(sendText(sender, std::string(20000, 'a'), endpointOf(receiver)), 20000);
  std::string buffer(16384, '\0');
  EXPECT_EQ(receiver.receive(buffer), 20000);
}

TEST(UdpSocket, AReceiveTimesOutWithWinsocksTimeoutError) {
  Socket receiver = boundUdp();
  receiver.setReceiveTimeout(5ms);
  char buffer[16];
  EXPECT_EQ(receiver.receive(buffer), -1);
  EXPECT_EQ(net::lastError(), net::WSAETIMEDOUT);
}

TEST(UdpSocket, TheStopSignalEndsAReceiveBeforeAndWhileItWaits) {
  Socket receiver = boundUdp();
  net::StopSignal stop;
  char buffer[16];
  stop.raise();
  EXPECT_EQ(receiver.receive(buffer, &stop), -1);
  EXPECT_EQ(net::lastError(), net::WSAEINTR);

  stop.lower();
  receiver.setReceiveTimeout(5ms);
  EXPECT_EQ(receiver.receive(buffer, &stop), -1);
  EXPECT_EQ(net::lastError(), net::WSAETIMEDOUT) << "a lowered signal no longer wakes the wait";

  receiver.setReceiveTimeout(std::nullopt);  // only the signal can end this wait
  platform_test::BlockedThread blocked;
  long result = 0;
  int error = 0;
  std::thread waiter([&] {
    blocked.enter();
    result = receiver.receive(buffer, &stop);
    error = net::lastError();
  });
  blocked.waitUntilBlocked();
  stop.raise();
  waiter.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, net::WSAEINTR);
}

TEST(UdpSocket, BindingAPortInUseFailsWithAddressInUse) {
  Socket first = boundUdp();
  Socket second = Socket::open(Socket::Type::Datagram);
  EXPECT_FALSE(second.bind(endpointOf(first)));
  EXPECT_EQ(net::lastError(), net::WSAEADDRINUSE);
}

TEST(UdpSocket, ClosingWakesABlockedReceiveAndLaterCallsFail) {
  Socket receiver = boundUdp();
  platform_test::BlockedThread blocked;
  long result = -2;
  int error = 0;
  std::thread waiter([&] {
    blocked.enter();
    char buffer[16];
    result = receiver.receive(buffer);
    error = net::lastError();
  });
  blocked.waitUntilBlocked();
  receiver.close();
  waiter.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, net::WSAEINTR);
  EXPECT_FALSE(receiver.isOpen());
  char buffer[16];
  EXPECT_EQ(receiver.receive(buffer), -1);
  EXPECT_EQ(net::lastError(), net::WSAENOTSOCK);
}

struct TcpPair {
  Socket listener;
  Socket server;
  Socket client;
};

TcpPair connectedPair() {
  TcpPair pair;
  pair.listener = Socket::open(Socket::Type::Stream);
  EXPECT_TRUE(pair.listener.setReuseAddress(true));
  EXPECT_TRUE(pair.listener.setBlocking(true));
  EXPECT_TRUE(pair.listener.bind({net::kLoopbackAddress, 0}));
  EXPECT_TRUE(pair.listener.listen());
  pair.client = Socket::open(Socket::Type::Stream);
  EXPECT_TRUE(pair.client.connect(endpointOf(pair.listener)));
  pair.server = pair.listener.accept();
  EXPECT_TRUE(pair.server.isOpen());
  EXPECT_TRUE(pair.server.setNoDelay(true));
  return pair;
}

TEST(TcpSocket, AListenerAcceptsAClientAndTextGoesBothWays) {
  TcpPair pair = connectedPair();
  const std::string request = "Qs999=version\r\n";
  EXPECT_EQ(pair.server.send(request), static_cast<long>(request.size()));
  char buffer[64];
  const long n = pair.client.receive(buffer);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max(n, 0L))), request);

  const std::string reply = R"({"version":"10.0","level":2})";
  EXPECT_EQ(pair.client.send(reply), static_cast<long>(reply.size()));
  const long m = pair.server.receive(buffer);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max(m, 0L))), reply);

  pair.client.close();
  EXPECT_EQ(pair.server.receive(buffer), 0) << "the peer closed";
}

TEST(TcpSocket, SendingToAPeerThatWentAwayFailsWithoutASignal) {
  TcpPair pair = connectedPair();
  pair.client.close();
  const std::string text(4096, 'q');
  long result = 0;
  // The first sends may still be accepted by the kernel; the reset shows within a few.
  for (int i = 0; i < 100 && result >= 0; ++i) result = pair.server.send(text);
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(net::lastError() == net::WSAECONNRESET || net::lastError() == net::WSAESHUTDOWN)
      << net::lastError();
}

TEST(TcpSocket, ASendToAPeerThatDoesNotReadGivesUpAfterItsTimeOut) {
  TcpPair pair = connectedPair();
  ASSERT_TRUE(pair.server.setSendBufferSize(1));
  pair.server.setSendTimeout(std::chrono::milliseconds{150});
  const std::string text(1024, 'q');
  long result = 0;
  std::chrono::steady_clock::duration last{};
  int sends = 0;
  // The peer's room and the sender's fill up; then a send waits its time and fails.
  for (; sends < 100000 && result >= 0; ++sends) {
    const auto start = std::chrono::steady_clock::now();
    result = pair.server.send(text);
    last = std::chrono::steady_clock::now() - start;
  }
  EXPECT_EQ(result, -1) << sends;
  EXPECT_EQ(net::lastError(), net::WSAETIMEDOUT);
  EXPECT_GE(last, std::chrono::milliseconds{150});
  EXPECT_LT(last, std::chrono::seconds{2});

  // A close from another thread ends a send that waits for room.
  pair.server.setSendTimeout(std::chrono::seconds{30});
  platform_test::BlockedThread blocked;
  int error = 0;
  std::thread sender([&] {
    blocked.enter();
    result = pair.server.send(text);
    error = net::lastError();
  });
  blocked.waitUntilBlocked();
  pair.server.close();
  sender.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, net::WSAEINTR);
}

TEST(TcpSocket, APeerThatClosedBeforeTheAcceptShowsAsClosedOneThatSentDataDoesNot) {
  struct Case {
    const char* sent;  // by the client before it closes; null: it stays open
    bool closed;
  } cases[] = {{"", true}, {"{}", false}, {nullptr, false}};
  for (const Case& c : cases) {
    Socket listener = Socket::open(Socket::Type::Stream);
    ASSERT_TRUE(listener.bind({net::kLoopbackAddress, 0}));
    ASSERT_TRUE(listener.listen());
    Socket client = Socket::open(Socket::Type::Stream);
    ASSERT_TRUE(client.connect(endpointOf(listener)));
    if (c.sent) {
      const std::string text(c.sent);
      if (!text.empty()) {
        EXPECT_EQ(client.send(text), static_cast<long>(text.size()));
      }
      client.close();
      std::this_thread::sleep_for(std::chrono::milliseconds{50});
    }
    Socket server = listener.accept();
    ASSERT_TRUE(server.isOpen());
    EXPECT_EQ(server.peerClosed(), c.closed) << (c.sent ? c.sent : "open");
  }
}

TEST(TcpSocket, ClosingWakesAThreadBlockedInAcceptOrReceive) {
  Socket listener = Socket::open(Socket::Type::Stream);
  ASSERT_TRUE(listener.bind({net::kLoopbackAddress, 0}));
  ASSERT_TRUE(listener.listen());
  platform_test::BlockedThread blocked;
  bool accepted = true;
  int error = 0;
  std::thread acceptor([&] {
    blocked.enter();
    accepted = listener.accept().isOpen();
    error = net::lastError();
  });
  blocked.waitUntilBlocked();
  listener.close();
  acceptor.join();
  EXPECT_FALSE(accepted);
  EXPECT_EQ(error, net::WSAEINTR);

  TcpPair pair = connectedPair();
  blocked.reset();
  long received = -2;
  std::thread reader([&] {
    blocked.enter();
    char buffer[16];
    received = pair.server.receive(buffer);
    error = net::lastError();
  });
  blocked.waitUntilBlocked();
  pair.server.close();
  reader.join();
  EXPECT_EQ(received, -1);
  EXPECT_EQ(error, net::WSAEINTR);
}

TEST(TcpSocket, APortTextResolvesToThePassiveAddress) {
  const net::ResolveResult found = net::resolvePassiveTcp("10747");
  EXPECT_EQ(found.error, 0);
  EXPECT_EQ(found.endpoint, (net::Ipv4Endpoint{net::kAnyAddress, 10747}));
  EXPECT_NE(net::resolvePassiveTcp("no such port").error, 0);
  // A number beyond the last port is refused, not cut to 16 bits.
  for (const char* text : {"65536", "99999", "4294967377", "18446744073709551616"})
    EXPECT_NE(net::resolvePassiveTcp(text).error, 0) << text;
  EXPECT_EQ(net::resolvePassiveTcp("65535").endpoint.port, 65535);
}

}  // namespace
