#pragma once

// The planning half of quillstar-replay: which line goes out when, and with which timestamp.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace replay {

// The timestamp field of a traffic line (index 14), in seconds; empty when the line has none.
[[nodiscard]] std::optional<double> timestampOf(std::string_view line);

// The line with its timestamp field replaced; lines without one come back unchanged.
[[nodiscard]] std::string withTimestamp(std::string_view line, double seconds);

struct Pacing {
  double speed = 1.0;                    // by timestamps, this many times faster than recorded
  std::optional<double> linesPerSecond;  // at a fixed rate instead
};

struct PlannedLine {
  std::chrono::milliseconds due{0};  // after the start of the replay
  std::string text;                  // as sent
};

// Plans the sending of the lines. By timestamps, each line is due at (t - t0) / speed after the
// start, never before the line ahead of it. The timestamps are moved so that the first is `now`
// while their spacing stays as recorded: receivers that want timestamps of one aircraft to be
// more than a second apart still get them, whatever the speed.
[[nodiscard]] std::vector<PlannedLine> plan(const std::vector<std::string>& lines, const Pacing& pacing,
                                            std::optional<double> now);

}  // namespace replay
