#include "simlink/sim_client.h"

#include <fmt/format.h>

#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "platform/os/clock.h"
#include "platform/os/thread_name.h"
#include "platform/os/timer_resolution.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/link_state.h"
#include "simlink/sim_display.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"

namespace orv {
namespace {

using namespace std::chrono_literals;
using sc::DataType;

struct DefinitionEntry {
  std::uint32_t defineId;
  const char* variable;
  const char* unit;  // nullptr for texts
  DataType type;
};

// In the order of registration; the values of a definition are packed in this order.
constexpr DefinitionEntry kDefinitions[] = {
    {simid::kDefUserTitle, "TITLE", nullptr, DataType::STRINGV},
    {simid::kDefUserModel, "ATC MODEL", nullptr, DataType::STRING32},
    {simid::kDefUserOnGround, "SIM ON GROUND", "Bool", DataType::INT64},
    {simid::kDefAiPosition, "Plane Latitude", "degree", DataType::FLOAT64},
    {simid::kDefAiPosition, "Plane Longitude", "degree", DataType::FLOAT64},
    {simid::kDefAiPosition, "Plane Pitch degrees", "radians", DataType::FLOAT64},
    {simid::kDefAiPosition, "Plane Bank degrees", "radians", DataType::FLOAT64},
    {simid::kDefAiPosition, "Plane Heading degrees true", "radians", DataType::FLOAT64},
    {simid::kDefAiPosition, "Plane Altitude", "feet", DataType::FLOAT64},
    {simid::kDefAiPosition, "Vertical Speed", "feet per second", DataType::FLOAT64},
    {simid::kDefAiPosition, "Airspeed True", "knots", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Latitude", "degree", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Longitude", "degree", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Pitch degrees", "radians", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Bank degrees", "radians", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Heading degrees true", "radians", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Altitude", "feet", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Plane Alt Above Ground", "feet", DataType::FLOAT64},
    {simid::kDefUserAircraft, "Ground Velocity", "knots", DataType::FLOAT64},
    {simid::kDefUserAircraft, "ZULU TIME", "Seconds", DataType::INT64},
    {simid::kDefUserAircraft, "ZULU DAY OF YEAR", "Number", DataType::INT64},
    {simid::kDefUserAircraft, "ZULU YEAR", "Number", DataType::INT64},
    {simid::kDefUserAircraft, "LIGHT STATES", "Mask", DataType::INT64},
    {simid::kDefStaticCg, "Static CG to Ground", "feet", DataType::FLOAT64},
    {simid::kDefStaticCg, "Static Pitch", "radians", DataType::FLOAT64},
    {simid::kDefLightOnStates, "Light On States", "Mask", DataType::INT64},
    {simid::kDefAircraftInRange, "Plane Alt Above Ground", "feet", DataType::FLOAT64},
    {simid::kDefAircraftInRange, "Ground Altitude", "feet", DataType::FLOAT64},
    {simid::kDefAircraftInRange, "SIM ON GROUND", "Bool", DataType::INT64},
    {simid::kDefAircraftInRange, "ATC ID", nullptr, DataType::STRING32},
    {simid::kDefSpoilersThrottles, "SPOILERS HANDLE POSITION", "percent", DataType::FLOAT64},
    {simid::kDefSpoilersThrottles, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", DataType::FLOAT64},
    {simid::kDefSpoilersThrottles, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", DataType::FLOAT64},
};

constexpr std::pair<std::uint32_t, const char*> kSystemEvents[] = {
    {simid::kEventSim, "Sim"},
    {simid::kEventObjectAdded, "ObjectAdded"},
    {simid::kEventObjectRemoved, "ObjectRemoved"},
    {simid::kEventFlightLoaded, "FlightLoaded"},
    {simid::kEventFrame, "Frame"},
};

constexpr std::pair<std::uint32_t, const char*> kClientEvents[] = {
    {simid::kGearSet, "GEAR_SET"},
    {simid::kEngineAutoStart, "ENGINE_AUTO_START"},
    {simid::kEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {simid::kThrottleSet, "THROTTLE_SET"},
    {simid::kFlapsSet, "FLAPS_SET"},
    {simid::kSpoilersSet, "SPOILERS_SET"},
    {simid::kNavLightsSet, "NAV_LIGHTS_SET"},
    {simid::kBeaconLightsSet, "BEACON_LIGHTS_SET"},
    {simid::kLandingLightsSet, "LANDING_LIGHTS_SET"},
    {simid::kTaxiLightsSet, "TAXI_LIGHTS_SET"},
    {simid::kStrobesSet, "STROBES_SET"},
    {simid::kLogoLightsSet, "LOGO_LIGHTS_SET"},
    {simid::kCabinLightsSet, "CABIN_LIGHTS_SET"},
    {simid::kAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {simid::kFreezeLatitudeLongitudeSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {simid::kFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {simid::kFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

// ENGINE_AUTO_START is not among them, though it is sent with the group too.
constexpr std::uint32_t kGroupMembers[] = {
    simid::kNavLightsSet,      simid::kBeaconLightsSet,
    simid::kLandingLightsSet,  simid::kTaxiLightsSet,
    simid::kStrobesSet,        simid::kLogoLightsSet,
    simid::kCabinLightsSet,    simid::kAllLightsToggle,
    simid::kFlapsSet,          simid::kSpoilersSet,
    simid::kGearSet,           simid::kEngineAutoShutdown,
    simid::kThrottleSet,       simid::kFreezeLatitudeLongitudeSet,
    simid::kFreezeAltitudeSet, simid::kFreezeAttitudeSet,
};

constexpr std::string_view kThreadName = "SimClient";

std::mutex threadMutex;
std::jthread simClient;  // guarded by threadMutex

std::mutex handlerMutex;
std::function<void(bool)> simulatorLost;  // guarded by handlerMutex

void lf_reportSimulatorLost(bool otherVersion) {
  std::function<void(bool)> handler;
  {
    std::scoped_lock lock(handlerMutex);
    handler = simulatorLost;
  }
  if (!handler) return;
  // Called from the thread's own exception handlers too: nothing may leave it from here.
  try {
    handler(otherVersion);
  } catch (const std::exception& e) {
    gf_setError(e.what());
  } catch (...) {
    gf_setError(fmt::format("Exception in {}", kThreadName));
  }
}

// The 1 ms timer resolution for the dispatch loop, given back only when it was granted.
class TimerResolution {
 public:
  TimerResolution() : granted_(os::timeBeginPeriod(1) == os::TIMERR_NOERROR) {}
  ~TimerResolution() {
    if (granted_) os::timeEndPeriod(1);
  }
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

 private:
  bool granted_;
};

void lf_onSimClientEnd() {
  // A failed reservation must not leave the window showing a connection, nor the handle set.
  try {
    lf_reserveUserStand();
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} end: {}", kThreadName, e.what()));
  } catch (...) {
    gf_logImportant(fmt::format("{} end: unknown exception", kThreadName));
  }
  gf_showSimulatorConnected(false);
  gf_setSimConnectHandle(0);
}

}  // namespace

void lf_registerSimConnect(sc::Handle handle) {
  for (const auto& [id, name] : kSystemEvents) (void)SimConnect_SubscribeToSystemEvent(handle, id, name);
  for (const DefinitionEntry& d : kDefinitions)
    (void)SimConnect_AddToDataDefinition(handle, d.defineId, d.variable, d.unit, d.type, 0.0F, sc::UNUSED);
  for (const auto& [id, name] : kClientEvents) (void)SimConnect_MapClientEventToSimEvent(handle, id, name);
  for (const std::uint32_t id : kGroupMembers)
    (void)SimConnect_AddClientEventToNotificationGroup(handle, simid::kGroup, id, true);
  (void)SimConnect_SetNotificationGroupPriority(handle, simid::kGroup, sc::GROUP_PRIORITY_HIGHEST);
}

void lf_onOpen(const sc::RecvOpen& record) {
  const std::string_view name(record.szApplicationName,
                              strnlen(record.szApplicationName, sizeof record.szApplicationName));
  if (name.empty()) {
    gf_logLine("! Simulator name empty?");
    return;
  }
  gf_showSimulatorConnected(true);
  std::string filtered;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || std::isspace(u)) filtered.push_back(c);
  }
  std::string_view simulator;
  if (filtered == "KittyHawk") {
    if (!gf_msfs2020Chosen()) throw UserErrorException(2024, "");
    simulator = "MSFS 2020";
  } else if (filtered == "SunRise") {
    if (gf_msfs2020Chosen()) throw UserErrorException(2024, "");
    simulator = "MSFS 2024";
  } else {
    throw UserErrorException(77,
                             fmt::format("'{}' not being MSFS 2020 or MSFS 2024 connects ... ?", filtered));
  }
  const std::string text = fmt::format("{} ({}.{}.{}.{})", simulator, record.dwApplicationVersionMajor,
                                       record.dwApplicationVersionMinor, record.dwApplicationBuildMajor,
                                       record.dwApplicationBuildMinor);
  gf_logLine(fmt::format("{} connected", text));
  gf_showSimulatorText(text);
  gf_clearMessage();
}

DispatchEnd lf_dispatchOnce(sc::Handle handle) {
  const sc::HResult result = SimConnect_CallDispatch(handle, lf_dispatch, nullptr);
  const bool gone = result < 0 || gf_linkState().quitReceived;
  gf_judgeRequestFailure(gone);
  if (!gone) return DispatchEnd::Serving;
  gf_logLine(result < 0 ? "SimConnect: the dispatch failed" : "SimConnect: the simulator quit");
  return DispatchEnd::SimulatorGone;
}

void lf_closeSimConnect(sc::Handle& handle) {
  if (handle == 0) return;
  if (SimConnect_Close(handle) < 0)
    gf_logImportant("Closing SimConnect failed?!");
  else
    gf_logLine("SimConnect closed ok");
  handle = 0;
}

void gf_simClientThread(std::stop_token stop) {
  os::nameThisThread(kThreadName);
  sc::Handle own = 0;
  bool lossReported = false;
  const auto reportLoss = [&](bool otherVersion) {
    if (lossReported) return;
    lossReported = true;
    gf_setSimulationRunning(false);
    lf_reportSimulatorLost(otherVersion);
  };
  try {
    os::Clock& clock = os::clock();
    bool firstPass = true;
    while (!gf_stopRaised() && !stop.stop_requested()) {
      if (firstPass) {
        firstPass = false;
        gf_logLine(" ");
        gf_setMessage(fmt::format("Waiting for MSFS 20{} ...", gf_msfs2020Chosen() ? "20" : "24"), true);
        gf_flushLog();
      }
      lf_closeSimConnect(own);
      if (SimConnect_Open(&own, std::string(kProductName).c_str(), nullptr, 0, nullptr, 0) < 0) {
        own = 0;
        clock.sleepUntil(clock.now() + 100ms);
        continue;
      }
      gf_setSimConnectHandle(own);
      lf_registerSimConnect(own);
      const TimerResolution resolution;
      const SimClientServing serving;
      // The stop flags are not tested here: the simulator is served until the closing down stops us.
      while (!stop.stop_requested()) {
        if (lf_dispatchOnce(own) == DispatchEnd::SimulatorGone) {
          reportLoss(false);
          break;
        }
        clock.sleepUntil(clock.now() + 1ms);
      }
      break;
    }
  } catch (const UserErrorException& e) {
    if (e.code() == 2024) {
      gf_logLine(fmt::format("MSFS and {} do not match, restarting ...", kProductName));
      reportLoss(true);
    } else {
      gf_setError(e.what());
      // Nothing consumes the queues any more: the main cycle must stop queuing work.
      gf_setSimulationRunning(false);
    }
  } catch (const std::exception& e) {
    gf_setError(e.what());
    reportLoss(false);
  } catch (...) {
    gf_setError(fmt::format("Exception in {}", kThreadName));
    reportLoss(false);
  }
  // Nothing leaves a thread function.
  try {
    lf_onSimClientEnd();
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} end: {}", kThreadName, e.what()));
  }
  try {
    lf_closeSimConnect(own);
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} close: {}", kThreadName, e.what()));
  }
}

void gf_startSimClient() {
  std::scoped_lock lock(threadMutex);
  if (simClient.joinable()) {
    simClient.request_stop();
    simClient.join();
  }
  simClient = std::jthread(gf_simClientThread);
}

void gf_stopSimClient() {
  std::scoped_lock lock(threadMutex);
  if (!simClient.joinable()) return;
  simClient.request_stop();
  simClient.join();
}

void gf_setSimulatorLostHandler(std::function<void(bool otherVersion)> handler) {
  std::scoped_lock lock(handlerMutex);
  simulatorLost = std::move(handler);
}

}  // namespace orv
