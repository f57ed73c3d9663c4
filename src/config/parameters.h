#pragma once

// Every setting of the program, and the push buttons of the options band: one global object
// each, built once before main and alive until the process ends. The rest of the program reads
// the current values from them; the parameter store loads and saves them; the main window binds
// its controls to them.
//
// Values are read on every thread: bools, integers and floats are atomics, texts sit behind a
// mutex of their own and are read as copies, and the shared callsign list is replaced whole.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/window.h"

namespace orv {

class ParameterItem {
 public:
  explicit ParameterItem(std::string key) : key_(std::move(key)) {}
  virtual ~ParameterItem() = default;
  ParameterItem(const ParameterItem&) = delete;
  ParameterItem& operator=(const ParameterItem&) = delete;

  // The key in "parameters.xml", compared exactly; for a push button its label.
  [[nodiscard]] const std::string& key() const { return key_; }

 private:
  const std::string key_;
};

class BoolParameter : public ParameterItem {
 public:
  BoolParameter(std::string key, bool defaultValue)
      : ParameterItem(std::move(key)), default_(defaultValue), value_(defaultValue) {}
  [[nodiscard]] bool defaultValue() const { return default_; }
  [[nodiscard]] bool value() const { return value_.load(std::memory_order_relaxed); }
  void set(bool value) { value_.store(value, std::memory_order_relaxed); }

 private:
  const bool default_;
  std::atomic<bool> value_;
};

class IntParameter : public ParameterItem {
 public:
  IntParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum)
      : ParameterItem(std::move(key)),
        default_(defaultValue),
        min_(minimum),
        max_(maximum),
        value_(defaultValue) {}
  [[nodiscard]] std::int32_t defaultValue() const { return default_; }
  [[nodiscard]] std::int32_t minimum() const { return min_; }
  [[nodiscard]] std::int32_t maximum() const { return max_; }
  [[nodiscard]] std::int32_t value() const { return value_.load(std::memory_order_relaxed); }
  [[nodiscard]] std::int32_t clamped(std::int64_t value) const {
    return static_cast<std::int32_t>(value < min_ ? min_ : value > max_ ? max_ : value);
  }
  // The value stays within [minimum, maximum]: whatever is given is clamped.
  void set(std::int64_t value) { value_.store(clamped(value), std::memory_order_relaxed); }

 private:
  const std::int32_t default_;
  const std::int32_t min_;
  const std::int32_t max_;
  std::atomic<std::int32_t> value_;
};

class FloatParameter : public ParameterItem {
 public:
  FloatParameter(std::string key, float defaultValue, float minimum, float maximum)
      : ParameterItem(std::move(key)),
        default_(defaultValue),
        min_(minimum),
        max_(maximum),
        value_(defaultValue) {}
  [[nodiscard]] float defaultValue() const { return default_; }
  [[nodiscard]] float minimum() const { return min_; }
  [[nodiscard]] float maximum() const { return max_; }
  [[nodiscard]] float value() const { return value_.load(std::memory_order_relaxed); }
  void set(float value) {
    value_.store(value < min_ ? min_ : value > max_ ? max_ : value, std::memory_order_relaxed);
  }

 private:
  const float default_;
  const float min_;
  const float max_;
  std::atomic<float> value_;
};

// What a text setting may hold beyond being text; a stored value it refuses gives the default.
using TextRule = bool (*)(std::string_view value);

class StringParameter : public ParameterItem {
 public:
  StringParameter(std::string key, std::string defaultValue, TextRule rule = nullptr)
      : ParameterItem(std::move(key)), default_(defaultValue), rule_(rule), value_(std::move(defaultValue)) {}
  [[nodiscard]] const std::string& defaultValue() const { return default_; }
  [[nodiscard]] bool accepts(std::string_view value) const { return rule_ == nullptr || rule_(value); }
  [[nodiscard]] std::string value() const {
    std::scoped_lock lock(mutex_);
    return value_;
  }
  void set(std::string value) {
    std::scoped_lock lock(mutex_);
    value_ = std::move(value);
  }

 private:
  const std::string default_;
  const TextRule rule_;
  mutable std::mutex mutex_;
  std::string value_;
};

// The control of a parameter or push button in the options band of the main window.
class WindowControl {
 public:
  WindowControl(std::uint16_t controlId, std::int32_t row, ui::ControlKind kind)
      : controlId_(controlId), row_(row), kind_(kind) {}
  virtual ~WindowControl() = default;
  WindowControl(const WindowControl&) = delete;
  WindowControl& operator=(const WindowControl&) = delete;

  [[nodiscard]] std::uint16_t controlId() const { return controlId_; }
  // The y coordinate of the control's row in the main window's client area.
  [[nodiscard]] std::int32_t row() const { return row_; }
  [[nodiscard]] ui::ControlKind kind() const { return kind_; }

  // None until the main window has created the control. Any thread.
  [[nodiscard]] ui::WindowHandle window() const { return ui::WindowHandle(window_.load()); }
  void setWindow(ui::WindowHandle window) { window_.store(window.value()); }

  // The procedure a subclassed edit box passes on to. GUI thread only.
  ui::WindowProc previousProc;

 private:
  const std::uint16_t controlId_;
  const std::int32_t row_;
  const ui::ControlKind kind_;
  std::atomic<std::uint32_t> window_{0};
};

class CheckBoxParameter : public BoolParameter, public WindowControl {
 public:
  CheckBoxParameter(std::string key, bool defaultValue, std::uint16_t controlId, std::int32_t row)
      : BoolParameter(std::move(key), defaultValue),
        WindowControl(controlId, row, ui::ControlKind::CheckBox) {}
};

// The limits of a drop-down list are its first and its last choice.
class ComboIntParameter : public IntParameter, public WindowControl {
 public:
  ComboIntParameter(std::string key, std::int32_t defaultValue, std::vector<std::int32_t> choices,
                    std::uint16_t controlId, std::int32_t row);
  [[nodiscard]] const std::vector<std::int32_t>& choices() const { return choices_; }

 private:
  const std::vector<std::int32_t> choices_;
};

class ComboFloatParameter : public FloatParameter, public WindowControl {
 public:
  ComboFloatParameter(std::string key, float defaultValue, std::vector<float> choices,
                      std::uint16_t controlId, std::int32_t row);
  [[nodiscard]] const std::vector<float>& choices() const { return choices_; }

 private:
  const std::vector<float> choices_;
};

class EditParameter : public StringParameter, public WindowControl {
 public:
  EditParameter(std::string key, std::string defaultValue, std::uint16_t controlId, std::int32_t row,
                TextRule rule = nullptr)
      : StringParameter(std::move(key), std::move(defaultValue), rule),
        WindowControl(controlId, row, ui::ControlKind::Edit) {}
};

class ComboStringParameter : public StringParameter, public WindowControl {
 public:
  ComboStringParameter(std::string key, std::string defaultValue, std::vector<std::string> choices,
                       std::uint16_t controlId, std::int32_t row)
      : StringParameter(std::move(key), std::move(defaultValue)),
        WindowControl(controlId, row, ui::ControlKind::ComboBox),
        choices_(std::move(choices)) {}
  [[nodiscard]] const std::vector<std::string>& choices() const { return choices_; }

 private:
  const std::vector<std::string> choices_;
};

// A drop-down list whose choices the program replaces while it runs (the callsigns of the
// active aircraft). Readers get the list of the moment; a new list replaces it whole.
class SharedComboStringParameter : public StringParameter, public WindowControl {
 public:
  SharedComboStringParameter(std::string key, std::string defaultValue, std::vector<std::string> choices,
                             std::uint16_t controlId, std::int32_t row)
      : StringParameter(std::move(key), std::move(defaultValue)),
        WindowControl(controlId, row, ui::ControlKind::ComboBox),
        choices_(std::make_shared<const std::vector<std::string>>(std::move(choices))) {}
  [[nodiscard]] std::shared_ptr<const std::vector<std::string>> choices() const {
    std::scoped_lock lock(choicesMutex_);
    return choices_;
  }
  void setChoices(std::vector<std::string> choices) {
    auto list = std::make_shared<const std::vector<std::string>>(std::move(choices));
    std::scoped_lock lock(choicesMutex_);
    choices_ = std::move(list);
  }

 private:
  mutable std::mutex choicesMutex_;
  std::shared_ptr<const std::vector<std::string>> choices_;
};

class PushButton : public ParameterItem, public WindowControl {
 public:
  PushButton(std::string label, std::uint16_t controlId, std::int32_t row)
      : ParameterItem(std::move(label)), WindowControl(controlId, row, ui::ControlKind::Button) {}
};

namespace cfg {

// Bool and check-box parameters.
extern BoolParameter RANDOM;
extern CheckBoxParameter ALWAYS_ON_TOP;
extern CheckBoxParameter OBJECTID_LIST;
extern CheckBoxParameter NAV_LIGHTS_WHILE_PARKED;
extern CheckBoxParameter AEROWINX;
extern CheckBoxParameter GUID_CHANGES;
extern CheckBoxParameter SCAN_LIVERIES;
extern CheckBoxParameter LIG_AUTOMATIC;
extern CheckBoxParameter LIG_PRIORITIZE;
extern CheckBoxParameter SCAN_AIRPORTS;
extern CheckBoxParameter LIGHT_AIRCRAFT;
extern CheckBoxParameter HELICOPTERS;
extern CheckBoxParameter HIGH_PERF_AIRCRAFT;
extern CheckBoxParameter AUTO_RANGE;
extern CheckBoxParameter AIRBORNE_ONLY;
extern CheckBoxParameter COLLISION_USER_GND;
extern CheckBoxParameter COLLISION_USER_AIR;
extern CheckBoxParameter COLLISION_LIVE_PARKED_GND;
extern CheckBoxParameter STRAIGHT_PBS_ONLY;
extern CheckBoxParameter INITIAL_LOAD_ONLY;
extern CheckBoxParameter WEEK;
extern CheckBoxParameter PARK_SOFT;

// Integer parameters.
extern IntParameter MAIN_WINDOW_X;
extern IntParameter MAIN_WINDOW_Y;
extern IntParameter LAST_EPOCH_TIME;  // key "LAST_EPOCH_TIME:"
extern IntParameter CUSTOM_PARKING_PERCENTAGE;
extern IntParameter HOLDING_THRESHOLD_METERS;
extern IntParameter MAX_HOLDING_MINUTES;
extern IntParameter MAX_FIT;
extern ComboIntParameter MATCHING_DEPTH;
extern ComboIntParameter RANGE;
extern ComboIntParameter AR_ABOVE_HEIGHT;
extern ComboIntParameter MAX_PARK_SEL;
extern ComboIntParameter MAX_LIVE_SEL;
extern ComboIntParameter AIRP_RANGE;
extern ComboIntParameter AIRP_HEIGHT;
extern ComboIntParameter PARKING_PERCENTAGE;  // key "parking_percentage", not persisted

extern ComboFloatParameter MAX_FIT_FL;  // not persisted

// Text parameters.
extern StringParameter PROGRAM_VERSION;
extern StringParameter MSFS_INSTALL_PATH;  // the MSFS 2020 packages folder, the one that holds "Community"
extern StringParameter PORT_NUMBER;
extern StringParameter LFOLDER0;
extern StringParameter LFOLDER1;
extern StringParameter LFOLDER2;
extern StringParameter LFOLDER3;
extern StringParameter LFOLDER4;
extern StringParameter LFOLDER5;
extern StringParameter LFOLDER6;
extern StringParameter LFOLDER7;
extern StringParameter LFOLDER8;
extern StringParameter LFOLDER9;
extern StringParameter AIG_VERSION;
extern StringParameter DBASE_VERSION;
extern StringParameter AIRPORTS_VERSION;
extern StringParameter LIV_SCAN_VERSION;
extern StringParameter ADDONS_SCAN_VERSION;
extern StringParameter MYSIMADDON24_VERSION;
extern StringParameter MSFS_2024_INSTALL_PATH;  // the MSFS 2024 packages folder
extern ComboStringParameter AI_PACKAGE_SELECTOR;
extern EditParameter DESTINATION;
extern EditParameter BLOCK_CALLSIGN;
extern ComboStringParameter SIM_CHOICE;
extern EditParameter ALL_INSTALL_PATH;                  // not persisted
extern SharedComboStringParameter CALLSIGN_2_OBJECTID;  // not persisted

// Push buttons (created disabled by the main window).
extern PushButton FLUSH_STATIC_BUTTON;
extern PushButton TBLO_ZIP_BUTTON;
extern PushButton UNBLOCK_BUTTON;
extern PushButton CS_TO_OID_BUTTON;
extern PushButton BLOCK_BUTTON;
extern PushButton NOW_BUTTON;
extern PushButton REREAD_BUTTON;

}  // namespace cfg

// The persisted lists: what the parameter store reads and writes, in the order of the file.
// A text parameter has its control beside it when it has one.
struct StringEntry {
  StringParameter* parameter;
  WindowControl* control;  // null for a text without a control
};
[[nodiscard]] const std::vector<BoolParameter*>& gf_boolList();
[[nodiscard]] const std::vector<CheckBoxParameter*>& gf_checkBoxList();
[[nodiscard]] const std::vector<IntParameter*>& gf_intList();
[[nodiscard]] const std::vector<ComboIntParameter*>& gf_intComboList();
[[nodiscard]] const std::vector<StringEntry>& gf_stringList();
[[nodiscard]] const std::vector<StringEntry>& gf_stringControlList();

// Every object with a control (parameters and push buttons), for the window to create them from.
struct ControlEntry {
  ParameterItem* item;
  WindowControl* control;
};
[[nodiscard]] const std::vector<ControlEntry>& gf_controlEntries();

// lfolder0 to lfolder9: the manual livery folders.
[[nodiscard]] const std::vector<StringParameter*>& gf_lfolders();

// The 64 choices of AI_PACKAGE_SELECTOR: every order of every non-empty subset of the packages,
// the orders of four first, then of three, of two and the single names.
[[nodiscard]] const std::vector<std::string>& gf_aiPackageOrders();

// The traffic radius: RANGE in nautical miles and in metres (RANGE x 1852), whatever set RANGE.
[[nodiscard]] double gf_rangeNm();
[[nodiscard]] std::int32_t gf_rangeMeters();

}  // namespace orv
