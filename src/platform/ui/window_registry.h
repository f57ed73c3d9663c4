#pragma once

// Inside the window model: the records behind the handles. Not part of the model's interface.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/paint.h"
#include "platform/ui/window.h"

namespace ui::detail {

// The messages of one thread: posted messages, its quit request and the windows to repaint.
struct MessageQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Message> posted;
  std::set<WindowHandle> invalid;
  bool quit = false;
  int quitCode = 0;
};

// The state of a child control; kind None for every other window. The text lives in spec.text.
struct ControlRecord {
  ControlKind kind = ControlKind::None;
  bool enabled = true;
  bool checked = false;
  std::vector<std::u16string> items;
  int selection = -1;
};

struct WindowRecord {
  WindowSpec spec;
  bool topmost = false;
  ShowState show = ShowState::Normal;
  Rect normal;  // the rectangle while normal, kept while minimised or maximised
  bool hasFrame = false;
  std::vector<PaintOp> frame;  // the last complete paint
  std::uint64_t frameNumber = 0;
  std::shared_ptr<MessageQueue> queue;
  std::vector<WindowHandle> children;
  ControlRecord control;
};

// The registry lock is taken before a queue's lock, never after it.
struct Registry {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, std::shared_ptr<WindowRecord>> windows;
  std::uint32_t lastHandle = 0;
};

Registry& registry();

// The record behind a handle, or null; the caller holds the registry lock.
WindowRecord* findLocked(WindowHandle window);

}  // namespace ui::detail
