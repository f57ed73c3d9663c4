#include "shell/commands.h"

namespace orv {

void gf_selectMaxFitCombo() {}

void lf_setDestination(std::string_view, Position) {}

void gf_disableParkingControls() {}

void lf_autoRange() {}

void enableCsToOidButton() {}

void setAlwaysOnTop(bool) {}

}  // namespace orv
