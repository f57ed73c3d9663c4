// A datagram on the traffic port, through the Traffic Reader's handler, as any host on the
// network may send it. The records it yields must carry no byte that could break a line of the
// log or of a ';'-separated file.

#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz_support.h"
#include "traffic/adding_deque.h"
#include "traffic/traffic_reader.h"

namespace {

bool unsafe(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ';') return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  // One reader for the process (it owns a socket); its line context and callsigns are set anew
  // for every input.
  static orv::AddingDeque deque;
  static orv::TrafficReader reader(deque);
  reader.setReferencePosition({50.05, 8.6});
  reader.setParkAirport(std::nullopt);
  reader.setParkElevation(std::nullopt);
  reader.clearCollectedCallsigns();
  (void)deque.take(deque.size());
  deque.setOpen(true);
  reader.lf_onTrafficDatagram(fuzz_support::text(data, size));
  for (const orv::TrafficRecord& record : deque.take(deque.size())) {
    if (unsafe(record.callsign)) fuzz_support::fail("unsafe byte in a callsign");
    if (unsafe(record.registration)) fuzz_support::fail("unsafe byte in a registration");
  }
  deque.setOpen(false);
  return 0;
}
