#pragma once

// Child controls of the headless window model: push buttons, check boxes, drop-down lists and
// edit boxes with their state. Every operation may be called from any thread: it runs at once
// under the model's lock and never waits for the thread that owns the window. A change schedules
// a repaint of the parent. Programmatic changes send no notification; only user input (a later
// test driver, or a real front end) produces WM_COMMAND, through postCommandNotification.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

enum class ControlKind { None, Button, CheckBox, ComboBox, Edit };

// Notification codes, carried in the high word of WM_COMMAND's wParam.
inline constexpr std::uint16_t BN_CLICKED = 0;
inline constexpr std::uint16_t CBN_SELCHANGE = 1;
inline constexpr std::uint16_t EN_CHANGE = 0x0300;

// WM_COMMAND's wParam: the control id in the low word, the notification code in the high word.
[[nodiscard]] constexpr WParam commandWParam(int controlId, std::uint16_t code) {
  return (static_cast<WParam>(code) << 16) | (static_cast<WParam>(controlId) & 0xFFFF);
}
[[nodiscard]] constexpr int commandControlId(WParam wParam) {
  return static_cast<int>(wParam & 0xFFFF);
}
[[nodiscard]] constexpr std::uint16_t commandCode(WParam wParam) {
  return static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF);
}

struct ControlSpec {
  ControlKind kind = ControlKind::Button;
  WindowHandle parent;
  int controlId = 0;
  Rect rect;            // client coordinates of the parent; a drop-down list's closed box
  int listHeight = 0;   // how far a drop-down list opens below its box; 0: a fitting default
  std::u16string text;  // label of a button or check box, content of an edit box
  bool enabled = true;
  WindowProc proc;  // empty: defWindowProc; an edit box may be subclassed with its own
};

// Creates the control as a child of the parent; none when the parent does not exist.
[[nodiscard]] WindowHandle createControl(ControlSpec spec);

// What a painter needs of a control, copied under the model's lock.
struct ControlState {
  ControlKind kind = ControlKind::None;
  int controlId = 0;
  Rect rect;
  std::u16string text;
  bool enabled = true;
  bool checked = false;
  std::vector<std::u16string> items;
  int selection = -1;  // -1: nothing selected
};

// Nothing for a stale handle or a window that is not a control.
[[nodiscard]] std::optional<ControlState> controlState(WindowHandle control);
[[nodiscard]] ControlKind controlKind(WindowHandle control);

// The setters answer false for a stale handle or a control of another kind. Edit boxes and the
// labels of buttons change through setWindowText.
bool setEnabled(WindowHandle control, bool enabled);
[[nodiscard]] bool isEnabled(WindowHandle control);

bool setCheck(WindowHandle control, bool checked);  // check boxes
[[nodiscard]] bool isChecked(WindowHandle control);

// Drop-down lists.
bool resetItems(WindowHandle combo);  // no items, nothing selected
bool addItem(WindowHandle combo, std::u16string item);
// -1 clears the selection; an index outside the items is refused.
bool selectIndex(WindowHandle combo, int index);
// Selects the first item equal to the text, never one that merely begins with it. The index, or
// -1 (and nothing selected) when no item is equal.
int selectExact(WindowHandle combo, std::u16string_view text);
[[nodiscard]] int selection(WindowHandle combo);
[[nodiscard]] std::vector<std::u16string> items(WindowHandle combo);
// The text of the selected item; nothing when none is selected.
[[nodiscard]] std::optional<std::u16string> selectedItem(WindowHandle combo);

// For user input: a click on a button or check box, as the mouse gives it: the control tells
// its parent (BN_CLICKED) once the parent's thread takes its messages. False, nothing posted, for
// a disabled control or one of another kind.
bool postClick(WindowHandle control);

// For user input: posts WM_COMMAND with the control's id and the code to the parent, with the
// control's handle in lParam, as a real control would after the user changed it. False, and
// nothing posted, for a disabled control, which takes no input.
bool postCommandNotification(WindowHandle control, std::uint16_t code);

}  // namespace ui
