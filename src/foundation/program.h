#pragma once

#include <string_view>

namespace orv {

inline constexpr std::string_view kProductName = "Quillstar";
inline constexpr std::string_view kShortName = "QLST";
inline constexpr std::string_view kSimsServed = "MSFS 2020/2024";

inline constexpr int kVersionMajor = 11;
inline constexpr int kVersionMinor = 12;
inline constexpr int kVersionPatch = 1;
inline constexpr std::string_view kVersionText = "11.12.1";

// The name that only one running instance may hold.
inline constexpr std::string_view kInstanceName = "Local\\$QLST$";

}  // namespace orv
