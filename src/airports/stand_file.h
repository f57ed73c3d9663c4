#pragma once

// Stand files: one XML file per airport with its stands ("parkpos") and, in a learned file, the
// parkings learned at each stand ("opt"). The writer serves the add-on scan (generated mode, on
// scan worker threads) and the learned save; the readers serve every loading of a stand file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "airports/stand_records.h"

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

namespace orv {

enum class AirportFileMode : int {
  Learned = 0,    // opts and the per-airport settings; unchanged stands by id alone
  Generated = 1,  // full stands, no opts
};

// Writes the record's stand file (made by the program `sim` is passed into the meta block). The
// handmade flag writes every stand in full and marks the file handmade; it is false in generated
// mode. Saved under a temporary name and renamed, so a broken save leaves the old file whole.
// True when the save succeeded. Any thread in generated mode; start-up thread in learned mode.
[[nodiscard]] bool gf_writeAirportFile(const ScannedAirport& airport, const std::filesystem::path& path,
                                       AirportFileMode mode, int sim, bool handmade);

// The "parameters" block under root; false when an element cannot be appended.
[[nodiscard]] bool lf_writeAirportParameters(pugi::xml_node root, const ScannedAirport& airport,
                                             AirportFileMode mode, bool handmade);

// Appends every stand of the document, in file order. Throws UserErrorException 93 for a parkpos
// without id or with an empty one, 94 for an id met before in the file.
void lf_readParkpositions(const pugi::xml_document& document, std::vector<Stand>& stands);
// The same, taking each parkpos out of the document once read: the loading of a stand file,
// whose document is not needed afterwards, holds the file's stands about once.
void lf_takeParkpositions(pugi::xml_document& document, std::vector<Stand>& stands);

// Appends one stand with its opts; a stand without a valid position is dropped with a warning.
// fromFile goes into each of its schedules.
void lf_readParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t fromFile,
                    std::vector<Stand>& stands);

// A value as a saved stand file gives it back: written with that many decimals (one that is no
// number as 0) and read again. The readers judge a stand by these values, so that no stand they
// take is dropped when the program's own save of it is read again.
[[nodiscard]] double lf_asSaved(double value, int decimals);
// A radius in metres as a saved stand file gives it back.
[[nodiscard]] double lf_savedRadiusMetres(double radiusMetres);

struct OptCodes {
  AirlineId airline = 0;
  ModelId model = 0;
};

struct OptNames {
  std::string callsign;
  std::string secondCallsign;
  OptCodes codes;
};

// The callsigns of "cs" (split at its first ':') and the codes: a database registration's own
// (its operator's airline when it has one), else those of "airl" and "type".
[[nodiscard]] OptNames lf_readOpt(const pugi::xml_node& opt);
[[nodiscard]] OptCodes lf_readOptCodes(const pugi::xml_node& opt);
// The schedule of an "opt": its aircraft (as lf_readOpt reads them, and "reg"), "soft" and "cpl".
// Its hours, day and place in the stand's list are the caller's to judge and set.
[[nodiscard]] StandSchedule lf_readOptSchedule(const pugi::xml_node& opt);

}  // namespace orv
