#include "liveries/fltsim_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "liveries/aircraft_models.h"

namespace {

using namespace orv;

TEST(KeyLines, ValuesFollowTheKeyRules) {
  struct Case {
    std::string line;
    std::optional<std::string> title;
  };
  const std::vector<Case> cases = {
      {"title=Plain", "Plain"},
      {" \tTITLE \t= \t Spaced out \t\r", "Spaced out"},
      {"title = \"Quoted\" // with a comment", "Quoted"},
      {"title=\"", std::nullopt},
      {"title=\"\"", std::nullopt},
      {"title=", std::nullopt},
      {"title=   ", std::nullopt},
      {"//title=Commented", std::nullopt},
      {"titles=Other key", std::nullopt},
      {"title Missing equals", std::nullopt},
      {"title=" + std::string(100000, 'x'), std::string(100000, 'x')},
  };
  for (const Case& c : cases) EXPECT_EQ(lf_readTitle(c.line), c.title) << c.line.substr(0, 40);
}

TEST(KeyLines, AirlineCodesAreNormalised) {
  EXPECT_EQ(lf_readIcaoAirline("icao_airline=dlhx"), "DLHX");
  EXPECT_EQ(lf_readIcaoAirline("icao_airline=ZZZZ"), "ZZZ");
  EXPECT_EQ(lf_readIcaoAirline("icao_airline=\"\""), "ZZZ");
  EXPECT_EQ(lf_readIcaoAirline("icao_airline="), std::nullopt);
  EXPECT_EQ(lf_readTypeDesignator("icao_type_designator=b738wl"), "B738");
  EXPECT_EQ(lf_readBaseContainer("base_container=\"..\\Asobo_A320_NEO\""), "A20N");
  EXPECT_EQ(lf_readBaseContainer("base_container=..\\Unknown"), std::nullopt);
  EXPECT_EQ(lf_readBaseContainer("base_container=abc"), std::nullopt);
}

TEST(KeyLines, SectionNumbers) {
  struct Case {
    std::string line;
    std::string number;
  };
  const std::vector<Case> cases = {
      {"[FLTSIM.3]", "3"},
      {"  [fltsim.3]  \r", "3"},
      {"[Fltsim.3] // comment", "10000"},
      {"//[fltsim.4]", ""},
      {"[fltsim.]", "10000"},
      {"[General]", ""},
      {"x [FLTSIM.7]", "10000"},
      {"[fltsim.12345678901]", "12345678901"},
  };
  for (const Case& c : cases) EXPECT_EQ(lf_fltsimSectionNumber(c.line), c.number) << c.line;
}

}  // namespace
