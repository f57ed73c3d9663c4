#pragma once

// The parkings that the live traffic observes at a stand: add one, extend its half hours, note a
// callsign. Start-up thread (the owner of the stands), except the count.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "airports/stand_records.h"

namespace orv {

struct WeekdaySlot {
  std::uint32_t weekday = 0;  // 1..7
  std::uint32_t slot = 0;     // 0..47
};

// Adds the parking unless the registration is empty or a schedule with the same registration,
// day and set exists; a database registration takes its own codes (its operator's airline when it
// has one). The sequence number of the new schedule. Throws std::out_of_range for a slot of 48 or
// more.
[[nodiscard]] std::optional<std::uint32_t> gf_addStandSchedule(std::vector<StandSchedule>& schedules,
                                                               AirlineId airline, ModelId model,
                                                               WeekdaySlot when, std::string_view callsign,
                                                               std::string_view registration,
                                                               std::uint8_t cpl);

// The first callsign, or a different later one as the second callsign (one trailing '_' cut).
void gf_setScheduleCallsign(std::vector<StandSchedule>& schedules, std::uint32_t sequence,
                            std::string_view callsign);

// Moves the slots from the back of the list into the schedule's set until the list is empty.
// False when no schedule has the sequence or a slot is 48 or more (logged).
[[nodiscard]] bool updateOptions(std::vector<StandSchedule>& schedules, std::vector<std::uint32_t>& slots,
                                 std::uint32_t sequence);

// The list runs back over midnight, its back the earliest slot: the earlier day's schedule takes
// slots up to 47, the new day's the rest but the front slot. False for an empty list, a missing
// schedule or a slot of 48 or more (logged).
[[nodiscard]] bool updateOptionsWrapped(std::vector<StandSchedule>& schedules,
                                        std::vector<std::uint32_t>& slots, std::uint32_t earlierSequence,
                                        std::uint32_t newSequence);

// The learned parkings added in this process; the main window shows it. Any thread.
[[nodiscard]] std::int64_t gf_learnedParkingCount();
// One more learned change that is no new schedule (a stand widened for an aircraft, a parking
// extended); the new count. Any thread.
std::int64_t gf_countLearnedParking();

}  // namespace orv
