#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/ui/paint.h"
#include "platform/ui/win32_window.h"

namespace ui {
namespace {

struct Frames {
  std::mutex mutex;
  std::unordered_map<HWND, Frame> byWindow;
};

Frames& frames() {
  static Frames instance;
  return instance;
}

// The smallest picture drawn: the main window's size, whatever part of it the client shows.
constexpr int kPictureWidth = 880;
constexpr int kPictureHeight = 516;

// Draws the frame off screen and copies it onto the target in one transfer, so that the window
// never shows a half-drawn state.
void present(HWND hwnd, HDC target, const std::vector<PaintOp>& ops) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int width = std::max<int>(client.right, kPictureWidth);
  const int height = std::max<int>(client.bottom, kPictureHeight);
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
  const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  win32::drawOps(memory, ops);
  BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

}  // namespace

namespace win32 {

void forgetFrame(HWND hwnd) {
  std::scoped_lock lock(frames().mutex);
  frames().byWindow.erase(hwnd);
}

}  // namespace win32

PaintContext beginPaint(WindowHandle window) {
  return PaintContext(window);
}

void endPaint(PaintContext& context) {
  HWND hwnd = win32::toHwnd(context.window_);
  if (!IsWindow(hwnd)) return;
  if (HDC printer = win32::printTarget()) {
    present(hwnd, printer, context.ops_);
  } else {
    PAINTSTRUCT paint{};
    if (HDC dc = BeginPaint(hwnd, &paint)) {
      present(hwnd, dc, context.ops_);
      EndPaint(hwnd, &paint);
    }
  }
  std::scoped_lock lock(frames().mutex);
  Frame& frame = frames().byWindow[hwnd];
  frame.ops = std::move(context.ops_);
  ++frame.number;
  context.ops_.clear();
}

std::optional<Frame> lastFrame(WindowHandle window) {
  std::scoped_lock lock(frames().mutex);
  const auto it = frames().byWindow.find(win32::toHwnd(window));
  if (it == frames().byWindow.end()) return std::nullopt;
  return it->second;
}

}  // namespace ui
