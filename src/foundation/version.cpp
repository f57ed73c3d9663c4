#include "foundation/version.h"

#include <fmt/format.h>

#include <charconv>
#include <nlohmann/json.hpp>
#include <regex>
#include <stdexcept>

#include "foundation/text.h"

namespace orv {
namespace {

std::int32_t lf_number(const std::csub_match& group) {
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(group.first, group.second, value);
  if (ec != std::errc{} || end != group.second) throw std::runtime_error("parse error in version string");
  return value;
}

}  // namespace

Version gf_parseVersion(std::string_view text) {
  static const std::regex dotted(R"((\d+)\.(\d+)\.(\d+))");
  std::cmatch groups;
  if (std::regex_match(text.data(), text.data() + text.size(), groups, dotted))
    return Version{lf_number(groups[1]), lf_number(groups[2]), lf_number(groups[3])};
  const std::string trimmed = gf_trim(text);
  if (!trimmed.empty() && trimmed.front() == '{') {
    const nlohmann::json json = nlohmann::json::parse(trimmed);
    if (json.is_object())
      return Version{json.at("major").get<std::int32_t>(), json.at("minor").get<std::int32_t>(),
                     json.at("patch").get<std::int32_t>()};
  }
  throw std::runtime_error("invalid version format");
}

std::string gf_versionText(const Version& version) {
  return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

}  // namespace orv
