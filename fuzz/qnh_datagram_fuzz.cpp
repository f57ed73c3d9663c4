// A datagram on the weather port, through the QNH Reader's handler.

#include <cstdint>

#include "fuzz_support.h"
#include "traffic/qnh_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  static orv::QnhReader reader;  // one for the process: it owns a socket
  reader.resetQnh();
  reader.lf_onQnhDatagram(fuzz_support::text(data, size));
  const double qnh = reader.qnh();
  if (!(qnh >= 900.0 && qnh <= 1100.0)) fuzz_support::fail("the QNH left its range");
  reader.resetQnh();
  return 0;
}
