#include "config/parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "config/parameter_controls.h"
#include "support/settings_state.h"

namespace {

using namespace orv;

// Each test puts back every setting it changed.
class Parameters : public testing::Test {
 protected:
  testing_support::SettingsState settings;
};

TEST_F(Parameters, FreshObjectsHoldTheirDefaults) {
  EXPECT_EQ(cfg::RANGE.value(), 40);
  EXPECT_EQ(cfg::MATCHING_DEPTH.value(), 4);
  EXPECT_EQ(cfg::PORT_NUMBER.value(), "10747");
  EXPECT_EQ(cfg::SIM_CHOICE.value(), "MSFS 2020");
  EXPECT_EQ(cfg::CUSTOM_PARKING_PERCENTAGE.value(), -1);
  EXPECT_EQ(cfg::MAX_FIT.value(), 47);
  EXPECT_EQ(cfg::AI_PACKAGE_SELECTOR.value(), "AIG, FSLTL, JF, MTL");
  EXPECT_EQ(cfg::LAST_EPOCH_TIME.key(), "LAST_EPOCH_TIME:");
  EXPECT_EQ(cfg::PARKING_PERCENTAGE.key(), "parking_percentage");
  EXPECT_EQ(*cfg::CALLSIGN_2_OBJECTID.choices(), std::vector<std::string>{""});
  EXPECT_DOUBLE_EQ(gf_rangeNm(), 40.0);
  EXPECT_EQ(gf_rangeMeters(), 74080);
  EXPECT_TRUE(cfg::RANDOM.value());
  EXPECT_FLOAT_EQ(cfg::MAX_FIT_FL.value(), 24.0f);
}

// Catches a setting defined twice, missing from its list, or with limits that contradict it.
TEST_F(Parameters, TheListsHoldEverySettingOnceWithSoundLimits) {
  std::set<std::string> keys;
  auto add = [&keys](const ParameterItem& item) {
    EXPECT_TRUE(keys.insert(item.key()).second) << item.key();
  };
  for (BoolParameter* p : gf_boolList()) {
    add(*p);
    EXPECT_EQ(p->value(), p->defaultValue());
  }
  for (CheckBoxParameter* p : gf_checkBoxList()) {
    add(*p);
    EXPECT_EQ(p->value(), p->defaultValue());
  }
  auto checkInt = [](const IntParameter& p) {
    EXPECT_LE(p.minimum(), p.defaultValue()) << p.key();
    EXPECT_LE(p.defaultValue(), p.maximum()) << p.key();
    EXPECT_EQ(p.value(), p.defaultValue()) << p.key();
  };
  for (IntParameter* p : gf_intList()) {
    add(*p);
    checkInt(*p);
  }
  for (ComboIntParameter* p : gf_intComboList()) {
    add(*p);
    checkInt(*p);
    EXPECT_TRUE(std::is_sorted(p->choices().begin(), p->choices().end()));
    EXPECT_EQ(std::adjacent_find(p->choices().begin(), p->choices().end()), p->choices().end()) << p->key();
    EXPECT_EQ(p->minimum(), p->choices().front());
    EXPECT_EQ(p->maximum(), p->choices().back());
    EXPECT_NE(std::find(p->choices().begin(), p->choices().end(), p->defaultValue()), p->choices().end())
        << p->key();
  }
  for (const auto* list : {&gf_stringList(), &gf_stringControlList()}) {
    for (const StringEntry& e : *list) {
      add(*e.parameter);
      EXPECT_EQ(e.parameter->value(), e.parameter->defaultValue());
    }
  }
  EXPECT_EQ(keys.size(), 60u);
  EXPECT_EQ(gf_boolList().size(), 1u);
  EXPECT_EQ(gf_checkBoxList().size(), 21u);
  EXPECT_EQ(gf_intList().size(), 7u);
  EXPECT_EQ(gf_intComboList().size(), 7u);
  EXPECT_EQ(gf_stringList().size(), 22u);
  EXPECT_EQ(gf_stringControlList().size(), 2u);
  for (const char* notPersisted :
       {"parking_percentage", "MAX_FIT_FL", "ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID"})
    EXPECT_FALSE(keys.contains(notPersisted));
  EXPECT_EQ(gf_lfolders().size(), 10u);
  EXPECT_EQ(gf_lfolders()[9]->key(), "lfolder9");
}

TEST_F(Parameters, ControlsHaveUniqueIds) {
  std::set<int> ids;
  std::set<std::string> labels;
  int buttons = 0;
  for (const ControlEntry& e : gf_controlEntries()) {
    EXPECT_TRUE(ids.insert(e.control->controlId()).second) << e.item->key();
    EXPECT_GT(e.control->row(), 0);
    EXPECT_FALSE(e.control->window());
    EXPECT_TRUE(labels.insert(e.item->key()).second) << e.item->key();
    buttons += e.control->kind() == ui::ControlKind::Button;
  }
  EXPECT_EQ(ids.size(), 43u);
  EXPECT_EQ(buttons, 7);
  EXPECT_EQ(cfg::REREAD_BUTTON.key(), "Re-read");
  EXPECT_EQ(cfg::CS_TO_OID_BUTTON.controlId(), 32830);
}

TEST_F(Parameters, ChoiceTables) {
  EXPECT_EQ(cfg::RANGE.choices().size(), 20u);
  EXPECT_EQ(cfg::RANGE.choices()[15], 40);
  EXPECT_EQ(cfg::AR_ABOVE_HEIGHT.choices().size(), 11u);
  EXPECT_EQ(cfg::AR_ABOVE_HEIGHT.choices()[1], 21000);
  EXPECT_EQ(cfg::PARKING_PERCENTAGE.choices().size(), 21u);
  EXPECT_EQ(cfg::MAX_FIT_FL.choices().size(), 20u);
  EXPECT_FLOAT_EQ(cfg::MAX_FIT_FL.choices()[9], 5.0f);
  EXPECT_FLOAT_EQ(cfg::MAX_FIT_FL.minimum(), 0.5f);
  EXPECT_FLOAT_EQ(cfg::MAX_FIT_FL.maximum(), 24.0f);
}

TEST_F(Parameters, AiPackageOrders) {
  const auto& orders = gf_aiPackageOrders();
  ASSERT_EQ(orders.size(), 64u);
  EXPECT_EQ(std::set<std::string>(orders.begin(), orders.end()).size(), 64u);
  EXPECT_EQ(orders.front(), "AIG, FSLTL, JF, MTL");
  EXPECT_EQ(orders[1], "AIG, FSLTL, MTL, JF");
  EXPECT_EQ(orders[23], "MTL, JF, FSLTL, AIG");
  EXPECT_EQ(orders[24], "AIG, FSLTL, JF");
  EXPECT_EQ(orders[48], "AIG, FSLTL");
  EXPECT_EQ(orders[49], "FSLTL, AIG");
  EXPECT_EQ(orders[60], "AIG");
  EXPECT_EQ(orders[63], "MTL");
  for (std::size_t i = 0; i < orders.size(); ++i) {
    const auto names = static_cast<std::size_t>(std::count(orders[i].begin(), orders[i].end(), ',')) + 1;
    EXPECT_EQ(names, i < 24 ? 4u : i < 48 ? 3u : i < 60 ? 2u : 1u) << orders[i];
  }
  EXPECT_EQ(cfg::AI_PACKAGE_SELECTOR.choices(), orders);
}

TEST_F(Parameters, WritersClamp) {
  cfg::MAX_HOLDING_MINUTES.set(0);
  EXPECT_EQ(cfg::MAX_HOLDING_MINUTES.value(), 1);
  cfg::RANGE.set(500);
  EXPECT_EQ(cfg::RANGE.value(), 100);
  cfg::LAST_EPOCH_TIME.set(std::int64_t{1} << 40);
  EXPECT_EQ(cfg::LAST_EPOCH_TIME.value(), 2147483647);
  cfg::MAX_FIT_FL.set(100.f);
  EXPECT_FLOAT_EQ(cfg::MAX_FIT_FL.value(), 24.f);
}

// A main window with the controls of a few parameters.
class BoundControls : public testing::Test {
 protected:
  BoundControls() {
    parent = ui::createWindow(ui::WindowSpec{});
    bind(cfg::RANGE);
    bind(cfg::AI_PACKAGE_SELECTOR);
    bind(cfg::CALLSIGN_2_OBJECTID);
    bind(cfg::AUTO_RANGE);
    bind(cfg::DESTINATION);
  }
  void bind(WindowControl& control) {
    ui::ControlSpec spec;
    spec.kind = control.kind();
    spec.parent = parent;
    spec.controlId = control.controlId();
    control.setWindow(ui::createControl(std::move(spec)));
  }
  testing_support::SettingsState settings;  // unbinds the controls again
  ui::WindowHandle parent;
};

TEST_F(BoundControls, FillingIntCombos) {
  gf_fillIntCombo(cfg::RANGE);
  const ui::WindowHandle combo = cfg::RANGE.window();
  EXPECT_EQ(ui::items(combo).size(), 20u);
  EXPECT_EQ(ui::items(combo)[0], u"2");
  EXPECT_EQ(ui::selection(combo), 15);
  cfg::RANGE.set(41);
  gf_fillIntCombo(cfg::RANGE);
  EXPECT_EQ(ui::selection(combo), -1);
  cfg::RANGE.set(100);
  gf_showIntParameter(cfg::RANGE);
  EXPECT_EQ(ui::selectedItem(combo), u"100");
  gf_fillIntCombo(cfg::MATCHING_DEPTH);  // no control yet: nothing happens
}

TEST_F(BoundControls, FillingStringCombosSelectsTheExactChoice) {
  cfg::AI_PACKAGE_SELECTOR.set("AIG, FSLTL, JF");
  gf_fillStringCombo(cfg::AI_PACKAGE_SELECTOR);
  const ui::WindowHandle combo = cfg::AI_PACKAGE_SELECTOR.window();
  EXPECT_EQ(ui::items(combo).size(), 64u);
  EXPECT_EQ(ui::selection(combo), 24);
  EXPECT_EQ(gf_indexOfChoice(cfg::AI_PACKAGE_SELECTOR), 24u);
  cfg::AI_PACKAGE_SELECTOR.set("AIG");
  gf_showTextParameter(cfg::AI_PACKAGE_SELECTOR, cfg::AI_PACKAGE_SELECTOR);
  EXPECT_EQ(ui::selection(combo), 60);
  cfg::AI_PACKAGE_SELECTOR.set("ABC");
  EXPECT_FALSE(gf_indexOfChoice(cfg::AI_PACKAGE_SELECTOR));
  const ComboStringParameter empty("EMPTY", "", {}, 1, 1);
  EXPECT_FALSE(gf_indexOfChoice(empty));
}

TEST_F(BoundControls, TheCallsignListIsReplacedWhole) {
  cfg::CALLSIGN_2_OBJECTID.setChoices({"", "BAW12", "BAW1"});
  cfg::CALLSIGN_2_OBJECTID.set("BAW1");
  const auto before = cfg::CALLSIGN_2_OBJECTID.choices();
  gf_fillCallsignCombo();
  const ui::WindowHandle combo = cfg::CALLSIGN_2_OBJECTID.window();
  EXPECT_EQ(ui::selection(combo), 2);  // not BAW12, which merely begins with it
  cfg::CALLSIGN_2_OBJECTID.setChoices({"KLM1"});
  EXPECT_EQ(before->size(), 3u);  // a reader's copy stays whole
  gf_fillCallsignCombo();
  EXPECT_EQ(ui::items(combo), std::vector<std::u16string>{u"KLM1"});
  EXPECT_EQ(ui::selection(combo), -1);
}

TEST_F(BoundControls, ShowingChecksAndTexts) {
  cfg::AUTO_RANGE.set(true);
  gf_showCheck(cfg::AUTO_RANGE);
  EXPECT_TRUE(ui::isChecked(cfg::AUTO_RANGE.window()));
  cfg::DESTINATION.set("EHAM \xE2\x82\xAC");
  gf_showTextParameter(cfg::DESTINATION, cfg::DESTINATION);
  EXPECT_EQ(ui::windowText(cfg::DESTINATION.window()), u"EHAM \u20AC");
  cfg::DESTINATION.set("bad \xC3");  // not UTF-8: logged, the box keeps its text
  gf_showTextParameter(cfg::DESTINATION, cfg::DESTINATION);
  EXPECT_EQ(ui::windowText(cfg::DESTINATION.window()), u"EHAM \u20AC");
}

}  // namespace
