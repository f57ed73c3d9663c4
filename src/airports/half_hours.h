#pragma once

// The text forms of a half-hour set and the slot lists that a parking grows by. Any thread; the
// warnings go to the log.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airports/stand_records.h"

namespace orv {

// "a:b" sets the slots a to b; any other text is a list "a,b,c" of single slots. Never throws:
// a faulty range gives the empty set, a faulty list entry is skipped, each with a warning.
[[nodiscard]] HalfHourSet gf_hours2bitset(std::string_view text);

// The slot 0..47 at the start of the trimmed token; the warning
// "operator () invalid hour '{token}' in {text}" and nothing otherwise.
[[nodiscard]] std::optional<std::uint32_t> lf_parseHalfHour(std::string_view token, std::string_view text);

// The "hh" text of a stand file: "a" or "a:b" for a set without a gap, the ascending slots
// joined by ',' for one with a gap, nothing for the empty set.
[[nodiscard]] std::optional<std::string> lf_rangeText(const HalfHourSet& hours);

// Every slot in ascending order joined by ','; nothing for the empty set. For log lines.
[[nodiscard]] std::optional<std::string> gf_bitsetToHours(const HalfHourSet& hours);

// start, start-1, ... (count entries), going from 0 to 47 of the day before.
[[nodiscard]] std::vector<std::uint32_t> gf_halfHourSlots(std::uint32_t start, std::uint32_t count);
void gf_appendSlotsBackwards(std::vector<std::uint32_t>& slots, std::uint32_t count, std::uint32_t start);

}  // namespace orv
