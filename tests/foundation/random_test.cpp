#include "foundation/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <thread>

#include "support/foundation_state.h"

namespace {

std::vector<std::uint16_t> ids(std::size_t n) {
  std::vector<std::uint16_t> list(n);
  std::iota(list.begin(), list.end(), std::uint16_t{100});
  return list;
}

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using Random = testing_support::FreshFoundationTest;

TEST_F(Random, OffMeansTheFirstCandidateAndTheStoredOrder) {
  orv::gf_setRandomOption([] { return false; });
  auto list = ids(8);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(orv::gf_randomIndex(5), 0u);
    orv::gf_shuffleIfRandom(list);
  }
  EXPECT_EQ(list, ids(8));
}

TEST_F(Random, OnDrawsEveryIndexAndShufflesIntoPermutations) {
  orv::gf_setRandomOption([] { return true; });
  std::set<std::size_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::size_t index = orv::gf_randomIndex(7);
    ASSERT_LT(index, 7u);
    seen.insert(index);
  }
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(orv::gf_randomIndex(1), 0u);
  EXPECT_EQ(orv::gf_randomIndex(0), 0u);

  auto list = ids(10);
  bool moved = false;
  for (int i = 0; i < 20; ++i) {
    orv::gf_shuffleIfRandom(list);
    auto sorted = list;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, ids(10));
    moved = moved || list != ids(10);
  }
  EXPECT_TRUE(moved);
}

TEST_F(Random, TheOptionCountsAsOnUntilTheSettingsAreLinked) {
  std::set<std::size_t> seen;
  for (int i = 0; i < 500; ++i) seen.insert(orv::gf_randomIndex(4));
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(Random, VariationGoesEitherWayWhateverTheOption) {
  orv::gf_setRandomOption([] { return false; });
  std::set<double> seen;
  for (int i = 0; i < 200; ++i) seen.insert(orv::gf_randomVariation(100.0, 10.0));
  EXPECT_EQ(seen, (std::set<double>{90.0, 110.0}));
  EXPECT_EQ(orv::gf_randomVariation(100.0, 0.0), 100.0);
  EXPECT_EQ(orv::gf_randomVariation(100.0, -5.0), 100.0);
}

TEST_F(Random, EachThreadHasAnEngineOfItsOwn) {
  const std::mt19937* mainEngine = &orv::gf_randomEngine();
  const std::mt19937* otherEngine = nullptr;
  std::thread([&] { otherEngine = &orv::gf_randomEngine(); }).join();
  EXPECT_NE(mainEngine, otherEngine);
  EXPECT_EQ(mainEngine, &orv::gf_randomEngine());
}

}  // namespace
