#include <algorithm>
#include <utility>

#include "platform/ui/controls.h"
#include "platform/ui/win32_window.h"

namespace ui {
namespace {

using win32::onOwnerThread;
using win32::toHandle;
using win32::toHwnd;

constexpr int kDefaultListHeight = 200;

ControlKind kindOf(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return ControlKind::None;
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  if (lstrcmpiW(name, L"Edit") == 0) return ControlKind::Edit;
  if (lstrcmpiW(name, L"ComboBox") == 0) return ControlKind::ComboBox;
  if (lstrcmpiW(name, L"Button") != 0) return ControlKind::None;
  const auto type = GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX ? ControlKind::CheckBox : ControlKind::Button;
}

// The control's window when it is one of the wanted kind (None: any control); null otherwise.
HWND controlWindow(WindowHandle control, ControlKind wanted) {
  if (!control) return nullptr;
  HWND hwnd = toHwnd(control);
  const ControlKind kind = kindOf(hwnd);
  if (kind == ControlKind::None || (wanted != ControlKind::None && kind != wanted)) return nullptr;
  return hwnd;
}

void repaintParent(HWND hwnd) {
  InvalidateRect(GetParent(hwnd), nullptr, FALSE);
}

std::vector<std::u16string> itemsOf(HWND combo) {
  std::vector<std::u16string> list;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::u16string item(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, u'\0');
    const auto got =
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    list.push_back(std::move(item));
  }
  return list;
}

int selectionOf(HWND combo) {
  const auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

}  // namespace

WindowHandle createControl(ControlSpec spec) {
  if (!spec.parent || spec.kind == ControlKind::None) return {};
  HWND parent = toHwnd(spec.parent);
  if (!IsWindow(parent)) return {};
  // A child belongs to the thread that creates it; the parent's thread takes its messages.
  return onOwnerThread(parent, WindowHandle{}, [parent, spec = std::move(spec)]() mutable {
    const wchar_t* className = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    int height = spec.rect.height();
    switch (spec.kind) {
      case ControlKind::Button:
        style |= BS_DEFPUSHBUTTON;
        break;
      case ControlKind::CheckBox:
        // Plain: the program sets the state when it takes the click.
        style |= BS_CHECKBOX;
        break;
      case ControlKind::ComboBox:
        className = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        height += spec.listHeight > 0 ? spec.listHeight : kDefaultListHeight;
        break;
      case ControlKind::Edit:
        className = L"EDIT";
        style |= WS_BORDER | ES_AUTOHSCROLL;
        break;
      case ControlKind::None:
        return WindowHandle{};
    }
    if (!spec.enabled) style |= WS_DISABLED;
    HWND hwnd = CreateWindowExW(0, className, reinterpret_cast<LPCWSTR>(spec.text.c_str()), style,
                                spec.rect.left, spec.rect.top, spec.rect.width(), height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.controlId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return WindowHandle{};
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::windowFont()), FALSE);
    win32::adoptControl(hwnd, std::move(spec.proc));
    repaintParent(hwnd);
    return toHandle(hwnd);
  });
}

std::optional<ControlState> controlState(WindowHandle control) {
  HWND hwnd = controlWindow(control, ControlKind::None);
  if (!hwnd) return std::nullopt;
  return onOwnerThread(hwnd, std::optional<ControlState>{}, [hwnd] {
    ControlState state;
    state.kind = kindOf(hwnd);
    state.controlId = GetDlgCtrlID(hwnd);
    state.rect = windowRect(toHandle(hwnd)).value_or(Rect{});
    state.enabled = IsWindowEnabled(hwnd) != 0;
    if (state.kind == ControlKind::ComboBox) {
      state.items = itemsOf(hwnd);
      // A combo box whose list window is gone (closed by someone else) answers no items but a
      // selection of 0: a selection is only ever one of the items given with it.
      const int selection = selectionOf(hwnd);
      state.selection = selection < static_cast<int>(state.items.size()) ? selection : -1;
    } else {
      state.text = win32::textOf(hwnd);
    }
    if (state.kind == ControlKind::CheckBox)
      state.checked = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return std::optional<ControlState>(std::move(state));
  });
}

ControlKind controlKind(WindowHandle control) {
  return control ? kindOf(toHwnd(control)) : ControlKind::None;
}

bool setEnabled(WindowHandle control, bool enabled) {
  HWND hwnd = controlWindow(control, ControlKind::None);
  if (!hwnd) return false;
  const bool changed = onOwnerThread(hwnd, false, [=] {
    if ((IsWindowEnabled(hwnd) != 0) == enabled) return false;
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
    return true;
  });
  // The parent greys the labels of disabled controls.
  if (changed) repaintParent(hwnd);
  return true;
}

bool isEnabled(WindowHandle control) {
  HWND hwnd = controlWindow(control, ControlKind::None);
  return hwnd && IsWindowEnabled(hwnd);
}

bool setCheck(WindowHandle control, bool checked) {
  HWND hwnd = controlWindow(control, ControlKind::CheckBox);
  if (!hwnd) return false;
  onOwnerThread(hwnd, LRESULT{0},
                [=] { return SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); });
  return true;
}

bool isChecked(WindowHandle control) {
  HWND hwnd = controlWindow(control, ControlKind::CheckBox);
  if (!hwnd) return false;
  return onOwnerThread(hwnd, false, [=] { return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; });
}

bool resetItems(WindowHandle combo) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return false;
  onOwnerThread(hwnd, LRESULT{0}, [=] { return SendMessageW(hwnd, CB_RESETCONTENT, 0, 0); });
  return true;
}

bool addItem(WindowHandle combo, std::u16string item) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return false;
  return onOwnerThread(hwnd, false, [hwnd, item = std::move(item)] {
    return SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())) >= 0;
  });
}

bool selectIndex(WindowHandle combo, int index) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return false;
  return onOwnerThread(hwnd, false, [=] {
    if (index < -1 || index >= SendMessageW(hwnd, CB_GETCOUNT, 0, 0)) return false;
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return true;
  });
}

int selectExact(WindowHandle combo, std::u16string_view text) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return -1;
  // Compared here: the list's own exact search ignores case.
  return onOwnerThread(hwnd, -1, [hwnd, wanted = std::u16string(text)] {
    const auto list = itemsOf(hwnd);
    const auto it = std::find(list.begin(), list.end(), wanted);
    const int found = it == list.end() ? -1 : static_cast<int>(it - list.begin());
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    return found;
  });
}

int selection(WindowHandle combo) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return -1;
  return onOwnerThread(hwnd, -1, [hwnd] { return selectionOf(hwnd); });
}

std::vector<std::u16string> items(WindowHandle combo) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return {};
  return onOwnerThread(hwnd, std::vector<std::u16string>{}, [hwnd] { return itemsOf(hwnd); });
}

std::optional<std::u16string> selectedItem(WindowHandle combo) {
  HWND hwnd = controlWindow(combo, ControlKind::ComboBox);
  if (!hwnd) return std::nullopt;
  return onOwnerThread(hwnd, std::optional<std::u16string>{}, [hwnd] {
    const int index = selectionOf(hwnd);
    const auto list = itemsOf(hwnd);
    if (index < 0 || index >= static_cast<int>(list.size())) return std::optional<std::u16string>{};
    return std::optional<std::u16string>(list[static_cast<std::size_t>(index)]);
  });
}

bool postCommandNotification(WindowHandle control, std::uint16_t code) {
  HWND hwnd = controlWindow(control, ControlKind::None);
  // A disabled control takes no input, so the user cannot have changed it.
  if (!hwnd || !IsWindowEnabled(hwnd)) return false;
  return PostMessageW(GetParent(hwnd), WM_COMMAND, commandWParam(GetDlgCtrlID(hwnd), code),
                      reinterpret_cast<LPARAM>(hwnd)) != 0;
}

bool postClick(WindowHandle control) {
  const ControlKind kind = controlKind(control);
  if (kind != ControlKind::Button && kind != ControlKind::CheckBox) return false;
  HWND hwnd = toHwnd(control);
  // The button's own procedure turns the click into BN_CLICKED to its parent.
  return IsWindowEnabled(hwnd) && PostMessageW(hwnd, BM_CLICK, 0, 0) != 0;
}

}  // namespace ui
