// Writes the seed corpus of the compiled-scenery fuzz target: valid files of every record the
// decoder reads and a few corruptions of them. Usage: quillstar-bgl-seeds <folder>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/bgl_builder.h"

namespace {

using namespace orv::test;

BglAirportSpec fullAirport(const char* icao) {
  BglAirportSpec airport;
  airport.icao = icao;
  airport.subRecords.emplace_back(BglRawSpec{0x04, 20});
  airport.subRecords.emplace_back(BglHelipadSpec{51.47, -0.45, 24.0F});
  airport.subRecords.emplace_back(BglHelipadSpec{51.471, -0.451, 24.0F});
  airport.subRecords.emplace_back(BglParkingListSpec{{
      {.name = 10, .number = 1, .type = 8, .airlineCodes = 2, .radius = 30.0F, .heading = 0.0F},
      {.name = 12, .number = 7, .type = 5, .radius = 45.0F, .heading = 270.0F, .lat = 51.472},
      {.name = 2, .number = 1, .type = 1, .radius = 8.0F, .heading = 90.0F, .lat = 51.473},
      {.name = 2, .number = 1, .type = 14, .radius = 1.0F},
      {.name = 3, .number = 2, .type = 12, .radius = 20.0F},
  }});
  airport.subRecords.emplace_back(BglParkingListSpec{{{.number = 9}}});
  return airport;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  std::vector<std::pair<std::string, std::string>> seeds;

  const BglFile one = bglOf({fullAirport("EGLL")}).build();
  seeds.emplace_back("one_airport.bgl", one.bytes);

  auto many = bglOf({fullAirport("EDDF"), fullAirport("KMCI")});
  many.sections[0].records.insert(many.sections[0].records.begin(), BglRawSpec{0x113, 40});
  many.sections.push_back({.type = 4, .records = {BglRawSpec{0x22, 16}}});
  many.sections.push_back({.type = 3, .sizeCode = 0x10001, .records = {fullAirport("LOWI")}});
  seeds.emplace_back("sections.bgl", many.build().bytes);

  std::string cut = one.bytes;
  bglSetU16(cut, one.subOffsets[2] + 6, 65535);
  seeds.emplace_back("count_65535.bgl", cut);

  std::string small = one.bytes;
  bglSetU32(small, one.airportOffsets[0] + 2, 2);
  seeds.emplace_back("airport_size_2.bgl", small);

  std::string past = one.bytes;
  bglSetU32(past, one.subOffsets[1] + 2, 0x7FFFFFF0U);
  seeds.emplace_back("sub_past_file.bgl", past);

  std::string nan = one.bytes;
  bglSetU32(nan, one.subOffsets[1] + 28, 0x7FC00000U);
  bglSetU32(nan, one.subOffsets[2] + 8 + 8, 0x7F800000U);
  seeds.emplace_back("nan_values.bgl", nan);

  seeds.emplace_back("header_only.bgl", one.bytes.substr(0, 60));

  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", (folder / name).string().c_str());
      return 1;
    }
  }
  return 0;
}
