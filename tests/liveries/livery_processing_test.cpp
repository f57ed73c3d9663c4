#include "liveries/livery_processing.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <map>
#include <pugixml.hpp>

#include "foundation/errors.h"
#include "foundation/folders.h"
#include "livery_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/window.h"

namespace {

using namespace orv;
using testing_support::livery;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

const std::filesystem::path kFile = "output/LiveriesScanned.xml";
// The file as the log names it: with the system's path separator.
const std::string kShownFile = (std::filesystem::path("output") / "LiveriesScanned.xml").string();

// A working folder with the class options on and their check boxes in a window, restored after.
class Processing : public testing_support::LiveryLogTest {
 protected:
  Processing() {
    std::filesystem::create_directories("output");
    std::filesystem::create_directories(gf_userFolderPath());
    writeFile(gf_parametersPath(), R"(<?xml version="1.0"?>
<root><parameters>
  <parameter name="LIGHT_AIRCRAFT" value="true"/>
  <parameter name="HIGH_PERF_AIRCRAFT" value="true"/>
  <parameter name="HELICOPTERS" value="true"/>
</parameters></root>
)");
    parent = ui::createWindow(ui::WindowSpec{});
    for (CheckBoxParameter* option : options) {
      ui::ControlSpec spec;
      spec.kind = option->kind();
      spec.parent = parent;
      spec.controlId = option->controlId();
      option->setWindow(ui::createControl(std::move(spec)));
      ui::setCheck(option->window(), true);
      option->set(true);
    }
    hooks.modelClass = [this](ModelId model) {
      const auto found = classes.find(std::string(gf_modelCode(model)));
      return found == classes.end() ? ModelClass::Large : found->second;
    };
    hooks.buildSimilarModels = [this](const LiveryQueries& queries) {
      similarAirlines = queries.airlinesWithLiveries;
      similarBuilt = true;
    };
    hooks.showLiveriesCount = [this](std::size_t count) { shownCount = count; };
  }
  ~Processing() override {
    for (CheckBoxParameter* option : options) {
      ui::destroyWindow(option->window());
      option->setWindow({});
      option->set(option->defaultValue());
    }
    ui::destroyWindow(parent);
  }

  [[nodiscard]] static std::string storedValue(const std::string& key) {
    pugi::xml_document document;
    if (!document.load_file(gf_parametersPath().c_str())) return "<no file>";
    for (const pugi::xml_node p : document.child("root").child("parameters").children("parameter"))
      if (key == p.attribute("name").value()) return p.attribute("value").value();
    return "<missing>";
  }

  void process() { gf_processScannedLiveries(tables, liveries, hooks); }

  const std::vector<CheckBoxParameter*> options{&cfg::LIGHT_AIRCRAFT, &cfg::HIGH_PERF_AIRCRAFT,
                                                &cfg::HELICOPTERS};
  ui::WindowHandle parent;
  std::map<std::string, ModelClass> classes{{"PC25A", ModelClass::Buzjet},
                                            {"PB744", ModelClass::Heavy},
                                            {"PC172", ModelClass::Light},
                                            {"PR44", ModelClass::Rotorcraft}};
  LiveryTables tables;
  LiveryList liveries;
  LiveryProcessingHooks hooks;
  std::vector<AirlineId> similarAirlines;
  bool similarBuilt = false;
  std::size_t shownCount = 0;
};

// Large, heavy and business-jet liveries only, with generic liveries of one model.
constexpr const char* kSomeClasses = R"(<?xml version="1.0"?>
<root>
  <liveries>
    <l a="PAAA" m="PA320" t="AAA A320 one" r="P-AAA1"/>
    <l a="PAAA" m="PA320" c="true" t="AAA A320 freighter"/>
    <l a="PAAA" m="PA321" t="AAA A321"/>
    <l a="PAAA" m="PB744" c="true" t="AAA 747 freighter"/>
    <l a="PBBB" m="PC25A" t="BBB Citation"/>
    <l a="ZZZ" m="PA320" t="Generic A320"/>
  </liveries>
</root>
)";

TEST_F(Processing, LogsTheTablesTheClassesAndSwitchesOffClassesWithoutLiveries) {
  writeFile(kFile, kSomeClasses);
  hooks.processRegcodes = [](LiveryTables& t, const LiveryList&) {
    t.bindRegcode("P-AAA1", t.gf_findLiveryTitle("AAA A320 one"));
    t.bindRegcode("P-AAA2", t.gf_findLiveryTitle("AAA A321"));
  };
  process();
  EXPECT_EQ(log(),
            (Lines{
                "    6 liveries read from " + kShownFile,
                "    2 registration codes",
                "    3 airlines, 3 pax aircraft models and 2 cargo aircraft models",
                " ",
                "Category Light: No livery found",
                "LIGHT_AIRCRAFT=false",  // the single save's own line
                "LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed",
                "Category Buzjets: 1 pax liverie",
                "  PC25A",
                "Category Large: 3 pax liveries and 1 cargo liverie",
                "  PA320,PA321",
                "Category Heavy: 0 pax liveries and 1 cargo liverie",
                "  PB744",
                "Category HighPerf: No livery found",
                "HIGH_PERF_AIRCRAFT=false",
                "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft "
                "installed",
                "Category Rotorcraft: No livery found",
                "HELICOPTERS=false",
                "HELICOPTERS temporarily switched off because you do not have Helicopters installed",
                "1 model have a generic livery",
                "  PA320",
            }));
  for (CheckBoxParameter* option : options) {
    EXPECT_FALSE(option->value()) << option->key();
    EXPECT_EQ(storedValue(option->key()), "false") << option->key();
    EXPECT_FALSE(ui::isEnabled(option->window())) << option->key();
    EXPECT_TRUE(ui::isChecked(option->window())) << option->key();  // the check mark is left alone
  }
  EXPECT_TRUE(tables.processed());
  EXPECT_TRUE(liveries.empty());
  EXPECT_EQ(shownCount, 6u);
  EXPECT_TRUE(similarBuilt);
  EXPECT_EQ(similarAirlines.size(), 3u);
  EXPECT_EQ(tables.bizjetModels(), std::vector<ModelId>{gf_modelId("PC25A")});
  EXPECT_TRUE(tables.lightModels().empty());
  EXPECT_EQ(tables.regcodeTitle("P-AAA2"), "AAA A321");
}

TEST_F(Processing, ThePreparedFoldersFileCoversOnlySomeClasses) {
  std::filesystem::copy_file(std::filesystem::path(QUILLSTAR_LIVERIES_FIXTURES) / "LiveriesScanned.xml",
                             kFile);
  classes = {{"GLF6", ModelClass::Buzjet}, {"B772", ModelClass::Heavy}, {"B77F", ModelClass::Heavy}};
  process();
  EXPECT_EQ(
      log(),
      (Lines{
          "    7 liveries read from " + kShownFile,
          "    3 registration codes",
          "    6 airlines, 4 pax aircraft models and 1 cargo aircraft models",
          " ",
          "Category Light: No livery found",
          "LIGHT_AIRCRAFT=false",
          "LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed",
          "Category Buzjets: 1 pax liverie",
          "  GLF6",
          "Category Large: 4 pax liveries",
          "  A320,A321",
          "Category Heavy: 1 pax liverie and 1 cargo liverie",
          "  B772,B77F",
          "Category HighPerf: No livery found",
          "HIGH_PERF_AIRCRAFT=false",
          "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft installed",
          "Category Rotorcraft: No livery found",
          "HELICOPTERS=false",
          "HELICOPTERS temporarily switched off because you do not have Helicopters installed",
          "1 model have a generic livery",
          "  A320",
      }));
}

TEST_F(Processing, AClassOptionAlreadyOffIsOnlyReportedAndAClassWithLiveriesEnablesItsBox) {
  writeFile(kFile, R"(<root><liveries>
    <l a="PAAA" m="PC172" t="AAA C172 one"/>
    <l a="PAAA" m="PC172" t="AAA C172 two"/>
    <l a="" m="PC172" c="true" t="C172 cargo"/>
  </liveries></root>)");
  cfg::HELICOPTERS.set(false);
  ui::setEnabled(cfg::LIGHT_AIRCRAFT.window(), false);
  cfg::LIGHT_AIRCRAFT.set(false);  // switched off by an earlier build: stays off
  process();
  const Lines lines = log();
  EXPECT_EQ(
      logFrom("Category Light"),
      (Lines{
          "Category Light: 2 pax liveries and 1 cargo liverie", "  PC172",
          "Category Buzjets: No livery found", "Category Large: No livery found",
          "Category Heavy: No livery found", "Category HighPerf: No livery found", "HIGH_PERF_AIRCRAFT=false",
          "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft installed",
          "Category Rotorcraft: No livery found", "No generic liveries"}));
  EXPECT_TRUE(ui::isEnabled(cfg::LIGHT_AIRCRAFT.window()));
  EXPECT_FALSE(cfg::LIGHT_AIRCRAFT.value());
  EXPECT_FALSE(ui::isEnabled(cfg::HELICOPTERS.window()));
  EXPECT_EQ(tables.lightModels(), std::vector<ModelId>{gf_modelId("PC172")});
}

TEST_F(Processing, ALaterStartSkipsTheBuildUntilAClearIsAsked) {
  writeFile(kFile, kSomeClasses);
  process();
  writeFile(kFile, R"(<root><liveries><l a="PCCC" m="PA320" t="CCC A320"/></liveries></root>)");
  liveries.push_back(livery("PCCC", "PA320", "from a scan"));
  const std::size_t before = log().size();
  process();
  Lines lines = log();
  EXPECT_EQ(Lines(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
            Lines{"Processing scanned liveries skipped; already done in previous start-up"});
  EXPECT_TRUE(liveries.empty());
  EXPECT_EQ(tables.gf_findLiveryTitle("AAA A321"), "AAA A321");

  tables.requestClear();  // as the simulator switch does, from another thread
  process();
  EXPECT_EQ(logFrom("Processing scanned").at(1), "    1 liveries read from " + kShownFile);
  EXPECT_TRUE(tables.gf_findLiveryTitle("AAA A321").empty());
  EXPECT_EQ(tables.gf_findLiveryTitle("CCC A320"), "CCC A320");
  EXPECT_EQ(tables.airlineCount(), 1u);
  EXPECT_TRUE(tables.processed());
}

TEST_F(Processing, AFileThatCannotBeReadStopsTheBuildAndTheNextStartTriesAgain) {
  liveries.push_back(livery("PCCC", "PA320", "from a scan"));
  EXPECT_THROW(process(), UserErrorException);
  EXPECT_FALSE(tables.processed());
  EXPECT_TRUE(liveries.empty());
  writeFile(kFile, kSomeClasses);
  process();
  EXPECT_TRUE(tables.processed());
  EXPECT_EQ(tables.airlineCount(), 3u);
}

TEST_F(Processing, ABuildThatFailedHalfWayIsNotBuiltUpon) {
  writeFile(kFile, kSomeClasses);
  hooks.processRegcodes = [](LiveryTables&, const LiveryList&) { throw std::runtime_error("regcodes"); };
  EXPECT_THROW(process(), std::runtime_error);
  EXPECT_FALSE(tables.processed());
  hooks.processRegcodes = {};
  process();
  const TitleViews* titles = tables.airlineModelTitles(gf_airlineId("PAAA"), gf_modelId("PA320"), false);
  ASSERT_NE(titles, nullptr);
  EXPECT_EQ(*titles, TitleViews{"AAA A320 one"});
  EXPECT_EQ(tables.modelTitles(gf_modelId("PA320"), false)->size(), 2u);
}

TEST(ClearForNextRun, OnlyRaisesTheRequest) {
  LiveryTables& tables = gf_liveryTables();
  const bool processed = tables.processed();
  clearLiveryTablesForNextRun();
  EXPECT_EQ(tables.processed(), processed);  // the start-up thread does the rest
  EXPECT_TRUE(tables.takeClearRequest());
  EXPECT_FALSE(tables.takeClearRequest());
}

class ModelLists : public testing_support::LiveryLogTest {};

TEST_F(ModelLists, TwentyCodesALineWithoutATrailingComma) {
  std::vector<ModelId> models;
  for (int i = 1; i <= 21; ++i) models.push_back(gf_modelId(fmt::format("L{:02}", i)));
  LiveryTables tables;
  lf_logModelList(tables, false, false, true, std::vector<ModelId>(models.begin(), models.begin() + 20));
  lf_logModelList(tables, true, false, false, models);
  lf_logModelList(tables, false, false, false, {});
  const std::string twenty =
      "  L01,L02,L03,L04,L05,L06,L07,L08,L09,L10,L11,L12,L13,L14,L15,L16,L17,L18,L19,L20";
  EXPECT_EQ(log(), (Lines{twenty, twenty, "  L21"}));
  EXPECT_EQ(tables.rotorcraftModels().size(), 20u);
  EXPECT_EQ(tables.lightModels(), models);
  EXPECT_TRUE(tables.bizjetModels().empty());
}

TEST(Tables, KeepEachKindInTitleOrderAndTheModelMapsInAirlineOrder) {
  LiveryList list{livery("TAAA", "TA320", "AAA a"),        livery("TAAA", "TA320", "AAA b cargo", true),
                  livery("TAAA", "TA320", "AAA c"),        livery("TAAA", "TA320", "AAA d cargo", true),
                  livery("TBBB", "TA320", "AAA a"),        livery("TBBB", "TA320", "BBB a"),
                  livery("TBBB", "TB777", "BBB 777", true)};
  list.sort(lf_liveryLess);
  LiveryTables tables;
  EXPECT_TRUE(tables.gf_findLiveryTitle("AAA a").empty());
  tables.reserveForBuild();
  tables.lf_buildLiveryTables(list);
  tables.lf_buildAirlineModelMaps();
  tables.lf_buildModelMaps();
  list.clear();  // the tables own their titles

  const AirlineId aaa = gf_airlineId("TAAA"), bbb = gf_airlineId("TBBB");
  const ModelId a320 = gf_modelId("TA320"), b777 = gf_modelId("TB777");
  const auto titles = [](const TitleViews* views) {
    return views ? std::vector<std::string>(views->begin(), views->end())
                 : std::vector<std::string>{"<none>"};
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(titles(tables.airlineModelTitles(aaa, a320, false)), (Texts{"AAA a", "AAA c"}));
  EXPECT_EQ(titles(tables.airlineModelTitles(aaa, a320, true)), (Texts{"AAA b cargo", "AAA d cargo"}));
  EXPECT_EQ(titles(tables.airlineModelTitles(bbb, a320, true)), Texts{"<none>"});
  EXPECT_EQ(titles(tables.modelTitles(a320, false)), (Texts{"AAA a", "AAA c", "AAA a", "BBB a"}));
  EXPECT_EQ(titles(tables.modelTitles(b777, true)), Texts{"BBB 777"});
  EXPECT_EQ(titles(tables.modelTitles(b777, false)), Texts{"<none>"});
  EXPECT_EQ(tables.paxModelCount(), 1u);
  EXPECT_EQ(tables.cargoModelCount(), 2u);
  EXPECT_EQ(tables.airlineCount(), 2u);
  EXPECT_TRUE(tables.gf_hasLiveryFor(bbb, b777));
  EXPECT_FALSE(tables.gf_hasLiveryFor(aaa, b777));
  EXPECT_EQ(tables.modelsOf(bbb), (std::vector<ModelId>{std::min(a320, b777), std::max(a320, b777)}));

  // The same title under two airlines is kept twice; the look-up gives the first copy.
  const std::string_view found = tables.gf_findLiveryTitle("AAA a");
  EXPECT_EQ(found.data(), tables.airlineModelTitles(aaa, a320, false)->front().data());
  EXPECT_NE(found.data(), tables.airlineModelTitles(bbb, a320, false)->front().data());
  EXPECT_TRUE(tables.gf_findLiveryTitle("AAA").empty());

  const LiveryQueries queries = tables.queries();
  EXPECT_TRUE(queries.hasAnyLivery(b777));
  EXPECT_FALSE(queries.hasAnyLivery(gf_modelId("TNONE")));
  EXPECT_TRUE(queries.hasLiveryFor(aaa, a320));
  EXPECT_EQ(queries.airlinesWithLiveries, (std::vector<AirlineId>{std::min(aaa, bbb), std::max(aaa, bbb)}));

  tables.gf_clearLiveryTables();
  EXPECT_TRUE(tables.gf_findLiveryTitle("AAA a").empty());
  EXPECT_EQ(tables.modelTitles(a320, false), nullptr);
  EXPECT_EQ(tables.airlineCount(), 0u);
}

}  // namespace
