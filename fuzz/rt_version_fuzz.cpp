// RealTraffic's answer to the version request, as the start-up takes it.

#include <cstdint>
#include <string>

#include "foundation/message_line.h"
#include "foundation/time_text.h"
#include "fuzz_support.h"
#include "shell/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  orv::gf_setProfessionalPeer(false);
  orv::lf_processRTVersion(std::string(fuzz_support::text(data, size)));
  orv::gf_setProfessionalPeer(false);
  orv::gf_resetMessageState();
  return 0;
}
