#include "platform/os/timer_resolution.h"

// After our header: the system defines TIMERR_NOERROR as a macro.
#include <windows.h>
// Built on the declarations of windows.h.
#include <mmsystem.h>

namespace os {

unsigned timeBeginPeriod(unsigned milliseconds) {
  return ::timeBeginPeriod(milliseconds);
}

unsigned timeEndPeriod(unsigned milliseconds) {
  return ::timeEndPeriod(milliseconds);
}

}  // namespace os
