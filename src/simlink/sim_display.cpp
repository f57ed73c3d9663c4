#include "simlink/sim_display.h"

#include "foundation/window_view.h"

namespace orv {
namespace {

void lf_lamp(WindowLamp lamp, bool on) {
  WindowView& window = gf_windowView();
  window.setLamp(lamp, on ? 1 : 0);
  window.repaint(WindowBand::Status);
}

void lf_text(WindowText which, std::string_view text) {
  WindowView& window = gf_windowView();
  window.setText(which, text);
  window.repaint(WindowBand::Status);
}

}  // namespace

void gf_showSimulatorConnected(bool connected) {
  lf_lamp(WindowLamp::SimulatorConnected, connected);
}

void gf_showSimulatorText(std::string_view text) {
  lf_text(WindowText::Simulator, text);
}

void gf_showSimulationRunning(bool running) {
  lf_lamp(WindowLamp::SimulationRunning, running);
}

void gf_showAircraftText(std::string_view text) {
  lf_text(WindowText::UserAircraft, text);
}

void gf_showStandText(std::string_view text) {
  lf_text(WindowText::UserStand, text);
}

void gf_showSpanKnown(bool known) {
  lf_lamp(WindowLamp::SpanKnown, known);
}

}  // namespace orv
