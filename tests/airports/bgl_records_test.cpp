#include "airports/bgl_records.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "support/bgl_builder.h"
#include "support/test_support.h"

namespace orv {
namespace {

using test::BglAirportSpec;
using test::BglHelipadSpec;
using test::bglOf;
using test::BglParkingListSpec;
using test::BglParkingSpec;
using test::BglRawSpec;

constexpr const char* kFile = "C:/Community/pkg/scenery/EDDF.bgl";

BglContext contextFor(BglSimulator simulator = BglSimulator::Msfs2020) {
  BglContext context;
  context.simulator = simulator;
  context.isKnownAirport = [](std::string_view icao) {
    return icao == "EDDF" || icao == "EGLL" || icao == "KMCI";
  };
  context.findLink = [](std::string_view) { return std::optional<BglLink>{}; };
  context.file = kFile;
  return context;
}

BglResult decode(const std::string& bytes, const BglContext& context = contextFor()) {
  return gf_decodeBgl(bytes, context);
}

BglAirportSpec airportWith(std::vector<BglParkingSpec> parkings) {
  BglAirportSpec airport;
  airport.subRecords.emplace_back(BglParkingListSpec{std::move(parkings)});
  return airport;
}

std::vector<std::string> idsOf(const BglResult& result) {
  std::vector<std::string> ids;
  for (const auto& airport : result.airports) {
    for (const auto& stand : airport.airport.stands) ids.push_back(stand.id);
  }
  return ids;
}

// The scan-log lines other than the count comparison with the archive.
std::vector<std::string> linesOf(const BglResult& result) {
  std::vector<std::string> lines;
  for (const auto& line : result.scanLog) {
    if (line.find(" parkpos while archived one has ") == std::string::npos) lines.push_back(line);
  }
  return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(BglIdent, DecodesBase38AndRejectsBlanksOnesAndZero) {
  EXPECT_EQ(gf_decodeBglIcao(test::bglIdent("EDDF")), "EDDF");
  EXPECT_EQ(gf_decodeBglIcao(test::bglIdent("K0A9")), "K0A9");
  EXPECT_EQ(gf_decodeBglIcao(0), std::nullopt);
  EXPECT_EQ(gf_decodeBglIcao(31), std::nullopt);  // only the low five bits, value 0
  // Digit 0 (a blank) and digit 1 are not characters of a code.
  EXPECT_EQ(gf_decodeBglIcao(((12U * 38U + 0U) * 38U + 13U) << 5), std::nullopt);
  EXPECT_EQ(gf_decodeBglIcao(((12U * 38U + 1U) * 38U + 13U) << 5), std::nullopt);
}

TEST(BglAirports, DecodesParkingsHelipadsAndAltitude) {
  BglAirportSpec airport;
  airport.altitudeMm = 111000;
  airport.subRecords.emplace_back(BglRawSpec{0x04, 24});  // a runway, skipped by its size
  airport.subRecords.emplace_back(BglHelipadSpec{50.01, 8.51, 30.0F});
  BglParkingSpec cargo{
      .name = 10, .number = 12, .type = 5, .airlineCodes = 2, .radius = 40.0F, .heading = 90.0F};
  BglParkingSpec ramp{.name = 12, .number = 7, .type = 14, .radius = 10.0F, .heading = 180.0F, .lat = 50.02};
  BglParkingSpec gate{.name = 0, .number = 3, .type = 8, .radius = 20.0F, .heading = 0.0F, .lat = 50.03};
  airport.subRecords.emplace_back(BglParkingListSpec{{cargo, ramp, gate}});
  const auto result = decode(bglOf({airport}).build().bytes);

  ASSERT_EQ(result.airports.size(), 1U);
  const auto& found = result.airports[0];
  EXPECT_EQ(found.airport.icao, "EDDF");
  EXPECT_EQ(found.airport.airportName, "");
  EXPECT_EQ(found.airport.altitude, 364);
  EXPECT_TRUE(found.generate);
  // Sorted by id in byte order.
  ASSERT_EQ(idsOf(result), (std::vector<std::string>{"3", "A7", "g12", "helipad1"}));
  const auto& stands = found.airport.stands;
  EXPECT_NEAR(stands[3].latitude, 50.01, 1e-6);
  EXPECT_NEAR(stands[3].longitude, 8.51, 1e-6);
  EXPECT_NEAR(stands[3].radius, 15.0 * kNmPerMetre, 1e-12);
  EXPECT_TRUE(stands[3].heli);
  EXPECT_FALSE(stands[3].ramp || stands[3].cargo);
  EXPECT_EQ(stands[3].heading, 0.0);
  EXPECT_TRUE(stands[2].cargo && stands[2].ramp && !stands[2].heli);
  EXPECT_NEAR(stands[2].heading, std::numbers::pi / 2, 1e-9);
  EXPECT_NEAR(stands[2].radius, 40.0 * kNmPerMetre, 1e-12);
  EXPECT_TRUE(stands[1].ramp && !stands[1].cargo);
  EXPECT_NEAR(stands[1].latitude, 50.02, 1e-6);
  // Facing north is told from a missing heading.
  EXPECT_EQ(stands[0].heading, 6.283185307179586);
  EXPECT_FALSE(stands[0].ramp || stands[0].cargo);
  EXPECT_EQ(result.scanLog, std::vector<std::string>{"===> EDDF has 4 parkpos while archived one has 0"});
  EXPECT_TRUE(result.programLog.empty());
}

TEST(BglAirports, NamePrefixesAndSkippedTypes) {
  struct Case {
    std::uint32_t name;
    std::uint32_t type;
    const char* id;  // nullptr: skipped
  };
  const std::vector<Case> cases = {
      {0, 1, "5"},     {1, 1, "r5"},     {2, 1, "p5"},     {3, 1, "np5"}, {4, 1, "ep5"},
      {5, 1, "sep5"},  {6, 1, "sp5"},    {7, 1, "swp5"},   {8, 1, "wp5"}, {9, 1, "nwp5"},
      {10, 1, "g5"},   {11, 1, "5"},     {37, 1, "Z5"},    {38, 1, "5"},  {63, 15, "5"},
      {2, 0, nullptr}, {2, 12, nullptr}, {2, 13, nullptr}, {2, 11, "p5"}, {2, 14, "p5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "name " << c.name << " type " << c.type);
    const auto result =
        decode(bglOf({airportWith({{.name = c.name, .number = 5, .type = c.type}})}).build().bytes);
    ASSERT_EQ(result.airports.size(), 1U);
    if (c.id == nullptr) {
      EXPECT_TRUE(idsOf(result).empty());
      EXPECT_TRUE(linesOf(result).empty());
    } else {
      EXPECT_EQ(idsOf(result), std::vector<std::string>{c.id});
    }
  }
}

TEST(BglAirports, TwelveEqualIdsGetTenLettersAndAWarning) {
  const auto result =
      decode(bglOf({airportWith(std::vector<BglParkingSpec>(12, {.name = 2, .number = 1}))}).build().bytes);
  EXPECT_EQ(idsOf(result), (std::vector<std::string>{"p1", "p1a", "p1b", "p1c", "p1d", "p1e", "p1f", "p1g",
                                                     "p1h", "p1i", "p1j"}));
  EXPECT_EQ(linesOf(result), std::vector<std::string>{
                                 fmt::format("===> Warning: more than 10 duplicate IDs p1 in {}", kFile)});
}

TEST(BglAirports, RadiusLimitsAreExclusive) {
  const auto result =
      decode(bglOf({airportWith({{.number = 1, .radius = 1.0F},
                                 {.number = 2, .radius = 1.01F},
                                 {.number = 3, .radius = 199.9F},
                                 {.number = 4, .radius = 200.0F},
                                 {.number = 5, .radius = std::numeric_limits<float>::quiet_NaN()}})})
                 .build()
                 .bytes);
  EXPECT_EQ(idsOf(result), (std::vector<std::string>{"g2", "g3"}));
  ASSERT_EQ(linesOf(result).size(), 3U);
  EXPECT_EQ(linesOf(result)[2], fmt::format("Skipped position with radius NAN m in {}", kFile));
  EXPECT_EQ(linesOf(result)[0], fmt::format("Skipped position with radius 1.0 m in {}", kFile));
  EXPECT_EQ(linesOf(result)[1], fmt::format("Skipped position with radius 200.0 m in {}", kFile));
}

TEST(BglAirports, AltitudeRoundsAndOutOfRangeGivesZero) {
  const std::vector<std::pair<std::int32_t, std::int32_t>> cases = {
      {-3000, -10}, {3100000, 0}, {-7000, 0}, {0, 0}, {3048000, 10000}};
  for (const auto& [millimetres, feet] : cases) {
    BglAirportSpec airport;
    airport.altitudeMm = millimetres;
    const auto result = decode(bglOf({airport}).build().bytes);
    ASSERT_EQ(result.airports.size(), 1U);
    EXPECT_EQ(result.airports[0].airport.altitude, feet) << millimetres;
  }
}

TEST(BglAirports, HeaderAndSectionMustFit) {
  auto header = bglOf({airportWith({{}})});
  header.headerSize = 64;
  auto wideEntries = bglOf({airportWith({{}})});
  wideEntries.sections[0].sizeCode = 0x10001;
  auto otherSection = bglOf({airportWith({{}})});
  otherSection.sections[0].type = 4;
  for (const auto* spec : {&header, &wideEntries, &otherSection}) {
    const auto result = decode(spec->build().bytes);
    EXPECT_TRUE(result.airports.empty());
    EXPECT_TRUE(result.scanLog.empty());
    EXPECT_TRUE(result.programLog.empty());
  }
  EXPECT_FALSE(gf_bglHasAirportSection(otherSection.build().bytes));
  EXPECT_TRUE(gf_bglHasAirportSection(header.build().bytes));
  EXPECT_FALSE(gf_bglHasAirportSection(header.build().bytes.substr(0, 56)));
}

TEST(BglAirports, OnlyTheFirstParkingListIsRead) {
  BglAirportSpec airport = airportWith({{.number = 1}});
  airport.subRecords.emplace_back(BglHelipadSpec{});
  airport.subRecords.emplace_back(BglParkingListSpec{{{.number = 2}}});
  const auto result = decode(bglOf({airport}).build().bytes);
  EXPECT_EQ(idsOf(result), std::vector<std::string>{"g1"});
}

TEST(BglAirports, HelipadsSkipDoublesBadPositionsAndBadLengths) {
  BglAirportSpec airport;
  airport.subRecords.emplace_back(BglHelipadSpec{50.0, 8.0, 20.0F});
  airport.subRecords.emplace_back(BglHelipadSpec{50.0, 8.0, 20.0F});
  airport.subRecords.emplace_back(BglHelipadSpec{0.0, 0.0, 20.0F});
  airport.subRecords.emplace_back(BglHelipadSpec{50.1, 8.0, -1.0F});
  airport.subRecords.emplace_back(BglHelipadSpec{50.2, 8.0, std::numeric_limits<float>::infinity()});
  airport.subRecords.emplace_back(BglHelipadSpec{50.3, 8.0, 20.0F, 28});  // too short for its length
  airport.subRecords.emplace_back(BglHelipadSpec{50.4, 8.0, 10.0F});
  const auto result = decode(bglOf({airport}).build().bytes);
  EXPECT_EQ(idsOf(result), (std::vector<std::string>{"helipad1", "helipad2"}));
  EXPECT_EQ(linesOf(result),
            (std::vector<std::string>{"double helipad 50.000000,8.000000 (skipped) ",
                                      "lat/lon helipad incorrect (skipped): 0.000000,0.000000"}));
}

TEST(BglAirports, ParkingAtNullPositionIsSkipped) {
  const auto result =
      decode(bglOf({airportWith({{.number = 1, .lat = 0.00005, .lon = -0.00005}})}).build().bytes);
  EXPECT_TRUE(idsOf(result).empty());
  EXPECT_EQ(linesOf(result), std::vector<std::string>{"LatLon 0.000050,-0.000050 invalid (skipped)"});
}

TEST(BglAirports, IdentsTheTableDoesNotKnowAreNamed) {
  BglAirportSpec unknown;
  unknown.icao = "ZZZZ";
  BglAirportSpec three;
  three.icao = "EDF";
  BglAirportSpec zero;
  zero.identOverride = 31;
  const auto result = decode(bglOf({unknown, three, zero, airportWith({{}})}).build().bytes);
  ASSERT_EQ(result.airports.size(), 1U);
  EXPECT_EQ(result.airports[0].airport.icao, "EDDF");
  EXPECT_EQ(linesOf(result), (std::vector<std::string>{"ZZZZ is not an airport supported by RealTraffic ",
                                                       "EDF is not an airport supported by RealTraffic "}));
}

TEST(BglAirports, LinkedAirportsAreGeneratedOnlyWithMoreStands) {
  struct Case {
    BglSimulator simulator;
    std::string publisher;
    std::int32_t archived;
    std::size_t stands;
    bool generate;
    bool line;
  };
  const std::vector<Case> cases = {
      {BglSimulator::Msfs2020, "Bravo Sims", 3, 5, true, true},
      {BglSimulator::Msfs2020, "Bravo Sims", 5, 5, false, false},
      {BglSimulator::Msfs2020, "simaddon", 3, 5, false, false},
      {BglSimulator::Msfs2024, "Bravo Sims", 3, 0, false, false},
  };
  std::vector<BglParkingSpec> five;
  for (std::uint32_t n = 1; n <= 5; ++n) five.push_back({.number = n});
  BglAirportSpec airport = airportWith(five);
  airport.icao = "EGLL";
  const std::string bytes = bglOf({airport}).build().bytes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.publisher + " " + std::to_string(c.archived));
    auto context = contextFor(c.simulator);
    context.findLink = [&c](std::string_view icao) {
      return icao == "EGLL" ? std::optional<BglLink>{BglLink{c.publisher, c.archived}} : std::nullopt;
    };
    const auto result = decode(bytes, context);
    ASSERT_EQ(result.airports.size(), 1U);
    EXPECT_TRUE(result.airports[0].link.has_value());
    EXPECT_EQ(result.airports[0].airport.stands.size(), c.stands);
    EXPECT_EQ(result.airports[0].generate, c.generate);
    EXPECT_EQ(hasLine(result.scanLog, "===> EGLL has 5 parkpos while archived one has 3"), c.line);
  }
}

TEST(BglAirports, UnreadAirportRecordsAreReportedOnlyUnder2024) {
  auto spec = bglOf({airportWith({{}})});
  spec.sections[0].records.insert(spec.sections[0].records.begin(), BglRawSpec{0x113, 40});
  spec.sections[0].records.emplace_back(BglRawSpec{0x113, 24});
  const std::string bytes = spec.build().bytes;
  EXPECT_EQ(decode(bytes, contextFor(BglSimulator::Msfs2020)).unrecognisedAirports, 0U);
  const auto result = decode(bytes, contextFor(BglSimulator::Msfs2024));
  EXPECT_EQ(result.unrecognisedAirports, 2U) << "each record is reported";
  EXPECT_EQ(idsOf(result), std::vector<std::string>{"g1"});
}

TEST(BglCorruption, AirportRecordTooSmallForItsHeaderEndsTheSection) {
  auto file = bglOf({airportWith({{}}), airportWith({{}})}).build();
  test::bglSetU32(file.bytes, file.airportOffsets[0] + 2, 2);
  const auto result = decode(file.bytes);
  EXPECT_TRUE(result.airports.empty());
  EXPECT_EQ(result.programLog,
            std::vector<std::string>{fmt::format("   Warning: decodeSizeAtBoundary returned 2 at o2 = {}",
                                                 file.airportOffsets[0] / 4)});
}

TEST(BglCorruption, EntryCountBeyondTheListCutsItShort) {
  auto file = bglOf({airportWith({{.number = 1}, {.number = 2}})}).build();
  test::bglSetU16(file.bytes, file.subOffsets[0] + 6, 65535);
  const auto result = decode(file.bytes);
  EXPECT_EQ(idsOf(result), (std::vector<std::string>{"g1", "g2"}));
  EXPECT_EQ(linesOf(result), std::vector<std::string>{fmt::format(
                                 "===> Parking list cut short at entry 3 of 65535 in {}", kFile)});
}

TEST(BglCorruption, SubRecordsPastTheirLimitsEndTheWalk) {
  // Past the airport record, with a second airport after it.
  auto file = bglOf({airportWith({{.number = 1}}), airportWith({{.number = 2}})}).build();
  test::bglSetU32(file.bytes, file.subOffsets[0] + 2, 100);
  auto result = decode(file.bytes);
  ASSERT_FALSE(result.programLog.empty());
  EXPECT_NE(result.programLog[0].find("exceeded airport record end"), std::string::npos)
      << result.programLog[0];
  EXPECT_EQ(idsOf(result), std::vector<std::string>{"g2"});
  // Past the file, with the airport record claiming more too.
  file = bglOf({airportWith({{.number = 1}})}).build();
  test::bglSetU32(file.bytes, file.airportOffsets[0] + 2, 1U << 30);
  test::bglSetU32(file.bytes, file.subOffsets[0] + 2, 1U << 29);
  result = decode(file.bytes);
  ASSERT_FALSE(result.programLog.empty());
  EXPECT_EQ(result.programLog[0], fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.",
                                              file.subOffsets[0] / 4, (file.bytes.size() + 3) / 4));
  // A sub-record of size 0.
  file = bglOf({airportWith({{.number = 1}})}).build();
  test::bglSetU32(file.bytes, file.subOffsets[0] + 2, 5);
  result = decode(file.bytes);
  EXPECT_EQ(result.programLog,
            std::vector<std::string>{fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}",
                                                 file.subOffsets[0] / 4)});
}

BglAirportSpec fullAirport() {
  BglAirportSpec airport;
  airport.subRecords.emplace_back(BglRawSpec{0x04, 20});
  airport.subRecords.emplace_back(BglHelipadSpec{});
  airport.subRecords.emplace_back(
      BglParkingListSpec{{{.number = 1, .airlineCodes = 1}, {.name = 12, .number = 2, .type = 5}}});
  return airport;
}

// Under the sanitizers each decoding below reads nothing outside the file.
TEST(BglCorruption, EveryCutOfAValidFileDecodesSafely) {
  auto spec = bglOf({fullAirport(), fullAirport()});
  spec.sections[0].records.emplace_back(BglRawSpec{0x113, 12});
  const std::string bytes = spec.build().bytes;
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    const auto result = decode(bytes.substr(0, length), contextFor(BglSimulator::Msfs2024));
    EXPECT_LE(idsOf(result).size(), 6U);
    (void)gf_bglHasAirportSection(bytes.substr(0, length));
  }
  EXPECT_EQ(idsOf(decode(bytes)).size(), 6U);
}

TEST(BglCorruption, ChangedWordsDecodeSafely) {
  const auto file = bglOf({fullAirport()}).build();
  const std::vector<std::uint32_t> values = {0,
                                             1,
                                             2,
                                             5,
                                             6,
                                             0x7FFFFFFF,
                                             0xFFFFFFFF,
                                             0x10000,
                                             0xFFFF,
                                             0x7FC00000 /* NaN */,
                                             0x7F800000 /* infinity */,
                                             0xFF800000};
  for (std::size_t offset = 0; offset + 4 <= file.bytes.size(); offset += 2) {
    for (const auto value : values) {
      std::string bytes = file.bytes;
      test::bglSetU32(bytes, offset, value);
      const auto result = decode(bytes);
      for (const auto& airport : result.airports) {
        for (const auto& stand : airport.airport.stands) {
          EXPECT_TRUE(std::isfinite(stand.heading) && std::isfinite(stand.radius)) << offset << " " << value;
          EXPECT_TRUE(stand.latitude >= -90.0 && stand.latitude <= 90.0) << offset;
        }
      }
    }
  }
}

std::string fileBytes(const std::filesystem::path& path) {
  return testing_support::readFile(path);
}

// Every input of the fuzz corpus, the seeds and those that once failed, decodes cleanly here too.
TEST(BglCorpus, EveryCorpusFileDecodesSafely) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(QUILLSTAR_BGL_CORPUS)) {
    const std::string bytes = fileBytes(entry.path());
    for (const auto simulator : {BglSimulator::Msfs2020, BglSimulator::Msfs2024}) {
      auto context = contextFor(simulator);
      context.isKnownAirport = [](std::string_view icao) { return icao.size() == 4; };
      const auto result = decode(bytes, context);
      for (const auto& airport : result.airports) EXPECT_EQ(airport.airport.icao.size(), 4U) << entry.path();
    }
    ++files;
  }
  EXPECT_GT(files, 0U);
}

// The committed seeds are what the seed tool writes now.
TEST(BglCorpus, SeedToolWritesTheCommittedSeeds) {
  const testing_support::TempFolder temp;
  const auto folder = temp.path() / "seeds";
  const std::string command = std::string(QUILLSTAR_BGL_SEEDS_PROGRAM) + " " + folder.string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::size_t seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const auto committed = std::filesystem::path(QUILLSTAR_BGL_CORPUS) / entry.path().filename();
    ASSERT_TRUE(std::filesystem::exists(committed)) << committed;
    EXPECT_EQ(fileBytes(entry.path()), fileBytes(committed)) << committed;
    ++seeds;
  }
  EXPECT_GT(seeds, 0U);
}

}  // namespace
}  // namespace orv
