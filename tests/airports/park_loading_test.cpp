#include "airports/park_loading.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <pugixml.hpp>

#include "airports/destination_stands.h"
#include "airports/learned_files.h"
#include "airports/quality_factors.h"
#include "airports/stand_file.h"
#include "airports/stand_store.h"
#include "airports_fixture.h"
#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/geometry.h"
#include "foundation/message_line.h"
#include "platform/os/clock.h"
#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/window.h"
#include "refdata/airports_table.h"
#include "refdata/codes.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/run_work.h"
#include "shell/window_layout.h"
#include "support/http_server.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using airports_test::LoggedFolder;
using orv::Stand;
using orv::StandSchedule;
using testing_support::ScopedSetting;
using testing_support::writeFile;

constexpr double kLat = 51.47;
constexpr double kLon = -0.45;

// A latitude that many nautical miles north of kLat.
double north(double nm) {
  return kLat + nm / 60.0;
}

std::string metaBlock(const std::string& version = "11.12.0") {
  return "<meta><info name=\"author\" value=\"QLST\"/><info name=\"version\" value=\"" + version +
         "\"/><info name=\"copyright\" value=\"c\"/></meta>";
}

// A stand file: root with the meta block, the parameters (name, value) and the parkpos elements.
std::string standFile(const std::vector<std::pair<std::string, std::string>>& parameters,
                      const std::string& parkpos, const std::string& version = "11.12.0") {
  std::string text = "<?xml version=\"1.0\"?><root>" + metaBlock(version) + "<parameters>";
  for (const auto& [name, value] : parameters)
    text += "<parameter name=\"" + name + "\" value=\"" + value + "\"/>";
  return text + "</parameters><parkpositions>" + parkpos + "</parkpositions></root>";
}

std::string parkpos(const std::string& id, double lat, double lon, double radiusMetres = 25.0,
                    const std::string& inner = {}) {
  return fmt::format(
      "<parkpos id=\"{}\" latitude=\"{}\" longitude=\"{}\" heading=\"0\" radius=\"{}\">{}</parkpos>", id, lat,
      lon, radiusMetres, inner);
}

std::string opt(const std::string& reg, int day, const std::string& hh) {
  return "<opt reg=\"" + reg + "\" day=\"" + std::to_string(day) + "\" hh=\"" + hh +
         "\" airl=\"TSA\" type=\"TB20\" cs=\"TSA1\"/>";
}

StandSchedule schedule(std::uint32_t day, orv::HalfHourSet hours, std::uint32_t sequence, bool real = true) {
  StandSchedule s;
  s.registration = "ZZ-AAA";
  s.hours = hours;
  s.day = day;
  s.sequence = sequence;
  s.real = real ? 1 : 0;
  return s;
}

orv::HalfHourSet slots(std::size_t first, std::size_t last) {
  orv::HalfHourSet set;
  for (std::size_t s = first; s <= last; ++s) set.set(s);
  return set;
}

orv::AirportTable tableWith(const std::vector<std::pair<std::string, std::int32_t>>& airports) {
  std::vector<orv::AirportRecord> records;
  for (const auto& [icao, stands] : airports) {
    records.push_back({orv::IcaoCode(icao), orv::IataCode("XXX"), kLat, kLon, 0.0F, stands});
  }
  return orv::AirportTable::fromRecords(std::move(records));
}

// A working folder with the program's stand folders, the per-airport settings given back, the
// park stands emptied and the published elevation cleared afterwards.
class ParkLoading : public LoggedFolder {
 protected:
  ParkLoading() {
    const orv::ProgramPaths& paths = orv::gf_paths();
    for (const fs::path& folder : {paths.myThirdparty, paths.mySimaddon, paths.learnedMySimaddon})
      fs::create_directories(folder);
    orv::gf_clearStands();
  }
  ~ParkLoading() override {
    orv::gf_clearStands();
    orv::gf_setParkElevation(std::nullopt);
    orv::gf_setStandsLoaded(false);
    orv::cfg::RANGE.set(rangeNm_);
  }

  // Loads the stand file of the park airport EGTT named so, the table given.
  std::string load(const std::string& name) {
    park.icao = orv::IcaoCode("EGTT");
    park.table = &table;
    return orv::gf_readApf(park, name);
  }

  std::int32_t rangeNm_ = orv::cfg::RANGE.value();
  ScopedSetting<orv::ComboIntParameter> range{orv::cfg::RANGE, orv::cfg::RANGE.value()};
  ScopedSetting<orv::ComboIntParameter> maxLive{orv::cfg::MAX_LIVE_SEL, orv::cfg::MAX_LIVE_SEL.value()};
  ScopedSetting<orv::ComboIntParameter> parking{orv::cfg::PARKING_PERCENTAGE,
                                                orv::cfg::PARKING_PERCENTAGE.value()};
  ScopedSetting<orv::IntParameter> maxFit{orv::cfg::MAX_FIT, orv::cfg::MAX_FIT.value()};
  ScopedSetting<orv::ComboFloatParameter> maxFitFl{orv::cfg::MAX_FIT_FL, orv::cfg::MAX_FIT_FL.value()};
  ScopedSetting<orv::CheckBoxParameter> parkSoft{orv::cfg::PARK_SOFT, false};
  ScopedSetting<orv::CheckBoxParameter> week{orv::cfg::WEEK, false};
  ScopedSetting<orv::CheckBoxParameter> autoRange{orv::cfg::AUTO_RANGE, orv::cfg::AUTO_RANGE.value()};
  ScopedSetting<orv::CheckBoxParameter> initialOnly{orv::cfg::INITIAL_LOAD_ONLY,
                                                    orv::cfg::INITIAL_LOAD_ONLY.value()};
  orv::AirportTable table = tableWith({{"EGTT", 3}, {"EGSS", 1}});
  orv::ParkAirport park;
};

// --- quality factors --------------------------------------------------------------------------

TEST(QualityFactors, ScoreSchedulesWeightedByStands) {
  // Ten real parkings on three days, slots 16..19, eight bits set in all.
  Stand rich("A1", {}, kLat, kLon, 0.0, 0.01 / orv::kNmPerMetre, false, false, false);
  const std::vector<std::uint32_t> days{1, 2, 3, 1, 2, 3, 1, 2, 3, 1};
  for (std::uint32_t i = 0; i < 10; ++i) {
    orv::HalfHourSet hours;
    if (i < 4) hours.set(16 + i);
    if (i < 4) hours.set(16 + (i + 1) % 4);
    rich.schedules.push_back(schedule(days[i], hours, i + 1));
  }
  std::vector<Stand> stands{rich};
  EXPECT_EQ(orv::gf_airportQualityFactors(stands), (orv::QualityFactors{66, 0}));

  stands.emplace_back("A2", std::vector<StandSchedule>{}, kLat, kLon, 0.0, 25.0, false, false, false);
  EXPECT_EQ(orv::gf_airportQualityFactors(stands), (orv::QualityFactors{33, 0}));

  // Sequence 0 is no parking; a stand list without any parking has no factors.
  stands[0].schedules = {schedule(1, slots(1, 1), 0)};
  EXPECT_EQ(orv::gf_airportQualityFactors(stands), (orv::QualityFactors{0, 0}));
  stands[0].schedules.clear();
  EXPECT_EQ(orv::gf_airportQualityFactors(stands), (orv::QualityFactors{-1, -1}));
  EXPECT_EQ(orv::gf_airportQualityFactors({}), (orv::QualityFactors{-1, -1}));
}

TEST(QualityFactors, SoftParkingsCountApartAndLargeAreasWeighMore) {
  // One soft parking on a stand of 8 nm (weight 1.5): 20 + 10000 + 100 + 12.5 + 2 = 10134.5.
  Stand area("AREA", {schedule(5, slots(0, 0), 1, false)}, kLat, kLon, 0.0, 8.0 / orv::kNmPerMetre, false,
             false, false);
  Stand gate("G1", {}, kLat, kLon, 0.0, 25.0, false, false, false);
  // 10134.5 x 1.5 / 1.8 x 0.00625 = 52.78
  EXPECT_EQ(orv::gf_airportQualityFactors({area, gate}), (orv::QualityFactors{0, 53}));
  // A day outside 1..7 counts the parking but not the day: 10034.5 x 0.00625 = 62.7
  Stand odd("O1", {schedule(9, slots(0, 0), 1)}, kLat, kLon, 0.0, 25.0, false, false, false);
  EXPECT_EQ(orv::gf_airportQualityFactors({odd}).real, 63);
}

TEST(QualityFactors, TextShowsBothOnlyForAPoorRealFactor) {
  const std::vector<std::pair<orv::QualityFactors, std::string>> cases{
      {{-1, -1}, "  "}, {{50, 10}, "50"}, {{12, 3}, "12/ 3"}, {{45, 0}, "45"}, {{44, 100}, "44/100"}};
  for (const auto& [factors, text] : cases)
    EXPECT_EQ(orv::gf_qualityFactorText(factors), text) << factors.real;
}

// --- learned files ----------------------------------------------------------------------------

TEST(LearnedFiles, PathsOfArchivedAndLocalStandFiles) {
  const fs::path learned = orv::gf_paths().learned;
  struct Case {
    std::string name;
    std::string publisher;
    fs::path expected;
  };
  const std::vector<Case> cases{
      {"archive/stock/EGLL.xml", "", learned / "stock" / "EGLL.xml"},
      {"archive\\simaddon\\EGLL.XML", "", learned / "simaddon" / "EGLL.XML"},
      {"archive/thirdparty/Big%20Scenery/EGLL.xml", "", learned / "thirdparty" / "Big Scenery" / "EGLL.xml"},
      {"archive/thirdparty//EGLL.xml", "", {}},
      {"archive/thirdparty/EGLL.xml", "", {}},
      {"archive/thirdparty/../EGLL.xml", "", {}},
      {"archive/stock/EGLL.txt", "", {}},
      {"airports\\my_thirdparty2024\\EGLL.xml", "  Big Scenery ",
       learned / "thirdparty" / "Big Scenery" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "stock", learned / "thirdparty" / "stock" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "", learned / "thirdparty" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "..", learned / "thirdparty" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "a/../b", learned / "thirdparty" / "a .. b" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "../../..", learned / "thirdparty" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "Nul", learned / "thirdparty" / "Nul_" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "com1.x", learned / "thirdparty" / "com1.x_" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "Console", learned / "thirdparty" / "Console" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "Big Scenery. ",
       learned / "thirdparty" / "Big Scenery" / "EGLL.xml"},
      {"airports/my_thirdparty/EGLL.xml", "x<y>:\"|?*\x01z",
       learned / "thirdparty" / "x_y_______z" / "EGLL.xml"},
      {"airports\\my_simaddon\\EGLL.xml", "simaddon", learned / "my_simaddon" / "EGLL.xml"},
      {"airports/stock/EGLL.xml", "", learned / "stock" / "EGLL.xml"},
      {"airports/../../etc/EGLL.xml", "", {}},
      {"elsewhere/EGLL.xml", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(orv::lf_learnedFilePath(c.name, c.publisher), c.expected) << c.name;
}

TEST(LearnedFiles, TrimsOnlyBlanks) {
  EXPECT_EQ(orv::lf_trimBlanks("  a b  "), "a b");
  EXPECT_EQ(orv::lf_trimBlanks("   "), "");
  EXPECT_EQ(orv::lf_trimBlanks("\ta "), "\ta");
}

TEST_F(ParkLoading, LearnedOptsThatShareAHalfHourAreNotAddedTwice) {
  // The file's parking of ZZ-AAA on day 3; the learned opt "10:12" of the same aircraft.
  struct Case {
    std::size_t fileFirst;
    std::size_t fileLast;
    int day;
    std::string hh;
    bool added;
  };
  const std::vector<Case> cases{{12, 14, 3, "10:12", false},
                                {13, 14, 3, "10:12", true},
                                {12, 14, 4, "10:12", true},
                                {12, 14, 3, "", false}};
  for (const Case& c : cases) {
    Stand stand("A1", {}, kLat, kLon, 0.0, 25.0, false, false, false);
    stand.schedules.push_back(schedule(3, slots(c.fileFirst, c.fileLast), 1));
    stand.schedules.back().airline = orv::gf_airlineId("TSA");
    stand.schedules.back().model = orv::gf_modelId("TB20");
    pugi::xml_document document;
    ASSERT_TRUE(
        document.load_string(("<parkpos id=\"A1\">" + opt("ZZ-AAA", c.day, c.hh) + "</parkpos>").c_str()));
    EXPECT_FALSE(orv::lf_mergeLearnedOpts("B1", document.child("parkpos"), false, stand));
    ASSERT_TRUE(orv::lf_mergeLearnedOpts("A1", document.child("parkpos"), false, stand));
    ASSERT_EQ(stand.schedules.size(), c.added ? 2U : 1U) << c.fileFirst << " day " << c.day;
    if (c.added) {
      EXPECT_EQ(stand.schedules.back().sequence, 2U);
      EXPECT_EQ(stand.schedules.back().hours, slots(10, 12));
      EXPECT_EQ(stand.schedules.back().fromFile, 0U);
    }
  }
  EXPECT_TRUE(logged("==> learned A1: day:3 10,11,12 TSA TB20 cs:TSA1 reg:ZZ-AAA already in airport file"));
  EXPECT_TRUE(logged("==> empty bit set"));
}

TEST_F(ParkLoading, LearnedFileMergesChangesManualStandsAndOpts) {
  const std::string archived = parkpos("A1", kLat, kLon) + parkpos("A2", north(0.5), kLon);
  const std::string learnedStands =
      "<parkpos id=\"A1\" radius_change=\"true\" radius=\"100\" cargo_change=\"true\" cargo=\"true\">" +
      opt("ZZ-AAA", 2, "4:5") + "</parkpos><parkpos id=\"A2\">" + opt("ZZ-BBB", 9, "6") +
      "</parkpos><parkpos id=\"GONE\"/>" +
      "<parkpos id=\"M1\" manual=\"true\" latitude=\"51.5\" longitude=\"-0.4\" radius=\"30\">" +
      opt("ZZ-CCC", 1, "7") +
      "</parkpos><parkpos id=\"M2\" manual=\"true\" latitude=\"0\" longitude=\"0\" radius=\"30\"/>" +
      "<parkpos id=\"A2\" manual=\"true\" latitude=\"51.5\" longitude=\"-0.4\" radius=\"30\"/>";
  for (const std::string_view version : {"11.12.0", "11.9.5", "garbage"}) {
    orv::gf_clearStands();
    const bool old = version != "11.12.0";
    const std::string versionText(version);
    writeFile("airports/my_simaddon/EGTT.xml",
              standFile({{"altitude", "83"}, {"airport_name", "Test"}}, archived));
    writeFile("airports/learned/my_simaddon/EGTT.xml",
              standFile({{"airport_name", "Test"}, {"MAX_LIVE_SEL", "7"}}, learnedStands, versionText));
    ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "") << version;
    const std::vector<Stand>& stands = orv::gf_parkStands();
    ASSERT_EQ(stands.size(), 3U);
    EXPECT_NEAR(stands[0].radius, 100.0 * orv::kNmPerMetre, 1e-12);
    EXPECT_TRUE(stands[0].radiusChange && stands[0].cargo && stands[0].cargoChange);
    EXPECT_EQ(stands[0].schedules.size(), old ? 0U : 1U) << version;
    EXPECT_TRUE(stands[1].schedules.empty()) << version;  // a day outside 1..7 is no parking
    EXPECT_EQ(stands[2].id, "M1");
    EXPECT_TRUE(stands[2].manual);
    EXPECT_EQ(stands[2].schedules.size(), 1U);  // a manual stand keeps its opts also in an old file
    EXPECT_EQ(orv::cfg::MAX_LIVE_SEL.value(), 7);
    EXPECT_FALSE(park.handmade);
    EXPECT_EQ(park.quality, orv::gf_airportQualityFactors(stands));
  }
  EXPECT_EQ(loggedStarting("learned stand GONE in "), 3U);
  EXPECT_EQ(loggedCount("==> learned A2: day 9 is no weekday, skipped"), 1U);
  EXPECT_EQ(loggedStarting("==> manually created standid M2 misses correct attributes"), 3U);
  EXPECT_EQ(loggedStarting("==> manually created standid A2 already exists"), 3U);
  EXPECT_EQ(loggedStarting("==> learned file version 'garbage' not readable"), 1U);
  EXPECT_FALSE(logged("learned does not exist"));
}

// The learned file saved on leaving holds positions to 6 decimals and radii to 0.1 m: what would
// not come back from it is not taken in the first place.
TEST_F(ParkLoading, LearnedValuesAreJudgedAsTheSaveWritesThem) {
  writeFile("airports/my_simaddon/EGTT.xml",
            standFile({{"altitude", "83"}, {"airport_name", "Test"}}, parkpos("A1", kLat, kLon)));
  writeFile(
      "airports/learned/my_simaddon/EGTT.xml",
      standFile({{"airport_name", "Test"}},
                "<parkpos id=\"A1\" radius_change=\"true\" radius=\"nan\"/>"
                "<parkpos id=\"M1\" manual=\"true\" latitude=\"51.5\" longitude=\"-0.4\" radius=\"0.04\"/>"
                "<parkpos id=\"M2\" manual=\"true\" latitude=\"0.00010004\" longitude=\"0\" radius=\"30\"/>"
                "<parkpos id=\"M3\" manual=\"true\" latitude=\"51.5\" longitude=\"-0.4\" radius=\"0.06\"/>"));
  ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
  const std::vector<Stand>& stands = orv::gf_parkStands();
  ASSERT_EQ(stands.size(), 2U);
  EXPECT_EQ(stands[0].radius, 0.0);  // no number: 0, as the stand file's reader takes it
  EXPECT_TRUE(stands[0].radiusChange);
  EXPECT_EQ(stands[1].id, "M3");
  EXPECT_EQ(loggedStarting("==> manually created standid M1 misses correct attributes"), 1U);
  EXPECT_EQ(loggedStarting("==> manually created standid M2 misses correct attributes"), 1U);
}

TEST_F(ParkLoading, AHandmadeLearnedFileReplacesTheStands) {
  writeFile("airports/my_simaddon/EGTT.xml",
            standFile({{"altitude", "83"}}, parkpos("A1", kLat, kLon) + parkpos("A2", north(1), kLon)));
  writeFile("airports/learned/my_simaddon/EGTT.xml",
            standFile({{"handmade", "true"}, {"airport_name", "Other"}}, parkpos("H1", kLat, kLon)));
  ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
  ASSERT_EQ(orv::gf_parkStands().size(), 1U);
  EXPECT_EQ(orv::gf_parkStands()[0].id, "H1");
  EXPECT_TRUE(park.handmade);
  EXPECT_TRUE(logged("A handmade airport file overruled the archived file!"));
  EXPECT_TRUE(logged("Airport file read from '" +
                     testing_support::systemPath("airports/learned/my_simaddon/EGTT.xml") + "' for "));
  EXPECT_TRUE(
      logged("Warning: learned file airport name: 'Other' differs from archived file airport name: ''"));
}

TEST_F(ParkLoading, AnUnreadableOrUnmarkedLearnedFileIsKeptAsABackup) {
  for (const std::string& learned :
       {std::string("<root><broken"),
        standFile({}, parkpos("X", kLat, kLon)).replace(22, metaBlock().size(), "")}) {
    orv::gf_clearStands();
    fs::remove("airports/learned/my_simaddon/EGTT0.xml");
    writeFile("airports/my_simaddon/EGTT.xml", standFile({{"altitude", "83"}}, parkpos("A1", kLat, kLon)));
    writeFile("airports/learned/my_simaddon/EGTT.xml", learned);
    ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
    EXPECT_EQ(orv::gf_parkStands().size(), 1U);
    EXPECT_EQ(testing_support::readFile("airports/learned/my_simaddon/EGTT0.xml"), learned);
    EXPECT_TRUE(fs::exists("airports/learned/my_simaddon/EGTT.xml"));
  }
}

// --- which file ---------------------------------------------------------------------------------

TEST_F(ParkLoading, ResolvesTheStandFileInOrder) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> files;
    std::string icao;
    std::string expected;
  };
  const std::vector<Case> cases{
      {{{"airports/my_thirdparty/EGTT.txt", "archive/thirdparty/X/EGTT.xml\n"},
        {"airports/my_thirdparty/EGTT.xml", "x"}},
       "EGTT",
       "archive/thirdparty/X/EGTT.xml"},
      {{{"airports/my_thirdparty/EGTT.txt", "archive/thirdparty/X/EGTT.XML  \nmore"}},
       "EGTT",
       "archive/thirdparty/X/EGTT.XML"},
      {{{"airports/my_thirdparty/EGTT.txt", "archive/thirdparty/X/EGTT.xm\n"},
        {"airports/my_simaddon/EGTT.xml", "x"}},
       "EGTT",
       testing_support::systemPath("airports/my_simaddon/EGTT.xml")},
      {{{"airports/my_simaddon/EGTT.txt", ".xml"}}, "EGTT", ".xml"},
      {{{"airports/my_simaddon/EGTT.txt", "xml"}}, "EGTT", "archive/stock/EGTT.xml"},
      {{}, "EGSS", "archive/stock/EGSS.xml"},
      {{}, "EGXX", ""},
  };
  for (const Case& c : cases) {
    for (const auto& [path, text] : c.files) writeFile(path, text);
    EXPECT_EQ(orv::gf_resolveAirportFile(c.icao, table), c.expected) << c.expected;
    EXPECT_EQ(orv::gf_airportFileExists(c.icao, table), !c.expected.empty());
    for (const auto& [path, text] : c.files) fs::remove(path);
  }
}

// --- loading ------------------------------------------------------------------------------------

TEST_F(ParkLoading, NumbersStandsAndLinksOverlappingOnes) {
  const double radius = 0.015 / orv::kNmPerMetre;
  writeFile("airports/my_simaddon/EGTT.xml",
            standFile({{"altitude", "83"}, {"publisher", "simaddon"}, {"airport_name", "Test Field"}},
                      parkpos("A1", kLat, kLon, radius) + parkpos("A2", north(0.02), kLon, radius) +
                          parkpos("A3", north(0.05), kLon, radius)));
  ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
  const std::vector<Stand>& stands = orv::gf_parkStands();
  ASSERT_EQ(stands.size(), 3U);
  EXPECT_EQ(stands[2].number, 3U);
  EXPECT_EQ(stands[0].neighbours, (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(stands[1].neighbours, (std::vector<std::uint32_t>{1}));
  EXPECT_TRUE(stands[2].neighbours.empty());  // 0.03 nm from A2
  EXPECT_EQ(park.info.airportName, "Test Field");
  EXPECT_EQ(park.info.publisher, "simaddon");
  EXPECT_EQ(orv::gf_parkElevation(), 83.0);
  EXPECT_TRUE(orv::gf_standsLoaded());
  EXPECT_EQ(orv::gf_standSnapshot()->size(), 3U);
  EXPECT_TRUE(logged("Airport file read from 'airports/my_simaddon/EGTT.xml' for Test Field"));
  EXPECT_TRUE(logged("          num_parkpos             : 3"));
  EXPECT_TRUE(logged("          altitude                : 83 ft"));
}

// The neighbours of stands in no order of latitude, of radii from a few metres to a large apron,
// and one far away: every pair whose circles overlap, each list in stand order.
TEST(StandNeighbours, EveryOverlappingPairInStandOrder) {
  std::vector<Stand> stands;
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525U + 1013904223U;
    return static_cast<double>(seed >> 8) / static_cast<double>(1U << 24);
  };
  for (int i = 0; i < 400; ++i)
    stands.emplace_back("S" + std::to_string(i), std::vector<StandSchedule>{}, kLat + 0.01 * next(),
                        kLon + 0.01 * next(), 0.0, i % 50 == 0 ? 400.0 : 10.0 + 40.0 * next(), false, false,
                        false);
  stands.emplace_back("FAR", std::vector<StandSchedule>{}, -kLat, kLon, 0.0, 30.0, false, false, false);
  orv::gf_numberStands(stands);
  orv::gf_linkNeighbours(stands);
  std::size_t links = 0;
  for (const Stand& a : stands) {
    std::vector<std::uint32_t> expected;
    for (const Stand& b : stands)
      if (&a != &b && a.radius + b.radius >
                          1.1 * orv::gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}))
        expected.push_back(b.number);
    EXPECT_EQ(a.neighbours, expected) << a.id;
    links += expected.size();
  }
  EXPECT_GT(links, stands.size()) << "the stands must overlap for the check to mean anything";
  EXPECT_TRUE(stands.back().neighbours.empty());
}

TEST_F(ParkLoading, WithoutLearnedFileTheQualityAndTableChooseTheDefaults) {
  struct Case {
    std::string icao;
    std::vector<std::pair<std::string, std::string>> quality;
    bool softAndWeek;
    std::int32_t percentage;
  };
  const std::vector<Case> cases{
      {"EGTT", {{"Qf_real", "2"}, {"Qf_soft", "1"}}, true, 30},
      {"EGSS", {{"Qf_real", "46"}, {"Qf_soft", "0"}}, false, 100},
      {"EGTW", {{"Qf_real", "2"}}, true, 50},  // one factor alone is not taken: the pair stays -1
      {"EGXX", {{"Qf_real", "20"}, {"Qf_soft", "5"}}, true, 30},
  };
  table = tableWith({{"EGTT", 3}, {"EGSS", 1}, {"EGTW", 2}});
  for (const Case& c : cases) {
    orv::gf_clearStands();
    orv::cfg::PARK_SOFT.set(true);
    orv::cfg::WEEK.set(true);
    orv::cfg::MAX_FIT_FL.set(4.0F);
    auto parameters = c.quality;
    parameters.emplace_back("altitude", "10");
    writeFile("airports/my_simaddon/X.xml", standFile(parameters, parkpos("A1", kLat, kLon)));
    park.icao = orv::IcaoCode(c.icao);
    park.table = &table;
    ASSERT_EQ(orv::gf_readApf(park, "airports/my_simaddon/X.xml"), "");
    EXPECT_EQ(orv::cfg::PARK_SOFT.value(), c.softAndWeek) << c.icao;
    EXPECT_EQ(orv::cfg::WEEK.value(), c.softAndWeek) << c.icao;
    EXPECT_EQ(orv::cfg::MAX_FIT_FL.value(), c.icao == "EGTT" ? 24.0F : 4.0F) << c.icao;
    EXPECT_EQ(orv::cfg::PARKING_PERCENTAGE.value(), c.percentage) << c.icao;
    EXPECT_TRUE(park.settings.parkSoft.value_or(false));  // taken before the defaults
  }
  EXPECT_EQ(loggedCount("learned does not exist"), cases.size());
  EXPECT_TRUE(logged("parking_percentage      : 100%"));
}

// The park airport loaded as in the program: the main window is up, and the settings a stand
// file brings reach its controls through the links that the start-up makes.
class ParkLoadingInTheWindow : public ParkLoading {
 protected:
  ParkLoadingInTheWindow() {
    ui::WindowSpec spec;
    spec.text = u"Quillstar";
    spec.rect = ui::Rect{400, 20, 1280, 536};
    spec.proc = orv::lf_WndProc;
    window_ = ui::createWindow(std::move(spec));
    for (orv::ComboIntParameter* p : orv::gf_intComboList()) orv::gf_fillIntCombo(*p);
    orv::gf_fillIntCombo(orv::cfg::PARKING_PERCENTAGE);
    orv::gf_fillFloatCombo(orv::cfg::MAX_FIT_FL);
    orv::gf_setMaxFitShower(&orv::gf_selectMaxFitCombo);
    orv::gf_setAutoRangeApplier(&orv::lf_applyAutoRangeOption);
    ui::pumpUntilIdle();
  }
  ~ParkLoadingInTheWindow() override {
    orv::gf_setMaxFitShower({});
    orv::gf_setAutoRangeApplier({});
    ui::destroyWindow(window_);
    for (const orv::ControlPlace& place : orv::gf_controlPlaces()) place.control->setWindow({});
    orv::gf_setMainWindow({});
    ui::pumpUntilIdle();
    orv::gf_dropQueuedRunWork();  // the automatic radius would reach no run here
  }

  static ui::WindowHandle control(std::string_view name) {
    const orv::ControlPlace* place = orv::gf_findControlPlace(name);
    return place ? place->control->window() : ui::WindowHandle{};
  }

 private:
  ui::WindowHandle window_;
};

TEST_F(ParkLoadingInTheWindow, ASoftOnlyAirportWithoutLearnedFileFitsOver24HoursAndLearnsSo) {
  orv::cfg::MAX_FIT.set(11);  // 6 hours, left by an earlier airport
  orv::gf_selectMaxFitCombo();
  writeFile("airports/my_simaddon/EGTT.xml",
            standFile({{"altitude", "83"}, {"Qf_real", "2"}, {"Qf_soft", "1"}}, parkpos("A1", kLat, kLon)));
  ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
  EXPECT_EQ(orv::cfg::MAX_FIT_FL.value(), 24.0F);
  EXPECT_EQ(orv::cfg::MAX_FIT.value(), 47);
  EXPECT_EQ(ui::selectedItem(control("MAX_FIT_FL")), u"24.0");

  orv::ScannedAirport learned;
  learned.icao = "EGTT";
  ASSERT_TRUE(orv::gf_writeAirportFile(learned, "learned.xml", orv::AirportFileMode::Learned, 2020, false));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file("learned.xml"));
  EXPECT_STREQ(document.select_node("//parameter[@name='MAX_FIT']").node().attribute("value").value(), "47");
}

// Every setting that a learned file brings back, as the window shows it and the log lists it.
TEST_F(ParkLoadingInTheWindow, ALearnedFileBringsBackTheAirportsSettings) {
  struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> learned;
    std::function<void()> before;
    std::function<void()> check;
    std::vector<std::string> logLines;
  };
  using namespace orv::cfg;
  const auto on = [](std::string_view name) { return ui::isEnabled(control(name)); };
  const Row rows[] = {
      {"RANGE, its drop-down enabled",
       {{"RANGE", "65"}},
       [] { (void)ui::setEnabled(control("RANGE"), false); },
       [&] {
         EXPECT_EQ(RANGE.value(), 65);
         EXPECT_EQ(ui::selectedItem(control("RANGE")), u"65");
         EXPECT_TRUE(on("RANGE"));
       },
       {"RANGE                   : 65"}},
      {"RANGE beside the automatic range left off, as the learned save writes them",
       {{"RANGE", "65"}, {"AUTO_RANGE", "false"}},
       [] { AUTO_RANGE.set(false); },
       [] {
         EXPECT_EQ(RANGE.value(), 65);
         EXPECT_FALSE(AUTO_RANGE.value());
       },
       {"RANGE                   : 65", "AUTO_RANGE              : false"}},
      {"RANGE beside the automatic range switched off",
       {{"RANGE", "65"}, {"AUTO_RANGE", "false"}},
       [] { AUTO_RANGE.set(true); },
       [&] {
         EXPECT_EQ(RANGE.value(), 65);
         EXPECT_FALSE(AUTO_RANGE.value());
         EXPECT_FALSE(ui::isChecked(control("AUTO_RANGE")));
         EXPECT_TRUE(on("RANGE"));
       },
       {"AUTO_RANGE              : false"}},
      {"the automatic range switched on",
       {{"AUTO_RANGE", "true"}},
       [] { AUTO_RANGE.set(false); },
       [&] {
         EXPECT_TRUE(AUTO_RANGE.value());
         EXPECT_TRUE(ui::isChecked(control("AUTO_RANGE")));
         EXPECT_FALSE(on("RANGE"));
         EXPECT_EQ(orv::gf_queuedRunWorkCount(), 1U) << "the radius follows at the next cycle";
       },
       {"AUTO_RANGE              : true"}},
      {"WEEK and PARK_SOFT",
       {{"WEEK", "true"}, {"PARK_SOFT", "true"}},
       [] {},
       [] {
         EXPECT_TRUE(WEEK.value());
         EXPECT_TRUE(PARK_SOFT.value());
         EXPECT_TRUE(ui::isChecked(control("WEEK")));
         EXPECT_TRUE(ui::isChecked(control("PARK_SOFT")));
       },
       {"WEEK                    : true", "PARK_SOFT               : true"}},
      {"MAX_FIT, shown in the drop-down's hours",
       {{"MAX_FIT", "30"}},
       [] {},
       [] {
         EXPECT_EQ(MAX_FIT.value(), 30);
         EXPECT_EQ(MAX_FIT_FL.value(), 15.0F);
         EXPECT_EQ(ui::selectedItem(control("MAX_FIT_FL")), u"15.0");
       },
       {"MAX_FIT                 : 30 (max number of half hours, is 15.0 hrs decimal)"}},
      {"MAX_FIT beyond its limit",
       {{"MAX_FIT", "99"}},
       [] {},
       [] {
         EXPECT_EQ(MAX_FIT.value(), 47);
         EXPECT_EQ(MAX_FIT_FL.value(), 24.0F);
       },
       {"MAX_FIT                 : 99 (max number of half hours, is 24.0 hrs decimal)"}},
      {"parking_percentage",
       {{"parking_percentage", "50"}},
       [] {},
       [] {
         EXPECT_EQ(PARKING_PERCENTAGE.value(), 50);
         EXPECT_EQ(ui::selectedItem(control("parking_percentage")), u"50");
       },
       {"parking_percentage      : 50"}},
      {"parking_percentage missing",
       {},
       [] { PARKING_PERCENTAGE.set(70); },
       [] {
         EXPECT_EQ(PARKING_PERCENTAGE.value(), 30);
         EXPECT_EQ(ui::selectedItem(control("parking_percentage")), u"30");
       },
       {}},
      {"INITIAL_LOAD_ONLY on takes the Now button away",
       {{"INITIAL_LOAD_ONLY", "true"}},
       [] { (void)ui::setEnabled(control("Now"), true); },
       [&] {
         EXPECT_TRUE(INITIAL_LOAD_ONLY.value());
         EXPECT_TRUE(ui::isChecked(control("INITIAL_LOAD_ONLY")));
         EXPECT_FALSE(on("Now"));
       },
       {"INITIAL_LOAD_ONLY       : true"}},
      {"INITIAL_LOAD_ONLY off gives the Now button the parking controls' state",
       {{"INITIAL_LOAD_ONLY", "false"}},
       [] {
         INITIAL_LOAD_ONLY.set(true);
         (void)ui::setEnabled(control("parking_percentage"), true);
       },
       [&] {
         EXPECT_FALSE(INITIAL_LOAD_ONLY.value());
         EXPECT_TRUE(on("Now"));
       },
       {"INITIAL_LOAD_ONLY       : false"}},
      {"INITIAL_LOAD_ONLY off while a parking update holds the controls",
       {{"INITIAL_LOAD_ONLY", "false"}},
       [] {
         (void)ui::setEnabled(control("parking_percentage"), false);
         (void)ui::setEnabled(control("Now"), true);
       },
       [&] { EXPECT_FALSE(on("Now")); },
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    orv::gf_clearStands();
    orv::gf_dropQueuedRunWork();
    RANGE.set(10);
    orv::gf_setRange(10);
    MAX_FIT.set(11);
    PARKING_PERCENTAGE.set(30);
    row.before();
    orv::gf_closeLog();
    fs::remove("Log.txt");
    orv::gf_openLog();
    writeFile("airports/my_simaddon/EGTT.xml", standFile({{"altitude", "83"}}, parkpos("A1", kLat, kLon)));
    writeFile("airports/learned/my_simaddon/EGTT.xml", standFile(row.learned, parkpos("A1", kLat, kLon)));
    ASSERT_EQ(load("airports/my_simaddon/EGTT.xml"), "");
    row.check();
    EXPECT_TRUE(logged("Read from learned airport file: '" +
                       testing_support::systemPath("airports/learned/my_simaddon/EGTT.xml") + "'"));
    for (const std::string& line : row.logLines) EXPECT_TRUE(logged("          " + line)) << line;
    const bool percentageLearned = std::any_of(row.learned.begin(), row.learned.end(),
                                               [](const auto& p) { return p.first == "parking_percentage"; });
    EXPECT_EQ(loggedStarting("          parking_percentage"), percentageLearned ? 1U : 0U)
        << "the default is not logged";
  }
}

TEST_F(ParkLoading, FailuresComeBackAsText) {
  writeFile("airports/my_simaddon/NOALT.xml", standFile({}, parkpos("A1", kLat, kLon)));
  writeFile("airports/my_simaddon/EMPTY.xml", standFile({{"altitude", "5"}, {"RT_traffic_week", "3"}}, ""));
  writeFile("airports/my_simaddon/BROKEN.xml", "<root");
  writeFile("airports/my_simaddon/NOMETA.xml", "<root><parameters/></root>");
  writeFile("airports/my_simaddon/DUP.xml",
            standFile({{"altitude", "5"}}, parkpos("A1", kLat, kLon) + parkpos("A1", kLat, kLon)));

  EXPECT_EQ(load(""), "gf_readApf: xml is empty");
  park.icao.reset();
  EXPECT_EQ(orv::gf_readApf(park, "airports/my_simaddon/EMPTY.xml"), "gf_readApf: no park airport set");
  const std::string broken = testing_support::systemPath("airports/my_simaddon/BROKEN.xml");
  EXPECT_EQ(load("airports/my_simaddon/BROKEN.xml"), broken + ": could not load file: " + broken);
  EXPECT_EQ(load("airports/my_simaddon/NOMETA.xml"), "airports/my_simaddon/NOMETA.xml: refused to load");
  try {
    (void)load("airports/my_simaddon/NOALT.xml");
    ADD_FAILURE() << "no exception";
  } catch (const orv::UserErrorException& e) {
    EXPECT_EQ(e.code(), 65);
    EXPECT_STREQ(e.what(), "65: Parameter altitude not found");
  }
  EXPECT_THROW((void)load("airports/my_simaddon/DUP.xml"), orv::UserErrorException);
  orv::gf_clearStands();
  park.quality = {50, 50};
  EXPECT_EQ(load("airports/my_simaddon/EMPTY.xml"), "no stands found");
  EXPECT_EQ(park.quality, (orv::QualityFactors{-1, -1}));
  EXPECT_EQ(park.rtTrafficWeek, 3);
  EXPECT_TRUE(logged("          RT traffic week         : 3"));
}

// --- downloads ----------------------------------------------------------------------------------

class ArchivedFiles : public ParkLoading {
 protected:
  ~ArchivedFiles() override { orv::gf_setMsfs2020Chosen(msfs2020_); }
  void serve(const std::string& path, const std::string& body) {
    server.setRoute("/downloads/" + path, {200, body, {}, {}});
  }
  [[nodiscard]] std::vector<std::string> paths() const {
    std::vector<std::string> result;
    for (const auto& request : server.requests()) result.push_back(request.path);
    return result;
  }

  bool msfs2020_ = orv::gf_msfs2020Chosen();
  testing_support::HttpServer server;
  testing_support::ScopedEnv site{"QLST_DOWNLOAD_URL", server.url("/downloads/")};
};

TEST_F(ArchivedFiles, ComeFromTheFolderOfTheSimulator) {
  struct Case {
    bool msfs2020;
    std::string name;
    std::string path;
  };
  const std::vector<Case> cases{
      {true, "archive/thirdparty/Pub/EGTT.xml", "/downloads/MSFS/archive/thirdparty/Pub/EGTT.xml"},
      {false, "archive/thirdparty/Pub/EGTT.xml", "/downloads/MSFS2024/archive/thirdparty/Pub/EGTT.xml"},
      {false, "archive/stock/EGTT.xml", "/downloads/MSFS/archive/stock/EGTT.xml"},
      {false, "archive\\simaddon\\EGTT.xml", "/downloads/MSFS/archive/simaddon/EGTT.xml"},
  };
  for (const Case& c : cases) {
    orv::gf_setMsfs2020Chosen(c.msfs2020);
    server.clearRequests();
    serve(c.path.substr(std::string("/downloads/").size()),
          standFile({{"altitude", "9"}}, parkpos("A1", kLat, kLon)));
    EXPECT_EQ(orv::lf_downloadArchivedFile(c.name, "airports/park_airport.xml"), "") << c.name;
    EXPECT_EQ(paths(), std::vector<std::string>{c.path});
    EXPECT_TRUE(fs::exists("airports/park_airport.xml"));
  }
  for (const auto& request : server.requests()) EXPECT_EQ(request.userAgent, "QLST");
}

TEST_F(ArchivedFiles, AFailedDownloadLeavesNoLocalCopy) {
  for (const std::string_view name :
       {"archive/stock/EGXX.xml", "../evil.xml", "archive/../../evil.xml", "/abs/evil.xml"}) {
    writeFile("airports/park_airport.xml", "old");
    server.clearRequests();
    const std::string error = orv::lf_downloadArchivedFile(name, "airports/park_airport.xml");
    EXPECT_TRUE(error.starts_with("failed to download: '")) << error;
    EXPECT_TRUE(logged(error));
    EXPECT_FALSE(fs::exists("airports/park_airport.xml")) << name;
    EXPECT_EQ(server.requests().size(), name.starts_with("archive/stock") ? 1U : 0U) << name;
  }
}

TEST_F(ArchivedFiles, ATableAirportLoadsTheArchivedStockFile) {
  orv::gf_setMsfs2020Chosen(false);
  serve("MSFS/archive/stock/EGTT.xml", standFile({{"altitude", "12"}}, parkpos("A1", kLat, kLon)));
  const std::string name = orv::gf_resolveAirportFile("EGTT", table);
  ASSERT_EQ(name, "archive/stock/EGTT.xml");
  ASSERT_EQ(load(name), "");
  EXPECT_EQ(orv::gf_parkStands().size(), 1U);
  EXPECT_EQ(load("archive/stock/EGSS.xml"),
            "failed to download: '" + server.url("/downloads/") + "MSFS/archive/stock/EGSS.xml'");
  EXPECT_FALSE(fs::exists("airports/park_airport.xml"));
}

TEST_F(ArchivedFiles, DestinationStandsAreReadOncePerAirport) {
  // Stands 0.3 and 0.1 nm north, and a third as near as the second: the first of those wins.
  serve("MSFS/archive/stock/EGTT.xml",
        standFile({}, parkpos("FAR", north(0.3), kLon) + parkpos("NEAR", north(0.1), kLon) +
                          parkpos("TIE", north(0.1), kLon)));
  writeFile("airports/my_simaddon/EGTW.xml", standFile({}, parkpos("W1", north(150), kLon)));
  os::FakeClock clock;
  const os::ScopedClock scopedClock(clock);
  orv::DestinationStands stands(&table);
  const orv::StandDistance distance = orv::gf_destinationStandDistance(stands);
  for (int round = 0; round < 2; ++round) {
    std::string id = "none";
    EXPECT_NEAR(distance(orv::IcaoCode("EGTT"), {kLat, kLon}, id), 0.1, 1e-6);
    EXPECT_EQ(id, "NEAR");
    id = "none";
    EXPECT_EQ(distance(orv::IcaoCode("EGTW"), {kLat, kLon}, id), 100.0);
    EXPECT_EQ(id, "none");
    EXPECT_EQ(distance(orv::IcaoCode("EGSS"), {kLat, kLon}, id), 100.0);  // the download fails
    EXPECT_EQ(distance(orv::IcaoCode("EGXX"), {kLat, kLon}, id), 100.0);  // no file at all
    EXPECT_EQ(id, "none");
  }
  EXPECT_EQ(stands.reads(), 4U);
  EXPECT_EQ(paths(), (std::vector<std::string>{"/downloads/MSFS/archive/stock/EGTT.xml",
                                               "/downloads/MSFS/archive/stock/EGSS.xml"}));
  // A failed download is not the airport's last word: some minutes later it is tried again, and
  // once it came, it is kept.
  serve("MSFS/archive/stock/EGSS.xml", standFile({}, parkpos("S1", north(0.2), kLon)));
  clock.advance(std::chrono::minutes(9));
  std::string id;
  EXPECT_EQ(distance(orv::IcaoCode("EGSS"), {kLat, kLon}, id), 100.0);
  clock.advance(std::chrono::minutes(1));
  for (int round = 0; round < 2; ++round) {
    EXPECT_NEAR(distance(orv::IcaoCode("EGSS"), {kLat, kLon}, id), 0.2, 1e-6);
    EXPECT_EQ(id, "S1");
  }
  EXPECT_EQ(stands.reads(), 5U);
  EXPECT_FALSE(fs::exists("airport.xml"));
  EXPECT_TRUE(orv::gf_parkStands().empty());
}

TEST_F(ParkLoading, TheClosestAirportWeighsTheStandsOfBothCandidates) {
  // EGTT lies 1.4 nm from the position, EGTW 1.6 nm; EGTW's stand is at the position itself.
  orv::AirportTable pair = orv::AirportTable::fromRecords(
      {{orv::IcaoCode("EGTT"), orv::IataCode("XXX"), kLat, kLon, 0.0F, 0},
       {orv::IcaoCode("EGTW"), orv::IataCode("XXX"), north(3.0), kLon, 0.0F, 0}});
  writeFile("airports/my_simaddon/EGTT.xml", standFile({}, parkpos("T1", kLat, kLon)));
  writeFile("airports/my_simaddon/EGTW.xml", standFile({}, parkpos("W1", north(1.4), kLon)));
  orv::DestinationStands stands(&pair);
  const orv::AirportRecord* closest =
      pair.closest({north(1.4), kLon}, orv::gf_destinationStandDistance(stands));
  ASSERT_NE(closest, nullptr);
  EXPECT_EQ(closest->icao.str(), "EGTW");
  EXPECT_EQ(pair.closest({north(1.4), kLon}, orv::gf_noStandDistance)->icao.str(), "EGTT");
}

}  // namespace
