#include "platform/ui/message_box_records.h"

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

std::function<void(std::string_view)> currentLog() {
  std::scoped_lock lock(boxes().mutex);
  return boxes().log;
}

}  // namespace

namespace detail {

void recordMessageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon) {
  std::function<void(std::string_view)> log;
  {
    std::scoped_lock lock(boxes().mutex);
    boxes().shown.push_back({std::string(text), std::string(caption), icon});
    log = boxes().log;
  }
  // Logged outside the lock (the sink may take locks of its own), and before a real box waits
  // for the user.
  if (log) log(std::string(caption) + ": " + std::string(text));
}

void logToMessageBoxSink(std::string_view text) {
  // Copied out first: the sink runs outside the lock.
  const auto log = currentLog();
  if (log) log(text);
}

}  // namespace detail

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
