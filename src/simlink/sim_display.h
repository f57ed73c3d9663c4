#pragma once

// What the simulator link shows in the main window: the status lamp and text of the simulator,
// the user's aircraft and its stand. Written by "SimClient", painted by the window's thread;
// every change asks the main window for a repaint. Any thread.

#include <string>
#include <string_view>

namespace orv {

struct SimLinkDisplay {
  bool simulatorConnected = false;
  std::string simulatorText;  // "MSFS 2020 (11.0.1.0)"
  bool simulationRunning = false;
  std::string aircraftText;  // the user aircraft's title
  std::string standText;     // the park-airport stand at the user's position
  bool spanKnown = true;     // the title is drawn in the lamp's colour, else in yellow
};

[[nodiscard]] SimLinkDisplay gf_simLinkDisplay();

void gf_showSimulatorConnected(bool connected);
void gf_showSimulatorText(std::string_view text);
void gf_showSimulationRunning(bool running);
void gf_showAircraftText(std::string_view text);
void gf_showStandText(std::string_view text);
void gf_showSpanKnown(bool known);

// For the next run: everything back to its start value.
void gf_resetSimLinkDisplay();

}  // namespace orv
