#include "traffic/stand_parking.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "airports/half_hours.h"
#include "airports/stand_schedules.h"
#include "airports/stand_store.h"
#include "airports/stands.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "refdata/dbase.h"
#include "simlink/user_aircraft.h"
#include "traffic/leg_math.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr double kFitToleranceNm = 0.0009719222462203025;  // 1.8 m
constexpr double kOneMetreNm = 0.0005399568034557236;
constexpr double kLearnedStandNm = 0.0458963282937365;  // 85 m
constexpr double kSamePositionDeg = 1e-8;

Position lf_standPosition(const Stand& stand) {
  return Position{stand.latitude, stand.longitude};
}

// A learned live parking of the aircraft at the stand: its callsign, or its airline and model.
bool lf_seenParkingThere(const Stand& stand, const LiveAircraft& a) {
  return std::any_of(stand.schedules.begin(), stand.schedules.end(), [&a](const StandSchedule& s) {
    if (s.sequence < 1 || s.real != 1) return false;
    const bool callsign = !a.callsign.empty() && (s.callsign == a.callsign || s.secondCallsign == a.callsign);
    return callsign || (s.airline == a.airline && s.model == a.model);
  });
}

// The window shows the count of learned changes.
void lf_learnedOneMore(TrafficRun& run) {
  const std::int64_t before = gf_learnedParkingCount();
  if (gf_countLearnedParking() != before) run.window.repaint(WindowBand::Statistics);
}

}  // namespace

bool gf_fitsStand(const AircraftHead& a, const Stand& stand) {
  return a.halfWingSpanNm - stand.radius <= kFitToleranceNm;
}

Stand* lf_searchStandNear(TrafficRun& run, Position position, const LiveAircraft& a, double radiusNm,
                          bool learned) {
  std::vector<Stand>& stands = gf_parkStands();
  Stand* best = nullptr;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (Stand& stand : stands) {
    if (stand.occupied) continue;
    const double d = gf_distanceNm(position, lf_standPosition(stand));
    if (d > radiusNm || (d > kNoFitStandNm && !gf_fitsStand(a, stand))) continue;
    if (d < bestDistance) {
      best = &stand;
      bestDistance = d;
    }
  }
  if (best == nullptr && learned) {
    for (Stand& stand : stands) {
      if (stand.occupied || !gf_fitsStand(a, stand)) continue;
      const double d = gf_distanceNm(position, lf_standPosition(stand));
      if (d <= kLearnedStandNm && d < bestDistance && lf_seenParkingThere(stand, a)) {
        best = &stand;
        bestDistance = d;
      }
    }
  }
  if (best == nullptr) return nullptr;
  if (best->heli != (a.modelClass == ModelClass::Rotorcraft)) return nullptr;
  if (!gf_fitsStand(a, *best)) {
    // A near stand that is too small is widened to what was seen parking there; the learned
    // file keeps the new radius.
    best->radius = a.halfWingSpanNm - kOneMetreNm;
    best->radiusChange = true;
    lf_learnedOneMore(run);
  }
  return best;
}

void lf_addRealStandOption(TrafficRun& run, std::uint32_t standId, LiveAircraft& a, StandOptionKind kind) {
  std::string registration = a.registration;
  if (!registration.empty() && registration.back() == '_') registration.pop_back();
  if (registration.empty()) return;
  const auto known = gf_findDbaseRecord(registration);
  if (!known) return;
  if (known->airline != 0) a.airline = known->airline;
  if (known->model != 0) a.model = known->model;
  Stand* stand = gf_standByNumber(standId);
  if (stand == nullptr) return;
  const bool cpl = kind == StandOptionKind::Departure || kind == StandOptionKind::FarFromStand;
  const WeekdayAndSlot now = gf_weekdayAndSlot();
  if (now.weekday < 1 || now.slot < 0) return;
  const auto day = static_cast<std::uint32_t>(now.weekday);
  const auto slot = static_cast<std::size_t>(now.slot);
  std::vector<StandSchedule>& schedules = stand->schedules;
  const auto matches = [&](const StandSchedule& s, std::uint32_t fromFile) {
    return s.sequence >= 1 && s.day == day && s.registration == registration && s.real == 1 &&
           s.fromFile == fromFile;
  };
  // A parking of the stand file that does not hold this half hour keeps what the file says.
  if (std::any_of(schedules.begin(), schedules.end(),
                  [&](const StandSchedule& s) { return matches(s, 1) && !s.hours.test(slot); }))
    return;
  const auto addNew = [&] {
    (void)gf_addStandSchedule(schedules, a.airline, a.model,
                              WeekdaySlot{day, static_cast<std::uint32_t>(slot)}, a.callsign, registration,
                              cpl ? 1 : 0);
  };
  const auto found =
      std::find_if(schedules.begin(), schedules.end(), [&](const StandSchedule& s) { return matches(s, 0); });
  if (found == schedules.end()) {
    addNew();
    return;
  }
  const std::uint32_t sequence = found->sequence;
  const auto markCpl = [&] {
    if (!cpl) return;
    for (StandSchedule& s : schedules)
      if (s.sequence == sequence) s.cpl = 1;
  };
  if (found->hours.test(slot)) {
    markCpl();
    return;
  }
  if (found->cpl != 0) {
    markCpl();
    addNew();
    return;
  }
  const HalfHourSet hours = found->hours;
  if (hours.none()) {
    markCpl();
    return;
  }
  int last = static_cast<int>(kHalfHoursPerDay) - 1;
  while (!hours.test(static_cast<std::size_t>(last))) --last;
  markCpl();
  if (lf_extendStandOption(now, *stand, sequence, WeekdayAndSlot{now.weekday, last}, a, registration, cpl))
    lf_learnedOneMore(run);
  else
    addNew();
}

bool lf_extendStandOption(WeekdayAndSlot now, Stand& stand, std::uint32_t sequence, WeekdayAndSlot last,
                          const LiveAircraft& a, const std::string& registration, bool cpl) {
  if (sequence == 0 || last == now) return true;
  const std::int32_t window = a.cargo ? 12 : a.modelClass == ModelClass::Heavy ? 8 : 6;
  const auto gap = static_cast<std::int32_t>(gf_halfHoursSince(now, last));
  if (gap < 1 || gap >= window) return false;
  std::vector<StandSchedule>& schedules = stand.schedules;
  const auto count = static_cast<std::uint32_t>(gap);
  const auto slot = static_cast<std::uint32_t>(now.slot);
  if (now.weekday == last.weekday) {
    std::vector<std::uint32_t> slots = gf_halfHourSlots(slot, count);
    if (updateOptions(schedules, slots, sequence)) gf_setScheduleCallsign(schedules, sequence, a.callsign);
    return true;
  }
  // Over midnight: the new day gets a parking of its own, and the slots are shared out.
  const auto added = gf_addStandSchedule(schedules, a.airline, a.model,
                                         WeekdaySlot{static_cast<std::uint32_t>(now.weekday), slot},
                                         a.callsign, registration, cpl ? 1 : 0);
  if (!added) return false;
  std::vector<std::uint32_t> slots;
  gf_appendSlotsBackwards(slots, count, slot);
  (void)updateOptionsWrapped(schedules, slots, sequence, *added);
  gf_setScheduleCallsign(schedules, sequence, a.callsign);
  gf_setScheduleCallsign(schedules, *added, a.callsign);
  return true;
}

std::int64_t gf_secondsParked(const LiveAircraft& a) {
  return std::chrono::duration_cast<std::chrono::seconds>(os::clock().now() - a.parkedTickTime).count();
}

std::vector<std::pair<std::uint32_t, std::int64_t>> lf_parkedDurations(const TrafficRun& run) {
  std::vector<std::pair<std::uint32_t, std::int64_t>> parked;
  for (const LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active && a.phase == FlightPhase::Parked)
      parked.emplace_back(a.key, gf_secondsParked(a));
  std::stable_sort(parked.begin(), parked.end(),
                   [](const auto& x, const auto& y) { return x.second > y.second; });
  return parked;
}

void gf_checkMaxParked(TrafficRun& run, int aboutToPark) {
  lf_checkMaxParked(run, aboutToPark, gf_wantedParkedCount(run));
}

void lf_checkMaxParked(TrafficRun& run, int aboutToPark, std::int64_t limit) {
  if (limit < 1) return;
  const std::int64_t parked = gf_parkedLiveCount(run);
  if (!cfg::INITIAL_LOAD_ONLY.value() && aboutToPark + parked > limit) {
    const auto durations = lf_parkedDurations(run);
    if (!durations.empty()) {
      if (LiveAircraft* longest = run.traffic.liveByKey(durations.front().first)) {
        gf_logLine(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(longest->standId),
                               longest->callsign));
        removeAircraftFromSim(run, *longest);
      }
    }
  }
  std::vector<StaticAircraft>& statics = run.parking.statics;
  const auto present = std::count_if(statics.begin(), statics.end(), [](const StaticAircraft& s) {
    return s.state == SimState::Active || s.state == SimState::RemovingFromSim;
  });
  if (present + aboutToPark + parked <= limit || statics.empty()) return;
  // Counted back from now: the week's absolute times invert across its end.
  const WeekdayAndSlot now = gf_weekdayAndSlot();
  const auto earliest = std::max_element(statics.begin(), statics.end(), [now](const auto& x, const auto& y) {
    return gf_halfHoursSince(now, x.parkedSince) < gf_halfHoursSince(now, y.parkedSince);
  });
  if (earliest->state != SimState::Active) return;
  gf_logLine(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(earliest->standId),
                         earliest->callsign));
  removeAircraftFromSim(run, *earliest);
}

std::string NearestStandCache::find(double latitude, double longitude) {
  std::shared_ptr<const StandSnapshot> snapshot = gf_standSnapshot();
  std::scoped_lock lock(mutex_);
  if (snapshot == snapshot_ && std::abs(latitude - latitude_) < kSamePositionDeg &&
      std::abs(gf_longitudeDelta(longitude_, longitude)) < kSamePositionDeg)
    return answer_;
  const Position at{latitude, longitude};
  const StandSpot* nearest = nullptr;
  double nearestDistance = kStandSearchNm;
  for (const StandSpot& spot : *snapshot) {
    const double d = gf_distanceNm(at, spot.position);
    // The earlier stand of the list keeps a tie.
    if (d < nearestDistance || (nearest == nullptr && d == nearestDistance)) {
      nearest = &spot;
      nearestDistance = d;
    }
  }
  snapshot_ = std::move(snapshot);
  latitude_ = latitude;
  longitude_ = longitude;
  answer_ = nearest == nullptr ? std::string() : nearest->id;
  return answer_;
}

std::string gf_nearestStandName(NearestStandCache& cache, double latitude, double longitude) {
  return cache.find(latitude, longitude);
}

bool gf_standKeptForUser(TrafficRun& run, const Stand& stand) {
  if (stand.reservedForUser) return true;
  const std::string reserved = reservedStandName(run.park);
  if (!reserved.empty() && reserved == stand.id) return true;
  const std::string userStand = gf_userStandName(run);
  return !userStand.empty() && userStand == stand.id;
}

std::string gf_userStandName(TrafficRun& run) {
  if (!gf_userAircraftOnGround()) return {};
  const UserAcPosition user = gf_userAcBlock().position;
  return gf_nearestStandName(*run.nearestStand, user.latitude, user.longitude);
}

}  // namespace orv
