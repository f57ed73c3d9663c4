#include "platform/os/file_copy.h"

#include <windows.h>

#include "platform/os/win/system_error.h"

namespace os {

bool copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::error_code& ec) {
  ec.clear();
  if (CopyFileW(from.c_str(), to.c_str(), FALSE)) return true;
  ec = win::lastSystemError();
  return false;
}

}  // namespace os
