#pragma once

// Writes compiled scenery files (".bgl") byte by byte for tests: sections of airport records with
// helipads, taxiway parkings and other records, and the changes that corrupt them. Keeps its own
// constants so that a fault in the decoder's is not copied here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv::test {

// The packed ident of a code of digits and capital letters.
[[nodiscard]] std::uint32_t bglIdent(std::string_view code);
[[nodiscard]] std::uint32_t bglLatitude(double degrees);
[[nodiscard]] std::uint32_t bglLongitude(double degrees);

struct BglHelipadSpec {
  double lat = 50.0;
  double lon = 8.5;
  float length = 20.0F;     // metres
  std::uint32_t size = 32;  // the sub-record size written
};

struct BglParkingSpec {
  std::uint32_t name = 10;  // g
  std::uint32_t number = 1;
  std::uint32_t type = 1;
  std::uint32_t airlineCodes = 0;
  float radius = 20.0F;
  float heading = 90.0F;
  double lat = 50.0;
  double lon = 8.5;
};

struct BglParkingListSpec {
  std::vector<BglParkingSpec> parkings;
  int countOverride = -1;  // the entry count written, when not -1
};

struct BglRawSpec {
  std::uint16_t type = 0x04;
  std::uint32_t size = 16;
};

using BglSubRecord = std::variant<BglHelipadSpec, BglParkingListSpec, BglRawSpec>;

struct BglAirportSpec {
  std::string icao = "EDDF";
  std::int32_t altitudeMm = 111000;
  std::vector<BglSubRecord> subRecords;
  std::uint32_t identOverride = 0;  // the packed ident written, when not 0
};

using BglRecord = std::variant<BglAirportSpec, BglRawSpec>;

struct BglSectionSpec {
  std::uint32_t type = 3;
  std::uint32_t sizeCode = 0x00000001;  // bit 16 clear: 16-byte subsection entries
  std::vector<BglRecord> records;
};

struct BglFile {
  std::string bytes;
  std::vector<std::size_t> airportOffsets;  // of each airport record, in order
  std::vector<std::size_t> subOffsets;      // of each sub-record, in order
};

struct BglSpec {
  std::uint32_t headerSize = 56;
  std::vector<BglSectionSpec> sections;
  [[nodiscard]] BglFile build() const;
};

// A file of one airport section holding the airports.
[[nodiscard]] BglSpec bglOf(std::vector<BglAirportSpec> airports);

void bglSetU32(std::string& bytes, std::size_t offset, std::uint32_t value);
void bglSetU16(std::string& bytes, std::size_t offset, std::uint16_t value);
void bglSetF32(std::string& bytes, std::size_t offset, float value);

}  // namespace orv::test
