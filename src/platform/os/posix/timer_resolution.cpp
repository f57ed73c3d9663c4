#include "platform/os/timer_resolution.h"

namespace os {

unsigned timeBeginPeriod(unsigned /*milliseconds*/) {
  return TIMERR_NOERROR;
}

unsigned timeEndPeriod(unsigned /*milliseconds*/) {
  return TIMERR_NOERROR;
}

}  // namespace os
