#pragma once

// The settings are global objects for the whole process, as the program needs them. A test that
// changes any of them, binds their controls to windows or links the MAX_FIT shower holds a
// SettingsState: it notes every setting's value and control window when it is built and puts them
// back, with the shared callsign choices, when it is destroyed, and unlinks the shower.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/parameters.h"

namespace testing_support {

class SettingsState {
 public:
  SettingsState();
  ~SettingsState();
  SettingsState(const SettingsState&) = delete;
  SettingsState& operator=(const SettingsState&) = delete;

 private:
  std::vector<std::pair<orv::BoolParameter*, bool>> bools_;
  std::vector<std::pair<orv::IntParameter*, std::int32_t>> ints_;
  std::vector<std::pair<orv::FloatParameter*, float>> floats_;
  std::vector<std::pair<orv::StringParameter*, std::string>> strings_;
  std::vector<std::pair<orv::WindowControl*, ui::WindowHandle>> windows_;
  std::shared_ptr<const std::vector<std::string>> callsignChoices_;
};

}  // namespace testing_support
