#include "platform/ui/win32_window.h"

namespace ui {

// The headless window on Windows: its last frame drawn by GDI the way the real window draws its
// frames, without the controls, which only the real window has.
bool writeWindowPng(WindowHandle window, const std::filesystem::path& path) {
  constexpr int kWidth = 880;
  constexpr int kHeight = 516;
  const std::optional<Frame> frame = lastFrame(window);
  if (!isWindow(window)) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  const RECT all{0, 0, kWidth, kHeight};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (frame) win32::drawOps(memory, frame->ops);
  SelectObject(memory, old);
  DeleteDC(memory);
  const bool written = win32::savePng(bitmap, path);
  DeleteObject(bitmap);
  return written;
}

}  // namespace ui
