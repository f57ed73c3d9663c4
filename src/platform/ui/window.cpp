#include "platform/ui/window.h"

#include "platform/ui/window_registry.h"

namespace ui {
namespace detail {

Registry& registry() {
  static Registry instance;
  return instance;
}

WindowRecord* findLocked(WindowHandle window) {
  auto& windows = registry().windows;
  const auto it = windows.find(window.value());
  return it == windows.end() ? nullptr : it->second.get();
}

}  // namespace detail

namespace {

using detail::findLocked;
using detail::MessageQueue;
using detail::registry;
using detail::WindowRecord;

std::shared_ptr<MessageQueue>& threadQueue() {
  thread_local std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
  return queue;
}

WindowProc procOf(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  if (!record) return {};
  return record->spec.proc ? record->spec.proc : WindowProc(defWindowProc);
}

void collectTree(WindowHandle window, std::vector<WindowHandle>& out) {
  const WindowRecord* record = findLocked(window);
  if (!record) return;
  for (WindowHandle child : record->children) collectTree(child, out);
  out.push_back(window);
}

}  // namespace

WindowHandle createWindow(WindowSpec spec) {
  WindowHandle handle;
  {
    std::scoped_lock lock(registry().mutex);
    if (spec.parent && !findLocked(spec.parent)) return {};
    handle = WindowHandle(++registry().lastHandle);
    auto record = std::make_shared<WindowRecord>();
    record->spec = std::move(spec);
    record->queue = threadQueue();
    if (record->spec.parent) findLocked(record->spec.parent)->children.push_back(handle);
    registry().windows.emplace(handle.value(), std::move(record));
  }
  if (sendMessage(handle, WM_CREATE) == -1) {
    destroyWindow(handle);
    return {};
  }
  return handle;
}

bool destroyWindow(WindowHandle window) {
  std::vector<WindowHandle> tree;  // children first, the window last
  {
    std::scoped_lock lock(registry().mutex);
    collectTree(window, tree);
  }
  if (tree.empty()) return false;
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) sendMessage(*it, WM_DESTROY);
  std::scoped_lock lock(registry().mutex);
  if (WindowRecord* record = findLocked(window); record && record->spec.parent) {
    if (WindowRecord* parent = findLocked(record->spec.parent)) std::erase(parent->children, window);
  }
  for (WindowHandle h : tree) registry().windows.erase(h.value());
  return true;
}

bool isWindow(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  return findLocked(window) != nullptr;
}

bool postMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  std::shared_ptr<MessageQueue> queue;
  {
    std::scoped_lock lock(registry().mutex);
    const WindowRecord* record = findLocked(window);
    if (!record) return false;
    queue = record->queue;
  }
  {
    std::scoped_lock lock(queue->mutex);
    queue->posted.push_back(Message{window, id, wParam, lParam});
  }
  queue->wake.notify_one();
  return true;
}

LResult sendMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  const WindowProc proc = procOf(window);
  return proc ? proc(window, id, wParam, lParam) : 0;
}

void postQuitMessage(int exitCode) {
  MessageQueue& queue = *threadQueue();
  {
    std::scoped_lock lock(queue.mutex);
    queue.quit = true;
    queue.quitCode = exitCode;
  }
  queue.wake.notify_one();
}

namespace {

enum class Wait { No, Yes };

// Returns 1 for a message, 0 for the quit message, -1 when nothing waits (only without waiting).
int takeMessage(Message& message, Wait wait) {
  MessageQueue& queue = *threadQueue();
  std::unique_lock lock(queue.mutex);
  for (;;) {
    if (!queue.posted.empty()) {
      message = queue.posted.front();
      queue.posted.pop_front();
      return 1;
    }
    if (queue.quit) {
      if (wait == Wait::No) return -1;
      queue.quit = false;
      message = Message{WindowHandle{}, WM_QUIT, static_cast<WParam>(queue.quitCode), 0};
      return 0;
    }
    if (!queue.invalid.empty()) {
      message = Message{*queue.invalid.begin(), WM_PAINT, 0, 0};
      queue.invalid.erase(queue.invalid.begin());
      return 1;
    }
    if (wait == Wait::No) return -1;
    queue.wake.wait(lock);
  }
}

}  // namespace

bool getMessage(Message& message) {
  return takeMessage(message, Wait::Yes) == 1;
}

bool peekMessage(Message& message) {
  return takeMessage(message, Wait::No) == 1;
}

LResult dispatchMessage(const Message& message) {
  if (!message.window) return 0;
  return sendMessage(message.window, message.id, message.wParam, message.lParam);
}

LResult defWindowProc(WindowHandle window, MessageId id, WParam, LParam) {
  if (id == WM_CLOSE) destroyWindow(window);
  return 0;
}

void invalidate(WindowHandle window) {
  std::shared_ptr<MessageQueue> queue;
  {
    std::scoped_lock lock(registry().mutex);
    const WindowRecord* record = findLocked(window);
    if (!record) return;
    queue = record->queue;
  }
  {
    std::scoped_lock lock(queue->mutex);
    queue->invalid.insert(window);
  }
  queue->wake.notify_one();
}

WindowHandle findChild(WindowHandle parent, int controlId) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(parent);
  if (!record) return {};
  for (WindowHandle child : record->children) {
    if (const WindowRecord* c = findLocked(child); c && c->spec.controlId == controlId) return child;
  }
  return {};
}

std::optional<std::u16string> windowText(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  if (!record) return std::nullopt;
  return record->spec.text;
}

bool setWindowText(WindowHandle window, std::u16string text) {
  WindowHandle parent;
  {
    std::scoped_lock lock(registry().mutex);
    WindowRecord* record = findLocked(window);
    if (!record) return false;
    if (record->spec.text == text) return true;
    record->spec.text = std::move(text);
    parent = record->spec.parent;
  }
  // A child's text is drawn by its parent.
  if (parent) invalidate(parent);
  return true;
}

std::optional<Rect> windowRect(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  if (!record) return std::nullopt;
  return record->spec.rect;
}

bool moveWindow(WindowHandle window, int x, int y) {
  std::scoped_lock lock(registry().mutex);
  WindowRecord* record = findLocked(window);
  if (!record) return false;
  Rect& r = record->spec.rect;
  r = Rect{x, y, x + r.width(), y + r.height()};
  return true;
}

}  // namespace ui
