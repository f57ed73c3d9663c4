#pragma once

// Recorders in place of the simulator side and the window: they keep what the code under test
// asked for, so that a test can look at it. Header-only: the executables that use them link the
// simulator link.

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "foundation/window_view.h"
#include "simlink/sim_side.h"

namespace testing_support {

class RecordingSimSide final : public orv::SimSide {
 public:
  void queueCreation(const orv::SimCreateRequest& request) override { creations.push_back(request); }
  void queueRemoval(std::uint32_t objectId) override { removals.push_back(objectId); }
  void queueEvents(std::span<const orv::SimEvent> queued) override {
    events.insert(events.end(), queued.begin(), queued.end());
  }
  void queuePosition(const orv::SimPosition& position) override { positions.push_back(position); }
  bool swapPositionBuffers() override {
    ++swaps;
    return true;
  }
  void emptyPositionBuffers() override { positions.clear(); }
  bool assignFlightPlan(std::uint32_t objectId, const std::string& planPath) override {
    flightPlans.emplace_back(objectId, planPath);
    return true;
  }
  void setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double, double) override {
    spoilerWrites.emplace_back(objectId, spoilers);
  }
  void requestAcInRange(double rangeNm) override { rangeRequests.push_back(rangeNm); }
  void requestStaticCgData(std::uint32_t objectId) override { staticCgRequests.push_back(objectId); }
  void requestUserAcPosition() override { ++userPositionRequests; }

  [[nodiscard]] std::vector<orv::SimEvent> eventsOf(std::uint32_t objectId) const {
    std::vector<orv::SimEvent> of;
    for (const orv::SimEvent& e : events)
      if (e.objectId == objectId) of.push_back(e);
    return of;
  }

  std::vector<orv::SimCreateRequest> creations;
  std::vector<std::uint32_t> removals;
  std::vector<orv::SimEvent> events;
  std::vector<orv::SimPosition> positions;
  int swaps = 0;
  std::vector<std::pair<std::uint32_t, std::string>> flightPlans;
  std::vector<std::pair<std::uint32_t, double>> spoilerWrites;
  std::vector<double> rangeRequests;
  std::vector<std::uint32_t> staticCgRequests;
  int userPositionRequests = 0;
};

// Keeps the latest value of every lamp, count and text, and counts repaints; any thread writes.
class RecordingWindow final : public orv::WindowView {
 public:
  void setLamp(orv::WindowLamp lamp, std::int32_t value) override {
    std::scoped_lock lock(mutex_);
    lamps_[static_cast<std::size_t>(lamp)] = value;
  }
  void setCount(orv::WindowCount count, std::int64_t value) override {
    std::scoped_lock lock(mutex_);
    counts_[static_cast<std::size_t>(count)] = value;
  }
  void setText(orv::WindowText text, std::string_view value) override {
    std::scoped_lock lock(mutex_);
    texts_[static_cast<std::size_t>(text)] = value;
  }
  void setStaticCountdown(std::int32_t minutes) override {
    std::scoped_lock lock(mutex_);
    countdown_ = minutes;
  }
  void repaint(orv::WindowBand band) override {
    std::scoped_lock lock(mutex_);
    ++repaints_[static_cast<std::size_t>(band)];
  }

  // As a window that was never written.
  void clear() {
    std::scoped_lock lock(mutex_);
    lamps_.fill(-1);
    counts_.fill(-1);
    texts_ = {};
    countdown_ = -1;
    repaints_ = {};
  }

  [[nodiscard]] std::int32_t lamp(orv::WindowLamp lamp) const {
    std::scoped_lock lock(mutex_);
    return lamps_[static_cast<std::size_t>(lamp)];
  }
  [[nodiscard]] std::int64_t count(orv::WindowCount count) const {
    std::scoped_lock lock(mutex_);
    return counts_[static_cast<std::size_t>(count)];
  }
  [[nodiscard]] std::string text(orv::WindowText text) const {
    std::scoped_lock lock(mutex_);
    return texts_[static_cast<std::size_t>(text)];
  }
  [[nodiscard]] std::int32_t countdown() const {
    std::scoped_lock lock(mutex_);
    return countdown_;
  }
  [[nodiscard]] int repaints(orv::WindowBand band) const {
    std::scoped_lock lock(mutex_);
    return repaints_[static_cast<std::size_t>(band)];
  }

 private:
  mutable std::mutex mutex_;
  std::array<std::int32_t, 7> lamps_{-1, -1, -1, -1, -1, -1, -1};  // -1: never set
  std::array<std::int64_t, 6> counts_{-1, -1, -1, -1, -1, -1};
  std::array<std::string, 5> texts_;
  std::int32_t countdown_ = -1;
  std::array<int, 3> repaints_{};
};

}  // namespace testing_support
