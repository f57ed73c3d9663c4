#include <fmt/format.h>

#include <fstream>
#include <pugixml.hpp>
#include <system_error>

#include "airports/addon_scan.h"
#include "airports/publishers.h"
#include "config/parameter_xml.h"
#include "config/parameters.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/window_view.h"
#include "platform/os/file_copy.h"
#include "platform/ui/controls.h"
#include "refdata/zip_archive.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSupportAddress = "support@quillstar.example";

bool isCode(std::string_view text) {
  if (text.size() != 4) return false;
  for (const char c : text) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

void zipLine(const std::string& line) {
  gf_logLine(line);
  gf_flushLog();
}

}  // namespace

bool gf_zipFolder(const fs::path& zipPath) {
  const fs::path tblo = gf_paths().tblo;
  std::error_code error;
  if (!fs::is_directory(tblo, error)) {
    zipLine(fmt::format("[zip] Not a directory: {}", tblo.generic_string()));
    return false;
  }
  fs::create_directories(zipPath.parent_path(), error);
  zipLine(fmt::format("[zip] Target file: {}", zipPath.generic_string()));
  zipLine(fmt::format("[zip] Source dir : {}", tblo.generic_string()));
  if (fs::exists(zipPath, error)) {
    zipLine(fmt::format("[zip] Removing old zip {}", zipPath.generic_string()));
    fs::remove(zipPath, error);
  }
  auto zip = ZipWriter::create(zipPath);
  if (!zip) {
    zipLine("[zip] Could not open archive for writing");
    return false;
  }
  std::vector<fs::path> files;
  for (fs::directory_iterator it(tblo, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && it->path().filename() != zipPath.filename())
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  std::size_t added = 0;
  for (const auto& file : files) {
    auto bytes = gf_readFileBytes(file);
    if (!bytes) {
      zipLine(fmt::format("[zip] READ FAIL: {}", file.generic_string()));
      continue;
    }
    const std::string name = file.filename().string();
    zipLine(
        fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", file.generic_string(), name, bytes->size()));
    if (!zip->add(name, std::move(*bytes))) {
      zipLine(fmt::format("[zip] ERROR addData({})", name));
      continue;
    }
    ++added;
  }
  const bool closed = zip->commit();
  const bool exists = fs::exists(zipPath, error);
  const std::uintmax_t size = exists ? fs::file_size(zipPath, error) : 0;
  zipLine(fmt::format("[zip] Added {} files, ok_close={}, exists={}, size={} bytes", added, closed, exists,
                      error ? 0 : size));
  return closed && exists;
}

void lf_bundleThirdPartyAirports(const std::vector<std::string>& codes,
                                 const std::function<bool(std::string_view icao)>& isKnownAirport) {
  const fs::path myThirdparty = gf_paths().myThirdparty;
  const fs::path tblo = gf_paths().tblo;
  for (const auto& code : codes) {
    const fs::path source = myThirdparty / (code + ".xml");
    if (!isCode(code)) {
      gf_logLine(fmt::format("'{}' is not an airport file, skipped", code));
      continue;
    }
    std::error_code error;
    if (code == "KMCI") {
      pugi::xml_document document;
      if (document.load_file(source.c_str()) &&
          gf_getXmlParameterString(document, "publisher").value_or("") == "TropicalSim") {
        if (!fs::remove(source, error) && error) {
          gf_logImportant(fmt::format("remove({}) failed: {}", source.generic_string(), error.message()));
        }
        continue;
      }
    }
    if (!isKnownAirport || !isKnownAirport(code) || !gf_readAirportPublisher(source)) continue;
    const fs::path target = tblo / source.filename();
    if (os::copyFileReplacing(source, target, error)) {
      gf_logLine(fmt::format("{} copied to {}", source.generic_string(), target.generic_string()));
    } else {
      gf_logImportant(fmt::format("'{}' failed to copy '{}': {}", source.generic_string(),
                                  target.generic_string(), error.message()));
      continue;
    }
    const fs::path redirect = myThirdparty / (code + ".txt");
    const bool exists = fs::exists(redirect, error);
    if (error) {
      gf_logImportant(fmt::format("exists({}) failed: {}", redirect.generic_string(), error.message()));
    } else if (exists && !fs::remove(redirect, error)) {
      gf_logImportant(fmt::format("remove({}) failed: {}", redirect.generic_string(), error.message()));
    }
  }
  if (gf_countDirEntries(tblo) == 0) {
    lf_setBundleReady(false);
    gf_logLine("All your third party airports are recognised, no off line learning needed.");
    gf_flushLog();
    return;
  }
  const fs::path zipPath = tblo / gf_paths().tbloZip;
  if (!gf_zipFolder(zipPath)) gf_logImportant("Zippen TBLO folder failed");
  gf_removeXMLFilesFromDirectory();
  lf_setBundleReady(true);
  ui::setEnabled(cfg::TBLO_ZIP_BUTTON.window(), true);
  gf_logLine(fmt::format("\n! Mail {} to {}\n", zipPath.generic_string(), kSupportAddress));
  gf_windowView().repaint(WindowBand::Options);
}

}  // namespace orv
