#include "platform/os/known_folders.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <shlobj.h>

namespace os {
namespace {

const KNOWNFOLDERID& lf_id(KnownFolder folder) {
  return folder == KnownFolder::RoamingAppData ? FOLDERID_RoamingAppData : FOLDERID_LocalAppData;
}

}  // namespace

std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder) {
  const KNOWNFOLDERID& id = lf_id(folder);
  PWSTR text = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text);
  std::optional<std::filesystem::path> path;
  if (SUCCEEDED(result) && text) path = std::filesystem::path(text);
  // The text is the caller's to free, even when the call failed.
  CoTaskMemFree(text);
  return path;
}

// The user's redirection of the folder, where the shell looks first. (SHSetKnownFolderPath writes
// the same values, but Wine does not have it.)
bool setKnownFolderPath(KnownFolder folder, const std::filesystem::path& path) {
  const wchar_t* name = folder == KnownFolder::RoamingAppData ? L"AppData" : L"Local AppData";
  const std::wstring& text = path.native();
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetKeyValueW(HKEY_CURRENT_USER,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", name,
                         REG_EXPAND_SZ, text.c_str(), bytes) == ERROR_SUCCESS;
}

}  // namespace os
