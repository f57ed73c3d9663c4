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
  template <typename T, std::size_t N>
  static std::array<T, N> lf_unset(T value) {
    std::array<T, N> all;
    all.fill(value);
    return all;
  }

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
  void setFlag(orv::WindowFlag flag, bool value) override {
    std::scoped_lock lock(mutex_);
    flags_[static_cast<std::size_t>(flag)] = value ? 1 : 0;
  }
  void setValue(orv::WindowValue value, double number) override {
    std::scoped_lock lock(mutex_);
    values_[static_cast<std::size_t>(value)] = number;
  }
  void setCallsigns(std::vector<std::string> callsigns) override {
    std::scoped_lock lock(mutex_);
    callsigns_ = std::move(callsigns);
  }
  void setParkingControls(bool enabled) override {
    std::scoped_lock lock(mutex_);
    parkingControls_ = enabled ? 1 : 0;
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
    flags_.fill(-1);
    values_.fill(-2.0);
    callsigns_.clear();
    parkingControls_ = -1;
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
  // -1: never set, else 0 or 1.
  [[nodiscard]] int flag(orv::WindowFlag flag) const {
    std::scoped_lock lock(mutex_);
    return flags_[static_cast<std::size_t>(flag)];
  }
  // -2: never set.
  [[nodiscard]] double value(orv::WindowValue value) const {
    std::scoped_lock lock(mutex_);
    return values_[static_cast<std::size_t>(value)];
  }
  [[nodiscard]] std::vector<std::string> callsigns() const {
    std::scoped_lock lock(mutex_);
    return callsigns_;
  }
  // -1: never set, else 0 (disabled) or 1.
  [[nodiscard]] int parkingControls() const {
    std::scoped_lock lock(mutex_);
    return parkingControls_;
  }
  [[nodiscard]] int repaints(orv::WindowBand band) const {
    std::scoped_lock lock(mutex_);
    return repaints_[static_cast<std::size_t>(band)];
  }

 private:
  mutable std::mutex mutex_;
  std::array<std::int32_t, orv::kWindowLampCount> lamps_{-1, -1, -1, -1, -1, -1, -1};  // -1: never set
  std::array<std::int64_t, orv::kWindowCountCount> counts_ =
      lf_unset<std::int64_t, orv::kWindowCountCount>(-1);
  std::array<std::string, orv::kWindowTextCount> texts_;
  std::array<int, orv::kWindowFlagCount> flags_{-1, -1, -1, -1, -1};
  std::array<double, orv::kWindowValueCount> values_{-2.0, -2.0};
  std::vector<std::string> callsigns_;
  int parkingControls_ = -1;
  std::int32_t countdown_ = -1;
  std::array<int, 3> repaints_{};
};

}  // namespace testing_support
