#include "refdata/airports_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using orv::AirportRecord;
using orv::AirportTable;
using orv::IataCode;
using orv::IcaoCode;
using orv::Position;
using testing_support::WorkingFolder;
using testing_support::writeFile;

const fs::path kEnciphered = "input/airports.enc";
const fs::path kPlain = "input/airports.xml";

// Installs the text as "input/airports.enc", enciphered as the download site delivers it.
void installAirports(const std::string& airports) {
  fs::create_directories("input");
  writeFile("plain.xml", "<?xml version=\"1.0\"?>\n<root><airports>\n" + airports + "</airports></root>\n");
  orv::gf_streamEncrypt("plain.xml", kEnciphered);
  fs::remove("plain.xml");
}

class AirportsFile : public ::testing::Test {
 protected:
  AirportsFile() { orv::gf_openLog(); }
  ~AirportsFile() override { orv::gf_closeLog(); }

  static bool logged(const std::string& line) {
    const auto lines = testing_support::logBody();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  WorkingFolder folder;
  AirportTable table;
};

const std::string kAirports = R"(
  <ap c="egll" i="lhr" la="51.4706" lo="-0.461941" a="83" s="150"/>
  <ap c="EGLC" la="51.505278" lo="0.055278" a="19" s="20"/>
  <ap c="EDDF" i="FRA" la="50.033333" lo="8.570556" a="364"/>
  <ap c="EHAM" i="AMS" lo="4.76389" a="-11" s="200"/>
  <ap c="LFPG" i="CDG" la="49.009722" lo="abc" a="392" s="300"/>
  <ap c="LFPO" i="ORY" la="95" lo="2.379444" a="291" s="80"/>
  <ap c="LIRF" i="FCO" la="nan" lo="12.250833" a="14" s="90"/>
  <ap c="EBBR" i="BRU" la="50.901389" lo="4.484444" s="90"/>
  <ap c="LOWW" i="" la="48.110278" lo="16.569722" a="600" s="90"/>
  <ap c="LSZH" i="ZR" la="47.464722" lo="8.549167" a="1416" s="90"/>
  <ap c="EGLL" i="XXX" la="1" lo="1" a="1" s="1"/>
)";

TEST_F(AirportsFile, ReadsTheAirportsItCanPlace) {
  installAirports(kAirports);
  ASSERT_TRUE(table.read(kEnciphered, kPlain));
  EXPECT_FALSE(fs::exists(kPlain));
  std::vector<std::string> codes;
  for (const AirportRecord& record : table.records()) codes.push_back(record.icao.str());
  EXPECT_EQ(codes, (std::vector<std::string>{"EDDF", "EGLC", "EGLL", "EGLL"}));
  EXPECT_TRUE(logged("    4 airports read"));
  for (const char* code : {"EHAM", "LFPG", "LFPO", "LIRF"})
    EXPECT_TRUE(logged(std::string("==> Missing latLons for airport '") + code + "'")) << code;
  EXPECT_TRUE(logged("==> Missing alt for airport 'EBBR'"));
  EXPECT_TRUE(logged("==> Missing stands for airport 'EDDF'"));
  EXPECT_TRUE(logged("Error storing airport 'LOWW' '': FixedCode: invalid string (length/charset)"));
  EXPECT_TRUE(logged("Error storing airport 'LSZH' 'ZR': FixedCode: invalid string (length/charset)"));

  const AirportRecord* heathrow = table.find("EGLL");
  ASSERT_NE(heathrow, nullptr);
  EXPECT_EQ(heathrow->stands, 150);  // the first record of the code, in file order
  EXPECT_FLOAT_EQ(heathrow->alt, 83.0F);
  EXPECT_DOUBLE_EQ(heathrow->lat, 51.4706);
  EXPECT_EQ(orv::gf_airportLabel(*heathrow), "EGLL (LHR)");
  EXPECT_EQ(orv::gf_airportLabel(*table.find("EGLC")), "EGLC");
  EXPECT_EQ(table.find("EDDF")->stands, 0);
  EXPECT_TRUE(table.isKnown(IcaoCode("EGLC")));
  EXPECT_FALSE(table.isKnown(IcaoCode("EHAM")));
  EXPECT_EQ(table.find("EHAM"), nullptr);
}

TEST_F(AirportsFile, ASecondCallReadsNoFile) {
  installAirports(kAirports);
  ASSERT_TRUE(table.read(kEnciphered, kPlain));
  installAirports(R"(<ap c="KJFK" i="JFK" la="40.6" lo="-73.7" a="13" s="1"/>)");
  EXPECT_TRUE(table.read(kEnciphered, kPlain));
  EXPECT_EQ(table.records().size(), 4U);
  EXPECT_EQ(table.find("KJFK"), nullptr);
  EXPECT_FALSE(fs::exists(kPlain));
}

TEST_F(AirportsFile, AFaultyFileLeavesTheTableUnread) {
  struct Case {
    const char* name;
    std::string plain;  // empty: no enciphered file at all
    std::string text;
  };
  const std::vector<Case> cases = {
      {"three-character code",
       "<root><airports><ap c=\"EGLL\" la=\"1\" lo=\"1\" a=\"1\"/><ap c=\"EGL\" la=\"1\" lo=\"1\" "
       "a=\"1\"/></airports></root>",
       "88: FixedCode: invalid string (length/charset)"},
      {"no code", "<root><airports><ap la=\"1\" lo=\"1\" a=\"1\"/></airports></root>",
       "88: FixedCode: invalid string (length/charset)"},
      {"no section", "<root><airport/></root>", "88: Missing <airports> root in: input/airports.xml"},
      {"not XML", "<root><airports>", "88: input/airports.xml not loaded: Start-end tags mismatch"},
      {"no file", "", "88: input/airports.xml not loaded: File was not found"},
  };
  for (const Case& c : cases) {
    fs::remove(kEnciphered);
    if (!c.plain.empty()) {
      fs::create_directories("input");
      writeFile("plain.xml", c.plain);
      orv::gf_streamEncrypt("plain.xml", kEnciphered);
    }
    try {
      (void)table.read(kEnciphered, kPlain);
      ADD_FAILURE() << c.name;
    } catch (const orv::UserErrorException& e) {
      EXPECT_EQ(e.code(), 88) << c.name;
      EXPECT_STREQ(e.what(), c.text.c_str()) << c.name;
    }
    EXPECT_FALSE(fs::exists(kPlain)) << c.name;
    EXPECT_TRUE(table.records().empty()) << c.name;
  }
  // Still unread: the next call reads.
  installAirports(R"(<ap c="KJFK" i="JFK" la="40.6" lo="-73.7" a="13" s="1"/>)");
  EXPECT_TRUE(table.read(kEnciphered, kPlain));
  EXPECT_NE(table.find("KJFK"), nullptr);
}

TEST(AirportSearches, FindCodesInTextsAndNames) {
  const AirportTable table = AirportTable::fromRecords({
      {IcaoCode("EGLL"), IataCode("LHR"), 51.47, -0.46, 83.0F, 150},
      {IcaoCode("EDDF"), IataCode("FRA"), 50.03, 8.57, 364.0F, 200},
  });
  EXPECT_EQ(table.findByPrefix("egll123"), IcaoCode("EGLL"));
  EXPECT_EQ(table.findByPrefix("EGL"), std::nullopt);
  EXPECT_EQ(table.findByPrefix("EGLX"), std::nullopt);
  EXPECT_EQ(table.findInName("Community/aerosoft-airport-egll-heathrow"), IcaoCode("EGLL"));
  EXPECT_EQ(table.findInName("Community/x-EdDf-y/scenery"), IcaoCode("EDDF"));
  EXPECT_EQ(table.findInName("Community/airport-egll"), std::nullopt);
  EXPECT_EQ(table.findInName("Community/egll-heathrow"), std::nullopt);
}

// Due north of the position by the distance: a nautical mile is a minute of latitude.
Position north(Position from, double nm) {
  return {from.latitude + nm / 60.0, from.longitude};
}

AirportRecord airport(const char* code, Position at) {
  return {IcaoCode(code), IataCode("XXX"), at.latitude, at.longitude, 0.0F, 10};
}

class ClosestAirport : public AirportsFile {
 protected:
  const Position here{47.0, 8.0};

  struct Asked {
    std::string icao;
    std::string standId;
  };
  std::vector<Asked> asked;

  // A stand distance that answers from a table, as the stand files would.
  orv::StandDistance fake(const std::map<std::string, std::pair<double, std::string>>& answers) {
    return [this, answers](const IcaoCode& icao, Position, std::string& standId) {
      asked.push_back({icao.str(), standId});
      const auto found = answers.find(icao.str());
      if (found == answers.end()) return 100.0;
      standId = found->second.second;
      return found->second.first;
    };
  }

  [[nodiscard]] static std::string codeOf(const AirportRecord* record) {
    return record == nullptr ? std::string("none") : record->icao.str();
  }
};

TEST_F(ClosestAirport, TakesAirportsWithinFiveMiles) {
  Position atFive = north(here, 5.0);
  while (orv::gf_distanceNm(here, atFive) > 5.0) atFive.latitude = std::nextafter(atFive.latitude, 0.0);
  ASSERT_NEAR(orv::gf_distanceNm(here, atFive), 5.0, 1e-9);
  const AirportTable atLimit = AirportTable::fromRecords({airport("AAAA", atFive)});
  EXPECT_EQ(codeOf(atLimit.closest(here, orv::gf_noStandDistance)), "AAAA");

  const AirportTable beyond = AirportTable::fromRecords({airport("AAAA", north(here, 5.01))});
  EXPECT_EQ(codeOf(beyond.closest(here, orv::gf_noStandDistance)), "none");
  const AirportTable empty;
  EXPECT_EQ(codeOf(empty.closest(here, orv::gf_noStandDistance)), "none");
  EXPECT_TRUE(testing_support::logBody().empty());
}

TEST_F(ClosestAirport, TheNeighbourIsTheNearestOtherAirportWhateverItsCode) {
  struct Case {
    std::vector<std::pair<const char*, double>> airports;  // code, miles
    const char* closest;
    const char* neighbour;
  };
  const std::vector<Case> cases = {
      {{{"AAAA", 3.0}, {"BBBB", 4.0}, {"CCCC", 2.0}}, "CCCC", "AAAA"},
      {{{"AAAA", 2.0}, {"BBBB", 4.0}, {"CCCC", 3.0}}, "AAAA", "CCCC"},
      {{{"AAAA", 2.0}, {"BBBB", 2.0}, {"CCCC", 6.0}}, "AAAA", "BBBB"},  // ties keep table order
      {{{"AAAA", 4.5}, {"BBBB", 2.0}, {"CCCC", 50.0}}, "BBBB", "AAAA"},
  };
  for (const Case& c : cases) {
    std::vector<AirportRecord> records;
    for (const auto& [code, nm] : c.airports) records.push_back(airport(code, north(here, nm)));
    const AirportTable table = AirportTable::fromRecords(records);
    asked.clear();
    EXPECT_EQ(codeOf(table.closest(here, fake({}))), c.closest);
    ASSERT_EQ(asked.size(), 2U) << c.closest;
    EXPECT_EQ(asked[0].icao, c.closest);
    EXPECT_EQ(asked[1].icao, c.neighbour);
    EXPECT_TRUE(logged(std::string("Airport ") + c.closest + " is closest, neighbour is " + c.neighbour));
  }
}

TEST_F(ClosestAirport, TheNeighbourWinsOnlyWithAStrictlyNearerStand) {
  const AirportTable table =
      AirportTable::fromRecords({airport("AAAA", north(here, 3.0)), airport("BBBB", north(here, 4.0)),
                                 airport("CCCC", north(here, 2.0))});
  struct Case {
    double closestStand;
    double neighbourStand;
    const char* winner;
  };
  const std::vector<Case> cases = {
      {0.3, 0.2, "AAAA"},
      {0.3, 0.3, "CCCC"},
      {0.3, 0.4, "CCCC"},
      {100.0, 0.2, "AAAA"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codeOf(table.closest(
                  here, fake({{"CCCC", {c.closestStand, "C1"}}, {"AAAA", {c.neighbourStand, "A7"}}}))),
              c.winner)
        << c.closestStand << " " << c.neighbourStand;
  }
  EXPECT_TRUE(logged(
      "Airport CCCC is closest, but stand A7 at neighbouring airport AAAA is closer at 370 meters ..."));
  EXPECT_EQ(codeOf(table.closest(here, orv::gf_noStandDistance)), "CCCC");
  for (const Asked& a : asked) EXPECT_EQ(a.standId, "") << "each stand id starts empty";
}

TEST_F(ClosestAirport, WorksAcrossTheDateLineAndAtThePoles) {
  const AirportTable table = AirportTable::fromRecords(
      {airport("NZCI", {-44.0, 179.999}), airport("POLE", {89.99, 0.0}), airport("FARR", {-44.0, 170.0})});
  EXPECT_EQ(codeOf(table.closest({-44.0, -179.999}, orv::gf_noStandDistance)), "NZCI");
  EXPECT_EQ(codeOf(table.closest({89.99, 180.0}, orv::gf_noStandDistance)), "POLE");
}

}  // namespace
