#include "support/foundation_state.h"

#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/random.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "foundation/time_text.h"

namespace testing_support {

FoundationState::FoundationState() {
  putBack();
}

FoundationState::~FoundationState() {
  putBack();
}

void FoundationState::putBack() {
  orv::gf_closeLog();
  // No window first, so that clearing the lines posts nothing to a window of an earlier test.
  orv::gf_setMainWindow(ui::WindowHandle{});
  orv::gf_resetMessageState();
  orv::gf_resetRunControl();
  orv::gf_setRandomOption({});
  orv::gf_setPackagesPathSettings({});
  orv::gf_setMsfs2020Chosen(true);
  orv::gf_setScanWorkerLimit(2);
  orv::gf_setProfessionalPeer(false);
  orv::gf_setLatestDataTime(0.0);
}

}  // namespace testing_support
