#include "scenario_harness.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "airports/park_loading.h"
#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/data_cipher.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/window_view.h"
#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "refdata/dbase.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/sim_messages.h"
#include "simlink/sim_side.h"
#include "simlink/sim_state.h"
#include "standin/stand_in.h"
#include "support/foundation_state.h"
#include "support/recorders.h"
#include "support/reference_tables.h"
#include "support/settings_state.h"
#include "support/test_support.h"
#include "traffic/aircraft_text.h"
#include "traffic/cycle.h"
#include "traffic/leg_math.h"
#include "traffic/live_cycle.h"
#include "traffic/traffic_reader.h"
#include "traffic/traffic_run.h"

namespace scenario {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kCyclesPerSecond = 100;

std::vector<std::string_view> lf_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(
        line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

std::optional<double> lf_timestamp(std::string_view line) {
  const auto fields = lf_fields(line);
  if (fields.size() < 15) return std::nullopt;
  try {
    return std::stod(std::string(fields[14]));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The stands of the park airport are the process's: the harness hands them in and takes them out.
struct ParkStands {
  explicit ParkStands(const ParkAirportSetup& park) {
    orv::gf_clearStands();
    if (park.stands.empty()) return;
    std::vector<orv::Stand>& stands = orv::gf_parkStands();
    stands = park.stands;
    orv::gf_numberStands(stands);
    orv::gf_linkNeighbours(stands);
    orv::gf_publishStands();
    orv::gf_setParkElevation(park.elevationFt);
    orv::gf_setStandsLoaded(true);
  }
  ~ParkStands() {
    orv::gf_clearStands();
    orv::gf_setStandsLoaded(false);
    orv::gf_setParkElevation(std::nullopt);
  }
  ParkStands(const ParkStands&) = delete;
  ParkStands& operator=(const ParkStands&) = delete;
};

orv::standin::Scenario lf_standInScenario(const Setup& setup) {
  orv::standin::Scenario s;
  s.user.latDeg = setup.user.latitude;
  s.user.lonDeg = setup.user.longitude;
  s.user.groundAltFt = setup.park.elevationFt;
  s.user.altFt = setup.userAltitudeFt.value_or(setup.park.elevationFt + 8.0);
  s.user.onGround = !setup.userAltitudeFt.has_value();
  s.groundAltFt = setup.park.elevationFt;
  return s;
}

}  // namespace

struct Harness::Parts {
  explicit Parts(const Setup& setup)
      : standIn(std::make_shared<orv::standin::StandIn>(lf_standInScenario(setup), orv::standin::Options{})),
        backend(standIn) {}

  testing_support::WorkingFolder folder;
  testing_support::FoundationState foundation;
  testing_support::SettingsState settings;
  testing_support::ReferenceTables tables;
  os::FakeClock clock;
  os::ScopedClock scopedClock{clock};
  std::shared_ptr<orv::standin::StandIn> standIn;
  sc::ScopedBackend backend;
  testing_support::RecordingWindow window;
  orv::ScopedWindowView shownWindow{window};
  sc::Handle handle = 0;
  std::optional<ParkStands> stands;
  std::unique_ptr<orv::TrafficRun> run;
};

Harness::Harness(Setup setup) : setup_(std::move(setup)) {
  parts_ = std::make_unique<Parts>(setup_);
  orv::gf_openLog();
  orv::gf_setRandomOption([] { return false; });
  // The pitch spreads draw their sign whatever RANDOM says: a fixed seed repeats them.
  orv::gf_randomEngine().seed(13);
  orv::cfg::RANDOM.set(false);
  orv::cfg::AUTO_RANGE.set(false);
  orv::cfg::RANGE.set(setup_.rangeNm);
  std::filesystem::create_directories("input");
  orv::gf_streamEncrypt(std::filesystem::path(QUILLSTAR_DEMO) / "data" / "dbase.xml", "input/dbase.enc");
  if (!orv::gf_readDbase()) throw std::runtime_error("the demo's aircraft database cannot be read");

  orv::gf_resetSimLink();
  orv::gf_resetSimQueues();
  if (SimConnect_Open(&parts_->handle, "Quillstar", nullptr, 0, nullptr, 0) != sc::S_OK)
    throw std::runtime_error("the stand-in does not open");
  orv::gf_setSimConnectHandle(parts_->handle);
  orv::lf_registerSimConnect(parts_->handle);
  // As the run asks: whether the user stands on the ground, every second.
  orv::gf_requestUserOnGroundEverySecond();
  (void)SimConnect_CallDispatch(parts_->handle, orv::lf_dispatch, nullptr);

  parts_->stands.emplace(setup_.park);
  parts_->run = std::make_unique<orv::TrafficRun>(orv::gf_commandQueueSide(), parts_->window, false);
  orv::TrafficRun& r = *parts_->run;
  if (!setup_.park.icao.empty()) {
    r.park.icao = orv::IcaoCode(setup_.park.icao);
    r.trafficReader.setParkAirport(orv::ParkAirportView{setup_.park.position, setup_.park.elevationFt});
    r.trafficReader.setParkElevation(setup_.park.elevationFt);
  }
  r.trafficReader.setReferencePosition(setup_.user);
  r.adding.setOpen(true);
  while (orv::gf_cycleCounter() % 100 != 0) orv::gf_advanceCycleCounter();
  startCycle_ = orv::gf_cycleCounter();
}

Harness::~Harness() {
  parts_->run.reset();
  parts_->stands.reset();
  orv::lf_closeSimConnect(parts_->handle);
  orv::gf_resetSimLink();
}

orv::TrafficRun& Harness::run() {
  return *parts_->run;
}

std::int64_t Harness::cycle() const {
  return orv::gf_cycleCounter() - startCycle_;
}

void Harness::addLines(const std::vector<std::string>& lines, std::int64_t startCycle, double speed) {
  std::optional<double> first;
  for (const std::string& line : lines) {
    const auto t = lf_timestamp(line);
    if (!t) continue;
    if (!first) first = t;
    const auto at = startCycle + std::llround((*t - *first) * kCyclesPerSecond / speed);
    lines_.push_back({std::max<std::int64_t>(at, cycle()), line});
  }
  std::stable_sort(lines_.begin() + static_cast<std::ptrdiff_t>(nextLine_), lines_.end(),
                   [](const Scheduled& a, const Scheduled& b) { return a.cycle < b.cycle; });
  // Fixed titles: every aircraft of the lines gets the same livery in every run.
  for (const std::string& line : lines) {
    const auto fields = lf_fields(line);
    if (fields.size() < 11) continue;
    const auto key = static_cast<std::uint32_t>(std::stoul(std::string(fields[1])));
    orv::gf_rememberTitle(run().traffic.titles, key, fmt::format("Harness {} {}", fields[10], fields[9]));
  }
}

void Harness::runCycles(std::int64_t cycles) {
  for (std::int64_t i = 0; i < cycles; ++i) lf_cycle();
}

void Harness::runUntilQuiet(std::int64_t maxCycles) {
  const std::int64_t end = cycle() + maxCycles;
  while (cycle() < end) {
    lf_cycle();
    if (nextLine_ == lines_.size() && run().traffic.liveList.empty() && objectsInSimulator() == 0 &&
        run().adding.size() == 0)
      return;
  }
}

void Harness::lf_cycle() {
  orv::TrafficRun& r = run();
  const std::int64_t now = cycle();
  while (nextLine_ < lines_.size() && lines_[nextLine_].cycle <= now) {
    const std::string& text = lines_[nextLine_].text;
    r.trafficReader.lf_onTrafficDatagram(text);
    // The same parse, for the harness's own account of the report.
    const auto fields = lf_fields(text);
    if (const auto record = orv::gf_parseTrafficLine(fields, text, r.trafficReader.context(), nullptr)) {
      const orv::PositionSample& s = record->position;
      AircraftLog& log = logs_[s.address];
      log.key = s.address;
      log.reports.push_back(Report{now, s.dataTime, orv::Position{s.latitude, s.longitude}, s.altitudeFt,
                                   std::stod(std::string(fields[4])), s.groundSpeedKt, s.airborne, false});
    }
    ++nextLine_;
  }
  orv::lf_handleAddingStack(r);
  parts_->clock.advance(10ms);
  parts_->standIn->advance(10ms);
  parts_->standIn->frame();
  (void)SimConnect_CallDispatch(parts_->handle, orv::lf_dispatch, nullptr);
  lf_record();
  lf_harvestJournal();
}

void Harness::lf_record() {
  const std::int64_t now = cycle();
  std::vector<std::uint32_t> present;
  for (const orv::LiveAircraft& a : run().traffic.liveList) {
    present.push_back(a.key);
    AircraftLog& log = logs_[a.key];
    log.key = a.key;
    log.callsign = a.callsign;
    log.altitudeStepLimitFt = a.altitudeStepLimitFt;
    if (log.phases.empty() || log.phases.back().second != a.phase) log.phases.emplace_back(now, a.phase);
    if (log.states.empty() || log.states.back().second != a.state) log.states.emplace_back(now, a.state);
    if (a.objectId != 0) keyOfObject_[a.objectId] = a.key;
    // A report reaches the stream at its back, unchanged.
    for (std::size_t i = a.stream.size() > 2 ? a.stream.size() - 2 : 0; i < a.stream.size(); ++i) {
      const orv::PositionSample& s = a.stream[i];
      for (auto it = log.reports.rbegin(); it != log.reports.rend() && it->time >= s.dataTime; ++it)
        if (it->time == s.dataTime && it->position.latitude == s.latitude &&
            it->position.longitude == s.longitude)
          it->accepted = true;
    }
    if (a.state != orv::SimState::Active || a.objectId == 0) continue;
    TrackPoint p;
    p.cycle = now;
    p.position = orv::Position{a.latitude, a.longitude};
    p.altitudeFt = a.altitudeFt;
    p.headingRad = a.headingRad;
    p.pitchRad = a.pitchRad;
    p.bankRad = a.bankRad;
    p.verticalSpeedFps = a.verticalSpeedFps;
    p.trueAirspeedKt = a.trueAirspeedKt;
    p.phase = a.phase;
    p.onGround = a.onGround;
    const auto object = parts_->standIn->aiObject(a.objectId);
    p.simOnGround = object && object->onGround;
    p.landing = a.flags.landing;
    p.flaring = a.flags.flareLevel > 0 || a.flags.touchdownSettling;
    p.takeOffRoll = a.flags.takeOffRoll;
    p.landingRoll = a.flags.landingRoll;
    p.holding = a.leg.holding;
    p.pendingSteps = a.pendingSteps;
    p.maxAdvance = a.leg.maxAdvance;
    p.maxDelay = a.leg.maxDelay;
    p.lateCycles = a.lateCycles;
    p.targetTime = a.stream.empty() ? std::nan("") : a.stream.front().dataTime;
    log.track.push_back(p);
  }
  for (auto& [key, log] : logs_) {
    if (log.goneCycle || log.phases.empty()) continue;
    if (std::find(present.begin(), present.end(), key) == present.end()) log.goneCycle = now;
  }
}

void Harness::lf_harvestJournal() {
  const std::int64_t now = cycle();
  orv::standin::StandIn& standIn = *parts_->standIn;
  for (const auto& e : standIn.journal()) {
    const std::string call = e["call"];
    if (call == "create" && e.value("ok", false)) {
      const std::string tail = e["tail"];
      for (const orv::LiveAircraft& a : run().traffic.liveList)
        if (a.callsign == tail) {
          logs_[a.key].objects.push_back(e["object"].get<std::uint32_t>());
          keyOfObject_[e["object"].get<std::uint32_t>()] = a.key;
        }
    } else if (call == "remove" && e.value("ok", false) && !e.contains("reason")) {
      const auto it = keyOfObject_.find(e["object"].get<std::uint32_t>());
      if (it != keyOfObject_.end()) logs_[it->second].removals.push_back(now);
    } else if (call == "event" && e.contains("object")) {
      const auto it = keyOfObject_.find(e["object"].get<std::uint32_t>());
      if (it != keyOfObject_.end())
        logs_[it->second].events.push_back(
            Event{now, e["event"].get<std::uint32_t>(), e["value"].get<std::uint32_t>()});
    }
  }
  standIn.clearJournal();
}

const AircraftLog& Harness::aircraft(std::string_view callsign) const {
  for (const auto& [key, log] : logs_)
    if (log.callsign == callsign) return log;
  throw std::out_of_range(fmt::format("no aircraft {} in the scenario", callsign));
}

std::size_t Harness::objectsInSimulator() const {
  return parts_->standIn->aiObjects().size();
}

std::vector<std::string> Harness::logLines() const {
  return testing_support::logBody();
}

std::vector<orv::FlightPhase> AircraftLog::phaseOrder() const {
  std::vector<orv::FlightPhase> order;
  for (const auto& [cycle, phase] : phases) order.push_back(phase);
  return order;
}

std::optional<std::int64_t> AircraftLog::entered(orv::FlightPhase phase) const {
  for (const auto& [cycle, p] : phases)
    if (p == phase) return cycle;
  return std::nullopt;
}

std::optional<std::int64_t> AircraftLog::firstEvent(std::uint32_t eventId, std::uint32_t value) const {
  for (const Event& e : events)
    if (e.eventId == eventId && e.value == value) return e.cycle;
  return std::nullopt;
}

std::optional<std::int64_t> AircraftLog::firstEventOf(std::uint32_t eventId) const {
  for (const Event& e : events)
    if (e.eventId == eventId) return e.cycle;
  return std::nullopt;
}

const TrackPoint* AircraftLog::firstWhere(bool simOnGround, std::int64_t from) const {
  for (const TrackPoint& p : track)
    if (p.cycle >= from && p.simOnGround == simOnGround) return &p;
  return nullptr;
}

const TrackPoint* AircraftLog::liftOff() const {
  for (std::size_t i = 1; i < track.size(); ++i)
    if (track[i - 1].simOnGround && !track[i].simOnGround) return &track[i];
  return nullptr;
}

const TrackPoint* AircraftLog::touchdown() const {
  for (std::size_t i = 1; i < track.size(); ++i)
    if (!track[i - 1].simOnGround && track[i].simOnGround) return &track[i];
  return nullptr;
}

const Report* AircraftLog::firstAirborneReport() const {
  for (std::size_t i = 1; i < reports.size(); ++i)
    if (!reports[i - 1].airborne && reports[i].airborne) return &reports[i];
  return nullptr;
}

const Report* AircraftLog::lastGroundReport() const {
  const Report* air = firstAirborneReport();
  return air && air != reports.data() ? air - 1 : nullptr;
}

const Report* AircraftLog::firstGroundReport() const {
  for (std::size_t i = 1; i < reports.size(); ++i)
    if (reports[i - 1].airborne && !reports[i].airborne) return &reports[i];
  return nullptr;
}

std::string gf_trafficLine(const LineSpec& l) {
  const bool onGround = l.altitudeFt <= 0.0;
  const double tas = onGround ? l.groundSpeedKt : l.groundSpeedKt + 10.0;
  return fmt::format(
      "RTTFC,{},{:.6f},{:.6f},{:.0f},{:.0f},{},{:.2f},{:.1f},{},{},{},FRA,PMI,{:.1f},X2,,adsb_icao,{:.0f},-1,"
      "{:.0f},"
      "0.000,0.0,0.0,{:.2f},{:.2f},{:.0f},none,A3,1013.2,0,-1,{:.2f},,0.0,0.0,0,0,0,0,1,0",
      l.hexid, l.position.latitude, l.position.longitude, l.altitudeFt, l.verticalSpeedFpm, onGround ? 1 : 0,
      l.trackDeg, l.groundSpeedKt, l.callsign, l.type, l.registration, l.time, l.altitudeFt, tas, l.trackDeg,
      l.trackDeg, l.verticalSpeedFpm, l.trackDeg);
}

std::vector<std::string> gf_readRecording(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

double gf_metres(orv::Position a, orv::Position b) {
  return orv::gf_distanceNm(a, b) * orv::kMetresPerNm;
}

namespace {

// East and north in metres of p from the origin, on a plane around the origin.
std::pair<double, double> lf_plane(orv::Position origin, orv::Position p) {
  const double k = 111319.49;
  return {
      orv::gf_longitudeDelta(origin.longitude, p.longitude) * k * std::cos(origin.latitude * orv::kDegToRad),
      (p.latitude - origin.latitude) * k};
}

}  // namespace

double gf_alongTrackMetres(orv::Position from, orv::Position to, orv::Position p) {
  const auto [dx, dy] = lf_plane(from, to);
  const auto [px, py] = lf_plane(from, p);
  const double length = std::hypot(dx, dy);
  return length > 0.0 ? (px * dx + py * dy) / length : 0.0;
}

namespace {

// Metres from p to the segment a-b, on a plane around p.
double lf_metresToSegment(orv::Position p, orv::Position a, orv::Position b) {
  const double k = std::cos(p.latitude * orv::kDegToRad) * 111319.49;
  const double ax = orv::gf_longitudeDelta(p.longitude, a.longitude) * k;
  const double ay = (a.latitude - p.latitude) * 111319.49;
  const double bx = orv::gf_longitudeDelta(p.longitude, b.longitude) * k;
  const double by = (b.latitude - p.latitude) * 111319.49;
  const double dx = bx - ax;
  const double dy = by - ay;
  const double length2 = dx * dx + dy * dy;
  const double t = length2 > 0.0 ? std::clamp(-(ax * dx + ay * dy) / length2, 0.0, 1.0) : 0.0;
  return std::hypot(ax + t * dx, ay + t * dy);
}

bool lf_reportsPlay(const TrackPoint& p) {
  using orv::FlightPhase;
  return p.pendingSteps == 0 && !p.holding && p.phase != FlightPhase::PushingBack &&
         p.phase != FlightPhase::PushedBack && p.phase != FlightPhase::Parking &&
         p.phase != FlightPhase::Parked;
}

class Faults {
 public:
  void add(std::string_view kind, std::string text) {
    int& n = counts_[std::string(kind)];
    if (++n <= 3) texts_.push_back(fmt::format("{}: {}", kind, text));
  }
  [[nodiscard]] std::vector<std::string> take() {
    for (const auto& [kind, n] : counts_)
      if (n > 3) texts_.push_back(fmt::format("{}: {} more", kind, n - 3));
    return std::move(texts_);
  }

 private:
  std::map<std::string, int> counts_;
  std::vector<std::string> texts_;
};

}  // namespace

std::vector<std::string> gf_invariantFaults(const AircraftLog& log, const InvariantLimits& limits) {
  Faults faults;
  const TrackPoint* previous = nullptr;
  for (const TrackPoint& p : log.track) {
    const double values[] = {p.position.latitude, p.position.longitude, p.altitudeFt,
                             p.headingRad,        p.pitchRad,           p.bankRad,
                             p.verticalSpeedFps,  p.trueAirspeedKt};
    if (!std::all_of(std::begin(values), std::end(values), [](double v) { return std::isfinite(v); }))
      faults.add("not finite", fmt::format("cycle {}", p.cycle));
    if (p.position.latitude < -90.0 || p.position.latitude > 90.0 || p.position.longitude < -180.0 ||
        p.position.longitude >= 180.0)
      faults.add("position out of range",
                 fmt::format("cycle {} {} {}", p.cycle, p.position.latitude, p.position.longitude));
    if (p.headingRad < 0.0 || p.headingRad >= orv::kTwoPi)
      faults.add("heading out of range", fmt::format("cycle {} {}", p.cycle, p.headingRad));
    if (previous && previous->cycle + 1 == p.cycle) {
      const double move = gf_metres(previous->position, p.position);
      if (move > limits.maxMoveMetres)
        faults.add("move",
                   fmt::format("cycle {} {:.2f} m in {}", p.cycle, move, orv::gf_flightPhaseName(p.phase)));
      const bool special =
          [](const TrackPoint& x) {
            return x.landing || x.flaring || x.takeOffRoll || x.landingRoll ||
                   x.phase == orv::FlightPhase::TakeOff;
          }(p) ||
          previous->landing || previous->flaring || previous->takeOffRoll || previous->landingRoll ||
          previous->phase == orv::FlightPhase::TakeOff;
      const double step = std::abs(p.altitudeFt - previous->altitudeFt);
      if (!special && p.onGround == previous->onGround && step > log.altitudeStepLimitFt + 1e-9)
        faults.add("altitude step",
                   fmt::format("cycle {} {:.2f} ft in {}", p.cycle, step, orv::gf_flightPhaseName(p.phase)));
    }
    previous = &p;
  }
  if (log.track.empty()) return faults.take();

  // The track follows the reports' line while they play.
  const std::int64_t first = log.track.front().cycle;
  const std::int64_t last = log.track.back().cycle;
  for (const TrackPoint& p : log.track) {
    if (!lf_reportsPlay(p)) continue;
    const std::int64_t window = std::max<std::int64_t>(p.maxAdvance, p.maxDelay) + p.lateCycles;
    // Reports in arrival order: those due within the window around this cycle, and the one before.
    const std::int64_t lowest = p.cycle - window - 2000 - orv::kPlaybackDelayCycles - p.lateCycles;
    auto it = std::lower_bound(log.reports.begin(), log.reports.end(), lowest,
                               [](const Report& r, std::int64_t c) { return r.arrivalCycle < c; });
    if (it != log.reports.begin()) --it;
    double nearest = 1e12;
    const Report* before = nullptr;
    for (; it != log.reports.end(); ++it) {
      const std::int64_t due = it->arrivalCycle + orv::kPlaybackDelayCycles + p.lateCycles;
      if (due > p.cycle + window + 2000) break;
      if (before) nearest = std::min(nearest, lf_metresToSegment(p.position, before->position, it->position));
      nearest = std::min(nearest, gf_metres(p.position, it->position));
      before = &*it;
    }
    const double limit = p.onGround ? limits.groundTrackMetres : limits.airTrackMetres;
    if (nearest > limit && nearest < 1e12)
      faults.add("off the reported track",
                 fmt::format("cycle {} {:.0f} m in {}", p.cycle, nearest, orv::gf_flightPhaseName(p.phase)));
  }
  // Each report played is passed about 30 s after it arrived.
  for (const Report& r : log.reports) {
    if (!r.accepted) continue;
    const std::int64_t nominal = r.arrivalCycle + orv::kPlaybackDelayCycles;
    const auto at = std::lower_bound(log.track.begin(), log.track.end(), nominal,
                                     [](const TrackPoint& p, std::int64_t c) { return p.cycle < c; });
    if (at == log.track.end()) continue;
    const std::int64_t due = nominal + at->lateCycles;
    if (due - at->maxAdvance < first || due > last || !lf_reportsPlay(*at)) continue;
    const std::int64_t from = due - std::max<std::int64_t>(at->maxAdvance, limits.passWindowCycles);
    const std::int64_t to = due + std::max<std::int64_t>(at->maxDelay, limits.passWindowCycles);
    double nearest = 1e12;
    for (auto p = std::lower_bound(log.track.begin(), log.track.end(), from,
                                   [](const TrackPoint&x, std::int64_t c) { return x.cycle < c; });
         p != log.track.end() && p->cycle <= to; ++p)
      nearest = std::min(nearest, gf_metres(p->position, r.position));
    const double limit = r.airborne ? limits.airTrackMetres : limits.groundTrackMetres;
    if (nearest > limit)
      faults.add("report not passed",
                 fmt::format("time {:.1f} due at {} nearest {:.0f} m", r.time, due, nearest));
  }
  return faults.take();
}

}  // namespace scenario
