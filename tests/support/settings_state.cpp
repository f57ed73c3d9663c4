#include "support/settings_state.h"

#include "config/parameter_store.h"

namespace testing_support {

namespace cfg = orv::cfg;

SettingsState::SettingsState() : callsignChoices_(cfg::CALLSIGN_2_OBJECTID.choices()) {
  for (orv::BoolParameter* p : orv::gf_boolList()) bools_.emplace_back(p, p->value());
  for (orv::CheckBoxParameter* p : orv::gf_checkBoxList()) bools_.emplace_back(p, p->value());
  for (orv::IntParameter* p : orv::gf_intList()) ints_.emplace_back(p, p->value());
  for (orv::ComboIntParameter* p : orv::gf_intComboList()) ints_.emplace_back(p, p->value());
  ints_.emplace_back(&cfg::PARKING_PERCENTAGE, cfg::PARKING_PERCENTAGE.value());
  floats_.emplace_back(&cfg::MAX_FIT_FL, cfg::MAX_FIT_FL.value());
  for (const auto* list : {&orv::gf_stringList(), &orv::gf_stringControlList()})
    for (const orv::StringEntry& e : *list) strings_.emplace_back(e.parameter, e.parameter->value());
  for (orv::StringParameter* p :
       std::initializer_list<orv::StringParameter*>{&cfg::ALL_INSTALL_PATH, &cfg::CALLSIGN_2_OBJECTID})
    strings_.emplace_back(p, p->value());
  for (const orv::ControlEntry& e : orv::gf_controlEntries())
    windows_.emplace_back(e.control, e.control->window());
}

SettingsState::~SettingsState() {
  orv::gf_setMaxFitShower({});
  for (auto& [p, v] : bools_) p->set(v);
  for (auto& [p, v] : ints_) p->set(v);
  for (auto& [p, v] : floats_) p->set(v);
  for (auto& [p, v] : strings_) p->set(v);
  for (auto& [c, w] : windows_) c->setWindow(w);
  cfg::CALLSIGN_2_OBJECTID.setChoices(*callsignChoices_);
}

}  // namespace testing_support
