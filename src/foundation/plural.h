#pragma once

// The plural suffix behind a counted word: fmt::format("{} file{}", n, gf_plural(n)).

#include <concepts>
#include <string_view>
#include <type_traits>

namespace orv {

inline constexpr std::string_view kPluralSuffix = "s";

// Signed counts: "s" for 0 and above 1; nothing for 1 and for negative counts.
template <std::signed_integral T>
[[nodiscard]] constexpr std::string_view gf_plural(T count) {
  return count == 0 || count > 1 ? kPluralSuffix : std::string_view{};
}

// Unsigned counts: "s" for everything but 1.
template <std::unsigned_integral T>
requires(!std::same_as<T, bool>) [[nodiscard]] constexpr std::string_view gf_plural(T count) {
  return count != 1 ? kPluralSuffix : std::string_view{};
}

}  // namespace orv
