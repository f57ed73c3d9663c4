// A whole run inside the test process: the start-up against the stand-in, the readers on free
// ports, the demo's recording sent to them, and the close.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "foundation/log.h"
#include "foundation/run_control.h"
#include "platform/net/socket.h"
#include "platform/simconnect/simconnect.h"
#include "prepared_folder.h"
#include "shell/main_cycle.h"
#include "shell/startup.h"
#include "standin/stand_in.h"
#include "support/test_support.h"
#include "traffic/readers.h"
#include "traffic/traffic_state.h"

namespace {

using namespace std::chrono_literals;
using testing_support::readLines;

using testing_support::waitFor;

TEST(TrafficRun, TrafficLinesSentToTheReaderBecomeLiveAircraft) {
  testing_support::PreparedWorkingFolder folder(std::map<std::string, std::string>{{"AEROWINX", "true"}});
  testing_support::ScopedEnv trafficPort("QLST_TRAFFIC_PORT", "0");
  testing_support::ScopedEnv qnhPort("QLST_QNH_PORT", "0");
  orv::gf_openLog();
  orv::standin::Options options;
  options.clock = orv::standin::ClockMode::RealTime;
  sc::ScopedBackend backend{std::make_shared<orv::standin::StandIn>(orv::standin::Scenario{}, options)};

  std::thread run(orv::lf_startUpQLST);
  ASSERT_TRUE(waitFor([] { return orv::gf_trafficReader().boundPort() != 0; }, 20s));
  const net::Ipv4Endpoint reader{net::kLoopbackAddress, orv::gf_trafficReader().boundPort()};
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  const auto lines = readLines(QUILLSTAR_SAMPLE_TRAFFIC);
  ASSERT_GE(lines.size(), 30u);
  const auto send = [&](const std::string& line) { (void)sender.sendTo(line, reader); };

  // The first line ends the start-up's wait for traffic; the records count once the cycle runs.
  send(lines[0]);
  ASSERT_TRUE(waitFor([] { return orv::gf_tickCounter() > 0; }, 20s));
  for (std::size_t i = 1; i < 30; ++i) send(lines[i]);
  std::this_thread::sleep_for(1500ms);  // 150 cycles take 2 records each
  orv::gf_raiseClosing();
  orv::gf_endRunByUser();
  run.join();

  std::vector<std::uint32_t> keys;
  for (const auto& aircraft : orv::gf_trafficState().liveList) keys.push_back(aircraft.key);
  std::sort(keys.begin(), keys.end());
  // The arrival and the overflight; the departure is still on the ground, which counts only at
  // the park airport.
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{3953245, 4008125}));
  orv::gf_flushLog();
  const auto log = readLines("Log.txt");
  const auto has = [&](std::string_view text) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
  };
  EXPECT_TRUE(has("QNH Reader connected"));
  EXPECT_TRUE(has("Traffic Reader connected"));
  EXPECT_TRUE(has("Exiting: USER CLOSED SIM"));
  EXPECT_FALSE(has("No traffic in this region?"));
}

}  // namespace
