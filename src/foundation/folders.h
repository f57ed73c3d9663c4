#pragma once

// The known folders of the user and the program's per-user folder.

#include <filesystem>
#include <optional>

#include "platform/os/known_folders.h"

namespace orv {

[[nodiscard]] std::optional<std::filesystem::path> gf_knownFolderPath(os::KnownFolder folder);

// The roaming application data; logs "Could not find the AppData path" and gives an empty path
// when there is none.
[[nodiscard]] std::filesystem::path gf_appDataPath();
// The local application data; "Could not find the Local AppData path" when there is none.
[[nodiscard]] std::filesystem::path gf_localAppDataPath();

// "Quillstar" under the roaming application data: the home of "parameters.xml".
[[nodiscard]] std::filesystem::path gf_userFolderPath();
[[nodiscard]] std::filesystem::path gf_parametersPath();

}  // namespace orv
