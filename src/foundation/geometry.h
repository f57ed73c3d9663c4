#pragma once

// Great-circle geometry on a spherical earth whose nautical mile is one minute of arc.

namespace orv {

// Degrees, north and east positive.
struct Position {
  double latitude = 0.0;
  double longitude = 0.0;
};

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;
inline constexpr double kEarthRadiusNm = 3437.746770784939;  // 180 x 60 / pi
inline constexpr double kEarthRadiusFeet = 20888146.4047;
inline constexpr double kRadiansPerFoot = 4.787404208238998e-8;
inline constexpr double kFeetPerNm = 6076.11549;
inline constexpr double kMetresPerNm = 1852.0;

// Haversine distance in nautical miles.
[[nodiscard]] double gf_distanceNm(Position a, Position b);

// Initial great-circle course from one position to another, in radians within [0, 2 pi).
[[nodiscard]] double gf_bearingRad(Position from, Position to);

// The position reached from the start on the given initial course (radians) after the given
// distance in feet; the longitude is wrapped into [-180, 180].
[[nodiscard]] Position gf_destinationPoint(Position start, double bearingRad, double distanceFeet);

}  // namespace orv
