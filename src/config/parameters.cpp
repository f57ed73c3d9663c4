#include "config/parameters.h"

#include <algorithm>
#include <numeric>

#include "foundation/fixed_code.h"

namespace orv {
namespace {

std::vector<std::int32_t> lf_steps(std::int32_t first, std::int32_t last, std::int32_t step) {
  std::vector<std::int32_t> values;
  for (std::int32_t v = first; v <= last; v += step) values.push_back(v);
  return values;
}

std::vector<float> lf_maxFitHours() {
  std::vector<float> hours;
  for (int halves = 1; halves <= 10; ++halves) hours.push_back(0.5f * static_cast<float>(halves));
  for (float h : {6.f, 7.f, 8.f, 9.f, 10.f, 12.f, 15.f, 18.f, 21.f, 24.f}) hours.push_back(h);
  return hours;
}

std::vector<std::string> lf_buildAiPackageOrders() {
  static constexpr std::string_view kPackages[] = {"AIG", "FSLTL", "JF", "MTL"};
  constexpr int n = 4;
  std::vector<std::string> orders;
  for (int size = n; size >= 1; --size) {
    // The subsets of this size in lexicographic order, each with its orders in lexicographic order.
    std::vector<bool> pick(n, false);
    std::fill(pick.begin(), pick.begin() + size, true);
    do {
      std::vector<int> members;
      for (int i = 0; i < n; ++i)
        if (pick[static_cast<std::size_t>(i)]) members.push_back(i);
      do {
        std::string text;
        for (int m : members) {
          if (!text.empty()) text += ", ";
          text += kPackages[m];
        }
        orders.push_back(std::move(text));
      } while (std::next_permutation(members.begin(), members.end()));
    } while (std::prev_permutation(pick.begin(), pick.end()));
  }
  return orders;
}

// The destination is an airport's ICAO code, or none.
bool lf_isAirportCodeOrEmpty(std::string_view value) {
  return value.empty() || IcaoCode::isValid(value);
}

}  // namespace

ComboIntParameter::ComboIntParameter(std::string key, std::int32_t defaultValue,
                                     std::vector<std::int32_t> choices, std::uint16_t controlId,
                                     std::int32_t row)
    : IntParameter(std::move(key), defaultValue, choices.front(), choices.back()),
      WindowControl(controlId, row, ui::ControlKind::ComboBox),
      choices_(std::move(choices)) {}

ComboFloatParameter::ComboFloatParameter(std::string key, float defaultValue, std::vector<float> choices,
                                         std::uint16_t controlId, std::int32_t row)
    : FloatParameter(std::move(key), defaultValue, choices.front(), choices.back()),
      WindowControl(controlId, row, ui::ControlKind::ComboBox),
      choices_(std::move(choices)) {}

const std::vector<std::string>& gf_aiPackageOrders() {
  static const std::vector<std::string> orders = lf_buildAiPackageOrders();
  return orders;
}

// Every setting is defined here, once, with its key, default, limits or choices, control id and
// row. All live in this one file so that the lists below are built after the objects they name.
namespace cfg {

BoolParameter RANDOM{"RANDOM", true};
CheckBoxParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 32771, 147};
CheckBoxParameter OBJECTID_LIST{"OBJECTID_LIST", false, 32775, 175};
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 32774, 175};
CheckBoxParameter AEROWINX{"AEROWINX", false, 32776, 203};
CheckBoxParameter GUID_CHANGES{"GUID_CHANGES", true, 32773, 203};
CheckBoxParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 32798, 147};
CheckBoxParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 32799, 147};
CheckBoxParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", true, 32800, 147};
CheckBoxParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 32802, 175};
CheckBoxParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 32809, 203};
CheckBoxParameter HELICOPTERS{"HELICOPTERS", true, 32810, 203};
CheckBoxParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 32811, 203};
CheckBoxParameter AUTO_RANGE{"AUTO_RANGE", true, 32819, 231};
CheckBoxParameter AIRBORNE_ONLY{"AIRBORNE_ONLY", false, 32821, 231};
CheckBoxParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 32834, 287};
CheckBoxParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 32833, 287};
CheckBoxParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 32835, 287};
CheckBoxParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 32855, 315};
CheckBoxParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 32851, 371};
CheckBoxParameter WEEK{"WEEK", false, 32853, 371};
CheckBoxParameter PARK_SOFT{"PARK_SOFT", false, 32852, 371};

IntParameter MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
IntParameter MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};
IntParameter LAST_EPOCH_TIME{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
IntParameter CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
IntParameter HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
IntParameter MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
IntParameter MAX_FIT{"MAX_FIT", 47, 0, 47};
ComboIntParameter MATCHING_DEPTH{"MATCHING_DEPTH", 4, {1, 2, 3, 4}, 32808, 203};
ComboIntParameter RANGE{
    "RANGE", 40, {2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100}, 32818, 231};
ComboIntParameter AR_ABOVE_HEIGHT{"AR_ABOVE_HEIGHT", 48000, lf_steps(18000, 48000, 3000), 32820, 231};
ComboIntParameter MAX_PARK_SEL{"MAX_PARK_SEL", 500, {0, 10, 25, 50, 75, 100, 500}, 32848, 315};
ComboIntParameter MAX_LIVE_SEL{"MAX_LIVE_SEL", 500, {0, 10, 25, 50, 75, 100, 500}, 32849, 315};
ComboIntParameter AIRP_RANGE{"AIRP_RANGE", 20, {5, 10, 15, 20, 25, 30}, 32840, 343};
ComboIntParameter AIRP_HEIGHT{"AIRP_HEIGHT",
                              18000,
                              {2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000},
                              32841,
                              343};
ComboIntParameter PARKING_PERCENTAGE{"parking_percentage", 30, lf_steps(0, 100, 5), 32850, 371};

ComboFloatParameter MAX_FIT_FL{"MAX_FIT_FL", 24.0f, lf_maxFitHours(), 32854, 371};

StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", ""};
StringParameter MSFS_INSTALL_PATH{"MSFS_INSTALL_PATH", ""};
StringParameter PORT_NUMBER{"PORT_NUMBER", "10747"};
StringParameter LFOLDER0{"lfolder0", ""};
StringParameter LFOLDER1{"lfolder1", ""};
StringParameter LFOLDER2{"lfolder2", ""};
StringParameter LFOLDER3{"lfolder3", ""};
StringParameter LFOLDER4{"lfolder4", ""};
StringParameter LFOLDER5{"lfolder5", ""};
StringParameter LFOLDER6{"lfolder6", ""};
StringParameter LFOLDER7{"lfolder7", ""};
StringParameter LFOLDER8{"lfolder8", ""};
StringParameter LFOLDER9{"lfolder9", ""};
StringParameter AIG_VERSION{"AIG_VERSION", ""};
StringParameter DBASE_VERSION{"DBASE_VERSION", ""};
StringParameter AIRPORTS_VERSION{"AIRPORTS_VERSION", ""};
StringParameter LIV_SCAN_VERSION{"LIV_SCAN_VERSION", ""};
StringParameter ADDONS_SCAN_VERSION{"ADDONS_SCAN_VERSION", ""};
StringParameter MYSIMADDON24_VERSION{"MYSIMADDON24_VERSION", ""};
StringParameter MSFS_2024_INSTALL_PATH{"MSFS_2024_INSTALL_PATH", ""};
ComboStringParameter AI_PACKAGE_SELECTOR{"AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL", gf_aiPackageOrders(),
                                         32790, 147};
EditParameter DESTINATION{"DESTINATION", "", 32839, 343, &lf_isAirportCodeOrEmpty};
EditParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 32828, 259};
ComboStringParameter SIM_CHOICE{"SIM_CHOICE", "MSFS 2020", {"MSFS 2020", "MSFS 2024"}, 32789, 119};
EditParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 32788, 119};
SharedComboStringParameter CALLSIGN_2_OBJECTID{"CALLSIGN_2_OBJECTID", "", {""}, 32831, 259};

PushButton FLUSH_STATIC_BUTTON{"Flush static", 32857, 369};
PushButton TBLO_ZIP_BUTTON{"tblo.zip", 32804, 175};
PushButton UNBLOCK_BUTTON{"Unblock", 32829, 257};
PushButton CS_TO_OID_BUTTON{"cs->oid:", 32830, 257};
PushButton BLOCK_BUTTON{"Block", 32832, 257};
PushButton NOW_BUTTON{"Now", 32847, 313};
PushButton REREAD_BUTTON{"Re-read", 32838, 341};

}  // namespace cfg

const std::vector<BoolParameter*>& gf_boolList() {
  static const std::vector<BoolParameter*> list{&cfg::RANDOM};
  return list;
}

const std::vector<CheckBoxParameter*>& gf_checkBoxList() {
  using namespace cfg;
  static const std::vector<CheckBoxParameter*> list{&ALWAYS_ON_TOP,
                                                    &OBJECTID_LIST,
                                                    &NAV_LIGHTS_WHILE_PARKED,
                                                    &AEROWINX,
                                                    &GUID_CHANGES,
                                                    &SCAN_LIVERIES,
                                                    &LIG_AUTOMATIC,
                                                    &LIG_PRIORITIZE,
                                                    &SCAN_AIRPORTS,
                                                    &LIGHT_AIRCRAFT,
                                                    &HELICOPTERS,
                                                    &HIGH_PERF_AIRCRAFT,
                                                    &AUTO_RANGE,
                                                    &AIRBORNE_ONLY,
                                                    &COLLISION_USER_GND,
                                                    &COLLISION_USER_AIR,
                                                    &COLLISION_LIVE_PARKED_GND,
                                                    &STRAIGHT_PBS_ONLY,
                                                    &INITIAL_LOAD_ONLY,
                                                    &WEEK,
                                                    &PARK_SOFT};
  return list;
}

const std::vector<IntParameter*>& gf_intList() {
  using namespace cfg;
  static const std::vector<IntParameter*> list{&MAIN_WINDOW_X,
                                               &MAIN_WINDOW_Y,
                                               &LAST_EPOCH_TIME,
                                               &CUSTOM_PARKING_PERCENTAGE,
                                               &HOLDING_THRESHOLD_METERS,
                                               &MAX_HOLDING_MINUTES,
                                               &MAX_FIT};
  return list;
}

const std::vector<ComboIntParameter*>& gf_intComboList() {
  using namespace cfg;
  static const std::vector<ComboIntParameter*> list{
      &MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT};
  return list;
}

const std::vector<StringEntry>& gf_stringList() {
  using namespace cfg;
  static const std::vector<StringEntry> list{
      {&PROGRAM_VERSION, nullptr},
      {&MSFS_INSTALL_PATH, nullptr},
      {&PORT_NUMBER, nullptr},
      {&LFOLDER0, nullptr},
      {&LFOLDER1, nullptr},
      {&LFOLDER2, nullptr},
      {&LFOLDER3, nullptr},
      {&LFOLDER4, nullptr},
      {&LFOLDER5, nullptr},
      {&LFOLDER6, nullptr},
      {&LFOLDER7, nullptr},
      {&LFOLDER8, nullptr},
      {&LFOLDER9, nullptr},
      {&AIG_VERSION, nullptr},
      {&DBASE_VERSION, nullptr},
      {&AIRPORTS_VERSION, nullptr},
      {&LIV_SCAN_VERSION, nullptr},
      {&ADDONS_SCAN_VERSION, nullptr},
      {&MYSIMADDON24_VERSION, nullptr},
      {&MSFS_2024_INSTALL_PATH, nullptr},
      {&AI_PACKAGE_SELECTOR, &AI_PACKAGE_SELECTOR},
      {&DESTINATION, &DESTINATION},
  };
  return list;
}

const std::vector<StringEntry>& gf_stringControlList() {
  using namespace cfg;
  static const std::vector<StringEntry> list{{&BLOCK_CALLSIGN, &BLOCK_CALLSIGN}, {&SIM_CHOICE, &SIM_CHOICE}};
  return list;
}

const std::vector<ControlEntry>& gf_controlEntries() {
  static const std::vector<ControlEntry> list = [] {
    using namespace cfg;
    std::vector<ControlEntry> entries;
    for (CheckBoxParameter* p : gf_checkBoxList()) entries.push_back({p, p});
    for (ComboIntParameter* p : gf_intComboList()) entries.push_back({p, p});
    entries.push_back({&PARKING_PERCENTAGE, &PARKING_PERCENTAGE});
    entries.push_back({&MAX_FIT_FL, &MAX_FIT_FL});
    for (const StringEntry& e : gf_stringList())
      if (e.control) entries.push_back({e.parameter, e.control});
    for (const StringEntry& e : gf_stringControlList()) entries.push_back({e.parameter, e.control});
    entries.push_back({&ALL_INSTALL_PATH, &ALL_INSTALL_PATH});
    entries.push_back({&CALLSIGN_2_OBJECTID, &CALLSIGN_2_OBJECTID});
    for (PushButton* b : {&FLUSH_STATIC_BUTTON, &TBLO_ZIP_BUTTON, &UNBLOCK_BUTTON, &CS_TO_OID_BUTTON,
                          &BLOCK_BUTTON, &NOW_BUTTON, &REREAD_BUTTON})
      entries.push_back({b, b});
    return entries;
  }();
  return list;
}

const std::vector<StringParameter*>& gf_lfolders() {
  using namespace cfg;
  static const std::vector<StringParameter*> list{&LFOLDER0, &LFOLDER1, &LFOLDER2, &LFOLDER3, &LFOLDER4,
                                                  &LFOLDER5, &LFOLDER6, &LFOLDER7, &LFOLDER8, &LFOLDER9};
  return list;
}

namespace {
constexpr std::int32_t kMetersPerNm = 1852;
}  // namespace

// Derived on every read, so that no load or setter can leave the radius behind RANGE.
double gf_rangeNm() {
  return static_cast<double>(cfg::RANGE.value());
}
std::int32_t gf_rangeMeters() {
  return cfg::RANGE.value() * kMetersPerNm;
}

}  // namespace orv
