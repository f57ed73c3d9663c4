#include "refdata/codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include "foundation/log.h"
#include "foundation/random.h"
#include "support/foundation_state.h"
#include "support/reference_tables.h"
#include "support/test_support.h"

namespace {

using orv::AirlineId;
using orv::ModelId;
using testing_support::readLines;
using testing_support::WorkingFolder;

std::vector<std::string> closedLog() {
  orv::gf_closeLog();
  return readLines(orv::gf_logPath());
}

long countPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.starts_with(prefix); });
}

// Each test starts from empty code tables and a fresh log and leaves them so.
class FreshTables : public ::testing::Test {
 protected:
  testing_support::FoundationState foundation;
  testing_support::ReferenceTables tables;
};
using CodeTables = FreshTables;
using ModelClasses = FreshTables;
using HalfWingspans = FreshTables;

TEST_F(CodeTables, IdsAreHandedOutOnceAndNeverFolded) {
  EXPECT_EQ(orv::gf_airlineId(""), 0);
  EXPECT_EQ(orv::gf_modelId(""), 0);
  EXPECT_EQ(orv::gf_airlineCode(0), "");
  // Id 0 is the empty code even when a real code is asked for first.
  const AirlineId baw = orv::gf_airlineId("BAW");
  EXPECT_EQ(baw, 1);
  EXPECT_EQ(orv::gf_airlineId("baw"), 2);
  EXPECT_EQ(orv::gf_airlineId(" BAW"), 3);
  EXPECT_EQ(orv::gf_airlineId("BAW"), baw);
  EXPECT_EQ(orv::gf_airlineCode(baw), "BAW");
  EXPECT_EQ(orv::gf_airlineCode(static_cast<AirlineId>(orv::gf_airlineCodeCount())), "");
  // The tables are separate.
  EXPECT_EQ(orv::gf_modelId("BAW"), 1);
  EXPECT_EQ(orv::gf_modelCodeCount(), 2u);
}

TEST_F(CodeTables, AFullTableGivesIdZeroAndSaysSoOnce) {
  WorkingFolder folder;
  orv::gf_openLog();
  const std::string_view first = orv::gf_modelCode(orv::gf_modelId("A320"));
  for (std::size_t i = orv::gf_modelCodeCount(); i < 65536; ++i)
    (void)orv::gf_modelId("M" + std::to_string(i));
  ASSERT_EQ(orv::gf_modelCodeCount(), 65536u);
  EXPECT_EQ(orv::gf_modelId("M65535"), 65535);
  EXPECT_EQ(orv::gf_modelId("NEW1"), 0);
  EXPECT_EQ(orv::gf_modelId("NEW2"), 0);
  EXPECT_EQ(orv::gf_modelId("A320"), 1);
  EXPECT_EQ(first, "A320");  // a view handed out before all the appends
  EXPECT_EQ(countPrefix(closedLog(), "==> The model code table is full"), 1);
}

TEST_F(CodeTables, ClearingStartsAfreshAndKeepsTheTextsHandedOut) {
  (void)orv::gf_modelId("A320");
  const std::string_view b738 = orv::gf_modelCode(orv::gf_modelId("B738"));
  orv::gf_clearReferenceTables();
  EXPECT_EQ(orv::gf_modelCodeCount(), 1u);
  EXPECT_EQ(orv::gf_modelCode(1), "");
  EXPECT_EQ(orv::gf_modelId("B738"), 1);
  EXPECT_EQ(b738, "B738");  // still readable: the old texts are kept
}

TEST_F(CodeTables, ThreadsAppendingTheSameCodesAgreeOnTheirIds) {
  constexpr int kThreads = 8;
  constexpr int kCodes = 2000;
  std::vector<std::vector<ModelId>> seen(kThreads, std::vector<ModelId>(kCodes));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      // Each thread walks the codes in another order, and reads texts back while others append.
      for (int i = 0; i < kCodes; ++i) {
        const int code = (i * 7919 + t * 311) % kCodes;  // 7919 is prime to 2000: a permutation
        const ModelId id = orv::gf_modelId("T" + std::to_string(code));
        seen[t][code] = id;
        if (orv::gf_modelCode(id) != "T" + std::to_string(code)) seen[t][code] = 0;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(orv::gf_modelCodeCount(), static_cast<std::size_t>(kCodes) + 1);
  for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]);
  EXPECT_EQ(std::count(seen[0].begin(), seen[0].end(), ModelId{0}), 0);
}

TEST_F(ModelClasses, MembershipOrderAndNames) {
  orv::ReferenceSets sets;
  const ModelId both = orv::gf_modelId("B77W");
  const ModelId heavyOnly = orv::gf_modelId("A388");
  const ModelId buzjetAndRotor = orv::gf_modelId("X1");
  const ModelId rotorAndHpf = orv::gf_modelId("X2");
  const ModelId hpf = orv::gf_modelId("F16");
  sets.classes.heavy = {both, heavyOnly};
  sets.classes.large = {both};
  sets.classes.buzjet = {buzjetAndRotor};
  sets.classes.rotorcraft = {buzjetAndRotor, rotorAndHpf};
  sets.classes.highPerformance = {rotorAndHpf, hpf};
  orv::gf_installReferenceSets(std::move(sets));

  EXPECT_EQ(orv::gf_modelClass(both), orv::ModelClass::Large);
  EXPECT_EQ(orv::gf_modelClass(heavyOnly), orv::ModelClass::Heavy);
  EXPECT_EQ(orv::gf_modelClass(buzjetAndRotor), orv::ModelClass::Buzjet);
  EXPECT_EQ(orv::gf_modelClass(rotorAndHpf), orv::ModelClass::Rotorcraft);
  EXPECT_EQ(orv::gf_modelClass(hpf), orv::ModelClass::HighPerformance);
  EXPECT_EQ(orv::gf_modelClassOf("C172"), orv::ModelClass::Light);

  const std::vector<std::string_view> names = {"Light", "Buzjets",  "Large",
                                               "Heavy", "HighPerf", "Rotorcraft"};
  for (std::size_t c = 0; c < names.size(); ++c)
    EXPECT_EQ(orv::gf_modelClassName(static_cast<orv::ModelClass>(c)), names[c]);
  EXPECT_THROW((void)orv::gf_modelClassName(static_cast<orv::ModelClass>(6)), std::out_of_range);
}

TEST_F(HalfWingspans, UnknownModelsAndIdsBeyondTheTable) {
  WorkingFolder folder;
  orv::gf_openLog();
  orv::ReferenceSets sets;
  sets.halfWingspans[7] = 0.01;
  orv::gf_installReferenceSets(std::move(sets));
  EXPECT_EQ(orv::gf_halfWingspan(7), 0.01);
  EXPECT_EQ(orv::gf_halfWingspan(2699), 0.0);
  // Codes met in a long process push the model table past the span table: a type first met then
  // has no known span, like any other type without an entry, and is not logged at every check.
  for (std::size_t i = orv::gf_modelCodeCount(); i < 2800; ++i)
    (void)orv::gf_modelId("M" + std::to_string(i));
  const ModelId late = orv::gf_modelId("B78X");
  ASSERT_EQ(late, 2800);
  for (int check = 0; check < 3; ++check) EXPECT_EQ(orv::gf_halfWingspan(late), 0.0);
  EXPECT_EQ(orv::gf_halfWingspan(2700), 0.0);
  const auto log = closedLog();
  EXPECT_EQ(countPrefix(log, "hwsp:"), 1);
  EXPECT_NE(std::find(log.begin(), log.end(), "hwsp: 2800 what: invalid array<T, N> subscript"), log.end());
}

// A stand-in for the livery tables: which airline has liveries of which model.
struct Liveries {
  std::map<std::string, std::vector<std::string>> byAirline;

  orv::LiveryQueries queries() const {
    orv::LiveryQueries q;
    q.hasAnyLivery = [this](ModelId model) {
      return std::any_of(byAirline.begin(), byAirline.end(), [&](const auto& entry) {
        return std::find(entry.second.begin(), entry.second.end(), orv::gf_modelCode(model)) !=
               entry.second.end();
      });
    };
    for (const auto& [airline, models] : byAirline)
      q.airlinesWithLiveries.push_back(orv::gf_airlineId(airline));
    q.hasLiveryFor = [this](AirlineId airline, ModelId model) {
      const auto found = byAirline.find(std::string(orv::gf_airlineCode(airline)));
      return found != byAirline.end() && std::find(found->second.begin(), found->second.end(),
                                                   orv::gf_modelCode(model)) != found->second.end();
    };
    return q;
  }
};

std::vector<std::string> codesOf(const std::vector<ModelId>& ids) {
  std::vector<std::string> codes;
  for (const ModelId id : ids) codes.emplace_back(orv::gf_modelCode(id));
  return codes;
}

class SimilarModels : public FreshTables {
 protected:
  void SetUp() override {
    orv::gf_openLog();
    orv::gf_setRandomOption([] { return false; });
  }
  void build(std::vector<std::vector<std::string>> lists, const Liveries& liveries) {
    orv::ReferenceSets sets;
    sets.similarTypes = std::move(lists);
    orv::gf_installReferenceSets(std::move(sets));
    orv::gf_buildSimilarModels(liveries.queries());
  }
  std::vector<std::string> similar(const char* airline, const char* model) {
    return codesOf(
        orv::gf_similarModels(orv::gf_airlineModelKey(orv::gf_airlineId(airline), orv::gf_modelId(model))));
  }
  WorkingFolder folder;
};

TEST_F(SimilarModels, MembersWithLiveriesInListOrder) {
  Liveries liveries{{{"BAW", {"A319", "A320", "A321"}}, {"EZY", {"A320"}}, {"KLM", {"A321", "B738"}}}};
  build({{"A319", "A320", "A321"}, {"B738"}, {"C172", "PA28"}}, liveries);

  EXPECT_EQ(codesOf(orv::gf_similarModelsOf(orv::gf_modelId("A319"))),
            (std::vector<std::string>{"A320", "A321"}));
  EXPECT_EQ(codesOf(orv::gf_similarModelsOf(orv::gf_modelId("A321"))),
            (std::vector<std::string>{"A319", "A320"}));
  EXPECT_TRUE(orv::gf_similarModelsOf(orv::gf_modelId("B738")).empty());  // a list of one
  EXPECT_TRUE(orv::gf_similarModelsOf(orv::gf_modelId("C172")).empty());  // no livery of an alike model
  // Every code of every list has its id now, liveries or not.
  const std::size_t count = orv::gf_modelCodeCount();
  (void)orv::gf_modelId("PA28");
  EXPECT_EQ(orv::gf_modelCodeCount(), count);

  // Per airline: the alike models it has, for a model it lacks.
  EXPECT_EQ(similar("EZY", "A319"), (std::vector<std::string>{"A320"}));
  EXPECT_EQ(similar("EZY", "A321"), (std::vector<std::string>{"A320"}));
  EXPECT_TRUE(similar("EZY", "A320").empty());  // it has that one itself
  EXPECT_EQ(similar("KLM", "A320"), (std::vector<std::string>{"A321"}));
  EXPECT_TRUE(similar("BAW", "A319").empty());  // has all of them: no entry
  EXPECT_TRUE(similar("BAW", "A320").empty());
  EXPECT_TRUE(similar("DLH", "A320").empty());  // no liveries at all

  // The key packs the airline low and the model high.
  EXPECT_EQ(orv::gf_airlineModelKey(0x0102, 0x0304), 0x03040102u);

  const auto log = closedLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "    3 similar model definitions"), log.end());
}

TEST_F(SimilarModels, TheFirstDefinitionInTextOrderWins) {
  Liveries liveries{{{"AAA", {"A20N", "B738", "A320"}}}};
  // A320 is in two lists; "A320,A20N" sorts before "A320,B738".
  build({{"A320", "B738"}, {"A20N", "A320"}}, liveries);
  EXPECT_EQ(codesOf(orv::gf_similarModelsOf(orv::gf_modelId("A320"))), (std::vector<std::string>{"A20N"}));
}

TEST_F(SimilarModels, RandomOnShufflesTheStoredList) {
  Liveries liveries{{{"AAA", {"M1", "M2", "M3", "M4", "M5", "M6"}}}};
  build({{"M0", "M1", "M2", "M3", "M4", "M5", "M6"}}, liveries);
  const std::vector<std::string> stored = {"M1", "M2", "M3", "M4", "M5", "M6"};
  EXPECT_EQ(similar("AAA", "M0"), stored);
  orv::gf_setRandomOption([] { return true; });
  bool changed = false;
  for (int i = 0; i < 20 && !changed; ++i) {
    auto list = similar("AAA", "M0");
    changed = list != stored;
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, stored);
  }
  EXPECT_TRUE(changed);
}

}  // namespace
