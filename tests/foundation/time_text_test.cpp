#include "foundation/time_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/os/clock.h"

namespace {

TEST(TimeText, UtcTextWithTheProgramsMonthNames) {
  EXPECT_EQ(orv::gf_timeText(1759276800), "Wed Okt 01 00:00:00 2025");
  EXPECT_EQ(orv::gf_timeText(1796803213), "Wed Dec 09 08:00:13 2026");
  EXPECT_EQ(orv::gf_timeText(0), "Thu Jan 01 00:00:00 1970");
}

TEST(TimeText, ATimeThatCannotBeBrokenDown) {
  EXPECT_EQ(orv::gf_timeText(std::numeric_limits<std::time_t>::max()), "Invalid time");
}

TEST(TimeText, TimeOfDayFromTheProcessClock) {
  os::FakeClock fake;
  os::ScopedClock scoped(fake);
  EXPECT_EQ(orv::gf_nowHms(), "08:00:13");
  fake.advance(std::chrono::minutes{61});
  EXPECT_EQ(orv::gf_nowHms(), "09:01:13");
}

}  // namespace
