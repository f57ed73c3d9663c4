#pragma once

// The process-wide state that a run touches and the tests of one executable share: the stop
// flags, the exit reason, the tick and the message line. Given back to their start values when
// the object ends, so that a test that ended a run leaves none ended for the next one.

#include "foundation/message_line.h"
#include "foundation/run_control.h"

namespace testing_support {

class ScopedRunState {
 public:
  ScopedRunState() = default;
  ~ScopedRunState() {
    orv::gf_resetRunControl();
    orv::gf_clearTick();
    orv::gf_resetMessageState();
  }
  ScopedRunState(const ScopedRunState&) = delete;
  ScopedRunState& operator=(const ScopedRunState&) = delete;
};

}  // namespace testing_support
