#include "liveries/livery_scan.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/charset.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "liveries/aircraft_models.h"
#include "liveries/fltsim_parser.h"
#include "liveries/regcode_processing.h"
#include "liveries/scan_reports.h"
#include "platform/ui/controls.h"
#include "platform/ui/window.h"
#include "refdata/dbase.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kHighestOrdinal = 10;
constexpr std::uintmax_t kLargestCfg = 16u * 1024u * 1024u;
constexpr std::size_t kLongestFolderPath = 250;
constexpr std::size_t kCfgLines = 4096;

std::atomic<std::int64_t> waitLimitMs{10000};

std::mutex probeMutex;
std::function<void(const fs::path&)> workerProbe;

void lf_probe(const fs::path& cfg) {
  std::function<void(const fs::path&)> probe;
  {
    const std::lock_guard lock(probeMutex);
    probe = workerProbe;
  }
  if (probe) probe(cfg);
}

// What a worker hands back: its liveries and the lines it reported.
struct WorkerResult {
  std::vector<Livery> liveries;
  WorkerReports reports;
};
using PendingResults = std::deque<std::future<WorkerResult>>;

// The entries of a folder in byte order of their names.
[[nodiscard]] std::vector<fs::directory_entry> lf_sortedEntries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry);
  std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename() < b.path().filename();
  });
  return entries;
}

void lf_detect(const fs::path& community, FolderList& folders, std::initializer_list<std::string_view> keys,
               std::string_view package) {
  for (const auto& entry : lf_sortedEntries(community)) {
    // A file named like a package must not hide the package's folder.
    std::error_code error;
    if (!entry.is_directory(error)) continue;
    const std::string name = gf_pathToUtf8(entry.path().filename());
    if (gf_contains(name, "_CVT_")) continue;
    if (std::none_of(keys.begin(), keys.end(), [&](std::string_view key) { return gf_contains(name, key); }))
      continue;
    gf_logLine(fmt::format("Automatic {} scan found folder: '{}'", package, gf_pathToUtf8(entry.path())));
    gf_flushLog();
    folders.push_back(entry.path());
    return;
  }
}

[[nodiscard]] bool lf_isCfgName(const fs::path& path) {
  return gf_toUpper(gf_pathToUtf8(path.filename())) == "AIRCRAFT.CFG";
}

[[nodiscard]] bool lf_prunes(const std::string& below) {
  for (const std::string_view word : {"airport", "lvfr", "mkstudios", "simwings", "fsdreamteam", "navigraph",
                                      "flytampa", "inibuilds", "_CVT_"})
    if (below.find(word) != std::string::npos) return true;
  return false;
}

// Reads the file into lines, or logs why not.
[[nodiscard]] bool lf_readCfg(const fs::path& cfg, std::vector<std::string>& lines) {
  const std::string text = gf_pathToUtf8(cfg);
  std::error_code error;
  const std::uintmax_t size = fs::file_size(cfg, error);
  if (error || size > kLargestCfg) {
    gf_logLine(fmt::format("! Failed reading {}", text));
    return false;
  }
  const Charset charset = gf_detectCharset(cfg);
  if (charset == Charset::NoneFound) {
    gf_logLine(fmt::format("! No text encoding detected for {}", text));
    return false;
  }
  lines.reserve(kCfgLines);
  // What came before a failure is not the file: parsed, it would report sections that are not missing.
  if (!gf_readTextFileByCharset(charset, cfg, lines)) {
    gf_logLine(fmt::format("! Failed reading {}", text));
    return false;
  }
  return true;
}

[[nodiscard]] std::vector<Livery> lf_searchFile(std::uint16_t ordinal, const fs::path& cfg, bool ivao) {
  lf_probe(cfg);
  std::string model;
  if (ivao) {
    model = lf_ivaoModelFromPath(cfg);
    if (model.empty()) return {};
  } else {
    std::error_code error;
    if (!fs::exists(cfg, error)) return {};
  }
  std::vector<std::string> lines;
  if (!lf_readCfg(cfg, lines)) return {};
  if (!lf_splitFltsimSections(lines, cfg)) return {};
  if (!ivao) {
    model = lf_modelFromTypeDesignator(cfg, lines);
    if (model.empty()) return {};
  }
  const SectionContext context{ordinal, model, cfg, cfg.parent_path()};
  return ivao ? lf_processFltsimSectionsIvao(context, lines) : lf_processFltsimSections(context, lines);
}

[[nodiscard]] WorkerResult lf_runWorker(std::uint16_t ordinal, const fs::path& cfg, bool ivao) {
  WorkerResult result;
  const ScopedWorkerReports scope(result.reports);
  const std::string_view name = ivao ? "lf_searchLiveriesinIVAOFile" : "lf_searchLiveriesinFile";
  try {
    result.liveries = lf_searchFile(ordinal, cfg, ivao);
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("! Exception in {} {}: {}", name, gf_pathToUtf8(cfg), e.what()));
    throw;
  } catch (...) {
    gf_logLine(fmt::format("! Unknown exception in {} {}", name, gf_pathToUtf8(cfg)));
    throw;
  }
  return result;
}

// Takes the oldest worker's result into the list, waiting at most the limit.
void lf_takeOldest(PendingResults& pending, LiveryList& liveries) {
  std::future<WorkerResult> future = std::move(pending.front());
  pending.pop_front();
  if (future.wait_for(lf_workerWaitLimit()) != std::future_status::ready)
    throw std::runtime_error(
        fmt::format("Future wait timed out after {} seconds", lf_workerWaitLimit().count() / 1000));
  WorkerResult result = future.get();
  lf_mergeWorkerResult(result.reports, result.liveries, liveries);
}

void lf_startWorker(std::uint16_t ordinal, const fs::path& cfg, PendingResults& pending) {
  const std::string text = gf_pathToUtf8(cfg);
  const bool ivao = gf_contains(text, "ivao_x-csl") || gf_contains(text, "IVAO_MTL");
  if (!gf_waitForScanSlot()) return;
  ScanTaskSlot slot;
  std::packaged_task<WorkerResult()> task([ordinal, cfg, ivao, slot = std::move(slot)]() mutable {
    const ScanTaskSlot held = std::move(slot);
    return lf_runWorker(ordinal, cfg, ivao);
  });
  pending.push_back(task.get_future());
  std::thread(std::move(task)).detach();
}

struct Walk {
  std::uint16_t ordinal;
  // The scanned folder's path is not searched for prune words: it was chosen as a livery folder,
  // and a word in its own path ("D:/airport-stuff/Community/...") must not hide all it holds.
  std::size_t rootLength;
  std::set<fs::path> entered;
  PendingResults pending;
  LiveryList& liveries;
};

void lf_walk(Walk& walk, const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  try {
    entries = lf_sortedEntries(folder);
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("liveries search in {} aborted, cause: {}", gf_pathToUtf8(folder), e.what()));
    return;
  }
  for (const fs::directory_entry& entry : entries) {
    if (gf_stopRaised()) return;
    try {
      std::error_code error;
      if (entry.is_regular_file(error) && lf_isCfgName(entry.path())) {
        lf_startWorker(walk.ordinal, entry.path(), walk.pending);
        if (walk.pending.size() > static_cast<std::size_t>(std::max(1, gf_scanWorkerLimit()))) {
          try {
            lf_takeOldest(walk.pending, walk.liveries);
          } catch (const std::exception& e) {
            gf_logImportant(fmt::format("liveries inner search aborted: {}", e.what()));
          }
        }
        continue;
      }
      if (!entry.is_directory(error)) continue;
      const std::string full = gf_pathToUtf8(entry.path());
      if (full.size() >= kLongestFolderPath) continue;
      if (lf_prunes(full.substr(std::min(walk.rootLength, full.size())))) continue;
      // Packages are often links to folders elsewhere: each folder once, whatever the way in.
      const fs::path real = fs::canonical(entry.path(), error);
      if (error || !walk.entered.insert(real).second) continue;
      lf_walk(walk, entry.path());
    } catch (const std::exception& e) {
      gf_logImportant(
          fmt::format("liveries search in {} aborted, cause: {}", gf_pathToUtf8(entry.path()), e.what()));
    }
  }
}

[[nodiscard]] bool lf_automatic() {
  return cfg::LIG_AUTOMATIC.value();
}

void lf_enableSelector() {
  ui::setEnabled(cfg::AI_PACKAGE_SELECTOR.window(), true);
}

}  // namespace

void lf_setWorkerWaitLimit(std::chrono::milliseconds limit) {
  waitLimitMs.store(limit.count());
}
std::chrono::milliseconds lf_workerWaitLimit() {
  return std::chrono::milliseconds(waitLimitMs.load());
}
void lf_setWorkerProbe(std::function<void(const fs::path&)> probe) {
  const std::lock_guard lock(probeMutex);
  workerProbe = std::move(probe);
}

void lf_detectAig(const fs::path& community, FolderList& folders) {
  lf_detect(community, folders, {"aig-aitraffic-oci"}, "AIG");
}
void lf_detectFsltl(const fs::path& community, FolderList& folders) {
  lf_detect(community, folders, {"fsltl-traffic-base"}, "FSLTL");
}
void lf_detectJf(const fs::path& community, FolderList& folders) {
  lf_detect(community, folders, {"justflight-aircraft-traffic-fleet", "justflight-fstraffic-module"}, "JF");
}
void lf_detectIvaoMtl(const fs::path& community, FolderList& folders) {
  lf_detect(community, folders, {"IVAO_MTL"}, "IVAO_MTL");
}
void lf_detectUserAitraffic(const fs::path& community, FolderList& folders) {
  lf_detect(community, folders, {"user-aitraffic"}, "user-aitraffic");
}

void lf_collectAutomaticFolders(const fs::path& community, FolderList& folders) {
  const std::string choice = cfg::AI_PACKAGE_SELECTOR.value();
  const auto& orders = gf_aiPackageOrders();
  if (std::find(orders.begin(), orders.end(), choice) == orders.end())
    throw std::runtime_error(fmt::format("{} not set", cfg::AI_PACKAGE_SELECTOR.key()));
  for (const std::string& package : gf_splitComma(choice)) {
    if (package == "AIG") lf_detectAig(community, folders);
    if (package == "FSLTL") lf_detectFsltl(community, folders);
    if (package == "JF") lf_detectJf(community, folders);
    if (package == "MTL") lf_detectIvaoMtl(community, folders);
  }
  lf_detectUserAitraffic(community, folders);
}

void lf_collectLfolders(FolderList& folders) {
  for (const StringParameter* parameter : gf_lfolders()) {
    const std::string value = parameter->value();
    if (value.empty()) continue;
    const fs::path path(value);
    std::error_code error;
    if (!fs::exists(path, error)) {
      gf_logImportant(fmt::format("{}: '{}' does not exist", parameter->key(), value));
      throw UserErrorException(
          243, fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!",
                           parameter->key()));
    }
    folders.push_back(path);
  }
}

std::vector<Livery> lf_searchLiveriesinFile(std::uint16_t ordinal, const fs::path& cfg) {
  return lf_runWorker(ordinal, cfg, false).liveries;
}
std::vector<Livery> lf_searchLiveriesinIVAOFile(std::uint16_t ordinal, const fs::path& cfg) {
  return lf_runWorker(ordinal, cfg, true).liveries;
}

void lf_scanLiveryFolder(std::uint16_t ordinal, const fs::path& folder, LiveryList& liveries) {
  Walk walk{ordinal, gf_pathToUtf8(folder).size(), {}, {}, liveries};
  std::error_code error;
  walk.entered.insert(fs::canonical(folder, error));
  lf_walk(walk, folder);
  // After the walk a failing or hanging worker loses only its own file: the workers after it
  // read other files, and their liveries are as good as any.
  while (!walk.pending.empty()) {
    try {
      lf_takeOldest(walk.pending, liveries);
    } catch (const std::exception& e) {
      gf_logImportant(fmt::format("liveries search aborted, futs outer, {}", e.what()));
    }
  }
}

void lf_applyDbaseToLiveries(LiveryList& liveries) {
  for (Livery& livery : liveries) {
    if (livery.registration.empty()) continue;
    const std::optional<DbaseCodes> record = gf_findDbaseRecord(livery.registration);
    if (!record) continue;
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    if (record->cargo != livery.cargo) {
      lf_appendConversionLine(fmt::format("'{}' {} cargo {} => {}", livery.title, livery.registration,
                                          flag(livery.cargo), flag(record->cargo)));
      livery.cargo = record->cargo;
    }
    // Never an empty code: the operator, else the airline, else the livery keeps its own.
    AirlineId airline = !gf_airlineCode(record->operatorId).empty() ? record->operatorId : record->airline;
    if (!gf_airlineCode(airline).empty() && airline != livery.airline) {
      lf_appendConversionLine(fmt::format("'{}' {} airl {} => {}", livery.title, livery.registration,
                                          gf_airlineCode(livery.airline), gf_airlineCode(airline)));
      livery.airline = airline;
    }
    if (!gf_modelCode(record->model).empty() && record->model != livery.model) {
      lf_appendConversionLine(fmt::format("'{}' {} model {} => {}", livery.title, livery.registration,
                                          gf_modelCode(livery.model), gf_modelCode(record->model)));
      livery.model = record->model;
    }
  }
}

ScanResult lf_scanLiveryFolders(const FolderList& folders, LiveryList& liveries) {
  // A scan that threw half-way may have left its titles seen and its reports: each scan starts
  // with none, and leaves none whichever way it ends.
  lf_clearScanLists();
  struct ClearAtEnd {
    ~ClearAtEnd() { lf_clearScanLists(); }
  } const clearAtEnd;
  liveries.clear();
  lf_removeOldScanFiles();
  lf_readDontUseTitles();
  std::uint16_t ordinal = 0;
  std::size_t total = 0, previous = 0;
  for (const fs::path& folder : folders) {
    if (folder.empty()) continue;
    const std::string text = gf_pathToUtf8(folder);
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error && error != std::errc::no_such_file_or_directory)
      throw fs::filesystem_error("status", folder, error);
    if (!fs::exists(status)) {
      gf_logLine(text + " does not exist, skipped!");
      continue;
    }
    if (!fs::is_directory(status)) {
      gf_logLine(text + " is not a folder name, skipped!");
      continue;
    }
    ordinal = std::min<std::uint16_t>(ordinal + 1, kHighestOrdinal);
    if (gf_stopRaised()) break;
    lf_scanLiveryFolder(ordinal, folder, liveries);
    const std::size_t n = liveries.size() - previous;
    const std::string found = fmt::format("found in {}", text);
    if (n < 1) {
      gf_logLine(fmt::format("No liveries {}", found));
    } else {
      gf_logLine(fmt::format("{} liverie{} {}", n, gf_plural(n), found));
      total += n;
      previous = liveries.size();
    }
  }
  if (gf_stopRaised()) {
    liveries.clear();
    return ScanResult::Stopped;
  }
  if (liveries.empty()) return ScanResult::NoneFound;
  if (folders.size() > 1) gf_logLine(fmt::format("{} in total", total));
  lf_applyDbaseToLiveries(liveries);
  if (cfg::LIG_PRIORITIZE.value()) {
    std::map<std::pair<AirlineId, ModelId>, std::uint16_t> first;
    for (const Livery& livery : liveries) {
      auto [at, added] = first.emplace(std::pair{livery.airline, livery.model}, livery.folderOrdinal);
      if (!added) at->second = std::min(at->second, livery.folderOrdinal);
    }
    liveries.remove_if([&](const Livery& livery) {
      return livery.folderOrdinal > first.at({livery.airline, livery.model});
    });
  }
  liveries.sort(lf_liveryLess);
  liveries.unique();
  (void)gf_writeLiveriesScanned(liveries, gf_paths().liveriesScanned);
  liveries.clear();
  lf_writeScanReports();
  gf_clearMessage();
  return ScanResult::Found;
}

bool gf_scanLiveries(const LiveryScanHooks& hooks) {
  ui::setEnabled(cfg::AI_PACKAGE_SELECTOR.window(), false);
  gf_setMessage(
      fmt::format("Scanning {}for liveries ...", cfg::LIG_PRIORITIZE.value() ? "prioritized " : ""));
  const bool automatic = lf_automatic();
  gf_logLine(
      fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                  automatic ? "automatic" : "manual"));
  FolderList folders;
  folders.reserve(10);
  if (automatic) {
    const fs::path community = hooks.community;
    if (!community.empty()) lf_collectAutomaticFolders(community, folders);
  } else {
    lf_collectLfolders(folders);
  }
  if (folders.empty()) {
    if (automatic) {
      lf_enableSelector();
      throw UserErrorException(
          43,
          "Automatic scan has not found any AI packages, choose a different selection (or go "
          "to Manual mode, see Manual 5.2)");
    }
    if (hooks.openManualFolders) hooks.openManualFolders();
    throw UserErrorException(
        48, fmt::format(
                "Exit {} first!   Then set one or more lfolder parameters to your liveries, see Manual 5.2",
                kProductName));
  }
  const ScanResult result = lf_scanLiveryFolders(folders, gf_liveryList());
  if (result == ScanResult::Stopped) return false;
  if (result == ScanResult::NoneFound) {
    if (hooks.showLiveriesCount) hooks.showLiveriesCount(0);
    if (automatic) {
      lf_enableSelector();
      throw UserErrorException(143,
                               "Automatic scan has not found any liveries, choose a different selection, or "
                               "switch off automatic and set lfolder parameter(-s)");
    }
    throw UserErrorException(53, "no liveries found");
  }
  cfg::SCAN_LIVERIES.set(false);
  gf_saveBoolParameter(cfg::SCAN_LIVERIES);
  ui::setCheck(cfg::SCAN_LIVERIES.window(), false);
  lf_enableSelector();
  if (const ui::WindowHandle window = gf_mainWindow(); window) ui::invalidate(window);
  gf_logLine("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
  gf_flushLog();
  return true;
}

bool gf_scanLiveries() {
  LiveryScanHooks hooks;
  // Without a known packages folder there is no Community folder to look in.
  const fs::path root = gf_simRootPath(fs::path());
  if (!root.empty()) hooks.community = gf_simRootPath(std::string(kCommunityName));
  hooks.openManualFolders = [] {
    (void)gf_openContainingFolder(gf_paths().docs / ".");
    (void)gf_openContainingFolder(gf_parametersPath());
  };
  return gf_scanLiveries(hooks);
}

}  // namespace orv
