#include "foundation/message_line.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "foundation/log.h"
#include "foundation/window_messages.h"

namespace orv {
namespace {

constexpr std::int32_t kMessageTicks = 25;

struct MessageState {
  std::mutex mutex;  // taken before the log's lock, never after it
  std::string message;
  std::string error;
  std::int32_t stamp = 0;  // seconds counter when the message was set, at least 1; 0: nothing to expire
  // Written by the start-up thread only, read by every thread that sets a message.
  std::atomic<std::int32_t> seconds{0};
};

MessageState& state() {
  static MessageState instance;
  return instance;
}

std::atomic<std::uint32_t> mainWindow{0};

void requestRepaint() {
  ui::postMessage(gf_mainWindow(), WM_APP_REPAINT_MESSAGE);
}

}  // namespace

void gf_setMessage(std::string_view text, bool alsoLog) {
  MessageState& s = state();
  {
    std::scoped_lock lock(s.mutex);
    if (!s.error.empty()) return;
    s.message.assign(text);
    s.stamp = text.empty() ? 0 : std::max<std::int32_t>(s.seconds.load(), 1);
  }
  if (alsoLog && !text.empty()) gf_logLine(text);
  requestRepaint();
}

void gf_clearMessage() {
  gf_setMessage({}, false);
}

void gf_setError(std::string_view text) {
  MessageState& s = state();
  {
    std::scoped_lock lock(s.mutex);
    s.message.clear();
    s.stamp = 0;
    s.error.assign(text);
    gf_logLine(fmt::format("Error {}", s.error));
  }
  requestRepaint();
}

void gf_clearError() {
  {
    MessageState& s = state();
    std::scoped_lock lock(s.mutex);
    s.error.clear();
  }
  gf_clearMessage();
}

void gf_messageTick() {
  MessageState& s = state();
  const std::int32_t now = ++s.seconds;
  {
    // Tested and cleared in one step: a message set meanwhile by another thread is not wiped.
    std::scoped_lock lock(s.mutex);
    if (s.stamp <= 0 || now - s.stamp < kMessageTicks || !s.error.empty()) return;
    s.message.clear();
    s.stamp = 0;
  }
  requestRepaint();
}

MessageLines gf_messageLines() {
  MessageState& s = state();
  std::scoped_lock lock(s.mutex);
  return MessageLines{s.message, s.error};
}

std::int32_t gf_secondsCounter() {
  return state().seconds.load();
}

void gf_resetMessageState() {
  MessageState& s = state();
  {
    std::scoped_lock lock(s.mutex);
    s.message.clear();
    s.error.clear();
    s.stamp = 0;
    s.seconds.store(0);
  }
  requestRepaint();
}

void gf_setMainWindow(ui::WindowHandle window) {
  mainWindow.store(window.value());
}

ui::WindowHandle gf_mainWindow() {
  return ui::WindowHandle(mainWindow.load());
}

}  // namespace orv
