#pragma once

// A simulator link connected to the stand-in on the manual clock, driven on the test's thread:
// the test sends what "SimClient" would send and dispatches the answers through lf_dispatch.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/folders.h"
#include "foundation/log.h"
#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/sim_messages.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"
#include "standin/stand_in.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"

namespace simlink_test {

using testing_support::logBody;

// A creation at Frankfurt, 1500 ft up.
inline orv::SimCreateRequest makeCreation(std::string callsign, std::uint32_t key,
                                          std::string title = "Any Title") {
  orv::SimCreateRequest request;
  request.initPosition.Latitude = 50.05;
  request.initPosition.Longitude = 8.57;
  request.initPosition.Altitude = 1500;
  request.callsign = std::move(callsign);
  request.liveryTitle = std::move(title);
  request.key = key;
  return request;
}

// Puts a stand-in of the scenario in place of the simulator, then opens and registers as
// "SimClient" does; the open's result. The caller keeps the three parts while the link runs.
[[nodiscard]] inline sc::HResult openOnStandIn(orv::standin::Scenario scenario,
                                               std::shared_ptr<orv::standin::StandIn>& standIn,
                                               std::optional<sc::ScopedBackend>& backend,
                                               sc::Handle& handle) {
  standIn = std::make_shared<orv::standin::StandIn>(std::move(scenario), orv::standin::Options{});
  backend.emplace(standIn);
  orv::gf_resetSimQueues();
  const sc::HResult opened = SimConnect_Open(&handle, "Quillstar", nullptr, 0, nullptr, 0);
  if (opened != sc::S_OK) return opened;
  orv::gf_setSimConnectHandle(handle);
  orv::lf_registerSimConnect(handle);
  return opened;
}

// What the simulator link showed in the window.
struct ShownLink {
  bool simulatorConnected = false;
  std::string simulatorText;
  bool simulationRunning = false;
  std::string aircraftText;
  std::string standText;
  bool spanKnown = false;
};

class SimLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv::gf_openLog();
    orv::gf_resetSimLink();
    orv::gf_setMsfs2020Chosen(true);
  }
  // The link's state is the process's: what a test left there must not reach the next one.
  void TearDown() override {
    orv::gf_stopSimClient();
    orv::gf_setSimulatorLostHandler(nullptr);
    orv::gf_setNearestStandNameHook(nullptr);
    orv::gf_setUserStandReservationHook(nullptr);
    orv::gf_resetSimLink();
    orv::gf_setMsfs2020Chosen(true);
  }

  [[nodiscard]] ShownLink display() const {
    using orv::WindowLamp;
    using orv::WindowText;
    return {window.lamp(WindowLamp::SimulatorConnected) == 1,
            window.text(WindowText::Simulator),
            window.lamp(WindowLamp::SimulationRunning) == 1,
            window.text(WindowText::UserAircraft),
            window.text(WindowText::UserStand),
            window.lamp(WindowLamp::SpanKnown) == 1};
  }

  // Opens and registers like "SimClient" does, and takes the first answers.
  void connect(orv::standin::Scenario scenario = {}) {
    ASSERT_EQ(openOnStandIn(std::move(scenario), standIn, backend, handle), sc::S_OK);
    pump();
  }

  void pump() { ASSERT_EQ(SimConnect_CallDispatch(handle, orv::lf_dispatch, nullptr), sc::S_OK); }

  void frame() {
    standIn->frame();
    pump();
  }

  static std::vector<orv::SimMessage> takeMessages() {
    std::vector<orv::SimMessage> taken;
    orv::gf_drainSimMessages([&](std::span<orv::SimMessage> m) { taken.assign(m.begin(), m.end()); });
    return taken;
  }

  static bool logHas(const std::string& text) {
    for (const std::string& line : logBody())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  // The journal's entries of the kinds as "call:event@object" texts, for comparing sequences.
  [[nodiscard]] std::vector<std::string> calls(std::initializer_list<std::string_view> kinds) const {
    std::vector<std::string> out;
    for (const auto& e : standIn->journal()) {
      const std::string call = e["call"];
      if (std::find(kinds.begin(), kinds.end(), call) == kinds.end()) continue;
      std::string text = call;
      if (e.contains("event")) text += ":" + std::to_string(e["event"].get<std::uint32_t>());
      if (e.contains("object")) text += "@" + std::to_string(e["object"].get<std::uint32_t>());
      out.push_back(text);
    }
    return out;
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  testing_support::RecordingWindow window;
  orv::ScopedWindowView shownWindow{window};
  os::FakeClock clock;
  os::ScopedClock scopedClock{clock};
  std::shared_ptr<orv::standin::StandIn> standIn;
  std::optional<sc::ScopedBackend> backend;
  sc::Handle handle = 0;
};

}  // namespace simlink_test
