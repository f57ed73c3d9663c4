#include "refdata/update_check.h"

#include <fmt/format.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/text.h"
#include "platform/os/installer_rights.h"
#include "platform/ui/message_box.h"
#include "refdata/downloader.h"
#include "refdata/zip_archive.h"

namespace orv {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr std::size_t kInstallerChunkBytes = 0x80000;
constexpr std::uint64_t kAddonEntryLimit = 16u << 20;  // 16 MiB: no stand list comes near it
const fs::path kVersionsJson{"versions.json"};
const fs::path kLatestVersionZip{"latest_version.zip"};
const fs::path kExtractedInstaller{"install_new_version.exe"};
const fs::path kMySimAddonZip{"my_simaddon2024.zip"};

void removeWithWarning(const fs::path& path, std::string_view warning) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) gf_logImportant(fmt::format(fmt::runtime(warning), path.string()));
}

// Exists, or throws for a failure that is not plain absence.
bool existsOrThrow(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
    throw fs::filesystem_error("exists", path, ec);
  return fs::exists(status);
}

// The installed version of a setting; an empty or unreadable text counts as none.
Version installedVersion(const StringParameter& parameter) {
  const std::string text = parameter.value();
  if (text.empty()) {
    gf_logLine(fmt::format("{} is empty: taken as 0.0.0", parameter.key()));
    return {};
  }
  try {
    return gf_parseVersion(text);
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{} '{}' is unreadable ({}): taken as 0.0.0", parameter.key(), gf_logQuote(text),
                           e.what()));
    return {};
  }
}

// The member's triple; nothing when the member or one of its numbers is missing or no integer in
// 0..2^31-1.
std::optional<Version> remoteVersion(const json& document, const char* item) {
  if (!document.is_object()) return std::nullopt;
  const auto member = document.find(item);
  if (member == document.end()) return std::nullopt;
  return gf_versionFromJson(*member);
}

void setVersion(StringParameter& parameter, const Version& remote) {
  parameter.set(gf_versionText(remote));
  gf_writeParameter(parameter);
}

void switchScanOn(CheckBoxParameter& scan, StringParameter& version, const Version& remote,
                  std::string_view item) {
  scan.set(true);
  gf_saveBoolParameter(scan);
  gf_showCheck(scan);  // the check box change repaints the options band
  setVersion(version, remote);
  lf_logVersionUpdated(item, gf_versionText(remote));
}

void checkDataFile(std::string_view item, StringParameter& parameter, const fs::path& path,
                   const Version& remote) {
  if (remote > installedVersion(parameter) || !existsOrThrow(path)) {
    if (gf_downloadDataFile(path.filename().string(), path)) {
      setVersion(parameter, remote);
      lf_logVersionUpdated(item, gf_versionText(remote));
    }
    return;
  }
  lf_logVersionUpToDate(item);
}

void logBox(std::string_view line) {
  gf_logLine(line);
}

void handOverNewVersion() {
  const ProgramPaths& paths = gf_paths();
  {
    DownloadHandle handle;
    const std::string base = gf_downloadBase();
    if (base.empty() || !gf_downloadFile(handle, base + "docs/ReleaseNotes.pdf", paths.releaseNotes, true))
      gf_logImportant(
          fmt::format("could not download {} to {}", "ReleaseNotes.pdf", paths.newVersion.string()));
  }
  const std::string advice = gf_checkInstallerRights(fs::current_path());
  gf_logLine(advice);
  gf_flushLog();
  {
    std::ofstream readme(paths.newVersion / "README.txt", std::ios::binary | std::ios::trunc);
    readme << advice;
  }
  if (!gf_openContainingFolder(paths.installNewVersion)) {
    if (!ui::hasMessageBoxLog()) ui::setMessageBoxLog(&logBox);
    ui::messageBox(gf_mainWindow(), "Could not open File Explorer at new version", kShortName,
                   ui::MessageBoxIcon::Exclamation);
    gf_setMessage("Opening file explorer at the new version failed? Try manually via the Tessavane website.",
                  true);
  }
  gf_endRun(ExitReason::NewVersion, 0);
}

// The entry that holds the installer: the one ending in ".exe", else the last file.
const ZipEntry* installerEntry(const std::vector<ZipEntry>& entries) {
  const ZipEntry* chosen = nullptr;
  for (const ZipEntry& entry : entries) {
    if (entry.isDirectory()) continue;
    const bool exe = entry.name.size() >= 4 && entry.name.compare(entry.name.size() - 4, 4, ".exe") == 0;
    if (exe) return &entry;
    chosen = &entry;
  }
  return chosen;
}

void extractInstaller(const fs::path& archivePath) {
  auto archive = ZipReader::open(archivePath);
  if (!archive) {
    gf_logImportant(fmt::format("Could not open {}", archivePath.string()));
    return;
  }
  const std::vector<ZipEntry> entries = archive->entries();
  const ZipEntry* entry = installerEntry(entries);
  if (!entry) return;
  std::error_code ec;
  fs::remove(kExtractedInstaller, ec);
  if (ec)
    gf_logImportant(fmt::format("Warning: could not remove old installer: {}", kExtractedInstaller.string()));
  std::ofstream out(kExtractedInstaller, std::ios::binary | std::ios::trunc);
  if (!out) {
    gf_logImportant(fmt::format("Could not create output file {}", kExtractedInstaller.string()));
    return;
  }
  const int result = archive->copyTo(*entry, kInstallerChunkBytes, [&out](std::span<const char> chunk) {
    return static_cast<bool>(out.write(chunk.data(), static_cast<std::streamsize>(chunk.size())));
  });
  out.close();
  const bool closed = !out.fail();
  if (result != 0 || !closed) {
    gf_logImportant(fmt::format("Unzipping error code: {}", result != 0 ? result : -1));
    fs::remove(kExtractedInstaller, ec);  // a cut installer must not be taken for the new one
    return;
  }
  gf_logLine(fmt::format("{} unzipped to {}", archivePath.string(), kExtractedInstaller.string()));
}

// The file name of an archive entry; empty for a name that must not become a local file.
std::string safeEntryName(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  if (last.empty() || last == "." || last == "..") return {};
  for (const char c : last)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
  return std::string(last);
}

std::string printable(std::string_view text) {
  std::string out;
  for (const char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
  return out;
}

int unpackAddonList(const ZipReader& archive, const fs::path& folder) {
  int count = 0;
  for (const ZipEntry& entry : archive.entries()) {
    if (entry.isDirectory()) continue;
    const std::string name = safeEntryName(entry.name);
    if (name.empty() || entry.size > kAddonEntryLimit) {
      gf_logImportant(fmt::format("Skipped archive entry '{}'", printable(entry.name)));
      continue;
    }
    const auto text = archive.read(entry, kAddonEntryLimit);
    const fs::path target = folder / fs::path(name).replace_extension(".txt");
    if (!text) {
      gf_logImportant(fmt::format("Skipped archive entry '{}'", printable(entry.name)));
      continue;
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << *text;
    out.close();
    if (!out) {
      gf_logImportant(fmt::format("Failed to write file: {}", target.string()));
      continue;
    }
    ++count;
  }
  return count;
}

}  // namespace

void lf_logVersionUpdated(std::string_view item, std::string_view version) {
  gf_logLine(fmt::format("{} updated to {}", item, version));
}

void lf_logVersionUpToDate(std::string_view item) {
  gf_logLine(fmt::format("{} version up-to-date", item));
}

void lf_logVersionNotFound(std::string_view item) {
  gf_logImportant(fmt::format("{} version not found", item));
}

bool lf_mySimAddonIsEmpty() {
  const fs::path& folder = gf_paths().mySimaddon;
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
    throw fs::filesystem_error("status", folder, ec);
  if (!fs::is_directory(status)) return true;
  return fs::is_empty(folder);
}

std::string gf_checkInstallerRights(const fs::path& programFolder) {
  if (!os::isSharedProgramFolder(programFolder)) return std::string(kAdviceNormal);
  const bool writable = os::canWriteNewFile(programFolder / ".write_test.tmp");
  if (!writable && !os::processIsElevated()) return std::string(kAdviceAsAdministrator);
  return std::string(kAdviceNormal);
}

bool lf_downloadNewVersion(const Version& remote) {
  const ProgramPaths& paths = gf_paths();
  bool downloaded = false;
  {
    DownloadHandle handle(DownloadHandle::Kind::Installer);
    const std::string base = gf_downloadBase();
    downloaded = !base.empty() &&
                 gf_downloadFile(
                     handle, fmt::format("{}release/{}/{}", base, kProductName, kLatestVersionZip.string()),
                     kLatestVersionZip, true);
  }
  if (!downloaded) {
    gf_setMessage(fmt::format("Downloading program installer file version {} failed", gf_versionText(remote)),
                  true);
    // Whatever lies around from an earlier attempt is not this version's installer.
    return false;
  }
  gf_logLine(fmt::format("Downloaded {}", kLatestVersionZip.string()));
  // An installer left from an earlier attempt must not pass for this archive's.
  removeWithWarning(kExtractedInstaller, "Warning: could not remove old installer: {}");
  extractInstaller(kLatestVersionZip);

  fs::create_directories(paths.newVersion);
  removeWithWarning(kLatestVersionZip, "Warning: could not remove downloaded zip: {}");

  std::error_code ec;
  if (!fs::exists(kExtractedInstaller, ec)) {
    gf_logImportant(fmt::format("{} does not exists?", kExtractedInstaller.string()));
    return false;
  }
  const fs::path target = paths.installNewVersion;
  fs::path temporary = target;
  temporary += ".part";
  fs::remove(target, ec);
  fs::remove(temporary, ec);
  const auto sizeBefore = fs::file_size(kExtractedInstaller, ec);
  if (ec) {
    gf_logLine(fmt::format("file_size({}) failed: {}", kExtractedInstaller.string(), ec.message()));
    return false;
  }
  fs::rename(kExtractedInstaller, temporary, ec);
  if (ec) {
    gf_logLine(fmt::format("could not rename {} => {}: {}", kExtractedInstaller.string(), temporary.string(),
                           ec.message()));
    return false;
  }
  const auto sizeAfter = fs::file_size(temporary, ec);
  if (ec) {
    gf_logLine(fmt::format("file_size({}) failed: {}", temporary.string(), ec.message()));
    fs::remove(temporary, ec);
    return false;
  }
  if (sizeAfter != sizeBefore) {
    gf_logLine(fmt::format("rename {} => {} suspicious: size {} != {}", kExtractedInstaller.string(),
                           temporary.string(), sizeAfter, sizeBefore));
    fs::remove(temporary, ec);
    return false;
  }
  if (!gf_replaceWithTemporary(temporary, target, ec)) {
    gf_logLine(fmt::format("could not finalize rename {} => {}: {}", temporary.string(), target.string(),
                           ec.message()));
    return false;
  }
  if (fs::exists(kExtractedInstaller, ec))
    removeWithWarning(kExtractedInstaller, "Warning: could not remove extracted: {}");
  return true;
}

bool lf_downloadMySimAddon(const Version& remote) {
  if (!(remote > installedVersion(cfg::MYSIMADDON24_VERSION)) && !lf_mySimAddonIsEmpty()) return false;

  // The archive goes on every way out.
  struct RemoveZip {
    ~RemoveZip() {
      std::error_code ec;
      if (fs::exists(kMySimAddonZip, ec))
        removeWithWarning(kMySimAddonZip, "Warning: could not remove downloaded zip: {}");
    }
  } removeZip;

  {
    DownloadHandle handle;
    const std::string base = gf_downloadBase();
    if (base.empty() ||
        !gf_downloadFile(handle, base + "mysimaddon24/" + kMySimAddonZip.string(), kMySimAddonZip, true))
      return false;
  }
  const fs::path& folder = gf_paths().mySimaddon;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    gf_logImportant(fmt::format("Could not create directory {}: {}", folder.string(), ec.message()));
    return false;
  }
  auto archive = ZipReader::open(kMySimAddonZip);
  if (!archive) {
    gf_logImportant(fmt::format("Could not open {}", kMySimAddonZip.string()));
    return false;
  }
  const int count = unpackAddonList(*archive, folder);
  gf_setMessage(fmt::format("{} unzipped {} files", kMySimAddonZip.string(), count), true);
  setVersion(cfg::MYSIMADDON24_VERSION, remote);
  return true;
}

bool gf_checkForUpdates() {
  const ProgramPaths& paths = gf_paths();
  {
    DownloadHandle handle;
    const std::string base = gf_downloadBase();
    if (base.empty() || !gf_downloadFile(handle, base + kVersionsJson.string(), kVersionsJson, false)) {
      gf_logImportant("Downloading version info from my web site failed!");
      return true;
    }
  }
  json document;
  {
    std::ifstream in(kVersionsJson, std::ios::binary);
    if (!in) {
      gf_logImportant("Cannot open versions.json");
      return true;
    }
    try {
      document = json::parse(in);
    } catch (const json::exception& e) {
      // A proxy or captive portal answers with its own page: treated like an unreachable site.
      in.close();
      fs::remove(kVersionsJson);
      gf_logImportant(fmt::format("versions.json from my web site is no JSON: {}", e.what()));
      return true;
    }
  }
  fs::remove(kVersionsJson);

  if (const auto remote = remoteVersion(document, "msfs")) {
    gf_logLine(fmt::format("{} program version at web = {}", "msfs", gf_versionText(*remote)));
    if (*remote > kProgramVersion) {
      if (lf_downloadNewVersion(*remote)) {
        handOverNewVersion();
        return false;
      }
      gf_setMessage(
          "The downloading/unzipping of the new version failed? Try manually via the Tessavane website.",
          true);
    } else {
      lf_logVersionUpToDate("msfs");
    }
  } else {
    lf_logVersionNotFound("msfs");
  }

  if (!gf_msfs2020Chosen()) {
    if (const auto remote = remoteVersion(document, "simaddon")) {
      if (lf_downloadMySimAddon(*remote))
        lf_logVersionUpdated("simaddon", gf_versionText(*remote));
      else
        lf_logVersionUpToDate("simaddon");
    } else {
      lf_logVersionNotFound("simaddon");
    }
  }

  if (const auto remote = remoteVersion(document, "airports"))
    checkDataFile("airports", cfg::AIRPORTS_VERSION, paths.airportsEnc, *remote);
  else
    lf_logVersionNotFound("airports");

  if (const auto remote = remoteVersion(document, "aig"))
    checkDataFile("aig", cfg::AIG_VERSION, paths.aigRegcodesEnc, *remote);
  else
    lf_logVersionNotFound("aig");

  if (const auto remote = remoteVersion(document, "liveries")) {
    if (*remote > installedVersion(cfg::LIV_SCAN_VERSION) || !existsOrThrow(paths.liveriesScanned))
      switchScanOn(cfg::SCAN_LIVERIES, cfg::LIV_SCAN_VERSION, *remote, "liveries");
    else
      lf_logVersionUpToDate("liveries");
  } else {
    lf_logVersionNotFound("liveries");
  }

  if (const auto remote = remoteVersion(document, "addons")) {
    if (*remote > installedVersion(cfg::ADDONS_SCAN_VERSION))
      switchScanOn(cfg::SCAN_AIRPORTS, cfg::ADDONS_SCAN_VERSION, *remote, "addons");
    else
      lf_logVersionUpToDate("addons");
  } else {
    lf_logVersionNotFound("addons");
  }

  if (const auto remote = remoteVersion(document, "dbase"))
    checkDataFile("dbase", cfg::DBASE_VERSION, paths.dbaseEnc, *remote);
  else
    lf_logVersionNotFound("dbase");

  return true;
}

}  // namespace orv
