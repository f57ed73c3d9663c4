#include "platform/ui/paint.h"

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

}  // namespace ui
