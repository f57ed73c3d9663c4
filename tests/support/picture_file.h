#pragma once

// A PNG file read back for the tests that look at the window's picture.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace testing_support {

struct PictureFile {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row from the top
  [[nodiscard]] std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Nothing when the file is missing or no PNG.
[[nodiscard]] std::optional<PictureFile> readPictureFile(const std::filesystem::path& path);

}  // namespace testing_support
