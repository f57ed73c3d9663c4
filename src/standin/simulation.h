#pragma once

// The simulation as the stand-in runs it: its clock, the user's aircraft and the AI objects.
// Inside the stand-in only; the stand-in's lock guards them.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/os/clock.h"
#include "standin/scenario.h"
#include "standin/stand_in.h"

namespace orv::standin {

using Millis = std::chrono::milliseconds;

// Two measures of time: the stand-in's since its creation (timeline, journal), and the
// simulation time, which runs only while a flight runs (per-second data, zulu time).
class SimClock {
 public:
  // Starts at the process clock's now; `zuluBase` is the simulator's UTC at the start.
  SimClock(ClockMode mode, std::int64_t zuluBase, double frameHz);

  [[nodiscard]] ClockMode mode() const { return mode_; }
  [[nodiscard]] Millis elapsed() const { return elapsed_; }
  [[nodiscard]] Millis simElapsed() const { return simElapsed_; }
  // The process clock's time since the start.
  [[nodiscard]] Millis sinceStart() const;
  // The simulator's UTC in Unix seconds.
  [[nodiscard]] std::int64_t zuluUnix() const;

  // Moves the stand-in's time on to `to`; returns the step, zero when `to` is not later.
  Millis moveTo(Millis to);
  // The simulation time runs by `dt`.
  void runSimulation(Millis dt) { simElapsed_ += dt; }

  // Real time: whether a "Frame" event is due, at the scenario's rate since the last one.
  [[nodiscard]] bool frameDue() const;
  void frameSent() { lastFrame_ = elapsed_; }
  // A new connection gets its first frame at once.
  void restartFrames() { lastFrame_.reset(); }

 private:
  ClockMode mode_;
  os::SteadyTime start_;
  Millis elapsed_{0};
  Millis simElapsed_{0};
  std::int64_t zuluBase_;
  Millis frameInterval_;
  std::optional<Millis> lastFrame_;
};

// The user's aircraft and the AI objects, with the ids the simulator hands out.
class SimObjects {
 public:
  explicit SimObjects(const Scenario& scenario);

  [[nodiscard]] SimObject& user() { return user_; }
  [[nodiscard]] const SimObject& user() const { return user_; }
  // The user's aircraft as the scenario's keys describe it, and back.
  [[nodiscard]] UserAircraft userAircraft() const;
  void setUserAircraft(const UserAircraft& u);
  // Along its heading at its ground speed.
  void moveUser(Millis dt);

  // AI objects by id.
  [[nodiscard]] const std::map<std::uint32_t, SimObject>& ai() const { return ai_; }
  // An object by id, the user's under either of its ids; nullptr for none.
  [[nodiscard]] SimObject* find(std::uint32_t id);
  [[nodiscard]] SimObject* findAi(std::uint32_t id);
  [[nodiscard]] const SimObject* findAiByAtcId(std::string_view atcId) const;
  [[nodiscard]] static bool isUserId(std::uint32_t id) {
    return id == sc::OBJECT_ID_USER || id == kUserObjectId;
  }

  // The id the next added object gets.
  [[nodiscard]] std::uint32_t nextId() const { return nextId_; }
  // Gives the object the next id; returns it.
  std::uint32_t add(SimObject o);
  void erase(std::uint32_t id) { ai_.erase(id); }
  // Removes the objects the client created (they go with its connection) and returns them.
  std::vector<SimObject> takeClientObjects();
  void clear() { ai_.clear(); }

  // The ground under the AI objects and the height of their CG above it when they stand.
  [[nodiscard]] double aiGroundAltFt() const { return aiGroundAltFt_; }
  [[nodiscard]] double staticCgFt() const { return staticCgFt_; }
  // An AI object stands on the ground when its CG is at most a foot above its static height;
  // the scenario says where the user is.
  void settle(SimObject& o) const;

 private:
  SimObject user_;
  std::map<std::uint32_t, SimObject> ai_;
  double aiGroundAltFt_;
  double staticCgFt_;
  std::uint32_t nextId_;
};

// Great-circle distance on the mean earth sphere.
[[nodiscard]] double distanceMetres(double lat1, double lon1, double lat2, double lon2);

}  // namespace orv::standin
