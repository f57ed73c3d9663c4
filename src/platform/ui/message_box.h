#pragma once

// Message boxes of the headless window model: nobody can click one, so a box is recorded, handed
// to the log sink as "{caption}: {text}", and answered at once with OK. Any thread.
// The Win32 window records and logs the box the same way, then shows it and waits for the user.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

enum class MessageBoxIcon { None, Information, Exclamation, Error };

inline constexpr int IDOK = 1;

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  MessageBoxIcon icon = MessageBoxIcon::None;
};

// Shows (records) the box and returns IDOK.
int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, MessageBoxIcon icon);

// Where the boxes are logged; the program's log is set by the start-up. Without one, only
// recorded.
void setMessageBoxLog(std::function<void(std::string_view)> log);
[[nodiscard]] bool hasMessageBoxLog();

// Every box shown so far, oldest first; clearing is for tests.
[[nodiscard]] std::vector<MessageBoxRecord> shownMessageBoxes();
void clearShownMessageBoxes();

}  // namespace ui
