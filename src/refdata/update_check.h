#pragma once

// The update check of the first start-up of the process: asks the download site which versions
// of the program and its data are current, fetches newer data files, switches the scans on when
// their results are outdated, and hands a new program version over for installation.

#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/version.h"

namespace orv {

// False only when a new program version was handed over: the run-stop flag is then raised with
// NEW VERSION and 0 restart seconds. True otherwise, also when the site could not be reached or
// sent no usable version list. Start-up thread.
[[nodiscard]] bool gf_checkForUpdates();

// Fetches the installer archive and places its installer at "new_version/install_new_version.exe".
[[nodiscard]] bool lf_downloadNewVersion(const Version& remote);

// Fetches the simulator add-on list and unpacks it into "airports/my_simaddon" when the remote
// version is newer or the folder is empty. True when it was unpacked.
[[nodiscard]] bool lf_downloadMySimAddon(const Version& remote);

// "airports/my_simaddon" is missing, no folder, or empty. Throws std::filesystem::filesystem_error
// when its status cannot be had for another reason than absence.
[[nodiscard]] bool lf_mySimAddonIsEmpty();

// The advice for running the installer from the program folder: a folder under /usr or /opt that
// this process may not write needs administrator (root) rights.
[[nodiscard]] std::string gf_checkInstallerRights(const std::filesystem::path& programFolder);

inline constexpr std::string_view kAdviceAsAdministrator =
    "A new version is available. Run the installer as Administrator";
inline constexpr std::string_view kAdviceNormal =
    "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";

void lf_logVersionUpdated(std::string_view item, std::string_view version);
void lf_logVersionUpToDate(std::string_view item);
void lf_logVersionNotFound(std::string_view item);

}  // namespace orv
