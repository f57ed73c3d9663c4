#include "airports/addon_scan.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include "airports/bgl_records.h"
#include "airports/stand_file.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/files.h"
#include "foundation/fixed_code.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "foundation/window_view.h"
#include "platform/ui/controls.h"
#include "refdata/airports_table.h"
#include "refdata/dbase.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

std::atomic<bool> bundleReady{false};

// The scan pass's word ends in a blank of its own: its lines keep the double blank that the scan
// logs users compare have always shown.
constexpr std::string_view kPassWord = "addon ";

constexpr std::size_t kPathLimit = 250;
constexpr std::string_view kExcludedWords[] = {
    "fs-base",       "tutorials",           "aircraft",   "bushtrip",
    "discovery",     "point-of-interest",   "simobjects", "vcockpits",
    "aig-aitraffic", "justflight-aircraft", "fsltl",      "gsx-pro",
    "gsx-world",     "landingchallenge"};

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool isCodeText(std::string_view text) {
  return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
         });
}

std::string upperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string archivePath(std::string_view publisher, std::string_view icao) {
  if (publisher == kSimaddonWord) return fmt::format("archive/{}/{}.xml", kSimaddonWord, icao);
  std::string escaped;
  for (const char c : publisher) escaped += c == ' ' ? std::string("%20") : std::string(1, c);
  return fmt::format("archive/{}/{}/{}.xml", kThirdpartyWord, escaped, icao);
}

// What the tasks read; shared so that a task that outlives its wait still finds it.
struct TaskShared {
  ArchiveIndex archive;
  std::function<bool(std::string_view)> isKnownAirport;
  std::function<BglResult(std::string_view, const BglContext&)> decode;
  PublisherLookup publisherOf;
  bool msfs2020 = true;
};

std::optional<BglLink> findLink(const TaskShared& shared, const std::string& publisher,
                                std::string_view icao) {
  if (publisher.empty()) return std::nullopt;
  const auto it = shared.archive.find(archivePath(publisher, icao));
  if (it == shared.archive.end()) return std::nullopt;
  return BglLink{publisher, it->second};
}

std::uint32_t littleEndianU32(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

// Whether the file lists an airport section, from its header and section table alone: most
// scenery files hold none and are large.
bool lf_hasAirportSection(const fs::path& path) {
  constexpr std::uint64_t kHeaderBytes = 56;
  constexpr std::uint64_t kEntryBytes = 20;
  constexpr std::uint64_t kEntriesPerRead = 4096;  // a section count far too large costs no memory
  constexpr std::uint32_t kAirportSection = 3;
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size <= kHeaderBytes) return false;
  std::ifstream in(path, std::ios::binary);
  std::string bytes(kHeaderBytes, '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  const std::uint64_t listed =
      std::min<std::uint64_t>(littleEndianU32(bytes, 20), (size - kHeaderBytes) / kEntryBytes);
  for (std::uint64_t read = 0; read < listed;) {
    const std::uint64_t n = std::min(kEntriesPerRead, listed - read);
    bytes.resize(n * kEntryBytes);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
    for (std::uint64_t i = 0; i < n; ++i)
      if (littleEndianU32(bytes, i * kEntryBytes) == kAirportSection) return true;
    read += n;
  }
  return false;
}

struct TaskOutcome {
  BglResult result;
  PublisherInfo publisher;
  std::vector<std::string> publisherLog;
};

// One file, on a worker: its bytes are read once and decoded where they lie; its publisher is
// looked for only when an airport needs it.
TaskOutcome lf_scanFile(const TaskShared& shared, const fs::path& path) {
  TaskOutcome outcome;
  const auto bytes = gf_readFileBytes(path);
  if (!bytes) return outcome;
  bool searched = false;
  const auto publisher = [&]() -> const std::string& {
    if (!searched) {
      outcome.publisher = gf_findPublisher(path, shared.publisherOf, outcome.publisherLog);
      searched = true;
    }
    return outcome.publisher.publisher;
  };
  BglContext context;
  context.simulator = shared.msfs2020 ? BglSimulator::Msfs2020 : BglSimulator::Msfs2024;
  context.file = path.generic_string();
  context.isKnownAirport = [&shared](std::string_view icao) {
    return shared.isKnownAirport && shared.isKnownAirport(icao);
  };
  context.findLink = [&](std::string_view icao) { return findLink(shared, publisher(), icao); };
  outcome.result = shared.decode(*bytes, context);
  if (!outcome.result.airports.empty() || outcome.result.unrecognisedAirports > 0) (void)publisher();
  return outcome;
}

struct FileJob {
  fs::path path;
  PublisherInfo publisher;
  std::vector<std::string> publisherLog;
  std::future<TaskOutcome> future;
  std::optional<BglResult> result;
  std::vector<std::string> lostLog;
};

class AirportScan {
 public:
  explicit AirportScan(const AddonScanSettings& settings) : settings_(settings) {
    auto shared = std::make_shared<TaskShared>();
    shared->archive = settings.archive;
    shared->isKnownAirport = settings.isKnownAirport;
    shared->decode =
        settings.decode ? settings.decode : [](std::string_view bytes, const BglContext& context) {
          return gf_decodeBgl(bytes, context);
        };
    shared->publisherOf = settings.publisherOf
                              ? settings.publisherOf
                              : PublisherLookup([](const fs::path&) { return std::nullopt; });
    shared->msfs2020 = settings.msfs2020;
    shared_ = std::move(shared);
  }

  // False when a stop flag ended the walk.
  bool run() {
    for (const auto& folder : settings_.folders) {
      if (folder.empty()) continue;
      std::error_code error;
      if (!fs::exists(folder, error)) {
        gf_setMessage(folder.generic_string() + " does not exist, skipped!", true);
        continue;
      }
      if (!fs::is_directory(folder, error)) {
        gf_setMessage(folder.generic_string() + " is not a folder name, skipped!", true);
        continue;
      }
      if (!scanFolder(folder)) return false;
    }
    writeResults();
    return true;
  }

  std::vector<std::string>& log() { return log_; }

 private:
  bool scanFolder(const fs::path& folder) {
    log_.push_back(fmt::format("Scanning for {} airports in {}", kPassWord, folder.generic_string()));
    std::set<fs::path> entered;
    bool stopped = false;
    try {
      walk(folder, folder, entered, stopped);
    } catch (const std::exception& e) {
      log_.push_back(fmt::format("{} airports search in folder {} aborted, cause: {}", kPassWord,
                                 folder.generic_string(), e.what()));
    }
    while (!pending_.empty()) collectOldest();
    return !stopped;
  }

  void walk(const fs::path& dir, const fs::path& root, std::set<fs::path>& entered, bool& stopped) {
    std::error_code error;
    const fs::path canonical = fs::canonical(dir, error);
    if (error || !entered.insert(canonical).second) return;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
      return a.filename().string() < b.filename().string();
    });
    for (const auto& path : entries) {
      if (stopped) return;
      if (lf_isExcludedPackage(path, path.lexically_relative(root))) continue;
      if (fs::is_directory(path, error)) {
        walk(path, root, entered, stopped);
        continue;
      }
      if (!fs::is_regular_file(path, error) || lowerAscii(path.extension().string()) != ".bgl") continue;
      const std::string below = lowerAscii(path.lexically_relative(root).generic_string());
      if (below.find("statics") != std::string::npos || below.find("afcad updates") != std::string::npos ||
          below.find("_heliports") != std::string::npos) {
        continue;
      }
      if (!lf_hasAirportSection(path)) continue;
      if (gf_stopRaised() || !gf_waitForScanSlot()) {
        stopped = true;
        return;
      }
      start(path);
      if (pending_.size() > static_cast<std::size_t>(std::max(1, gf_scanWorkerLimit()))) collectOldest();
    }
  }

  void start(const fs::path& path) {
    FileJob job;
    job.path = path;
    const std::shared_ptr<const TaskShared> shared = shared_;
    ScanTaskSlot slot;
    std::packaged_task<TaskOutcome()> task([shared, path, slot = std::move(slot)]() mutable {
      const ScanTaskSlot held = std::move(slot);
      return lf_scanFile(*shared, path);
    });
    job.future = task.get_future();
    std::thread(std::move(task)).detach();
    pending_.push_back(std::move(job));
  }

  void collectOldest() {
    FileJob job = std::move(pending_.front());
    pending_.pop_front();
    if (job.future.wait_for(settings_.taskLimit) == std::future_status::ready) {
      try {
        TaskOutcome outcome = job.future.get();
        job.result = std::move(outcome.result);
        job.publisher = std::move(outcome.publisher);
        job.publisherLog = std::move(outcome.publisherLog);
      } catch (const std::exception& e) {
        job.lostLog.push_back(fmt::format("Exception in lf_processBGLfile (std::ex): {} \xE2\x80\x94 {}",
                                          job.path.generic_string(), e.what()));
      }
    } else {
      job.lostLog.push_back(fmt::format("===> {} not decoded within {:g} seconds, skipped",
                                        job.path.generic_string(),
                                        static_cast<double>(settings_.taskLimit.count()) / 1000.0));
    }
    done_.push_back(std::move(job));
  }

  void writeResults() {
    // The winner of each airport: more stands, else the first in walk order.
    std::map<std::string, std::pair<std::size_t, std::size_t>, std::less<>> winners;  // file, airport
    for (std::size_t f = 0; f < done_.size(); ++f) {
      if (!done_[f].result) continue;
      const auto& airports = done_[f].result->airports;
      for (std::size_t a = 0; a < airports.size(); ++a) {
        const auto [it, inserted] = winners.try_emplace(airports[a].airport.icao, f, a);
        if (!inserted) {
          const auto& kept = done_[it->second.first].result->airports[it->second.second];
          if (airports[a].airport.stands.size() > kept.airport.stands.size()) it->second = {f, a};
        }
      }
    }
    for (std::size_t f = 0; f < done_.size(); ++f) {
      FileJob& job = done_[f];
      std::move(job.lostLog.begin(), job.lostLog.end(), std::back_inserter(log_));
      if (!job.result) continue;
      BglResult& result = *job.result;
      for (auto& line : result.programLog) gf_logImportant(line);
      std::move(result.scanLog.begin(), result.scanLog.end(), std::back_inserter(log_));
      // Each record is an airport of its own that the simulator did not recognise.
      for (std::size_t i = 0; i < result.unrecognisedAirports; ++i) reportUnrecognised(job);
      for (std::size_t a = 0; a < result.airports.size(); ++a) {
        BglAirport& found = result.airports[a];
        const auto& winner = winners.at(found.airport.icao);
        if (winner != std::pair{f, a}) {
          log_.push_back(fmt::format("===> duplicate airport {} in {}, kept {}", found.airport.icao,
                                     job.path.generic_string(), done_[winner.first].path.generic_string()));
          continue;
        }
        std::copy(job.publisherLog.begin(), job.publisherLog.end(), std::back_inserter(log_));
        found.airport.bglPath = job.path.generic_string();
        found.airport.publisher = job.publisher.publisher;
        found.airport.manufacturer = job.publisher.manufacturer;
        found.airport.creator = job.publisher.creator;
        link(found.airport.icao, job.publisher.publisher);
        if (found.generate) generate(found.airport);
      }
    }
  }

  bool link(const std::string& icao, const std::string& publisher) {
    if (publisher.empty()) return false;
    const bool simaddon = publisher == kSimaddonWord;
    const std::string archived = archivePath(publisher, icao);
    if (!settings_.archive.contains(archived)) {
      log_.push_back(simaddon ? fmt::format("{} does not exist as simaddon", icao)
                              : fmt::format("thirdparty {} {} does not exist", publisher, icao));
      return false;
    }
    const fs::path folder = simaddon ? gf_paths().mySimaddon : gf_paths().myThirdparty;
    std::error_code error;
    fs::create_directories(folder, error);
    if (!gf_writeFile(archived, folder / (icao + ".txt"), false)) {
      log_.push_back(
          fmt::format("===> Writing {} did not succeed", (folder / (icao + ".txt")).generic_string()));
    }
    log_.push_back(simaddon ? fmt::format("simaddon airport {} linked to {}", icao, archived)
                            : fmt::format("thirdparty airport {} linked to {}", icao, archived));
    return true;
  }

  void generate(ScannedAirport& airport) {
    if (airport.stands.empty()) return;
    const std::string path = airport.bglPath;
    const std::string lower = lowerAscii(path);
    if (const auto at = lower.find("/community/"); at != std::string::npos) {
      airport.bglPath = path.substr(at + 1);
    } else if (lower.starts_with("community/")) {
      airport.bglPath = path;
    }
    const fs::path folder =
        airport.publisher == kSimaddonWord ? gf_paths().mySimaddon : gf_paths().myThirdparty;
    std::error_code error;
    fs::create_directories(folder, error);
    std::stable_sort(airport.stands.begin(), airport.stands.end(),
                     [](const Stand& a, const Stand& b) { return a.id < b.id; });
    const std::string name = airport.icao + ".xml";
    if (!gf_writeAirportFile(airport, folder / name, AirportFileMode::Generated, settings_.msfs2020 ? 1 : 2,
                             false)) {
      log_.push_back(fmt::format("===> Generating {} did not succeed", name));
      return;
    }
    const auto helipads = static_cast<std::size_t>(
        std::count_if(airport.stands.begin(), airport.stands.end(), [](const Stand& s) { return s.heli; }));
    std::string line = fmt::format("Generated {}: {} position{}", name, airport.stands.size(),
                                   airport.stands.size() == 1 ? "" : "s");
    if (helipads > 0) line += fmt::format(", of which {} helipad{}", helipads, helipads == 1 ? "" : "s");
    log_.push_back(std::move(line));
  }

  std::optional<std::string> knownWordIn(const std::string& text) const {
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      const char c = i < text.size() ? text[i] : ' ';
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        word += c;
        continue;
      }
      if (isCodeText(word) && known(upperAscii(word))) return upperAscii(word);
      word.clear();
    }
    return std::nullopt;
  }

  bool known(const std::string& icao) const {
    return settings_.isKnownAirport && settings_.isKnownAirport(icao);
  }

  void reportUnrecognised(const FileJob& job) {
    const std::string file = job.path.generic_string();
    log_.push_back(fmt::format("\n==> Not recognised airport {}", file));
    std::optional<std::string> icao;
    const std::string stem = upperAscii(job.path.stem().string());
    if (isCodeText(stem) && known(stem)) {
      icao = stem;
      log_.push_back(fmt::format("Non complying airport has ICAO code '{}' as BGL stem", stem));
    }
    if (!icao) {
      std::vector<std::string> manifestLog;
      if (const auto manifest = gf_searchManifest(job.path, manifestLog)) {
        if ((icao = knownWordIn(manifest->title))) {
          log_.push_back(fmt::format("Non complying airport has ICAO '{}' in title '{}' of manifest", *icao,
                                     manifest->title));
        }
      }
    }
    if (!icao && (icao = knownWordIn(file))) {
      log_.push_back(fmt::format("Non complying airport has ICAO '{}' in BGL path '{}'", *icao, file));
    }
    if (!icao) {
      log_.push_back(fmt::format("==================> Non complying airport lost ... '{}'", file));
      return;
    }
    link(*icao, job.publisher.publisher);
  }

  const AddonScanSettings& settings_;
  std::shared_ptr<const TaskShared> shared_;
  std::deque<FileJob> pending_;
  std::vector<FileJob> done_;
  std::vector<std::string> log_;
};

void emptyFolder(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    fs::remove_all(it->path(), ignored);
  }
}

// False when a stop flag cut the scan short.
bool runAirportScan(const AddonScanSettings& settings, bool& found) {
  std::size_t folders = 0;
  for (const auto& folder : settings.folders) folders += folder.empty() ? 0 : 1;
  gf_logLine(fmt::format("The scan will search {} folder{}", folders, folders == 1 ? "" : "s"));
  gf_flushLog();
  const fs::path scanLog = gf_paths().airportsScanLog;
  std::error_code error;
  fs::remove(scanLog, error);
  if (error) gf_logLine("problems with removing previous files (maybe still open?): " + error.message());
  lf_setBundleReady(false);
  AirportScan scan(settings);
  if (!scan.run()) return false;
  fs::create_directories(scanLog.parent_path(), error);
  if (gf_writeLines(scan.log(), scanLog)) gf_logLine(scanLog.generic_string() + " written");
  gf_clearMessage();
  lf_bundleThirdPartyAirports(gf_listMyThirdPartyXmlFiles(), settings.isKnownAirport);
  found = gf_countDirEntries(gf_paths().myThirdparty) > 0;
  return true;
}

}  // namespace

void lf_setBundleReady(bool ready) {
  bundleReady = ready;
}

bool lf_isExcludedPackage(const fs::path& path, const fs::path& below) {
  if (path.generic_string().size() >= kPathLimit) return true;
  const std::string lower = lowerAscii(below.generic_string());
  return std::any_of(std::begin(kExcludedWords), std::end(kExcludedWords),
                     [&lower](std::string_view word) { return lower.find(word) != std::string::npos; });
}

bool gf_tbloBundleReady() {
  return bundleReady;
}

ArchiveIndex gf_readArchiveIndex(bool msfs2020) {
  ArchiveIndex index;
  const auto add = [&index](std::string_view publisher, std::string_view entry) {
    if (entry.size() < 4 || !isCodeText(entry.substr(0, 4))) return;
    const std::string icao = upperAscii(std::string(entry.substr(0, 4)));
    int stands = 0;
    (void)gf_matchCodeNumber(publisher, icao, stands, entry);
    index[archivePath(publisher, icao)] = stands;
  };
  for (const auto& entry : gf_simAddonAirports()) add(kSimaddonWord, entry);
  for (const auto& party : msfs2020 ? gf_thirdParties2020() : gf_thirdParties2024()) {
    for (const auto& entry : party.airports) add(party.publisher, entry);
  }
  return index;
}

AddonScanSettings gf_addonScanSettings() {
  AddonScanSettings settings;
  settings.msfs2020 = gf_msfs2020Chosen();
  if (!gf_simRootPath(fs::path()).empty()) {
    if (settings.msfs2020) settings.folders.push_back(gf_simRootPath(std::string(gf_officialFolderName())));
    settings.folders.push_back(gf_simRootPath(std::string(kCommunityName)));
  }
  settings.archive = gf_readArchiveIndex(settings.msfs2020);
  settings.publisherOf = [](const fs::path& path) { return gf_publisherOf(path); };
  settings.isKnownAirport = [](std::string_view icao) {
    return isCodeText(icao) && gf_isKnownAirport(IcaoCode(icao));
  };
  return settings;
}

bool gf_scanAddonAirports(const AddonScanSettings& settings) {
  gf_setMessage("Scanning for addon airports ...");
  gf_logLine(fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++",
                         "automatic "));
  gf_flushLog();
  const fs::path tblo = gf_paths().tblo;
  std::error_code error;
  if (fs::is_directory(tblo, error)) {
    emptyFolder(tblo);
  } else if (!fs::create_directory(tblo, error) && error) {
    gf_logImportant(fmt::format("create_directory: {}", error.message()));
    return true;
  }
  if (settings.msfs2020) emptyFolder(gf_paths().mySimaddon);
  emptyFolder(gf_paths().myThirdparty);
  bool found = false;
  const bool finished = runAirportScan(settings, found);
  if (finished) {
    if (!found) gf_setMessage("Warning: Scan has not found any add-on airports", true);
    cfg::SCAN_AIRPORTS.set(false);
    gf_saveBoolParameter(cfg::SCAN_AIRPORTS);
    ui::setCheck(cfg::SCAN_AIRPORTS.window(), false);
  } else {
    lf_setBundleReady(false);
  }
  if (!bundleReady) fs::remove_all(tblo, error);
  gf_windowView().repaint(WindowBand::Options);
  gf_logLine("-------------------------- airports scan ends    ----------------------------\n");
  gf_flushLog();
  return finished;
}

void gf_scanAddonAirports() {
  (void)gf_scanAddonAirports(gf_addonScanSettings());
}

}  // namespace orv
