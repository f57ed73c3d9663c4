#include "platform/os/ansi_code_page.h"

#include <windows.h>

#include <climits>

namespace os {

std::u16string ansiToUtf16(std::string_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(text.size());
  // The strict conversion only sizes the result; a text it refuses is sized without the flag.
  DWORD flags = MB_ERR_INVALID_CHARS;
  int needed = MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) {
    flags = 0;
    needed = MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
  }
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  needed = MultiByteToWideChar(CP_ACP, flags, text.data(), length, wide.data(), needed);
  if (needed <= 0) return {};
  wide.resize(static_cast<std::size_t>(needed));
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace os
