#pragma once

namespace os {

inline constexpr unsigned TIMERR_NOERROR = 0;

// The system timer resolution around the timing loops, in milliseconds: on Windows the
// multimedia timer's (a sleep otherwise lasts a whole scheduler tick of about 15.6 ms). POSIX
// sleeps already have sub-millisecond resolution, so there both calls only report success.
// Every granted begin is matched by an end with the same value. Any thread.
unsigned timeBeginPeriod(unsigned milliseconds);
unsigned timeEndPeriod(unsigned milliseconds);

}  // namespace os
