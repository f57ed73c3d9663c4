#pragma once

// Whole scenarios of live traffic inside the test process, cycle by cycle on a manual clock: the
// traffic lines go to the Traffic Reader's handler at their timestamp's cycle, each cycle runs the
// main cycle's live-traffic step, then the simulator stand-in's frame and dispatch. What every
// aircraft went through is kept per key: its phases and states, its track as the simulator was
// told it, its reports, its creations, client events and removal. Runs are deterministic: RANDOM
// off and the spread of the pitches seeded, a fixed livery title per aircraft, the scenario
// started on a cycle count that is a multiple of 100 (the hand-overs run every 10, 20, 50 and 100
// cycles), the user parked where the test puts it. One harness at a time: it holds the
// process's working folder, settings, clock, stands and simulator link while it lives.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airports/stand_records.h"
#include "foundation/geometry.h"
#include "traffic/aircraft.h"
#include "traffic/traffic_run.h"

namespace scenario {

// The park airport of a scenario with its stands (none: ground aircraft never park).
struct ParkAirportSetup {
  std::string icao;
  orv::Position position;
  double elevationFt = 0.0;
  std::vector<orv::Stand> stands;
};

struct Setup {
  ParkAirportSetup park;
  orv::Position user;                    // parked on the ground at the park airport's elevation
  std::optional<double> userAltitudeFt;  // set: the user flies there instead, standing still
  int rangeNm = 40;
};

// One traffic line of a recording built in a test, in RealTraffic's form.
struct LineSpec {
  std::uint32_t hexid = 0;
  std::string callsign;
  std::string type = "A320";
  std::string registration = "D-AICA";
  double time = 0.0;
  orv::Position position;
  double altitudeFt = 0.0;  // 0 on the ground
  double verticalSpeedFpm = 0.0;
  double trackDeg = 0.0;
  double groundSpeedKt = 0.0;
};
[[nodiscard]] std::string gf_trafficLine(const LineSpec& line);

// One reported position of an aircraft, as the harness handed it in.
struct Report {
  std::int64_t arrivalCycle = 0;  // cycles since the start of the scenario
  double time = 0.0;              // the line's timestamp
  orv::Position position;
  double altitudeFt = 0.0;      // as parsed: 0 on the ground
  double lineAltitudeFt = 0.0;  // as the line has it
  double groundSpeedKt = 0.0;
  bool airborne = false;
  bool accepted = false;  // it reached the aircraft's stream unchanged
};

// The aircraft after one cycle, as the simulator was told it.
struct TrackPoint {
  std::int64_t cycle = 0;
  orv::Position position;
  double altitudeFt = 0.0;
  double headingRad = 0.0;
  double pitchRad = 0.0;
  double bankRad = 0.0;
  double verticalSpeedFps = 0.0;
  double trueAirspeedKt = 0.0;
  orv::FlightPhase phase = orv::FlightPhase::Birth;
  bool onGround = false;     // as the simulator last reported it
  bool simOnGround = false;  // the stand-in's object
  bool landing = false;
  bool flaring = false;
  bool takeOffRoll = false;
  bool landingRoll = false;
  bool holding = false;
  std::int32_t pendingSteps = 0;
  std::int32_t maxAdvance = 0;
  std::int32_t maxDelay = 0;
  std::int64_t lateCycles = 0;
  double targetTime = 0.0;  // the data time of the sample it moves towards; NaN for none
};

struct Event {
  std::int64_t cycle = 0;
  std::uint32_t eventId = 0;
  std::uint32_t value = 0;
};

struct AircraftLog {
  std::uint32_t key = 0;
  std::string callsign;
  double altitudeStepLimitFt = 0.0;
  std::vector<std::pair<std::int64_t, orv::FlightPhase>> phases;  // each change, birth first
  std::vector<std::pair<std::int64_t, orv::SimState>> states;
  std::vector<Report> reports;
  std::vector<TrackPoint> track;       // every cycle with an object in the simulator
  std::vector<std::uint32_t> objects;  // one per creation in the simulator
  std::vector<Event> events;
  std::vector<std::int64_t> removals;     // cycles of the program's removals of its objects
  std::optional<std::int64_t> goneCycle;  // its record left the live list

  [[nodiscard]] std::vector<orv::FlightPhase> phaseOrder() const;
  // The cycle at which the phase was first entered.
  [[nodiscard]] std::optional<std::int64_t> entered(orv::FlightPhase phase) const;
  // The first event of that id and value, and its cycle.
  [[nodiscard]] std::optional<std::int64_t> firstEvent(std::uint32_t eventId, std::uint32_t value) const;
  [[nodiscard]] std::optional<std::int64_t> firstEventOf(std::uint32_t eventId) const;
  // The first track point at which the simulator has the object on the ground / in the air.
  [[nodiscard]] const TrackPoint* firstWhere(bool simOnGround, std::int64_t from = 0) const;
  // Where the simulator first had it leave the ground, and first put it down after flying.
  [[nodiscard]] const TrackPoint* liftOff() const;
  [[nodiscard]] const TrackPoint* touchdown() const;
  // The report that ends the ground part before the first airborne one, that airborne one, and
  // the first report on the ground after airborne ones.
  [[nodiscard]] const Report* lastGroundReport() const;
  [[nodiscard]] const Report* firstAirborneReport() const;
  [[nodiscard]] const Report* firstGroundReport() const;
  // Cycles by which its playback runs late (fixed at its start).
  [[nodiscard]] std::int64_t lateCycles() const { return track.empty() ? 0 : track.back().lateCycles; }
};

class Harness {
 public:
  explicit Harness(Setup setup);
  ~Harness();
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  // Schedules the lines of a recording from `startCycle` on, each at its timestamp's cycle after
  // the first line's, `speed` times faster than recorded (as the replay tool sends them); a second
  // recording may be rebased to follow or overlap another.
  void addLines(const std::vector<std::string>& lines, std::int64_t startCycle = 0, double speed = 1.0);
  // Cycles until every line was handed in and no aircraft is left, or the limit passed.
  void runUntilQuiet(std::int64_t maxCycles);
  void runCycles(std::int64_t cycles);

  [[nodiscard]] std::int64_t cycle() const;
  [[nodiscard]] const std::map<std::uint32_t, AircraftLog>& aircraft() const { return logs_; }
  [[nodiscard]] const AircraftLog& aircraft(std::string_view callsign) const;
  [[nodiscard]] orv::TrafficRun& run();
  // The stand-in's objects now.
  [[nodiscard]] std::size_t objectsInSimulator() const;
  // Lines of the log after its banner.
  [[nodiscard]] std::vector<std::string> logLines() const;

 private:
  struct Parts;
  void lf_cycle();
  void lf_record();
  void lf_harvestJournal();

  std::unique_ptr<Parts> parts_;
  Setup setup_;
  std::map<std::uint32_t, AircraftLog> logs_;
  std::map<std::uint32_t, std::uint32_t> keyOfObject_;
  struct Scheduled {
    std::int64_t cycle;
    std::string text;
  };
  std::vector<Scheduled> lines_;  // in cycle order
  std::size_t nextLine_ = 0;
  std::int64_t startCycle_ = 0;
};

// The lines of a file; empty when it cannot be read.
[[nodiscard]] std::vector<std::string> gf_readRecording(const std::filesystem::path& path);

// What every cycle of an aircraft must keep to; each fault as a text (the first few of each kind).
struct InvariantLimits {
  double maxMoveMetres = 4.0;
  double groundTrackMetres = 60.0;
  double airTrackMetres = 150.0;
  std::int64_t passWindowCycles = 1000;  // max advance and delay outside the rolls
};
[[nodiscard]] std::vector<std::string> gf_invariantFaults(const AircraftLog& log,
                                                          const InvariantLimits& limits = {});

// Distance in metres.
[[nodiscard]] double gf_metres(orv::Position a, orv::Position b);
// Metres of p along the line from `from` towards `to`, negative behind `from`.
[[nodiscard]] double gf_alongTrackMetres(orv::Position from, orv::Position to, orv::Position p);

}  // namespace scenario
