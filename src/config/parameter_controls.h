#pragma once

// Showing parameter values in their controls. Each does nothing while the control does not exist
// yet. Never called with the parameter store's lock held. Any thread.

#include <cstddef>
#include <optional>

#include "config/parameters.h"

namespace orv {

// Refills the drop-down list with the choices and selects the value's item; nothing is selected
// when the value is not among the choices.
void gf_fillIntCombo(const ComboIntParameter& parameter);
void gf_fillStringCombo(const ComboStringParameter& parameter);
// Each choice as "{:.1f}"; the value is selected by the caller, which knows the step table.
void gf_fillFloatCombo(const ComboFloatParameter& parameter);
// CALLSIGN_2_OBJECTID from the shared callsign list.
void gf_fillCallsignCombo();

// The index of the first choice equal to the value; nothing for none.
[[nodiscard]] std::optional<std::size_t> gf_indexOfChoice(const ComboStringParameter& parameter);

void gf_showCheck(const CheckBoxParameter& parameter);
// Selects the item of the value in the drop-down list (none when it is not a choice).
void gf_showIntParameter(const ComboIntParameter& parameter);
// RANGE's drop-down shows the first step not below the radius, as the range setter does: a radius
// between two steps (45 from a stand file) shows the step above it.
void gf_showRange();
// An edit box shows the text; a drop-down list selects the item equal to it.
void gf_showTextParameter(const StringParameter& parameter, const WindowControl& control);

}  // namespace orv
