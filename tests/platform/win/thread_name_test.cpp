#include "platform/os/thread_name.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

namespace {

using GetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PWSTR*);

GetThreadDescriptionFn lf_getThreadDescription() {
  for (const wchar_t* library : {L"kernel32.dll", L"KernelBase.dll"}) {
    if (HMODULE module = GetModuleHandleW(library))
      if (FARPROC found = GetProcAddress(module, "GetThreadDescription"))
        return reinterpret_cast<GetThreadDescriptionFn>(reinterpret_cast<void*>(found));
  }
  return nullptr;
}

TEST(ThreadName, TheThreadDescriptionTakesTheName) {
  const GetThreadDescriptionFn getDescription = lf_getThreadDescription();
  if (!getDescription) GTEST_SKIP() << "this Windows has no thread descriptions";
  std::wstring kept;
  std::thread([&] {
    os::nameThisThread("SimClient \xc3\xa9");  // UTF-8 in, UTF-16 kept
    PWSTR description = nullptr;
    if (SUCCEEDED(getDescription(GetCurrentThread(), &description))) {
      kept = description;
      LocalFree(description);
    }
  }).join();
  EXPECT_EQ(kept, L"SimClient \u00e9");
}

}  // namespace
