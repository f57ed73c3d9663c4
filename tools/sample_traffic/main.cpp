// quillstar-sample-traffic: writes the demo's recording of plausible flights around Frankfurt
// (EDDF) as RealTraffic traffic lines, one position every 2 s per aircraft: an arrival landing on
// runway 25C, a departure from 25C, and an overflight at FL350. With --turnaround it writes an
// aircraft's turnaround on the apron instead: taxi in to a stand of the EDDF stand fixture, five
// minutes at the stand, a push back onto the taxiway, and the taxi out.
//
//   quillstar-sample-traffic > demo/sample-traffic.rttfc
//   quillstar-sample-traffic --turnaround > demo/turnaround.rttfc

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/geometry.h"
#include "sample_traffic/eddf_stands.h"

namespace {

using orv::Position;

constexpr double kStartTime = 1796803200.0;  // Wed Dec 09 08:00:00 2026; the replay moves it to now
constexpr double kStep = 2.0;                // seconds between two positions of one aircraft
constexpr int kSteps = 36;                   // 70 s of traffic
constexpr double kFieldElevation = 364.0;    // feet
constexpr Position kThreshold25C{50.04508, 8.58697};
constexpr double kRunwayHeading = 249.0;  // degrees true
constexpr double kFeetPerKnotSecond = 1.6878099;

struct Flight {
  unsigned hexid;
  std::string callsign, type, registration, origin, destination;
  double timeOffset;  // so that lines of different aircraft do not share a timestamp
};

struct State {
  Position position;
  double altitude = 0;       // feet, 0 on the ground
  double verticalSpeed = 0;  // feet per minute
  double track = 0;          // degrees
  double groundSpeed = 0;    // knots
  double roll = 0;           // degrees
  double heading = -1;       // degrees true; below 0: the track (only a push back differs)
};

std::string trafficLine(const Flight& f, const State& s, double time) {
  const bool onGround = s.altitude <= 0;
  const double tas = onGround ? s.groundSpeed : s.groundSpeed + 10;
  return fmt::format(
      "RTTFC,{},{:.6f},{:.6f},{:.0f},{:.0f},{},{:.2f},{:.1f},{},{},{},{},{},{:.1f},X2,,adsb_icao,{:.0f},-1,{:"
      ".0f},"
      "0.000,0.0,{:.1f},{:.2f},{:.2f},{:.0f},none,A3,1013.2,0,-1,{:.2f},,0.0,0.0,0,0,0,0,1,0",
      f.hexid, s.position.latitude, s.position.longitude, s.altitude, s.verticalSpeed, onGround ? 1 : 0,
      s.track, s.groundSpeed, f.callsign, f.type, f.registration, f.origin, f.destination, time, s.altitude,
      tas, s.roll, s.track, s.heading < 0 ? s.track : s.heading, s.verticalSpeed, s.track);
}

Position along(Position from, double trackDeg, double feet) {
  return orv::gf_destinationPoint(from, trackDeg * orv::kDegToRad, feet);
}

// Down the 3 degree glide path of 25C from 2.3 nm out, touchdown 1000 ft past the threshold,
// then the roll-out down to taxi speed.
State arrival(double t) {
  const double approachSpeed = 142.0;
  const double startFeet = 2.3 * orv::kFeetPerNm;
  const double flown = approachSpeed * kFeetPerKnotSecond * t;
  const double touchdownFeet = startFeet + 1000.0;
  State s;
  s.track = kRunwayHeading;
  const Position start = along(kThreshold25C, kRunwayHeading + 180.0, startFeet);
  if (flown < touchdownFeet) {
    const double toTouchdown = touchdownFeet - flown;
    s.position = along(start, kRunwayHeading, flown);
    s.altitude = kFieldElevation + toTouchdown * std::tan(3.0 * orv::kDegToRad);
    s.verticalSpeed = -approachSpeed * kFeetPerKnotSecond * 60.0 * std::tan(3.0 * orv::kDegToRad);
    s.groundSpeed = approachSpeed;
    return s;
  }
  const double touchdownTime = touchdownFeet / (approachSpeed * kFeetPerKnotSecond);
  const double sinceTouchdown = t - touchdownTime;
  const double deceleration = 4.0;  // knots per second
  const double speed = std::max(20.0, approachSpeed - deceleration * sinceTouchdown);
  const double braking = std::min(sinceTouchdown, (approachSpeed - 20.0) / deceleration);
  const double rolled =
      (approachSpeed * braking - deceleration * braking * braking / 2.0 + 20.0 * (sinceTouchdown - braking)) *
      kFeetPerKnotSecond;
  s.position = along(along(start, kRunwayHeading, touchdownFeet), kRunwayHeading, rolled);
  s.groundSpeed = speed;
  return s;
}

// The take-off roll from the threshold of 25C, lift-off at 150 kt, then a climb at 2500 ft/min
// with a gentle turn to the south-west.
State departure(double t) {
  const double acceleration = 5.0;  // knots per second
  const double liftOff = 150.0 / acceleration;
  State s;
  s.track = kRunwayHeading;
  if (t < liftOff) {
    s.groundSpeed = acceleration * t;
    s.position = along(kThreshold25C, kRunwayHeading, acceleration * t * t / 2.0 * kFeetPerKnotSecond);
    return s;
  }
  const Position liftOffPoint =
      along(kThreshold25C, kRunwayHeading, 150.0 * liftOff / 2.0 * kFeetPerKnotSecond);
  const double airborne = t - liftOff;
  s.groundSpeed = std::min(210.0, 150.0 + 2.0 * airborne);
  s.altitude = kFieldElevation + 2500.0 / 60.0 * airborne;
  s.verticalSpeed = 2500.0;
  const double turnStart = 15.0;
  s.track = kRunwayHeading - std::max(0.0, airborne - turnStart) * 1.0;
  s.roll = airborne > turnStart ? -12.0 : 0.0;
  // Short steps along the changing track.
  Position p = liftOffPoint;
  for (double u = 0; u < airborne; u += 1.0) {
    const double track = kRunwayHeading - std::max(0.0, u - turnStart) * 1.0;
    p = along(p, track, std::min(210.0, 150.0 + 2.0 * u) * kFeetPerKnotSecond * std::min(1.0, airborne - u));
  }
  s.position = p;
  return s;
}

// West-bound at FL350, 18 nm north of the airport.
State overflight(double t) {
  const Position entry =
      along(along(kThreshold25C, 0.0, 18.0 * orv::kFeetPerNm), 90.0, 12.0 * orv::kFeetPerNm);
  State s;
  s.track = 270.0;
  s.groundSpeed = 465.0;
  s.altitude = 35000.0;
  s.position = along(entry, s.track, s.groundSpeed * kFeetPerKnotSecond * t);
  return s;
}

// --- the turnaround ---

constexpr double kMetresPerKnot = 1852.0 / 3600.0;  // metres per second at one knot

Position northOf(Position p, double metres) {
  return orv::gf_destinationPoint(p, 0.0, metres / 0.3048);
}
Position eastOf(Position p, double metres) {
  return orv::gf_destinationPoint(p, orv::kPi / 2, metres / 0.3048);
}

// A path on the ground: the points in their order, each with the speed the aircraft has there;
// between two points the speed changes in proportion to the distance run.
struct PathPoint {
  Position position;
  double speedKt;
};

// Runs the path in steps of 0.1 s and keeps a state every 2 s from `time` on; backwards: the nose
// points against the direction of travel (a push back). Returns the time at the end.
double runPath(const std::vector<PathPoint>& path, bool backwards, double time,
               std::vector<std::pair<double, State>>& out) {
  constexpr double kDt = 0.1;
  double next = time;
  double t = time;
  for (std::size_t i = 1; i < path.size(); ++i) {
    const Position from = path[i - 1].position;
    const Position to = path[i].position;
    const double length = orv::gf_distanceNm(from, to) * 1852.0;
    const double track = orv::gf_bearingRad(from, to) * orv::kRadToDeg;
    double run = 0.0;
    while (run < length) {
      const double share = run / length;
      const double speed =
          std::max(0.5, path[i - 1].speedKt + (path[i].speedKt - path[i - 1].speedKt) * share);
      if (t >= next - 1e-9) {
        State s;
        s.position = orv::gf_destinationPoint(from, track * orv::kDegToRad, run / 0.3048);
        s.track = std::fmod(track + 360.0, 360.0);
        s.groundSpeed = speed;
        if (backwards) s.heading = std::fmod(s.track + 180.0, 360.0);
        out.emplace_back(t, s);
        next += kStep;
      }
      run += speed * kMetresPerKnot * kDt;
      t += kDt;
    }
  }
  return t;
}

// Reports of an aircraft standing still, every `every` seconds for `seconds`.
double standStill(Position where, double headingDeg, double time, double seconds, double every,
                  std::vector<std::pair<double, State>>& out) {
  for (double t = 0; t < seconds; t += every) {
    State s;
    s.position = where;
    s.track = headingDeg;
    s.heading = headingDeg;
    out.emplace_back(time + t, s);
  }
  return time + seconds;
}

// Points of a quarter circle around the centre from one bearing to another (degrees), radius in
// metres.
std::vector<Position> arc(Position centre, double radius, double fromDeg, double toDeg) {
  std::vector<Position> points;
  constexpr int kSteps = 9;
  for (int i = 0; i <= kSteps; ++i) {
    const double bearing = fromDeg + (toDeg - fromDeg) * i / kSteps;
    points.push_back(orv::gf_destinationPoint(centre, bearing * orv::kDegToRad, radius / 0.3048));
  }
  return points;
}

std::vector<std::pair<double, State>> turnaround() {
  const auto& stand = sample_traffic::kEddfStands[sample_traffic::kTurnaroundStand];
  const Position standPoint{stand.latitude, stand.longitude};
  const Position abeam{sample_traffic::kApronTaxiwayLatitude, stand.longitude};
  std::vector<std::pair<double, State>> states;

  // In from the east along the taxiway, a right turn of 40 m radius into the stand's lead-in, and
  // a stop 8 m short of the stand point.
  constexpr double kTurnIn = 40.0;
  std::vector<PathPoint> in{{eastOf(abeam, 700.0), 15.0}, {eastOf(abeam, kTurnIn + 60.0), 10.0}};
  for (const Position p : arc(northOf(eastOf(abeam, kTurnIn), kTurnIn), kTurnIn, 180.0, 270.0))
    in.push_back({p, 8.0});
  const Position stop = northOf(standPoint, -8.0);
  in.push_back({northOf(stop, -15.0), 4.0});
  in.push_back({stop, 1.0});
  double t = runPath(in, false, kStartTime, states);

  // Five minutes at the stand, reported every 20 s.
  t = standStill(stop, stand.headingDeg, t + kStep, 300.0, 20.0, states);

  // Pushed back south, the tail swung to the east on a 30 m radius: the nose ends to the west, on
  // the taxiway's centre line.
  constexpr double kTurnBack = 30.0;
  std::vector<PathPoint> back{{stop, 3.0}, {northOf(abeam, kTurnBack), 3.0}};
  for (const Position p : arc(northOf(eastOf(abeam, kTurnBack), kTurnBack), kTurnBack, 270.0, 180.0))
    back.push_back({p, 3.0});
  t = runPath(back, true, t, states);

  // A minute for the engines, then out to the west.
  const Position pushedBack = eastOf(abeam, kTurnBack);
  t = standStill(pushedBack, 270.0, t, 60.0, 10.0, states);
  const std::vector<PathPoint> out{
      {pushedBack, 2.0}, {eastOf(pushedBack, -60.0), 12.0}, {eastOf(pushedBack, -600.0), 12.0}};
  runPath(out, false, t, states);
  return states;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--turnaround") {
    const Flight turning{3961011, "DLH2TA", "A320", "D-AIZA", "MUC", "MUC", 0.0};
    for (const auto& [time, state] : turnaround()) fmt::print("{}\n", trafficLine(turning, state, time));
    return 0;
  }
  if (argc > 1) {
    fmt::print(stderr, "usage: quillstar-sample-traffic [--turnaround]\n");
    return 2;
  }
  struct Line {
    double time;
    std::string text;
  };
  const Flight arriving{3953245, "DLH4AM", "A321", "D-AIDA", "LHR", "FRA", 0.0};
  const Flight departing{3952133, "CFG1TK", "A320", "D-AICA", "FRA", "PMI", 0.6};
  const Flight passing{4008125, "BAW918", "B772", "G-VIIA", "LHR", "DXB", 1.3};
  std::vector<Line> lines;
  for (int i = 0; i < kSteps; ++i) {
    const double t = i * kStep;
    lines.push_back(
        {kStartTime + t, trafficLine(arriving, arrival(t), kStartTime + t + arriving.timeOffset)});
    lines.push_back({kStartTime + t + departing.timeOffset,
                     trafficLine(departing, departure(t), kStartTime + t + departing.timeOffset)});
    lines.push_back({kStartTime + t + passing.timeOffset,
                     trafficLine(passing, overflight(t), kStartTime + t + passing.timeOffset)});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.time < b.time; });
  for (const Line& line : lines) fmt::print("{}\n", line.text);
  return 0;
}
