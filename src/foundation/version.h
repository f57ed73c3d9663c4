#pragma once

// Version triples and their texts. Any thread.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/program.h"

namespace orv {

struct Version {
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::int32_t patch = 0;
  // Major first, then minor, then patch.
  auto operator<=>(const Version&) const = default;
};

inline constexpr Version kProgramVersion{kVersionMajor, kVersionMinor, kVersionPatch};

// "a.b.c" as a whole, or (trimmed) a JSON object with the integers "major", "minor" and "patch".
// Throws std::runtime_error "parse error in version string" for a number too large, the JSON
// library's errors for a bad object, and "invalid version format" for everything else.
[[nodiscard]] Version gf_parseVersion(std::string_view text);

// "{}.{}.{}".
[[nodiscard]] std::string gf_versionText(const Version& version);

}  // namespace orv
