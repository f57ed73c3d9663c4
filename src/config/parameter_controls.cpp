#include "config/parameter_controls.h"

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/text.h"
#include "foundation/utf.h"

namespace orv {
namespace {

// The UTF-16 form of a text for the window; nothing (logged) when the text is not UTF-8.
std::optional<std::u16string> lf_wide(std::string_view text) {
  try {
    return utf8_to_wide(text);
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("utf8_to_wide failed for '{}': {}", gf_logQuote(text), e.what()));
    return std::nullopt;
  }
}

// The control's window; a main window without it is logged (before the main window exists there
// is nothing to show, and nothing to say).
ui::WindowHandle lf_controlWindow(const WindowControl& control) {
  const ui::WindowHandle window = control.window();
  if (!window && gf_mainWindow()) gf_logLine(fmt::format("GetDlgItem failed for ID {}", control.controlId()));
  return window;
}

template <typename Texts>
void lf_fillCombo(ui::WindowHandle combo, const Texts& choices, std::string_view value) {
  if (!combo) return;
  ui::resetItems(combo);
  for (const std::string& choice : choices) ui::addItem(combo, lf_wide(choice).value_or(u""));
  if (auto wide = lf_wide(value)) ui::selectExact(combo, *wide);
}

void lf_selectIntValue(const ComboIntParameter& parameter, ui::WindowHandle combo) {
  const auto& choices = parameter.choices();
  const auto it = std::find(choices.begin(), choices.end(), parameter.value());
  ui::selectIndex(combo, it == choices.end() ? -1 : static_cast<int>(it - choices.begin()));
}

}  // namespace

void gf_fillIntCombo(const ComboIntParameter& parameter) {
  const ui::WindowHandle combo = parameter.window();
  if (!combo) return;
  ui::resetItems(combo);
  for (std::int32_t choice : parameter.choices()) ui::addItem(combo, utf8_to_wide(fmt::format("{}", choice)));
  lf_selectIntValue(parameter, combo);
}

void gf_fillStringCombo(const ComboStringParameter& parameter) {
  lf_fillCombo(parameter.window(), parameter.choices(), parameter.value());
}

void gf_fillFloatCombo(const ComboFloatParameter& parameter) {
  const ui::WindowHandle combo = parameter.window();
  if (!combo) return;
  ui::resetItems(combo);
  for (float choice : parameter.choices()) ui::addItem(combo, utf8_to_wide(fmt::format("{:.1f}", choice)));
}

void gf_fillCallsignCombo() {
  const SharedComboStringParameter& parameter = cfg::CALLSIGN_2_OBJECTID;
  lf_fillCombo(parameter.window(), *parameter.choices(), parameter.value());
}

std::optional<std::size_t> gf_indexOfChoice(const ComboStringParameter& parameter) {
  const auto& choices = parameter.choices();
  const auto it = std::find(choices.begin(), choices.end(), parameter.value());
  if (it == choices.end()) return std::nullopt;
  return static_cast<std::size_t>(it - choices.begin());
}

void gf_showCheck(const CheckBoxParameter& parameter) {
  if (const ui::WindowHandle box = parameter.window()) ui::setCheck(box, parameter.value());
}

void gf_showIntParameter(const ComboIntParameter& parameter) {
  if (const ui::WindowHandle combo = lf_controlWindow(parameter)) lf_selectIntValue(parameter, combo);
}

void gf_showRange() {
  const ui::WindowHandle combo = cfg::RANGE.window();
  if (!combo) return;
  const auto& choices = cfg::RANGE.choices();
  const std::int32_t radius = cfg::RANGE.value();
  const auto it =
      std::find_if(choices.begin(), choices.end(), [radius](std::int32_t c) { return c >= radius; });
  ui::selectIndex(combo, it == choices.end() ? -1 : static_cast<int>(it - choices.begin()));
}

void gf_showTextParameter(const StringParameter& parameter, const WindowControl& control) {
  const ui::WindowHandle window = lf_controlWindow(control);
  if (!window) return;
  const auto wide = lf_wide(parameter.value());
  if (!wide) return;
  if (control.kind() == ui::ControlKind::ComboBox)
    ui::selectExact(window, *wide);
  else
    ui::setWindowText(window, *wide);
}

}  // namespace orv
