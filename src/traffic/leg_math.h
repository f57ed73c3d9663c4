#pragma once

// Small geometry of the legs between two samples. Longitude differences are taken the short way
// round, so that a leg across the antimeridian is not flown round the world.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foundation/geometry.h"
#include "traffic/traffic_record.h"

namespace orv {

// b - a in [-180, 180).
[[nodiscard]] inline double gf_longitudeDelta(double a, double b) {
  double d = std::fmod(b - a + 180.0, 360.0);
  if (d < 0.0) d += 360.0;
  return d - 180.0;
}
// Into [-180, 180).
[[nodiscard]] inline double gf_wrapLongitude(double longitude) {
  return gf_longitudeDelta(0.0, longitude);
}
// Into [0, 2 pi); a value that rounds to 2 pi becomes 0.
[[nodiscard]] inline double gf_wrapHeading(double heading) {
  double h = std::fmod(heading, kTwoPi);
  if (h < 0.0) h += kTwoPi;
  return h > 6.283185307178586 ? 0.0 : h;
}
// The turn from one heading to another in (-pi, pi].
[[nodiscard]] inline double gf_turnRad(double from, double to) {
  double d = std::fmod(to - from + kPi, kTwoPi);
  if (d < 0.0) d += kTwoPi;
  return d - kPi;
}
// The heading turned towards the target by the rate (radians per cycle), the shorter way; within
// half a degree of the target it stays as it is.
[[nodiscard]] inline double gf_turnTowards(double heading, double target, double rate) {
  const double turn = gf_turnRad(heading, target);
  if (std::abs(turn) <= 0.5 * kDegToRad) return heading;
  return gf_wrapHeading(heading + std::copysign(std::min(std::abs(turn), rate), turn));
}
[[nodiscard]] inline Position gf_positionOf(const PositionSample& s) {
  return Position{s.latitude, s.longitude};
}
// Both within `limit` degrees of each other in latitude and longitude.
[[nodiscard]] inline bool gf_within(const PositionSample& a, const PositionSample& b, double limit) {
  return std::abs(a.latitude - b.latitude) <= limit &&
         std::abs(gf_longitudeDelta(a.longitude, b.longitude)) <= limit;
}

}  // namespace orv
