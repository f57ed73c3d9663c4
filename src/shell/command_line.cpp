#include "shell/command_line.h"

#include <algorithm>
#include <cctype>

namespace orv {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

bool gf_productionRequested(std::span<const std::string_view> arguments) {
  bool production = false;
  for (std::string_view argument : arguments) {
    if (equalsIgnoringCase(argument, "--production") || equalsIgnoringCase(argument, "/production"))
      production = true;
    else if (equalsIgnoringCase(argument, "--no-production") ||
             equalsIgnoringCase(argument, "/no-production"))
      production = false;
  }
  return production;
}

}  // namespace orv
