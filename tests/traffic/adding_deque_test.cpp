#include "traffic/adding_deque.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/log.h"
#include "support/test_support.h"

namespace {

using testing_support::logBody;

class AddingDequeTest : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }

  static orv::TrafficRecord record(int n) {
    orv::TrafficRecord r;
    r.callsign = "R" + std::to_string(n);
    return r;
  }
  static std::vector<std::string> callsigns(const std::vector<orv::TrafficRecord>& records) {
    std::vector<std::string> names;
    for (const auto& r : records) names.push_back(r.callsign);
    return names;
  }

  testing_support::WorkingFolder folder;
};

TEST_F(AddingDequeTest, AFullDequeDropsItsOldestAndLogsOncePerBurst) {
  orv::AddingDeque deque(4);
  deque.setOpen(true);
  for (int n = 1; n <= 10; ++n) EXPECT_TRUE(deque.append(record(n)));
  EXPECT_EQ(deque.size(), 4u);
  EXPECT_EQ(deque.droppedCount(), 6u);
  EXPECT_TRUE(logBody().empty()) << "nothing per record";

  // Still full at the first take: the burst goes on, and more drops join it.
  EXPECT_EQ(callsigns(deque.take(1)), std::vector<std::string>{"R7"});
  EXPECT_TRUE(deque.append(record(11)));
  EXPECT_TRUE(deque.append(record(12)));
  EXPECT_EQ(deque.droppedCount(), 7u);
  EXPECT_EQ(callsigns(deque.take(2)), (std::vector<std::string>{"R9", "R10"}));
  EXPECT_TRUE(logBody().empty());

  // Drained to half: the burst is over and logged once with its count.
  EXPECT_EQ(callsigns(deque.take(2)), (std::vector<std::string>{"R11", "R12"}));
  EXPECT_EQ(logBody(), std::vector<std::string>{"7 traffic records dropped, the queue was full"});
  EXPECT_TRUE(deque.take(2).empty());
  EXPECT_EQ(logBody().size(), 1u);

  // A second burst gets its own line; closing the deque ends it.
  for (int n = 13; n <= 18; ++n) EXPECT_TRUE(deque.append(record(n)));
  deque.setOpen(false);
  EXPECT_EQ(logBody(), (std::vector<std::string>{"7 traffic records dropped, the queue was full",
                                                 "2 traffic records dropped, the queue was full"}));
  EXPECT_FALSE(deque.append(record(19)));
  EXPECT_EQ(deque.droppedCount(), 9u) << "a closed deque drops without counting";
}

TEST_F(AddingDequeTest, TheDefaultBoundKeepsTheNewestRecords) {
  orv::AddingDeque deque;
  deque.setOpen(true);
  for (std::size_t n = 0; n < orv::kAddingDequeBound + 5; ++n)
    (void)deque.append(record(static_cast<int>(n)));
  EXPECT_EQ(deque.size(), orv::kAddingDequeBound);
  EXPECT_EQ(deque.take(1).front().callsign, "R5");
}

}  // namespace
