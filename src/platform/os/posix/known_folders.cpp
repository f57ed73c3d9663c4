#include "platform/os/known_folders.h"

#include <cstdlib>

namespace os {

std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder) {
  const bool roaming = folder == KnownFolder::RoamingAppData;
  // XDG: a relative value is invalid and must be ignored.
  if (const char* xdg = std::getenv(roaming ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME"); xdg && xdg[0] == '/')
    return std::filesystem::path(xdg);
  if (const char* home = std::getenv("HOME"); home && *home)
    return roaming ? std::filesystem::path(home) / ".config"
                   : std::filesystem::path(home) / ".local" / "share";
  return std::nullopt;
}

bool setKnownFolderPath(KnownFolder folder, const std::filesystem::path& path) {
  const char* variable = folder == KnownFolder::RoamingAppData ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME";
  return ::setenv(variable, path.c_str(), 1) == 0;
}

}  // namespace os
