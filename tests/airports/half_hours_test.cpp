#include "airports/half_hours.h"

#include <gtest/gtest.h>

#include "airports_fixture.h"

namespace {

using airports_test::LoggedFolder;
using orv::HalfHourSet;

HalfHourSet slots(std::initializer_list<std::size_t> list) {
  HalfHourSet set;
  for (std::size_t slot : list) set.set(slot);
  return set;
}

class HalfHourTexts : public LoggedFolder {};

TEST_F(HalfHourTexts, ReadsRangesAndListsWithTheirWarnings) {
  struct Case {
    std::string text;
    HalfHourSet expected;
    std::vector<std::string> warnings;
  };
  const std::vector<Case> cases = {
      {"5:9", slots({5, 6, 7, 8, 9}), {}},
      {" 7 : 7 ", slots({7}), {}},
      {"9:5", {}, {"==> gf_hours2bitset descending range not allowed (9:5 in 9:5)"}},
      {"1:2:3", {}, {"==> gf_hours2bitset more than one colon char in: 1:2:3"}},
      {"3,7, 40", slots({3, 7, 40}), {}},
      {"3,x,7", slots({3, 7}), {"==> operator () invalid hour 'x' in 3,x,7"}},
      {"48", {}, {"==> operator () invalid hour '48' in 48"}},
      {"-1", {}, {"==> operator () invalid hour '-1' in -1"}},
      {"99999999999999999999",
       {},
       {"==> operator () invalid hour '99999999999999999999' in 99999999999999999999"}},
      {"3:x", {}, {"==> operator () invalid hour 'x' in 3:x"}},
      {":", {}, {"==> operator () invalid hour '' in :", "==> operator () invalid hour '' in :"}},
      {"0,47", slots({0, 47}), {}},
  };
  for (const Case& c : cases) {
    const auto before = log().size();
    EXPECT_EQ(orv::gf_hours2bitset(c.text), c.expected) << c.text;
    const auto lines = log();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
              c.warnings)
        << c.text;
  }
}

TEST_F(HalfHourTexts, ParsesTheNumberAtTheStartOfAToken) {
  EXPECT_EQ(orv::lf_parseHalfHour(" 12 ", "12"), 12U);
  EXPECT_EQ(orv::lf_parseHalfHour("47", "47"), 47U);
  EXPECT_EQ(orv::lf_parseHalfHour("", "x"), std::nullopt);
}

TEST(HalfHourWriting, WritesRangesAndSetsWithGapsSoThatTheyReadBack) {
  struct Case {
    HalfHourSet set;
    std::optional<std::string> text;
  };
  const std::vector<Case> cases = {
      {{}, std::nullopt},
      {slots({7}), "7"},
      {slots({3, 4, 5}), "3:5"},
      {slots({3, 5}), "3,5"},
      {slots({3, 7, 40}), "3,7,40"},
      {slots({0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
              16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
              32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47}),
       "0:47"},
  };
  for (const Case& c : cases) {
    const auto text = orv::lf_rangeText(c.set);
    EXPECT_EQ(text, c.text) << c.set;
    if (text) {
      EXPECT_EQ(orv::gf_hours2bitset(*text), c.set) << *text;
    }
  }
}

TEST(HalfHourWriting, ListsEverySlotForTheLog) {
  EXPECT_EQ(orv::gf_bitsetToHours({}), std::nullopt);
  EXPECT_EQ(orv::gf_bitsetToHours(slots({3, 4, 5})), "3,4,5");
}

TEST(HalfHourSlots, RunBackwardsOverMidnight) {
  EXPECT_EQ(orv::gf_halfHourSlots(1, 4), (std::vector<std::uint32_t>{1, 0, 47, 46}));
  EXPECT_EQ(orv::gf_halfHourSlots(20, 0), std::vector<std::uint32_t>{});
  std::vector<std::uint32_t> list{9};
  orv::gf_appendSlotsBackwards(list, 2, 0);
  EXPECT_EQ(list, (std::vector<std::uint32_t>{9, 0, 47}));
}

}  // namespace
