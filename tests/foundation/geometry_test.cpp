#include "foundation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using orv::Position;

struct AirportPair {
  const char* name;
  Position from;
  Position to;
  double distanceNm;  // great circle on the one-minute-of-arc sphere
  double bearingDeg;  // initial course
};

// Reference values from the spherical Vincenty formula, worked out independently.
const AirportPair kPairs[] = {
    {"EGLL-KJFK", {51.4706, -0.461941}, {40.639801, -73.7789}, 2989.153, 287.9369},
    {"EHAM-LFPG", {52.308601, 4.76389}, {49.012798, 2.55}, 214.904, 203.9271},
    {"YSSY-NZAA", {-33.946098, 151.177002}, {-37.008099, 174.792007}, 1165.295, 105.8396},
    {"KLAX-RJTT across the date line", {33.942501, -118.407997}, {35.552299, 139.779999}, 4755.106, 305.8476},
};

TEST(Geometry, KnownAirportPairs) {
  for (const auto& pair : kPairs) {
    SCOPED_TRACE(pair.name);
    EXPECT_NEAR(orv::gf_distanceNm(pair.from, pair.to), pair.distanceNm, 0.1);
    EXPECT_NEAR(orv::gf_bearingRad(pair.from, pair.to) * orv::kRadToDeg, pair.bearingDeg, 0.001);
    // Flying the initial course for the distance lands on the other airport.
    const Position end = orv::gf_destinationPoint(pair.from, orv::gf_bearingRad(pair.from, pair.to),
                                                  pair.distanceNm * orv::kFeetPerNm);
    EXPECT_LT(orv::gf_distanceNm(end, pair.to), 0.1);
  }
}

TEST(Geometry, DistanceOnTheEquatorAndToItself) {
  EXPECT_NEAR(orv::gf_distanceNm({0, 0}, {0, 1}), 60.0, 1e-9);
  EXPECT_EQ(orv::gf_distanceNm({51.5, -0.46}, {51.5, -0.46}), 0.0);
  // Antipodes: half the circumference, and no NaN from rounding.
  EXPECT_NEAR(orv::gf_distanceNm({10, 20}, {-10, -160}), orv::kPi * orv::kEarthRadiusNm, 1e-3);
}

TEST(Geometry, BearingsStayWithinAFullCircle) {
  EXPECT_EQ(orv::gf_bearingRad({0, 0}, {1, 0}), 0.0);
  EXPECT_NEAR(orv::gf_bearingRad({0, 0}, {0, -1}), 3 * orv::kPi / 2, 1e-12);
  EXPECT_NEAR(orv::gf_bearingRad({0, 0}, {0, 1}), orv::kPi / 2, 1e-12);
  EXPECT_NEAR(orv::gf_bearingRad({1, 0}, {0, 0}), orv::kPi, 1e-12);
  // Due north by a hair to the west: just below 2 pi, never 2 pi itself.
  const double nearlyNorth = orv::gf_bearingRad({0, 0}, {1, -1e-300});
  EXPECT_GE(nearlyNorth, 0.0);
  EXPECT_LT(nearlyNorth, orv::kTwoPi);
}

TEST(Geometry, DestinationWrapsAcrossTheDateLine) {
  const Position end = orv::gf_destinationPoint({0, 179.9}, orv::kPi / 2, 60761.15);
  EXPECT_NEAR(end.longitude, -179.9333, 1e-4);
  EXPECT_NEAR(end.latitude, 0.0, 1e-9);
  // A zero distance stays put.
  const Position same = orv::gf_destinationPoint({47.5, 8.5}, 1.0, 0.0);
  EXPECT_NEAR(same.latitude, 47.5, 1e-12);
  EXPECT_NEAR(same.longitude, 8.5, 1e-12);
}

}  // namespace
