#pragma once

#include <span>
#include <string_view>

namespace orv {

// "--production" and "/production" ask for a production run, "--no-production" and
// "/no-production" for a normal one, compared without regard to case; the last of them wins and
// other arguments are ignored. The arguments exclude the program's name.
[[nodiscard]] bool gf_productionRequested(std::span<const std::string_view> arguments);

}  // namespace orv
