#include "traffic/spawning.h"

namespace orv {

void emptyNoLiverySet(TrafficRun&) {}

}  // namespace orv
