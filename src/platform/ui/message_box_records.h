#pragma once

// The record and the log sink that both message-box backends share: each records and logs a box
// the same way before answering it (the headless model) or showing it (Win32).

#include <string_view>

#include "platform/ui/message_box.h"

namespace ui::detail {

// Records the box and hands "{caption}: {text}" to the log sink, if one is set. Any thread.
void recordMessageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon);

// Hands the text to the log sink of the boxes, if one is set. Any thread.
void logToMessageBoxSink(std::string_view text);

}  // namespace ui::detail
