#include <gtest/gtest.h>

#include <limits>

#include "foundation/time_text.h"
#include "platform/os/clock.h"
#include "support/foundation_state.h"

namespace {

constexpr std::time_t kWed2026 = 1796803213;  // Wed Dec 09 08:00:13 2026, the fake clock's start

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using TimeFunctions = testing_support::FreshFoundationTest;

TEST_F(TimeFunctions, DateTexts) {
  EXPECT_EQ(orv::gf_dateTextOf(kWed2026), "Dec 09, 2026");
  EXPECT_EQ(orv::gf_dateTextOf(1759276800), "Okt 01, 2025");
  EXPECT_EQ(orv::gf_dateTextOf(1709164800), "Feb 29, 2024");
  os::FakeClock fake;
  os::ScopedClock scoped(fake);
  EXPECT_EQ(orv::gf_dateText(), "Dec 09, 2026");
}

TEST_F(TimeFunctions, ATimeThatCannotBeBrokenDownGivesPlaceholdersNotExceptions) {
  const std::time_t bad = std::numeric_limits<std::time_t>::max();
  EXPECT_EQ(orv::gf_dateTextOf(bad), "Invalid time");
  EXPECT_EQ(orv::gf_hmsText(bad), "Invalid time");
  EXPECT_EQ(orv::gf_weekdayAndSlotOf(bad), (orv::WeekdayAndSlot{-1, -1}));
}

TEST_F(TimeFunctions, WeekdayAndHalfHourSlot) {
  struct Case {
    std::time_t time;
    orv::WeekdayAndSlot expected;
  };
  // 2026-12-07 is a Monday.
  constexpr std::time_t kMonday = 1796601600;
  const Case cases[] = {
      {kMonday, {1, 0}},
      {kMonday + 10 * 3600 + 29 * 60 + 29, {1, 20}},
      {kMonday + 10 * 3600 + 29 * 60 + 30, {1, 21}},
      {kMonday + 10 * 3600 + 59 * 60 + 59, {1, 21}},
      {kMonday + 23 * 3600 + 59 * 60 + 59, {1, 47}},
      {kMonday + 2 * 86400 + 8 * 3600 + 13, {3, 16}},  // the fake clock's Wednesday
      {kMonday + 6 * 86400 + 12 * 3600, {7, 24}},      // Sunday
      {0, {4, 0}},                                     // a Thursday
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(orv::gf_timeText(c.time));
    EXPECT_EQ(orv::gf_weekdayAndSlotOf(c.time), c.expected);
  }
}

TEST_F(TimeFunctions, NowOfTheLiveDataFollowsAProfessionalPeersDataTime) {
  os::FakeClock fake;
  os::ScopedClock scoped(fake);
  const double dataTime = 1796601600.0 + 6 * 86400 + 12 * 3600 + 0.9;  // Sunday 12:00:00.9

  // A data time alone does not count: the peer must be the professional edition.
  orv::gf_setLatestDataTime(dataTime);
  EXPECT_EQ(orv::gf_dataNowHms(), "08:00:13");
  EXPECT_EQ(orv::gf_weekdayAndSlot(), (orv::WeekdayAndSlot{3, 16}));

  orv::gf_setProfessionalPeer(true);
  EXPECT_EQ(orv::gf_dataNow(), static_cast<std::time_t>(1796601600 + 6 * 86400 + 12 * 3600));
  EXPECT_EQ(orv::gf_dataNowHms(), "12:00:00");
  EXPECT_EQ(orv::gf_weekdayAndSlot(), (orv::WeekdayAndSlot{7, 24}));

  // No data time yet, or one that is no time at all: the clock.
  for (const double none :
       {0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
    orv::gf_setLatestDataTime(none);
    EXPECT_EQ(orv::gf_dataNowHms(), "08:00:13");
  }
}

}  // namespace
