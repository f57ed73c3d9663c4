#pragma once

// The window as the screen shows it, where the platform draws the window itself (Windows):
// caption, painted bands and controls, written as a PNG image. The headless model on Windows
// gives its last frame drawn the same way, without controls; on Linux the program draws it.

#include <filesystem>

#include "platform/ui/window.h"

namespace ui {

// Writes the top-level window's picture through a temporary file renamed into place; false when
// the window is gone or the file could not be written. The window's thread.
bool writeWindowPng(WindowHandle window, const std::filesystem::path& path);

}  // namespace ui
