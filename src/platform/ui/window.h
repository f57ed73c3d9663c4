#pragma once

// A headless window model shaped after the Win32 concepts the program uses: windows with a
// window procedure, one message queue per thread that creates windows, posting from any thread,
// get and dispatch, a quit message carrying the exit code, and merged repaint requests.

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ui {

using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr MessageId WM_CREATE = 0x0001;
inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_QUIT = 0x0012;
inline constexpr MessageId WM_CHAR = 0x0102;
inline constexpr MessageId WM_COMMAND = 0x0111;
inline constexpr MessageId WM_APP = 0x8000;

// Names a window. Handles are never reused, so a stale handle finds no window rather than another one.
class WindowHandle {
 public:
  constexpr WindowHandle() = default;
  constexpr explicit WindowHandle(std::uint32_t value) : value_(value) {}
  [[nodiscard]] constexpr std::uint32_t value() const { return value_; }
  constexpr explicit operator bool() const { return value_ != 0; }
  constexpr auto operator<=>(const WindowHandle&) const = default;

 private:
  std::uint32_t value_ = 0;
};

using WindowProc = std::function<LResult(WindowHandle, MessageId, WParam, LParam)>;

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  [[nodiscard]] int width() const { return right - left; }
  [[nodiscard]] int height() const { return bottom - top; }
  auto operator<=>(const Rect&) const = default;
};

struct WindowSpec {
  std::u16string className;
  std::u16string text;  // the caption of a top-level window, the text of a control
  Rect rect;  // screen coordinates for a top-level window, client coordinates of the parent for a child
  WindowHandle parent;  // none for a top-level window
  int controlId = 0;    // children are found by it
  WindowProc proc;      // empty: defWindowProc
};

struct Message {
  WindowHandle window;
  MessageId id = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

// Creates a window owned by the calling thread, whose queue then receives its messages. WM_CREATE
// is sent before the call returns; a procedure answering it with -1 makes the creation fail (none).
[[nodiscard]] WindowHandle createWindow(WindowSpec spec);

// Sends WM_DESTROY to the window and its children, then removes them. False for a stale handle.
bool destroyWindow(WindowHandle window);

[[nodiscard]] bool isWindow(WindowHandle window);

// Any thread. Queues the message behind those already queued for the window's thread.
// Posting to a window that is gone does nothing and returns false.
bool postMessage(WindowHandle window, MessageId id, WParam wParam = 0, LParam lParam = 0);

// Calls the window procedure at once on the calling thread; 0 for a stale handle.
LResult sendMessage(WindowHandle window, MessageId id, WParam wParam = 0, LParam lParam = 0);

// Asks the calling thread's message loop to end: getMessage returns false with the exit code in
// wParam once the messages posted before have been taken.
void postQuitMessage(int exitCode);

// Takes the calling thread's next message, waiting for one: posted messages in order, then the
// quit message, then one WM_PAINT per window that asked for a repaint. False for the quit message.
bool getMessage(Message& message);

// Takes the next message like getMessage but without waiting; false when there is none.
// The quit message is left in place (use getMessage to take it).
bool peekMessage(Message& message);

LResult dispatchMessage(const Message& message);

// The default procedure: WM_CLOSE destroys the window; everything else answers 0.
LResult defWindowProc(WindowHandle window, MessageId id, WParam wParam, LParam lParam);

// Asks for a WM_PAINT; requests made before the paint is delivered merge into one. Any thread.
void invalidate(WindowHandle window);

// The child of a window with a control id (GetDlgItem); none when there is no such child.
[[nodiscard]] WindowHandle findChild(WindowHandle parent, int controlId);

[[nodiscard]] std::optional<std::u16string> windowText(WindowHandle window);
// Also schedules a repaint of the parent when a child's text changed. Any thread.
bool setWindowText(WindowHandle window, std::u16string text);

[[nodiscard]] std::optional<Rect> windowRect(WindowHandle window);
bool moveWindow(WindowHandle window, int x, int y);

}  // namespace ui
