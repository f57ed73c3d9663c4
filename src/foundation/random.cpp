#include "foundation/random.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace orv {
namespace {

std::mutex optionMutex;
std::function<bool()> optionSource;  // guarded by optionMutex

}  // namespace

void gf_setRandomOption(std::function<bool()> isOn) {
  std::scoped_lock lock(optionMutex);
  optionSource = std::move(isOn);
}

bool gf_randomOptionOn() {
  std::function<bool()> source;
  {
    std::scoped_lock lock(optionMutex);
    source = optionSource;
  }
  return source ? source() : true;
}

std::mt19937& gf_randomEngine() {
  thread_local std::mt19937 engine = [] {
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto threadHash =
        static_cast<std::uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    std::seed_seq seed{static_cast<std::uint32_t>(std::random_device{}()), static_cast<std::uint32_t>(ticks),
                       static_cast<std::uint32_t>(ticks >> 32), threadHash};
    return std::mt19937(seed);
  }();
  return engine;
}

std::size_t gf_randomIndex(std::size_t n) {
  if (n < 2 || !gf_randomOptionOn()) return 0;
  // The standard distribution rejects rather than folds, so no index is favoured.
  return std::uniform_int_distribution<std::size_t>(0, n - 1)(gf_randomEngine());
}

void gf_shuffleIfRandom(std::vector<std::uint16_t>& ids) {
  if (ids.size() < 2 || !gf_randomOptionOn()) return;
  auto& engine = gf_randomEngine();
  // Fisher-Yates from the front.
  for (std::size_t i = 0; i + 1 < ids.size(); ++i) {
    const std::size_t j = std::uniform_int_distribution<std::size_t>(i, ids.size() - 1)(engine);
    std::swap(ids[i], ids[j]);
  }
}

double gf_randomVariation(double value, double percentage) {
  if (percentage <= 0) return value;
  const double delta = value * percentage / 100;
  return (gf_randomEngine()() & 1u) == 0 ? value + delta : value - delta;
}

}  // namespace orv
