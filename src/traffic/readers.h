#pragma once

// The program's two readers and what the run does with them: start, watch, stop and reset.

#include <cstdint>

#include "traffic/qnh_reader.h"
#include "traffic/traffic_reader.h"

namespace orv {

// The process-wide readers; their threads run once per run. Any thread.
[[nodiscard]] TrafficReader& gf_trafficReader();
[[nodiscard]] QnhReader& gf_qnhReader();

// The traffic source is ready: the RealTraffic link is up, or no link is used. The watchdog does
// nothing before. Any thread.
void gf_setTrafficSourceReady(bool ready);
[[nodiscard]] bool gf_trafficSourceReady();

// The readers' health: a reader whose datagram count did not move since the last check shows
// silent, and receiving again after the first check that saw datagrams. Start-up thread.
void gf_readerWatchdog();
// Either reader shows silent.
[[nodiscard]] bool gf_readerStalled();

// Raises both stop flags and waits until both threads have ended, so that no reader of this run
// survives into the next. Start-up thread.
void gf_stopReadersAndWait();

// For the next run (readers stopped): QNH 1013, latest data time 0, the callsign set emptied,
// stop flags down, counters at 0. Start-up thread.
void gf_resetReaders();

}  // namespace orv
