// The readers and the control link on RealTraffic's own ports, through the system's sockets:
// the ports a user's firewall must let through.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "config/parameters.h"
#include "foundation/log.h"
#include "platform/net/socket.h"
#include "reader_test_support.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"
#include "traffic/adding_deque.h"
#include "traffic/realtraffic_link.h"
#include "traffic/traffic_reader.h"

namespace {

using namespace std::chrono_literals;
using traffic_test::eventually;

// Whether nothing else on this computer holds the port (a running Quillstar or RealTraffic would).
bool portIsFree(net::Socket::Type type, std::uint16_t port) {
  net::Socket probe = net::Socket::open(type);
  // As the link binds: connections of an earlier run that still linger do not count.
  if (type == net::Socket::Type::Stream && !probe.setReuseAddress(true)) return false;
  return probe.bind({type == net::Socket::Type::Datagram ? net::kAnyAddress : net::kLoopbackAddress, port});
}

class DefaultPorts : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
};

TEST_F(DefaultPorts, ADatagramSentTo127001Port49005ReachesTheTrafficReader) {
  if (!portIsFree(net::Socket::Type::Datagram, orv::kTrafficPort))
    GTEST_SKIP() << "another program holds UDP port " << orv::kTrafficPort;
  orv::AddingDeque deque;
  orv::TrafficReader reader(deque);
  reader.start(orv::kTrafficPort, true);
  ASSERT_TRUE(eventually([&] { return reader.boundPort() == orv::kTrafficPort; }));
  traffic_test::Sender sender;
  sender.send(orv::kTrafficPort, "not a traffic line");
  EXPECT_TRUE(eventually([&] { return reader.datagramCount() == 1; }));
  reader.requestStop();
  reader.waitUntilStopped();
}

TEST_F(DefaultPorts, AClientOnTheControlPortGetsTheRequestAndItsAnswerComesBack) {
  const std::string portText = orv::cfg::PORT_NUMBER.value();
  const auto port = static_cast<std::uint16_t>(std::stoi(portText));
  if (!portIsFree(net::Socket::Type::Stream, port)) GTEST_SKIP() << "another program holds TCP port " << port;
  orv::RealTrafficLink link;
  link.openServer(portText);
  net::Socket client = net::Socket::open(net::Socket::Type::Stream);
  ASSERT_TRUE(client.connect({net::kLoopbackAddress, port}));
  ASSERT_TRUE(eventually([&] { return link.waitForClient(); }));
  ASSERT_TRUE(link.sendDataPacket("Qs999=version\r\n"));
  client.setReceiveTimeout(5s);
  char buffer[64];
  const long n = client.receive(buffer);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max(n, 0L))), "Qs999=version\r\n");
  const std::string answer = R"({"version":"10.0","level":2})";
  ASSERT_EQ(client.send(answer), static_cast<long>(answer.size()));
  EXPECT_EQ(link.receive(), answer);
  link.close();
}

}  // namespace
