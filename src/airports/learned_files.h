#pragma once

// Learned files: per airport, what the program observed and the user set while it was the park
// airport (parkings seen at each stand, stands made by hand, changed radii and cargo flags, the
// per-airport settings), merged into the stands of its stand file when it is loaded again.
// Start-up thread.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "airports/stand_records.h"

namespace pugi {
class xml_node;
}

namespace orv {

struct ParkAirportInfo;

// A publisher text as one safe folder name: '/' and '\' become blanks, control characters and
// <>:"|?* become '_', then dots and blanks at the end and blanks at the start go, so that "."
// and ".." give the empty text; a device name of Windows (as "NUL" or "com1.x") gets a '_' after it.
[[nodiscard]] std::string gf_safePublisherFolder(std::string_view publisher);

// The learned file of a stand file: under "airports/learned" for archived names
// ("archive/stock/", "archive/simaddon/", "archive/thirdparty/<publisher>/") and local files
// ("airports/my_thirdparty/" by the publisher given, "airports/my_simaddon/" in a folder of its own,
// anything else under "airports/" as it is). The empty path when there is none, also for any name
// that would lead out of the learned folder. Reading and saving both name the file through this.
[[nodiscard]] std::filesystem::path lf_learnedFilePath(std::string_view standFileName,
                                                       std::string_view publisher);

[[nodiscard]] std::string lf_trimBlanks(std::string_view text);

// Merges the learned file into the stands and the per-airport settings. handmade is set when the
// file replaces the stands altogether, else cleared. Throws only what reading a handmade file's
// stands throws.
void lf_readLearned(const std::filesystem::path& path, const ParkAirportInfo& info,
                    std::vector<Stand>& stands, bool& handmade);

// True when the stand has the id; then the element's changes and (unless the file is old) its
// opts not already known have been applied.
[[nodiscard]] bool lf_mergeLearnedOpts(std::string_view id, const pugi::xml_node& parkpos, bool oldFile,
                                       Stand& stand);

}  // namespace orv
