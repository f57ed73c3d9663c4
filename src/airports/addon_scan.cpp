#include "airports/addon_scan.h"

namespace orv {

void gf_scanAddonAirports() {}

}  // namespace orv
