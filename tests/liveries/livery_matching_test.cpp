#include "liveries/livery_matching.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "foundation/text.h"
#include "livery_fixture.h"
#include "simlink/flight_plans.h"

namespace {

using namespace orv;
using testing_support::livery;
using Lines = std::vector<std::string>;

constexpr std::string_view kText = "TST123   M-TEST";

// Small tables with RANDOM off: the first candidate of every list is taken.
class Matching : public testing_support::LiveryLogTest {
 protected:
  Matching() {
    fill(tables);
    classes = {{gf_modelId("MC25"), ModelClass::Buzjet},
               {gf_modelId("MC68"), ModelClass::Buzjet},
               {gf_modelId("MC56"), ModelClass::Buzjet},
               {gf_modelId("MC17"), ModelClass::Heavy},
               {gf_modelId("ML72"), ModelClass::Light}};
    sources.tables = &tables;
    sources.counters = &counters;
    sources.depth = [this] { return depth; };
    sources.isFailedTitle = [this](std::string_view title) { return refused.contains(std::string(title)); };
    sources.registrationAirline = [](std::string_view registration) -> std::optional<AirlineId> {
      if (registration == "M-BBB") return gf_airlineId("MBBB");
      return std::nullopt;
    };
    sources.similarModels = [](AirlineId airline, ModelId model) {
      if (airline == gf_airlineId("MBBB") && model == gf_modelId("M320"))
        return std::vector<ModelId>{gf_modelId("MC25"), gf_modelId("M321")};
      return std::vector<ModelId>{};
    };
    sources.similarModelsOf = [](ModelId model) {
      if (model == gf_modelId("MC56")) return std::vector<ModelId>{gf_modelId("MX99"), gf_modelId("MC25")};
      return std::vector<ModelId>{};
    };
    sources.modelClass = [this](ModelId model) {
      const auto found = classes.find(model);
      return found == classes.end() ? ModelClass::Large : found->second;
    };
    sources.randomIndex = [](std::size_t) { return std::size_t{0}; };
    sources.shuffle = [](std::vector<ModelId>&) {};
  }

  // The same small tables in every object.
  static void fill(LiveryTables& t) {
    LiveryList list{
        livery("MAAA", "M320", "AAA 320 one"),
        livery("MAAA", "M320", "AAA 320 two"),
        livery("MAAA", "M320", "AAA 320 zcargo", true),
        livery("MBBB", "M321", "BBB 321 only"),
        livery("ZZZ", "M320", "ZZZ 320 generic"),
        livery("ZZZ", "M738", "ZZZ 738 generic"),
        livery("MCCC", "MC25", "CCC C25 jet"),
        livery("MDDD", "MC17", "DDD C17 cargo", true),
        livery("", "ML72", "Private L72"),
        livery("MGGG", "M320", "Pack FSLTL_GGG 320"),
    };
    list.sort(lf_liveryLess);
    t.reserveForBuild();
    t.reserveBuffers();
    t.lf_buildLiveryTables(list);
    t.lf_buildAirlineModelMaps();
    t.lf_buildModelMaps();
    t.bindRegcode("M-UNIQ", t.gf_findLiveryTitle("AAA 320 one"));
    t.addUniqueRegcode("M-UNIQ");
    t.bindRegcode("M-SHARED", t.gf_findLiveryTitle("AAA 320 two"));
    t.addBizjetModel(gf_modelId("MC25"));
    t.addLightModel(gf_modelId("ML72"));
  }

  [[nodiscard]] LiveryAircraft aircraft(std::string_view airline, std::string_view model,
                                        std::string registration = {}, bool cargo = false) {
    const ModelId id = gf_modelId(model);
    return LiveryAircraft{.airline = gf_airlineId(airline),
                          .model = id,
                          .registration = std::move(registration),
                          .modelClass = sources.modelClass(id),
                          .cargo = cargo,
                          .title = {},
                          .fsltl = false};
  }

  LiveryTables tables;
  LiveryMatchCounters counters;
  LiveryMatchSources sources;
  std::map<ModelId, ModelClass> classes;
  std::set<std::string> refused;
  int depth = 4;
};

struct LadderCase {
  const char* name;
  const char* airline;
  const char* model;
  const char* registration;
  bool cargo;
  int depth;
  std::set<std::string> refused;
  std::set<std::string> special;
  int step;  // -1: no match
  const char* title;
};

TEST_F(Matching, TheLadderStopsAtTheFirstStepWithATitleNotRefused) {
  const LadderCase cases[] = {
      {"unique regcode", "MAAA", "M320", "M-UNIQ", false, 1, {}, {}, 0, "AAA 320 one"},
      {"regcode", "MXXX", "M738", "M-SHARED", false, 1, {}, {}, 1, "AAA 320 two"},
      {"depth 1 has only the regcodes", "MAAA", "M320", "M-NONE", false, 1, {}, {}, -1, ""},
      {"airline and model", "MAAA", "M320", "", false, 2, {}, {}, 2, "AAA 320 one"},
      {"airline of the registration", "", "M321", "M-BBB", false, 2, {}, {}, 2, "BBB 321 only"},
      {"own cargo livery", "MAAA", "M320", "", true, 2, {}, {}, 2, "AAA 320 zcargo"},
      {"cargo takes a passenger livery at step 2", "MBBB", "M321", "", true, 2, {}, {}, 2, "BBB 321 only"},
      {"private to generic first", "PVT", "M320", "", false, 2, {}, {}, 4, "ZZZ 320 generic"},
      {"depth 2 has no generic", "MXXX", "M320", "", false, 2, {}, {}, -1, ""},
      {"similar model of the same class", "MBBB", "M320", "", false, 3, {}, {}, 3, "BBB 321 only"},
      {"depth 3: no fallback for a large model", "MXXX", "M738", "", false, 3, {}, {}, -1, ""},
      {"depth 4: the generic livery", "MXXX", "M738", "", false, 4, {}, {}, 4, "ZZZ 738 generic"},
      {"light model of any airline", "MXXX", "ML72", "", false, 3, {}, {}, 5, "Private L72"},
      {"business jet of any airline", "MXXX", "MC25", "", false, 3, {}, {}, 5, "CCC C25 jet"},
      {"cargo does not take passenger liveries at step 5", "MXXX", "MC25", "", true, 4, {}, {}, -1, ""},
      {"class list when the model has no alike models",
       "MXXX",
       "MC68",
       "",
       false,
       3,
       {},
       {},
       6,
       "CCC C25 jet"},
      {"alike models in order", "MXXX", "MC56", "", false, 3, {}, {}, 6, "CCC C25 jet"},
      {"special titles avoided", "MAAA", "M320", "", false, 2, {}, {"AAA 320 one"}, 2, "AAA 320 two"},
      {"only special titles: a special one",
       "MXXX",
       "M738",
       "",
       false,
       4,
       {},
       {"ZZZ 738 generic"},
       4,
       "ZZZ 738 generic"},
      {"refused titles skipped", "MAAA", "M320", "", false, 2, {"AAA 320 one"}, {}, 2, "AAA 320 two"},
      {"refused and special",
       "MAAA",
       "M320",
       "",
       false,
       2,
       {"AAA 320 two"},
       {"AAA 320 one"},
       2,
       "AAA 320 one"},
      {"all refused: the ladder goes on",
       "MAAA",
       "M320",
       "",
       false,
       4,
       {"AAA 320 one", "AAA 320 two"},
       {},
       4,
       "ZZZ 320 generic"},
      {"refused regcode title", "MAAA", "M320", "M-UNIQ", false, 2, {"AAA 320 one"}, {}, 2, "AAA 320 two"},
      {"all refused at depth 2", "MAAA", "M320", "", false, 2, {"AAA 320 one", "AAA 320 two"}, {}, -1, ""},
  };
  for (const LadderCase& c : cases) {
    SCOPED_TRACE(c.name);
    LiveryTables caseTables;
    fill(caseTables);
    for (const std::string& title : c.special)
      caseTables.addSpecialLivery(caseTables.gf_findLiveryTitle(title));
    sources.tables = &caseTables;
    depth = c.depth;
    refused = c.refused;
    LiveryMatchCounters fresh;
    sources.counters = &fresh;
    LiveryAircraft a = aircraft(c.airline, c.model, c.registration, c.cargo);
    a.title = "stale";
    const std::size_t before = log().size();
    gf_matchLivery(a, kText, sources);
    EXPECT_EQ(a.title, c.title);
    Lines lines = log();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
    if (c.step < 0) {
      EXPECT_TRUE(lines.empty());
      EXPECT_TRUE(fresh.allZero());
    } else {
      EXPECT_EQ(lines, Lines{fmt::format("          {} ={}= {}", kText, c.step, c.title)});
      for (std::size_t step = 0; step < kLiveryMatchSteps; ++step)
        EXPECT_EQ(fresh.at(step), static_cast<int>(step) == c.step ? 1 : 0) << step;
    }
    EXPECT_FALSE(a.fsltl);
  }
}

TEST_F(Matching, AnFsltlTitleSetsTheFlag) {
  LiveryAircraft a = aircraft("MGGG", "M320");
  a.fsltl = false;
  gf_matchLivery(a, kText, sources);
  EXPECT_EQ(a.title, "Pack FSLTL_GGG 320");
  EXPECT_TRUE(a.fsltl);
  a = aircraft("MAAA", "M320");
  a.fsltl = true;
  gf_matchLivery(a, kText, sources);
  EXPECT_FALSE(a.fsltl);
}

TEST_F(Matching, StaticAircraftTakeTheStandsCargoFlagAndAreNotCounted) {
  LiveryAircraft a = aircraft("MAAA", "M320");
  EXPECT_TRUE(gf_matchLiveryStatic(a, kText, "A12", true, sources));
  EXPECT_EQ(a.title, "AAA 320 zcargo");
  EXPECT_TRUE(a.cargo);

  LiveryAircraft kept = aircraft("MXXX", "M738");
  kept.title = "chosen before";
  EXPECT_TRUE(gf_matchLiveryStatic(kept, kText, "A13", false, sources));
  EXPECT_EQ(kept.title, "chosen before");

  LiveryAircraft fsltl = aircraft("MGGG", "M320");
  EXPECT_TRUE(gf_matchLiveryStatic(fsltl, kText, "A14", false, sources));
  EXPECT_FALSE(fsltl.fsltl);

  refused = {"AAA 320 one", "AAA 320 two"};
  LiveryAircraft refusedOnly = aircraft("MAAA", "M320");
  EXPECT_TRUE(gf_matchLiveryStatic(refusedOnly, kText, "A15", false, sources));
  EXPECT_EQ(refusedOnly.title, "ZZZ 320 generic");

  depth = 1;
  LiveryAircraft none = aircraft("MAAA", "M320");
  EXPECT_FALSE(gf_matchLiveryStatic(none, kText, "B7", false, sources));
  EXPECT_TRUE(none.title.empty());

  EXPECT_EQ(log(), (Lines{
                       fmt::format("          {} =2= AAA 320 zcargo", kText),
                       fmt::format("          {} =s= chosen before", kText),
                       fmt::format("          {} =2= Pack FSLTL_GGG 320", kText),
                       fmt::format("          {} =4= ZZZ 320 generic", kText),
                       fmt::format("B7      : {} no livery match ...", kText),
                   }));
  EXPECT_TRUE(counters.allZero());
}

// An aircraft head as the traffic code has it, with more than the matching reads.
struct Head {
  AirlineId airline = 0;
  ModelId model = 0;
  std::string callsign = "ABC1";
  std::string registration;
  ModelClass modelClass = ModelClass::Large;
  std::string liveryTitle;
  bool cargo = false;
  bool fsltl = false;
};

TEST_F(Matching, HeadsGetTheirTitleAndFlags) {
  Head head;
  head.airline = gf_airlineId("MGGG");
  head.model = gf_modelId("M320");
  gf_matchLivery(head, kText, sources);
  EXPECT_EQ(head.liveryTitle, "Pack FSLTL_GGG 320");
  EXPECT_TRUE(head.fsltl);
  Head parked;
  parked.airline = gf_airlineId("MAAA");
  parked.model = gf_modelId("M320");
  EXPECT_TRUE(gf_matchLiveryStatic(parked, kText, "C1", true, sources));
  EXPECT_EQ(parked.liveryTitle, "AAA 320 zcargo");
  EXPECT_TRUE(parked.cargo);
  EXPECT_EQ(counters.at(2), 1);
}

TEST_F(Matching, AnAircraftNoLiveryMatchesIsListedOnceInTheNoMatchSummary) {
  FailedLiveries& lists = gf_failedLiveries();
  lists.clear();
  LiveryAircraft unknown = aircraft("MUNK", "MQ99", "M-NONE");
  gf_matchLivery(unknown, kText, sources);
  ASSERT_EQ(unknown.title, "");
  LiveryAircraft again = aircraft("MUNK", "MQ99");
  gf_matchLivery(again, kText, sources);
  LiveryAircraft matched = aircraft("MAAA", "M320");
  gf_matchLivery(matched, kText, sources);
  ASSERT_FALSE(matched.title.empty());
  gf_logNoMatchList();
  lists.clear();
  EXPECT_EQ(logFrom("No match found for:"), (Lines{"No match found for:", "MUNK MQ99", ""}));
}

class Summary : public testing_support::LiveryLogTest {};

TEST_F(Summary, NothingWhileEveryCounterIsZero) {
  const LiveryMatchCounters counters;
  gf_logLiveryMatchingSummary(counters, {"refused title"});
  EXPECT_TRUE(log().empty());
}

TEST_F(Summary, TheCountsOfEveryStepAndTheTitlesNotCreated) {
  LiveryMatchCounters counters;
  counters.count(LiveryMatchStep::AirlineModel);
  counters.count(LiveryMatchStep::AirlineModel);
  counters.count(LiveryMatchStep::ClassFallback);
  gf_logLiveryMatchingSummary(counters, {});
  gf_logLiveryMatchingSummary(counters, {"Title A", "Title B"});
  const Lines lines = log();
  const Lines steps{
      "Matches at step: ", "  0: 0", "  1: 0", "  2: 2", "  3: 0", "  4: 0", "  5: 0", "  6: 1"};
  ASSERT_EQ(lines.size(), 10u + 10u + 4u);
  EXPECT_TRUE(lines[0].starts_with("*") &&
              lines[0].find(" live traffic livery matching summary ") != std::string::npos)
      << lines[0];
  EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + 9), steps);
  EXPECT_EQ(lines[9], std::string(90, '*'));
  EXPECT_EQ(lines[10], lines[0]);
  EXPECT_EQ(Lines(lines.begin() + 11, lines.begin() + 19), steps);
  EXPECT_EQ(Lines(lines.begin() + 19, lines.end()),
            (Lines{"", "Could not be created", "  Title A", "  Title B", std::string(90, '*')}));
}

}  // namespace
