// The user's "my_park_airports.txt", read into the list of park airports against a small airports
// table. The list holds each known airport once, with a stand name that reads back as one field;
// and adding every entry again, as the program does when the user reserves a stand, must leave
// the file readable to the same list.

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/folders.h"
#include "fuzz_support.h"
#include "refdata/airports_table.h"
#include "traffic/park_airports.h"

namespace {

const orv::AirportTable& table() {
  static const orv::AirportTable instance = orv::AirportTable::fromRecords({
      {orv::IcaoCode("EDDF"), orv::IataCode("FRA"), 50.0333, 8.5706, 364.0F, 300},
      {orv::IcaoCode("EDDM"), orv::IataCode("MUC"), 48.3538, 11.7861, 1487.0F, 200},
      {orv::IcaoCode("EGLL"), orv::IataCode("LHR"), 51.4775, -0.4614, 83.0F, 250},
      {orv::IcaoCode("KJFK"), orv::IataCode("JFK"), 40.6398, -73.7789, 13.0F, 180},
      {orv::IcaoCode("LOWI"), orv::IataCode("INN"), 47.2602, 11.3439, 1907.0F, 20},
  });
  return instance;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries entriesOf(const orv::ParkAirportList& list) {
  Entries entries;
  for (const orv::ParkAirportEntry& entry : list.entries)
    entries.emplace_back(entry.icao.str(), entry.reservedStand);
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const orv::ProgramPaths& paths = orv::gf_paths();
  fuzz_support::emptyFolder(paths.airports);
  fuzz_support::writeFile(paths.myParkAirports, fuzz_support::text(data, size));

  orv::ParkAirportList list;
  const std::size_t count = orv::lf_readMyParkAirports(list, table());
  if (count != list.entries.size() || count != list.codes.size())
    fuzz_support::fail("the count, the entries and the codes differ");
  for (const orv::ParkAirportEntry& entry : list.entries) {
    if (!table().isKnown(entry.icao)) fuzz_support::fail("an unknown airport was listed");
    if (!list.codes.contains(entry.icao)) fuzz_support::fail("an entry's code is not in the codes");
    if (entry.reservedStand.find(',') != std::string::npos) fuzz_support::fail("a stand holds a ','");
  }

  // The program adds the airport it parks at and the stand the user reserves; the file it rewrites
  // must give the list it holds.
  const Entries before = entriesOf(list);
  orv::ParkAirportList added = list;
  for (const auto& [icao, stand] : before)
    (void)orv::gf_addMyParkAirport(added, table(), orv::IcaoCode(icao), stand);
  orv::ParkAirportList again;
  (void)orv::lf_readMyParkAirports(again, table());
  if (entriesOf(again) != entriesOf(added)) fuzz_support::fail("the rewritten file reads as another list");
  return 0;
}
