#pragma once

// UTC time texts, the half-hour slot of the week, and the "now" of the live traffic data.

#include <ctime>
#include <optional>
#include <string>

namespace orv {

// "Wed Dec 09 08:00:13 2026"; "Invalid time" when the time cannot be broken down.
[[nodiscard]] std::string gf_timeText(std::time_t time);

// "08:00:13": the time of day; "Invalid time" when the time cannot be broken down.
[[nodiscard]] std::string gf_hmsText(std::time_t time);
// The time of day now.
[[nodiscard]] std::string gf_nowHms();

// "Dec 09, 2026": the date of a time, and of today.
[[nodiscard]] std::string gf_dateTextOf(std::time_t time);
[[nodiscard]] std::string gf_dateText();

// The current UTC time from the process clock.
[[nodiscard]] std::time_t gf_utcNow();

// The broken-down UTC time, or nothing when it cannot be broken down.
[[nodiscard]] std::optional<std::tm> gf_brokenDownUtc(std::time_t time);

// What the RealTraffic link learns, for the "now" of the live data: whether the peer is the
// professional edition, and the time of its latest traffic data in seconds since 1970 (0 while
// none came). The link's threads set them; any thread reads them.
void gf_setProfessionalPeer(bool professional);
[[nodiscard]] bool gf_professionalPeer();
void gf_setLatestDataTime(double secondsSince1970);
[[nodiscard]] double gf_latestDataTime();

// "Now" as the live traffic sees it: the latest data time (truncated to whole seconds) when the
// peer is the professional edition and a data time was received, else the current time.
[[nodiscard]] std::time_t gf_dataNow();
[[nodiscard]] std::string gf_dataNowHms();

// Weekday 1 (Monday) to 7 (Sunday) and half-hour slot 0 to 47 of the day; the slot of hour h is
// 2h, or 2h + 1 from minute 29:30 on. Both -1 when the time cannot be broken down.
struct WeekdayAndSlot {
  int weekday = -1;
  int slot = -1;
  bool operator==(const WeekdayAndSlot&) const = default;
};
[[nodiscard]] WeekdayAndSlot gf_weekdayAndSlotOf(std::time_t time);
// Of gf_dataNow().
[[nodiscard]] WeekdayAndSlot gf_weekdayAndSlot();

// The week time `halfHours` before `now`, across midnight and the end of the week.
[[nodiscard]] WeekdayAndSlot gf_halfHoursBefore(WeekdayAndSlot now, std::uint32_t halfHours);
// The half hours from `since` to `now`, 0 to 335: the week wraps.
[[nodiscard]] std::uint32_t gf_halfHoursSince(WeekdayAndSlot now, WeekdayAndSlot since);

// The run's current weekday and slot: refreshed by the start-up and the main cycle, read by the
// static parking. Any thread.
void gf_updateCurrentSlot();
[[nodiscard]] WeekdayAndSlot gf_currentSlot();

}  // namespace orv
