#include "platform/os/single_instance.h"

#include <windows.h>

#include "platform/os/win/wide_text.h"

namespace os {

std::optional<SingleInstance> SingleInstance::acquire(std::string_view name) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, win::wide(name).c_str());
  if (!mutex) return std::nullopt;
  // Another process made the mutex first: the name is taken while that process holds its handle.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return std::nullopt;
  }
  return SingleInstance(reinterpret_cast<Handle>(mutex));
}

void SingleInstance::release(Handle handle) {
  if (handle != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace os
