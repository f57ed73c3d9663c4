#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/ui/controls.h"
#include "platform/ui/win32_window.h"
#include "platform/ui/window.h"

namespace ui {
namespace win32 {
namespace {

// What the program attached to one of its windows: the procedure it gave (empty: the default
// one) and the procedure the window had before, which answers whatever the program's does not.
struct Attachment {
  std::shared_ptr<const WindowProc> proc;
  WNDPROC native = DefWindowProcW;
  bool ownClass = false;  // a window of a class the program registered, not a control
};

struct Attachments {
  std::mutex mutex;
  std::unordered_map<HWND, Attachment> byWindow;
};

Attachments& attachments() {
  static Attachments instance;
  return instance;
}

std::optional<Attachment> attachmentOf(HWND hwnd) {
  std::scoped_lock lock(attachments().mutex);
  const auto it = attachments().byWindow.find(hwnd);
  if (it == attachments().byWindow.end()) return std::nullopt;
  return it->second;
}

// The last message getMessage took, so that dispatchMessage hands Windows the whole record
// (time and cursor place included).
thread_local MSG lastTaken{};

HBRUSH brushFor(Colour colour) {
  static std::mutex mutex;
  static std::unordered_map<Colour, HBRUSH> brushes;  // kept for the process: few colours
  std::scoped_lock lock(mutex);
  HBRUSH& brush = brushes[colour];
  if (!brush) brush = CreateSolidBrush(colour);
  return brush;
}

// The program's procedure, called from Windows' own code, which no exception may cross: one is
// logged and the message left to the window's own procedure (nothing answered).
std::optional<LRESULT> callProc(const WindowProc& proc, HWND hwnd, UINT message, WPARAM wParam,
                                LPARAM lParam) {
  try {
    return proc(toHandle(hwnd), message, wParam, lParam);
  } catch (const std::exception& e) {
    logProblem("Window procedure failed on message " + std::to_string(message) + ": " + e.what());
  } catch (...) {
    logProblem("Window procedure failed on message " + std::to_string(message));
  }
  return std::nullopt;
}

// After the session's end was announced the process may be ended at any moment once the
// message is answered: close down as after the close button, for a bounded time.
void closeForEndOfSession(HWND hwnd, const WindowProc& proc) {
  callProc(proc, hwnd, WM_CLOSE, 0, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer message loop
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    // The program's windows bring their attachment along in the creation parameters.
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (const auto* attachment = static_cast<const Attachment*>(create->lpCreateParams)) {
      std::scoped_lock lock(attachments().mutex);
      attachments().byWindow[hwnd] = *attachment;
    }
  }
  if (message == taskMessage()) return runTask(lParam);
  const std::optional<Attachment> attachment = attachmentOf(hwnd);
  if (!attachment) return DefWindowProcW(hwnd, message, wParam, lParam);
  const WNDPROC native = attachment->native;
  const WindowProc* proc = attachment->proc && *attachment->proc ? attachment->proc.get() : nullptr;
  switch (message) {
    case WM_NCDESTROY: {
      const LRESULT result = CallWindowProcW(native, hwnd, message, wParam, lParam);
      forgetFrame(hwnd);
      std::scoped_lock lock(attachments().mutex);
      attachments().byWindow.erase(hwnd);
      return result;
    }
    case WM_ERASEBKGND:
      // The program paints every pixel of its windows from an off-screen picture; erasing
      // first would only flicker.
      if (attachment->ownClass && proc) return 1;
      break;
    case WM_PRINTCLIENT:
      if (attachment->ownClass && proc) {
        printTarget() = reinterpret_cast<HDC>(wParam);
        const auto painted = callProc(*proc, hwnd, WM_PAINT, 0, 0);
        printTarget() = nullptr;
        if (painted) return 0;
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      // The program answers a colour; Windows wants a brush and the text background.
      if (proc) {
        const LRESULT colour = callProc(*proc, hwnd, message, wParam, lParam).value_or(-1);
        if (colour < 0) break;
        SetBkColor(reinterpret_cast<HDC>(wParam), static_cast<COLORREF>(colour));
        return reinterpret_cast<LRESULT>(brushFor(static_cast<Colour>(colour)));
      }
      break;
    case WM_ENDSESSION:
      if (wParam && attachment->ownClass && proc && !GetParent(hwnd)) {
        closeForEndOfSession(hwnd, *proc);
        return 0;
      }
      break;
    default:
      if (proc) {
        if (const auto answer = callProc(*proc, hwnd, message, wParam, lParam)) return *answer;
      }
      break;
  }
  return CallWindowProcW(native, hwnd, message, wParam, lParam);
}

HINSTANCE instance() {
  return GetModuleHandleW(nullptr);
}

// Registers the class at its first use; false when Windows refuses it.
bool registerClass(const std::u16string& name) {
  static std::mutex mutex;
  static std::set<std::u16string> registered;
  std::scoped_lock lock(mutex);
  if (registered.contains(name)) return true;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = windowProcedure;
  cls.hInstance = instance();
  constexpr WORD kIconId = 100;
  cls.hIcon = static_cast<HICON>(
      LoadImageW(instance(), MAKEINTRESOURCEW(kIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  cls.hIconSm =
      static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (!cls.hIcon) cls.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));              // IDC_ARROW
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  cls.lpszClassName = reinterpret_cast<LPCWSTR>(name.c_str());
  if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(name);
  return true;
}

// A handle's window, or null for one that is gone.
HWND liveWindow(WindowHandle window) {
  if (!window) return nullptr;
  HWND hwnd = toHwnd(window);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

Monitor monitorOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const auto rect = [](const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; };
  return Monitor{rect(info.rcMonitor), rect(info.rcWork)};
}

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  reinterpret_cast<std::vector<Monitor>*>(list)->push_back(monitorOf(monitor));
  return TRUE;
}

}  // namespace

UINT taskMessage() {
  static const UINT message = RegisterWindowMessageW(L"Quillstar.RunOnOwnerThread");
  return message;
}

WNDPROC nativeProc(HWND hwnd) {
  const std::optional<Attachment> attachment = attachmentOf(hwnd);
  return attachment ? attachment->native : DefWindowProcW;
}

HDC& printTarget() {
  thread_local HDC target = nullptr;
  return target;
}

void adoptControl(HWND hwnd, WindowProc proc) {
  Attachment attachment;
  attachment.proc = std::make_shared<const WindowProc>(std::move(proc));
  attachment.native = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  {
    std::scoped_lock lock(attachments().mutex);
    attachments().byWindow[hwnd] = attachment;
  }
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure));
}

}  // namespace win32

using win32::liveWindow;
using win32::onOwnerThread;
using win32::toHandle;
using win32::toHwnd;

WindowHandle createWindow(WindowSpec spec) {
  HWND parent = nullptr;
  if (spec.parent && !(parent = liveWindow(spec.parent))) return {};
  const std::u16string className = spec.className.empty() ? u"QuillstarWindow" : spec.className;
  if (!win32::registerClass(className)) return {};
  win32::Attachment attachment;
  attachment.proc = std::make_shared<const WindowProc>(std::move(spec.proc));
  attachment.ownClass = true;
  const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const Rect& r = spec.rect;
  HWND hwnd = CreateWindowExW(
      0, reinterpret_cast<LPCWSTR>(className.c_str()), reinterpret_cast<LPCWSTR>(spec.text.c_str()), style,
      r.left, r.top, r.width(), r.height(), parent,
      parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.controlId)) : nullptr, win32::instance(),
      &attachment);
  if (!hwnd) return {};
  if (!parent) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
  }
  return toHandle(hwnd);
}

bool destroyWindow(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return false;
  // Only the owning thread may destroy a window.
  return onOwnerThread(hwnd, false, [hwnd] { return DestroyWindow(hwnd) != 0; });
}

bool isWindow(WindowHandle window) {
  return liveWindow(window) != nullptr;
}

bool postMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  // A null window would make it a message to the calling thread.
  if (!window) return false;
  return PostMessageW(toHwnd(window), id, wParam, lParam) != 0;
}

LResult sendMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return 0;
  return onOwnerThread(hwnd, LResult{0}, [=] { return SendMessageW(hwnd, id, wParam, lParam); });
}

void postQuitMessage(int exitCode) {
  PostQuitMessage(exitCode);
}

namespace {

void take(const MSG& msg, Message& message) {
  TranslateMessage(&msg);
  win32::lastTaken = msg;
  message = Message{toHandle(msg.hwnd), msg.message, msg.wParam, msg.lParam};
}

}  // namespace

bool getMessage(Message& message) {
  MSG msg{};
  const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    message = Message{WindowHandle{}, WM_QUIT, got == 0 ? msg.wParam : 0, 0};
    return false;
  }
  take(msg, message);
  return true;
}

bool peekMessage(Message& message) {
  MSG msg{};
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_QUIT) return false;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    // Came in between the two looks: leave it for getMessage.
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  take(msg, message);
  return true;
}

LResult dispatchMessage(const Message& message) {
  if (!message.window) return 0;
  const MSG& last = win32::lastTaken;
  if (toHandle(last.hwnd) == message.window && last.message == message.id && last.wParam == message.wParam &&
      last.lParam == message.lParam)
    return DispatchMessageW(&last);
  MSG msg{};
  msg.hwnd = toHwnd(message.window);
  msg.message = message.id;
  msg.wParam = message.wParam;
  msg.lParam = message.lParam;
  return DispatchMessageW(&msg);
}

LResult defWindowProc(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  // No colour of the program's own: the window procedure lets Windows choose.
  if (id == WM_CTLCOLOREDIT || id == WM_CTLCOLORSTATIC) return -1;
  return DefWindowProcW(toHwnd(window), id, wParam, lParam);
}

void invalidate(WindowHandle window) {
  if (HWND hwnd = liveWindow(window)) InvalidateRect(hwnd, nullptr, FALSE);
}

WindowHandle findChild(WindowHandle parent, int controlId) {
  HWND hwnd = liveWindow(parent);
  return hwnd ? toHandle(GetDlgItem(hwnd, controlId)) : WindowHandle{};
}

namespace win32 {

std::u16string textOf(HWND hwnd) {
  std::u16string text(static_cast<std::size_t>(std::max(0, GetWindowTextLengthW(hwnd))) + 1, u'\0');
  const int length =
      GetWindowTextW(hwnd, reinterpret_cast<LPWSTR>(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(0, length)));
  return text;
}

}  // namespace win32

std::optional<std::u16string> windowText(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return std::nullopt;
  return onOwnerThread(hwnd, std::optional<std::u16string>{},
                       [hwnd] { return std::optional<std::u16string>(win32::textOf(hwnd)); });
}

bool setWindowText(WindowHandle window, std::u16string text) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return false;
  enum Outcome { Failed, Same, Changed };
  const Outcome outcome = onOwnerThread(hwnd, Failed, [hwnd, text = std::move(text)] {
    if (win32::textOf(hwnd) == text) return Same;
    return SetWindowTextW(hwnd, reinterpret_cast<LPCWSTR>(text.c_str())) ? Changed : Failed;
  });
  // The parent paints what goes with its children's texts.
  if (outcome == Changed && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
    InvalidateRect(GetParent(hwnd), nullptr, FALSE);
  return outcome != Failed;
}

std::optional<Rect> windowRect(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  RECT r{};
  if (!hwnd || !GetWindowRect(hwnd, &r)) return std::nullopt;
  if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

bool moveWindow(WindowHandle window, int x, int y) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return false;
  return onOwnerThread(hwnd, false, [=] {
    return SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
  });
}

WindowProc setWindowProc(WindowHandle window, WindowProc proc) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return {};
  std::shared_ptr<const WindowProc> previous;
  WNDPROC native = DefWindowProcW;
  bool attached = false;
  {
    std::scoped_lock lock(win32::attachments().mutex);
    const auto it = win32::attachments().byWindow.find(hwnd);
    if (it != win32::attachments().byWindow.end()) {
      attached = true;
      native = it->second.native;
      previous = std::exchange(it->second.proc, std::make_shared<const WindowProc>(std::move(proc)));
    }
  }
  if (!attached) {
    native = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    win32::adoptControl(hwnd, std::move(proc));
  }
  if (previous && *previous) return *previous;
  // Without a procedure of the program's the window had its own; the returned one calls it.
  return [native](WindowHandle w, MessageId id, WParam wp, LParam lp) -> LResult {
    return CallWindowProcW(native, toHwnd(w), id, wp, lp);
  };
}

LResult defEditProc(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
  HWND hwnd = toHwnd(window);
  return CallWindowProcW(win32::nativeProc(hwnd), hwnd, id, wParam, lParam);
}

bool setTopmost(WindowHandle window, bool topmost) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return false;
  return onOwnerThread(hwnd, false, [=] {
    return SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
  });
}

bool isTopmost(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  return hwnd && (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool setShowState(WindowHandle window, ShowState state) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return false;
  const int command = state == ShowState::Minimised   ? SW_MINIMIZE
                      : state == ShowState::Maximised ? SW_MAXIMIZE
                                                      : SW_RESTORE;
  onOwnerThread(hwnd, false, [=] { return ShowWindow(hwnd, command) != 0; });
  return true;
}

ShowState showState(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  if (hwnd && IsIconic(hwnd)) return ShowState::Minimised;
  if (hwnd && IsZoomed(hwnd)) return ShowState::Maximised;
  return ShowState::Normal;
}

std::optional<Rect> normalRect(WindowHandle window) {
  HWND hwnd = liveWindow(window);
  if (!hwnd) return std::nullopt;
  if (showState(window) == ShowState::Normal) return windowRect(window);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(hwnd, &placement)) return std::nullopt;
  // The normal place is given in work-area coordinates of its monitor.
  const RECT& n = placement.rcNormalPosition;
  const Monitor m = win32::monitorOf(MonitorFromRect(&n, MONITOR_DEFAULTTONEAREST));
  const int dx = m.work.left - m.area.left;
  const int dy = m.work.top - m.area.top;
  return Rect{n.left + dx, n.top + dy, n.right + dx, n.bottom + dy};
}

std::vector<Monitor> monitors() {
  std::vector<Monitor> list;
  EnumDisplayMonitors(nullptr, nullptr, win32::collectMonitor, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<Monitor> setMonitors(std::vector<Monitor> /*list*/) {
  // The screens are the user's: nothing to replace.
  return monitors();
}

Monitor nearestMonitor(const Rect& rect) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  return win32::monitorOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
}

std::optional<std::u16string> loadString(int id) {
  const wchar_t* text = nullptr;
  // With no buffer the call answers the resource's own read-only text.
  const int length =
      LoadStringW(win32::instance(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length));
}

}  // namespace ui
