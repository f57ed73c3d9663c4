#include "foundation/geometry.h"

#include <algorithm>
#include <cmath>

namespace orv {

double gf_distanceNm(Position a, Position b) {
  const double latA = a.latitude * kDegToRad;
  const double latB = b.latitude * kDegToRad;
  const double sinDLat = std::sin((latB - latA) / 2);
  const double sinDLon = std::sin((b.longitude - a.longitude) * kDegToRad / 2);
  // Rounding can push h a hair past 1 for nearly antipodal points; sqrt(1 - h) must not see that.
  const double h =
      std::clamp(sinDLat * sinDLat + std::cos(latA) * std::cos(latB) * sinDLon * sinDLon, 0.0, 1.0);
  return 2 * kEarthRadiusNm * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

double gf_bearingRad(Position from, Position to) {
  const double latFrom = from.latitude * kDegToRad;
  const double latTo = to.latitude * kDegToRad;
  const double dLon = (to.longitude - from.longitude) * kDegToRad;
  double bearing =
      std::atan2(std::sin(dLon) * std::cos(latTo),
                 std::cos(latFrom) * std::sin(latTo) - std::sin(latFrom) * std::cos(latTo) * std::cos(dLon));
  if (bearing < 0) bearing += kTwoPi;
  // A tiny negative course plus 2 pi rounds to 2 pi itself, which is north again.
  if (bearing >= kTwoPi) bearing = 0.0;
  return bearing;
}

Position gf_destinationPoint(Position start, double bearingRad, double distanceFeet) {
  const double d = distanceFeet * kRadiansPerFoot;
  const double lat1 = start.latitude * kDegToRad;
  const double lon1 = start.longitude * kDegToRad;
  const double sinLat2 = std::clamp(
      std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(bearingRad), -1.0, 1.0);
  const double lat2 = std::asin(sinLat2);
  const double lon2 = lon1 + std::atan2(std::sin(bearingRad) * std::sin(d) * std::cos(lat1),
                                        std::cos(d) - std::sin(lat1) * sinLat2);
  return {lat2 * kRadToDeg, std::remainder(lon2, kTwoPi) * kRadToDeg};
}

}  // namespace orv
