#pragma once

// What the window's controls do on the run's behalf: destination, range, parking controls and
// the options band's buttons. GUI thread and start-up thread as stated.

#include <string_view>

#include "foundation/geometry.h"

namespace orv {

// Not built yet: the MAX_FIT_FL drop-down is left as it is.
void gf_selectMaxFitCombo();
// Not built yet: no destination is set.
void lf_setDestination(std::string_view code, Position airport);
// Not built yet: the parking controls stay as they are.
void gf_disableParkingControls();
// Not built yet: RANGE is not adapted to the user aircraft's height.
void lf_autoRange();
// Not built yet: the cs->oid: button stays as it is.
void enableCsToOidButton();
// Not built yet: the window's place in the z-order is left as it is.
void setAlwaysOnTop(bool onTop);

}  // namespace orv
