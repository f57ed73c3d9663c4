#include "config/parameters.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <type_traits>

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

// What one parameter object or push button is: its key (or label), its default and limits as
// text ("-" where it has none), and the control id and row of its control (-1 without one).
struct Facts {
  std::string key;
  std::string defaultValue;
  std::string minimum;
  std::string maximum;
  int controlId = -1;
  int row = -1;
};

Facts factsOf(const BoolParameter& p) {
  return {p.key(), p.defaultValue() ? "1" : "0", "-", "-"};
}
Facts factsOf(const IntParameter& p) {
  return {p.key(), fmt::format("{}", p.defaultValue()), fmt::format("{}", p.minimum()),
          fmt::format("{}", p.maximum())};
}
Facts factsOf(const FloatParameter& p) {
  return {p.key(), fmt::format("{}", p.defaultValue()), fmt::format("{}", p.minimum()),
          fmt::format("{}", p.maximum())};
}
Facts factsOf(const StringParameter& p) {
  return {p.key(), p.defaultValue(), "-", "-"};
}
Facts factsOf(const PushButton& b) {
  return {b.key(), "-", "-", "-"};
}

struct Row {
  const ParameterItem* item;
  Facts actual;
  Facts expected;
};

template <typename Object>
Row row(const Object& object, Facts expected) {
  Facts actual = factsOf(object);
  if constexpr (std::is_base_of_v<WindowControl, Object>) {
    actual.controlId = object.controlId();
    actual.row = object.row();
  }
  return {&object, std::move(actual), std::move(expected)};
}

// Every setting and push button, as the program's settings are specified: a wrong default, limit,
// control id or row of any of them fails here.
TEST_F(Parameters, EveryObjectHasItsKeyDefaultLimitsControlAndRow) {
  const Row rows[] = {
      row(cfg::RANDOM, {"RANDOM", "1", "-", "-", -1, -1}),
      row(cfg::ALWAYS_ON_TOP, {"ALWAYS_ON_TOP", "0", "-", "-", 32771, 147}),
      row(cfg::OBJECTID_LIST, {"OBJECTID_LIST", "0", "-", "-", 32775, 175}),
      row(cfg::NAV_LIGHTS_WHILE_PARKED, {"NAV_LIGHTS_WHILE_PARKED", "1", "-", "-", 32774, 175}),
      row(cfg::AEROWINX, {"AEROWINX", "0", "-", "-", 32776, 203}),
      row(cfg::GUID_CHANGES, {"GUID_CHANGES", "1", "-", "-", 32773, 203}),
      row(cfg::SCAN_LIVERIES, {"SCAN_LIVERIES", "1", "-", "-", 32798, 147}),
      row(cfg::LIG_AUTOMATIC, {"LIG_AUTOMATIC", "1", "-", "-", 32799, 147}),
      row(cfg::LIG_PRIORITIZE, {"LIG_PRIORITIZE", "1", "-", "-", 32800, 147}),
      row(cfg::SCAN_AIRPORTS, {"SCAN_AIRPORTS", "1", "-", "-", 32802, 175}),
      row(cfg::LIGHT_AIRCRAFT, {"LIGHT_AIRCRAFT", "1", "-", "-", 32809, 203}),
      row(cfg::HELICOPTERS, {"HELICOPTERS", "1", "-", "-", 32810, 203}),
      row(cfg::HIGH_PERF_AIRCRAFT, {"HIGH_PERF_AIRCRAFT", "1", "-", "-", 32811, 203}),
      row(cfg::AUTO_RANGE, {"AUTO_RANGE", "1", "-", "-", 32819, 231}),
      row(cfg::AIRBORNE_ONLY, {"AIRBORNE_ONLY", "0", "-", "-", 32821, 231}),
      row(cfg::COLLISION_USER_GND, {"COLLISION_USER_GND", "1", "-", "-", 32834, 287}),
      row(cfg::COLLISION_USER_AIR, {"COLLISION_USER_AIR", "1", "-", "-", 32833, 287}),
      row(cfg::COLLISION_LIVE_PARKED_GND, {"COLLISION_LIVE_PARKED_GND", "0", "-", "-", 32835, 287}),
      row(cfg::STRAIGHT_PBS_ONLY, {"STRAIGHT_PBS_ONLY", "0", "-", "-", 32855, 315}),
      row(cfg::INITIAL_LOAD_ONLY, {"INITIAL_LOAD_ONLY", "0", "-", "-", 32851, 371}),
      row(cfg::WEEK, {"WEEK", "0", "-", "-", 32853, 371}),
      row(cfg::PARK_SOFT, {"PARK_SOFT", "0", "-", "-", 32852, 371}),
      row(cfg::MAIN_WINDOW_X, {"MAIN_WINDOW_X", "400", "-30000", "30000", -1, -1}),
      row(cfg::MAIN_WINDOW_Y, {"MAIN_WINDOW_Y", "20", "-30000", "30000", -1, -1}),
      row(cfg::LAST_EPOCH_TIME, {"LAST_EPOCH_TIME:", "0", "0", "2147483647", -1, -1}),
      row(cfg::CUSTOM_PARKING_PERCENTAGE, {"CUSTOM_PARKING_PERCENTAGE", "-1", "-1", "100", -1, -1}),
      row(cfg::HOLDING_THRESHOLD_METERS, {"HOLDING_THRESHOLD_METERS", "250", "10", "4000", -1, -1}),
      row(cfg::MAX_HOLDING_MINUTES, {"MAX_HOLDING_MINUTES", "20", "1", "60", -1, -1}),
      row(cfg::MAX_FIT, {"MAX_FIT", "47", "0", "47", -1, -1}),
      row(cfg::MATCHING_DEPTH, {"MATCHING_DEPTH", "4", "1", "4", 32808, 203}),
      row(cfg::RANGE, {"RANGE", "40", "2", "100", 32818, 231}),
      row(cfg::AR_ABOVE_HEIGHT, {"AR_ABOVE_HEIGHT", "48000", "18000", "48000", 32820, 231}),
      row(cfg::MAX_PARK_SEL, {"MAX_PARK_SEL", "500", "0", "500", 32848, 315}),
      row(cfg::MAX_LIVE_SEL, {"MAX_LIVE_SEL", "500", "0", "500", 32849, 315}),
      row(cfg::AIRP_RANGE, {"AIRP_RANGE", "20", "5", "30", 32840, 343}),
      row(cfg::AIRP_HEIGHT, {"AIRP_HEIGHT", "18000", "2000", "48000", 32841, 343}),
      row(cfg::PARKING_PERCENTAGE, {"parking_percentage", "30", "0", "100", 32850, 371}),
      row(cfg::MAX_FIT_FL, {"MAX_FIT_FL", "24", "0.5", "24", 32854, 371}),
      row(cfg::PROGRAM_VERSION, {"PROGRAM_VERSION", "", "-", "-", -1, -1}),
      row(cfg::MSFS_INSTALL_PATH, {"MSFS_INSTALL_PATH", "", "-", "-", -1, -1}),
      row(cfg::PORT_NUMBER, {"PORT_NUMBER", "10747", "-", "-", -1, -1}),
      row(cfg::LFOLDER0, {"lfolder0", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER1, {"lfolder1", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER2, {"lfolder2", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER3, {"lfolder3", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER4, {"lfolder4", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER5, {"lfolder5", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER6, {"lfolder6", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER7, {"lfolder7", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER8, {"lfolder8", "", "-", "-", -1, -1}),
      row(cfg::LFOLDER9, {"lfolder9", "", "-", "-", -1, -1}),
      row(cfg::AIG_VERSION, {"AIG_VERSION", "", "-", "-", -1, -1}),
      row(cfg::DBASE_VERSION, {"DBASE_VERSION", "", "-", "-", -1, -1}),
      row(cfg::AIRPORTS_VERSION, {"AIRPORTS_VERSION", "", "-", "-", -1, -1}),
      row(cfg::LIV_SCAN_VERSION, {"LIV_SCAN_VERSION", "", "-", "-", -1, -1}),
      row(cfg::ADDONS_SCAN_VERSION, {"ADDONS_SCAN_VERSION", "", "-", "-", -1, -1}),
      row(cfg::MYSIMADDON24_VERSION, {"MYSIMADDON24_VERSION", "", "-", "-", -1, -1}),
      row(cfg::MSFS_2024_INSTALL_PATH, {"MSFS_2024_INSTALL_PATH", "", "-", "-", -1, -1}),
      row(cfg::AI_PACKAGE_SELECTOR, {"AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL", "-", "-", 32790, 147}),
      row(cfg::DESTINATION, {"DESTINATION", "", "-", "-", 32839, 343}),
      row(cfg::BLOCK_CALLSIGN, {"BLOCK_CALLSIGN", "", "-", "-", 32828, 259}),
      row(cfg::SIM_CHOICE, {"SIM_CHOICE", "MSFS 2020", "-", "-", 32789, 119}),
      row(cfg::ALL_INSTALL_PATH, {"ALL_INSTALL_PATH", "", "-", "-", 32788, 119}),
      row(cfg::CALLSIGN_2_OBJECTID, {"CALLSIGN_2_OBJECTID", "", "-", "-", 32831, 259}),
      row(cfg::FLUSH_STATIC_BUTTON, {"Flush static", "-", "-", "-", 32857, 369}),
      row(cfg::TBLO_ZIP_BUTTON, {"tblo.zip", "-", "-", "-", 32804, 175}),
      row(cfg::UNBLOCK_BUTTON, {"Unblock", "-", "-", "-", 32829, 257}),
      row(cfg::CS_TO_OID_BUTTON, {"cs->oid:", "-", "-", "-", 32830, 257}),
      row(cfg::BLOCK_BUTTON, {"Block", "-", "-", "-", 32832, 257}),
      row(cfg::NOW_BUTTON, {"Now", "-", "-", "-", 32847, 313}),
      row(cfg::REREAD_BUTTON, {"Re-read", "-", "-", "-", 32838, 341}),
  };
  std::set<const ParameterItem*> listed;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.expected.key);
    EXPECT_TRUE(listed.insert(r.item).second);
    EXPECT_EQ(r.actual.key, r.expected.key);
    EXPECT_EQ(r.actual.defaultValue, r.expected.defaultValue);
    EXPECT_EQ(r.actual.minimum, r.expected.minimum);
    EXPECT_EQ(r.actual.maximum, r.expected.maximum);
    EXPECT_EQ(r.actual.controlId, r.expected.controlId);
    EXPECT_EQ(r.actual.row, r.expected.row);
  }
  // The table holds every object the program builds its window and its file from.
  for (const ControlEntry& e : gf_controlEntries()) EXPECT_TRUE(listed.contains(e.item)) << e.item->key();
  for (BoolParameter* p : gf_boolList()) EXPECT_TRUE(listed.contains(p)) << p->key();
  for (IntParameter* p : gf_intList()) EXPECT_TRUE(listed.contains(p)) << p->key();
  for (const auto* list : {&gf_stringList(), &gf_stringControlList()})
    for (const StringEntry& e : *list) EXPECT_TRUE(listed.contains(e.parameter)) << e.parameter->key();
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
