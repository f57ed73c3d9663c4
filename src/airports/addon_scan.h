#pragma once

// The scan of the add-on airports installed in the simulator: the package folders are walked for
// compiled scenery files, which worker tasks decode; the start-up thread links each airport to
// an archived stand file or generates one, writes "AirportsScanLog.txt" and bundles the generated
// third-party files. Start-up thread.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airports/bgl_records.h"
#include "airports/publishers.h"

namespace orv {

// Archived stand files by relative path ("archive/simaddon/EGLL.xml",
// "archive/thirdparty/Bravo%20Sims/EGLL.xml") with their number of stands.
using ArchiveIndex = std::map<std::string, int, std::less<>>;

// From the aircraft database: simaddons20 under both simulators, thirdparties20 or
// thirdparties24 after the chosen one.
[[nodiscard]] ArchiveIndex gf_readArchiveIndex(bool msfs2020);

struct AddonScanSettings {
  std::vector<std::filesystem::path> folders;  // in scan order; empty paths are left out
  bool msfs2020 = true;
  ArchiveIndex archive;
  PublisherLookup publisherOf;
  std::function<bool(std::string_view icao)> isKnownAirport;
  std::chrono::milliseconds taskLimit{10000};  // a task not done by then loses its file
  // The decoding of one file's bytes; empty: gf_decodeBgl.
  std::function<BglResult(std::string_view bytes, const BglContext& context)> decode;
};

// The program's settings: the chosen simulator's Official (MSFS 2020) and Community folders, the
// database's archive and publishers, the airports table.
[[nodiscard]] AddonScanSettings gf_addonScanSettings();

// True when the path, below the scanned folder, is a package to leave out.
[[nodiscard]] bool lf_isExcludedPackage(const std::filesystem::path& path,
                                        const std::filesystem::path& below);

// True when the last scan put files into the bundle.
[[nodiscard]] bool gf_tbloBundleReady();
void lf_setBundleReady(bool ready);

// Scans, writes the files and the log, bundles and switches SCAN_AIRPORTS off. False when a stop
// flag cut the scan short: SCAN_AIRPORTS then stays on and no bundle is made.
bool gf_scanAddonAirports(const AddonScanSettings& settings);
void gf_scanAddonAirports();

// Copies the generated third-party files listed (each named by its airport's code) into "tblo",
// zips them to "tblo/tblo.zip" and leaves only the zip; each airport's redirect file goes.
void lf_bundleThirdPartyAirports(const std::vector<std::filesystem::path>& files,
                                 const std::function<bool(std::string_view icao)>& isKnownAirport);
// Zips the regular files directly in "tblo" into the zip; true on success.
[[nodiscard]] bool gf_zipFolder(const std::filesystem::path& zipPath);

}  // namespace orv
