#include "platform/os/durable_file.h"

#include <windows.h>

#include "platform/os/win/system_error.h"

namespace os {
bool replaceFileDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                        std::error_code& ec) {
  ec.clear();
  HANDLE file =
      CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ec = win::lastSystemError();
    return false;
  }
  if (!FlushFileBuffers(file)) ec = win::lastSystemError();
  CloseHandle(file);
  if (ec) return false;
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ec = win::lastSystemError();
    return false;
  }
  return true;
}

}  // namespace os
