#include "traffic/udp_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "reader_test_support.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"
#include "traffic/qnh_reader.h"
#include "traffic/traffic_run.h"

namespace {

using testing_support::logBody;

using orv::ReaderStatus;
using traffic_test::eventually;

class RecordingReader final : public orv::UdpReader {
 public:
  RecordingReader() : UdpReader("Test Reader", orv::WindowLamp::TrafficReader) {}
  ~RecordingReader() override {
    requestStop();
    waitUntilStopped();
  }
  std::vector<std::string> datagrams() const {
    std::scoped_lock lock(mutex_);
    return datagrams_;
  }
  int stopped() const { return stopped_.load(); }

 protected:
  void onDatagram(std::string_view datagram) override {
    std::scoped_lock lock(mutex_);
    datagrams_.emplace_back(datagram);
  }
  void onStopped() override { ++stopped_; }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> datagrams_;
  std::atomic<int> stopped_{0};
};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }

  bool logHas(const std::string& line) {
    const auto lines = logBody();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  // Started on a free loopback port; waits until the socket is bound.
  std::uint16_t startOnFreePort(orv::UdpReader& reader, bool local) {
    reader.start(0, local);
    EXPECT_TRUE(eventually([&] { return reader.status() == ReaderStatus::Receiving; }));
    return reader.boundPort();
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  traffic_test::Sender sender;
};

TEST_F(ReaderTest, ARemoteRealTrafficsRepeatsAreDroppedALocalOnesAreNot) {
  RecordingReader remote;
  const std::uint16_t port = startOnFreePort(remote, false);
  for (const char* text : {"one", "one", "two", "one"}) sender.send(port, text);
  ASSERT_TRUE(eventually([&] { return remote.datagrams().size() == 3; }));
  EXPECT_EQ(remote.datagramCount(), 3u);
  EXPECT_EQ(remote.datagrams(), (std::vector<std::string>{"one", "two", "one"}));

  RecordingReader local;
  const std::uint16_t localPort = startOnFreePort(local, true);
  for (const char* text : {"one", "one"}) sender.send(localPort, text);
  ASSERT_TRUE(eventually([&] { return local.datagrams().size() == 2; }));
  EXPECT_EQ(local.datagrams(), (std::vector<std::string>{"one", "one"}));
}

TEST_F(ReaderTest, TheStopFlagEndsTheThreadThroughItsStoppedHandler) {
  RecordingReader reader;
  startOnFreePort(reader, false);
  EXPECT_TRUE(eventually([&] { return logHas("Test Reader connected"); }));
  reader.requestStop();
  reader.waitUntilStopped();
  EXPECT_FALSE(reader.running());
  EXPECT_EQ(reader.stopped(), 1);
  EXPECT_EQ(reader.status(), ReaderStatus::Stopped);
  EXPECT_TRUE(logHas("Test Reader disconnected"));
  EXPECT_FALSE(orv::gf_runStopRaised()) << "a requested stop is no reader error";
}

TEST_F(ReaderTest, ABusyPortEndsTheRunWithAReaderError) {
  RecordingReader first;
  const std::uint16_t port = startOnFreePort(first, false);
  RecordingReader second;
  second.start(port, false);
  second.waitUntilStopped();
  EXPECT_EQ(second.status(), ReaderStatus::Stopped);
  EXPECT_EQ(second.stopped(), 0);
  const std::string text =
      "The Test Reader has stopped with error: bind to stream socket failed, error: 10048 Address already in "
      "use";
  EXPECT_EQ(orv::gf_messageLines().message, text);
  EXPECT_TRUE(logHas(text));
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::ReaderError);
  EXPECT_EQ(orv::gf_runOutcome().restartSeconds, 15);
}

TEST_F(ReaderTest, ADatagramThatFillsTheBufferIsLostAndTheReaderGoesOn) {
  RecordingReader reader;
  const std::uint16_t port = startOnFreePort(reader, false);
  sender.send(port, std::string(16383, 'a'));
  sender.send(port, std::string(16384, 'b'));
  sender.send(port, std::string(20000, 'c'));
  sender.send(port, "small");
  ASSERT_TRUE(eventually([&] { return reader.datagrams().size() == 2; }));
  const auto datagrams = reader.datagrams();
  EXPECT_EQ(datagrams[0].size(), 16383u);
  EXPECT_EQ(datagrams[1], "small");
  EXPECT_TRUE(logHas("buffer overrun: 16384 bytes"));
  EXPECT_TRUE(logHas("buffer overrun: 20000 bytes"));
}

TEST_F(ReaderTest, TheWatchdogShowsASilentReaderAndItsReturn) {
  testing_support::RecordingWindow window;
  const orv::ScopedWindowView shown(window);
  orv::QnhReader reader;
  const std::uint16_t port = startOnFreePort(reader, false);
  sender.send(port, R"({"QNH":1000})");
  ASSERT_TRUE(eventually([&] { return reader.qnh() == 1000; }));

  reader.watch();  // datagrams since the start
  EXPECT_EQ(reader.status(), ReaderStatus::Receiving);
  reader.watch();
  EXPECT_EQ(reader.status(), ReaderStatus::Silent);
  EXPECT_EQ(window.lamp(orv::WindowLamp::QnhReader), 2) << "the lamp shows it";
  reader.watch();
  EXPECT_EQ(reader.status(), ReaderStatus::Silent);

  sender.send(port, R"({"QNH":1001})");
  // The count moves before the handler runs.
  ASSERT_TRUE(eventually([&] { return reader.qnh() == 1001; }));
  reader.watch();
  EXPECT_EQ(reader.status(), ReaderStatus::Receiving);
  EXPECT_EQ(window.lamp(orv::WindowLamp::QnhReader), 1);
  reader.requestStop();
  reader.waitUntilStopped();
  EXPECT_TRUE(logHas("QNH Reader has stopped"));
}

TEST_F(ReaderTest, TheRunsWatchdogWaitsForTheTrafficSource) {
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run(sim, window, false);
  orv::QnhReader& qnh = run.qnhReader;
  startOnFreePort(qnh, false);
  orv::gf_readerWatchdog(run);
  orv::gf_readerWatchdog(run);
  EXPECT_EQ(qnh.status(), ReaderStatus::Receiving) << "nothing before the source is ready";
  EXPECT_FALSE(orv::gf_readerStalled(run));
  run.realTraffic.sourceReady = true;
  orv::gf_readerWatchdog(run);
  EXPECT_EQ(qnh.status(), ReaderStatus::Silent);
  EXPECT_EQ(run.trafficReader.status(), ReaderStatus::Silent) << "never started, never heard";
  EXPECT_TRUE(orv::gf_readerStalled(run));
  orv::gf_stopReadersAndWait(run);
  EXPECT_FALSE(qnh.running());
}

TEST_F(ReaderTest, ANewRunShowsItsStartValuesOverWhatTheLastRunLeft) {
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  for (const orv::WindowLamp lamp :
       {orv::WindowLamp::SimulatorConnected, orv::WindowLamp::SimulationRunning,
        orv::WindowLamp::RealTrafficKnown, orv::WindowLamp::TrafficReader, orv::WindowLamp::QnhReader})
    window.setLamp(lamp, 1);
  window.setLamp(orv::WindowLamp::RealTrafficIdle, 0);
  window.setLamp(orv::WindowLamp::SpanKnown, 0);
  window.setText(orv::WindowText::RealTrafficEdition, "RT 9.0 edition: prof");
  window.setCount(orv::WindowCount::Qnh, 1020);
  window.setCount(orv::WindowCount::ActiveLive, 7);
  const orv::TrafficRun run(sim, window, false);
  EXPECT_EQ(window.lamp(orv::WindowLamp::SimulatorConnected), 0);
  EXPECT_EQ(window.lamp(orv::WindowLamp::SimulationRunning), 0);
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficIdle), 1);
  EXPECT_EQ(window.lamp(orv::WindowLamp::RealTrafficKnown), 0);
  EXPECT_EQ(window.lamp(orv::WindowLamp::TrafficReader), 3);
  EXPECT_EQ(window.lamp(orv::WindowLamp::QnhReader), 3);
  EXPECT_EQ(window.lamp(orv::WindowLamp::SpanKnown), 1);
  EXPECT_EQ(window.text(orv::WindowText::RealTrafficEdition), "");
  EXPECT_EQ(window.count(orv::WindowCount::Qnh), 1013);
  EXPECT_EQ(window.count(orv::WindowCount::ActiveLive), 0);
}

TEST_F(ReaderTest, QnhDatagramsInEveryFormAndTheirFaults) {
  struct Row {
    const char* datagram;
    std::int32_t qnh;
    const char* log;  // the line it writes, or none
  };
  const Row rows[] = {
      {R"({"QNH":2992})", 1013, nullptr},  // inches x 100
      {R"({"QNH":3100})", 1050, nullptr},
      {R"({"QNH":850})", 900, nullptr},
      {R"({"QNH":1200})", 900, nullptr},  // 406 hPa, clamped
      {R"({"QNH":1013.4})", 1013, nullptr},
      {R"({"QNH":1008.6})", 1009, nullptr},
      {R"({"QNH":"1017"})", 1017, nullptr},
      {R"({"QNH":"998 hPa"})", 998, nullptr},
      {R"({"QNH":"abc"})", 998, R"(==> QNH string parse error: abc in {"QNH":"abc"})"},
      {R"({"QNH":"99999999999"})", 998,
       R"(==> QNH string parse error: 99999999999 in {"QNH":"99999999999"})"},
      {R"({"qnh":1000})", 998, R"(no QNH {"qnh":1000})"},
      // Line breaks from the network are shown, never written into the log.
      {R"({"QNH":"abc\ndef"})", 998, R"(==> QNH string parse error: abc\x0adef in {"QNH":"abc\ndef"})"},
      {"{\"qnh\":\r\n1000}", 998, R"(no QNH {"qnh":\x0d\x0a1000})"},
      {R"({"QNH":null})", 998, R"(no QNH {"QNH":null})"},
      {R"({"QNH":true})", 998, R"(no QNH {"QNH":true})"},
      {R"([1000])", 998, R"(no QNH [1000])"},
      {R"({"QNH":1e12})", 998, R"(Exception narrowing_error, in {"QNH":1e12})"},
      {R"({"QNH":99999999999})", 998, R"(Exception narrowing_error, in {"QNH":99999999999})"},
      {R"({"QNH":1019.7})", 1020, nullptr},
  };
  testing_support::RecordingWindow window;
  const orv::ScopedWindowView shown(window);
  orv::QnhReader reader;
  for (const Row& row : rows) {
    reader.lf_onQnhDatagram(row.datagram);
    EXPECT_EQ(reader.qnh(), row.qnh) << row.datagram;
    if (row.qnh != 998) {
      EXPECT_EQ(window.count(orv::WindowCount::Qnh), row.qnh) << "the status band shows it: " << row.datagram;
    }
    if (row.log) {
      EXPECT_EQ(logBody().back(), row.log);
    }
  }
  // Beyond single precision: refused before the conversion (a reader of its own: the error lines
  // of the first are rate-limited by now).
  orv::QnhReader beyond;
  for (const char* datagram : {R"({"QNH":1e300})", R"({"QNH":-3.5e38})"}) {
    beyond.lf_onQnhDatagram(datagram);
    EXPECT_EQ(beyond.qnh(), orv::kStandardQnh) << datagram;
    EXPECT_EQ(logBody().back(), std::string("Exception narrowing_error, in ") + datagram);
  }
  orv::QnhReader other;
  const auto before = logBody().size();
  other.lf_onQnhDatagram("QNH 1013");
  ASSERT_EQ(logBody().size(), before + 1);
  EXPECT_TRUE(logBody().back().starts_with("Exception ")) << logBody().back();
  EXPECT_TRUE(logBody().back().ends_with(", in QNH 1013")) << logBody().back();
}

TEST_F(ReaderTest, ErrorLinesOfAFloodAreRateLimitedPerReader) {
  os::FakeClock clock;
  const os::ScopedClock installed(clock);
  orv::QnhReader reader;
  orv::QnhReader second;
  const std::string longText(5000, 'q');
  const std::string quoted = std::string(200, 'q') + "...";
  for (int i = 0; i < 30; ++i) reader.lf_onQnhDatagram(longText);
  second.lf_onQnhDatagram("[2]");  // another reader has its own allowance
  auto lines = logBody();
  ASSERT_EQ(lines.size(), 11u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(lines[i].substr(0, 10), "Exception ") << lines[i];
  EXPECT_TRUE(lines[0].ends_with(", in " + quoted)) << lines[0];
  EXPECT_LT(lines[0].size(), 1000u);
  EXPECT_EQ(lines[10], "no QNH [2]");

  clock.advance(std::chrono::milliseconds(999));
  reader.lf_onQnhDatagram("[1]");
  EXPECT_EQ(logBody().size(), 11u) << "still within the second";
  clock.advance(std::chrono::milliseconds(1));
  reader.lf_onQnhDatagram("[1]");
  reader.lf_onQnhDatagram("[1]");
  lines = logBody();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[11], "QNH Reader: 21 error lines suppressed");
  EXPECT_EQ(lines[12], "no QNH [1]");
  clock.advance(std::chrono::seconds(5));
  reader.lf_onQnhDatagram("[3]");
  lines = logBody();
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[13], "QNH Reader: 1 error lines suppressed");
  EXPECT_EQ(lines[14], "no QNH [3]");
}

TEST_F(ReaderTest, ARepeatedQnhIsWrittenAgainOnlyWhenStandard) {
  orv::QnhReader reader;
  reader.lf_onQnhDatagram(R"({"QNH":1012})");
  reader.setStatus(ReaderStatus::Silent);
  reader.lf_onQnhDatagram(R"({"QNH":1012})");
  EXPECT_EQ(reader.status(), ReaderStatus::Silent) << "the same 1012 changes nothing";
  reader.lf_onQnhDatagram(R"({"QNH":1013})");
  EXPECT_EQ(reader.status(), ReaderStatus::Receiving);
  reader.setStatus(ReaderStatus::Silent);
  reader.lf_onQnhDatagram(R"({"QNH":1013})");
  EXPECT_EQ(reader.status(), ReaderStatus::Receiving) << "1013 is written again";
}

}  // namespace
