#pragma once

// The user's roaming folder pointed at a benchmark's own while it runs, so that a benchmark never
// writes the user's settings. Windows keeps the redirection in the registry beyond the process,
// so the folder that was there is pointed at again at the end, on every way out of main.

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "platform/os/known_folders.h"

namespace bench {

class RoamingFolder {
 public:
  explicit RoamingFolder(const std::filesystem::path& path)
      : previous_(os::knownFolderPath(os::KnownFolder::RoamingAppData)) {
    if (!os::setKnownFolderPath(os::KnownFolder::RoamingAppData, path))
      throw std::runtime_error("cannot point the roaming folder at " + path.string());
  }
  ~RoamingFolder() {
    if (previous_) (void)os::setKnownFolderPath(os::KnownFolder::RoamingAppData, *previous_);
  }
  RoamingFolder(const RoamingFolder&) = delete;
  RoamingFolder& operator=(const RoamingFolder&) = delete;

 private:
  std::optional<std::filesystem::path> previous_;
};

}  // namespace bench
