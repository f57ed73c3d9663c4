#pragma once

// What the stand-in's journal lines hold beyond their time and kind: the names of the calls, the
// position of an object, and the pacing of lines that a client would repeat many times a second.
// Inside the stand-in only.

#include <chrono>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>

#include "standin/stand_in.h"

namespace orv::standin {

using Entry = nlohmann::ordered_json;

// The journal's "call" of each call.
[[nodiscard]] std::string_view callName(Call call);
// "lat", "lon", "alt_ft", "heading_deg", "pitch_deg", "bank_deg", "on_ground".
[[nodiscard]] Entry positionFields(const SimObject& o);

// At most one line per key and second of the stand-in's time.
class OncePerSecond {
 public:
  // Whether a line for the key is due at the time; a due line counts as written.
  [[nodiscard]] bool due(std::uint32_t key, std::chrono::milliseconds now);
  void forget(std::uint32_t key) { lastSecond_.erase(key); }
  void clear() { lastSecond_.clear(); }

 private:
  std::map<std::uint32_t, std::int64_t> lastSecond_;
};

}  // namespace orv::standin
