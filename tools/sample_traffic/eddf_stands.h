#pragma once

// A stand fixture of Frankfurt (EDDF): a row of apron stands north of an east-west taxiway, nose
// to the north. The sample traffic's turnaround parks at one of them; the tests hand the same
// stands to the program as the park airport's.

#include <array>
#include <cstddef>

namespace sample_traffic {

struct StandFixture {
  const char* id;
  double latitude;  // degrees
  double longitude;
  double headingDeg;  // the nose at the stand, true
  double radiusMetres;
};

inline constexpr double kApronTaxiwayLatitude = 50.0470;  // the taxiway's centre line
inline constexpr std::array<StandFixture, 5> kEddfStands{{{"V101", 50.0478, 8.5600, 0.0, 25.0},
                                                          {"V102", 50.0478, 8.5607, 0.0, 25.0},
                                                          {"V103", 50.0478, 8.5614, 0.0, 25.0},
                                                          {"V104", 50.0478, 8.5621, 0.0, 25.0},
                                                          {"V105", 50.0478, 8.5628, 0.0, 25.0}}};
// The turnaround's stand.
inline constexpr std::size_t kTurnaroundStand = 2;

}  // namespace sample_traffic
