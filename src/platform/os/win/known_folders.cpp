#include "platform/os/known_folders.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <shlobj.h>

namespace os {

std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder) {
  const KNOWNFOLDERID& id =
      folder == KnownFolder::RoamingAppData ? FOLDERID_RoamingAppData : FOLDERID_LocalAppData;
  PWSTR text = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text);
  std::optional<std::filesystem::path> path;
  if (SUCCEEDED(result) && text) path = std::filesystem::path(text);
  // The text is the caller's to free, even when the call failed.
  CoTaskMemFree(text);
  return path;
}

}  // namespace os
