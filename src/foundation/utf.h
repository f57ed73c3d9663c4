#pragma once

// Strict conversions between UTF-8, the program's text, and UTF-16, the text of the window
// layer. Both refuse what is not well-formed instead of replacing it. Any thread.

#include <filesystem>
#include <string>
#include <string_view>

namespace orv {

// Throws std::runtime_error "wide_to_utf8: invalid UTF-16" on an unpaired surrogate.
[[nodiscard]] std::string wide_to_utf8(std::u16string_view text);

// Throws std::runtime_error "utf8_to_wide: invalid UTF-8" on stray continuation bytes, truncated
// sequences, overlong forms, encoded surrogates and values above U+10FFFF.
[[nodiscard]] std::u16string utf8_to_wide(std::string_view text);

// True when the text is well-formed UTF-8 by the same rules as utf8_to_wide.
[[nodiscard]] bool gf_isUtf8(std::string_view text);

// The text with every byte that is not part of a well-formed UTF-8 character written as "\xNN"
// (two lower-case hexadecimal digits): the result is always UTF-8. Well-formed text stays as it is.
[[nodiscard]] std::string gf_escapeInvalidUtf8(std::string_view text);

// The text of a path for log lines and messages. Paths are bytes here, by convention UTF-8.
[[nodiscard]] std::string gf_pathToUtf8(const std::filesystem::path& path);

}  // namespace orv
