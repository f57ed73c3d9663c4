#pragma once

// Fixed-length airport and airline codes: N upper-case ASCII letters or digits, no terminator.

#include <array>
#include <compare>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orv {

// Throws std::invalid_argument "FixedCode: invalid string (length/charset)".
[[noreturn]] void gf_throwFixedCodeError();

template <std::size_t N>
class FixedCode {
 public:
  // Exactly N characters; a to z are folded to upper case, and every character must then be
  // A to Z or 0 to 9. The length is checked first, then each character from the first.
  explicit FixedCode(std::string_view text) {
    if (!isValid(text)) gf_throwFixedCodeError();
    for (std::size_t i = 0; i < N; ++i) bytes_[i] = folded(text[i]);
  }

  // Whether the constructor would take the text.
  [[nodiscard]] static bool isValid(std::string_view text) {
    if (text.size() != N) return false;
    for (char c : text) {
      c = folded(c);
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
  }

  [[nodiscard]] std::string_view view() const { return {bytes_.data(), N}; }
  [[nodiscard]] std::string str() const { return std::string(view()); }

  // Every byte is ASCII, so the order of the bytes is the order of the characters.
  auto operator<=>(const FixedCode&) const = default;

 private:
  static char folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

  std::array<char, N> bytes_{};
};

using IcaoCode = FixedCode<4>;
using IataCode = FixedCode<3>;

}  // namespace orv

template <std::size_t N>
struct std::hash<orv::FixedCode<N>> {
  std::size_t operator()(const orv::FixedCode<N>& code) const noexcept {
    return std::hash<std::string_view>{}(code.view());
  }
};
