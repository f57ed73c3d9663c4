#include "platform/ui/win32_window.h"

namespace ui {
namespace {

// The window drawn by itself (frame, client and children) into a bitmap of its size.
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
  const bool printed = PrintWindow(hwnd, memory, 0) != 0;
  SelectObject(memory, old);
  DeleteDC(memory);
  if (!printed) {
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
