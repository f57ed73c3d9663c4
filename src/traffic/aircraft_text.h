#pragma once

// The fixed text forms in which log lines and messages describe an aircraft, "ObjectIdList.txt",
// and small functions that the live-traffic code shares. Start-up thread unless said otherwise.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/geometry.h"
#include "traffic/aircraft.h"

namespace orv {

// "{:3} {:4}": airline and model code.
[[nodiscard]] std::string gf_airlineTypeText(const AircraftHead& aircraft);
// "{:8}": the callsign.
[[nodiscard]] std::string gf_callsignText(const AircraftHead& aircraft);
// "{:3}->{:3}" of origin and destination, three blanks for a code not set; eight blanks for none.
[[nodiscard]] std::string gf_routeText(const AircraftHead& aircraft);
// "{} {:8} {}": callsign text, registration, route text.
[[nodiscard]] std::string gf_aircraftRouteText(const AircraftHead& aircraft);
// "{} {}": route text and airline/type text.
[[nodiscard]] std::string gf_aircraftText(const AircraftHead& aircraft);
// "{} {} {}": callsign text, registration and airline/type text.
[[nodiscard]] std::string gf_aircraftText3(const AircraftHead& aircraft);
// The key under which the livery choice of an aircraft is remembered: airline/type text,
// registration.
[[nodiscard]] std::string gf_aircraftKey(const AircraftHead& aircraft);

// Not empty, not "@@@@@@@@" and fewer than 9 characters.
[[nodiscard]] bool gf_hasRealCallsign(const AircraftHead& aircraft);

// The airline of a callsign of three ASCII letters and a digit ("baw1" gives "BAW"); none else.
// Any thread.
[[nodiscard]] std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign);

// Hours of a fit step: 0.5 for 0 and below, 1.0 to 5.0 in half hours for 1 to 9, then 6 to 12 per
// two steps up to 21, 12 up to 25, 15, 18 and 21 per six steps, 24 from 44. Any thread.
[[nodiscard]] float gf_stepValue(std::int32_t fitStep);

// "{:.0f}" for a whole value, else "{:.1f}". Any thread.
[[nodiscard]] std::string gf_numberText(float value);

// A quadratic curve from an origin through a control point P1 to an end point P2, both in metres
// east and north of the origin, run from time t0 to t1. Not set while the control point is NaN.
struct QuadraticCurve {
  Position origin;
  double t0 = 0.0;
  double t1 = 0.0;
  double p1East = kNoValue;
  double p1North = kNoValue;
  double p2East = 0.0;
  double p2North = 0.0;
};
struct CurvePoint {
  Position position;
  double headingRad = 0.0;  // [0, 2 pi)
};
// None when the curve is not set or t lies outside [t0, t1]. Any thread.
[[nodiscard]] std::optional<CurvePoint> gf_quadraticCurvePos(const QuadraticCurve& curve, double t);

// The respawn title memory of a run: the livery title of each aircraft key's first spawn, so that
// a respawned aircraft comes back in the same livery. Emptied daily; it ends with its run.
using TitleMemory = std::unordered_map<std::uint32_t, std::string>;
void gf_rememberTitle(TitleMemory& memory, std::uint32_t key, std::string title);
// The remembered title of the key; none when there is none or the simulator could not create it
// (the entry is then forgotten).
[[nodiscard]] std::optional<std::string> gf_textById(TitleMemory& memory, std::uint32_t key);

// Writes "ObjectIdList.txt" (output/info) anew: one line "{};{};{};{};{};{};{}" per active live
// aircraft: object id, callsign, registration, airline, model, GND or AIR, PARKED or nothing.
// Logs "Failed to write {}" with the path when it cannot.
void gf_writeActiveAcFile(const std::vector<LiveAircraft>& liveList);

}  // namespace orv
