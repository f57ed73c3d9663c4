// The registration-code files: the input as a user's ".TXT" file in "my_regcodes" and as the AIG
// package's "AIG-regcodes.xml" (deciphered). Every entry has its registrations sorted and without
// repeats, and those of the user's files have 3 to 12 characters.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "foundation/folders.h"
#include "fuzz_support.h"
#include "refdata/regcode_files.h"

namespace {

void check(const std::vector<orv::RegcodeEntry>& entries, bool lengthsChecked) {
  for (const orv::RegcodeEntry& entry : entries) {
    const std::vector<std::string>& codes = entry.regcodes;
    if (!std::is_sorted(codes.begin(), codes.end()) ||
        std::adjacent_find(codes.begin(), codes.end()) != codes.end())
      fuzz_support::fail("registrations not sorted or repeated");
    if (!lengthsChecked) continue;
    for (const std::string& code : codes)
      if (code.size() < 3 || code.size() > 12) fuzz_support::fail("a registration of the wrong length");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const orv::ProgramPaths& paths = orv::gf_paths();
  const std::string_view input = fuzz_support::text(data, size);

  fuzz_support::emptyFolder(paths.myRegcodes);
  fuzz_support::writeFile(paths.myRegcodes / "mine.TXT", input);
  std::vector<orv::RegcodeEntry> entries;
  (void)orv::gf_readRegcodeTextFiles(paths.myRegcodes, entries);
  check(entries, true);

  fuzz_support::writeFile(paths.aigRegcodesXml, input);
  entries.clear();
  (void)orv::gf_readAigRegcodesXml(paths.aigRegcodesXml, entries);
  check(entries, false);
  return 0;
}
