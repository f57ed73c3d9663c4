#include "platform/os/file_copy.h"

#include <windows.h>

namespace os {

bool copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::error_code& ec) {
  ec.clear();
  if (CopyFileW(from.c_str(), to.c_str(), FALSE)) return true;
  ec.assign(static_cast<int>(GetLastError()), std::system_category());
  return false;
}

}  // namespace os
