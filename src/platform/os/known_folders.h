#pragma once

#include <filesystem>
#include <optional>

namespace os {

enum class KnownFolder {
  RoamingAppData,  // Windows: FOLDERID_RoamingAppData; else $XDG_CONFIG_HOME, default ~/.config
  LocalAppData,    // Windows: FOLDERID_LocalAppData; else $XDG_DATA_HOME, default ~/.local/share
};

// Empty when the system does not know the folder (on POSIX systems: when neither the XDG
// variable nor $HOME is set).
[[nodiscard]] std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder);

}  // namespace os
