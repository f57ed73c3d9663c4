#include "foundation/time_text.h"

#include <fmt/format.h>

#include <array>
#include <chrono>
#include <string_view>

#include "platform/os/clock.h"

namespace orv {
namespace {

// tm_wday counts from Sunday.
constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};

template <std::size_t N>
std::string_view nameOf(const std::array<std::string_view, N>& names, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)] : "???";
}

}  // namespace

std::optional<std::tm> gf_brokenDownUtc(std::time_t time) {
  std::tm tm{};
  if (!gmtime_r(&time, &tm)) return std::nullopt;
  return tm;
}

std::string gf_timeText(std::time_t time) {
  const auto tm = gf_brokenDownUtc(time);
  if (!tm) return "Invalid time";
  return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", nameOf(kWeekdays, tm->tm_wday),
                     nameOf(kMonths, tm->tm_mon), tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec,
                     tm->tm_year + 1900);
}

std::string gf_nowHms() {
  const auto tm = gf_brokenDownUtc(gf_utcNow());
  if (!tm) return "Invalid time";
  return fmt::format("{:02}:{:02}:{:02}", tm->tm_hour, tm->tm_min, tm->tm_sec);
}

std::time_t gf_utcNow() { return std::chrono::system_clock::to_time_t(os::clock().utcNow()); }

}  // namespace orv
