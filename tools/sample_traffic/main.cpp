// quillstar-sample-traffic: writes the demo's recording of plausible flights around Frankfurt
// (EDDF) as RealTraffic traffic lines, one position every 2 s per aircraft: an arrival landing on
// runway 25C, a departure from 25C, and an overflight at FL350.
//
//   quillstar-sample-traffic > demo/sample-traffic.rttfc

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/geometry.h"

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
      tas, s.roll, s.track, s.track, s.verticalSpeed, s.track);
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

}  // namespace

int main() {
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
