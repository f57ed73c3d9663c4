#include "traffic/static_parking.h"

namespace orv {

StaticAircraft::StaticAircraft(const AircraftHead& head, std::uint32_t stand, Position standPosition,
                               double standHeadingRad, bool cargoStand)
    : AircraftHead(head),
      position(standPosition),
      headingRad(standHeadingRad),
      standId(stand),
      standCargo(cargoStand) {}

void detcs(TrafficRun&) {}

bool staticWorkPending(const TrafficRun&) {
  return false;
}

void activateStatic(TrafficRun&, std::uint32_t, std::uint32_t) {}

bool eraseStaticByObjectId(TrafficRun&, std::uint32_t) {
  return false;
}

void staticCreationFailed(TrafficRun&, std::uint32_t) {}

std::int64_t staticCount(const TrafficRun&) {
  return 0;
}

std::int64_t activeStaticCount(const TrafficRun&) {
  return 0;
}

std::int64_t gf_wantedParkedCount(TrafficRun&) {
  return 0;
}

void gf_computeParking(TrafficRun&) {}

void gf_parkingAdjustments(TrafficRun&) {}

}  // namespace orv
