#pragma once

// The UDP receivers of RealTraffic's datagrams: one thread per reader and run, bound to one port,
// handing every datagram to the reader's handler until its stop flag is raised.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/window_view.h"
#include "platform/net/socket.h"
#include "platform/net/stop_signal.h"
#include "platform/os/clock.h"

namespace orv {

// The error lines of one reader's datagrams. Any host may send a flood of bad datagrams, so after
// the first few lines at most one a second is logged; the lines left out meanwhile are counted,
// and the count is logged ("{name}: {n} error lines suppressed") before the next line and when the
// reader stops. Reader thread only.
class DatagramErrorLog {
 public:
  static constexpr int kFreeLines = 10;
  static constexpr os::SteadyClock::duration kInterval = std::chrono::seconds{1};

  explicit DatagramErrorLog(std::string name) : name_(std::move(name)) {}

  // How a line that is let through is written.
  enum class Kind { Line, Important, UnlessStopping };
  void log(std::string_view line, Kind kind = Kind::Line);
  // Logs the count of lines left out since the last line, if any.
  void flushSuppressed();

 private:
  const std::string name_;
  int freeLeft_ = kFreeLines;
  os::SteadyTime lastLogged_{};
  std::uint64_t suppressed_ = 0;
};

// A reader's lamp in the status band.
enum class ReaderStatus : std::int32_t {
  NotStarted = 0,
  Receiving = 1,
  Silent = 2,  // no datagram since the previous watchdog check
  Stopped = 3,
};

class UdpReader {
 public:
  static constexpr std::size_t kBufferSize = 16384;

  // The lamp shows the reader's status in the window.
  UdpReader(std::string name, WindowLamp lamp);
  // Stops the thread and waits for its end, so that it never outlives the object.
  virtual ~UdpReader();
  UdpReader(const UdpReader&) = delete;
  UdpReader& operator=(const UdpReader&) = delete;

  // Starts the thread for this run: it binds the port (0: any free one) on 127.0.0.1 when
  // RealTraffic runs on this computer, else on every address. With `local` set, a repeated
  // datagram is handed on as well. Start-up thread; not while the thread of a run still runs.
  void start(std::uint16_t port, bool local);

  // Any thread; the receive wakes at once.
  void requestStop() { stop_.raise(); }
  [[nodiscard]] bool stopRequested() const { return stop_.raised(); }
  // Until the thread of the run has ended (at once when none was started).
  void waitUntilStopped() const;
  [[nodiscard]] bool running() const { return running_.load(); }

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] std::uint32_t datagramCount() const { return datagrams_.load(); }
  // The port the socket is bound to; 0 until then.
  [[nodiscard]] std::uint16_t boundPort() const { return boundPort_.load(); }
  [[nodiscard]] ReaderStatus status() const { return status_.load(); }
  void setStatus(ReaderStatus status);

  // One step of the watchdog: silent when no datagram came since the last check, receiving again
  // after the first check that saw datagrams. Start-up thread.
  void watch();
  // A new RealTraffic connection: the count back to 0 and the reader counted as receiving, so the
  // next check starts afresh. Safe while the thread runs; the stop flag is left alone. Start-up
  // thread.
  void resetWatch();

 protected:
  // On the reader's thread.
  virtual void onDatagram(std::string_view datagram) = 0;
  // A line about one datagram, rate-limited.
  void logDatagramError(std::string_view line, DatagramErrorLog::Kind kind = DatagramErrorLog::Kind::Line) {
    errorLog_.log(line, kind);
  }
  // The loop saw the stop flag.
  virtual void onStopped() = 0;

 private:
  void lf_readerThread(std::uint16_t port, bool local);
  void lf_udpBind(std::uint16_t port, bool local);
  void lf_udpReceiveLoop(bool local);
  void lf_closeAndReportStop();

  const std::string name_;
  const WindowLamp lamp_;
  net::StopSignal stop_;
  std::atomic<bool> running_{false};
  std::atomic<std::uint32_t> datagrams_{0};
  std::atomic<std::uint16_t> boundPort_{0};
  std::atomic<ReaderStatus> status_{ReaderStatus::NotStarted};
  // The watchdog's side, start-up thread only.
  std::uint32_t lastSeen_ = 0;
  bool receiving_ = true;
  // The reader thread's side.
  net::Socket socket_;
  std::vector<char> buffer_;
  std::string lastDatagram_;
  DatagramErrorLog errorLog_;
};

// A text that came over the network, as a log line may carry it: control bytes, line breaks
// included, and every byte from 0x7F up shown as \xNN, so that no datagram can break a line of the
// log, forge one or put anything but ASCII into it. Any thread.
[[nodiscard]] std::string gf_printableText(std::string_view text);

// A reader that ended with an error: the message line shows (and the log gets) "The {} has stopped
// with error: {}", and the run ends with READER ERROR, restarting after 15 seconds.
void gf_readerStopped(std::string_view name, std::string_view text);

}  // namespace orv
