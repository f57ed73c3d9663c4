#pragma once

// Inside the Win32 window: what its files share. Not part of the window's interface.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The window's own names (WM_COMMAND, IDOK, BN_CLICKED ...) are macros in windows.h, so the
// window's headers come first; the files of the Win32 window include windows.h only from here.
// clang-format off
#include "platform/ui/controls.h"
#include "platform/ui/message_box.h"
#include "platform/ui/paint.h"
#include "platform/ui/picture.h"
#include "platform/ui/window.h"
#include <windows.h>
// clang-format on

namespace ui::win32 {

// A window handle is the HWND itself: Windows keeps its window handles within 32 bits, so that
// they pass between 32- and 64-bit processes, and sign-extends them back.
[[nodiscard]] inline HWND toHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window.value())));
}
[[nodiscard]] inline WindowHandle toHandle(HWND hwnd) {
  return WindowHandle(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd)));
}

// The font of the window's texts and of its controls, created once, kept for the process.
[[nodiscard]] HFONT windowFont();

// Draws painted operations (fills, lines, texts) onto the device context.
void drawOps(HDC dc, const std::vector<PaintOp>& ops);

// Writes the bitmap as a PNG image through a temporary file renamed into place.
[[nodiscard]] bool savePng(HBITMAP bitmap, const std::filesystem::path& path);

// The registered message that runs a task on the thread owning the window it is sent to.
[[nodiscard]] UINT taskMessage();

// Runs `work` on the thread that owns the window, at once when that is the calling thread. From
// another thread the work is sent to that thread and waited for, but at most a few seconds, so
// that a GUI thread that waits for the caller (joining it at the end of a run) cannot hang the
// program; then `fallback` is answered and the work runs when that thread takes its messages.
// `work` owns what it uses (captured by value): it may run after the caller returned.
template <typename Result, typename Work>
Result onOwnerThread(HWND hwnd, Result fallback, Work work) {
  if (!IsWindow(hwnd)) return fallback;
  if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) return work();
  auto result = std::make_shared<std::optional<Result>>();
  auto* task = new std::function<void()>([result, work]() mutable { *result = work(); });
  DWORD_PTR answer = 0;
  constexpr UINT kWaitMilliseconds = 5000;
  if (SendMessageTimeoutW(hwnd, taskMessage(), 0, reinterpret_cast<LPARAM>(task), SMTO_NORMAL,
                          kWaitMilliseconds, &answer) == 0) {
    // Still queued after a time-out: the owner thread runs and frees it later.
    if (GetLastError() != ERROR_TIMEOUT) delete task;
    return fallback;
  }
  return result->value_or(fallback);
}

// Runs a task sent with taskMessage; the window procedures call it for that message.
inline LRESULT runTask(LPARAM lParam) {
  std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
  if (task && *task) (*task)();
  return 1;
}

// The procedure a window had before it was subclassed (the control's class procedure), or
// DefWindowProcW for the program's own windows.
[[nodiscard]] WNDPROC nativeProc(HWND hwnd);

// Makes a control created by Windows' own class one of the program's: the window procedure
// takes its messages first and hands `proc` (empty: the control's own procedure) what it gets.
void adoptControl(HWND hwnd, WindowProc proc);

// The window's text, read on the calling thread.
[[nodiscard]] std::u16string textOf(HWND hwnd);

// Hands a problem of the window to the program's log (the sink set with setMessageBoxLog).
void logProblem(const std::string& text);

// Drops the last frame painted in a window that is being destroyed.
void forgetFrame(HWND hwnd);

// Where a WM_PRINTCLIENT asks the program's paint to go; null while painting on the screen.
[[nodiscard]] HDC& printTarget();

}  // namespace ui::win32
