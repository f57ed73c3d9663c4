#pragma once

// The airports of a compiled scenery file (".bgl"): the airport records, their helipads and their
// taxiway parkings, decoded into stands. Pure: bytes and look-ups in, airports and log lines out;
// any bytes are safe, a malformed part is skipped.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airports/stand_records.h"

namespace orv {

enum class BglSimulator { Msfs2020, Msfs2024 };

// An airport that the archive of stand files already holds.
struct BglLink {
  std::string publisher;
  std::int32_t archivedStands = 0;
};

struct BglContext {
  BglSimulator simulator = BglSimulator::Msfs2020;
  // True for a 4-character code the airports table knows.
  std::function<bool(std::string_view icao)> isKnownAirport;
  // The archive's link for the code, nothing when the airport is not archived.
  std::function<std::optional<BglLink>(std::string_view icao)> findLink;
  std::string file;  // the path named in the log lines
};

struct BglAirport {
  ScannedAirport airport;  // its stands sorted by id
  std::optional<BglLink> link;
  bool generate = false;  // a stand file is to be generated for it
};

struct BglResult {
  std::vector<BglAirport> airports;
  std::vector<std::string> scanLog;      // lines for the scan log, in order
  std::vector<std::string> programLog;   // lines for the program's log, in order
  std::size_t unrecognisedAirports = 0;  // MSFS 2024 airport records this decoder cannot read
};

[[nodiscard]] BglResult gf_decodeBgl(std::string_view bytes, const BglContext& context);

// True when the bytes are at least 57 long and one of the listed sections is an airport section.
[[nodiscard]] bool gf_bglHasAirportSection(std::string_view bytes);

// The text of a packed ident; nothing when it is not a valid one.
[[nodiscard]] std::optional<std::string> gf_decodeBglIcao(std::uint32_t packed);

}  // namespace orv
