#include "platform/ui/paint.h"

#include <mutex>

#include "platform/ui/window_registry.h"

namespace ui {

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
