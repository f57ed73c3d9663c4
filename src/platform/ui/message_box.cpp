#include "platform/ui/message_box.h"

#include "platform/ui/message_box_records.h"

namespace ui {

int messageBox(WindowHandle /*owner*/, std::string_view text, std::string_view caption, MessageBoxIcon icon) {
  detail::recordMessageBox(text, caption, icon);
  return IDOK;
}

}  // namespace ui
