#pragma once

// The message line and the error line at the bottom of the main window. A message disappears 25
// ticks after it was set; an error stays until it is cleared, and blocks messages meanwhile.
// Every change asks the main window to repaint its message band. Any thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/window.h"

namespace orv {

void gf_setMessage(std::string_view text, bool alsoLog = false);
void gf_clearMessage();
// Shows the text on the error line and logs "Error {}".
void gf_setError(std::string_view text);
// Empties the error line, then the message line.
void gf_clearError();

// The message line's share of the per-second job: advances the seconds counter and clears a
// message that has been shown for 25 ticks. Start-up thread.
void gf_messageTick();

struct MessageLines {
  std::string message;
  std::string error;
};
// A copy of both lines, for painting.
[[nodiscard]] MessageLines gf_messageLines();

[[nodiscard]] std::int32_t gf_secondsCounter();

// For the next run: both lines empty, the counter and the stamp 0. The lines belong to the
// process, not a run: the window shows them across restarts, and the restart clears them.
void gf_resetMessageState();

// The window that the repaint requests go to; none until the main window exists.
void gf_setMainWindow(ui::WindowHandle window);
[[nodiscard]] ui::WindowHandle gf_mainWindow();

}  // namespace orv
