#include "platform/ui/message_box.h"

#include <mutex>

namespace ui {

namespace {

struct Boxes {
  std::mutex mutex;
  std::vector<MessageBoxRecord> shown;
  std::function<void(std::string_view)> log;
};

Boxes& boxes() {
  static Boxes instance;
  return instance;
}

}  // namespace

int messageBox(WindowHandle /*owner*/, std::string_view text, std::string_view caption, MessageBoxIcon icon) {
  std::function<void(std::string_view)> log;
  {
    std::scoped_lock lock(boxes().mutex);
    boxes().shown.push_back({std::string(text), std::string(caption), icon});
    log = boxes().log;
  }
  // Logged outside the lock: the sink may take locks of its own.
  if (log) log(std::string(caption) + ": " + std::string(text));
  return IDOK;
}

void setMessageBoxLog(std::function<void(std::string_view)> log) {
  std::scoped_lock lock(boxes().mutex);
  boxes().log = std::move(log);
}

bool hasMessageBoxLog() {
  std::scoped_lock lock(boxes().mutex);
  return static_cast<bool>(boxes().log);
}

std::vector<MessageBoxRecord> shownMessageBoxes() {
  std::scoped_lock lock(boxes().mutex);
  return boxes().shown;
}

void clearShownMessageBoxes() {
  std::scoped_lock lock(boxes().mutex);
  boxes().shown.clear();
}

}  // namespace ui
