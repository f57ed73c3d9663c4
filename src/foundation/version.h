#pragma once

// Version triples and their texts. Any thread.

#include <compare>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
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
// Throws std::runtime_error "parse error in version string" for a number too large or a member
// that is no integer in 0..2^31-1, the JSON library's errors for a bad object or a missing member,
// and "invalid version format" for everything else (also a long or strange text).
[[nodiscard]] Version gf_parseVersion(std::string_view text);

// A JSON version number: an integer in 0..2^31-1, else nothing (1e10, -1, 4294967307, "11", 11.5,
// null are all nothing, never a wrapped or truncated value).
[[nodiscard]] std::optional<std::int32_t> gf_versionNumber(const nlohmann::json& value);

// An object with the numbers "major", "minor" and "patch" as gf_versionNumber takes them; nothing
// when it is no object or one of them is missing or out of range.
[[nodiscard]] std::optional<Version> gf_versionFromJson(const nlohmann::json& object);

// "{}.{}.{}".
[[nodiscard]] std::string gf_versionText(const Version& version);

}  // namespace orv
