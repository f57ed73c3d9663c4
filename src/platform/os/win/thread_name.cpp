#include "platform/os/thread_name.h"

#include <windows.h>

#include "platform/os/win/wide_text.h"

namespace os {
namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

// Looked up rather than linked: the function came with Windows 10 (1607), where it was in
// KernelBase.dll only; later systems have it in kernel32.dll. Null on older systems.
SetThreadDescriptionFn lf_setThreadDescription() {
  for (const wchar_t* library : {L"kernel32.dll", L"KernelBase.dll"}) {
    HMODULE module = GetModuleHandleW(library);
    if (!module) continue;
    if (FARPROC found = GetProcAddress(module, "SetThreadDescription"))
      return reinterpret_cast<SetThreadDescriptionFn>(reinterpret_cast<void*>(found));
  }
  return nullptr;
}

}  // namespace

void nameThisThread(std::string_view name) {
  static const SetThreadDescriptionFn setDescription = lf_setThreadDescription();
  if (setDescription) setDescription(GetCurrentThread(), win::wide(name).c_str());
}

}  // namespace os
