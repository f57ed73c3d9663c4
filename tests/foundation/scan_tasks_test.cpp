#include "foundation/scan_tasks.h"

#include <gtest/gtest.h>

#include <optional>

#include "foundation/run_control.h"
#include "support/foundation_state.h"

namespace {

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using ScanTasks = testing_support::FreshFoundationTest;

TEST_F(ScanTasks, TheLimitFollowsTheProcessor) {
  EXPECT_EQ(orv::gf_scanWorkerLimitFor(0), 2);
  EXPECT_EQ(orv::gf_scanWorkerLimitFor(1), 1);
  EXPECT_EQ(orv::gf_scanWorkerLimitFor(16), 16);
}

TEST_F(ScanTasks, SlotsCountRunningTasksUntilTheyEnd) {
  orv::gf_setScanWorkerLimit(2);
  std::optional<orv::ScanTaskSlot> first;
  first.emplace();
  EXPECT_TRUE(orv::gf_waitForScanSlot());
  orv::ScanTaskSlot second;
  orv::ScanTaskSlot moved(std::move(*first));  // handed to the worker: still one task
  first.reset();
  EXPECT_EQ(orv::gf_runningScanTasks(), 2);
  // Both slots taken: a launcher waiting for one gives up when the run stops.
  orv::gf_raiseClosing();
  EXPECT_FALSE(orv::gf_waitForScanSlot());
}

TEST_F(ScanTasks, AFreeSlotIsTakenAtOnce) {
  orv::gf_setScanWorkerLimit(1);
  { orv::ScanTaskSlot slot; }
  EXPECT_EQ(orv::gf_runningScanTasks(), 0);
  EXPECT_TRUE(orv::gf_waitForScanSlot());
}

}  // namespace
