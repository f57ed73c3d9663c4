#pragma once

// Painting in the headless window model: a paint context records fills, two-point lines and
// texts with their colours, and ending the paint keeps them as the window's last complete frame,
// which a snapshot or a test reads. The Win32 window also draws them, off screen first and then onto
// the window in one transfer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

// 0x00BBGGRR, as a Win32 COLORREF.
using Colour = std::uint32_t;
[[nodiscard]] constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
[[nodiscard]] constexpr int red(Colour c) {
  return static_cast<int>(c & 0xFF);
}
[[nodiscard]] constexpr int green(Colour c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
[[nodiscard]] constexpr int blue(Colour c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

struct PaintOp {
  enum class Kind { Fill, Line, Text };
  Kind kind = Kind::Fill;
  Rect rect;  // a fill's rectangle; a line's points are (left, top) and (right, bottom); a text's top left
  Colour colour = 0;
  std::u16string text;  // a text's content
  std::string name;     // a fill may name what it fills
  bool operator==(const PaintOp&) const = default;
};

class PaintContext {
 public:
  explicit PaintContext(WindowHandle window) : window_(window) {}
  void fillRect(const Rect& rect, Colour colour, std::string name = {});
  void line(int x1, int y1, int x2, int y2, Colour colour);
  void textOut(int x, int y, std::u16string text, Colour colour);
  [[nodiscard]] WindowHandle window() const { return window_; }
  [[nodiscard]] const std::vector<PaintOp>& ops() const { return ops_; }

 private:
  friend void endPaint(PaintContext& context);
  WindowHandle window_;
  std::vector<PaintOp> ops_;
};

// WM_PAINT's begin and end. Ending stores the recorded operations as the window's last frame.
[[nodiscard]] PaintContext beginPaint(WindowHandle window);
void endPaint(PaintContext& context);

struct Frame {
  std::uint64_t number = 0;  // counts the window's completed paints, from 1
  std::vector<PaintOp> ops;
};
// Nothing before the first completed paint, or for a stale handle.
[[nodiscard]] std::optional<Frame> lastFrame(WindowHandle window);

}  // namespace ui
