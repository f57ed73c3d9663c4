// The airports table "airports.xml", enciphered as the download site delivers it, through the
// table's reading. Its plain text must not stay on disk; a table read holds airports with valid
// positions, in code order, each found by its code.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "fuzz_support.h"
#include "refdata/airports_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const orv::ProgramPaths& paths = orv::gf_paths();
  fuzz_support::emptyFolder(paths.input);
  fuzz_support::writeFile("given.xml", fuzz_support::text(data, size));
  orv::gf_streamEncrypt("given.xml", paths.airportsEnc);

  // A table of its own for every input: the program's is read once per process.
  orv::AirportTable table;
  try {
    (void)table.read(paths.airportsEnc, paths.airportsXml);
  } catch (const orv::UserErrorException&) {
    // Reported to the user, who gets the file again.
  }
  if (std::filesystem::exists(paths.airportsXml)) fuzz_support::fail("the plain table stayed on disk");

  const auto& records = table.records();
  if (!std::is_sorted(
          records.begin(), records.end(),
          [](const orv::AirportRecord& a, const orv::AirportRecord& b) { return a.icao < b.icao; }))
    fuzz_support::fail("the table is not in code order");
  for (const orv::AirportRecord& record : records) {
    if (!std::isfinite(record.lat) || std::fabs(record.lat) > 90.0 || !std::isfinite(record.lon) ||
        std::fabs(record.lon) > 180.0)
      fuzz_support::fail("an airport without a valid position");
    const orv::AirportRecord* found = table.find(record.icao.view());
    if (found == nullptr || found->icao != record.icao || !table.isKnown(record.icao))
      fuzz_support::fail("an airport of the table is not found by its code");
  }
  return 0;
}
