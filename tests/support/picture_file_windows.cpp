#include "platform/ui/picture.h"
#include "support/picture_file.h"

namespace testing_support {

std::optional<PictureFile> readPictureFile(const std::filesystem::path& path) {
  auto picture = ui::readPng(path);
  if (!picture) return std::nullopt;
  return PictureFile{picture->width, picture->height, std::move(picture->pixels)};
}

}  // namespace testing_support
