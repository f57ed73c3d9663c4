#pragma once

// The scan of the add-on airports installed in the simulator. Start-up thread.

namespace orv {

// Not built yet: no add-on airport is scanned.
void gf_scanAddonAirports();

}  // namespace orv
