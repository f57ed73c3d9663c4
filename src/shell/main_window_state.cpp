#include "shell/main_window_state.h"

#include <utility>

#include "config/parameter_controls.h"
#include "config/parameters.h"
#include "foundation/message_line.h"
#include "platform/ui/window.h"
#include "shell/commands.h"

namespace orv {

void MainWindowState::setLamp(WindowLamp lamp, std::int32_t value) {
  std::scoped_lock lock(mutex_);
  shown_.lamps[static_cast<std::size_t>(lamp)] = value;
}

void MainWindowState::setCount(WindowCount count, std::int64_t value) {
  std::scoped_lock lock(mutex_);
  shown_.counts[static_cast<std::size_t>(count)] = value;
}

void MainWindowState::setText(WindowText text, std::string_view value) {
  std::scoped_lock lock(mutex_);
  shown_.texts[static_cast<std::size_t>(text)] = value;
}

void MainWindowState::setStaticCountdown(std::int32_t minutes) {
  std::scoped_lock lock(mutex_);
  shown_.staticCountdown = minutes;
}

void MainWindowState::setFlag(WindowFlag flag, bool value) {
  std::scoped_lock lock(mutex_);
  shown_.flags[static_cast<std::size_t>(flag)] = value;
}

void MainWindowState::setValue(WindowValue value, double number) {
  std::scoped_lock lock(mutex_);
  shown_.values[static_cast<std::size_t>(value)] = number;
}

void MainWindowState::setCallsigns(std::vector<std::string> callsigns) {
  // The list starts with one empty entry: choosing it chooses no aircraft.
  if (callsigns.empty() || !callsigns.front().empty()) callsigns.insert(callsigns.begin(), std::string());
  cfg::CALLSIGN_2_OBJECTID.setChoices(std::move(callsigns));
  gf_fillCallsignCombo();
  repaint(WindowBand::Options);
}

void MainWindowState::setParkingControls(bool enabled) {
  if (enabled)
    gf_enableParkingControls();
  else
    gf_disableParkingControls();
}

void MainWindowState::repaint(WindowBand) {
  if (const ui::WindowHandle window = gf_mainWindow()) ui::invalidate(window);
}

ShownValues MainWindowState::shown() const {
  std::scoped_lock lock(mutex_);
  return shown_;
}

MainWindowState& gf_mainWindowState() {
  static MainWindowState state;
  return state;
}

}  // namespace orv
