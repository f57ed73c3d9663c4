#pragma once

// One livery of an installed AI aircraft package, the livery list that a scan or the reading of
// "LiveriesScanned.xml" fills, and that file itself. Start-up thread only.

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

#include "refdata/codes.h"

namespace orv {

struct Livery {
  std::string title;         // the simulator's title; never empty
  std::string registration;  // empty when the livery has none
  AirlineId airline = 0;     // 0: no airline
  ModelId model = 0;
  std::uint16_t folderOrdinal = 0;  // 1 to 10 in a scan; 0 when read back from the file
  bool cargo = false;

  // The folder is not compared: the same livery found in two folders is one.
  [[nodiscard]] bool operator==(const Livery& other) const {
    return title == other.title && airline == other.airline && model == other.model &&
           registration == other.registration && cargo == other.cargo;
  }
};

// Appended at the end only and sorted with its own stable sort, so that a scan's duplicates are
// neighbours.
using LiveryList = std::list<Livery>;

// The list the scan fills and the livery processing reads and frees. Start-up thread only.
[[nodiscard]] LiveryList& gf_liveryList();

// Airline code texts first, then the model code texts, then the titles, each byte by byte; an id
// beyond its table counts as the empty text.
[[nodiscard]] bool lf_liveryLess(const Livery& a, const Livery& b);

// The simulator number of the meta block: 1 for MSFS 2020, 2 for MSFS 2024.
[[nodiscard]] int gf_simNumber();

// Writes the list, in its order, to the file (by default "output/LiveriesScanned.xml") and logs
// "{} liveries in {}". An empty list writes nothing and leaves an older file as it was. The file
// is written under a temporary name and renamed over the old one, so that a failed save never
// leaves a truncated file behind. False when nothing was written.
bool gf_writeLiveriesScanned(const LiveryList& liveries, const std::filesystem::path& path,
                             int sim = gf_simNumber());
bool gf_writeLiveriesScanned();

// Empties the list and fills it from the file, sorted; logs "{:5} liveries read from {}". Throws
// UserErrorException 51 (the file does not load), 52 (no <liveries> in "root"), 533 (no livery
// element) or 999 (an element without "a", "m" or "t"); the list keeps what was appended before.
// Unknown codes are added to the code tables.
void gf_readLiveriesScanned(LiveryList& liveries, const std::filesystem::path& path);
void gf_readLiveriesScanned();

// Whether a start can read the file (by default "output/LiveriesScanned.xml") instead of
// scanning: false when there is none. A file that is there but cannot be read (cut short,
// damaged) is logged with the reason, kept as its generation 1 ("LiveriesScanned0.xml") and
// removed, so that the start scans anew and the next start reads the new file.
[[nodiscard]] bool gf_liveriesScannedReadable(const std::filesystem::path& path);
[[nodiscard]] bool gf_liveriesScannedReadable();

}  // namespace orv
