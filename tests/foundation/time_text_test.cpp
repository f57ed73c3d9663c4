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

TEST(WeekTime, HalfHoursCountBackAcrossMidnightAndTheWeek) {
  struct Row {
    orv::WeekdayAndSlot now;
    std::uint32_t back;
    orv::WeekdayAndSlot then;
  } const rows[] = {
      {{1, 1}, 3, {7, 46}},   {{3, 20}, 0, {3, 20}},   {{3, 20}, 20, {3, 0}},
      {{3, 20}, 21, {2, 47}}, {{7, 47}, 336, {7, 47}}, {{2, 0}, 335, {2, 1}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(orv::gf_halfHoursBefore(row.now, row.back), row.then) << row.now.weekday << "/" << row.now.slot;
    EXPECT_EQ(orv::gf_halfHoursSince(row.now, row.then), row.back % 336);
  }
}

}  // namespace
