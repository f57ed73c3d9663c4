// The control link with RealTraffic, against a fake RealTraffic client on loopback.

#include "traffic/realtraffic_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <stdexcept>
#include <string>
#include <thread>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/time_text.h"
#include "platform/net/socket.h"
#include "reader_test_support.h"
#include "simlink/user_aircraft.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"
#include "traffic/aircraft.h"
#include "traffic/live_cycle.h"
#include "traffic/traffic_run.h"

namespace {

using namespace std::chrono_literals;
using orv::LiveAircraft;
using orv::SimState;
using orv::UserAcBlock;
using orv::UserAcPosition;
using testing_support::logBody;
using traffic_test::eventually;

// RealTraffic's side of the link: it connects, reads lines and answers.
class FakeRealTraffic {
 public:
  // `receiveBuffer`: the room for what the link sends before the client reads (system default: 0).
  explicit FakeRealTraffic(std::uint16_t port, int receiveBuffer = 0)
      : socket_(net::Socket::open(net::Socket::Type::Stream)) {
    if (receiveBuffer > 0 && !socket_.setReceiveBufferSize(receiveBuffer))
      throw std::runtime_error("SO_RCVBUF failed");
    if (!socket_.connect({net::kLoopbackAddress, port})) throw std::runtime_error("connect failed");
    socket_.setReceiveTimeout(50ms);
  }
  void send(std::string_view text) {
    [[maybe_unused]] const long sent = socket_.send(std::span<const char>(text.data(), text.size()));
  }
  // The next line with its "\r\n"; empty when none came within the time.
  std::string line(std::chrono::milliseconds limit = 3s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (const auto at = pending_.find("\r\n"); at != std::string::npos) {
        std::string text = pending_.substr(0, at + 2);
        pending_.erase(0, at + 2);
        return text;
      }
      if (closed_ || std::chrono::steady_clock::now() > end) return {};
      char buffer[512];
      const long n = socket_.receive(buffer);
      if (n == 0) closed_ = true;
      if (n > 0) pending_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  // Whether the server closed the connection; waits for it up to the time.
  bool sawEnd(std::chrono::milliseconds limit = 3s) {
    (void)line(limit);
    return closed_ && pending_.empty();
  }
  void close() { socket_.close(); }

 private:
  net::Socket socket_;
  std::string pending_;
  bool closed_ = false;
};

UserAcPosition lf_frankfurt() {
  UserAcPosition p;
  p.latitude = 50.0379;
  p.longitude = 8.5622;
  p.pitch = 2.5 * 0.017453292519943295;
  p.bank = -3.0 * 0.017453292519943295;
  p.trueHeading = 90.0 * 0.017453292519943295;
  p.altitude = 35000.0;
  p.groundVelocity = 100.0;
  return p;
}

constexpr std::string_view kFrankfurtLine = "Qs121=4363;-5236;1.570796;35000000;100000;0.873326;0.149439\r\n";

class LinkTest : public ::testing::Test {
 protected:
  // The log of these tests goes to a folder of their own, never where the executable was started.
  testing_support::WorkingFolder folder;

  void SetUp() override {
    orv::gf_openLog();
    link.openServer("0");
    ASSERT_TRUE(link.port());
    port = *link.port();
    setUser(lf_frankfurt());
  }
  void TearDown() override {
    link.close();
    orv::gf_resetUserAircraft();
  }

  static void setUser(const UserAcPosition& position) {
    UserAcBlock block;
    block.position = position;
    orv::lf_onUserAcPosition(block);
  }
  // Polls as the start-up does until the client is taken.
  bool accept() {
    return eventually([this] { return link.waitForClient(); });
  }
  // The start-up's handshake with the client: it answers the version request.
  bool handshake(FakeRealTraffic& client, std::string_view reply = R"({"version":"9.0","level":1})") {
    if (!accept()) return false;
    std::thread answer([&client, reply] {
      if (client.line() == "Qs999=version\r\n") client.send(reply);
    });
    const auto version = link.askVersion();
    answer.join();
    return version == reply;
  }
  bool logHas(std::string_view part) {
    const auto lines = logBody();
    return std::any_of(lines.begin(), lines.end(),
                       [part](const std::string& l) { return l.find(part) != std::string::npos; });
  }

  testing_support::ScopedRunState runState;
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run{sim, window, true};
  orv::RealTrafficLink link;
  std::uint16_t port = 0;
};

TEST_F(LinkTest, TheVersionRequestIsAnsweredInTwoSegmentsAndGatheredWhole) {
  EXPECT_FALSE(link.waitForClient()) << "no client yet, and the try does not block";
  FakeRealTraffic client(port);
  ASSERT_TRUE(accept());
  EXPECT_TRUE(link.connected());
  ASSERT_TRUE(link.sendDataPacket("Qs999=version\r\n"));
  EXPECT_EQ(client.line(), "Qs999=version\r\n");
  client.send(R"({"version":"9.0",)");
  std::thread second([&client] {
    std::this_thread::sleep_for(150ms);
    client.send(R"("level":2})");
  });
  const std::string reply = link.receive();
  second.join();
  EXPECT_EQ(reply, R"({"version":"9.0","level":2})");
}

TEST_F(LinkTest, AReplyCutByTheClosingPeerIsWhatCameAndAFloodIsDropped) {
  {
    FakeRealTraffic client(port);
    ASSERT_TRUE(accept());
    client.send(R"({"version":)");
    client.close();
    EXPECT_EQ(link.receive(), R"({"version":)");
    link.close();
  }
  link.openServer("0");
  FakeRealTraffic client(*link.port());
  ASSERT_TRUE(accept());
  client.send(std::string(orv::kRealTrafficBufferSize, 'x'));
  EXPECT_EQ(link.receive(), "");
  EXPECT_TRUE(logHas("receive: buffer overrun: 16384"));
}

TEST_F(LinkTest, TheUserAircraftLineRoundsItsIntegersAndKeepsSixDecimals) {
  EXPECT_EQ(orv::gf_qs121Text(lf_frankfurt()), kFrankfurtLine);
  UserAcPosition p = lf_frankfurt();
  p.pitch = -0.000004;  // x 100000 = -0.4
  p.bank = 0.000005;    // x 100000 = 0.5: away from zero
  p.altitude = 0.0004;
  p.groundVelocity = 0.0025;
  EXPECT_EQ(orv::gf_qs121Text(p), "Qs121=0;1;1.570796;0;3;0.873326;0.149439\r\n");
}

TEST_F(LinkTest, OneLineASecondWhileThePositionIsKnownAndTheTimeForAProfessionalPeer) {
  FakeRealTraffic client(port);
  ASSERT_TRUE(accept());
  orv::gf_sendQs121(run, link);
  EXPECT_EQ(client.line(), kFrankfurtLine);

  UserAcPosition unknown = lf_frankfurt();
  unknown.latitude = 0.00001;
  unknown.longitude = 0.00001;
  setUser(unknown);
  orv::gf_sendQs121(run, link);
  orv::gf_sendQs123(0, link);
  orv::gf_sendQs123(1796803213, link);
  EXPECT_EQ(client.line(), "Qs123=1796803213000\r\n") << "nothing for an unknown position or time 0";
}

TEST_F(LinkTest, ClosingSaysExitOnceThenEndsTheConnectionAndTheServer) {
  FakeRealTraffic client(port);
  ASSERT_TRUE(accept());
  std::thread other([this] { link.close(); });
  other.join();
  link.close();
  EXPECT_EQ(client.line(), "exit\r\n");
  EXPECT_TRUE(client.sawEnd());
  EXPECT_FALSE(link.connected());
  EXPECT_FALSE(link.listening());
  EXPECT_FALSE(link.waitForClient());
  EXPECT_FALSE(link.sendDataPacket("Qs123=1\r\n"));
  net::Socket late = net::Socket::open(net::Socket::Type::Stream);
  EXPECT_FALSE(late.connect({net::kLoopbackAddress, port})) << "nobody listens any more";
}

TEST_F(LinkTest, APortThatIsTakenOrNoPortAtAllFailsWithItsText) {
  orv::RealTrafficLink second;
  try {
    second.openServer(std::to_string(port));
    FAIL() << "two servers on one port";
  } catch (const std::runtime_error& e) {
    EXPECT_TRUE(std::string_view(e.what()).starts_with("Bind failed at port " + std::to_string(port) +
                                                       " with error 10048"))
        << e.what();
  }
  EXPECT_FALSE(second.listening());
  try {
    second.openServer("no port");
    FAIL() << "a port text that is no port";
  } catch (const std::runtime_error& e) {
    EXPECT_TRUE(std::string_view(e.what()).starts_with("getaddrinfo failed with error ")) << e.what();
  }
}

TEST_F(LinkTest, AGoneClientTakesOutTheLiveAircraftAndTheReconnectionResumesTheLines) {
  auto client = std::make_unique<FakeRealTraffic>(port);
  ASSERT_TRUE(handshake(*client));
  const auto add = [this](std::uint32_t key, SimState state, std::uint32_t objectId) {
    orv::AircraftHead head;
    head.key = key;
    head.callsign = "BAW" + std::to_string(key % 10);
    LiveAircraft a(orv::PositionSample{}, head, 100.0);
    a.state = state;
    a.objectId = objectId;
    run.traffic.liveList.push_back(std::move(a));
  };
  add(20001, SimState::Buffer, 0);
  add(20002, SimState::Active, 77);
  add(20003, SimState::LiveryRespawn, 78);
  run.traffic.removalIds.push_back(78);  // its respawn asked for the removal already
  run.qnhReader.requestStop();
  orv::gf_setLatestDataTime(1796803213.0);
  run.realTraffic.sourceReady = true;

  client->close();
  client.reset();
  ASSERT_TRUE(eventually([this] {
    orv::gf_sendQs121(run, link);
    return !link.connected();
  }));
  EXPECT_TRUE(logHas(" RealTraffic gone? Wait for RealTraffic to re-connect ..."));
  EXPECT_FALSE(run.realTraffic.sourceReady.load());
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficKnown), 0);
  ASSERT_EQ(run.traffic.liveList.size(), 2u) << "the buffered one is gone at once";
  for (const LiveAircraft& left : run.traffic.liveList) EXPECT_EQ(left.state, SimState::RemovingFromSim);
  EXPECT_EQ(std::vector<std::uint32_t>(run.traffic.removalIds.begin(), run.traffic.removalIds.end()),
            (std::vector<std::uint32_t>{78, 77}))
      << "each object removed once";
  EXPECT_EQ(orv::gf_latestDataTime(), 0.0);
  EXPECT_EQ(run.qnhReader.qnh(), orv::kStandardQnh);
  EXPECT_TRUE(run.qnhReader.stopRequested()) << "the reset leaves the stop flags alone";

  // Ticks go on while RealTraffic is away: each makes one accept try and returns.
  for (int i = 0; i < 3; ++i) orv::gf_sendQs121(run, link);
  FakeRealTraffic again(port);
  ASSERT_TRUE(eventually([this] {
    orv::gf_sendQs121(run, link);
    return link.connected();
  }));
  EXPECT_EQ(again.line(), kFrankfurtLine) << "no second version request";
  EXPECT_TRUE(logHas(" RealTraffic re-connected"));
  EXPECT_EQ(orv::gf_messageLines().message, "") << "neither the notice of the loss nor of the return stays";
  EXPECT_TRUE(run.realTraffic.sourceReady.load());
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficKnown), 1);
}

// Connections that another local process opened and closed again, before the link took them.
std::vector<net::Socket> strayConnections(std::uint16_t port, int count) {
  std::vector<net::Socket> strays;
  for (int i = 0; i < count; ++i) {
    net::Socket stray = net::Socket::open(net::Socket::Type::Stream);
    if (stray.connect({net::kLoopbackAddress, port})) strays.push_back(std::move(stray));
  }
  for (net::Socket& stray : strays) stray.close();
  return strays;
}

TEST_F(LinkTest, ConnectionsClosedBeforeTheyWereTakenLeaveTheTrafficAndLetRealTrafficIn) {
  // A session whose RealTraffic has been away: its live aircraft fly on.
  for (const std::uint32_t key : {20001u, 20002u}) {
    orv::AircraftHead head;
    head.key = key;
    LiveAircraft a(orv::PositionSample{}, head, 100.0);
    a.state = SimState::Active;
    a.objectId = key - 20000;
    run.traffic.liveList.push_back(std::move(a));
  }
  run.realTraffic.sourceReady = true;
  ASSERT_EQ(strayConnections(port, 50).size(), 50u);
  std::this_thread::sleep_for(100ms);  // every close has reached the queue
  FakeRealTraffic real(port);
  // Once a second, as the cycle calls it: RealTraffic is in within five.
  int seconds = 0;
  while (seconds < 5 && !link.connected()) {
    orv::gf_sendQs121(run, link);
    ++seconds;
  }
  ASSERT_TRUE(link.connected()) << "after " << seconds << " s";
  EXPECT_EQ(real.line(), kFrankfurtLine);
  orv::gf_sendQs121(run, link);
  EXPECT_EQ(real.line(), kFrankfurtLine) << "the real peer stays";
  ASSERT_EQ(run.traffic.liveList.size(), 2u);
  for (const LiveAircraft& a : run.traffic.liveList) EXPECT_EQ(a.state, SimState::Active) << a.key;
  EXPECT_TRUE(run.traffic.removalIds.empty());
  const auto lines = logBody();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.ends_with(" RealTraffic re-connected"); }),
            1);
  EXPECT_FALSE(logHas("RealTraffic gone?"));
  EXPECT_FALSE(logHas("sendDataPacket to RealTraffic failed"));
}

TEST_F(LinkTest, AConnectionClosedBeforeItAnsweredIsNoRealTraffic) {
  ASSERT_EQ(strayConnections(port, 1).size(), 1u);
  {
    // Taken before its end arrived, it fails at the handshake and is dropped.
    net::Socket silent = net::Socket::open(net::Socket::Type::Stream);
    ASSERT_TRUE(silent.connect({net::kLoopbackAddress, port}));
    ASSERT_TRUE(eventually([this] { return link.waitForClient(); }));
    silent.close();
    EXPECT_EQ(link.askVersion(), std::nullopt);
    EXPECT_FALSE(link.connected());
  }
  FakeRealTraffic real(port);
  EXPECT_TRUE(handshake(real));
  EXPECT_TRUE(link.peerConfirmed());
  EXPECT_FALSE(logHas("RealTraffic client socket closed"));
  EXPECT_FALSE(logHas("receive: "));
}

// A RealTraffic that answered and then reads nothing more. The link's lines are sent as the cycle
// sends them, only faster, until the link gives up; from the moment a send has to wait, the
// window's close comes (when `closeWhileWaiting`).
struct StuckPeerRun {
  bool finished = false;
  std::chrono::steady_clock::duration longestCall{};
  std::chrono::steady_clock::duration close{};
  long calls = 0;
};

StuckPeerRun lf_feedAStuckPeer(orv::TrafficRun& run, orv::RealTrafficLink& link, FakeRealTraffic& client,
                               bool closeWhileWaiting) {
  StuckPeerRun result;
  std::atomic<std::int64_t> callStart{0};  // steady-clock ticks of the call under way; 0 between calls
  std::atomic<bool> done{false};
  std::thread cycle([&] {
    while (link.connected() && result.calls < 10'000'000) {
      const auto start = std::chrono::steady_clock::now();
      callStart = start.time_since_epoch().count();
      orv::gf_sendQs121(run, link);
      callStart = 0;
      result.longestCall = std::max(result.longestCall, std::chrono::steady_clock::now() - start);
      ++result.calls;
    }
    done = true;
  });
  const auto limit = std::chrono::steady_clock::now() + 20s;
  while (!done && std::chrono::steady_clock::now() < limit) {
    const std::int64_t since = callStart.load();
    if (closeWhileWaiting && since != 0 &&
        std::chrono::steady_clock::now().time_since_epoch().count() - since >
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(50ms).count()) {
      orv::gf_raiseClosing();  // as the window does before it closes the link
      const auto start = std::chrono::steady_clock::now();
      link.close();
      result.close = std::chrono::steady_clock::now() - start;
      closeWhileWaiting = false;
    }
    std::this_thread::sleep_for(1ms);
  }
  result.finished = done;
  if (!done) client.close();  // a send that never returns: the peer's end frees it
  cycle.join();
  return result;
}

TEST_F(LinkTest, APeerThatStopsReadingIsDroppedAfterABoundedWaitLikeABrokenLink) {
  FakeRealTraffic client(port, 1);  // the smallest room the system gives
  ASSERT_TRUE(handshake(client));
  orv::AircraftHead head;
  head.key = 20002;
  LiveAircraft a(orv::PositionSample{}, head, 100.0);
  a.state = SimState::Active;
  a.objectId = 77;
  run.traffic.liveList.push_back(std::move(a));

  const StuckPeerRun fed = lf_feedAStuckPeer(run, link, client, false);
  ASSERT_TRUE(fed.finished) << "a send waited for ever";
  EXPECT_LT(fed.longestCall, 1s) << "no call holds the cycle longer than the send's bound";
  EXPECT_GE(fed.longestCall, orv::kRealTrafficSendTimeout) << "the link gave up when a send had to wait";
  EXPECT_LT(fed.calls * static_cast<long>(kFrankfurtLine.size()), 4L << 20) << "what waits stays bounded";
  EXPECT_TRUE(logHas(" RealTraffic gone? Wait for RealTraffic to re-connect ..."));
  EXPECT_EQ(run.traffic.removalIds, (std::deque<std::uint32_t>{77}));
}

TEST_F(LinkTest, TheWindowsCloseDoesNotWaitForAPeerThatStoppedReading) {
  FakeRealTraffic client(port, 1);
  ASSERT_TRUE(handshake(client));
  const StuckPeerRun fed = lf_feedAStuckPeer(run, link, client, true);
  ASSERT_TRUE(fed.finished) << "a send waited for ever";
  EXPECT_GT(fed.close, 0s) << "a send had to wait";
  EXPECT_LT(fed.close, 1s);
  EXPECT_FALSE(link.listening());
}

TEST_F(LinkTest, WithoutRealTrafficOnThisComputerNothingIsSentOrAccepted) {
  orv::TrafficRun elsewhere{sim, window, false};
  FakeRealTraffic client(port);
  std::this_thread::sleep_for(50ms);
  orv::gf_sendQs121(elsewhere, link);
  EXPECT_FALSE(link.connected());
}

TEST_F(LinkTest, OnlyTheProfessionalEditionKeepsTheSimulatorTime) {
  UserAcBlock block;
  block.position = lf_frankfurt();
  block.zuluYear = 2026;
  block.zuluDayOfYear = 344;
  block.zuluTime = 3600;
  const std::int64_t utc = orv::lf_zuluToUnix(2026, 344, 3600);
  run.setProfessional(true);
  orv::lf_onUserAcPosition(block);
  EXPECT_EQ(orv::gf_simulatorUtc(), utc);
  run.setProfessional(false);
  block.zuluTime = 7200;
  orv::lf_onUserAcPosition(block);
  EXPECT_EQ(orv::gf_simulatorUtc(), utc);
}

}  // namespace
