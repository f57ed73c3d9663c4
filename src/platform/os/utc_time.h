#pragma once

#include <ctime>
#include <optional>

namespace os {

// The calendar fields of a time in UTC; empty when the system cannot show the time (a year
// beyond its range). Any thread.
[[nodiscard]] std::optional<std::tm> brokenDownUtc(std::time_t time);

}  // namespace os
