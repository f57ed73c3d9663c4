#include "platform/os/installer_rights.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <shlobj.h>

#include <optional>
#include <string>

namespace os {
namespace {

std::optional<std::wstring> lf_knownFolder(const KNOWNFOLDERID& id) {
  PWSTR text = nullptr;
  std::optional<std::wstring> folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text)) && text)
    folder = std::wstring(text);
  CoTaskMemFree(text);
  return folder;
}

}  // namespace

bool isSharedProgramFolder(const std::filesystem::path& folder) {
  const std::wstring& text = folder.native();
  for (const KNOWNFOLDERID* id : {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86}) {
    const auto programFiles = lf_knownFolder(*id);
    if (programFiles && !programFiles->empty() && text.starts_with(*programFiles)) return true;
  }
  return false;
}

bool canWriteNewFile(const std::filesystem::path& probe) {
  // The system removes the file when the handle closes.
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const char byte = 'x';
  DWORD written = 0;
  const bool ok = WriteFile(file, &byte, 1, &written, nullptr) && written == 1;
  CloseHandle(file);
  return ok;
}

bool processIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool queried = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  CloseHandle(token);
  return queried && elevation.TokenIsElevated != 0;
}

}  // namespace os
