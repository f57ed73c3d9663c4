#include "liveries/liveries.h"

#include "simlink/flight_plans.h"

namespace orv {

bool isFailedTitle(std::string_view title) {
  return gf_failedLiveries().isFailed(title);
}

}  // namespace orv
