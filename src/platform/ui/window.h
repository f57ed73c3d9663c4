#pragma once

// A headless window model shaped after the Win32 concepts the program uses: windows with a
// window procedure, one message queue per thread that creates windows, posting from any thread,
// get and dispatch, a quit message carrying the exit code, and merged repaint requests.
// Two backends stand behind it: the headless model (Linux, and every test that reads the window
// without a screen) and the real Win32 window (the program on Windows), in which a handle is the
// HWND and the messages are Windows' own.

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr MessageId WM_CREATE = 0x0001;
inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_SETTEXT = 0x000C;  // lParam: a const char16_t* ending in 0
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_QUIT = 0x0012;
inline constexpr MessageId WM_CHAR = 0x0102;
inline constexpr MessageId WM_COMMAND = 0x0111;
inline constexpr MessageId WM_CTLCOLOREDIT = 0x0133;  // answers the background colour, or -1 for none
inline constexpr MessageId WM_CTLCOLORSTATIC = 0x0138;
inline constexpr MessageId WM_APP = 0x8000;

// Names a window. The model never reuses a handle, so a stale handle finds no window rather than
// another one; in the Win32 window it is the HWND, which Windows reuses only after a long while.
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

struct Point {
  int x = 0;
  int y = 0;
  auto operator<=>(const Point&) const = default;
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

// Replaces the window's procedure (subclassing) and returns the one it had; an empty procedure
// stands for defWindowProc. Nothing for a stale handle.
WindowProc setWindowProc(WindowHandle window, WindowProc proc);

// What an edit box does by itself: WM_SETTEXT replaces its text, a printable WM_CHAR appends
// the character; everything else as defWindowProc.
LResult defEditProc(WindowHandle window, MessageId id, WParam wParam, LParam lParam);

// Kept on top of other windows; only recorded, there being no other windows.
bool setTopmost(WindowHandle window, bool topmost);
[[nodiscard]] bool isTopmost(WindowHandle window);

enum class ShowState { Normal, Minimised, Maximised };

// Minimising or maximising keeps the normal rectangle, which windowRect gives again once the
// window is normal; while minimised or maximised windowRect is the shown rectangle.
bool setShowState(WindowHandle window, ShowState state);
[[nodiscard]] ShowState showState(WindowHandle window);
[[nodiscard]] std::optional<Rect> normalRect(WindowHandle window);

struct Monitor {
  Rect area;
  Rect work;  // without the task bar
  auto operator<=>(const Monitor&) const = default;
};

// One monitor at 0,0,1920,1080 with the work area 0,0,1920,1040 unless replaced. setMonitors
// returns the monitors before (for tests to restore them); an empty list is refused.
[[nodiscard]] std::vector<Monitor> monitors();
std::vector<Monitor> setMonitors(std::vector<Monitor> list);
// The monitor the rectangle overlaps most, else the one nearest to it.
[[nodiscard]] Monitor nearestMonitor(const Rect& rect);

// The program's string resources: 101 is the product name, the window's title. Nothing for an
// id without a string.
inline constexpr int IDS_PRODUCT_NAME = 101;
inline constexpr int IDI_PROGRAM_ICON = 100;
[[nodiscard]] std::optional<std::u16string> loadString(int id);

}  // namespace ui
