#pragma once

namespace os {

inline constexpr unsigned TIMERR_NOERROR = 0;

// The system timer resolution around the timing loops. Linux sleeps already have sub-millisecond
// resolution, so both calls only report success.
inline unsigned timeBeginPeriod(unsigned /*milliseconds*/) {
  return TIMERR_NOERROR;
}
inline unsigned timeEndPeriod(unsigned /*milliseconds*/) {
  return TIMERR_NOERROR;
}

}  // namespace os
