#pragma once

// The window as the screen shows it, where the platform draws the window itself (Windows):
// caption, painted bands and controls, written as a PNG image. The headless model on Windows
// gives its last frame drawn the same way, without controls; on Linux the program draws it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

// Writes the top-level window's picture through a temporary file renamed into place; false when
// the window is gone or the file could not be written. The window's thread.
bool writeWindowPng(WindowHandle window, const std::filesystem::path& path);

// A picture read back, one 0xRRGGBB value per pixel, row by row from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  [[nodiscard]] std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Reads a PNG image (Windows: by GDI+); nothing when the file is missing or no image.
[[nodiscard]] std::optional<Picture> readPng(const std::filesystem::path& path);

}  // namespace ui
