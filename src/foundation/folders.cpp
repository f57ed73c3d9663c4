#include "foundation/folders.h"

#include <fmt/format.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/utf.h"
#include "platform/os/open_folder.h"

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

std::filesystem::path gf_userFolderPath() {
  return gf_appDataPath() / kProductName;
}

std::filesystem::path gf_parametersPath() {
  return gf_userFolderPath() / "parameters.xml";
}

const ProgramPaths& gf_paths() {
  static const ProgramPaths paths;
  return paths;
}

namespace {
std::atomic<bool> msfs2020Chosen{true};
}  // namespace

void gf_setMsfs2020Chosen(bool msfs2020) {
  msfs2020Chosen = msfs2020;
}
bool gf_msfs2020Chosen() {
  return msfs2020Chosen;
}

std::string_view gf_storePackageName() {
  return msfs2020Chosen ? kStorePackage2020 : kStorePackage2024;
}
std::string_view gf_steamFolderName() {
  return msfs2020Chosen ? kSteamFolder2020 : kSteamFolder2024;
}
std::string_view gf_officialFolderName() {
  return msfs2020Chosen ? kOfficial2020Name : kOfficial2024Name;
}

namespace {

namespace fs = std::filesystem;

// The packages paths as kept until the start-up links the settings.
struct MemoryPaths {
  std::mutex mutex;
  std::string msfs2020;
  std::string msfs2024;
};
MemoryPaths& lf_memoryPaths() {
  static MemoryPaths paths;
  return paths;
}

std::mutex settingsMutex;
PackagesPathSettings settingsLink;  // guarded by settingsMutex

PackagesPathSettings lf_settings() {
  {
    std::scoped_lock lock(settingsMutex);
    if (settingsLink.stored && settingsLink.store) return settingsLink;
  }
  return {[](bool msfs2020) {
            MemoryPaths& m = lf_memoryPaths();
            std::scoped_lock lock(m.mutex);
            return msfs2020 ? m.msfs2020 : m.msfs2024;
          },
          [](bool msfs2020, const std::string& path) {
            MemoryPaths& m = lf_memoryPaths();
            std::scoped_lock lock(m.mutex);
            (msfs2020 ? m.msfs2020 : m.msfs2024) = path;
          }};
}

// The value of a "UserCfg.opt" line: between its first two double quotes; without a closing
// quote the rest of the line, without any quote the whole line.
std::string lf_quotedValue(const std::string& line) {
  const auto open = line.find('"');
  if (open == std::string::npos) return line;
  const auto close = line.find('"', open + 1);
  return line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

}  // namespace

fs::path gf_findUserCfgOpt() {
  const fs::path local = gf_localAppDataPath();
  const fs::path roaming = gf_appDataPath();
  const std::vector<fs::path> candidates = {
      local / kPackagesName / gf_storePackageName() / kLocalCacheName / kUserCfgOptName,
      roaming / gf_steamFolderName() / kUserCfgOptName,
      local / kPackagesName / kFlightDashboardPackage / kLocalCacheName / kUserCfgOptName,
      local / kMsfsPackagesName / kUserCfgOptName,
  };
  for (const auto& candidate : candidates) {
    if (fs::exists(candidate)) return candidate;
    gf_logLine(fmt::format("MSFS detection, not found: {}", gf_pathToUtf8(candidate)));
  }
  return {};
}

fs::path gf_userCfgPackagesPath() {
  const fs::path userCfg = gf_findUserCfgOpt();
  if (userCfg.empty()) {
    gf_logLine("No UserCfg.opt found?");
    return {};
  }
  std::vector<std::string> lines;
  (void)gf_readFile(userCfg, lines, 32);  // an unreadable file has no key line
  for (const auto& line : lines) {
    if (line.find("InstalledPackagesPath") == std::string::npos) continue;
    const std::string value = lf_quotedValue(line);
    gf_logLine(fmt::format("UserCfg.opt: InstalledPackagesPath={}", value));
    std::error_code ec;
    if (fs::exists(fs::path(value), ec)) return fs::path(value);
    break;
  }
  gf_logLine("UserCfg.opt: InstalledPackagesPath=???");
  return {};
}

fs::path gf_steamPackagesPath() {
  fs::path packages = gf_appDataPath() / gf_steamFolderName() / kPackagesName;
  if (!fs::exists(packages)) return {};
  gf_logLine(fmt::format("Steam packages: {}", gf_pathToUtf8(packages)));
  return packages;
}

bool gf_isPackagesRoot(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec) && fs::is_directory(path / kCommunityName, ec) &&
         fs::is_directory(path / gf_officialFolderName(), ec);
}

void gf_setPackagesPathSettings(PackagesPathSettings settings) {
  if (!settings.stored || !settings.store) {
    MemoryPaths& m = lf_memoryPaths();
    std::scoped_lock lock(m.mutex);
    m.msfs2020.clear();
    m.msfs2024.clear();
  }
  std::scoped_lock lock(settingsMutex);
  settingsLink = std::move(settings);
}

bool gf_detectPackagesPath() {
  fs::path found = gf_steamPackagesPath();
  if (!gf_isPackagesRoot(found)) {
    found = gf_userCfgPackagesPath();
    if (!gf_isPackagesRoot(found)) return false;
  }
  lf_settings().store(gf_msfs2020Chosen(), gf_pathToUtf8(found));
  return true;
}

fs::path gf_simRootPath(const fs::path& relative) {
  return fs::path(lf_settings().stored(gf_msfs2020Chosen())) / relative;
}

bool gf_openContainingFolder(const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return false;
  const fs::path folder = file.parent_path();
  if (folder.empty()) return false;
  return os::openFolder(folder);
}

}  // namespace orv
