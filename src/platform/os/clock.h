#pragma once

#include <atomic>
#include <chrono>

namespace os {

using SteadyClock = std::chrono::steady_clock;
using SteadyTime = SteadyClock::time_point;
using SystemTime = std::chrono::system_clock::time_point;

// Every wait and every "now" of the program goes through the process clock, so that tests can
// replace real time with a fake one that runs as fast as the code under test. Any thread.
class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual SteadyTime now() const = 0;
  [[nodiscard]] virtual SystemTime utcNow() const = 0;
  virtual void sleepUntil(SteadyTime deadline) = 0;
  void sleepFor(SteadyClock::duration d) { sleepUntil(now() + d); }
};

// The process clock: real time unless a test installed another one.
[[nodiscard]] Clock& clock();

// Installs a clock for the whole process; nullptr restores real time. Tests call it before they
// start the threads that use the clock, and restore it after those threads have ended.
void setClock(Clock* replacement);

// A clock that moves only when told to: advance() moves it, and a sleep moves it to the sleeper's
// deadline at once (a sleep never waits for real time). Several sleeping threads thus race the
// clock forward, which suits tests that check sequences and deadlines rather than exact interleavings.
class FakeClock final : public Clock {
 public:
  // Starts at the given UTC time (default Wed Dec 09 08:00:13 2026).
  explicit FakeClock(SystemTime utcStart = SystemTime{std::chrono::seconds{1796803213}});

  [[nodiscard]] SteadyTime now() const override;
  [[nodiscard]] SystemTime utcNow() const override;
  void sleepUntil(SteadyTime deadline) override;

  void advance(SteadyClock::duration d);
  // Sleeps performed so far, for tests that check that a loop waited.
  [[nodiscard]] long sleeps() const { return sleeps_.load(); }

 private:
  SystemTime utcStart_;
  std::atomic<SteadyClock::rep> elapsed_{0};  // since the start, in steady clock ticks
  std::atomic<long> sleeps_{0};
};

// Installs a clock for the lifetime of a scope (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& c) { setClock(&c); }
  ~ScopedClock() { setClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace os
