#pragma once

// The main window: its creation and its window procedure. GUI thread only.

#include <cstdint>
#include <string_view>

#include "platform/ui/window.h"

namespace orv {

// Creates the main window and stores its handle for the rest of the program.
[[nodiscard]] bool initInstance(std::u16string_view title);

ui::LResult lf_WndProc(ui::WindowHandle window, ui::MessageId message, ui::WParam wParam, ui::LParam lParam);

// Where the window's top-left corner goes so that at least 48 pixels of it stay inside the work
// area of the nearest monitor.
[[nodiscard]] ui::Point gf_placeOnMonitor(std::int32_t x, std::int32_t y);
// Replaces a stored corner at the end of its range by the fallback, then keeps the window on
// its monitor; a changed place is stored, saved and applied.
void lf_keepWindowOnMonitor(std::int32_t fallbackX, std::int32_t fallbackY);

// Waits until the start-up thread of the last run has ended. After the message loop.
void gf_joinStartUpThread();

}  // namespace orv
