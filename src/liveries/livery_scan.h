#pragma once

// The livery scan: the folders to scan (the AI packages found in the Community folder, or the
// user's lfolder parameters), the walk of each folder tree with one worker per aircraft.cfg, and
// the result written to "LiveriesScanned.xml" with its reports. Start-up thread, except the
// workers.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "liveries/livery_record.h"

namespace orv {

using FolderList = std::vector<std::filesystem::path>;

// The package detectors: each appends the first folder of the Community folder (names in byte
// order) whose name holds its key text and not "_CVT_", and logs it.
void lf_detectAig(const std::filesystem::path& community, FolderList& folders);
void lf_detectFsltl(const std::filesystem::path& community, FolderList& folders);
void lf_detectJf(const std::filesystem::path& community, FolderList& folders);
void lf_detectIvaoMtl(const std::filesystem::path& community, FolderList& folders);
void lf_detectUserAitraffic(const std::filesystem::path& community, FolderList& folders);

// The packages of AI_PACKAGE_SELECTOR in its order, then "user-aitraffic". Throws
// std::runtime_error "AI_PACKAGE_SELECTOR not set" for a value that is not a choice.
void lf_collectAutomaticFolders(const std::filesystem::path& community, FolderList& folders);
// The non-empty lfolder parameters; UserErrorException 243 for a path that does not exist.
void lf_collectLfolders(FolderList& folders);

// The worker of one aircraft.cfg; IVAO packages have their own rules.
[[nodiscard]] std::vector<Livery> lf_searchLiveriesinFile(std::uint16_t ordinal,
                                                          const std::filesystem::path& cfg);
[[nodiscard]] std::vector<Livery> lf_searchLiveriesinIVAOFile(std::uint16_t ordinal,
                                                              const std::filesystem::path& cfg);

// Walks one folder tree and appends its liveries to the list.
void lf_scanLiveryFolder(std::uint16_t ordinal, const std::filesystem::path& folder, LiveryList& liveries);

enum class ScanResult { Found, NoneFound, Stopped };
// Scans the folders in order, corrects, prioritises and sorts the liveries, writes
// "LiveriesScanned.xml" and the reports.
[[nodiscard]] ScanResult lf_scanLiveryFolders(const FolderList& folders, LiveryList& liveries);

// The database corrections of the liveries with a known registration; each change is reported.
void lf_applyDbaseToLiveries(LiveryList& liveries);

// What the scan needs of the rest of the program; the defaults are the program's own.
struct LiveryScanHooks {
  // The Community folder; empty: the chosen simulator's, or none when no packages folder is known.
  std::filesystem::path community;
  // Opens the folders of the manual and of "parameters.xml" for the user (manual mode without
  // folders); empty: the program's file manager.
  std::function<void()> openManualFolders;
  // The liveries count of the status band; empty: not shown.
  std::function<void(std::size_t)> showLiveriesCount;
};

// The scan. Throws UserErrorException 43, 48, 53, 143 or 243 (SCAN_LIVERIES then stays on), or
// std::runtime_error for an unknown package choice. False when a stop flag ended it: the old
// "LiveriesScanned.xml" is gone and no new one was written, so the start-up must stop.
[[nodiscard]] bool gf_scanLiveries(const LiveryScanHooks& hooks);
[[nodiscard]] bool gf_scanLiveries();

// How long the walk waits for its oldest worker (10 s); tests shorten it.
void lf_setWorkerWaitLimit(std::chrono::milliseconds limit);
[[nodiscard]] std::chrono::milliseconds lf_workerWaitLimit();
// Called by each worker with its file before reading it; tests make one hang or fail.
void lf_setWorkerProbe(std::function<void(const std::filesystem::path&)> probe);

}  // namespace orv
