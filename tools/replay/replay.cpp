#include "replay/replay.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

namespace replay {
namespace {

constexpr std::size_t kTimestampField = 14;

// The byte range of field `index`, or nothing when the line has fewer fields.
std::optional<std::pair<std::size_t, std::size_t>> fieldRange(std::string_view line, std::size_t index) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < index; ++i) {
    const auto comma = line.find(',', begin);
    if (comma == std::string_view::npos) return std::nullopt;
    begin = comma + 1;
  }
  const auto end = std::min(line.find(',', begin), line.size());
  return std::pair{begin, end};
}

}  // namespace

std::optional<double> timestampOf(std::string_view line) {
  const auto range = fieldRange(line, kTimestampField);
  if (!range) return std::nullopt;
  double value = 0;
  const char* first = line.data() + range->first;
  const char* last = line.data() + range->second;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end == first) return std::nullopt;
  return value;
}

std::string withTimestamp(std::string_view line, double seconds) {
  const auto range = fieldRange(line, kTimestampField);
  if (!range || !timestampOf(line)) return std::string(line);
  std::string out(line.substr(0, range->first));
  out += fmt::format("{:.1f}", seconds);
  out += line.substr(range->second);
  return out;
}

std::vector<PlannedLine> plan(const std::vector<std::string>& lines, const Pacing& pacing,
                              std::optional<double> now) {
  std::vector<PlannedLine> planned;
  std::optional<double> first;
  std::chrono::milliseconds previous{0};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    const auto stamp = timestampOf(line);
    if (stamp && !first) first = stamp;
    std::chrono::milliseconds due = previous;
    if (pacing.linesPerSecond) {
      due = std::chrono::milliseconds{
          static_cast<long long>(1000.0 * static_cast<double>(planned.size()) / *pacing.linesPerSecond)};
    } else if (stamp) {
      due = std::chrono::milliseconds{static_cast<long long>(1000.0 * (*stamp - *first) / pacing.speed)};
    }
    due = std::max(due, previous);
    previous = due;
    std::string text = stamp && now ? withTimestamp(line, *now + (*stamp - *first)) : line;
    planned.push_back(PlannedLine{due, std::move(text)});
  }
  return planned;
}

}  // namespace replay
