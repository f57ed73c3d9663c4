#include "foundation/run_control.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/foundation_state.h"

namespace {

using orv::ExitReason;

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using RunControl = testing_support::FreshFoundationTest;

TEST_F(RunControl, NamesOfTheReasons) {
  EXPECT_EQ(orv::gf_exitReasonName(ExitReason::NotYetSet), "NOT YET SET");
  EXPECT_EQ(orv::gf_exitReasonName(ExitReason::UserClosedSim), "USER CLOSED SIM");
  EXPECT_EQ(orv::gf_exitReasonName(ExitReason::NewVersion), "NEW VERSION");
  EXPECT_EQ(orv::gf_exitReasonName(static_cast<ExitReason>(12)), "UNKNOWN (12)");
  for (auto r : {ExitReason::NewSettings, ExitReason::SimConnectError, ExitReason::ReaderError})
    EXPECT_TRUE(orv::gf_isRestartingReason(r));
  for (auto r :
       {ExitReason::SimWasClosed, ExitReason::NewFlight, ExitReason::UserClosedSim, ExitReason::SystemError})
    EXPECT_FALSE(orv::gf_isRestartingReason(r));
}

TEST_F(RunControl, TheFirstRaiserKeepsItsReasonAndSeconds) {
  EXPECT_TRUE(orv::gf_endRun(ExitReason::ReaderError, 15));
  EXPECT_FALSE(orv::gf_endRun(ExitReason::SimWasClosed, 0));
  orv::gf_endRunByUser();  // the window closed while a reader error is raised
  const auto outcome = orv::gf_runOutcome();
  EXPECT_EQ(outcome.reason, ExitReason::ReaderError);
  EXPECT_EQ(outcome.restartSeconds, 15);
  EXPECT_TRUE(orv::gf_runStopRaised());
}

TEST_F(RunControl, UserCloseSetsItsReasonOnlyWhenNoneIsSet) {
  orv::gf_endRunByUser();
  EXPECT_TRUE(orv::gf_runStopRaised());
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::UserClosedSim);
}

TEST_F(RunControl, SystemErrorLeavesTheFlagDownForALaterRaiser) {
  orv::gf_storeSystemError();
  EXPECT_FALSE(orv::gf_runStopRaised());
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::SystemError);
  EXPECT_TRUE(orv::gf_endRun(ExitReason::NewSettings, 3));
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::NewSettings);
}

TEST_F(RunControl, ResetLowersBothFlagsAndKeepsTheSeconds) {
  orv::gf_raiseClosing();
  orv::gf_endRun(ExitReason::SimConnectError, 9);
  orv::gf_raiseTick();
  orv::gf_resetRunControl();
  EXPECT_FALSE(orv::gf_stopRaised());
  EXPECT_FALSE(orv::gf_takeTick());
  EXPECT_EQ(orv::gf_runOutcome().reason, ExitReason::NotYetSet);
  EXPECT_EQ(orv::gf_runOutcome().restartSeconds, 9);
}

TEST_F(RunControl, RacingRaisersLeaveExactlyOneWinnersPair) {
  for (int round = 0; round < 50; ++round) {
    orv::gf_resetRunControl();
    std::vector<std::jthread> raisers;
    for (int i = 0; i < 6; ++i) {
      raisers.emplace_back([i] { orv::gf_endRun(static_cast<ExitReason>(1 + i % 3 * 2), 100 + i % 3 * 2); });
    }
    raisers.emplace_back([] { orv::gf_endRunByUser(); });
    raisers.clear();
    const auto outcome = orv::gf_runOutcome();
    const auto r = static_cast<int>(outcome.reason);
    // Either a raiser's own pair, or USER CLOSED SIM with the seconds left by the last round.
    if (outcome.reason != ExitReason::UserClosedSim) {
      EXPECT_EQ(outcome.restartSeconds, 99 + r) << round;
    }
  }
}

TEST_F(RunControl, TheTickIsTakenOnce) {
  EXPECT_FALSE(orv::gf_takeTick());
  orv::gf_raiseTick();
  EXPECT_TRUE(orv::gf_tickRaised());
  EXPECT_TRUE(orv::gf_takeTick());
  EXPECT_FALSE(orv::gf_takeTick());
}

}  // namespace
