// The start-up's load of the settings and the update from an older version of the program.

#include <fmt/format.h>

#include <filesystem>

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/store_internal.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "foundation/version.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Before this version the file's settings cannot be converted.
constexpr Version kOldestConvertible{11, 0, 2};

void lf_removeIfExists(const fs::path& path) {
  if (fs::exists(path)) fs::remove(path);
}

// Stand files of 4-character names that older versions kept in the working folder.
void lf_removeOldStandFiles() {
  const fs::path folder = fs::current_path();
  gf_logLine(gf_pathToUtf8(folder));
  for (const auto& entry : fs::directory_iterator(folder)) {
    const fs::path& path = entry.path();
    if (entry.is_regular_file() && path.extension() == ".xml" && path.stem().string().size() == 4)
      fs::remove(path);
  }
}

// What older versions left behind. Removal failures raise std::filesystem::filesystem_error.
void lf_cleanUpAfterOldVersion() {
  cfg::SCAN_LIVERIES.set(true);
  gf_saveBoolParameter(cfg::SCAN_LIVERIES);
  gf_showCheck(cfg::SCAN_LIVERIES);
  lf_removeIfExists(fs::path("output") / "LiveriesScanned.xml");
  lf_removeIfExists("Callsign2ObjectId.txt");
  lf_removeOldStandFiles();
  lf_removeIfExists(fs::path("input") / "airports_msfs.xml");
  lf_removeIfExists(fs::path("input") / "airports_msfs_names.xml");
  if (fs::exists("new_version")) fs::remove_all("new_version");
}

void lf_storeProgramVersion() {
  gf_setAndWriteParameter(cfg::PROGRAM_VERSION, std::string(kVersionText));
}

// True when the stored settings are too old to keep.
bool lf_handleVersionUpdate() {
  const std::string stored = cfg::PROGRAM_VERSION.value();
  if (stored == cfg::PROGRAM_VERSION.defaultValue()) {
    lf_storeProgramVersion();
    return false;
  }
  Version previous;
  try {
    previous = gf_parseVersion(stored);
  } catch (const std::exception& e) {
    // Taken as missing: failing here would fail every later start as well.
    gf_logImportant(fmt::format("PROGRAM_VERSION \"{}\" is not a version ({}), taken as missing",
                                gf_logQuote(stored), e.what()));
    lf_storeProgramVersion();
    return false;
  }
  if (previous >= kProgramVersion) {
    if (previous != kProgramVersion) lf_storeProgramVersion();
    return false;
  }
  gf_logLine(fmt::format("This is a version update from {} -> {}", gf_versionText(previous),
                         gf_versionText(kProgramVersion)));
  if (previous < kOldestConvertible) {
    cfg::PROGRAM_VERSION.set(std::string(kVersionText));
    return true;
  }
  lf_cleanUpAfterOldVersion();
  // Stored last, so that a clean-up cut short by a failure runs again at the next start.
  lf_storeProgramVersion();
  return false;
}

}  // namespace

void gf_loadParameters() {
  if (gf_readParameters()) {
    for (CheckBoxParameter* scan : {&cfg::SCAN_LIVERIES, &cfg::SCAN_AIRPORTS}) {
      scan->set(true);
      gf_saveBoolParameter(*scan);
      gf_showCheck(*scan);
    }
    return;
  }
  if (!lf_handleVersionUpdate()) return;
  gf_logLine(
      "\nYour previous version was too old to convert the old text box parameters to the newdropbox values.");
  gf_logLine(fmt::format("{} re-starts with default parameter values ...\n", kProductName));
  {
    std::scoped_lock lock(store::mutex());
    store::keepGeneration();
    std::error_code ec;
    fs::remove(gf_parametersPath(), ec);
    store::saveAllLocked(true);
  }
  store::showListedControls();
}

}  // namespace orv
