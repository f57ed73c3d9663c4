#include "platform/ui/driver.h"

#include <charconv>
#include <string>

#include "platform/ui/controls.h"

namespace ui {

bool click(WindowHandle control) {
  return postClick(control);
}

bool choose(WindowHandle combo, std::u16string_view item) {
  if (controlKind(combo) != ControlKind::ComboBox || !isEnabled(combo)) return false;
  const auto list = items(combo);
  int index = -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == item) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index < 0) {
    std::string digits;
    for (char16_t c : item) {
      if (c < u'0' || c > u'9') return false;
      digits += static_cast<char>(c);
    }
    int value = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size()) return false;
    if (value >= static_cast<int>(list.size())) return false;
    index = value;
  }
  if (!selectIndex(combo, index)) return false;
  return postCommandNotification(combo, CBN_SELCHANGE);
}

bool type(WindowHandle edit, std::u16string_view text) {
  if (controlKind(edit) != ControlKind::Edit || !isEnabled(edit)) return false;
  const std::u16string content(text);
  sendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LParam>(content.c_str()));
  sendMessage(edit, WM_CHAR, 13, 0);
  return true;
}

bool close(WindowHandle window) {
  return postMessage(window, WM_CLOSE);
}

void pumpUntilIdle() {
  Message message;
  while (peekMessage(message)) dispatchMessage(message);
}

}  // namespace ui
