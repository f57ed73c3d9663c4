// The flight-plan files and their folder, and the tally of liveries the simulator refused.

#include "simlink/flight_plans.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"

namespace {

using orv::ModelClass;
using testing_support::logBody;
using testing_support::readFile;

class FlightPlanTest : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }
  // The folder path is the process's: no test leaves one behind.
  void TearDown() override { orv::gf_removeFlightPlanFolder(); }

  testing_support::WorkingFolder working;
  testing_support::ScopedRunState runState;
};

std::string lf_plan(std::string_view type, std::string_view origin, std::string_view destination) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
         "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n" + "<FlightPlan.FlightPlan>\n" + "<FPType>" +
         std::string(type) + "</FPType>\n" + "<DepartureID>" + std::string(origin) + "</DepartureID>\n" +
         "<DestinationID>" + std::string(destination) + "</DestinationID>\n" + "</FlightPlan.FlightPlan>\n" +
         "</SimBase.Document>\n" + "\n";
}

TEST_F(FlightPlanTest, ThePlanHoldsTheEightLinesWithTheTypeOfTheClassAndBothCodes) {
  orv::gf_createFlightPlanFolder();
  const struct {
    ModelClass modelClass;
    std::string_view type;
  } cases[] = {{ModelClass::Light, "VFR"},           {ModelClass::Buzjet, "IFR"},
               {ModelClass::Large, "IFR"},           {ModelClass::Heavy, "IFR"},
               {ModelClass::HighPerformance, "VFR"}, {ModelClass::Rotorcraft, "VFR"}};
  for (const auto& c : cases) {
    const std::filesystem::path path = orv::gf_flightPlanPath(100);
    ASSERT_TRUE(orv::gf_writeFlightPlan(path, c.modelClass, "FRA", "JFK"));
    EXPECT_EQ(readFile(path), lf_plan(c.type, "FRA", "JFK")) << static_cast<int>(c.modelClass);
  }
}

TEST_F(FlightPlanTest, AMissingCodeIsThreeBlanks) {
  orv::gf_createFlightPlanFolder();
  const std::filesystem::path path = orv::gf_flightPlanPath(7);
  ASSERT_TRUE(orv::gf_writeFlightPlan(path, ModelClass::Large, std::string_view("\0AB", 3), ""));
  EXPECT_EQ(readFile(path), lf_plan("IFR", "   ", "   "));
}

TEST_F(FlightPlanTest, ThePlanIsNamedByTheObjectIdInAnAbsoluteFolderThatGoesWithItsPlans) {
  EXPECT_TRUE(orv::gf_flightPlanPath(4660).empty()) << "no folder, no plans";
  orv::gf_createFlightPlanFolder();
  const std::filesystem::path folder = orv::gf_flightPlanFolder();
  EXPECT_TRUE(folder.is_absolute());
  EXPECT_EQ(folder, std::filesystem::absolute("orig_dest"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  const std::filesystem::path path = orv::gf_flightPlanPath(4660);
  EXPECT_EQ(path, folder / "4660.pln");
  ASSERT_TRUE(orv::gf_writeFlightPlan(path, ModelClass::Heavy, "FRA", "JFK"));

  orv::gf_removeFlightPlanFolder();
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(orv::gf_flightPlanFolder().empty());
}

TEST_F(FlightPlanTest, AFolderThatCannotBeMadeIsLoggedAndLeavesNoPlans) {
  testing_support::writeFile("orig_dest", "a file in the way");
  orv::gf_createFlightPlanFolder();
  EXPECT_TRUE(orv::gf_flightPlanFolder().empty());
  const auto lines = logBody();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("gf_createFlightPlanFolder: ")) << lines.back();
  std::filesystem::remove("orig_dest");
}

TEST_F(FlightPlanTest, APlanThatCannotBeOpenedIsNotWritten) {
  const std::filesystem::path path = working.path() / "missing" / "1.pln";
  EXPECT_FALSE(orv::gf_writeFlightPlan(path, ModelClass::Large, "FRA", "JFK"));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FlightPlanTest, DeletingAPlanRemovesItsFileAndToleratesOneThatIsGone) {
  orv::gf_createFlightPlanFolder();
  const std::filesystem::path path = orv::gf_flightPlanPath(12);
  ASSERT_TRUE(orv::gf_writeFlightPlan(path, ModelClass::Large, "FRA", "JFK"));
  orv::gf_deleteFlightPlan(path);
  EXPECT_FALSE(std::filesystem::exists(path));
  orv::gf_deleteFlightPlan(path);
  EXPECT_TRUE(std::filesystem::is_directory(orv::gf_flightPlanFolder()));
}

class FailedLiveryTest : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }
  void fail(int n) {
    orv::gf_liveryNotCreated(fmt_callsign(n), "Title " + std::to_string(n), orv::gf_modelId("A320"),
                             orv::gf_airlineId("DLH"), lists);
  }
  static std::string fmt_callsign(int n) { return "DLH" + std::to_string(n); }

  testing_support::WorkingFolder working;  // the log goes here, not where the tests started
  testing_support::ScopedRunState runState;
  orv::FailedLiveries lists;
};

TEST_F(FailedLiveryTest, TheNineteenthTitleOnlyShowsItsMessageTheTwentiethEndsTheRun) {
  for (int n = 1; n <= 19; ++n) ASSERT_NO_THROW(fail(n));
  ASSERT_NO_THROW(fail(19)) << "the same title counts once";
  EXPECT_EQ(lists.failedCount(), 19u);
  EXPECT_EQ(orv::gf_messageLines().message, "DLH19 'Title 19' could not be created by your Sim!");
  EXPECT_TRUE(lists.isFailed("Title 7"));
  EXPECT_FALSE(lists.isFailed("Title 20"));

  try {
    fail(20);
    FAIL() << "no error 81";
  } catch (const orv::UserErrorException& e) {
    EXPECT_EQ(e.code(), 81);
    EXPECT_TRUE(std::string_view(e.what()).ends_with(
        " There are too many liveries that could not be created!, see Log.txt"))
        << e.what();
  }
  const auto lines = logBody();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "===> Error 81, There are too many liveries that could not be created!"),
            lines.end());
  EXPECT_TRUE(lists.isFailed("Title 20"));
}

TEST_F(FailedLiveryTest, TheCodesOfTheAircraftAreKeptOnceAndAnUnknownIdGivesAnEmptyCode) {
  fail(1);
  fail(2);
  orv::gf_liveryNotCreated("X1", "Other", orv::ModelId{60000}, orv::gf_airlineId("DLH"), lists);
  EXPECT_EQ(lists.notCreated(), (std::vector<std::string>{" DLH", "A320 DLH"}));
}

TEST_F(FailedLiveryTest, NoMessageWhileTheRunStopsButTheTitleIsStillRefused) {
  orv::gf_raiseClosing();
  fail(3);
  EXPECT_EQ(orv::gf_messageLines().message, "");
  EXPECT_TRUE(lists.isFailed("Title 3"));
}

TEST_F(FailedLiveryTest, TheNoMatchListIsLoggedWithItsHeadingAndNothingWhenEmpty) {
  const std::size_t before = logBody().size();
  orv::gf_logNoMatchList(lists);
  EXPECT_EQ(logBody().size(), before);

  lists.addNoMatch("DLH1 A320 D-AIPA");
  lists.addNoMatch("BAW2 B744 G-BNLA");
  orv::gf_logNoMatchList(lists);
  const auto lines = logBody();
  ASSERT_GE(lines.size(), before + 5);
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 5, lines.end()),
      (std::vector<std::string>{"", "No match found for:", "DLH1 A320 D-AIPA", "BAW2 B744 G-BNLA", ""}));
}

TEST_F(FailedLiveryTest, TheNoMatchListHoldsEachTextOnceAndCountsWhatItCannotHold) {
  // Any host may send traffic of made-up codes: the list must not grow with them.
  for (std::size_t i = 0; i < orv::kNoMatchLimit + 3; ++i) {
    lists.addNoMatch(fmt::format("X{} A320", i));
    lists.addNoMatch("DLH A320");
  }
  const auto entries = lists.noMatch();
  ASSERT_EQ(entries.size(), orv::kNoMatchLimit);
  EXPECT_EQ(entries[0], "X0 A320");
  EXPECT_EQ(entries[1], "DLH A320");
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "DLH A320"), 1);
  orv::gf_logNoMatchList(lists);
  const auto lines = logBody();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"... and 4 more", ""}));
}

}  // namespace
