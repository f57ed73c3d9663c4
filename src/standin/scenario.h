#pragma once

// What the stand-in simulates: the simulator that answers, the user's aircraft, the installed
// titles and a timeline of happenings. Read from a JSON scenario file; every key is optional.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace orv::standin {

struct UserAircraft {
  std::string title = "Stand-in Airliner";
  std::string atcModel = "A320";
  double latDeg = 50.0379;  // parked at a stand of a fixed airport
  double lonDeg = 8.5622;
  double altFt = 364.0;
  double headingDeg = 250.0;
  double pitchDeg = 0.0;
  double bankDeg = 0.0;
  bool onGround = true;
  double groundAltFt = 364.0;
  double groundSpeedKt = 0.0;  // the aircraft moves along its heading while the simulation runs
  std::int64_t lightStates = 0;
};

struct TimelineAction {
  std::chrono::milliseconds at{0};
  std::string action;
  nlohmann::json args;  // the action's own keys
};

struct Scenario {
  std::string appName = "KittyHawk";
  std::array<std::uint32_t, 4> appVersion{11, 0, 1, 0};
  bool available = true;      // the simulator runs and accepts connections
  bool flightRunning = true;  // a flight is loaded and not paused
  UserAircraft user;
  std::vector<std::string> titles;  // installed titles; empty accepts every title
  std::uint32_t maxObjects = 1000;
  double frameHz = 30.0;
  std::optional<std::uint32_t>
      firstObjectId;                     // else by simulator: small ids for MSFS 2020, large ones otherwise
  std::optional<std::int64_t> zuluUnix;  // the simulator's UTC at the start; else the clock's
  std::optional<double> groundAltFt;     // of the AI objects; else the user's ground altitude
  double staticCgFt = 8.0;
  double staticPitchDeg = 0.0;
  std::vector<TimelineAction> timeline;  // in time order
};

// Throws std::runtime_error naming the key that is wrong.
[[nodiscard]] Scenario parseScenario(const nlohmann::json& document);
[[nodiscard]] Scenario loadScenario(const std::filesystem::path& path);

// Applies the user keys of a scenario or a timeline action to the aircraft; throws like parseScenario.
void applyUserKeys(UserAircraft& user, const nlohmann::json& keys, std::string_view where);

}  // namespace orv::standin
