#include "airports/half_hours.h"

#include <fmt/format.h>

#include <charconv>

#include "foundation/log.h"
#include "foundation/text.h"

namespace orv {
namespace {

constexpr std::string_view kHoursName = "gf_hours2bitset";

// The pieces between the delimiters, empty ones kept, each trimmed.
std::vector<std::string> lf_tokens(std::string_view text, char delimiter) {
  std::vector<std::string> tokens;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = text.find(delimiter, from);
    tokens.push_back(
        gf_trim(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from)));
    if (at == std::string_view::npos) break;
    from = at + 1;
  }
  return tokens;
}

}  // namespace

std::optional<std::uint32_t> lf_parseHalfHour(std::string_view token, std::string_view text) {
  const std::string trimmed = gf_trim(token);
  long long value = -1;
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  // from_chars rather than a throwing conversion: an overflowing number is just an invalid hour.
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc() && end != first && value >= 0 && value < static_cast<long long>(kHalfHoursPerDay))
    return static_cast<std::uint32_t>(value);
  gf_logImportant(fmt::format("{} invalid hour '{}' in {}", "operator ()", trimmed, text));
  return std::nullopt;
}

HalfHourSet gf_hours2bitset(std::string_view text) {
  HalfHourSet hours;
  if (text.find(':') != std::string_view::npos) {
    const std::vector<std::string> tokens = lf_tokens(text, ':');
    if (tokens.size() > 2) {
      gf_logImportant(fmt::format("{} more than one colon char in: {}", kHoursName, text));
      return {};
    }
    const auto from = lf_parseHalfHour(tokens[0], text);
    const auto to = lf_parseHalfHour(tokens[1], text);
    if (!from || !to) return {};
    if (*from > *to) {
      gf_logImportant(
          fmt::format("{} descending range not allowed ({}:{} in {})", kHoursName, *from, *to, text));
      return {};
    }
    for (std::uint32_t slot = *from; slot <= *to; ++slot) hours.set(slot);
    return hours;
  }
  for (const std::string& token : lf_tokens(text, ',')) {
    if (const auto slot = lf_parseHalfHour(token, text)) hours.set(*slot);
  }
  return hours;
}

std::optional<std::string> gf_bitsetToHours(const HalfHourSet& hours) {
  if (hours.none()) return std::nullopt;
  std::string text;
  for (std::size_t slot = 0; slot < kHalfHoursPerDay; ++slot) {
    if (!hours.test(slot)) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(slot);
  }
  return text;
}

std::optional<std::string> lf_rangeText(const HalfHourSet& hours) {
  if (hours.none()) return std::nullopt;
  std::size_t lowest = 0;
  while (!hours.test(lowest)) ++lowest;
  std::size_t highest = kHalfHoursPerDay - 1;
  while (!hours.test(highest)) --highest;
  // A set with a gap is written as its list, which the reader takes as well; a mixed "3:5,7"
  // would be read back as one range.
  if (hours.count() != highest - lowest + 1) return gf_bitsetToHours(hours);
  if (lowest == highest) return fmt::format("{}", lowest);
  return fmt::format("{}:{}", lowest, highest);
}

std::vector<std::uint32_t> gf_halfHourSlots(std::uint32_t start, std::uint32_t count) {
  std::vector<std::uint32_t> slots;
  slots.reserve(12);
  gf_appendSlotsBackwards(slots, count, start);
  return slots;
}

void gf_appendSlotsBackwards(std::vector<std::uint32_t>& slots, std::uint32_t count, std::uint32_t start) {
  std::uint32_t slot = start;
  for (std::uint32_t i = 0; i < count; ++i) {
    slots.push_back(slot);
    slot = slot == 0 ? static_cast<std::uint32_t>(kHalfHoursPerDay - 1) : slot - 1;
  }
}

}  // namespace orv
