#include "foundation/utf.h"

#include <cstdint>
#include <stdexcept>

namespace orv {
namespace {

[[noreturn]] void lf_invalidUtf16() {
  throw std::runtime_error("wide_to_utf8: invalid UTF-16");
}
[[noreturn]] void lf_invalidUtf8() {
  throw std::runtime_error("utf8_to_wide: invalid UTF-8");
}

bool lf_isHighSurrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool lf_isLowSurrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

void lf_appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The length of the well-formed character at i, 0 when the bytes there are none.
std::size_t lf_utf8Length(std::string_view text, std::size_t i) {
  const auto b0 = static_cast<std::uint8_t>(text[i]);
  if (b0 < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80;  // the range of the second byte, narrower after E0, ED, F0 and F4
  std::uint8_t high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // overlong
    if (b0 == 0xED) high = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;   // overlong
    if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<std::uint8_t>(text[i + k]);
    if (k == 1 ? (b < low || b > high) : (b & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

bool gf_isUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = lf_utf8Length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string gf_escapeInvalidUtf8(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = lf_utf8Length(text, i);
    if (length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const auto b = static_cast<std::uint8_t>(text[i++]);
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}

std::string wide_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (lf_isLowSurrogate(u)) lf_invalidUtf16();
    if (lf_isHighSurrogate(u)) {
      if (i + 1 >= text.size() || !lf_isLowSurrogate(text[i + 1])) lf_invalidUtf16();
      u = 0x10000 + ((u - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    }
    lf_appendUtf8(out, u);
  }
  return out;
}

std::u16string utf8_to_wide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<std::uint8_t>(text[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t lowest = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2, cp = b0 & 0x1F, lowest = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3, cp = b0 & 0x0F, lowest = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4, cp = b0 & 0x07, lowest = 0x10000;
    } else {
      lf_invalidUtf8();  // a stray continuation byte, C0, C1 or F5 to FF
    }
    if (text.size() - i < static_cast<std::size_t>(length)) lf_invalidUtf8();
    for (int k = 1; k < length; ++k) {
      const auto b = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
      if ((b & 0xC0) != 0x80) lf_invalidUtf8();
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) lf_invalidUtf8();
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::string gf_pathToUtf8(const std::filesystem::path& path) {
  return path.string();
}

}  // namespace orv
