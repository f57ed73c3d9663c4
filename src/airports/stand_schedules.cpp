#include "airports/stand_schedules.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <string>

#include "foundation/log.h"
#include "refdata/dbase.h"

namespace orv {
namespace {

// Written by the start-up thread, read by the window painting.
std::atomic<std::int64_t> learnedParkings{0};

std::string_view lf_withoutTrailingUnderscore(std::string_view callsign) {
  if (!callsign.empty() && callsign.back() == '_') callsign.remove_suffix(1);
  return callsign;
}

StandSchedule* lf_findSchedule(std::vector<StandSchedule>& schedules, std::uint32_t sequence) {
  const auto found = std::find_if(schedules.begin(), schedules.end(),
                                  [sequence](const StandSchedule& s) { return s.sequence == sequence; });
  return found == schedules.end() ? nullptr : &*found;
}

void lf_takeBack(std::vector<std::uint32_t>& slots, StandSchedule& schedule) {
  const std::uint32_t slot = slots.back();
  schedule.hours.set(slot);  // throws std::out_of_range before the slot leaves the list
  slots.pop_back();
}

}  // namespace

std::optional<std::uint32_t> gf_addStandSchedule(std::vector<StandSchedule>& schedules, AirlineId airline,
                                                 ModelId model, WeekdaySlot when, std::string_view callsign,
                                                 std::string_view registration, std::uint8_t cpl) {
  if (registration.empty()) return std::nullopt;
  HalfHourSet hours;
  hours.set(when.slot);
  if (const auto record = gf_findDbaseRecord(registration)) {
    airline = record->airline;
    model = record->model;
    if (!gf_airlineCode(record->operatorId).empty()) airline = record->operatorId;
  }
  const bool known = std::any_of(schedules.begin(), schedules.end(), [&](const StandSchedule& s) {
    return s.registration == registration && s.day == when.weekday && s.hours == hours;
  });
  if (known) return std::nullopt;

  StandSchedule schedule;
  schedule.airline = airline;
  schedule.model = model;
  schedule.registration = std::string(registration);
  schedule.callsign = std::string(lf_withoutTrailingUnderscore(callsign));
  schedule.hours = hours;
  schedule.sequence = static_cast<std::uint32_t>(schedules.size() + 1);
  schedule.day = when.weekday;
  schedule.fromFile = 0;
  schedule.real = 1;
  schedule.cpl = cpl;
  schedules.push_back(std::move(schedule));
  learnedParkings.fetch_add(1, std::memory_order_relaxed);
  return schedules.back().sequence;
}

void gf_setScheduleCallsign(std::vector<StandSchedule>& schedules, std::uint32_t sequence,
                            std::string_view callsign) {
  callsign = lf_withoutTrailingUnderscore(callsign);
  if (callsign.empty() || sequence == 0) return;
  StandSchedule* schedule = lf_findSchedule(schedules, sequence);
  if (schedule == nullptr) return;
  if (schedule->callsign.empty())
    schedule->callsign = std::string(callsign);
  else if (schedule->callsign != callsign && schedule->secondCallsign != callsign)
    schedule->secondCallsign = std::string(callsign);
}

bool updateOptions(std::vector<StandSchedule>& schedules, std::vector<std::uint32_t>& slots,
                   std::uint32_t sequence) {
  StandSchedule* schedule = lf_findSchedule(schedules, sequence);
  if (schedule == nullptr) return false;
  try {
    while (!slots.empty()) lf_takeBack(slots, *schedule);
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} exception:{}", "updateOptions", e.what()));
    return false;
  }
  return true;
}

bool updateOptionsWrapped(std::vector<StandSchedule>& schedules, std::vector<std::uint32_t>& slots,
                          std::uint32_t earlierSequence, std::uint32_t newSequence) {
  if (slots.empty()) return false;
  try {
    StandSchedule* earlier = lf_findSchedule(schedules, earlierSequence);
    if (earlier == nullptr) return false;
    if (slots.back() != 0) {
      while (!slots.empty()) {
        const bool last = slots.back() == kHalfHoursPerDay - 1;
        lf_takeBack(slots, *earlier);
        if (last) break;
      }
    }
    StandSchedule* later = lf_findSchedule(schedules, newSequence);
    if (later == nullptr) return false;
    // The front slot is the current one, already in the set.
    while (slots.size() >= 2) lf_takeBack(slots, *later);
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} exception:{}", "updateOptionsWrapped", e.what()));
    return false;
  }
  return true;
}

std::int64_t gf_learnedParkingCount() {
  return learnedParkings.load(std::memory_order_relaxed);
}

std::int64_t gf_countLearnedParking() {
  return learnedParkings.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace orv
