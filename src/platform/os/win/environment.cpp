#include "platform/os/environment.h"

#include <stdlib.h>
#include <windows.h>

#include "platform/os/win/wide_text.h"

namespace os {

std::optional<std::string> environmentVariable(const std::string& name) {
  const std::wstring wideName = win::wide(name);
  if (const wchar_t* value = _wgetenv(wideName.c_str())) return win::utf8(value);
  return std::nullopt;
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  // The C runtime refuses an empty value as a way of removing the variable; the system keeps it.
  const std::wstring wideName = win::wide(name);
  if (value.empty()) {
    _wputenv_s(wideName.c_str(), L"");
    SetEnvironmentVariableW(wideName.c_str(), L"");
    return;
  }
  _wputenv_s(wideName.c_str(), win::wide(value).c_str());
}

void removeEnvironmentVariable(const std::string& name) {
  // An empty value removes the variable from the C runtime's copies and from the system's.
  _wputenv_s(win::wide(name).c_str(), L"");
}

}  // namespace os
