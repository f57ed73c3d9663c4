#pragma once

#include "platform/ui/window.h"

namespace orv {

// Messages between the run and the main window.
inline constexpr ui::MessageId WM_APP_START_RUN = ui::WM_APP + 1;           // start a new start-up thread
inline constexpr ui::MessageId WM_APP_END_PROCESS = ui::WM_APP + 2;         // store the position, quit
inline constexpr ui::MessageId WM_APP_REPAINT_MESSAGE = ui::WM_APP + 0x60;  // repaint the message band

}  // namespace orv
