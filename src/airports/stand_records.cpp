#include "airports/stand_records.h"

#include <utility>

namespace orv {

Stand::Stand(std::string standId, std::vector<StandSchedule> standSchedules, double lat, double lon,
             double headingRad, double radiusMetres, bool isCargo, bool isRamp, bool isHeli)
    : schedules(std::move(standSchedules)),
      id(std::move(standId)),
      latitude(lat),
      longitude(lon),
      heading(headingRad),
      radius(radiusMetres * kNmPerMetre),
      cargo(isCargo),
      ramp(isRamp),
      heli(isHeli) {
  neighbours.reserve(8);
}

}  // namespace orv
