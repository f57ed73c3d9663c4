#pragma once

// Input as a user would give it, for tests and for commands read from a file: each action
// reaches the program the way a real control's input would, and a disabled control takes none.
// Call on the thread that owns the windows, then pump.

#include <string>
#include <string_view>

#include "platform/ui/window.h"

namespace ui {

// A button or check box: BN_CLICKED to the parent (a check box's owner toggles it).
bool click(WindowHandle control);
// A drop-down list: selects the item equal to the text, else the item of that index when the
// text is a whole number, then CBN_SELCHANGE. False, nothing changed, when neither fits.
bool choose(WindowHandle combo, std::u16string_view item);
// An edit box: the text replaces the content through the box's own procedure (WM_SETTEXT),
// then Enter (WM_CHAR 13) goes the same way.
bool type(WindowHandle edit, std::u16string_view text);
// The close button of a top-level window.
bool close(WindowHandle window);
// Dispatches the calling thread's messages until none waits (the quit message stays).
void pumpUntilIdle();

}  // namespace ui
