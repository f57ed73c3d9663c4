#include "foundation/folders.h"

#include <atomic>

#include "foundation/log.h"
#include "foundation/program.h"

namespace orv {

std::optional<std::filesystem::path> gf_knownFolderPath(os::KnownFolder folder) {
  return os::knownFolderPath(folder);
}

std::filesystem::path gf_appDataPath() {
  if (auto path = gf_knownFolderPath(os::KnownFolder::RoamingAppData)) return *path;
  gf_logImportant("Could not find the AppData path");
  return {};
}

std::filesystem::path gf_localAppDataPath() {
  if (auto path = gf_knownFolderPath(os::KnownFolder::LocalAppData)) return *path;
  gf_logImportant("Could not find the Local AppData path");
  return {};
}

std::filesystem::path gf_userFolderPath() { return gf_appDataPath() / kProductName; }

std::filesystem::path gf_parametersPath() { return gf_userFolderPath() / "parameters.xml"; }

const ProgramPaths& gf_paths() {
  static const ProgramPaths paths;
  return paths;
}

namespace {
std::atomic<bool> msfs2020Chosen{true};
}  // namespace

void gf_setMsfs2020Chosen(bool msfs2020) { msfs2020Chosen = msfs2020; }
bool gf_msfs2020Chosen() { return msfs2020Chosen; }

std::string_view gf_storePackageName() { return msfs2020Chosen ? kStorePackage2020 : kStorePackage2024; }
std::string_view gf_steamFolderName() { return msfs2020Chosen ? kSteamFolder2020 : kSteamFolder2024; }
std::string_view gf_officialFolderName() { return msfs2020Chosen ? kOfficial2020Name : kOfficial2024Name; }

}  // namespace orv
