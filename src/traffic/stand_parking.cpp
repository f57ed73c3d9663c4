#include "traffic/stand_parking.h"

namespace orv {

void lf_addRealStandOption(TrafficRun&, std::uint32_t, LiveAircraft&, StandOptionKind) {}

void gf_checkMaxParked(TrafficRun&, int) {}

std::vector<std::pair<std::uint32_t, std::int64_t>> lf_parkedDurations(const TrafficRun&) {
  return {};
}

}  // namespace orv
