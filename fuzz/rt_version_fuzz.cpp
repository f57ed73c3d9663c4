// RealTraffic's answer to the version request, as the start-up takes it.

#include <cstdint>
#include <string>

#include "foundation/message_line.h"
#include "foundation/time_text.h"
#include "foundation/window_view.h"
#include "fuzz_support.h"
#include "shell/startup.h"
#include "simlink/sim_side.h"
#include "traffic/traffic_run.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  // A run of its own for every input: nothing of one reply reaches the next.
  orv::TrafficRun run(orv::gf_commandQueueSide(), orv::gf_windowView(), true);
  orv::lf_processRTVersion(run, std::string(fuzz_support::text(data, size)));
  orv::gf_resetMessageState();
  return 0;
}
