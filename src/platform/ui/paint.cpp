#include "platform/ui/paint.h"

#include <mutex>

#include "platform/ui/window_registry.h"

namespace ui {

void PaintContext::fillRect(const Rect& rect, Colour colour, std::string name) {
  ops_.push_back(PaintOp{PaintOp::Kind::Fill, rect, colour, {}, std::move(name)});
}

void PaintContext::line(int x1, int y1, int x2, int y2, Colour colour) {
  ops_.push_back(PaintOp{PaintOp::Kind::Line, Rect{x1, y1, x2, y2}, colour, {}, {}});
}

void PaintContext::textOut(int x, int y, std::u16string text, Colour colour) {
  ops_.push_back(PaintOp{PaintOp::Kind::Text, Rect{x, y, x, y}, colour, std::move(text), {}});
}

PaintContext beginPaint(WindowHandle window) {
  return PaintContext(window);
}

void endPaint(PaintContext& context) {
  std::scoped_lock lock(detail::registry().mutex);
  detail::WindowRecord* record = detail::findLocked(context.window_);
  if (!record) return;
  record->frame = std::move(context.ops_);
  record->hasFrame = true;
  ++record->frameNumber;
  context.ops_.clear();
}

std::optional<Frame> lastFrame(WindowHandle window) {
  std::scoped_lock lock(detail::registry().mutex);
  const detail::WindowRecord* record = detail::findLocked(window);
  if (!record || !record->hasFrame) return std::nullopt;
  return Frame{record->frameNumber, record->frame};
}

}  // namespace ui
