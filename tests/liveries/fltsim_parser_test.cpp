#include "liveries/fltsim_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fake_community.h"
#include "liveries/aircraft_models.h"
#include "liveries/scan_reports.h"
#include "livery_fixture.h"
#include "refdata/codes.h"

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
      // A NUL cuts the title short wherever it is written: the value counts as none.
      {std::string("title=Cut\0here", 14), std::nullopt},
      {std::string("title=\"Cut\0\" here", 17), std::nullopt},
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

namespace {

using Lines = std::vector<std::string>;

class IvaoTest : public testing_support::LiveryLogTest {
 protected:
  IvaoTest() {
    testing_support::installScanDbase();
    lf_clearScanLists();
  }
  ~IvaoTest() override { lf_clearScanLists(); }
};

TEST_F(IvaoTest, ModelsComeFromTheFolderName) {
  const std::filesystem::path root = folder.path();
  EXPECT_EQ(lf_ivaoModelFromPath(root / "IVAO_MTL/SimObjects/Airplanes/IVAO_B738WLfa/aircraft.cfg"), "B738");
  EXPECT_EQ(lf_ivaoModelFromPath(root / "ivao_x-csl/SimObjects/Airplanes/IVAO_A320/aircraft.cfg"), "A320");
  EXPECT_EQ(lf_ivaoModelFromPath(root / "IVAO_MTL/SimObjects/IVAO_B738/aircraft.cfg"), "");
  EXPECT_EQ(lf_scanReportLines().invalidModels,
            Lines{"                 in " + (root / "IVAO_MTL/SimObjects/IVAO_B738/aircraft.cfg").string()});
}

TEST_F(IvaoTest, TitlesCarryTheAirlineAndTexturesMustExist) {
  const std::filesystem::path plane = folder.path() / "IVAO_MTL/SimObjects/Airplanes/IVAO_B738WLfa";
  std::filesystem::create_directories(plane / "texture");
  std::filesystem::create_directories(plane / "texture.DLH");
  const SectionContext context{2, "B738", plane / "aircraft.cfg", plane};
  const Lines lines = {"[fltsim.0]",          "title=B738W DLH Winglets",
                       "texture=DLH",         "[fltsim.1]",
                       "title=B738 KLM No W", "texture=DLH",
                       "[fltsim.2]",          "title=B738W KLM Empty texture",
                       "[fltsim.3]",          "title=B738W BAW Escape",
                       "texture=../..",       "[fltsim.4]",
                       "title=No code",       "texture=DLH",
                       "atc_id=G-VIIA"};
  const std::vector<Livery> liveries = lf_processFltsimSectionsIvao(context, lines);
  ASSERT_EQ(liveries.size(), 3u);
  EXPECT_EQ(liveries[0].title, "B738W DLH Winglets");
  EXPECT_EQ(gf_airlineCode(liveries[0].airline), "DLH");
  EXPECT_EQ(liveries[0].folderOrdinal, 2);
  EXPECT_EQ(liveries[1].title, "B738W KLM Empty texture");
  EXPECT_EQ(gf_airlineCode(liveries[2].airline), "BAW");  // from the registration
  const std::string prefix = plane.string() + " ";
  const Lines expected = {prefix + "[fltsim.1] misses airlinecode in title: B738 KLM No W, and no regcode",
                          prefix + "[fltsim.3] does not exist"};
  EXPECT_EQ(lf_scanReportLines().incompleteSections, expected);
}

// A title of blanks names no livery: the scan report says it misses its title, by either rules.
TEST_F(IvaoTest, ABlankTitleIsNoTitle) {
  const std::filesystem::path plane = folder.path() / "IVAO_MTL/SimObjects/Airplanes/IVAO_B738";
  std::filesystem::create_directories(plane / "texture.DLH");
  const SectionContext context{2, "B738", plane / "aircraft.cfg", plane};
  const Lines lines = {"[fltsim.0]", "title = \" \"", "texture=DLH", "icao_airline=DLH", "atc_id=D-ABCD"};
  EXPECT_TRUE(lf_processFltsimSections(context, lines).empty());
  EXPECT_TRUE(lf_processFltsimSectionsIvao(context, lines).empty());
  const std::string missing = plane.string() + " [fltsim.0] misses title";
  EXPECT_EQ(lf_scanReportLines().incompleteSections, (Lines{missing, missing}));
}

// A repeated key gives the section up, and an atc_id of no registration is reported, by either
// rules in their own words.
TEST_F(IvaoTest, RepeatedKeysAndAnUnusableAtcIdAreReportedByEitherRules) {
  const std::filesystem::path plane = folder.path() / "IVAO_MTL/SimObjects/Airplanes/IVAO_B738WLfa";
  std::filesystem::create_directories(plane / "texture.DLH");
  const SectionContext context{2, "B738", plane / "aircraft.cfg", plane};
  const Lines lines = {"[fltsim.0]",
                       "title=B738W DLH One",
                       "texture=DLH",
                       "icao_airline=DLH",
                       "atc_id=*",
                       "atc_parking_types=GATE",
                       "atc_parking_types=CARGO",
                       "[fltsim.1]",
                       "title=B738W DLH Two",
                       "texture=DLH",
                       "icao_airline=DLH",
                       "atc_id=D-ABCD",
                       "atc_id=D-ABCE"};
  EXPECT_TRUE(lf_processFltsimSections(context, lines).empty());
  EXPECT_TRUE(lf_processFltsimSectionsIvao(context, lines).empty());
  const std::string parking = plane.string() + " [fltsim.0] has more than one atc_parking_types key";
  const std::string atcId = plane.string() + ", [fltsim.1], has more than one atc_id key";
  EXPECT_EQ(lf_scanReportLines().incompleteSections,
            (Lines{"invalid atc_id=* in: B738W DLH One", parking, atcId, "invalid atc_id=* in B738W DLH One",
                   parking, atcId}));
}

TEST_F(IvaoTest, AnErrorsFolderOfAnotherOriginStays) {
  std::filesystem::create_directories("output/errors");
  testing_support::writeFile("output/errors/Fixes.txt", "old");
  testing_support::writeFile("output/errors/mine.txt", "the user's");
  lf_removeOldScanFiles();
  EXPECT_FALSE(std::filesystem::exists("output/errors/Fixes.txt"));
  EXPECT_TRUE(std::filesystem::exists("output/errors/mine.txt"));
  EXPECT_EQ(log().back().rfind("problems with removing previous files: ", 0), 0u) << log().back();
}

}  // namespace
