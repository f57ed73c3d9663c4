#include "platform/ui/window.h"

#include <algorithm>
#include <climits>
#include <utility>

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

WindowProc setWindowProc(WindowHandle window, WindowProc proc) {
  std::scoped_lock lock(registry().mutex);
  WindowRecord* record = findLocked(window);
  if (!record) return {};
  WindowProc previous = std::exchange(record->spec.proc, std::move(proc));
  return previous ? previous : WindowProc(defWindowProc);
}

LResult defEditProc(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  if (id == WM_SETTEXT) {
    // The message carries its text's address in its integer, as the platform's does.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const auto* text = reinterpret_cast<const char16_t*>(lParam);
    setWindowText(window, text ? std::u16string(text) : std::u16string());
    return 1;
  }
  if (id == WM_CHAR) {
    if (wParam < 0x20 || wParam > 0xFFFF) return 0;
    setWindowText(window, windowText(window).value_or(u"") + static_cast<char16_t>(wParam));
    return 0;
  }
  return defWindowProc(window, id, wParam, lParam);
}

bool setTopmost(WindowHandle window, bool topmost) {
  std::scoped_lock lock(registry().mutex);
  WindowRecord* record = findLocked(window);
  if (!record) return false;
  record->topmost = topmost;
  return true;
}

bool isTopmost(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  return record && record->topmost;
}

namespace {

std::mutex monitorMutex;
std::vector<Monitor> monitorList{Monitor{Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1040}}};

long overlap(const Rect& a, const Rect& b) {
  const long w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

long distance(const Rect& a, const Rect& b) {
  const long dx = std::max({0, b.left - a.right, a.left - b.right});
  const long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

}  // namespace

bool setShowState(WindowHandle window, ShowState state) {
  std::scoped_lock lock(registry().mutex);
  WindowRecord* record = findLocked(window);
  if (!record) return false;
  if (record->show == state) return true;
  if (record->show == ShowState::Normal) record->normal = record->spec.rect;
  switch (state) {
    case ShowState::Normal:
      record->spec.rect = record->normal;
      break;
    case ShowState::Minimised:
      record->spec.rect = Rect{-32000, -32000, -32000 + 160, -32000 + 28};
      break;
    case ShowState::Maximised:
      record->spec.rect = nearestMonitor(record->normal).work;
      break;
  }
  record->show = state;
  return true;
}

ShowState showState(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  return record ? record->show : ShowState::Normal;
}

std::optional<Rect> normalRect(WindowHandle window) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = findLocked(window);
  if (!record) return std::nullopt;
  return record->show == ShowState::Normal ? record->spec.rect : record->normal;
}

std::vector<Monitor> monitors() {
  std::scoped_lock lock(monitorMutex);
  return monitorList;
}

std::vector<Monitor> setMonitors(std::vector<Monitor> list) {
  std::scoped_lock lock(monitorMutex);
  if (list.empty()) return monitorList;
  return std::exchange(monitorList, std::move(list));
}

Monitor nearestMonitor(const Rect& rect) {
  std::scoped_lock lock(monitorMutex);
  const Monitor* best = &monitorList.front();
  long bestOverlap = -1;
  long bestDistance = LONG_MAX;
  for (const Monitor& m : monitorList) {
    const long o = overlap(rect, m.area);
    const long d = distance(rect, m.area);
    if (o > bestOverlap || (o == 0 && bestOverlap == 0 && d < bestDistance)) {
      best = &m;
      bestOverlap = o;
      bestDistance = d;
    }
  }
  return *best;
}

std::optional<std::u16string> loadString(int id) {
  // The same strings as the Windows build's resource script.
  if (id == IDS_PRODUCT_NAME) return u"Quillstar";
  return std::nullopt;
}

}  // namespace ui
