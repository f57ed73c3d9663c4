#include "platform/ui/win32_window.h"

namespace ui {
namespace {

// The window as it shows itself (frame, client and children) copied into a bitmap of its size.
// Copied from the window's own surface rather than printed: Wine's printing leaves out the
// frame and the controls.
HBITMAP captureWindow(HWND hwnd) {
  RECT r{};
  if (!GetWindowRect(hwnd, &r) || r.right <= r.left || r.bottom <= r.top) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  const RECT all{0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // Everything drawn first, frame and children included; then the window as the screen shows it.
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  HDC source = GetWindowDC(hwnd);
  const bool copied =
      source && BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
  if (source) ReleaseDC(hwnd, source);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (!copied) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

}  // namespace

bool writeWindowPng(WindowHandle window, const std::filesystem::path& path) {
  HWND hwnd = win32::toHwnd(window);
  if (!window || !IsWindow(hwnd)) return false;
  HBITMAP captured = captureWindow(hwnd);
  if (!captured) return false;
  const bool written = win32::savePng(captured, path);
  DeleteObject(captured);
  return written;
}

}  // namespace ui
