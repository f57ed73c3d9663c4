#include "foundation/version.h"

#include <fmt/format.h>

#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "foundation/text.h"

namespace orv {
namespace {

bool lf_isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The end of the run of digits from `pos`.
std::size_t lf_digitsEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && lf_isDigit(text[pos])) ++pos;
  return pos;
}

// Three runs of digits separated by single dots, and nothing else; false for a text of another
// shape. A number too large for 32 bits throws. Hand-written and linear, whatever the length: the
// text may come from a damaged file.
bool lf_dotted(std::string_view text, Version& version) {
  std::string_view runs[3];
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    const std::size_t end = lf_digitsEnd(text, pos);
    if (end == pos) return false;
    runs[i] = text.substr(pos, end - pos);
    pos = end;
  }
  if (pos != text.size()) return false;
  std::int32_t* parts[3] = {&version.major, &version.minor, &version.patch};
  for (int i = 0; i < 3; ++i) {
    const char* last = runs[i].data() + runs[i].size();
    const auto [end, ec] = std::from_chars(runs[i].data(), last, *parts[i]);
    if (ec != std::errc{} || end != last) throw std::runtime_error("parse error in version string");
  }
  return true;
}

}  // namespace

std::optional<std::int32_t> gf_versionNumber(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    const auto n = value.get<std::uint64_t>();
    if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
    return static_cast<std::int32_t>(n);
  }
  if (value.is_number_integer()) {
    const auto n = value.get<std::int64_t>();
    if (n < 0 || n > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(n);
  }
  return std::nullopt;  // floats (1e10, 11.5), texts, null, arrays, objects
}

std::optional<Version> gf_versionFromJson(const nlohmann::json& object) {
  if (!object.is_object()) return std::nullopt;
  Version version;
  const std::pair<const char*, std::int32_t*> parts[3] = {
      {"major", &version.major}, {"minor", &version.minor}, {"patch", &version.patch}};
  for (const auto& [name, part] : parts) {
    const auto member = object.find(name);
    if (member == object.end()) return std::nullopt;
    const auto number = gf_versionNumber(*member);
    if (!number) return std::nullopt;
    *part = *number;
  }
  return version;
}

Version gf_parseVersion(std::string_view text) {
  Version version;
  if (lf_dotted(text, version)) return version;
  const std::string trimmed = gf_trim(text);
  if (!trimmed.empty() && trimmed.front() == '{') {
    const nlohmann::json json = nlohmann::json::parse(trimmed);
    if (json.is_object()) {
      for (const char* name : {"major", "minor", "patch"}) (void)json.at(name);  // missing: out_of_range
      if (const auto parsed = gf_versionFromJson(json)) return *parsed;
      throw std::runtime_error("parse error in version string");
    }
  }
  throw std::runtime_error("invalid version format");
}

std::string gf_versionText(const Version& version) {
  return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

}  // namespace orv
