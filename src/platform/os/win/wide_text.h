#pragma once

// The program's texts are UTF-8; the system's wide calls take UTF-16. Both conversions replace
// what is not well-formed, as the system's own converter does without its strict flag, so that a
// stray byte never loses a whole argument or path.

#include <string>
#include <string_view>

namespace os::win {

[[nodiscard]] std::wstring wide(std::string_view utf8);
[[nodiscard]] std::string utf8(std::wstring_view wide);

}  // namespace os::win
