#include "platform/os/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

TEST(FakeClock, SleepingMovesTimeToTheDeadlineWithoutWaiting) {
  os::FakeClock fake;
  os::ScopedClock scoped(fake);
  const auto realStart = std::chrono::steady_clock::now();
  const auto start = os::clock().now();
  os::clock().sleepFor(15s);
  os::clock().sleepUntil(start + 5s);  // a deadline in the past leaves the time alone
  EXPECT_EQ(os::clock().now() - start, 15s);
  EXPECT_EQ(fake.sleeps(), 2);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, 1s);
}

TEST(FakeClock, UtcTimeFollowsTheSteadyTime) {
  os::FakeClock fake(os::SystemTime{std::chrono::seconds{1000}});
  fake.advance(90s);
  EXPECT_EQ(fake.utcNow(), os::SystemTime{std::chrono::seconds{1090}});
}

TEST(Clock, RealTimeIsBackAfterTheScope) {
  {
    os::FakeClock fake;
    os::ScopedClock scoped(fake);
    EXPECT_EQ(&os::clock(), &fake);
  }
  const auto before = std::chrono::steady_clock::now();
  const auto now = os::clock().now();
  EXPECT_LE(before, now);
  EXPECT_LT(now - before, 1s);  // the fake clock starts a year after the steady clock's epoch
}

}  // namespace
