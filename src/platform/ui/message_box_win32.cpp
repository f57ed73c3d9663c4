#include "platform/os/win/wide_text.h"
#include "platform/ui/message_box_records.h"
#include "platform/ui/win32_window.h"

namespace ui {

namespace {

UINT iconStyle(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Information:
      return MB_ICONINFORMATION;
    case MessageBoxIcon::Exclamation:
      return MB_ICONWARNING;
    case MessageBoxIcon::Error:
      return MB_ICONERROR;
    case MessageBoxIcon::None:
      break;
  }
  return 0;
}

}  // namespace

int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, MessageBoxIcon icon) {
  detail::recordMessageBox(text, caption, icon);
  // A box owned by a window of another thread would disable that window from here, which
  // waits for its thread; such a box stands alone, in front.
  HWND hwnd = win32::toHwnd(owner);
  const bool ownThread =
      owner && IsWindow(hwnd) && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
  const UINT style = MB_OK | iconStyle(icon) | (ownThread ? 0U : MB_SETFOREGROUND | MB_TOPMOST);
  const int answer = MessageBoxW(ownThread ? hwnd : nullptr, os::win::wide(text).c_str(),
                                 os::win::wide(caption).c_str(), style);
  return answer;  // 0 when no box could be shown
}

namespace win32 {

void logProblem(const std::string& text) {
  detail::logToMessageBoxSink(text);
}

}  // namespace win32

}  // namespace ui
