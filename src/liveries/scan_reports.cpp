#include "liveries/scan_reports.h"

#include <fmt/format.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <unordered_set>

#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/plural.h"
#include "foundation/utf.h"

namespace orv {
namespace {

class LockedLines {
 public:
  void append(std::string line) {
    const std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  [[nodiscard]] std::vector<std::string> copy() const {
    const std::lock_guard lock(mutex_);
    return {lines_.begin(), lines_.end()};
  }
  void clear() {
    const std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::list<std::string> lines_;
};

struct Lists {
  LockedLines invalidAirlines, invalidModels, fixes, invalidCfgFiles, incompleteSections, noFltsimFiles,
      conversions;
  std::mutex seenMutex;
  std::unordered_set<std::string> seen;
  std::mutex dontUseMutex;
  std::unordered_set<std::string> dontUse;
};

thread_local WorkerReports* workerReports = nullptr;

Lists& lists() {
  static Lists instance;
  return instance;
}

void lf_ensureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  const bool exists = std::filesystem::exists(folder, error);
  if (error) throw std::filesystem::filesystem_error("exists", folder, error);
  if (exists) return;
  std::filesystem::create_directory(folder, error);
  if (error) throw std::filesystem::filesystem_error("create_directory", folder, error);
}

void lf_writeList(std::vector<std::string> lines, const std::filesystem::path& path, bool sort, bool unique,
                  std::string_view summary) {
  const std::size_t count = lines.size();
  if (sort) std::sort(lines.begin(), lines.end());
  if (unique) lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  lf_ensureFolder(path.parent_path());
  if (!gf_writeLines(lines, path)) gf_logLine(fmt::format("Error writing file {}", gf_pathToUtf8(path)));
  gf_logLine(fmt::format(fmt::runtime(summary), count, gf_plural(count), gf_pathToUtf8(path)));
}

}  // namespace

void lf_appendInvalidAirlineLine(std::string_view code, const std::filesystem::path& cfg,
                                 std::string_view header) {
  std::string line = fmt::format("{:12} in {} {}", code, gf_pathToUtf8(cfg), header);
  if (workerReports)
    workerReports->lines.invalidAirlines.push_back(std::move(line));
  else
    lists().invalidAirlines.append(std::move(line));
}
void lf_appendInvalidModelLine(std::string_view code, const std::filesystem::path& cfg) {
  std::string line = fmt::format("{:16} in {}", code, gf_pathToUtf8(cfg));
  if (workerReports)
    workerReports->lines.invalidModels.push_back(std::move(line));
  else
    lists().invalidModels.append(std::move(line));
}
void lf_appendFixLine(std::string_view wrong, const std::filesystem::path& cfg, std::string_view right) {
  std::string line =
      fmt::format("Model fix: {} found in {} changed into {}", wrong, gf_pathToUtf8(cfg), right);
  if (workerReports)
    workerReports->lines.fixes.push_back(std::move(line));
  else
    lists().fixes.append(std::move(line));
}
void lf_appendInvalidCfgLine(std::string line) {
  if (workerReports)
    workerReports->lines.invalidCfgFiles.push_back(std::move(line));
  else
    lists().invalidCfgFiles.append(std::move(line));
}
void lf_appendIncompleteSectionLine(std::string line) {
  if (workerReports)
    workerReports->lines.incompleteSections.push_back(std::move(line));
  else
    lists().incompleteSections.append(std::move(line));
}
void lf_appendNoFltsimFile(const std::filesystem::path& cfg) {
  if (workerReports)
    workerReports->lines.noFltsimFiles.push_back(gf_pathToUtf8(cfg));
  else
    lists().noFltsimFiles.append(gf_pathToUtf8(cfg));
}
void lf_appendConversionLine(std::string line) {
  lists().conversions.append(std::move(line));
}

ScanReportLines lf_scanReportLines() {
  Lists& l = lists();
  return {l.invalidAirlines.copy(),    l.invalidModels.copy(), l.fixes.copy(),      l.invalidCfgFiles.copy(),
          l.incompleteSections.copy(), l.noFltsimFiles.copy(), l.conversions.copy()};
}

bool lf_addSeenTitle(const std::string& title) {
  if (workerReports) {
    auto& seen = workerReports->seen;
    if (std::find(seen.begin(), seen.end(), title) != seen.end()) return false;
    seen.push_back(title);
    return true;
  }
  Lists& l = lists();
  const std::lock_guard lock(l.seenMutex);
  return l.seen.insert(title).second;
}

ScopedWorkerReports::ScopedWorkerReports(WorkerReports& reports) : previous_(workerReports) {
  workerReports = &reports;
}
ScopedWorkerReports::~ScopedWorkerReports() {
  workerReports = previous_;
}

void lf_noteDuplicateLine(std::string line) {
  if (workerReports) workerReports->duplicateLines.push_back(std::move(line));
}

void lf_mergeWorkerResult(WorkerReports& reports, std::vector<Livery>& liveries, LiveryList& list) {
  Lists& l = lists();
  const auto move = [](std::vector<std::string>& from, LockedLines& to) {
    for (auto& line : from) to.append(std::move(line));
    from.clear();
  };
  move(reports.lines.invalidAirlines, l.invalidAirlines);
  move(reports.lines.invalidModels, l.invalidModels);
  move(reports.lines.fixes, l.fixes);
  move(reports.lines.invalidCfgFiles, l.invalidCfgFiles);
  move(reports.lines.incompleteSections, l.incompleteSections);
  move(reports.lines.noFltsimFiles, l.noFltsimFiles);
  for (std::size_t i = 0; i < liveries.size(); ++i) {
    if (lf_addSeenTitle(liveries[i].title))
      list.push_back(std::move(liveries[i]));
    else if (i < reports.duplicateLines.size())
      l.incompleteSections.append(std::move(reports.duplicateLines[i]));
  }
  liveries.clear();
}

void lf_addDontUseTitle(std::string title) {
  Lists& l = lists();
  const std::lock_guard lock(l.dontUseMutex);
  l.dontUse.insert(std::move(title));
}
bool lf_isDontUseTitle(std::string_view title) {
  Lists& l = lists();
  const std::lock_guard lock(l.dontUseMutex);
  return l.dontUse.contains(std::string(title));
}
std::size_t lf_dontUseTitleCount() {
  Lists& l = lists();
  const std::lock_guard lock(l.dontUseMutex);
  return l.dontUse.size();
}

void lf_removeOldScanFiles() {
  const ProgramPaths& p = gf_paths();
  try {
    for (const auto* path :
         {&p.aircraftCfgWithNoFltsimSection, &p.airlineModelConversions, &p.liveriesScanned,
          &p.inlineRegcodes, &p.invalidAirlineCodes, &p.invalidAircraftCodes, &p.fixes,
          &p.invalidAircraftCfgFiles, &p.incompleFltsimSections})
      std::filesystem::remove(*path);
    std::error_code error;
    if (std::filesystem::is_directory(p.errors, error) && std::filesystem::is_empty(p.errors))
      std::filesystem::remove(p.errors);
    else if (std::filesystem::exists(p.errors, error))
      throw std::filesystem::filesystem_error("remove", p.errors,
                                              std::make_error_code(std::errc::directory_not_empty));
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("problems with removing previous files: {}", e.what()));
  }
}

void lf_writeFixesFile(const std::vector<std::string>& lines, const std::filesystem::path& path) {
  try {
    std::filesystem::create_directories(path.parent_path());
    if (!gf_writeLines(lines, path)) throw std::runtime_error("write failed");
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("Error writing file {}: {}", gf_pathToUtf8(path), e.what()));
  }
}

void lf_writeScanReports() {
  const ScanReportLines r = lf_scanReportLines();
  const ProgramPaths& p = gf_paths();
  const bool none = r.invalidAirlines.empty() && r.invalidModels.empty() && r.fixes.empty() &&
                    r.invalidCfgFiles.empty() && r.incompleteSections.empty();
  gf_logLine(none ? "\nNo errors" : "\nErrors:");
  if (!r.invalidAirlines.empty())
    lf_writeList(r.invalidAirlines, p.invalidAirlineCodes, true, false,
                 "{:5} invalid airline code{}, see {}");
  if (!r.invalidModels.empty())
    lf_writeList(r.invalidModels, p.invalidAircraftCodes, true, false, "{:5} invalid model code{}, see {}");
  if (!r.fixes.empty()) {
    lf_writeFixesFile(r.fixes, p.fixes);
    gf_logLine(fmt::format("{:5} fixes, see {}", r.fixes.size(), gf_pathToUtf8(p.fixes)));
  }
  if (!r.invalidCfgFiles.empty())
    lf_writeList(r.invalidCfgFiles, p.invalidAircraftCfgFiles, true, false,
                 "{:5} invalid aircraft.cfg files{:.0}, see {}");
  if (!r.incompleteSections.empty())
    lf_writeList(r.incompleteSections, p.incompleFltsimSections, true, true,
                 "{:5} incomplete [fltsim.x] sections{:.0}, see {}");
  gf_logLine("\nInformation:");
  if (!r.noFltsimFiles.empty())
    lf_writeList(r.noFltsimFiles, p.aircraftCfgWithNoFltsimSection, true, false,
                 "{:5} empty aircraft.cfg files{:.0}, see {}");
  if (!r.conversions.empty()) {
    lf_ensureFolder(p.airlineModelConversions.parent_path());
    if (!gf_writeLines(r.conversions, p.airlineModelConversions))
      gf_logLine(fmt::format("Error writing file {}", gf_pathToUtf8(p.airlineModelConversions)));
    gf_logLine(fmt::format("{:5} liveries updated with real live data from dbase, see {}",
                           r.conversions.size(), gf_pathToUtf8(p.airlineModelConversions)));
  }
}

void lf_clearScanLists() {
  Lists& l = lists();
  for (LockedLines* list : {&l.conversions, &l.invalidAirlines, &l.invalidModels, &l.incompleteSections,
                            &l.noFltsimFiles, &l.invalidCfgFiles, &l.fixes})
    list->clear();
  {
    const std::lock_guard lock(l.seenMutex);
    l.seen.clear();
  }
  const std::lock_guard lock(l.dontUseMutex);
  l.dontUse.clear();
}

}  // namespace orv
