// "LiveriesScanned.xml", which a start reads instead of scanning the packages again: an older
// program's, a hand-edited one or a broken one. A list read is sorted, and written and read again
// it is the same list.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "foundation/errors.h"
#include "foundation/folders.h"
#include "fuzz_support.h"
#include "liveries/livery_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const std::filesystem::path& path = orv::gf_paths().liveriesScanned;
  fuzz_support::emptyFolder(path.parent_path());
  fuzz_support::writeFile(path, fuzz_support::text(data, size));

  orv::LiveryList liveries;
  try {
    orv::gf_readLiveriesScanned(liveries, path);
  } catch (const orv::UserErrorException&) {
    return 0;  // the start-up reports it and scans again
  }
  if (liveries.empty()) fuzz_support::fail("an empty list was read without error");
  if (!std::is_sorted(liveries.begin(), liveries.end(), orv::lf_liveryLess))
    fuzz_support::fail("the list read is not sorted");

  const std::filesystem::path again = fuzz_support::workingFolder() / "again.xml";
  if (!orv::gf_writeLiveriesScanned(liveries, again, 2))
    fuzz_support::fail("the list read cannot be written");
  orv::LiveryList back;
  try {
    orv::gf_readLiveriesScanned(back, again);
  } catch (const orv::UserErrorException& e) {
    fuzz_support::fail(std::string("the file written is refused: ") + e.what());
  }
  if (back != liveries) fuzz_support::fail("the list changed when written and read again");
  return 0;
}
