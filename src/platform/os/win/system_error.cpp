#include "platform/os/win/system_error.h"

#include <windows.h>

#include <string>

#include "platform/os/win/wide_text.h"

namespace os::win {
namespace {

class SystemCategory final : public std::error_category {
 public:
  [[nodiscard]] const char* name() const noexcept override { return "system"; }

  [[nodiscard]] std::string message(int code) const override {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 && text ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    // The system's texts end with a line break, which has no place inside a log line.
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
      wide.pop_back();
    if (wide.empty()) return "error " + std::to_string(code);
    return utf8(wide);
  }

  // Comparisons with std::errc keep working as for the library's own system category.
  [[nodiscard]] std::error_condition default_error_condition(int code) const noexcept override {
    return std::system_category().default_error_condition(code);
  }
};

}  // namespace

const std::error_category& systemCategory() {
  static const SystemCategory category;
  return category;
}

std::error_code lastSystemError() {
  return {static_cast<int>(GetLastError()), systemCategory()};
}

}  // namespace os::win
