#include "traffic/static_parking.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <gsl/narrow>
#include <utility>

#include "airports/stand_store.h"
#include "airports/stands.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/plural.h"
#include "foundation/random.h"
#include "liveries/livery_matching.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_side.h"
#include "traffic/aircraft_text.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::uint32_t kLastStaticKey = 9999;

enum class ScheduleKind { Real, Soft };
enum class PassSpan { Day, Week };

std::string_view lf_weekdayName(int weekday) {
  static constexpr std::array<std::string_view, 7> kNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                             "Friday", "Saturday", "Sunday"};
  return weekday >= 1 && weekday <= 7 ? kNames[static_cast<std::size_t>(weekday - 1)] : "???";
}

int lf_nextWeekday(int weekday) {
  return weekday >= 7 ? 1 : weekday + 1;
}

// Empty texts name no aircraft: two schedules without a callsign are not the same aircraft.
bool lf_sameText(std::string_view a, std::string_view b) {
  return !a.empty() && a == b;
}

std::int64_t lf_chosenCount(const std::vector<Stand>& stands) {
  return std::count_if(stands.begin(), stands.end(), [](const Stand& s) { return s.chosen; });
}

StandSchedule* lf_scheduleBySequence(Stand& stand, std::uint32_t sequence) {
  for (StandSchedule& schedule : stand.schedules)
    if (schedule.sequence == sequence) return &schedule;
  return nullptr;
}

// --- the fit passes ---

// The first active static aircraft at each stand, by stand number.
std::vector<const StaticAircraft*> lf_activeStaticByStand(const StaticParking& parking,
                                                          std::size_t standCount) {
  std::vector<const StaticAircraft*> first(standCount + 1, nullptr);
  for (const StaticAircraft& s : parking.statics)
    if (s.state == SimState::Active && s.standId >= 1 && s.standId <= standCount && !first[s.standId])
      first[s.standId] = &s;
  return first;
}

bool lf_scheduleMatches(const StandSchedule& schedule, const Stand& stand, WeekdayAndSlot at,
                        ScheduleKind kind, PassSpan span,
                        const std::vector<const StaticAircraft*>& activeByStand) {
  if (schedule.sequence < 1) return false;
  if (span == PassSpan::Day && schedule.day != static_cast<std::uint32_t>(at.weekday)) return false;
  if (kind == ScheduleKind::Real ? schedule.real == 0 : schedule.real == 1) return false;
  if (!schedule.hours.test(static_cast<std::size_t>(at.slot))) return false;
  // A static aircraft on a neighbouring stand that this model would touch.
  const double span1 = gf_halfWingspan(schedule.model);
  for (const std::uint32_t n : stand.neighbours) {
    if (n < 1 || n >= activeByStand.size() || !activeByStand[n]) continue;
    const StaticAircraft& other = *activeByStand[n];
    if (gf_distanceNm({stand.latitude, stand.longitude}, other.position) < span1 + other.halfWingSpanNm)
      return false;
  }
  return true;
}

// The parking of the aircraft that stands here, showing its callsign; taken also when it did not
// match or was taken out as in use, since the aircraft is still there.
const StandSchedule* lf_standingSchedule(const TrafficRun& run, const Stand& stand) {
  for (const StaticAircraft& s : run.parking.statics) {
    if (s.standId != stand.number) continue;
    for (const StandSchedule& schedule : stand.schedules) {
      if (schedule.airline != s.airline || schedule.model != s.model) continue;
      if ((!schedule.callsign.empty() && gf_staticCallsign(schedule.callsign) == s.callsign) ||
          (!schedule.secondCallsign.empty() && gf_staticCallsign(schedule.secondCallsign) == s.callsign))
        return &schedule;
    }
  }
  return nullptr;
}

bool lf_namesSameAircraft(const WantedStatic& w, const StandSchedule& schedule) {
  return lf_sameText(w.callsign, schedule.callsign) || lf_sameText(w.callsign, schedule.secondCallsign) ||
         lf_sameText(w.registration, schedule.registration);
}

// The schedule's aircraft stands, is wanted elsewhere already, or flies live.
bool lf_inUse(const TrafficRun& run, const StandSchedule& schedule,
              const std::vector<WantedStatic>& candidates) {
  const StaticParking& parking = run.parking;
  const auto wantedHas = [&schedule](const std::vector<WantedStatic>& list) {
    return std::any_of(list.begin(), list.end(),
                       [&schedule](const WantedStatic& w) { return lf_namesSameAircraft(w, schedule); });
  };
  // The candidates of this step count as wanted: one aircraft is not wanted at two stands.
  if (wantedHas(parking.wanted) || wantedHas(candidates)) return true;
  if ((!schedule.callsign.empty() && lf_isCollectedCallsign(parking, schedule.callsign)) ||
      (!schedule.secondCallsign.empty() && lf_isCollectedCallsign(parking, schedule.secondCallsign)))
    return true;
  for (const StaticAircraft& s : parking.statics)
    if (lf_sameText(s.flightCallsign, schedule.callsign) ||
        lf_sameText(s.flightCallsign, schedule.secondCallsign) ||
        lf_sameText(s.registration, schedule.registration))
      return true;
  for (const ParkedLive& p : parking.parkedLive)
    if (lf_sameText(p.callsign, schedule.callsign) || lf_sameText(p.callsign, schedule.secondCallsign))
      return true;
  return false;
}

// Whether the aircraft is still at the stand in the next half hour, for the callsign it shows.
bool lf_stays(const Stand& stand, const StandSchedule& schedule, WeekdayAndSlot now) {
  if (schedule.secondCallsign.empty()) return true;
  const int next = now.slot + 1;
  if (next < kSlotsPerDay) return schedule.hours.test(static_cast<std::size_t>(next));
  const auto nextDay = static_cast<std::uint32_t>(lf_nextWeekday(now.weekday));
  return std::any_of(stand.schedules.begin(), stand.schedules.end(), [&](const StandSchedule& other) {
    return other.sequence >= 1 && other.airline == schedule.airline && other.model == schedule.model &&
           other.day == nextDay && other.hours.test(0);
  });
}

// One fit step: every free stand takes the first free aircraft of its learned parkings at the
// half hour `fitStep` half hours ago.
void lf_searchStands(TrafficRun& run, WeekdayAndSlot now, ScheduleKind kind, PassSpan span,
                     std::int32_t fitStep, std::vector<WantedStatic>& candidates) {
  std::vector<Stand>& stands = gf_parkStands();
  try {
    const WeekdayAndSlot at = gf_halfHoursBefore(now, static_cast<std::uint32_t>(fitStep));
    const bool helicopters = cfg::HELICOPTERS.value();
    const bool random = cfg::RANDOM.value();
    const auto activeByStand = lf_activeStaticByStand(run.parking, stands.size());
    std::vector<std::uint32_t> matches;
    for (Stand& stand : stands) {
      if (stand.chosen || stand.reservedForUser || stand.staticBlocked || (stand.heli && !helicopters))
        continue;
      matches.clear();
      for (const StandSchedule& schedule : stand.schedules)
        if (lf_scheduleMatches(schedule, stand, at, kind, span, activeByStand))
          matches.push_back(schedule.sequence);
      if (matches.empty()) continue;
      if (matches.size() >= 2 && random) {
        // With RANDOM on, an aircraft that stands here keeps its place at every step: its parking
        // goes first, and once it is in use the stand takes no other.
        if (const StandSchedule* standing = lf_standingSchedule(run, stand)) {
          if (standing->sequence < 1) continue;
          matches.front() = standing->sequence;
        } else {
          std::shuffle(matches.begin(), matches.end(), gf_randomEngine());
        }
      }
      StandSchedule* schedule = lf_scheduleBySequence(stand, matches.front());
      if (!schedule) continue;
      if (lf_inUse(run, *schedule, candidates)) {
        schedule->sequence = 0;  // not offered again in this computation
        continue;
      }
      candidates.push_back(WantedStatic{.standId = gsl::narrow<std::int32_t>(stand.number),
                                        .offset = static_cast<std::uint32_t>(fitStep),
                                        .airline = schedule->airline,
                                        .model = schedule->model,
                                        .callsign = schedule->callsign,
                                        .secondCallsign = schedule->secondCallsign,
                                        .registration = schedule->registration,
                                        .stays = lf_stays(stand, *schedule, now)});
      lf_markChosenStand(stands, stand);
    }
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands",
                           fmt::format("[{},{}]", now.weekday, now.slot), fitStep, e.what()));
  }
}

// Shuffled with RANDOM on, then the e last of them go.
void lf_shuffleWanted(std::vector<WantedStatic>& candidates, std::int64_t e) {
  if (cfg::RANDOM.value()) std::shuffle(candidates.begin(), candidates.end(), gf_randomEngine());
  if (std::cmp_greater_equal(candidates.size(), e))
    candidates.resize(candidates.size() - static_cast<std::size_t>(e));
}

std::string_view lf_modeText(ScheduleKind kind, PassSpan span) {
  if (span == PassSpan::Day) return kind == ScheduleKind::Real ? "real" : "soft";
  return kind == ScheduleKind::Real ? "week/real" : "week/soft";
}

// The steps of one pass until the chosen stands reach the wanted count; true when it ran out of
// steps first. The last step's candidates stay in `last` when it did not.
bool lf_fillParkingPass(TrafficRun& run, std::int64_t wanted, ScheduleKind kind, PassSpan span,
                        WeekdayAndSlot now, std::vector<WantedStatic>& last) {
  std::vector<Stand>& stands = gf_parkStands();
  StaticParking& parking = run.parking;
  const std::int64_t chosenBefore = lf_chosenCount(stands);
  const std::int32_t maxFit = cfg::MAX_FIT.value();
  std::int32_t step = 0;
  bool ranOut = true;
  for (; step <= maxFit; ++step) {
    last.clear();
    lf_searchStands(run, now, kind, span, step, last);
    if (lf_chosenCount(stands) >= wanted) {
      ranOut = false;
      break;
    }
    parking.wanted.insert(parking.wanted.end(), last.begin(), last.end());
    last.clear();
  }
  if (kind == ScheduleKind::Real) {
    parking.realStep = step;
    parking.softStep = -1;
  } else {
    parking.softStep = step;
  }
  const std::int64_t found = lf_chosenCount(stands) - chosenBefore;
  if (found > 0) {
    gf_logLine(fmt::format("{} {} position{} found, Max fit={:.1F} hours{}{}", found, lf_modeText(kind, span),
                           gf_plural(found), cfg::MAX_FIT_FL.value(), fmt::format(", day {}", now.weekday),
                           fmt::format(", hh:{} or {:.1F} hrs, fit: {:.1F} hour", now.slot,
                                       gf_stepValue(now.slot), gf_stepValue(step))));
    run.window.setFlag(WindowFlag::SoftPass, kind == ScheduleKind::Soft);
    run.window.setFlag(WindowFlag::WeekPass, span == PassSpan::Week);
  }
  return ranOut;
}

void lf_parkingPass(TrafficRun& run, std::int64_t wanted, std::int64_t present, ScheduleKind kind,
                    PassSpan span, WeekdayAndSlot now) {
  if (wanted <= 0) return;
  std::vector<WantedStatic> last;
  if (lf_fillParkingPass(run, wanted, kind, span, now, last)) return;
  std::vector<WantedStatic>& list = run.parking.wanted;
  std::int64_t e = std::ssize(list) + present - wanted;
  if (e >= 1 && !last.empty()) lf_shuffleWanted(last, e);
  list.insert(list.end(), last.begin(), last.end());
  e = std::ssize(list) + present - wanted;
  if (e >= 1 && std::ssize(list) >= e) list.resize(list.size() - static_cast<std::size_t>(e));
}

// --- placing ---

void lf_event(TrafficRun& run, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t value) {
  run.sim.queueEvent(SimEvent{objectId, eventId, value});
}

// Flaps and throttle at index 0, engines off, the lights of a parked aircraft.
void lf_parkedLook(TrafficRun& run, StaticAircraft& s) {
  const std::uint32_t id = s.objectId;
  if (s.lastFlaps != 0 && s.modelClass != ModelClass::Rotorcraft) lf_event(run, id, simid::kFlapsSet, 0);
  s.lastFlaps = 0;
  if (s.lastThrottle != 0) lf_event(run, id, simid::kThrottleSet, 0);
  s.lastThrottle = 0;
  lf_event(run, id, simid::kEngineAutoShutdown, 0);
  gf_setParkedLights(run, id, s.standCargo);
}

bool lf_keyHeld(const TrafficRun& run, std::uint32_t key) {
  const auto& statics = run.parking.statics;
  if (std::any_of(statics.begin(), statics.end(), [key](const StaticAircraft& s) { return s.key == key; }))
    return true;
  const auto& created = run.traffic.created;
  return std::any_of(created.begin(), created.end(), [key](const CreatedEntry& e) {
    return e.message.kind == SimMessageKind::StaticCreated && e.message.key == key;
  });
}

// The next static key after the counter, 1 to 9999, none held by another static aircraft; 0 when
// every key is held.
std::uint32_t lf_nextStaticKey(TrafficRun& run) {
  std::uint32_t key = run.parking.keyCounter;
  for (std::uint32_t tries = 0; tries < kLastStaticKey; ++tries) {
    key = key >= kLastStaticKey ? 1 : key + 1;
    if (!lf_keyHeld(run, key)) {
      run.parking.keyCounter = key;
      return key;
    }
  }
  return 0;
}

StaticAircraft& lf_makeStaticParkedAc(StaticParking& parking, const AircraftHead& head, const Stand& stand) {
  return parking.statics.emplace_back(head, stand.number, Position{stand.latitude, stand.longitude},
                                      stand.heading, stand.cargo);
}

// The callsign of a new static aircraft: the one it shows now, or its airline with the key.
std::string lf_callsignFor(const WantedStatic& entry, std::uint32_t key) {
  if (entry.callsign.empty()) return fmt::format("{}{}{}", gf_airlineCode(entry.airline), key, '*');
  const std::string& first = entry.stays ? entry.callsign : entry.secondCallsign;
  const std::string& other = entry.stays ? entry.secondCallsign : entry.callsign;
  return gf_staticCallsign(first.empty() ? other : first);
}

// The aircraft that stands on the stand or next to it; none when the stand is free.
bool lf_standConflict(const TrafficRun& run, const Stand& stand, const WantedStatic& entry) {
  const auto adjacent = [&stand](std::uint32_t id) {
    return std::find(stand.neighbours.begin(), stand.neighbours.end(), id) != stand.neighbours.end();
  };
  const std::string here = gf_standName(stand.number);
  for (const LiveAircraft& a : run.traffic.liveList) {
    if (a.phase != FlightPhase::Parking && a.phase != FlightPhase::Parked) continue;
    if (a.standId == stand.number) {
      gf_logLine(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", here,
                             entry.callsign, a.callsign));
      return true;
    }
    if (a.standId >= 1 && adjacent(a.standId)) {
      gf_logLine(fmt::format(
          "{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding", here,
          entry.callsign, a.callsign, gf_standName(a.standId)));
      return true;
    }
  }
  for (const StaticAircraft& s : run.parking.statics) {
    // One on its way out makes room for its replacement.
    if (s.state == SimState::RemovingFromSim || s.drop) continue;
    if (s.standId == stand.number || (s.standId >= 1 && adjacent(s.standId))) {
      gf_logLine(fmt::format(
          "{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding", here,
          entry.callsign, s.callsign, gf_standName(s.standId)));
      return true;
    }
  }
  return false;
}

void lf_sortByOffset(std::vector<WantedStatic>& wanted, bool largestFirst) {
  std::stable_sort(wanted.begin(), wanted.end(),
                   [largestFirst](const WantedStatic& a, const WantedStatic& b) {
                     return largestFirst ? a.offset > b.offset : a.offset < b.offset;
                   });
}

}  // namespace

StaticAircraft::StaticAircraft(const AircraftHead& head, std::uint32_t stand, Position standPosition,
                               double standHeadingRad, bool cargoStand)
    : AircraftHead(head),
      position(standPosition),
      headingRad(standHeadingRad),
      standId(stand),
      standCargo(cargoStand) {}

// --- the static aircraft ---

StaticAircraft* gf_findStaticByKey(std::vector<StaticAircraft>& statics, std::uint32_t key) {
  for (StaticAircraft& s : statics)
    if (s.key == key) return &s;
  return nullptr;
}

void detcs(TrafficRun& run) {
  StaticParking& parking = run.parking;
  std::vector<Stand>& stands = gf_parkStands();
  if (parking.wanted.empty() || stands.empty()) return;
  const WantedStatic entry = std::move(parking.wanted.back());
  parking.wanted.pop_back();

  const Stand* stand =
      entry.standId >= 1 ? gf_standByNumber(stands, static_cast<std::uint32_t>(entry.standId)) : nullptr;
  if (!stand) {
    gf_logImportant(fmt::format("stand with id {} not found", entry.standId));
    return;
  }
  if (lf_standConflict(run, *stand, entry)) return;

  const std::uint32_t key = lf_nextStaticKey(run);
  if (key == 0) return;
  TrafficRecord record;
  record.airline = entry.airline;
  record.model = entry.model;
  record.callsign = lf_callsignFor(entry, key);
  record.flightCallsign = entry.callsign;
  record.extraText = entry.secondCallsign;
  record.registration = entry.registration;
  AircraftHead head = gf_makeAircraftHead(record, AircraftKind::Static);
  head.key = key;
  StaticAircraft& s = lf_makeStaticParkedAc(parking, head, *stand);

  const std::string standText = gf_standName(stand->number);
  if (!gf_matchLiveryStatic(s, gf_aircraftText3(s), standText, stand->cargo, run.traffic.liverySources)) {
    parking.statics.pop_back();
    return;
  }
  const WeekdayAndSlot now = gf_weekdayAndSlot();
  s.parkedSince = gf_halfHoursBefore(now, entry.offset);
  s.state = SimState::Adding2Sim;
  SimCreateRequest request;
  request.initPosition.Latitude = s.position.latitude;
  request.initPosition.Longitude = s.position.longitude;
  // On the ground at the airport's elevation: the simulator puts it on the stand's surface.
  request.initPosition.Altitude = static_cast<double>(run.park.info.altitude);
  request.initPosition.Heading = s.headingRad * kRadToDeg;
  request.initPosition.OnGround = 1;
  request.initPosition.Airspeed = 0;
  request.callsign = s.callsign;
  request.liveryTitle = s.liveryTitle;
  request.key = s.key;
  run.traffic.staticCreations.push_back(std::move(request));
}

bool staticWorkPending(const TrafficRun& run) {
  return !run.parking.wanted.empty();
}

bool staticCreated(TrafficRun& run, std::uint32_t key, std::uint32_t objectId) {
  if (gf_findStaticByKey(run.parking.statics, key)) return true;
  if (objectId != 0) run.traffic.removalIds.push_back(objectId);
  return false;
}

void activateStatic(TrafficRun& run, std::uint32_t key, std::uint32_t objectId) {
  StaticAircraft* s = gf_findStaticByKey(run.parking.statics, key);
  if (!s) {
    // Gone while it settled: nothing else would remove its object.
    if (objectId != 0) run.traffic.removalIds.push_back(objectId);
    return;
  }
  s->state = SimState::Active;
  s->objectId = objectId;
  lf_parkedLook(run, *s);
  gf_logLine(fmt::format("{:8}: {:8} parked", gf_standName(s->standId), s->callsign));
  if (s->removeWhenCreated) {
    s->removeWhenCreated = false;
    removeAircraftFromSim(run, *s);
  }
}

bool eraseStaticByObjectId(TrafficRun& run, std::uint32_t objectId) {
  if (objectId == 0) return false;
  auto& statics = run.parking.statics;
  const auto found = std::find_if(statics.begin(), statics.end(),
                                  [objectId](const StaticAircraft& s) { return s.objectId == objectId; });
  if (found == statics.end()) return false;
  statics.erase(found);
  return true;
}

void staticCreationFailed(TrafficRun& run, std::uint32_t key) {
  auto& statics = run.parking.statics;
  const auto found =
      std::find_if(statics.begin(), statics.end(), [key](const StaticAircraft& s) { return s.key == key; });
  if (found == statics.end()) return;
  const std::string callsign = found->callsign;
  const std::string title = found->liveryTitle;
  const ModelId model = found->model;
  const AirlineId airline = found->airline;
  // Gone before the report, which may end the run.
  statics.erase(found);
  gf_liveryNotCreated(callsign, title, model, airline);
}

std::int64_t staticCount(const TrafficRun& run) {
  return std::ssize(run.parking.statics);
}

std::int64_t activeStaticCount(const TrafficRun& run) {
  const auto& statics = run.parking.statics;
  return std::count_if(statics.begin(), statics.end(),
                       [](const StaticAircraft& s) { return s.state == SimState::Active; });
}

// --- the choice of stands ---

std::int64_t gf_wantedParkedCount(TrafficRun& run) {
  const std::int32_t custom = cfg::CUSTOM_PARKING_PERCENTAGE.value();
  const std::int32_t p = custom >= 0 ? custom : cfg::PARKING_PERCENTAGE.value();
  const std::int32_t maxParked = cfg::MAX_PARK_SEL.value();
  const auto n = std::ssize(gf_parkStands());
  std::int64_t wanted = 0;
  // Without stands nothing can park.
  if (maxParked > 0 && n > 0) {
    std::int32_t w = 1;
    if (n > 1 && (n > 3 || p >= 50))
      w = gsl::narrow<std::int32_t>(std::round(static_cast<double>(p) * static_cast<double>(n) / 100.0));
    wanted = std::min(maxParked, w);
  }
  run.window.setCount(WindowCount::WantedParked, wanted);
  run.window.setCount(WindowCount::WantedPercent,
                      n > 0 ? std::llround(static_cast<double>(wanted) * 100.0 / static_cast<double>(n)) : 0);
  return wanted;
}

WeekdayAndSlot gf_logParkingDay() {
  const WeekdayAndSlot now = gf_weekdayAndSlot();
  gf_logLine(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_timeText(gf_dataNow()), now.weekday,
                         lf_weekdayName(now.weekday), gf_stepValue(now.slot)));
  return now;
}

void lf_takeOverCallsigns(TrafficRun& run) {
  StaticParking& parking = run.parking;
  parking.parkingCallsigns.clear();
  // The reader lowers its flag and hands the set over under the lock it inserts under.
  parking.parkingCallsigns = run.trafficReader.takeCollectedCallsigns();
}

void lf_markDestinationStand(TrafficRun& run) {
  (void)gf_reserveStandForUser(gf_parkStands(), reservedStandName(run.park));
}

void lf_fillWantedStatic(TrafficRun& run, std::int64_t wanted, std::int64_t present, WeekdayAndSlot now) {
  StaticParking& parking = run.parking;
  parking.realStep = 0;
  parking.softStep = -1;
  const bool week = cfg::WEEK.value();
  const bool soft = cfg::PARK_SOFT.value();
  const auto shortOfWanted = [&] { return lf_chosenCount(gf_parkStands()) < wanted; };
  lf_parkingPass(run, wanted, present, ScheduleKind::Real, PassSpan::Day, now);
  if (week && shortOfWanted()) lf_parkingPass(run, wanted, present, ScheduleKind::Real, PassSpan::Week, now);
  if (soft && shortOfWanted()) lf_parkingPass(run, wanted, present, ScheduleKind::Soft, PassSpan::Day, now);
  if (week && soft && shortOfWanted())
    lf_parkingPass(run, wanted, present, ScheduleKind::Soft, PassSpan::Week, now);
}

void lf_markChosenStand(std::vector<Stand>& stands, Stand& stand) {
  stand.chosen = true;
  for (const std::uint32_t n : stand.neighbours)
    if (Stand* neighbour = n >= 1 ? gf_standByNumber(stands, n) : nullptr) neighbour->staticBlocked = true;
}

bool lf_isCollectedCallsign(const StaticParking& parking, std::string_view callsign) {
  const auto& set = parking.parkingCallsigns;
  return set.contains(std::string(callsign)) || set.contains(fmt::format("{}_", callsign));
}

void gf_computeParking(TrafficRun& run) {
  const WeekdayAndSlot now = gf_logParkingDay();
  StaticParking& parking = run.parking;
  std::vector<Stand>& stands = gf_parkStands();
  run.window.setParkingControls(false);
  parking.wanted.clear();
  parking.present.clear();
  parking.parkedLive.clear();
  run.window.setValue(WindowValue::AverageFitStatic, -1.0);
  run.window.setValue(WindowValue::AverageFitLive, -1.0);
  run.window.setFlag(WindowFlag::WeekPass, false);
  run.window.setFlag(WindowFlag::SoftPass, false);
  lf_takeOverCallsigns(run);
  for (Stand& stand : stands) {
    stand.chosen = false;
    stand.reservedForUser = false;
    stand.staticBlocked = false;
  }
  lf_markDestinationStand(run);
  const std::int64_t wanted = gf_wantedParkedCount(run);
  if (std::ssize(parking.wanted) < wanted) lf_fillWantedStatic(run, wanted, 0, now);
  // The worst fits go.
  lf_sortByOffset(parking.wanted, false);
  if (std::ssize(parking.wanted) > wanted) parking.wanted.resize(static_cast<std::size_t>(wanted));
  if (parking.wanted.empty()) {
    gf_logLine("no parking positions found");
    run.window.setParkingControls(true);
    return;
  }
  const auto count = std::ssize(parking.wanted);
  gf_logLine(
      fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", count,
                  std::llround(static_cast<double>(count) * 100.0 / static_cast<double>(stands.size())),
                  cfg::PARKING_PERCENTAGE.value(), cfg::MAX_FIT_FL.value()));
  // The placement takes from the end: the best fits first.
  lf_sortByOffset(parking.wanted, true);
}

std::string gf_staticCallsign(std::string_view callsign) {
  std::string shown(callsign);
  while (!shown.empty() && shown.back() == '_') shown.pop_back();
  if (shown.empty() || shown.back() != '*') shown += '*';
  return shown;
}

}  // namespace orv
