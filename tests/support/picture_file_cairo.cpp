#include <cairo.h>

#include "support/picture_file.h"

namespace testing_support {

std::optional<PictureFile> readPictureFile(const std::filesystem::path& path) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return std::nullopt;
  }
  PictureFile picture;
  picture.width = cairo_image_surface_get_width(image);
  picture.height = cairo_image_surface_get_height(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < picture.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    for (int x = 0; x < picture.width; ++x) picture.pixels.push_back(row[x] & 0xFFFFFF);
  }
  cairo_surface_destroy(image);
  return picture;
}

}  // namespace testing_support
