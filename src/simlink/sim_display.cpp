#include "simlink/sim_display.h"

#include <mutex>

#include "foundation/message_line.h"
#include "platform/ui/window.h"

namespace orv {
namespace {

std::mutex displayMutex;
SimLinkDisplay display;  // guarded by displayMutex

template <typename Change>
void lf_change(Change&& change) {
  {
    std::scoped_lock lock(displayMutex);
    change(display);
  }
  if (const ui::WindowHandle window = gf_mainWindow()) ui::invalidate(window);
}

}  // namespace

SimLinkDisplay gf_simLinkDisplay() {
  std::scoped_lock lock(displayMutex);
  return display;
}

void gf_showSimulatorConnected(bool connected) {
  lf_change([&](SimLinkDisplay& d) { d.simulatorConnected = connected; });
}

void gf_showSimulatorText(std::string_view text) {
  lf_change([&](SimLinkDisplay& d) { d.simulatorText = text; });
}

void gf_showSimulationRunning(bool running) {
  lf_change([&](SimLinkDisplay& d) { d.simulationRunning = running; });
}

void gf_showAircraftText(std::string_view text) {
  lf_change([&](SimLinkDisplay& d) { d.aircraftText = text; });
}

void gf_showStandText(std::string_view text) {
  lf_change([&](SimLinkDisplay& d) { d.standText = text; });
}

void gf_showSpanKnown(bool known) {
  lf_change([&](SimLinkDisplay& d) { d.spanKnown = known; });
}

void gf_resetSimLinkDisplay() {
  lf_change([](SimLinkDisplay& d) { d = SimLinkDisplay{}; });
}

}  // namespace orv
