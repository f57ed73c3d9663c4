#include "traffic/removal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "airports/stand_store.h"
#include "airports/stands.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "refdata/airports_table.h"
#include "refdata/dbase.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace orv {
namespace {

constexpr double kMovedDeg = 1e-8;
constexpr std::string_view kIndent = "          ";

// --- small pieces ---

bool lf_endsWith(std::string_view text, char c) {
  return !text.empty() && text.back() == c;
}

// The callsign without its trailing '_' characters.
std::string_view lf_bare(std::string_view callsign) {
  while (lf_endsWith(callsign, '_')) callsign.remove_suffix(1);
  return callsign;
}

Position lf_userPosition() {
  const UserAcPosition p = gf_userAcBlock().position;
  return {p.latitude, p.longitude};
}

Position lf_positionOf(const LiveAircraft& a) {
  return {a.latitude, a.longitude};
}

bool lf_moved(Position from, Position to) {
  return std::abs(from.latitude - to.latitude) >= kMovedDeg ||
         std::abs(from.longitude - to.longitude) >= kMovedDeg;
}

Position lf_standPosition(const Stand& stand) {
  return {stand.latitude, stand.longitude};
}

bool lf_isLive(const LiveAircraft& a) {
  return a.key > simid::kLastStaticKey;
}

bool lf_beingRemoved(const LiveAircraft& a) {
  return a.state == SimState::RemovingFromSim || a.drop || a.dropWithdrawn;
}

// On its stand: parked, or pushing back from it (also when a respawn just took it back to birth).
bool lf_holdsStand(const LiveAircraft& a) {
  if (a.standId == 0) return false;
  const auto onStand = [](FlightPhase p) {
    return p == FlightPhase::Parked || p == FlightPhase::PushingBack;
  };
  return a.atStand || onStand(a.phase) || (a.phase == FlightPhase::Birth && onStand(a.previousPhase));
}

// Only the aircraft on the stand frees it: one still rolling towards a stand that another took
// meanwhile must leave that one occupied.
void lf_freeStand(LiveAircraft& a) {
  if (!lf_isLive(a) || !lf_holdsStand(a)) return;
  if (Stand* stand = gf_standByNumber(a.standId)) stand->occupied = false;
}

template <typename Aircraft>
void lf_unselect(TrafficRun& run, const Aircraft& a) {
  TrafficState& state = run.traffic;
  if (state.selectedObjectId == 0 || state.selectedObjectId != a.objectId) return;
  state.selectedObjectId = 0;
  gf_refreshCallsignList(run);
}

bool lf_takeFromAddingStack(std::vector<std::uint32_t>& stack, std::uint32_t key) {
  const auto found = std::find(stack.begin(), stack.end(), key);
  if (found == stack.end()) return false;
  stack.erase(found);
  return true;
}

// Half hours from `since` to `now` over the week; 0 when either is not known.
std::uint32_t lf_halfHoursSince(WeekdayAndSlot since, WeekdayAndSlot now) {
  if (since.weekday < 1 || now.weekday < 1) return 0;
  return gf_halfHoursSince(now, since);
}

void lf_removeLogged(TrafficRun& run, LiveAircraft& a, const std::string& line) {
  gf_logLine(line);
  removeAircraftFromSim(run, a);
}

// --- respawn ---

// The IATA code of the park airport; none without one ("XXX" stands for none in the table).
std::optional<IataCode> lf_parkIata(const TrafficRun& run) {
  if (!run.park.icao) return std::nullopt;
  const AirportTable& table = run.park.table ? *run.park.table : gf_airportTable();
  const AirportRecord* airport = table.find(run.park.icao->view());
  if (!airport || airport->iata.view() == "XXX") return std::nullopt;
  return airport->iata;
}

bool lf_validAirline(AirlineId airline) {
  return airline != 0 && !gf_airlineCode(airline).empty();
}

// Its codes changed: at its next spawn it is matched anew.
void lf_resetToBirth(TrafficRun& run, LiveAircraft& a) {
  gf_resetToBirth(a, run.traffic.respawnKeys);
}

// True: the route stays the same.
bool lf_testRoute(TrafficRun& run, LiveAircraft& a, const TrafficRecord& r) {
  bool newCode = false;
  if (r.destination && !a.destination) {
    a.destination = r.destination;
    newCode = true;
  }
  if (r.origin && !a.origin) {
    a.origin = r.origin;
    newCode = true;
  }
  const bool otherDestination = a.destination && r.destination && *a.destination != *r.destination;
  const bool otherOrigin = a.origin && r.origin && *a.origin != *r.origin;
  if (!(otherDestination && otherOrigin)) return !newCode;
  // Reported bound back to the park airport it left: the same flight for us.
  if (const auto park = lf_parkIata(run); park && *a.origin == *park && *r.destination == *park)
    return !newCode;
  a.origin = r.origin;
  a.destination = r.destination;
  if (a.onGround && a.phase != FlightPhase::Parking && a.phase != FlightPhase::Parked) {
    gf_setPhase(a, FlightPhase::Taxi);
    a.leg.courseRad = a.headingRad;
  }
  return false;
}

// True: A must respawn for the registration R of the record.
bool lf_regcodeNeedsRespawn(TrafficRun& run, LiveAircraft& a, const TrafficRecord& r) {
  const std::string& reg = r.registration;
  const std::string_view title = run.traffic.liverySources.tables->regcodeTitle(reg);
  if (!title.empty()) {
    if (title == a.liveryTitle) return false;
    if (const auto known = gf_findDbaseRecord(reg)) {
      a.airline = known->airline;
      a.model = known->model;
    }
    lf_resetToBirth(run, a);
    return true;
  }
  if (reg == a.registration) return false;
  const auto known = gf_findDbaseRecord(reg);
  if (!known || (known->airline == a.airline && known->model == a.model)) return false;
  if (lf_validAirline(known->operatorId)) {
    if (known->operatorId == a.airline) return false;
    a.airline = known->operatorId;
  } else {
    a.airline = known->airline;
  }
  a.model = known->model;
  lf_resetToBirth(run, a);
  return true;
}

// True: no respawn is needed for the registration. The record's registration is stored.
bool lf_testRegistration(TrafficRun& run, LiveAircraft& a, const TrafficRecord& r) {
  const std::string& reg = r.registration;
  if (reg.empty()) return true;
  bool kept = true;
  if (a.registration.empty() || (a.registration == a.callsign && a.registration != reg)) {
    kept = !lf_regcodeNeedsRespawn(run, a, r);
  } else if (reg != a.registration) {
    const auto known = gf_findDbaseRecord(reg);
    const bool otherCodes = known && (known->airline != a.airline || known->model != a.model);
    const bool operatorIsOwn = known && lf_validAirline(known->operatorId) && known->operatorId == a.airline;
    const auto prefix = gf_airlineFromCallsign(r.callsign);
    if (otherCodes && !operatorIsOwn && prefix) {
      const AirlineId flown = gf_airlineId(*prefix);
      const bool validOperator = lf_validAirline(known->operatorId);
      if (flown == known->airline || (validOperator && known->operatorId == flown)) {
        a.airline = validOperator ? known->operatorId : known->airline;
        a.model = known->model;
        if (a.phase == FlightPhase::Parked && a.standId != 0)
          lf_addRealStandOption(run, a.standId, a, StandOptionKind::Arrival);
        lf_resetToBirth(run, a);
        kept = false;
      }
    }
  }
  a.registration = reg;
  return kept;
}

// What a respawn that does not happen must give back: the tests change the codes and take the
// aircraft back to birth only for the livery of its next life.
struct LiveryLook {
  AirlineId airline;
  ModelId model;
  std::string title;
  FlightPhase phase;
  FlightPhase previousPhase;
  bool respawning;
};

LiveryLook lf_lookOf(const TrafficRun& run, const LiveAircraft& a) {
  return {a.airline, a.model,         a.liveryTitle,
          a.phase,   a.previousPhase, run.traffic.respawnKeys.contains(a.key)};
}

void lf_restoreLook(TrafficRun& run, LiveAircraft& a, const LiveryLook& look) {
  a.airline = look.airline;
  a.model = look.model;
  a.liveryTitle = look.title;
  a.phase = look.phase;
  a.previousPhase = look.previousPhase;
  if (look.respawning) run.traffic.respawnKeys.insert(a.key);
}

// --- ghosts ---

// The live aircraft, but `except`, with the callsign that are not being removed.
template <typename Visit>
void lf_forEachLiveWithCallsign(TrafficRun& run, std::string_view callsign, const LiveAircraft* except,
                                Visit visit) {
  for (LiveAircraft& other : run.traffic.liveList)
    if (&other != except && !lf_beingRemoved(other) && other.callsign == callsign) visit(other);
}

void lf_rememberGhost(TrafficRun& run, const std::string& callsign) {
  auto& list = run.traffic.callsignsToRemove;
  if (std::find(list.begin(), list.end(), callsign) == list.end()) list.push_back(callsign);
}

// C without '_' is live: its ghosts C_ go for good.
void lf_ghostCheck(TrafficRun& run, const std::string& callsign, const LiveAircraft* genuine) {
  if (callsign.empty() || lf_endsWith(callsign, '_')) return;
  const std::string ghost = callsign + '_';
  lf_forEachLiveWithCallsign(run, ghost, genuine, [&](LiveAircraft& g) {
    if (g.phase == FlightPhase::Parked && g.standId != 0)
      gf_logLine(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                             gf_standName(g.standId), g.callsign, callsign));
    else
      gf_logLine(fmt::format("{}{:8} is a ghost and will be removed, continue with {}", kIndent, g.callsign,
                             callsign));
    lf_rememberGhost(run, g.callsign);
    removeAircraftFromSim(run, g);
  });
}

bool lf_hasGenuineTwin(TrafficRun& run, std::string_view callsign) {
  if (!lf_endsWith(callsign, '_')) return false;
  callsign.remove_suffix(1);
  bool found = false;
  lf_forEachLiveWithCallsign(run, callsign, nullptr, [&](LiveAircraft&) { found = true; });
  return found;
}

// --- the static aircraft ---

template <typename Test>
StaticAircraft* lf_firstActiveStatic(TrafficRun& run, Test test) {
  for (StaticAircraft& s : run.parking.statics)
    if (s.state == SimState::Active && test(s)) return &s;
  return nullptr;
}

// The static aircraft shows the live aircraft: its registration, or its callsign with a '*'.
bool lf_isStaticTwin(const StaticAircraft& s, const LiveAircraft& a) {
  if (!a.registration.empty() && s.registration == a.registration) return true;
  const std::string_view bare = lf_bare(a.callsign);
  return !bare.empty() && s.callsign == fmt::format("{}*", bare);
}

// Wings of the two half spans would touch over that distance, with a tenth to spare.
bool lf_wingsMeet(double halfSpanA, double halfSpanB, double distanceNm) {
  return (halfSpanA + halfSpanB) * 1.1 >= distanceNm;
}

// --- the learned schedule of an arrival ---

constexpr int kHalfHoursPerWeek = 7 * 48;

const StandSchedule* lf_learnedSchedule(const LiveAircraft& a, WeekdayAndSlot now) {
  const std::string_view bare = lf_bare(a.callsign);
  if (bare.empty() || now.weekday < 1) return nullptr;
  const int window = a.modelClass == ModelClass::Heavy ? 14 : 10;
  for (const Stand& stand : gf_parkStands()) {
    for (const StandSchedule& s : stand.schedules) {
      if (s.airline != a.airline || lf_bare(s.callsign) != bare) continue;
      // The window runs over midnight into the day before or after.
      for (int offset = -window; offset <= window; ++offset) {
        const WeekdayAndSlot at = gf_halfHoursBefore(
            now, static_cast<std::uint32_t>((kHalfHoursPerWeek - offset) % kHalfHoursPerWeek));
        if (static_cast<int>(s.day) == at.weekday && s.hours.test(static_cast<std::size_t>(at.slot)))
          return &s;
      }
    }
  }
  return nullptr;
}

std::int64_t lf_showStanding(TrafficRun& run, StandingShown& shown, WindowCount count, WindowValue value,
                             std::int64_t n, double sum, bool refresh) {
  const double mean = n == 0 ? -1.0 : sum / static_cast<double>(n);
  if (!refresh && shown.count == n && shown.meanHalfHours == mean) return n;
  shown = {n, mean};
  run.window.setCount(count, n);
  run.window.setValue(value, mean);
  run.window.repaint(WindowBand::Statistics);
  return n;
}

}  // namespace

// --- the one way out ---

void removeAircraftFromSim(TrafficRun& run, LiveAircraft& a) {
  TrafficState& state = run.traffic;
  switch (a.state) {
    case SimState::Buffer:
      a.drop = true;
      return;
    case SimState::Adding2Sim:
      if (a.removeWhenCreated) return;
      // Withdrawn before it reaches the simulator, nothing needs removing there.
      if (lf_takeFromAddingStack(state.addingStack, a.key) || gf_withdrawCreation(state.liveCreations, a.key))
        a.dropWithdrawn = true;
      else
        a.removeWhenCreated = true;
      return;
    case SimState::RemovingFromSim:
      return;
    case SimState::LiveryRespawn:
      // Its object is on the way out already; it must not come back.
      a.state = SimState::RemovingFromSim;
      state.respawnKeys.erase(a.key);
      lf_freeStand(a);
      lf_unselect(run, a);
      return;
    case SimState::Active:
      break;
  }
  lf_freeStand(a);
  a.state = SimState::RemovingFromSim;
  // The address may come back as a new aircraft, which must not take this one's heading.
  state.respawnKeys.erase(a.key);
  lf_unselect(run, a);
  if (a.objectId != 0)
    state.removalIds.push_back(a.objectId);
  else
    gf_logLine(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", a.key));
}

void removeAircraftFromSim(TrafficRun& run, StaticAircraft& s) {
  TrafficState& state = run.traffic;
  switch (s.state) {
    case SimState::Buffer:
      s.drop = true;
      return;
    case SimState::Adding2Sim:
      if (s.removeWhenCreated) return;
      if (gf_withdrawCreation(state.staticCreations, s.key))
        s.drop = true;
      else
        s.removeWhenCreated = true;
      return;
    case SimState::RemovingFromSim:
      return;
    default:
      break;
  }
  s.state = SimState::RemovingFromSim;
  lf_unselect(run, s);
  if (s.objectId != 0)
    state.removalIds.push_back(s.objectId);
  else
    gf_logLine(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", s.key));
}

void gf_eraseDroppedStatics(TrafficRun& run) {
  std::erase_if(run.parking.statics, [](const StaticAircraft& s) { return s.drop; });
}

// --- respawn ---

bool respawnCheck(TrafficRun& run, LiveAircraft& a, const TrafficRecord& r) {
  if (a.flags.landing || a.flags.flareStage || a.flags.landingRoll || a.flags.takeOffRoll ||
      a.phase == FlightPhase::TakeOff)
    return true;
  if (a.state == SimState::Buffer) {
    gf_updateBufferedHead(a, r);
    return true;
  }
  if (a.state != SimState::Active || a.phase == FlightPhase::PushingBack || a.pendingSteps != 0) return true;

  const LiveryLook before = lf_lookOf(run, a);
  const auto undoRebirth = [&] {
    if (a.phase == FlightPhase::Birth && before.phase != FlightPhase::Birth) lf_restoreLook(run, a, before);
  };
  const bool routeKept = lf_testRoute(run, a, r);
  const bool registrationKept = lf_testRegistration(run, a, r);
  bool wanted = !(routeKept && registrationKept);
  const std::string& callsign = r.callsign;
  if (!callsign.empty() && callsign != a.callsign && callsign != a.registration) {
    if (lf_endsWith(callsign, '_')) {
      if (lf_hasGenuineTwin(run, callsign)) {
        undoRebirth();
        return false;
      }
    } else {
      lf_ghostCheck(run, callsign, &a);
    }
    a.callsign = callsign;
    a.flightCallsign = callsign;
    a.extraText.clear();
    wanted = true;
  }
  if (!wanted) return true;
  if (!cfg::GUID_CHANGES.value()) {
    // The aircraft stays as the simulator shows it: only the texts follow the record.
    undoRebirth();
    return true;
  }
  // New codes want a new livery: the title of the first life must not come back.
  if (a.phase == FlightPhase::Birth) run.traffic.titles.erase(a.key);
  gf_logLine(fmt::format("{}{} respawns", kIndent, gf_aircraftRouteText(a)));
  liveryRespawn(run, a);
  return false;
}

void liveryRespawn(TrafficRun& run, LiveAircraft& a) {
  try {
    const std::int64_t next = gf_cycleCounter() + 1;
    const bool reborn = a.phase == FlightPhase::Birth;
    const bool parked = a.phase == FlightPhase::Parked ||
                        (reborn && a.previousPhase == FlightPhase::Parked && a.standId != 0);
    if (parked && !a.stream.empty()) {
      a.stream.resize(1);
      PositionSample& s = a.stream.front();
      s.airborne = false;
      s.trackDeg = a.headingRad * kRadToDeg;
      s.dueCycle = next;
      // A single sample ends a spawn: the aircraft holds its position for one more cycle.
      PositionSample still = s;
      still.stationary = true;
      still.groundSpeedKt = 0.0;
      still.dueCycle = next + 1;
      a.stream.push_back(still);
    } else {
      PositionSample s = a.stream.empty() ? PositionSample{} : a.stream.front();
      // Standing at a ground sample, or on the ground as the simulator reports it.
      const bool atOldest =
          !a.stream.empty() && !s.airborne && s.latitude == a.latitude && s.longitude == a.longitude;
      s.latitude = a.latitude;
      s.longitude = a.longitude;
      s.altitudeFt = a.altitudeFt;
      s.bankRad = a.bankRad;
      s.airborne = !(atOldest || a.onGround);
      s.dueCycle = next;
      s.address = a.key;
      a.stream.push_front(s);
    }
    // Back to birth it searches a stand again, its own included.
    if (reborn && lf_holdsStand(a)) {
      lf_freeStand(a);
      a.standId = 0;
      a.atStand = false;
    }
    a.state = SimState::LiveryRespawn;
    run.traffic.respawnKeys.insert(a.key);
    lf_unselect(run, a);
    if (a.objectId != 0)
      run.traffic.removalIds.push_back(a.objectId);
    else
      gf_logLine(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", a.key));
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{}: {}", "liveryRespawn", e.what()));
  }
}

LiveAircraft* gf_firstActiveWithCallsign(TrafficRun& run, std::string_view callsign) {
  for (LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active && a.callsign == callsign) return &a;
  return nullptr;
}

// --- ghosts ---

void gf_ghostCheck(TrafficRun& run, LiveAircraft& a) {
  lf_ghostCheck(run, a.callsign, &a);
}

bool gf_hasGenuineTwin(TrafficRun& run, const LiveAircraft& a) {
  return lf_hasGenuineTwin(run, a.callsign);
}

bool gf_callsignToRemove(TrafficRun& run, std::string_view callsign) {
  const auto& list = run.traffic.callsignsToRemove;
  return std::find(list.begin(), list.end(), callsign) != list.end();
}

void emptyCallsignsToRemove(TrafficRun& run) {
  run.traffic.callsignsToRemove.clear();
}

// --- the user aircraft ---

bool lf_userConflict(TrafficRun&, const LiveAircraft& a, double distanceNm, double altitudeFt,
                     double lateralFt) {
  const UserAcPosition user = gf_userAcBlock().position;
  const Position from{user.latitude, user.longitude};
  const double d = gf_distanceNm(from, lf_positionOf(a));
  if (d > distanceNm || std::abs(a.altitudeFt - user.altitude) >= altitudeFt) return false;
  const double x = a.headingRad - gf_bearingRad(from, lf_positionOf(a));
  const double feet = d * kFeetPerNm;
  // Heading back towards the user, or passing it wide.
  if (std::cos(x) * feet <= 0.0) return false;
  return std::abs(std::sin(x)) * feet <= lateralFt;
}

void gf_removeAcAheadOfUser(TrafficRun& run) {
  const UserAcPosition user = gf_userAcBlock().position;
  const Position from{user.latitude, user.longitude};
  const bool userOnGround = gf_userAircraftOnGround() && user.altAboveGround < 500.0;
  for (LiveAircraft& a : run.traffic.liveList) {
    if (a.state != SimState::Active) continue;
    const Position at = lf_positionOf(a);
    const double d = gf_distanceNm(from, at);
    if (userOnGround && a.onGround && d <= 1.0) {
      const double offsetFt = std::abs(std::sin(gf_bearingRad(from, at) - user.trueHeading)) * d * kFeetPerNm;
      if (offsetFt <= 50.0) {
        removeAircraftFromSim(run, a);
        return;
      }
    }
    if (lf_userConflict(run, a, kNearConflictNm, kNearConflictAltitudeFt, kNearConflictLateralFt)) {
      removeAircraftFromSim(run, a);
      return;
    }
  }
}

void gf_removeAcNearUser(TrafficRun& run) {
  const Position user = lf_userPosition();
  const double userSpan = gf_userHalfWingspan();
  for (LiveAircraft& a : run.traffic.liveList) {
    if (a.state != SimState::Active || !a.onGround) continue;
    if (gf_distanceNm(user, lf_positionOf(a)) < (userSpan + a.halfWingSpanNm) * 1.15) {
      removeAircraftFromSim(run, a);
      return;
    }
  }
  NearUserMemory& memory = run.traffic.nearUser;
  std::vector<std::uint32_t> active;
  for (const StaticAircraft& s : run.parking.statics)
    if (s.state == SimState::Active) active.push_back(s.objectId);
  std::sort(active.begin(), active.end());
  // A static aircraft created where the user already stands must go as well.
  if (memory.tested && !lf_moved(memory.userPosition, user) && active == memory.activeStatics) return;
  memory = {true, user, std::move(active)};
  if (StaticAircraft* s = lf_firstActiveStatic(run, [&](const StaticAircraft& x) {
        return gf_distanceNm(user, x.position) < x.halfWingSpanNm * 1.1 + userSpan;
      }))
    removeAircraftFromSim(run, *s);
}

bool gf_removeFarthestAc(TrafficRun& run, double distanceNm) {
  if (distanceNm < 0.0) return false;
  const Position user = lf_userPosition();
  LiveAircraft* farthest = nullptr;
  double farthestNm = distanceNm + 0.1;
  for (LiveAircraft& a : run.traffic.liveList) {
    if (a.state != SimState::Active) continue;
    const double d = gf_distanceNm(user, lf_positionOf(a));
    if (d > farthestNm) {
      farthest = &a;
      farthestNm = d;
    }
  }
  if (!farthest) return false;
  removeAircraftFromSim(run, *farthest);
  return true;
}

void gf_removeLiveAboveLimit(TrafficRun& run, std::int32_t limitCount) {
  const auto limit = static_cast<std::size_t>(std::max<std::int32_t>(limitCount, 0));
  std::vector<LiveAircraft*> inSim;
  for (LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active) inSim.push_back(&a);
  if (inSim.size() <= limit) return;
  // The farthest at any distance: gf_removeFarthestAc only removes beyond a distance, which
  // suits a full list, not a lowered limit.
  const Position from = lf_userPosition();
  const auto distance = [from](const LiveAircraft* a) { return gf_distanceNm(from, lf_positionOf(*a)); };
  const auto over = static_cast<std::ptrdiff_t>(inSim.size() - limit);
  std::partial_sort(inSim.begin(), inSim.begin() + over, inSim.end(),
                    [&](const LiveAircraft* a, const LiveAircraft* b) { return distance(a) > distance(b); });
  for (auto it = inSim.begin(); it != inSim.begin() + over; ++it) removeAircraftFromSim(run, **it);
}

// --- stands ---

bool lf_standTakenByLive(TrafficRun& run, const Stand& stand, std::string_view callsign) {
  LiveAircraft* occupant = nullptr;
  for (LiveAircraft& a : run.traffic.liveList) {
    const bool onStand = a.phase == FlightPhase::Parked || a.phase == FlightPhase::PushingBack ||
                         a.phase == FlightPhase::PushedBack;
    if (a.state == SimState::Active && onStand && a.standId == stand.number) {
      occupant = &a;
      break;
    }
  }
  if (!occupant) return true;
  LiveAircraft& o = *occupant;
  const std::string& name = stand.id;
  if (o.callsign == callsign) {
    lf_removeLogged(run, o,
                    fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ", name,
                                o.callsign, callsign));
    return true;
  }
  const bool newcomerGhost = lf_endsWith(callsign, '_');
  const bool occupantGhost = lf_endsWith(o.callsign, '_');
  if (newcomerGhost && callsign.substr(0, callsign.size() - 1) == o.callsign) return false;
  if (o.callsign == fmt::format("{}_", callsign) || (occupantGhost && !newcomerGhost)) {
    lf_removeLogged(run, o, fmt::format("{:8}: {:8} ghost, replace by {}", name, o.callsign, callsign));
    return true;
  }
  if (newcomerGhost && !occupantGhost) return false;
  if (o.flags.reportedAtStand) return false;
  lf_removeLogged(run, o,
                  fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", name,
                              o.callsign, callsign));
  return true;
}

namespace {

// The parked live aircraft on the neighbouring stand whose wings would meet the aircraft's.
template <typename Visit>
void lf_forEachCollidingNeighbour(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& a,
                                  const Stand& stand, Visit visit) {
  const Stand* neighbour = gf_standByNumber(neighbourId);
  if (!neighbour) return;
  const double apartNm = gf_distanceNm(lf_standPosition(stand), lf_standPosition(*neighbour));
  for (LiveAircraft& other : run.traffic.liveList) {
    const bool parked = other.phase == FlightPhase::Parked || other.phase == FlightPhase::PushingBack;
    if (&other == &a || other.state != SimState::Active || !parked || other.standId != neighbourId ||
        other.callsign == a.callsign)
      continue;
    if (lf_wingsMeet(other.halfWingSpanNm, a.halfWingSpanNm, apartNm)) visit(other);
  }
}

}  // namespace

bool lf_liveGivesWay(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& a, const Stand& stand) {
  bool blocked = false;
  lf_forEachCollidingNeighbour(run, neighbourId, a, stand, [&](LiveAircraft&) { blocked = true; });
  return !blocked;
}

void lf_clearLiveNeighbour(TrafficRun& run, std::uint32_t neighbourId, const LiveAircraft& a,
                           const Stand& stand) {
  lf_forEachCollidingNeighbour(run, neighbourId, a, stand,
                               [&](LiveAircraft& other) { removeAircraftFromSim(run, other); });
}

void lf_staticMakesWay(TrafficRun& run, const LiveAircraft& a, const Stand& stand) {
  for (StaticAircraft& s : run.parking.statics) {
    if (s.standId != stand.number || s.drop || s.state == SimState::RemovingFromSim) continue;
    const bool queued = s.state == SimState::Adding2Sim &&
                        std::any_of(run.traffic.staticCreations.begin(), run.traffic.staticCreations.end(),
                                    [&s](const SimCreateRequest& r) { return r.key == s.key; });
    const bool same = s.callsign == a.callsign || lf_isStaticTwin(s, a);
    gf_logLine(fmt::format("{}{:8}: {:8} {} makes way for{} {} {}", queued ? "queued " : "", stand.id,
                           s.callsign, s.registration, same ? " the same live version" : "", a.callsign,
                           a.registration));
    removeAircraftFromSim(run, s);
  }
  for (const std::uint32_t id : stand.neighbours) {
    const Stand* neighbour = gf_standByNumber(id);
    if (!neighbour) continue;
    const double apartNm = gf_distanceNm(lf_standPosition(stand), lf_standPosition(*neighbour));
    for (StaticAircraft& s : run.parking.statics) {
      if (s.state != SimState::Active || s.standId != id ||
          !lf_wingsMeet(s.halfWingSpanNm, a.halfWingSpanNm, apartNm))
        continue;
      gf_logLine(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", neighbour->id,
                             s.callsign, a.callsign, stand.id));
      removeAircraftFromSim(run, s);
    }
  }
  gf_eraseDroppedStatics(run);
}

void liveParksAtStand(TrafficRun& run, LiveAircraft& a) {
  if (a.standId == 0) return;
  // No static aircraft is placed there any more.
  std::erase_if(run.parking.wanted, [&a](const WantedStatic& w) {
    return w.standId >= 1 && static_cast<std::uint32_t>(w.standId) == a.standId;
  });
  // The static aircraft on the stand goes with the others that make way, below.
  for (const StaticAircraft& s : run.parking.statics) {
    if (s.standId != a.standId || s.state != SimState::Active) continue;
    // The Windows code page's dash (0x97) written as UTF-8, so that the line stays valid text.
    gf_logLine(fmt::format("{:8}: {:8} parks over static {} \u2014 static will be removed",
                           gf_standName(a.standId), a.callsign, s.callsign));
  }
  if (const Stand* stand = gf_standByNumber(a.standId)) lf_staticMakesWay(run, a, *stand);
}

// --- the per-second jobs ---

void gf_removeAllAc(TrafficRun& run) {
  for (StaticAircraft& s : run.parking.statics) removeAircraftFromSim(run, s);
  gf_eraseDroppedStatics(run);
}

void gf_removeParkedByName(TrafficRun& run, std::string_view name) {
  const auto& stands = gf_parkStands();
  const auto found =
      std::find_if(stands.begin(), stands.end(), [name](const Stand& s) { return s.id == name; });
  // Aircraft without a stand have stand id 0 too: a name of no stand must not reach them.
  if (found == stands.end() || found->number == 0) return;
  const std::uint32_t id = found->number;
  // On the stand, or rolling onto it; one that has left keeps its stand id but is elsewhere.
  const auto atStand = [](FlightPhase p) {
    return p == FlightPhase::Parked || p == FlightPhase::Parking || p == FlightPhase::PushingBack ||
           p == FlightPhase::PushedBack;
  };
  for (LiveAircraft& a : run.traffic.liveList)
    if (a.standId == id && atStand(a.phase)) removeAircraftFromSim(run, a);
  for (StaticAircraft& s : run.parking.statics)
    if (s.standId == id) removeAircraftFromSim(run, s);
  gf_eraseDroppedStatics(run);
}

void gf_recheckMovingAc(TrafficRun& run) {
  if (run.parking.statics.empty()) return;
  for (LiveAircraft& a : run.traffic.liveList) {
    const bool moving = a.phase == FlightPhase::Taxi || a.phase == FlightPhase::Parking;
    if (a.state != SimState::Active || !a.onGround || !moving || a.flags.takeOffRoll || a.flags.landingRoll)
      continue;
    const Position at = lf_positionOf(a);
    if (!lf_moved(a.lastTestedPosition, at)) continue;
    a.lastTestedPosition = at;
    if (StaticAircraft* s = lf_firstActiveStatic(run, [&](const StaticAircraft& x) {
          return x.callsign != a.callsign && x.flightCallsign != a.callsign &&
                 lf_wingsMeet(x.halfWingSpanNm, a.halfWingSpanNm, gf_distanceNm(x.position, at));
        }))
      removeAircraftFromSim(run, *s);
  }
}

void gf_removeByList(TrafficRun& run) {
  for (const LiveAircraft& a : run.traffic.liveList) {
    if (a.state != SimState::Active || !a.onGround) continue;
    if (StaticAircraft* s =
            lf_firstActiveStatic(run, [&](const StaticAircraft& x) { return lf_isStaticTwin(x, a); })) {
      removeAircraftFromSim(run, *s);
      return;
    }
  }
}

void gf_queueArrivalCheck(TrafficRun& run, std::uint32_t key) {
  auto& keys = run.traffic.arrivalChecks;
  if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
}

void arrivalCheckStep(TrafficRun& run) {
  auto& keys = run.traffic.arrivalChecks;
  if (keys.empty()) return;
  const std::uint32_t key = keys.front();
  keys.pop_front();
  LiveAircraft* a = run.traffic.liveByKey(key);
  if (!a) return;
  if (!a->arrivalHandled) {
    a->arrivalHandled = true;
    if (const StandSchedule* s = lf_learnedSchedule(*a, gf_currentSlot())) {
      a->flightCallsign = s->callsign;
      a->extraText = s->secondCallsign;
    }
  }
  for (StaticAircraft& s : run.parking.statics)
    if (s.state == SimState::Active && lf_isStaticTwin(s, *a)) removeAircraftFromSim(run, s);
}

std::int64_t gf_countActiveAc(TrafficRun& run, bool refresh) {
  const WeekdayAndSlot now = gf_currentSlot();
  std::int64_t n = 0;
  double sum = 0.0;
  for (const StaticAircraft& s : run.parking.statics) {
    if (s.state != SimState::Active) continue;
    ++n;
    sum += lf_halfHoursSince(s.parkedSince, now);
  }
  return lf_showStanding(run, run.traffic.shownActiveStatic, WindowCount::ActiveStatic,
                         WindowValue::AverageFitStatic, n, sum, refresh);
}

std::int64_t gf_countParkedAc(TrafficRun& run, bool refresh) {
  const WeekdayAndSlot now = gf_currentSlot();
  std::int64_t n = 0;
  double sum = 0.0;
  for (const LiveAircraft& a : run.traffic.liveList) {
    if (a.state != SimState::Active || a.phase != FlightPhase::Parked) continue;
    ++n;
    sum += lf_halfHoursSince(a.parkedSince, now);
  }
  return lf_showStanding(run, run.traffic.shownParkedLive, WindowCount::ParkedLive,
                         WindowValue::AverageFitLive, n, sum, refresh);
}

void gf_listActiveCallsigns(TrafficRun& run) {
  std::vector<std::string> callsigns;
  for (const LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active && a.phase != FlightPhase::Parked && !a.callsign.empty())
      callsigns.push_back(a.callsign);
  std::sort(callsigns.begin(), callsigns.end());
  callsigns.erase(std::unique(callsigns.begin(), callsigns.end()), callsigns.end());
  // The list starts with the empty choice: no callsign picked.
  callsigns.insert(callsigns.begin(), std::string());
  run.window.setCallsigns(std::move(callsigns));
  run.window.repaint(WindowBand::Options);
}

void gf_refreshCallsignList(TrafficRun& run) {
  gf_listActiveCallsigns(run);
}

}  // namespace orv
