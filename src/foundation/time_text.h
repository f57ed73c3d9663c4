#pragma once

// UTC time texts.

#include <ctime>
#include <optional>
#include <string>

namespace orv {

// "Wed Dec 09 08:00:13 2026"; "Invalid time" when the time cannot be broken down.
[[nodiscard]] std::string gf_timeText(std::time_t time);

// "08:00:13": the time of day now.
[[nodiscard]] std::string gf_nowHms();

// The current UTC time from the process clock.
[[nodiscard]] std::time_t gf_utcNow();

// The broken-down UTC time, or nothing when it cannot be broken down.
[[nodiscard]] std::optional<std::tm> gf_brokenDownUtc(std::time_t time);

}  // namespace orv
