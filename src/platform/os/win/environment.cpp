#include "platform/os/environment.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <stdlib.h>

#include "platform/os/win/wide_text.h"

namespace os {

// The system's environment is the one that counts (children inherit it, and it can hold an empty
// value); the C runtime's copy, which std::getenv reads, follows every change.

std::optional<std::string> environmentVariable(const std::string& name) {
  const std::wstring wideName = win::wide(name);
  SetLastError(ERROR_SUCCESS);
  const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
  if (length >= needed) return std::nullopt;  // changed under us
  value.resize(length);
  return win::utf8(value);
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  const std::wstring wideName = win::wide(name);
  const std::wstring wideValue = win::wide(value);
  // The runtime cannot hold an empty value: it removes its copy then.
  _wputenv_s(wideName.c_str(), wideValue.c_str());
  SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
}

void removeEnvironmentVariable(const std::string& name) {
  const std::wstring wideName = win::wide(name);
  _wputenv_s(wideName.c_str(), L"");
  SetEnvironmentVariableW(wideName.c_str(), nullptr);
}

}  // namespace os
