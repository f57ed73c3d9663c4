// Feeds arbitrary bytes to the compiled-scenery decoder under both simulators, with every
// 4-character code taken as a known airport so that the decoding reaches the stands.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "airports/bgl_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const auto simulator : {orv::BglSimulator::Msfs2020, orv::BglSimulator::Msfs2024}) {
    orv::BglContext context;
    context.simulator = simulator;
    context.isKnownAirport = [](std::string_view icao) { return icao.size() == 4; };
    // Every other code counts as archived, so the linked paths are walked too.
    context.findLink = [](std::string_view icao) {
      return icao.back() % 2 == 0 ? std::optional<orv::BglLink>{orv::BglLink{"Bravo Sims", 3}} : std::nullopt;
    };
    context.file = "fuzz.bgl";
    const auto result = orv::gf_decodeBgl(bytes, context);
    for (const auto& airport : result.airports) {
      if (airport.airport.icao.size() != 4) __builtin_trap();
    }
  }
  (void)orv::gf_bglHasAirportSection(bytes);
  return 0;
}
