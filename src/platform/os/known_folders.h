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

// Points the folder elsewhere, for test set-ups that keep the user's own folders out of reach.
// Windows: the shell's redirection of the user's folder, which the registry keeps beyond the
// process (restore it); POSIX systems: the XDG variable of this process. False when refused.
[[nodiscard]] bool setKnownFolderPath(KnownFolder folder, const std::filesystem::path& path);

}  // namespace os
