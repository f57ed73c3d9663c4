#pragma once

// The registration-code files: the AIG package's regcode file (plain XML, deciphered by the
// caller) and the user's ".TXT" files in "my_regcodes". They bind livery titles to the
// registrations of the real aircraft that wear them. Start-up thread.

#include <filesystem>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace orv {

struct RegcodeEntry {
  std::string title;                  // exactly as written
  std::vector<std::string> regcodes;  // sorted, without repeats; may be empty
  bool special = false;               // reserved for the aircraft of its registrations

  bool operator==(const RegcodeEntry&) const = default;
};

// The attribute's value, or the empty text when the element has no such attribute.
[[nodiscard]] std::string lf_attributeString(const pugi::xml_node& element, const char* name);

// Appends the "l" elements of <root><aig> in file order. False when the file does not load (it is
// then removed), has no meta block or no <aig>, or when a title repeats the one before it (that
// element is skipped, the others still count). A failing removal throws the file-system error.
[[nodiscard]] bool gf_readAigRegcodesXml(const std::filesystem::path& path,
                                         std::vector<RegcodeEntry>& entries);

// Appends the definitions of the ".TXT" files (any letter case) directly in the folder, the files
// in byte order of their names. False when a registration has the wrong length (3 to 12
// characters). A folder that cannot be listed throws the file-system error.
[[nodiscard]] bool gf_readRegcodeTextFiles(const std::filesystem::path& folder,
                                           std::vector<RegcodeEntry>& entries);

}  // namespace orv
