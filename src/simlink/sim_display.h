#pragma once

// What the simulator link shows in the main window: the status lamp and text of the simulator,
// the user's aircraft and its stand. Written by "SimClient" and the start-up thread through the
// window view, which keeps the values and repaints. Any thread.

#include <string_view>

namespace orv {

void gf_showSimulatorConnected(bool connected);
void gf_showSimulatorText(std::string_view text);
void gf_showSimulationRunning(bool running);
void gf_showAircraftText(std::string_view text);
void gf_showStandText(std::string_view text);
void gf_showSpanKnown(bool known);

}  // namespace orv
