#pragma once

#include <string>
#include <string_view>

namespace os {

// Bytes in the system's ANSI code page as UTF-16, for text files written without a charset mark.
// Windows: the active code page (MultiByteToWideChar with CP_ACP), sized first with the flag that
// refuses invalid characters and, when that fails, without it; empty when no size can be found.
// POSIX systems have no ANSI code page: there it is Windows-1252, the code page of the Western
// Windows machines such files come from. Every byte then has a character: the five bytes the code
// page leaves out stand for the control characters of the same number.
[[nodiscard]] std::u16string ansiToUtf16(std::string_view text);

}  // namespace os
