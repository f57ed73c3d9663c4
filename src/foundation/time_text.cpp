#include "foundation/time_text.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/os/clock.h"
#include "platform/os/utc_time.h"

namespace orv {
namespace {

// tm_wday counts from Sunday.
constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
constexpr std::string_view kInvalidTime = "Invalid time";

template <std::size_t N>
std::string_view nameOf(const std::array<std::string_view, N>& names, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)] : "???";
}

// Written by the RealTraffic link's threads, read by the main cycle and the log.
std::atomic<bool> professionalPeer{false};
std::atomic<double> latestDataTime{0.0};

}  // namespace

std::optional<std::tm> gf_brokenDownUtc(std::time_t time) {
  return os::brokenDownUtc(time);
}

std::string gf_timeText(std::time_t time) {
  const auto tm = gf_brokenDownUtc(time);
  if (!tm) return std::string(kInvalidTime);
  return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", nameOf(kWeekdays, tm->tm_wday),
                     nameOf(kMonths, tm->tm_mon), tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec,
                     tm->tm_year + 1900);
}

std::string gf_hmsText(std::time_t time) {
  const auto tm = gf_brokenDownUtc(time);
  if (!tm) return std::string(kInvalidTime);
  return fmt::format("{:02}:{:02}:{:02}", tm->tm_hour, tm->tm_min, tm->tm_sec);
}

std::string gf_nowHms() {
  return gf_hmsText(gf_utcNow());
}

std::string gf_dateTextOf(std::time_t time) {
  const auto tm = gf_brokenDownUtc(time);
  if (!tm) return std::string(kInvalidTime);
  return fmt::format("{:3} {:02}, {:4}", nameOf(kMonths, tm->tm_mon), tm->tm_mday, tm->tm_year + 1900);
}

std::string gf_dateText() {
  return gf_dateTextOf(gf_utcNow());
}

std::time_t gf_utcNow() {
  return std::chrono::system_clock::to_time_t(os::clock().utcNow());
}

void gf_setProfessionalPeer(bool professional) {
  professionalPeer = professional;
}
bool gf_professionalPeer() {
  return professionalPeer;
}
void gf_setLatestDataTime(double secondsSince1970) {
  latestDataTime = secondsSince1970;
}
double gf_latestDataTime() {
  return latestDataTime;
}

std::time_t gf_dataNow() {
  if (professionalPeer) {
    const double data = latestDataTime;
    // A value that is no time at all (not finite, beyond time_t) counts as "none received".
    constexpr auto kLimit = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 2);
    if (data != 0.0 && std::isfinite(data) && std::fabs(data) < kLimit) return static_cast<std::time_t>(data);
  }
  return gf_utcNow();
}

std::string gf_dataNowHms() {
  return gf_hmsText(gf_dataNow());
}

WeekdayAndSlot gf_weekdayAndSlotOf(std::time_t time) {
  const auto tm = gf_brokenDownUtc(time);
  if (!tm) return {};
  const int weekday = tm->tm_wday == 0 ? 7 : tm->tm_wday;
  const int lateHalf = tm->tm_min * 60 + tm->tm_sec >= 29 * 60 + 30 ? 1 : 0;
  return {weekday, (2 * tm->tm_hour + lateHalf) % 48};
}

WeekdayAndSlot gf_weekdayAndSlot() {
  return gf_weekdayAndSlotOf(gf_dataNow());
}

namespace {
constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kSlotsPerWeek = 7 * kSlotsPerDay;

std::int32_t lf_weekSlot(WeekdayAndSlot t) {
  return (t.weekday - 1) * kSlotsPerDay + t.slot;
}

std::int32_t lf_wrapWeek(std::int32_t slots) {
  return (slots % kSlotsPerWeek + kSlotsPerWeek) % kSlotsPerWeek;
}
}  // namespace

WeekdayAndSlot gf_halfHoursBefore(WeekdayAndSlot now, std::uint32_t halfHours) {
  const std::int32_t t = lf_wrapWeek(lf_weekSlot(now) - static_cast<std::int32_t>(halfHours % kSlotsPerWeek));
  return {t / kSlotsPerDay + 1, t % kSlotsPerDay};
}

std::uint32_t gf_halfHoursSince(WeekdayAndSlot now, WeekdayAndSlot since) {
  return static_cast<std::uint32_t>(lf_wrapWeek(lf_weekSlot(now) - lf_weekSlot(since)));
}

namespace {
// Both values in one word, so that a reader never sees the weekday of one update with the slot
// of another.
std::atomic<std::uint64_t> currentSlot{~std::uint64_t{0}};
}  // namespace

void gf_updateCurrentSlot() {
  const WeekdayAndSlot now = gf_weekdayAndSlot();
  currentSlot = static_cast<std::uint64_t>(static_cast<std::uint32_t>(now.weekday)) << 32 |
                static_cast<std::uint32_t>(now.slot);
}

WeekdayAndSlot gf_currentSlot() {
  const std::uint64_t packed = currentSlot.load();
  return {static_cast<int>(static_cast<std::uint32_t>(packed >> 32)),
          static_cast<int>(static_cast<std::uint32_t>(packed))};
}

}  // namespace orv
