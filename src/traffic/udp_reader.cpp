#include "traffic/udp_reader.h"

#include <fmt/format.h>

#include <chrono>
#include <exception>
#include <stdexcept>
#include <thread>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "platform/net/errors.h"
#include "platform/os/clock.h"

namespace orv {

using namespace std::chrono_literals;

void DatagramErrorLog::log(std::string_view line, Kind kind) {
  const os::SteadyTime now = os::clock().now();
  if (freeLeft_ > 0) {
    --freeLeft_;
  } else if (now - lastLogged_ < kInterval) {
    ++suppressed_;
    return;
  }
  flushSuppressed();
  lastLogged_ = now;
  switch (kind) {
    case Kind::Line:
      gf_logLine(line);
      break;
    case Kind::Important:
      gf_logImportant(line);
      break;
    case Kind::UnlessStopping:
      gf_logUnlessStopping(line);
      break;
  }
}

void DatagramErrorLog::flushSuppressed() {
  if (suppressed_ == 0) return;
  gf_logLine(fmt::format("{}: {} error lines suppressed", name_, suppressed_));
  suppressed_ = 0;
}

UdpReader::UdpReader(std::string name, WindowLamp lamp)
    : name_(std::move(name)), lamp_(lamp), buffer_(kBufferSize), errorLog_(name_) {}

UdpReader::~UdpReader() {
  requestStop();
  waitUntilStopped();
}

void UdpReader::start(std::uint16_t port, bool local) {
  running_ = true;
  try {
    // Detached: the run never joins a reader; it waits for the end of its thread through running().
    std::thread([this, port, local] { lf_readerThread(port, local); }).detach();
  } catch (...) {
    running_ = false;
    throw;
  }
}

void UdpReader::waitUntilStopped() const {
  while (running_.load()) os::clock().sleepFor(10ms);
}

void UdpReader::setStatus(ReaderStatus status) {
  status_ = status;
  WindowView& window = gf_windowView();
  window.setLamp(lamp_, static_cast<std::int32_t>(status));
  window.repaint(WindowBand::Status);
}

void UdpReader::watch() {
  const std::uint32_t count = datagrams_.load();
  if (count == lastSeen_) {
    setStatus(ReaderStatus::Silent);
    receiving_ = false;
  } else if (!receiving_) {
    receiving_ = true;
    setStatus(ReaderStatus::Receiving);
  }
  lastSeen_ = count;
}

void UdpReader::resetWatch() {
  datagrams_ = 0;
  lastSeen_ = 0;
  receiving_ = true;
}

void UdpReader::lf_readerThread(std::uint16_t port, bool local) {
  try {
    try {
      socket_ = net::Socket::open(net::Socket::Type::Datagram);
      if (!socket_.isOpen())
        throw std::runtime_error(
            fmt::format("failed to create the socket, error: {}", gf_wsaErrorText(net::lastError())));
      lf_udpBind(port, local);
      setStatus(ReaderStatus::Receiving);
      gf_logLine(fmt::format("{} connected", name_));
      gf_flushLog();  // who watches the log sees at once that the reader listens
      lf_udpReceiveLoop(local);
    } catch (const std::exception& e) {
      gf_readerStopped(name_, e.what());
    } catch (...) {
      gf_readerStopped(name_, "Unknown exception");
    }
    errorLog_.flushSuppressed();
    socket_.close();
    boundPort_ = 0;
    setStatus(ReaderStatus::Stopped);
    gf_logLine(fmt::format("{} disconnected", name_));
  } catch (...) {
    // Nothing leaves a thread function; the reader has ended either way.
  }
  running_ = false;
}

void UdpReader::lf_udpBind(std::uint16_t port, bool local) {
  if (!socket_.bind({local ? net::kLoopbackAddress : net::kAnyAddress, port}))
    throw std::runtime_error(
        fmt::format("bind to stream socket failed, error: {}", gf_wsaErrorText(net::lastError())));
  if (const auto endpoint = socket_.localEndpoint()) boundPort_ = endpoint->port;
}

void UdpReader::lf_closeAndReportStop() {
  socket_.close();
  onStopped();
}

void UdpReader::lf_udpReceiveLoop(bool local) {
  socket_.setReceiveTimeout(1000ms);
  if (stop_.raised()) {
    lf_closeAndReportStop();
    return;
  }
  for (;;) {
    const long n = socket_.receive(buffer_, &stop_);
    if (n < 0) {
      const int error = net::lastError();
      if (error != net::WSAEINTR && error != net::WSAEWOULDBLOCK && error != net::WSAETIMEDOUT) {
        if (!stop_.raised())
          throw std::runtime_error(fmt::format("receive error: {}", gf_wsaErrorText(error)));
        lf_closeAndReportStop();
        return;
      }
    } else if (static_cast<std::size_t>(n) >= kBufferSize) {
      // A datagram that fills the buffer may have been cut: it is lost, the reader goes on.
      errorLog_.log(fmt::format("buffer overrun: {} bytes", n), DatagramErrorLog::Kind::UnlessStopping);
    } else if (n > 0) {
      const std::string_view datagram(buffer_.data(), static_cast<std::size_t>(n));
      // A remote RealTraffic repeats datagrams; a local one does not, so there a repeat is news.
      const bool repeated = !local && datagram == lastDatagram_;
      if (!repeated) {
        if (!local) lastDatagram_.assign(datagram);
        ++datagrams_;
        onDatagram(datagram);
      }
    }
    if (stop_.raised()) {
      lf_closeAndReportStop();
      return;
    }
  }
}

std::string gf_printableText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F)
      shown += fmt::format("\\x{:02x}", byte);
    else
      shown += c;
  }
  return shown;
}

void gf_readerStopped(std::string_view name, std::string_view text) {
  const std::string line = fmt::format("The {} has stopped with error: {}", name, text);
  // Logged even while an error line keeps the message from showing; not while the run ends anyway.
  gf_logUnlessStopping(line);
  gf_setMessage(line);
  gf_endRun(ExitReason::ReaderError, 15);
}

}  // namespace orv
