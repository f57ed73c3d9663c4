#pragma once

// The main window: its creation and its window procedure. GUI thread only.

#include <string_view>

#include "platform/ui/window.h"

namespace orv {

// Creates the main window and stores its handle for the rest of the program.
[[nodiscard]] bool initInstance(std::u16string_view title);

ui::LResult lf_WndProc(ui::WindowHandle window, ui::MessageId message, ui::WParam wParam, ui::LParam lParam);

// Waits until the start-up thread of the last run has ended. After the message loop.
void gf_joinStartUpThread();

}  // namespace orv
