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

// The simulator the program is set for: true for MSFS 2020 (the start value), false for MSFS
// 2024. Set by the start-up from SIM_CHOICE; every name with a 2020 and a 2024 form follows it.
// Any thread.
void gf_setMsfs2020Chosen(bool msfs2020);
[[nodiscard]] bool gf_msfs2020Chosen();

}  // namespace orv
