#include "airports/stand_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using orv::Stand;

// The park airport's stands are process-wide: each test starts and ends without any.
class ParkStands : public ::testing::Test {
 protected:
  ParkStands() { orv::gf_clearStands(); }
  ~ParkStands() override { orv::gf_clearStands(); }

  static void load(std::initializer_list<const char*> ids) {
    double latitude = 51.0;
    for (const char* id : ids) {
      orv::gf_parkStands().emplace_back(id, std::vector<orv::StandSchedule>{}, latitude, -0.5, 0.0, 20.0,
                                        false, false, false);
      latitude += 0.001;
    }
    orv::gf_numberStands(orv::gf_parkStands());
    orv::gf_publishStands();
  }
};

TEST_F(ParkStands, NamesAStandByItsNumberInLoadOrder) {
  load({"B2", "A1", "C3"});
  EXPECT_EQ(orv::gf_parkStands()[0].number, 1U);
  EXPECT_EQ(orv::gf_parkStands()[2].number, 3U);
  EXPECT_EQ(orv::gf_standName(1), "B2");
  EXPECT_EQ(orv::gf_standName(3), "C3");
  EXPECT_EQ(orv::gf_standName(0), "");
  EXPECT_EQ(orv::gf_standName(4), "");
}

TEST_F(ParkStands, ASnapshotTakenStaysWholeWhileTheStandsChange) {
  load({"A1", "A2"});
  const auto snapshot = orv::gf_standSnapshot();
  orv::gf_clearStands();
  EXPECT_TRUE(orv::gf_parkStands().empty());
  EXPECT_TRUE(orv::gf_standSnapshot()->empty());
  EXPECT_EQ(orv::gf_standName(1), "");
  ASSERT_EQ(snapshot->size(), 2U);
  EXPECT_EQ((*snapshot)[1].id, "A2");
  EXPECT_EQ((*snapshot)[1].number, 2U);
  EXPECT_DOUBLE_EQ((*snapshot)[1].position.latitude, 51.001);
  EXPECT_DOUBLE_EQ((*snapshot)[1].position.longitude, -0.5);
}

TEST_F(ParkStands, AnotherThreadReadsWhileTheOwnerPublishes) {
  std::atomic<bool> done{false};
  std::atomic<int> badReads{0};
  std::thread reader([&] {
    while (!done.load()) {
      const auto snapshot = orv::gf_standSnapshot();
      if (!snapshot->empty() && snapshot->size() != 2 && snapshot->size() != 3) ++badReads;
      (void)orv::gf_standName(2);
    }
  });
  for (int i = 0; i < 200; ++i) {
    orv::gf_clearStands();
    if (i % 2 == 0)
      load({"A1", "A2"});
    else
      load({"A1", "A2", "A3"});
  }
  done = true;
  reader.join();
  EXPECT_EQ(badReads.load(), 0);
}

}  // namespace
