#include "airports/stand_schedules.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "airports/half_hours.h"
#include "airports_fixture.h"
#include "refdata/codes.h"

namespace {

using airports_test::LoggedFolder;
using orv::StandSchedule;

class StandSchedules : public LoggedFolder {
 protected:
  std::vector<StandSchedule> schedules;
  const orv::AirlineId airline = orv::gf_airlineId("TSA");
  const orv::ModelId model = orv::gf_modelId("TB20");
};

TEST_F(StandSchedules, AddsAParkingOnceAndCountsIt) {
  const auto countBefore = orv::gf_learnedParkingCount();
  const auto first = orv::gf_addStandSchedule(schedules, airline, model, {3, 20}, "ABC12_", "ZZ-SCA", 1);
  ASSERT_EQ(first, 1U);
  const StandSchedule& added = schedules.front();
  EXPECT_EQ(added.callsign, "ABC12");
  EXPECT_EQ(added.registration, "ZZ-SCA");
  EXPECT_EQ(added.airline, airline);
  EXPECT_EQ(added.model, model);
  EXPECT_EQ(added.day, 3U);
  EXPECT_TRUE(added.hours.test(20));
  EXPECT_EQ(added.hours.count(), 1U);
  EXPECT_EQ(added.real, 1U);
  EXPECT_EQ(added.fromFile, 0U);
  EXPECT_EQ(added.cpl, 1U);
  EXPECT_EQ(orv::gf_learnedParkingCount(), countBefore + 1);

  EXPECT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {3, 20}, "ABC12", "ZZ-SCA", 0), std::nullopt);
  EXPECT_EQ(orv::gf_learnedParkingCount(), countBefore + 1);
  EXPECT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {3, 21}, "ABC12", "ZZ-SCA", 0), 2U);
  EXPECT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {4, 20}, "ABC12", "ZZ-SCA", 0), 3U);
  EXPECT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {4, 20}, "ABC12", "", 0), std::nullopt);
  EXPECT_EQ(schedules.size(), 3U);
  EXPECT_EQ(orv::gf_learnedParkingCount(), countBefore + 3);
}

TEST_F(StandSchedules, ASlotBeyondTheDayIsTheCallersError) {
  EXPECT_THROW((void)orv::gf_addStandSchedule(schedules, airline, model, {3, 48}, "ABC12", "ZZ-SCA", 0),
               std::out_of_range);
  EXPECT_TRUE(schedules.empty());
}

TEST_F(StandSchedules, KeepsTheFirstCallsignAndOneLaterOne) {
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {1, 5}, "", "ZZ-SCB", 0), 1U);
  orv::gf_setScheduleCallsign(schedules, 1, "ABC12_");
  EXPECT_EQ(schedules[0].callsign, "ABC12");
  orv::gf_setScheduleCallsign(schedules, 1, "ABC12");
  EXPECT_EQ(schedules[0].secondCallsign, "");
  orv::gf_setScheduleCallsign(schedules, 1, "XYZ3");
  EXPECT_EQ(schedules[0].secondCallsign, "XYZ3");
  orv::gf_setScheduleCallsign(schedules, 1, "QRS4");
  EXPECT_EQ(schedules[0].secondCallsign, "QRS4");
  orv::gf_setScheduleCallsign(schedules, 2, "OTHER");
  orv::gf_setScheduleCallsign(schedules, 1, "_");
  EXPECT_EQ(schedules[0].callsign, "ABC12");
  EXPECT_EQ(schedules[0].secondCallsign, "QRS4");
}

TEST_F(StandSchedules, ExtendsTheHalfHoursOfAParking) {
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {2, 10}, "ABC1", "ZZ-SCC", 0), 1U);
  std::vector<std::uint32_t> list = orv::gf_halfHourSlots(10, 3);
  EXPECT_FALSE(orv::updateOptions(schedules, list, 2));
  EXPECT_EQ(list.size(), 3U);
  EXPECT_TRUE(orv::updateOptions(schedules, list, 1));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(schedules[0].hours.to_ullong(), 0b111ULL << 8);

  std::vector<std::uint32_t> faulty{48, 11};
  EXPECT_FALSE(orv::updateOptions(schedules, faulty, 1));
  EXPECT_TRUE(schedules[0].hours.test(11));
  EXPECT_EQ(loggedStarting("==> updateOptions exception:"), 1U);
}

TEST_F(StandSchedules, SplitsAParkingOverMidnight) {
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {2, 46}, "ABC1", "ZZ-SCD", 0), 1U);
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {3, 1}, "ABC1", "ZZ-SCD", 0), 2U);
  std::vector<std::uint32_t> list{1, 0, 47};
  EXPECT_TRUE(orv::updateOptionsWrapped(schedules, list, 1, 2));
  EXPECT_EQ(list, std::vector<std::uint32_t>{1});
  EXPECT_EQ(orv::gf_bitsetToHours(schedules[0].hours), "46,47");
  EXPECT_EQ(orv::gf_bitsetToHours(schedules[1].hours), "0,1");

  std::vector<std::uint32_t> empty;
  EXPECT_FALSE(orv::updateOptionsWrapped(schedules, empty, 1, 2));
  std::vector<std::uint32_t> missing{2, 1};
  EXPECT_FALSE(orv::updateOptionsWrapped(schedules, missing, 7, 2));
  std::vector<std::uint32_t> missingNew{3, 2};
  EXPECT_FALSE(orv::updateOptionsWrapped(schedules, missingNew, 1, 9));
  std::vector<std::uint32_t> faulty{3, 50};
  EXPECT_FALSE(orv::updateOptionsWrapped(schedules, faulty, 1, 2));
  EXPECT_EQ(loggedStarting("==> updateOptionsWrapped exception:"), 1U);
}

TEST_F(StandSchedules, AListStartingAtMidnightGoesToTheNewDayAlone) {
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {2, 40}, "ABC1", "ZZ-SCE", 0), 1U);
  ASSERT_EQ(orv::gf_addStandSchedule(schedules, airline, model, {3, 2}, "ABC1", "ZZ-SCE", 0), 2U);
  std::vector<std::uint32_t> list{2, 1, 0};
  EXPECT_TRUE(orv::updateOptionsWrapped(schedules, list, 1, 2));
  EXPECT_EQ(orv::gf_bitsetToHours(schedules[0].hours), "40");
  EXPECT_EQ(orv::gf_bitsetToHours(schedules[1].hours), "0,1,2");
  EXPECT_EQ(list, std::vector<std::uint32_t>{2});
}

}  // namespace
