#include "airports/stand_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <pugixml.hpp>
#include <regex>

#include "airports/half_hours.h"
#include "airports_fixture.h"
#include "config/parameters.h"
#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/geometry.h"
#include "refdata/dbase.h"

namespace {

namespace fs = std::filesystem;
using airports_test::LoggedFolder;
using orv::AirportFileMode;
using orv::Stand;
using orv::StandSchedule;
using testing_support::readFile;
using testing_support::writeFile;

// The database of the reference-data tests; D-AIAB flies for the operator EWG.
void readFixtureDbase() {
  fs::create_directories("input");
  orv::gf_streamEncrypt(fs::path(QUILLSTAR_REFDATA_FIXTURES) / "dbase.xml", "input/dbase.enc");
  ASSERT_TRUE(orv::gf_readDbase());
}

orv::HalfHourSet slots(std::initializer_list<std::size_t> list) {
  orv::HalfHourSet set;
  for (std::size_t slot : list) set.set(slot);
  return set;
}

StandSchedule schedule(std::string registration, std::string_view airline, std::string_view model,
                       orv::HalfHourSet hours, std::uint32_t sequence) {
  StandSchedule s;
  s.airline = orv::gf_airlineId(airline);
  s.model = orv::gf_modelId(model);
  s.registration = std::move(registration);
  s.callsign = "ABC123";
  s.hours = hours;
  s.sequence = sequence;
  s.day = 3;
  s.fromFile = 1;
  s.real = 1;
  return s;
}

Stand stand(std::string id, double latitude, double longitude, std::vector<StandSchedule> schedules = {}) {
  return Stand(std::move(id), std::move(schedules), latitude, longitude, 90.0 * orv::kDegToRad, 25.0, false,
               true, false);
}

// Every stand kind of the writer, each with one learned parking.
orv::ScannedAirport everyKind() {
  orv::ScannedAirport airport;
  airport.icao = "EGTT";
  airport.airportName = "Test Field";
  airport.publisher = "stock";
  airport.altitude = 83;
  airport.qfReal = 50;
  airport.qfSoft = 10;
  const auto opt = [](std::string reg) {
    return std::vector{schedule(std::move(reg), "TSA", "TB20", slots({7}), 1)};
  };
  airport.stands.push_back(stand("A1", 51.47, -0.454, opt("ZZ-AAA")));
  Stand heli("H1", opt("ZZ-HHH"), 51.471, -0.455, 0.0, 10.0, false, false, true);
  airport.stands.push_back(heli);
  airport.stands.push_back(stand("M1", 51.4702, -0.454, opt("ZZ-MMM")));
  airport.stands.back().manual = true;
  airport.stands.push_back(stand("R1", 51.4704, -0.454, opt("ZZ-RRR")));
  airport.stands.back().radius = 30.0 * orv::kNmPerMetre;
  airport.stands.back().radiusChange = true;
  airport.stands.push_back(stand("C1", 51.4706, -0.454, opt("ZZ-CCC")));
  airport.stands.back().cargo = true;
  airport.stands.back().cargoChange = true;
  airport.stands.push_back(stand("U1", 51.4708, -0.454, opt("ZZ-UUU")));
  return airport;
}

std::string attributeNames(const pugi::xml_node& node) {
  std::string names;
  for (const pugi::xml_attribute a : node.attributes())
    names += (names.empty() ? "" : " ") + std::string(a.name());
  return names;
}

pugi::xml_document load(const fs::path& path) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(path.c_str())) << path;
  return document;
}

// The value of the entry of a section of the root that has the name: an "info" of "meta", a
// "parameter" of "parameters".
std::string namedValue(const pugi::xml_document& document, const char* section, const char* entry,
                       const char* name) {
  return document.child("root")
      .child(section)
      .find_child_by_attribute(entry, "name", name)
      .attribute("value")
      .value();
}

std::vector<Stand> readStands(const fs::path& path) {
  std::vector<Stand> stands;
  orv::lf_readParkpositions(load(path), stands);
  return stands;
}

std::string withoutDate(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(<info name="date" value="[^"]*")"), "<info name=\"date\"");
}

void expectSameSchedules(const std::vector<StandSchedule>& a, const std::vector<StandSchedule>& b,
                         const std::string& id) {
  ASSERT_EQ(a.size(), b.size()) << id;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string where = id + " opt " + std::to_string(i);
    EXPECT_EQ(a[i].airline, b[i].airline) << where;
    EXPECT_EQ(a[i].model, b[i].model) << where;
    EXPECT_EQ(a[i].registration, b[i].registration) << where;
    EXPECT_EQ(a[i].callsign, b[i].callsign) << where;
    EXPECT_EQ(a[i].secondCallsign, b[i].secondCallsign) << where;
    EXPECT_EQ(a[i].hours, b[i].hours) << where;
    EXPECT_EQ(a[i].sequence, b[i].sequence) << where;
    EXPECT_EQ(a[i].day, b[i].day) << where;
    EXPECT_EQ(a[i].real, b[i].real) << where;
    EXPECT_EQ(a[i].cpl, b[i].cpl) << where;
  }
}

void expectSameStands(const std::vector<Stand>& a, const std::vector<Stand>& b, bool withSchedules) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string& id = a[i].id;
    EXPECT_EQ(a[i].id, b[i].id);
    EXPECT_DOUBLE_EQ(a[i].latitude, b[i].latitude) << id;
    EXPECT_DOUBLE_EQ(a[i].longitude, b[i].longitude) << id;
    EXPECT_NEAR(a[i].heading, b[i].heading, 1e-12) << id;
    EXPECT_NEAR(a[i].radius, b[i].radius, 1e-12) << id;
    EXPECT_EQ(a[i].cargo, b[i].cargo) << id;
    EXPECT_EQ(a[i].ramp, b[i].ramp) << id;
    EXPECT_EQ(a[i].heli, b[i].heli) << id;
    EXPECT_EQ(a[i].manual, b[i].manual) << id;
    if (withSchedules) expectSameSchedules(a[i].schedules, b[i].schedules, id);
  }
}

// MAX_FIT_FL set for the test and put back afterwards.
class ScopedMaxFit {
 public:
  explicit ScopedMaxFit(float hours) : previous_(orv::cfg::MAX_FIT_FL.value()) {
    orv::cfg::MAX_FIT_FL.set(hours);
  }
  ~ScopedMaxFit() { orv::cfg::MAX_FIT_FL.set(previous_); }
  ScopedMaxFit(const ScopedMaxFit&) = delete;
  ScopedMaxFit& operator=(const ScopedMaxFit&) = delete;

 private:
  float previous_;
};

class StandFile : public LoggedFolder {};

TEST_F(StandFile, WritesEachKindOfStandAsItsModeWantsIt) {
  const orv::ScannedAirport airport = everyKind();
  struct Case {
    const char* name;
    AirportFileMode mode;
    bool handmade;
    std::vector<std::string> parkpos;  // A1 H1 M1 R1 C1 U1
    bool opts;
  };
  const std::string full = "id latitude longitude heading radius cargo ramp";
  const std::string heli = "id latitude longitude heading radius heli ramp";
  const std::vector<Case> cases = {
      {"generated",
       AirportFileMode::Generated,
       false,
       {full, heli, full + " manual", full, full, full},
       false},
      {"generated ignores handmade",
       AirportFileMode::Generated,
       true,
       {full, heli, full + " manual", full, full, full},
       false},
      {"learned",
       AirportFileMode::Learned,
       false,
       {"id", "id", full + " manual", "id radius_change radius", "id cargo_change cargo", "id"},
       true},
      {"learned handmade",
       AirportFileMode::Learned,
       true,
       {full, heli, full + " manual", full + " radius_change", full + " cargo_change", full},
       true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(orv::gf_writeAirportFile(airport, "out.xml", c.mode, 2, c.handmade)) << c.name;
    const pugi::xml_document document = load("out.xml");
    EXPECT_EQ(namedValue(document, "meta", "info", "sim"), "2") << c.name;
    std::vector<std::string> names;
    std::size_t opts = 0;
    for (const pugi::xml_node parkpos : document.child("root").child("parkpositions").children("parkpos")) {
      names.push_back(attributeNames(parkpos));
      opts += static_cast<std::size_t>(
          std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end()));
    }
    EXPECT_EQ(names, c.parkpos) << c.name;
    EXPECT_EQ(opts, c.opts ? airport.stands.size() : 0U) << c.name;
  }
}

TEST_F(StandFile, WritesTheParametersOfEachMode) {
  ScopedMaxFit maxFit(24.0F);
  orv::ScannedAirport airport = everyKind();
  const auto parameterNames = [](const fs::path& path) {
    std::vector<std::string> names;
    const pugi::xml_document document = load(path);
    for (const pugi::xml_node p : document.child("root").child("parameters").children("parameter"))
      names.push_back(std::string(p.attribute("name").value()) + "=" + p.attribute("value").value());
    return names;
  };
  const std::vector<std::string> settings = {
      "RANGE=" + std::to_string(orv::cfg::RANGE.value()),
      std::string("AUTO_RANGE=") + (orv::cfg::AUTO_RANGE.value() ? "true" : "false"),
      std::string("WEEK=") + (orv::cfg::WEEK.value() ? "true" : "false"),
      std::string("PARK_SOFT=") + (orv::cfg::PARK_SOFT.value() ? "true" : "false"),
      "parking_percentage=" + std::to_string(orv::cfg::PARKING_PERCENTAGE.value()),
      std::string("INITIAL_LOAD_ONLY=") + (orv::cfg::INITIAL_LOAD_ONLY.value() ? "true" : "false"),
      "MAX_FIT=47",
      "MAX_LIVE_SEL=" + std::to_string(orv::cfg::MAX_LIVE_SEL.value())};

  ASSERT_TRUE(orv::gf_writeAirportFile(airport, "generated.xml", AirportFileMode::Generated, 1, false));
  EXPECT_EQ(parameterNames("generated.xml"),
            (std::vector<std::string>{"airport_name=Test Field", "publisher=stock", "altitude=83",
                                      "num_parkpos=6"}));

  ASSERT_TRUE(orv::gf_writeAirportFile(airport, "learned.xml", AirportFileMode::Learned, 1, false));
  std::vector<std::string> learned = {"airport_name=Test Field", "publisher=stock"};
  learned.insert(learned.end(), settings.begin(), settings.end());
  EXPECT_EQ(parameterNames("learned.xml"), learned);

  airport.publisher.clear();
  airport.bglPath = "Community/x/scenery/EGTT.bgl";
  airport.manufacturer = "Maker";
  airport.creator = "Someone";
  ASSERT_TRUE(orv::gf_writeAirportFile(airport, "handmade.xml", AirportFileMode::Learned, 1, true));
  std::vector<std::string> handmade = {"airport_name=Test Field",
                                       "publisher=",
                                       "handmade=true",
                                       "altitude=83",
                                       "Qf_real=50",
                                       "Qf_soft=10",
                                       "BGLpath=Community/x/scenery/EGTT.bgl",
                                       "manufacturer=Maker",
                                       "creator=Someone"};
  handmade.insert(handmade.end(), settings.begin(), settings.end());
  EXPECT_EQ(parameterNames("handmade.xml"), handmade);
}

TEST_F(StandFile, MaxFitIsTheNumberOfHalfHoursLessOne) {
  for (const auto& [hours, expected] : {std::pair{24.0F, "47"}, std::pair{0.5F, "0"}, std::pair{3.0F, "5"}}) {
    ScopedMaxFit maxFit(hours);
    ASSERT_EQ(orv::cfg::MAX_FIT_FL.value(), hours);
    ASSERT_TRUE(orv::gf_writeAirportFile(everyKind(), "learned.xml", AirportFileMode::Learned, 1, false));
    const pugi::xml_document document = load("learned.xml");
    EXPECT_EQ(namedValue(document, "parameters", "parameter", "MAX_FIT"), expected) << hours;
  }
}

TEST_F(StandFile, WritesOptsThatReadBackAsTheyWere) {
  readFixtureDbase();
  orv::ScannedAirport airport;
  airport.airportName = "Opts";
  StandSchedule soft = schedule("ZZ-SOF", "TSA", "TB20", slots({7}), 1);
  soft.real = 0;
  soft.cpl = 1;
  StandSchedule twoCallsigns = schedule("ZZ-TWO", "TSA", "TB20", slots({3, 4, 5}), 2);
  twoCallsigns.secondCallsign = "XYZ9";
  StandSchedule inDatabase = schedule("D-AIAB", "EWG", "A321", slots({3, 7, 40}), 3);
  StandSchedule notSaved = schedule("ZZ-NUL", "TSA", "TB20", slots({9}), 0);
  StandSchedule noRegistration = schedule("", "TSA", "TB20", slots({9}), 4);
  StandSchedule noHours = schedule("ZZ-EMP", "TSA", "TB20", {}, 5);
  airport.stands.push_back(
      stand("M1", 51.47, -0.454, {soft, twoCallsigns, inDatabase, notSaved, noRegistration, noHours}));
  airport.stands.back().manual = true;

  ASSERT_TRUE(orv::gf_writeAirportFile(airport, "opts.xml", AirportFileMode::Learned, 1, false));
  const pugi::xml_document document = load("opts.xml");
  std::vector<std::string> written;
  for (const pugi::xml_node opt :
       document.child("root").child("parkpositions").child("parkpos").children("opt")) {
    std::string line;
    for (const pugi::xml_attribute a : opt.attributes())
      line += std::string(a.name()) + "=" + a.value() + " ";
    written.push_back(line);
  }
  EXPECT_EQ(written, (std::vector<std::string>{
                         "reg=ZZ-SOF airl=TSA type=TB20 soft=true day=3 hh=7 cs=ABC123 cpl=true ",
                         "reg=ZZ-TWO airl=TSA type=TB20 day=3 hh=3:5 cs=ABC123:XYZ9 ",
                         "reg=D-AIAB day=3 hh=3,7,40 cs=ABC123 ",
                     }));
  EXPECT_TRUE(logged("==> bit set problem: ZZ-EMP ABC123 TSA TB20")) << testing::PrintToString(log());

  const std::vector<Stand> read = readStands("opts.xml");
  ASSERT_EQ(read.size(), 1U);
  expectSameSchedules(read[0].schedules, {soft, twoCallsigns, inDatabase}, "M1");
}

TEST_F(StandFile, RoundTripsEveryKindOfFile) {
  readFixtureDbase();
  // An archived file as the download site has it, with its quality factors.
  writeFile("archived.xml", R"(<?xml version="1.0"?>
<root>
  <meta><info name="author" value="Quillstar"/><info name="version" value="11.12.1"/>
    <info name="date" value="Dec 09, 2026"/><info name="copyright" value="x"/><info name="sim" value="1"/></meta>
  <parameters>
    <parameter name="airport_name" value="Test Field"/><parameter name="publisher" value="stock"/>
    <parameter name="altitude" value="83"/><parameter name="Qf_real" value="50"/><parameter name="Qf_soft" value="10"/>
  </parameters>
  <parkpositions>
    <parkpos id="A1" latitude="51.470000" longitude="-0.454000" heading="90.0" radius="25.0" cargo="false" ramp="false">
      <opt reg="D-AIAB" day="2" hh="10:12" cs="DLH4:DLH5"/>
      <opt reg="ZZ-ARC" airl="TSA" type="TB20" soft="true" day="7" hh="3,7,40" cs="TSA1" cpl="true"/>
    </parkpos>
    <parkpos id=" B2 " latitude="51.470200" longitude="-0.454000" heading="0.0" radius="20.0" cargo="true" ramp="true"/>
    <parkpos id="helipad1" latitude="51.471000" longitude="-0.455000" heading="0.0" radius="10.0" heli="true" ramp="false"/>
  </parkpositions>
</root>
)");
  orv::ScannedAirport archived;
  archived.airportName = "Test Field";
  archived.publisher = "stock";
  archived.altitude = 83;
  archived.qfReal = 50;
  archived.qfSoft = 10;
  archived.stands = readStands("archived.xml");
  ASSERT_EQ(archived.stands.size(), 3U);
  EXPECT_EQ(archived.stands[1].id, "B2");
  EXPECT_EQ(archived.stands[0].schedules[0].airline, orv::gf_airlineId("EWG"));
  EXPECT_EQ(archived.stands[0].schedules[0].secondCallsign, "DLH5");
  EXPECT_EQ(archived.stands[0].schedules[1].hours, slots({3, 7, 40}));

  struct Case {
    const char* name;
    orv::ScannedAirport airport;
    AirportFileMode mode;
    bool handmade;
  };
  orv::ScannedAirport withDatabaseOpt = everyKind();
  withDatabaseOpt.stands[0].schedules.push_back(schedule("D-AIAB", "EWG", "A321", slots({3, 4, 5}), 2));
  const std::vector<Case> cases = {
      {"archived", archived, AirportFileMode::Learned, true},
      {"generated", everyKind(), AirportFileMode::Generated, false},
      {"learned handmade", withDatabaseOpt, AirportFileMode::Learned, true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(orv::gf_writeAirportFile(c.airport, "first.xml", c.mode, 1, c.handmade)) << c.name;
    orv::ScannedAirport again = c.airport;
    again.stands = readStands("first.xml");
    expectSameStands(c.airport.stands, again.stands, c.mode == AirportFileMode::Learned);
    ASSERT_TRUE(orv::gf_writeAirportFile(again, "second.xml", c.mode, 1, c.handmade)) << c.name;
    EXPECT_EQ(withoutDate(readFile("first.xml")), withoutDate(readFile("second.xml"))) << c.name;
  }
}

TEST_F(StandFile, ALearnedFileWithoutTheHandmadeFlagKeepsOnlyItsManualStandsInFull) {
  ASSERT_TRUE(orv::gf_writeAirportFile(everyKind(), "learned.xml", AirportFileMode::Learned, 1, false));
  const std::vector<Stand> read = readStands("learned.xml");
  ASSERT_EQ(read.size(), 1U);
  EXPECT_EQ(read[0].id, "M1");
  EXPECT_TRUE(read[0].manual);
  for (const char* id : {"A1", "H1", "R1", "C1", "U1"})
    EXPECT_TRUE(logged(std::string("==> stand ") + id + " has no valid lat/lon")) << id;
}

TEST_F(StandFile, ReadsPositionsAndDropsStandsWithoutOne) {
  writeFile("stands.xml", R"(<parkpositions>
    <parkpos id="Z1" latitude="0" longitude="0.5" radius="25.0" heading="180.0"/>
    <parkpos id="Z2" latitude="0" longitude="0"/>
    <parkpos id="Z3"/>
    <parkpos id="Z4" latitude="0.0000004" longitude="-0.0000004"/>
    <parkpos id="N1" latitude="nan" longitude="1"/>
    <parkpos id="N2" latitude="91" longitude="1"/>
    <parkpos id="N3" latitude="10" longitude="-180.5"/>
    <parkpos id="N4" latitude="10" longitude="inf"/>
    <parkpos id="F1" latitude="10" longitude="180" heading="nan" radius="inf">
      <opt reg="ZZ-OK" day="7" hh="5"/>
      <opt reg="ZZ-DAY0" day="0" hh="5"/>
      <opt reg="ZZ-DAY8" day="8" hh="5"/>
      <opt reg="ZZ-NOHH" day="3"/>
      <opt reg="ZZ-EMPTYHH" day="3" hh=""/>
      <opt reg="ZZ-OK2" day="1" hh="6"/>
    </parkpos>
  </parkpositions>)");
  const std::vector<Stand> read = readStands("stands.xml");
  ASSERT_EQ(read.size(), 2U);
  EXPECT_EQ(read[0].id, "Z1");
  EXPECT_DOUBLE_EQ(read[0].radius, 25.0 * 0.0005399568034557236);
  EXPECT_DOUBLE_EQ(read[0].heading, 180.0 * 0.017453292519943295);
  EXPECT_EQ(read[1].id, "F1");
  EXPECT_EQ(read[1].heading, 0.0);
  EXPECT_EQ(read[1].radius, 0.0);
  ASSERT_EQ(read[1].schedules.size(), 2U);
  EXPECT_EQ(read[1].schedules[0].registration, "ZZ-OK");
  EXPECT_EQ(read[1].schedules[1].registration, "ZZ-OK2");
  EXPECT_EQ(read[1].schedules[1].sequence, 2U);
  EXPECT_EQ(read[1].schedules[1].fromFile, 1U);
  // Z4 would be saved as 0,0 and dropped when read again.
  for (const char* id : {"Z2", "Z3", "Z4", "N1", "N2", "N3", "N4"})
    EXPECT_TRUE(logged(std::string("==> stand ") + id + " has no valid lat/lon")) << id;

  orv::ScannedAirport airport;
  airport.stands = read;
  ASSERT_TRUE(orv::gf_writeAirportFile(airport, "written.xml", AirportFileMode::Generated, 1, false));
  const std::string written = readFile("written.xml");
  EXPECT_EQ(written.find("nan\""), std::string::npos);
  EXPECT_EQ(written.find("inf\""), std::string::npos);
  EXPECT_NE(written.find(R"(radius="25.0")"), std::string::npos);
}

TEST_F(StandFile, ReportsMissingEmptyAndRepeatedIds) {
  struct Case {
    const char* body;
    int code;
    const char* text;
  };
  const std::vector<Case> cases = {
      {R"(<parkpos id="A1" latitude="1" longitude="1"/><parkpos latitude="1" longitude="1"/>)", 93,
       "93: Parking position #2 has no 'id' attribute."},
      {R"(<parkpos id=" &#9; " latitude="1" longitude="1"/>)", 93, "93: Stand #1 has empty 'id' attribute."},
      {R"(<parkpos id="B12" latitude="1" longitude="1"/><parkpos id=" B12 " latitude="2" longitude="2"/>)",
       94, "94: Stand 'B12' appears more than once."},
      {R"(<parkpos id="B12" latitude="0" longitude="0"/><parkpos id="B12" latitude="2" longitude="2"/>)", 94,
       "94: Stand 'B12' appears more than once."},
  };
  for (const Case& c : cases) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(
        (std::string("<root><parkpositions>") + c.body + "</parkpositions></root>").c_str()));
    std::vector<Stand> stands;
    try {
      orv::lf_readParkpositions(document, stands);
      ADD_FAILURE() << c.text;
    } catch (const orv::UserErrorException& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_STREQ(e.what(), c.text);
    }
  }
}

TEST_F(StandFile, ADocumentWithoutStandsGivesNone) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string("<root><parameters/></root>"));
  std::vector<Stand> stands;
  orv::lf_readParkpositions(document, stands);
  EXPECT_TRUE(stands.empty());
}

TEST_F(StandFile, AFailedSaveLeavesTheOldFileWhole) {
  ASSERT_TRUE(orv::gf_writeAirportFile(everyKind(), "kept.xml", AirportFileMode::Generated, 1, false));
  const std::string before = readFile("kept.xml");
  fs::create_directory("kept.xml.tmp");  // the temporary file cannot be made
  EXPECT_FALSE(
      orv::gf_writeAirportFile(orv::ScannedAirport{}, "kept.xml", AirportFileMode::Generated, 1, false));
  EXPECT_EQ(readFile("kept.xml"), before);
  EXPECT_TRUE(
      orv::gf_writeAirportFile(everyKind(), "new/folder/EGTT.xml", AirportFileMode::Generated, 1, false));
  EXPECT_TRUE(fs::exists("new/folder/EGTT.xml"));
}

TEST_F(StandFile, WritesNoNumberThatIsNotOne) {
  orv::ScannedAirport airport;
  const double nan = std::nan("");
  airport.stands.emplace_back("X1", std::vector<StandSchedule>{}, nan, HUGE_VAL, nan, HUGE_VAL, false, false,
                              false);
  airport.stands.back().manual = true;
  airport.stands.back().radiusChange = true;
  for (const bool handmade : {false, true}) {
    ASSERT_TRUE(orv::gf_writeAirportFile(airport, "x.xml", AirportFileMode::Learned, 1, handmade));
    const std::string written = readFile("x.xml");
    EXPECT_NE(written.find(R"(latitude="0.000000" longitude="0.000000" heading="0.0" radius="0.0")"),
              std::string::npos)
        << written;
    EXPECT_EQ(written.find("nan\""), std::string::npos);
    EXPECT_EQ(written.find("inf\""), std::string::npos);
  }
}

}  // namespace
