#pragma once

// Where the main window's controls sit and what the window looks like as text. GUI thread.

#include <string>
#include <vector>

#include "config/parameters.h"
#include "platform/ui/window.h"

namespace orv {

struct ControlPlace {
  WindowControl* control;
  std::string name;  // the parameter's key or the button's label
  int x;
  int width;
  int listHeight = 0;  // how far a drop-down list opens below its box
};

// Every control of the options band in the order of creation.
[[nodiscard]] const std::vector<ControlPlace>& gf_controlPlaces();
// The control's rectangle from its kind and row.
[[nodiscard]] ui::Rect gf_controlRect(const ControlPlace& place);
// The control with that name; null when none has it.
[[nodiscard]] const ControlPlace* gf_findControlPlace(std::string_view name);

// The window as text: the window line, the last frame, the controls and the warning boxes.
[[nodiscard]] std::string gf_windowText(ui::WindowHandle window);

}  // namespace orv
