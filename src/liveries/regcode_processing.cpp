#include "liveries/regcode_processing.h"

#include <fmt/format.h>

#include "foundation/data_cipher.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/plural.h"
#include "foundation/utf.h"
#include "liveries/scan_reports.h"

namespace orv {
namespace {

constexpr std::size_t kAigEntries = 7000;
constexpr std::size_t kMyEntries = 1000;

// The plain AIG file exists only while it is read: it goes on every way out.
class PlainAigFile {
 public:
  PlainAigFile() : path_(gf_paths().aigRegcodesXml) {}
  ~PlainAigFile() { gf_removeFileIfExists(path_); }
  PlainAigFile(const PlainAigFile&) = delete;
  PlainAigFile& operator=(const PlainAigFile&) = delete;
  // Without the enciphered file there is nothing to read, and nothing to say about it.
  [[nodiscard]] bool decrypt() const {
    std::error_code error;
    return std::filesystem::exists(gf_paths().aigRegcodesEnc, error) &&
           gf_streamDecrypt(gf_paths().aigRegcodesEnc, path_);
  }
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void lf_ensureErrorsFolder(const std::filesystem::path& folder) {
  std::error_code error;
  const bool exists = std::filesystem::exists(folder, error);
  if (error) throw std::filesystem::filesystem_error("exists", folder, error);
  if (!exists && !std::filesystem::create_directories(folder, error) && error)
    throw std::filesystem::filesystem_error("create_directory", folder, error);
}

void lf_readAigRegcodes(LiveryTables& tables, const std::filesystem::path& plain,
                        std::vector<std::string>& offline) {
  offline.push_back(fmt::format("Processing file {}", gf_pathToUtf8(plain)));
  std::vector<RegcodeEntry> entries;
  entries.reserve(kAigEntries);
  if (!gf_readAigRegcodesXml(plain, entries))
    offline.push_back(fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                  gf_pathToUtf8(plain)));
  lf_mergeRegcodes(tables, entries, offline);
}

void lf_readMyRegcodes(LiveryTables& tables, std::vector<std::string>& offline) {
  const std::filesystem::path& folder = gf_paths().myRegcodes;
  if (gf_countDirEntries(folder) == 0) return;
  offline.push_back(fmt::format("Processing files in {}", gf_pathToUtf8(folder)));
  std::vector<RegcodeEntry> entries;
  entries.reserve(kMyEntries);
  if (!gf_readRegcodeTextFiles(folder, entries))
    offline.push_back(fmt::format(
        "There were errors processing the regcode files in folder '{}', see Log.txt", gf_pathToUtf8(folder)));
  lf_mergeRegcodes(tables, entries, offline);
}

std::size_t lf_addDontUse(const std::vector<RegcodeEntry>& entries) {
  std::size_t added = 0;
  for (const RegcodeEntry& entry : entries) {
    if (!entry.regcodes.empty()) continue;
    lf_addDontUseTitle(entry.title);
    ++added;
  }
  return added;
}

}  // namespace

void lf_processInlineRegcodes(LiveryTables& tables, const LiveryList& liveries) {
  std::vector<std::string> clashes;
  for (const Livery& livery : liveries) {
    if (livery.registration.empty()) continue;
    const std::string_view title = tables.gf_findLiveryTitle(livery.title);
    if (title.empty()) {
      clashes.push_back(fmt::format("==> [{:3} {:4}] {} '{}' not available, system error, should not happen?",
                                    gf_airlineCode(livery.airline), gf_modelCode(livery.model),
                                    livery.registration, livery.title));
      continue;
    }
    const std::string_view bound = tables.regcodeTitle(livery.registration);
    if (bound.empty()) {
      tables.bindRegcode(livery.registration, title);
    } else if (bound != title) {
      clashes.push_back(
          fmt::format("{} '{}' => already in use by '{}'", livery.registration, livery.title, bound));
    }
  }
  if (clashes.empty()) return;
  const std::filesystem::path& file = gf_paths().inlineRegcodes;
  lf_ensureErrorsFolder(file.parent_path());
  if (!gf_writeLines(clashes, file))
    gf_logImportant(fmt::format("Error writing file {}", gf_pathToUtf8(file)));
  gf_logLine(fmt::format("{:5} in-line regcode clashes, see '{}'", clashes.size(), gf_pathToUtf8(file)));
}

void lf_mergeRegcodes(LiveryTables& tables, const std::vector<RegcodeEntry>& entries,
                      std::vector<std::string>& offline) {
  std::size_t added = 0, replaced = 0, special = 0;
  for (const RegcodeEntry& entry : entries) {
    const std::string_view title = tables.gf_findLiveryTitle(entry.title);
    if (title.empty()) continue;
    for (const std::string& regcode : entry.regcodes) {
      const std::string_view bound = tables.regcodeTitle(regcode);
      if (bound.empty()) {
        tables.bindRegcode(regcode, title);
        ++added;
      } else if (bound != title) {
        offline.push_back(
            fmt::format("   regcode {} for '{}', instead of the same for '{}'", regcode, title, bound));
        tables.rebindRegcode(regcode, title);
        ++replaced;
      }
      if (entry.special) {
        tables.addSpecialRegcode(regcode);
        if (entry.regcodes.size() == 1) tables.addUniqueRegcode(regcode);
      }
    }
    if (entry.special) {
      tables.addSpecialLivery(title);
      ++special;
    }
  }
  std::string summary = fmt::format("{} new regcode{} added", added, gf_plural(added));
  if (replaced != 0) summary += fmt::format(", {} regcode{} replaced", replaced, gf_plural(replaced));
  if (special != 0) summary += fmt::format(", {} regcode{} defined as special", special, gf_plural(special));
  offline.push_back(std::move(summary));
}

void lf_processRegcodes(LiveryTables& tables) {
  try {
    std::vector<std::string> offline;
    {
      const PlainAigFile plain;
      if (!plain.decrypt()) return;
      lf_readAigRegcodes(tables, plain.path(), offline);
    }
    lf_readMyRegcodes(tables, offline);
    const std::filesystem::path& file = gf_paths().offlineRegcodes;
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) throw std::filesystem::filesystem_error("remove", file, error);
    if (!offline.empty()) {
      std::filesystem::create_directories(file.parent_path());
      if (!gf_writeLines(offline, file))
        gf_logImportant(fmt::format("Error writing file {}", gf_pathToUtf8(file)));
    }
    if (tables.specialLiveryCount() != 0)
      gf_logLine(fmt::format("{:5} special liveries", tables.specialLiveryCount()));
    if (tables.uniqueRegcodeCount() != 0)
      gf_logLine(fmt::format("{:5} unique liveries", tables.uniqueRegcodeCount()));
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("exception: {}", e.what()));
  }
}

void lf_readDontUseTitles() {
  try {
    {
      const PlainAigFile plain;
      if (plain.decrypt()) {
        std::vector<RegcodeEntry> entries;
        entries.reserve(kAigEntries);
        if (!gf_readAigRegcodesXml(plain.path(), entries))
          gf_logLine(fmt::format("There were errors in processing the file '{}', see the Log.txt",
                                 gf_pathToUtf8(plain.path())));
        const std::size_t added = lf_addDontUse(entries);
        gf_logLine(fmt::format("{:5} don't use title{} read", added, gf_plural(added)));
      }
    }
    const std::filesystem::path& folder = gf_paths().myRegcodes;
    if (gf_countDirEntries(folder) > 0) {
      std::vector<RegcodeEntry> entries;
      entries.reserve(kMyEntries);
      if (!gf_readRegcodeTextFiles(folder, entries))
        gf_logLine(
            fmt::format("There were errors in processing the regcode files in folder '{}', see the Log.txt",
                        gf_pathToUtf8(folder)));
      const std::size_t added = lf_addDontUse(entries);
      gf_logLine(fmt::format("{:5} don't use title{} read from files in {}", added, gf_plural(added),
                             gf_pathToUtf8(folder)));
    }
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("exception: {}", e.what()));
  }
}

}  // namespace orv
