#pragma once

// One validated traffic line, as the Traffic Reader hands it to the main cycle.

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/fixed_code.h"
#include "refdata/codes.h"

namespace orv {

// The position part of a traffic record: what the stream of a live aircraft plays back.
struct PositionSample {
  double latitude = 0.0;    // degrees
  double longitude = 0.0;   // degrees
  double altitudeFt = 0.0;  // 0 on the ground
  double groundSpeedKt = 0.0;
  double trackDeg = 0.0;
  double verticalSpeedFpm = 0.0;
  double trueAirspeedKt = 0.0;
  // The cycle at which the sample is played: the cycle of its arrival plus 3000 (30 s).
  std::int64_t dueCycle = 0;
  bool airborne = false;
  // The aircraft holds this position (set by the live-aircraft code, never by the parser).
  bool stationary = false;
  bool headingGiven = false;
  std::optional<double> bankRad;
  std::optional<double> headingRad;
  double dataTime = 0.0;      // seconds since 1970, RealTraffic's timestamp
  std::uint32_t address = 0;  // the aircraft's key, above 10000
};

struct TrafficRecord {
  AirlineId airline = 0;  // 0 as parsed; the database fills it in
  ModelId model = 0;
  std::optional<IataCode> origin;
  std::optional<IataCode> destination;
  std::uint8_t flag = 0;
  std::string callsign;
  std::string flightCallsign;  // the two further texts, empty as parsed
  std::string extraText;
  std::string registration;  // at most 12 characters
  PositionSample position;
};

}  // namespace orv
