#include "traffic/realtraffic_link.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <span>
#include <stdexcept>
#include <vector>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "platform/net/errors.h"
#include "traffic/removal.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kExit = "exit\r\n";
constexpr auto kReceiveStep = 100ms;
constexpr int kReceiveSteps = 50;  // five seconds for the version reply
constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr int kStrayConnectionsPerTry = 256;

std::string lf_lastErrorText() {
  return gf_wsaErrorText(net::lastError());
}

// Half away from zero, without a sign on a zero.
long long lf_integer(double value) {
  return std::llround(value);
}

}  // namespace

RealTrafficLink::~RealTrafficLink() {
  close();
}

void RealTrafficLink::openServer(std::string_view port) {
  std::scoped_lock lock(mutex_);
  connected_ = false;
  client_.close();
  listener_.close();
  listening_ = false;
  const std::string portText(port);
  const net::ResolveResult resolved = net::resolvePassiveTcp(portText);
  if (resolved.error != 0)
    throw std::runtime_error(fmt::format("getaddrinfo failed with error {}", resolved.error));
  // Only a RealTraffic on this computer may connect.
  const net::Ipv4Endpoint endpoint{net::kLoopbackAddress, resolved.endpoint.port};

  net::Socket socket = net::Socket::open(net::Socket::Type::Stream);
  if (!socket.isOpen()) throw std::runtime_error("socket failed with error " + lf_lastErrorText());
  const auto fail = [&socket](const std::string& text) {
    socket.close();
    throw std::runtime_error(text);
  };
  if (!socket.setBlocking(false)) fail("ioctlsocket failed with error " + lf_lastErrorText());
  if (!socket.setReuseAddress(true)) fail("setsockopt(SO_REUSEADDR) failed");
  if (!socket.bind(endpoint)) fail("Bind failed at port " + portText + " with error " + lf_lastErrorText());
  if (!socket.listen()) fail("listen failed with error " + lf_lastErrorText());
  listener_ = std::move(socket);
  listening_ = true;
}

bool RealTrafficLink::waitForClient() {
  if (connected_.load()) return false;
  std::scoped_lock lock(mutex_);
  if (!listening_.load()) return false;
  // Any local process may leave connections it closed at once in the queue; each is dropped here,
  // a bounded number per try so that the cycle keeps its pace.
  for (int stray = 0; stray < kStrayConnectionsPerTry; ++stray) {
    net::Socket client = listener_.accept();
    if (!client.isOpen()) return false;
    if (client.peerClosed()) continue;
    // A peer that stops reading must not hold the main cycle, nor the window's close behind it.
    client.setSendTimeout(kRealTrafficSendTimeout);
    if (!client.setBlocking(true) || !client.setNoDelay(true) ||
        !client.setSendBufferSize(kRealTrafficSendBuffer)) {
      gf_logLine(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_nowHms(),
                             lf_lastErrorText()));
      client.close();
      return false;
    }
    client_ = std::move(client);
    confirmed_ = false;
    connected_ = true;
    return true;
  }
  return false;
}

void RealTrafficLink::lf_breakLink() {
  connected_ = false;
  client_.close();
  if (!gf_stopRaised()) gf_logLine("RealTraffic client socket closed");
}

void RealTrafficLink::lf_dropStray() {
  connected_ = false;
  client_.close();
}

bool RealTrafficLink::sendDataPacket(std::string_view text) {
  std::scoped_lock lock(mutex_);
  const long sent = client_.send(std::span<const char>(text.data(), text.size()));
  if (sent == static_cast<long>(text.size())) return true;
  if (!confirmed_.load()) {
    lf_dropStray();
    return false;
  }
  if (!gf_stopRaised())
    gf_logLine(fmt::format("sendDataPacket to RealTraffic failed: {}", lf_lastErrorText()));
  lf_breakLink();
  return false;
}

std::string RealTrafficLink::receive() {
  std::string text;
  std::vector<char> buffer(kRealTrafficBufferSize);
  for (int step = 0; step < kReceiveSteps && !gf_stopRaised(); ++step) {
    std::scoped_lock lock(mutex_);
    client_.setReceiveTimeout(kReceiveStep);
    const std::size_t room = kRealTrafficBufferSize - text.size();
    const long n = client_.receive(std::span<char>(buffer.data(), room));
    const bool silent = text.empty() && !confirmed_.load();
    if (n == 0) {
      // The peer closed: what came is the reply; nothing at all, and it was a stray connection.
      if (silent) lf_dropStray();
      break;
    }
    if (n < 0) {
      if (net::lastError() == net::WSAETIMEDOUT) continue;
      if (silent) {
        lf_dropStray();
        return {};
      }
      if (!gf_stopRaised()) gf_logLine(fmt::format("receive: {}", lf_lastErrorText()));
      return {};
    }
    text.append(buffer.data(), static_cast<std::size_t>(n));
    if (text.size() >= kRealTrafficBufferSize) {
      if (!gf_stopRaised()) gf_logLine(fmt::format("receive: buffer overrun: {}", text.size()));
      return {};
    }
    if (nlohmann::json::accept(text)) break;
  }
  return text;
}

std::optional<std::string> RealTrafficLink::askVersion() {
  if (!sendDataPacket("Qs999=version\r\n")) return std::nullopt;
  std::string reply = receive();
  if (!connected()) return std::nullopt;
  confirmPeer();
  return reply;
}

void RealTrafficLink::close() {
  std::scoped_lock lock(mutex_);
  if (connected_.exchange(false)) (void)client_.send(std::span<const char>(kExit.data(), kExit.size()));
  client_.close();
  listener_.close();
  listening_ = false;
}

std::optional<std::uint16_t> RealTrafficLink::port() const {
  std::scoped_lock lock(mutex_);
  if (!listening_.load()) return std::nullopt;
  const auto endpoint = listener_.localEndpoint();
  if (!endpoint) return std::nullopt;
  return endpoint->port;
}

RealTrafficLink& gf_realTrafficLink() {
  static RealTrafficLink link;
  return link;
}

void gf_openServer(std::string_view port) {
  gf_realTrafficLink().openServer(port);
}

bool waitForClient() {
  return gf_realTrafficLink().waitForClient();
}

bool sendDataPacket(std::string_view text) {
  return gf_realTrafficLink().sendDataPacket(text);
}

std::string gf_receiveRealTraffic() {
  return gf_realTrafficLink().receive();
}

void gf_closeRealTrafficLink() {
  gf_realTrafficLink().close();
}

std::string gf_qs121Text(const UserAcPosition& user) {
  return fmt::format("Qs121={};{};{:.6f};{};{};{:.6f};{:.6f}\r\n", lf_integer(user.pitch * 100000.0),
                     lf_integer(user.bank * 100000.0), user.trueHeading, lf_integer(user.altitude * 1000.0),
                     lf_integer(user.groundVelocity * 1000.0), user.latitude * kDegreesToRadians,
                     user.longitude * kDegreesToRadians);
}

namespace {

void lf_showSourceReady(TrafficRun& run, bool ready) {
  run.realTraffic.sourceReady = ready;
  run.window.setLamp(WindowLamp::RealTrafficKnown, ready ? 1 : 0);
  run.window.repaint(WindowBand::Status);
}

// Every live aircraft goes, whatever its state (a respawning one does not come back); the traffic
// starts again with the new link.
void lf_takeOutLiveAircraft(TrafficRun& run) {
  for (LiveAircraft& a : run.traffic.liveList) removeAircraftFromSim(run, a);
  (void)gf_compactLiveList(run.traffic.liveList);
}

}  // namespace

void gf_resetReaders(TrafficRun& run) {
  run.qnhReader.resetQnh();
  gf_setLatestDataTime(0.0);
  run.trafficReader.clearCollectedCallsigns();
  run.qnhReader.resetWatch();
  run.trafficReader.resetWatch();
}

void gf_sendQs121(TrafficRun& run, RealTrafficLink& link) {
  if (!run.realTraffic.found || !link.listening()) return;
  const UserAcPosition user = gf_userAcBlock().position;
  if (!gf_positionKnown(user.latitude, user.longitude)) return;
  if (!link.connected()) {
    if (gf_runOutcome().reason != ExitReason::NotYetSet) return;
    if (!link.waitForClient()) return;
    // No version is asked again: the first line that reaches the peer makes it RealTraffic's.
    if (!link.sendDataPacket(gf_qs121Text(user))) return;
    link.confirmPeer();
    lf_showSourceReady(run, true);
    gf_setMessage(fmt::format("{} RealTraffic re-connected", gf_nowHms()), true);
    gf_clearMessage();
    return;
  }
  if (link.sendDataPacket(gf_qs121Text(user))) return;
  // A stray connection that failed is gone without a trace; the live traffic stays.
  if (!link.peerConfirmed()) return;
  lf_showSourceReady(run, false);
  if (gf_closingRaised()) return;
  lf_takeOutLiveAircraft(run);
  gf_resetReaders(run);
  gf_setMessage(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_nowHms()),
                true);
}

void gf_sendQs123(std::int64_t simulatorUtc, RealTrafficLink& link) {
  if (!link.connected() || simulatorUtc < 1) return;
  (void)link.sendDataPacket(fmt::format("Qs123={}\r\n", simulatorUtc * 1000));
}

}  // namespace orv
