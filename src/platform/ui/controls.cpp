#include "platform/ui/controls.h"

#include <algorithm>
#include <utility>

#include "platform/ui/window_registry.h"

namespace ui {
namespace {

using detail::ControlRecord;
using detail::findLocked;
using detail::registry;
using detail::WindowRecord;

std::u16string_view classNameOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::ComboBox:
      return u"COMBOBOX";
    case ControlKind::Edit:
      return u"EDIT";
    default:
      return u"BUTTON";
  }
}

// The control record of a window of the wanted kind (None: any control); null otherwise. The
// caller holds the registry lock.
WindowRecord* controlLocked(WindowHandle control, ControlKind wanted) {
  WindowRecord* record = findLocked(control);
  if (!record || record->control.kind == ControlKind::None) return nullptr;
  if (wanted != ControlKind::None && record->control.kind != wanted) return nullptr;
  return record;
}

// Runs `change` on the control's record under the lock; when it reports a change, the parent is
// asked to repaint after the lock is released. False when there is no such control.
template <typename Change>
bool changeControl(WindowHandle control, ControlKind wanted, Change change) {
  WindowHandle parent;
  bool changed = false;
  {
    std::scoped_lock lock(registry().mutex);
    WindowRecord* record = controlLocked(control, wanted);
    if (!record) return false;
    if (!change(record->control, changed)) return false;
    parent = record->spec.parent;
  }
  if (changed && parent) invalidate(parent);
  return true;
}

// Reads from the control's record under the lock; `fallback` for a stale handle or another kind.
template <typename Result, typename Read>
Result readControl(WindowHandle control, ControlKind wanted, Result fallback, Read read) {
  std::scoped_lock lock(registry().mutex);
  const WindowRecord* record = controlLocked(control, wanted);
  return record ? read(*record) : fallback;
}

}  // namespace

WindowHandle createControl(ControlSpec spec) {
  WindowSpec window;
  window.className = std::u16string(classNameOf(spec.kind));
  window.text = std::move(spec.text);
  window.rect = spec.rect;
  window.parent = spec.parent;
  window.controlId = spec.controlId;
  window.proc = std::move(spec.proc);
  if (!spec.parent || spec.kind == ControlKind::None) return {};
  const WindowHandle handle = createWindow(std::move(window));
  if (!handle) return {};
  {
    std::scoped_lock lock(registry().mutex);
    if (WindowRecord* record = findLocked(handle)) {
      record->control.kind = spec.kind;
      record->control.enabled = spec.enabled;
    }
  }
  invalidate(spec.parent);
  return handle;
}

std::optional<ControlState> controlState(WindowHandle control) {
  return readControl(control, ControlKind::None, std::optional<ControlState>{}, [](const WindowRecord& r) {
    return std::optional<ControlState>(ControlState{r.control.kind, r.spec.controlId, r.spec.rect,
                                                    r.spec.text, r.control.enabled, r.control.checked,
                                                    r.control.items, r.control.selection});
  });
}

ControlKind controlKind(WindowHandle control) {
  return readControl(control, ControlKind::None, ControlKind::None,
                     [](const WindowRecord& r) { return r.control.kind; });
}

bool setEnabled(WindowHandle control, bool enabled) {
  return changeControl(control, ControlKind::None, [enabled](ControlRecord& c, bool& changed) {
    changed = std::exchange(c.enabled, enabled) != enabled;
    return true;
  });
}

bool isEnabled(WindowHandle control) {
  return readControl(control, ControlKind::None, false,
                     [](const WindowRecord& r) { return r.control.enabled; });
}

bool setCheck(WindowHandle control, bool checked) {
  return changeControl(control, ControlKind::CheckBox, [checked](ControlRecord& c, bool& changed) {
    changed = std::exchange(c.checked, checked) != checked;
    return true;
  });
}

bool isChecked(WindowHandle control) {
  return readControl(control, ControlKind::CheckBox, false,
                     [](const WindowRecord& r) { return r.control.checked; });
}

bool resetItems(WindowHandle combo) {
  return changeControl(combo, ControlKind::ComboBox, [](ControlRecord& c, bool& changed) {
    changed = !c.items.empty() || c.selection != -1;
    c.items.clear();
    c.selection = -1;
    return true;
  });
}

bool addItem(WindowHandle combo, std::u16string item) {
  return changeControl(combo, ControlKind::ComboBox, [&item](ControlRecord& c, bool& changed) {
    c.items.push_back(std::move(item));
    changed = true;
    return true;
  });
}

bool selectIndex(WindowHandle combo, int index) {
  return changeControl(combo, ControlKind::ComboBox, [index](ControlRecord& c, bool& changed) {
    if (index < -1 || index >= static_cast<int>(c.items.size())) return false;
    changed = std::exchange(c.selection, index) != index;
    return true;
  });
}

int selectExact(WindowHandle combo, std::u16string_view text) {
  int found = -1;
  changeControl(combo, ControlKind::ComboBox, [&](ControlRecord& c, bool& changed) {
    const auto it = std::find(c.items.begin(), c.items.end(), text);
    found = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
    changed = std::exchange(c.selection, found) != found;
    return true;
  });
  return found;
}

int selection(WindowHandle combo) {
  return readControl(combo, ControlKind::ComboBox, -1,
                     [](const WindowRecord& r) { return r.control.selection; });
}

std::vector<std::u16string> items(WindowHandle combo) {
  return readControl(combo, ControlKind::ComboBox, std::vector<std::u16string>{},
                     [](const WindowRecord& r) { return r.control.items; });
}

std::optional<std::u16string> selectedItem(WindowHandle combo) {
  return readControl(
      combo, ControlKind::ComboBox, std::optional<std::u16string>{}, [](const WindowRecord& r) {
        const int i = r.control.selection;
        return i < 0 ? std::optional<std::u16string>{} : r.control.items[static_cast<std::size_t>(i)];
      });
}

bool postCommandNotification(WindowHandle control, std::uint16_t code) {
  WindowHandle parent;
  int id = 0;
  {
    std::scoped_lock lock(registry().mutex);
    const WindowRecord* record = controlLocked(control, ControlKind::None);
    // A disabled control takes no input, so the user cannot have changed it.
    if (!record || !record->control.enabled) return false;
    parent = record->spec.parent;
    id = record->spec.controlId;
  }
  return postMessage(parent, WM_COMMAND, commandWParam(id, code), static_cast<LParam>(control.value()));
}

bool postClick(WindowHandle control) {
  const ControlKind kind = controlKind(control);
  if (kind != ControlKind::Button && kind != ControlKind::CheckBox) return false;
  return postCommandNotification(control, BN_CLICKED);
}

}  // namespace ui
