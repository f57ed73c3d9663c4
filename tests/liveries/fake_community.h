#pragma once

// A Community folder with a package for every detector, decoys the detectors and the walk must
// pass over, and aircraft.cfg files in the encodings and forms the scan meets, broken ones among
// them; and the reference data the scan checks them against.

#include <filesystem>
#include <string>

namespace testing_support {

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Windows1252 };

// Writes the text (LF line ends) in the encoding, with CRLF line ends when asked.
void writeCfg(const std::filesystem::path& path, const std::string& text, Encoding encoding, bool crlf);

// Builds the tree below `root` and returns its Community folder.
std::filesystem::path writeFakeCommunity(const std::filesystem::path& root);

// "input/dbase.enc" for the tree, read into the program's reference data.
void installScanDbase();

}  // namespace testing_support
