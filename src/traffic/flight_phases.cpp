#include "traffic/flight_phases.h"

#include <algorithm>

namespace orv {

bool updateLiveAc(TrafficRun&, LiveAircraft& a) {
  return a.drop || a.dropWithdrawn;
}

void appendSample(LiveAircraft& a, const PositionSample& s) {
  PositionSample sample = s;
  if (!a.stream.empty()) sample.dueCycle = std::max(sample.dueCycle, a.stream.back().dueCycle + 1);
  a.stream.push_back(sample);
}

}  // namespace orv
