#include "refdata/dbase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "support/foundation_state.h"
#include "support/reference_tables.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

const std::string& fixture() {
  static const std::string text = readFile(fs::path(QUILLSTAR_REFDATA_FIXTURES) / "dbase.xml");
  return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Installs the text as "input/dbase.enc", enciphered as the download site delivers it.
void installDbase(const std::string& xml) {
  fs::create_directories("input");
  writeFile("plain.xml", xml);
  orv::gf_streamEncrypt("plain.xml", "input/dbase.enc");
  fs::remove("plain.xml");
}

std::vector<std::string> closedLog() {
  orv::gf_closeLog();
  return readLines(orv::gf_logPath());
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Dbase : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }
  testing_support::FoundationState foundation;
  testing_support::ReferenceTables tables;
  WorkingFolder folder;
};

TEST_F(Dbase, ReadsEverySectionWithItsCountLines) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  EXPECT_FALSE(fs::exists("input/dbase.xml"));
  EXPECT_TRUE(fs::exists("input/dbase.enc"));

  const auto log = closedLog();
  const auto models = std::find(log.begin(), log.end(), "   11 ICAO model codes");
  ASSERT_NE(models, log.end());
  EXPECT_EQ(*(models - 1), "");  // the count lines start after an empty line
  for (const char* line :
       {"    4 ICAO airline codes", "    2 cargo operators", "    2 publishers", "    1 fixes",
        "    8 dbase records read", "==> wingspan model XXXX is not valid, skipped",
        "==> wingspan model  is not valid, skipped", "==> wrong fix B73H -> B739, the latter is not valid",
        "==> wrong part of fix: 'A32O', already exists, skipped"})
    EXPECT_TRUE(hasLine(log, line)) << line;
}

TEST_F(Dbase, SeedingFixesTheIdsOfTheCodes) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  // Models: the empty code, "aircrafts" ascending, new cargo types, new class codes, then the
  // codes of the records as met. Airlines: the empty code, ICAO_airlines, new cargo operators,
  // then the records' codes.
  const std::vector<std::string> models = {"",     "A319", "A320", "A321", "A388", "B738", "B744", "B77W",
                                           "C172", "EC35", "F16",  "GLF6", "B77F", "CONC", "A20N"};
  const std::vector<std::string> airlines = {"", "BAW", "DLH", "KLM", "UPS", "FDX", "EWG", "SWR"};
  ASSERT_EQ(orv::gf_modelCodeCount(), models.size());
  ASSERT_EQ(orv::gf_airlineCodeCount(), airlines.size());
  for (std::size_t id = 0; id < models.size(); ++id)
    EXPECT_EQ(orv::gf_modelCode(static_cast<orv::ModelId>(id)), models[id]);
  for (std::size_t id = 0; id < airlines.size(); ++id)
    EXPECT_EQ(orv::gf_airlineCode(static_cast<orv::AirlineId>(id)), airlines[id]);
}

TEST_F(Dbase, KnownCodesClassesWingspansAndSimilarTypes) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  EXPECT_TRUE(orv::gf_isKnownModel("B744"));
  EXPECT_FALSE(orv::gf_isKnownModel("B77F"));  // a cargo type only
  EXPECT_TRUE(orv::gf_isKnownAirline("UPS"));
  EXPECT_FALSE(orv::gf_isKnownAirline("FDX"));  // a cargo operator only

  EXPECT_EQ(orv::gf_modelClassOf("B77W"), orv::ModelClass::Large);  // large and heavy: large first
  EXPECT_EQ(orv::gf_modelClassOf("B744"), orv::ModelClass::Heavy);
  EXPECT_EQ(orv::gf_modelClassOf("GLF6"), orv::ModelClass::Buzjet);
  EXPECT_EQ(orv::gf_modelClassOf("CONC"), orv::ModelClass::HighPerformance);
  EXPECT_EQ(orv::gf_modelClassOf("EC35"), orv::ModelClass::Rotorcraft);
  EXPECT_EQ(orv::gf_modelClassOf("C172"), orv::ModelClass::Light);

  constexpr double kNmPerMetre = 1.0 / 1852;
  EXPECT_NEAR(orv::gf_halfWingspan(orv::gf_modelId("A320")), 18 * kNmPerMetre, 1e-12);  // the first element
  EXPECT_NEAR(orv::gf_halfWingspan(orv::gf_modelId("B738")), 17.9 * kNmPerMetre, 1e-12);
  EXPECT_EQ(orv::gf_halfWingspan(orv::gf_modelId("C172")), 0.0);
  EXPECT_NEAR(orv::gf_largestHalfWingspan(), 20 * kNmPerMetre, 1e-12);  // the repeated A320 counts

  EXPECT_EQ(orv::gf_similarTypeLists(),
            (std::vector<std::vector<std::string>>{{"A319", "A320", "A321"}, {"B738"}}));
}

TEST_F(Dbase, FixesPublishersAndAirportLists) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  EXPECT_EQ(orv::gf_modelCodeFixes(), (std::map<std::string, std::string, std::less<>>{{"A32O", "A320"}}));
  // Sorted by their text; the lists without names are gone.
  EXPECT_EQ(orv::gf_publisherLists(),
            (std::vector<std::vector<std::string>>{{"Aerosoft", "aerosoft-"}, {"FlyTampa"}}));
  EXPECT_EQ(orv::gf_simAddonAirports(), (std::set<std::string, std::less<>>{"EGLL", "KSFO", "LOWI"}));
  const auto& tp20 = orv::gf_thirdParties2020();
  ASSERT_EQ(tp20.size(), 2u);
  EXPECT_EQ(tp20[0].publisher, "FlyTampa");
  EXPECT_EQ(tp20[0].airports, (std::vector<std::string>{"EHAM12", "LSZH"}));
  EXPECT_EQ(tp20[1].publisher, "Aerosoft");
  EXPECT_TRUE(tp20[1].airports.empty());
  ASSERT_EQ(orv::gf_thirdParties2024().size(), 1u);
  EXPECT_EQ(orv::gf_thirdParties2024()[0].airports, (std::vector<std::string>{"KLAX20", "", "EGLL5"}));
}

TEST_F(Dbase, RegistrationsUnderTheirKeyVariants) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  EXPECT_EQ(orv::gf_registrationKeys("GABCD"), (std::vector<std::string>{"GA-BCD", "G-ABCD", "GABCD"}));
  EXPECT_EQ(orv::gf_registrationKeys("N123AB"), (std::vector<std::string>{"N123AB"}));
  EXPECT_EQ(orv::gf_registrationKeys("D-ABCD"), (std::vector<std::string>{"D-ABCD"}));
  EXPECT_EQ(orv::gf_registrationKeys("GABC"), (std::vector<std::string>{"GABC"}));

  const auto id = [](const char* code) { return orv::gf_airlineId(code); };
  const auto model = [](const char* code) { return orv::gf_modelId(code); };
  struct Case {
    const char* registration;
    std::optional<orv::DbaseCodes> expected;
  };
  const Case cases[] = {
      {"GABCD", orv::DbaseCodes{id("BAW"), model("A320"), id("BAW"), false}},  // GA-BCD before G-ABCD
      {"GEUPT", orv::DbaseCodes{id("BAW"), model("A319"), id("BAW"), false}},  // only G-EUPT exists
      {"DAIAB", orv::DbaseCodes{id("DLH"), model("A321"), id("EWG"), true}},
      {"N123AB", orv::DbaseCodes{id("UPS"), model("B744"), 0, true}},           // no operator
      {"PH-BXA", orv::DbaseCodes{id("KLM"), model("B738"), id("KLM"), false}},  // the first of two
      {"HBJVZ", orv::DbaseCodes{id("SWR"), model("A20N"), id("SWR"), false}},
      {"NABCD", std::nullopt},  // begins with N: only as itself
      {"g-eupt", std::nullopt},
      {"", std::nullopt},  // a record without a registration is never found
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.registration);
    EXPECT_EQ(orv::gf_findDbaseRecord(c.registration), c.expected);
  }
  EXPECT_EQ(orv::gf_operatorOfRegistration("DAIAB"), "EWG");
  EXPECT_EQ(orv::gf_operatorOfRegistration("N123AB"), "");
  EXPECT_EQ(orv::gf_operatorOfRegistration("ZZZZZ"), "");
  EXPECT_EQ(orv::gf_operatorOfRegistration(""), "");
}

TEST_F(Dbase, RegistrationInATextAndPublisherOfAPath) {
  installDbase(fixture());
  ASSERT_TRUE(orv::gf_readDbase());
  EXPECT_EQ(orv::gf_registrationInText("Swiss A220 HBJVZ 2024"), "HBJVZ");
  EXPECT_EQ(orv::gf_registrationInText("BA G-EUPT"), std::nullopt);  // six characters are too long
  EXPECT_EQ(orv::gf_registrationInText("nothing"), std::nullopt);

  EXPECT_EQ(orv::gf_publisherOf("Community/Aerosoft-EDDF/scenery"), "Aerosoft");
  EXPECT_EQ(orv::gf_publisherOf("Community/aerosoft-lowi/scenery"), "Aerosoft");
  EXPECT_EQ(orv::gf_publisherOf("Community/FLYTAMPA-EHAM"), "FlyTampa");
  EXPECT_EQ(orv::gf_publisherOf("Community/orbx-lowi"), std::nullopt);
  EXPECT_TRUE(orv::gf_equalsIgnoreCase("a/FlyTampa", ""));
  EXPECT_FALSE(orv::gf_equalsIgnoreCase("a/Fly-Tampa", "flytampa"));
}

TEST_F(Dbase, AirportEntriesOfThirdpartyPublishers) {
  struct Case {
    const char* code;
    const char* entry;
    bool matches;
    int number;  // from 7
  };
  const Case cases[] = {
      {"EGLL", "EGLL12", true, 12}, {"EGLL", "EGLL", true, 7}, {"EGLL", "EGLL1x", true, 7},
      {"EGLL", "EGKK5", false, 7},  {"", "12", true, 12},      {"", "abc", true, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    int number = 7;
    EXPECT_EQ(orv::gf_matchCodeNumber("thirdparty", c.code, number, c.entry), c.matches);
    EXPECT_EQ(number, c.number);
  }
  const auto log = closedLog();
  EXPECT_TRUE(hasLine(log, "==> thirdparty EGLL EGLL invalid number"));
  EXPECT_TRUE(hasLine(log, "==> thirdparty EGLL EGLL1x invalid number"));
  EXPECT_TRUE(hasLine(log, "==> thirdparty      abc invalid number"));
}

TEST_F(Dbase, MissingOrUndecryptableFileThrows) {
  try {
    (void)orv::gf_readDbase();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), (fs::path("input") / "dbase.enc").string() + " not available");
  }
  installDbase(fixture());
  const std::string enciphered = readFile("input/dbase.enc");
  writeFile("input/dbase.enc", enciphered.substr(0, enciphered.size() - 100));  // a truncated download
  try {
    (void)orv::gf_readDbase();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), (fs::path("input") / "dbase.enc").string() + " stream decrypt failed");
  }
  EXPECT_FALSE(fs::exists("input/dbase.xml"));
  EXPECT_TRUE(orv::gf_dbaseRecords().empty());
}

TEST_F(Dbase, UnparsableFileIsReportedAndRemoved) {
  installDbase(replaced(fixture(), "</root>", ""));
  EXPECT_FALSE(orv::gf_readDbase());
  EXPECT_FALSE(fs::exists("input/dbase.xml"));
  const auto log = closedLog();
  const std::string start = "==> '" + (fs::path("input") / "dbase.xml").string() + "' not read because of ";
  EXPECT_TRUE(
      std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.starts_with(start); }));
}

TEST_F(Dbase, RequiredSectionsMissingOrEmpty) {
  struct Case {
    const char* name;
    std::string xml;
    std::string message;
  };
  const Case cases[] = {
      {"no root", "<other/>", "61: XML root missing: root"},
      {"no section", replaced(replaced(fixture(), "<large>", "<larger>"), "</large>", "</larger>"),
       "61: Missing section: large"},
      {"all values empty",
       replaced(fixture(), "<lar types=\"A319,A320,A321,B738,B77W\"/>", "<lar types=\"\"/><lar/>"),
       "61: In XML file section [large], element [lar], attribute [types] is empty."},
      {"no element",
       replaced(replaced(fixture(), "<simaddon20 arpts=\"KSFO\"/>", ""), "<simaddon20 arpts=\"EGLL,LOWI\"/>",
                ""),
       "61: In XML file section [simaddons20], element [simaddon20], attribute [arpts] is empty."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    installDbase(c.xml);
    try {
      (void)orv::gf_readDbase();
      ADD_FAILURE() << "no exception";
    } catch (const orv::UserErrorException& e) {
      EXPECT_EQ(e.code(), 61);
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    // The plain text of the data file never stays behind.
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
  }
}

}  // namespace
