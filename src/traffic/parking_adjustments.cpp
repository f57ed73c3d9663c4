#include "traffic/parking_adjustments.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <unordered_set>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "traffic/aircraft_text.h"
#include "traffic/removal.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kLongestLookBack = 47;
constexpr std::int64_t kParkedMinutes = 90;
constexpr std::int64_t kHeavyParkedMinutes = 180;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// How far back the last fit passes had to look, in half hours.
std::int32_t lf_lookBack(const StaticParking& parking) {
  return std::min(std::max(parking.realStep, parking.softStep), kLongestLookBack);
}

PresentStatic lf_presentRecord(const StaticAircraft& s) {
  return PresentStatic{.displayedCallsign = s.callsign,
                       .learnedCallsign = s.flightCallsign,
                       .secondCallsign = s.extraText,
                       .registration = s.registration,
                       .airline = s.airline,
                       .model = s.model,
                       .parkedSince = s.parkedSince,
                       .standId = s.standId,
                       .replace = false};
}

std::size_t lf_firstWantedAt(const std::vector<WantedStatic>& wanted, std::uint32_t standId) {
  for (std::size_t i = 0; i < wanted.size(); ++i)
    if (wanted[i].standId >= 1 && static_cast<std::uint32_t>(wanted[i].standId) == standId) return i;
  return kNone;
}

// The entry wants the very aircraft that stands there, showing the callsign it shows.
bool lf_wantsThisAircraft(const WantedStatic& entry, const StaticAircraft& s) {
  if (entry.airline != s.airline || entry.model != s.model) return false;
  return (!entry.callsign.empty() && gf_staticCallsign(entry.callsign) == s.callsign) ||
         (!entry.secondCallsign.empty() && gf_staticCallsign(entry.secondCallsign) == s.callsign);
}

// The aircraft stays when it has stood at least as long as the wanted one would have; the entry
// then goes. Compared as ages from now, so that the turn of the week does not make an older
// parking look newer.
void lf_keepOrRemoveStatic(TrafficRun& run, const StaticAircraft& s, std::size_t entryIndex,
                           WeekdayAndSlot now) {
  StaticParking& parking = run.parking;
  const std::uint32_t entryAge = parking.wanted[entryIndex].offset;
  const std::uint32_t aircraftAge = gf_halfHoursSince(now, s.parkedSince);
  if (entryAge >= aircraftAge) {
    parking.present.push_back(lf_presentRecord(s));
    parking.wanted.erase(parking.wanted.begin() + static_cast<std::ptrdiff_t>(entryIndex));
  } else {
    parking.removals.push_back({s.callsign, s.standId});
  }
}

// Shows its first callsign, and the learned parking of that callsign ends with this half hour.
bool lf_endsNow(const PresentStatic& p, WeekdayAndSlot now) {
  if (p.secondCallsign.empty() || p.learnedCallsign.empty() ||
      p.displayedCallsign.find(p.learnedCallsign) == std::string::npos)
    return false;
  const Stand* stand = gf_standByNumber(gf_parkStands(), p.standId);
  if (!stand) return false;
  std::string_view shown = p.displayedCallsign;
  if (shown.ends_with('*')) shown.remove_suffix(1);
  const auto today = static_cast<std::uint32_t>(now.weekday);
  // Every schedule counts, also one that the fit passes of this adjustment set to 0 as in use:
  // the aircraft's own parking is always in use, since the aircraft stands there.
  const auto sameAircraft = [&p](const StandSchedule& s) {
    return s.airline == p.airline && s.model == p.model;
  };
  const auto schedule = std::find_if(
      stand->schedules.begin(), stand->schedules.end(),
      [&](const StandSchedule& s) { return sameAircraft(s) && s.day == today && s.callsign == shown; });
  if (schedule == stand->schedules.end()) return false;
  const int next = now.slot + 1;
  if (next < kSlotsPerDay) return !schedule->hours.test(static_cast<std::size_t>(next));
  const auto nextDay = static_cast<std::uint32_t>(now.weekday >= 7 ? 1 : now.weekday + 1);
  return std::none_of(stand->schedules.begin(), stand->schedules.end(), [&](const StandSchedule& s) {
    return sameAircraft(s) && s.day == nextDay && s.hours.test(0);
  });
}

void lf_choosePresentStatic(TrafficRun& run, WeekdayAndSlot now) {
  StaticParking& parking = run.parking;
  std::vector<Stand>& stands = gf_parkStands();
  for (const StaticAircraft& s : parking.statics) {
    if (s.state != SimState::Active) continue;
    // Its learned callsign flies live now.
    if ((!s.flightCallsign.empty() && lf_isCollectedCallsign(parking, s.flightCallsign)) ||
        (!s.extraText.empty() && lf_isCollectedCallsign(parking, s.extraText))) {
      parking.removals.push_back({s.callsign, s.standId});
      continue;
    }
    if (const std::size_t here = lf_firstWantedAt(parking.wanted, s.standId); here != kNone) {
      if (lf_wantsThisAircraft(parking.wanted[here], s)) {
        parking.present.push_back(lf_presentRecord(s));
        parking.wanted.erase(parking.wanted.begin() + static_cast<std::ptrdiff_t>(here));
      } else {
        lf_keepOrRemoveStatic(run, s, here, now);
      }
      continue;
    }
    bool decided = false;
    if (const Stand* stand = gf_standByNumber(stands, s.standId)) {
      for (const std::uint32_t n : stand->neighbours) {
        if (n < 1) continue;
        const std::size_t next = lf_firstWantedAt(parking.wanted, n);
        const Stand* neighbour = gf_standByNumber(stands, n);
        if (next == kNone || !neighbour) continue;
        const double spans = gf_halfWingspan(parking.wanted[next].model) + s.halfWingSpanNm;
        if (spans > gf_distanceNm(s.position, {neighbour->latitude, neighbour->longitude})) {
          lf_keepOrRemoveStatic(run, s, next, now);
          decided = true;
          break;
        }
      }
    }
    if (decided) continue;
    if (lf_isStillScheduled(run, now, s.standId, s))
      parking.present.push_back(lf_presentRecord(s));
    else
      parking.removals.push_back({s.callsign, s.standId});
  }

  // Latest parked first, so that the one parked longest stands last.
  std::stable_sort(parking.present.begin(), parking.present.end(),
                   [now](const PresentStatic& a, const PresentStatic& b) {
                     return gf_halfHoursSince(now, a.parkedSince) < gf_halfHoursSince(now, b.parkedSince);
                   });
  for (PresentStatic& p : parking.present) p.replace = lf_endsNow(p, now);
  // The same aircraft comes back under its second callsign, parked since the same time.
  for (const PresentStatic& p : parking.present) {
    if (!p.replace) continue;
    parking.wanted.push_back(WantedStatic{.standId = static_cast<std::int32_t>(p.standId),
                                          .offset = gf_halfHoursSince(now, p.parkedSince),
                                          .airline = p.airline,
                                          .model = p.model,
                                          .callsign = p.learnedCallsign,
                                          .secondCallsign = p.secondCallsign,
                                          .registration = p.registration,
                                          .stays = false});
    parking.removals.push_back({p.displayedCallsign, p.standId});
  }
  std::erase_if(parking.present, [](const PresentStatic& p) { return p.replace; });
}

// More aircraft than wanted: wanted entries go first, then the static aircraft parked longest,
// then the live aircraft parked longest. None wanted means no static aircraft, not an empty
// airport: live traffic is then left where it parked.
void lf_trimToWanted(TrafficRun& run, std::int64_t wanted) {
  StaticParking& parking = run.parking;
  std::int64_t excess =
      std::ssize(parking.present) + std::ssize(parking.parkedLive) + std::ssize(parking.wanted) - wanted;
  for (; excess > 0; --excess) {
    if (!parking.wanted.empty()) {
      parking.wanted.pop_back();
    } else if (!parking.present.empty()) {
      const PresentStatic& p = parking.present.back();
      parking.removals.push_back({p.displayedCallsign, p.standId});
      parking.present.pop_back();
    } else if (wanted > 0 && !parking.parkedLive.empty()) {
      const std::uint32_t standId = parking.parkedLive.back().standId;
      for (LiveAircraft& a : run.traffic.liveList)
        if (a.phase == FlightPhase::Parked && a.standId == standId) {
          removeAircraftFromSim(run, a);
          break;
        }
      parking.parkedLive.pop_back();
    } else {
      break;
    }
  }
}

// The static aircraft of a removal entry: the one showing that callsign at that stand, else the
// first one active at that stand.
StaticAircraft* lf_staticOfRemoval(StaticParking& parking, const StaticRemoval& removal) {
  StaticAircraft* first = nullptr;
  for (StaticAircraft& s : parking.statics) {
    if (s.standId != removal.standId || s.state != SimState::Active) continue;
    if (s.callsign == removal.displayedCallsign) return &s;
    if (!first) first = &s;
  }
  return first;
}

}  // namespace

void gf_parkingAdjustments(TrafficRun& run) {
  gf_parkingAdjustments(run, lf_parkedDurations(run));
}

void gf_parkingAdjustments(TrafficRun& run, const ParkedDurations& durations) {
  const WeekdayAndSlot now = gf_logParkingDay();
  StaticParking& parking = run.parking;
  std::vector<Stand>& stands = gf_parkStands();
  lf_takeOverCallsigns(run);
  run.window.setFlag(WindowFlag::WeekPass, false);
  run.window.setFlag(WindowFlag::SoftPass, false);
  parking.removals.clear();
  parking.present.clear();
  parking.parkedLive.clear();
  parking.wanted.clear();
  for (Stand& stand : stands) {
    stand.chosen = false;
    stand.reservedForUser = false;
    stand.staticBlocked = false;
    // Schedules taken out as in use by the last computation are offered again.
    std::uint32_t sequence = 0;
    for (StandSchedule& schedule : stand.schedules) schedule.sequence = ++sequence;
  }

  lf_markDestinationStand(run);
  const std::int64_t wanted = gf_wantedParkedCount(run);
  lf_collectParkedLive(run, durations);
  if (wanted > 0 && std::ssize(parking.parkedLive) > wanted) {
    const std::int64_t excess = std::ssize(parking.parkedLive) - wanted;
    gf_setMessage(fmt::format("Parking adjustments: {} more live ac than wanted", excess), true);
    lf_removeParkedLive(run, excess, durations);
    parking.parkedLive.clear();
    lf_collectParkedLive(run, durations);
  }
  for (const ParkedLive& p : parking.parkedLive)
    if (Stand* stand = gf_standByNumber(stands, p.standId)) lf_markChosenStand(stands, *stand);

  const std::int64_t present = std::ssize(parking.parkedLive);
  if (wanted - std::ssize(parking.wanted) != present) lf_fillWantedStatic(run, wanted, present, now);
  lf_choosePresentStatic(run, now);
  lf_trimToWanted(run, wanted);

  // The placement takes from the end: the best fits first.
  std::stable_sort(parking.wanted.begin(), parking.wanted.end(),
                   [](const WantedStatic& a, const WantedStatic& b) { return a.offset > b.offset; });
  gf_setMessage(fmt::format("Parking adjustments: {} to be removed, {} to be added\n",
                            parking.removals.size(), parking.wanted.size()),
                true);
  for (const StaticRemoval& removal : parking.removals)
    if (StaticAircraft* s = lf_staticOfRemoval(parking, removal)) removeAircraftFromSim(run, *s);
  parking.removals.clear();
}

void lf_collectParkedLive(TrafficRun& run, const ParkedDurations& durations) {
  StaticParking& parking = run.parking;
  parking.parkedLive.clear();
  const bool initialLoadOnly = cfg::INITIAL_LOAD_ONLY.value();
  for (LiveAircraft& a : run.traffic.liveList) {
    if (a.phase != FlightPhase::Parked || a.state != SimState::Active) continue;
    if (a.flags.reportedAtStand) {
      parking.parkedLive.push_back({a.callsign, a.standId, 0});
      continue;
    }
    const auto found =
        std::find_if(durations.begin(), durations.end(), [&a](const auto& d) { return d.first == a.key; });
    const std::int64_t minutes = found == durations.end() ? 0 : found->second / 60;
    const std::int64_t limit = a.modelClass == ModelClass::Heavy ? kHeavyParkedMinutes : kParkedMinutes;
    if (initialLoadOnly || minutes <= limit)
      parking.parkedLive.push_back({a.callsign, a.standId, static_cast<std::int32_t>(minutes)});
    else
      removeAircraftFromSim(run, a);  // stood too long
  }
  std::stable_sort(parking.parkedLive.begin(), parking.parkedLive.end(),
                   [](const ParkedLive& x, const ParkedLive& y) { return x.minutes < y.minutes; });
}

void lf_removeParkedLive(TrafficRun& run, std::int64_t n, const ParkedDurations& durations) {
  if (n <= 0) return;
  auto& live = run.traffic.liveList;
  // Only those still parked: the collection may have removed some that stood too long.
  const auto stillParked = [&live](std::uint32_t key) {
    return std::any_of(live.begin(), live.end(), [key](const LiveAircraft& a) {
      return a.key == key && a.phase == FlightPhase::Parked && a.state == SimState::Active;
    });
  };
  std::unordered_set<std::uint32_t> keys;
  for (const auto& [key, seconds] : durations) {
    if (std::ssize(keys) >= n) break;
    if (stillParked(key)) keys.insert(key);
  }
  for (LiveAircraft& a : live) {
    if (!keys.contains(a.key)) continue;
    gf_logLine(fmt::format("live parked {} at {} removed", gf_aircraftText(a), gf_standName(a.standId)));
    removeAircraftFromSim(run, a);
  }
}

bool lf_isStillScheduled(const TrafficRun& run, WeekdayAndSlot now, std::uint32_t standId,
                         const StaticAircraft& aircraft) {
  if (standId < 1) return false;
  const Stand* stand = gf_standByNumber(gf_parkStands(), standId);
  if (!stand) return false;
  const std::int32_t lookBack = lf_lookBack(run.parking);
  const auto holds = [&](int day, int from, int to) {
    return std::any_of(stand->schedules.begin(), stand->schedules.end(), [&](const StandSchedule& s) {
      if (s.day != static_cast<std::uint32_t>(day) || s.registration != aircraft.registration ||
          s.airline != aircraft.airline || s.model != aircraft.model)
        return false;
      for (int slot = to; slot >= from; --slot)
        if (s.hours.test(static_cast<std::size_t>(slot))) return true;
      return false;
    });
  };
  if (holds(now.weekday, std::max(now.slot - lookBack, 0), now.slot)) return true;
  // The window reaches back over midnight into the day before.
  if (now.slot - lookBack < 0) {
    const int previousDay = now.weekday <= 1 ? 7 : now.weekday - 1;
    return holds(previousDay, kSlotsPerDay - (lookBack - now.slot), kSlotsPerDay - 1);
  }
  return false;
}

}  // namespace orv
