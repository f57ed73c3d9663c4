#include "platform/os/clock.h"

#include <thread>

namespace os {
namespace {

class RealClock final : public Clock {
 public:
  SteadyTime now() const override { return SteadyClock::now(); }
  SystemTime utcNow() const override { return std::chrono::system_clock::now(); }
  void sleepUntil(SteadyTime deadline) override { std::this_thread::sleep_until(deadline); }
};

RealClock realClock;
std::atomic<Clock*> current{&realClock};

// The fake steady clock starts far from the real epoch so that code subtracting durations from
// "now" never meets a negative time point.
constexpr SteadyTime fakeSteadyStart{std::chrono::hours{24 * 365}};

}  // namespace

Clock& clock() {
  return *current.load(std::memory_order_acquire);
}

void setClock(Clock* replacement) {
  current.store(replacement ? replacement : &realClock, std::memory_order_release);
}

FakeClock::FakeClock(SystemTime utcStart) : utcStart_(utcStart) {}

SteadyTime FakeClock::now() const {
  return fakeSteadyStart + SteadyClock::duration{elapsed_.load()};
}

SystemTime FakeClock::utcNow() const {
  return utcStart_ + std::chrono::duration_cast<SystemTime::duration>(SteadyClock::duration{elapsed_.load()});
}

void FakeClock::sleepUntil(SteadyTime deadline) {
  ++sleeps_;
  const SteadyClock::rep target = (deadline - fakeSteadyStart).count();
  SteadyClock::rep seen = elapsed_.load();
  while (seen < target && !elapsed_.compare_exchange_weak(seen, target)) {
  }
  // Let other threads run: a loop that polls a flag set by another thread must not spin alone.
  std::this_thread::yield();
}

void FakeClock::advance(SteadyClock::duration d) {
  elapsed_ += d.count();
}

}  // namespace os
