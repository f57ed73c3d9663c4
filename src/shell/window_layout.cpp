#include "shell/window_layout.h"

#include <fmt/format.h>

#include "foundation/utf.h"
#include "platform/ui/controls.h"
#include "platform/ui/message_box.h"
#include "platform/ui/paint.h"

namespace orv {

const std::vector<ControlPlace>& gf_controlPlaces() {
  using namespace cfg;
  static const std::vector<ControlPlace> places{
      {&SIM_CHOICE, SIM_CHOICE.key(), 5, 105, 80},
      {&ALL_INSTALL_PATH, ALL_INSTALL_PATH.key(), 111, 1200},
      {&SCAN_LIVERIES, SCAN_LIVERIES.key(), 5, 12},
      {&LIG_AUTOMATIC, LIG_AUTOMATIC.key(), 217, 12},
      {&AI_PACKAGE_SELECTOR, AI_PACKAGE_SELECTOR.key(), 323, 175, 300},
      {&LIG_PRIORITIZE, LIG_PRIORITIZE.key(), 536, 12},
      {&ALWAYS_ON_TOP, ALWAYS_ON_TOP.key(), 748, 12},
      {&SCAN_AIRPORTS, SCAN_AIRPORTS.key(), 5, 12},
      {&TBLO_ZIP_BUTTON, TBLO_ZIP_BUTTON.key(), 217, 80},
      {&OBJECTID_LIST, OBJECTID_LIST.key(), 652, 12},
      {&NAV_LIGHTS_WHILE_PARKED, NAV_LIGHTS_WHILE_PARKED.key(), 748, 12},
      {&MATCHING_DEPTH, MATCHING_DEPTH.key(), 217, 40, 120},
      {&LIGHT_AIRCRAFT, LIGHT_AIRCRAFT.key(), 323, 12},
      {&HELICOPTERS, HELICOPTERS.key(), 430, 12},
      {&HIGH_PERF_AIRCRAFT, HIGH_PERF_AIRCRAFT.key(), 536, 12},
      {&AEROWINX, AEROWINX.key(), 652, 12},
      {&GUID_CHANGES, GUID_CHANGES.key(), 748, 12},
      {&RANGE, RANGE.key(), 217, 50, 200},
      {&AUTO_RANGE, AUTO_RANGE.key(), 323, 12},
      {&AR_ABOVE_HEIGHT, AR_ABOVE_HEIGHT.key(), 455, 70, 230},
      {&AIRBORNE_ONLY, AIRBORNE_ONLY.key(), 572, 12},
      {&COLLISION_USER_GND, COLLISION_USER_GND.key(), 217, 12},
      {&COLLISION_USER_AIR, COLLISION_USER_AIR.key(), 323, 12},
      {&COLLISION_LIVE_PARKED_GND, COLLISION_LIVE_PARKED_GND.key(), 430, 12},
      {&BLOCK_CALLSIGN, BLOCK_CALLSIGN.key(), 107, 100},
      {&UNBLOCK_BUTTON, UNBLOCK_BUTTON.key(), 223, 60},
      {&CS_TO_OID_BUTTON, CS_TO_OID_BUTTON.key(), 305, 60},
      {&CALLSIGN_2_OBJECTID, CALLSIGN_2_OBJECTID.key(), 375, 100, 300},
      {&BLOCK_BUTTON, BLOCK_BUTTON.key(), 576, 60},
      {&NOW_BUTTON, NOW_BUTTON.key(), 111, 45},
      {&MAX_PARK_SEL, MAX_PARK_SEL.key(), 323, 55, 144},
      {&MAX_LIVE_SEL, MAX_LIVE_SEL.key(), 536, 55, 144},
      {&DESTINATION, DESTINATION.key(), 217, 50},
      {&AIRP_RANGE, AIRP_RANGE.key(), 353, 45, 144},
      {&AIRP_HEIGHT, AIRP_HEIGHT.key(), 566, 70, 230},
      {&STRAIGHT_PBS_ONLY, STRAIGHT_PBS_ONLY.key(), 652, 12},
      {&INITIAL_LOAD_ONLY, INITIAL_LOAD_ONLY.key(), 5, 12},
      {&WEEK, WEEK.key(), 71, 12},
      {&PARK_SOFT, PARK_SOFT.key(), 151, 12},
      {&PARKING_PERCENTAGE, PARKING_PERCENTAGE.key(), 323, 50, 200},
      {&MAX_FIT_FL, MAX_FIT_FL.key(), 566, 60, 300},
      {&REREAD_BUTTON, REREAD_BUTTON.key(), 758, 90},
      {&FLUSH_STATIC_BUTTON, FLUSH_STATIC_BUTTON.key(), 758, 90},
  };
  return places;
}

ui::Rect gf_controlRect(const ControlPlace& place) {
  const int row = place.control->row();
  switch (place.control->kind()) {
    case ui::ControlKind::ComboBox:
      return ui::Rect{place.x, row - 5, place.x + place.width, row - 5 + 21};
    case ui::ControlKind::CheckBox:
      return ui::Rect{place.x, row + 2, place.x + 12, row + 2 + 12};
    case ui::ControlKind::Edit:
      return ui::Rect{place.x, row, place.x + place.width, row + 16};
    default:
      return ui::Rect{place.x, row, place.x + place.width, row + 20};
  }
}

const ControlPlace* gf_findControlPlace(std::string_view name) {
  for (const ControlPlace& place : gf_controlPlaces())
    if (place.name == name) return &place;
  return nullptr;
}

namespace {

std::string lf_quoted(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += fmt::format("\\x{:02X}", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string lf_utf8(const std::u16string& text) {
  try {
    return wide_to_utf8(text);
  } catch (const std::exception&) {
    return "?";
  }
}

std::string lf_colour(ui::Colour c) {
  return fmt::format("#{:02X}{:02X}{:02X}", ui::red(c), ui::green(c), ui::blue(c));
}

std::string_view lf_kindName(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::CheckBox:
      return "check";
    case ui::ControlKind::ComboBox:
      return "combo";
    case ui::ControlKind::Edit:
      return "edit";
    default:
      return "button";
  }
}

}  // namespace

std::string gf_windowText(ui::WindowHandle window) {
  std::string out;
  const ui::Rect rect = ui::normalRect(window).value_or(ui::Rect{});
  const auto caption = ui::windowText(window).value_or(u"");
  out += fmt::format("window {} {}x{} at {},{} topmost={}\n", lf_quoted(lf_utf8(caption)), rect.width(),
                     rect.height(), rect.left, rect.top, ui::isTopmost(window) ? 1 : 0);
  if (const auto frame = ui::lastFrame(window)) {
    for (const ui::PaintOp& op : frame->ops) {
      const ui::Rect& r = op.rect;
      switch (op.kind) {
        case ui::PaintOp::Kind::Fill:
          out += fmt::format("fill {},{},{},{} {}{}\n", r.left, r.top, r.right, r.bottom,
                             lf_colour(op.colour), op.name.empty() ? "" : " " + op.name);
          break;
        case ui::PaintOp::Kind::Line:
          out += fmt::format("line {},{},{},{} {}\n", r.left, r.top, r.right, r.bottom, lf_colour(op.colour));
          break;
        case ui::PaintOp::Kind::Text:
          out += fmt::format("text {},{} {} {}\n", r.left, r.top, lf_colour(op.colour),
                             lf_quoted(lf_utf8(op.text)));
          break;
      }
    }
  }
  for (const ControlPlace& place : gf_controlPlaces()) {
    const auto state = ui::controlState(place.control->window());
    if (!state) continue;
    std::string shown;
    switch (state->kind) {
      case ui::ControlKind::CheckBox:
        shown = state->checked ? "checked" : "unchecked";
        break;
      case ui::ControlKind::ComboBox:
        // Only a selection among the items is shown: the state may come from another system.
        shown = fmt::format(
            "{} items={}",
            state->selection < 0 || static_cast<std::size_t>(state->selection) >= state->items.size()
                ? std::string("none")
                : lf_quoted(lf_utf8(state->items[static_cast<std::size_t>(state->selection)])),
            state->items.size());
        break;
      default:
        shown = lf_quoted(lf_utf8(state->text));
        break;
    }
    const ui::Rect& r = state->rect;
    out += fmt::format("control {} {} {} {},{},{},{} {} {}\n", lf_quoted(place.name),
                       lf_kindName(state->kind), state->controlId, r.left, r.top, r.right, r.bottom,
                       state->enabled ? "enabled" : "disabled", shown);
  }
  for (const ui::MessageBoxRecord& box : ui::shownMessageBoxes())
    out += fmt::format("warning {} {}\n", lf_quoted(box.caption), lf_quoted(box.text));
  return out;
}

}  // namespace orv
