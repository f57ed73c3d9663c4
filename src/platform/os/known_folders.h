#pragma once

#include <filesystem>
#include <optional>

namespace os {

enum class KnownFolder {
  RoamingAppData,  // $XDG_CONFIG_HOME, default ~/.config
  LocalAppData,    // $XDG_DATA_HOME, default ~/.local/share
};

// Empty when neither the XDG variable nor $HOME is set.
[[nodiscard]] std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder);

}  // namespace os
