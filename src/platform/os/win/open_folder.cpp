#include "platform/os/open_folder.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <shellapi.h>

namespace os {

bool openFolder(const std::filesystem::path& folder) {
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are the call's error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace os
