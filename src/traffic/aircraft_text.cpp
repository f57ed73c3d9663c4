#include "traffic/aircraft_text.h"

#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unordered_map>

#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "liveries/liveries.h"

namespace orv {
namespace {

std::string_view lf_code(const std::optional<IataCode>& code) {
  return code ? code->view() : std::string_view{};
}

bool lf_isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Outside tools split the file at ';' and at line ends; a code of the model table can come
// straight from the network.
std::string lf_fieldText(std::string_view text) {
  std::string field(text);
  for (char& c : field)
    if (c == ';' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  return field;
}

}  // namespace

void gf_rememberTitle(TitleMemory& memory, std::uint32_t key, std::string title) {
  memory[key] = std::move(title);
}

std::optional<std::string> gf_textById(TitleMemory& memory, std::uint32_t key) {
  const auto found = memory.find(key);
  if (found == memory.end()) return std::nullopt;
  if (isFailedTitle(found->second)) {
    memory.erase(found);
    return std::nullopt;
  }
  return found->second;
}

std::string gf_airlineTypeText(const AircraftHead& a) {
  return fmt::format("{:3} {:4}", gf_airlineCode(a.airline), gf_modelCode(a.model));
}

std::string gf_callsignText(const AircraftHead& a) {
  return fmt::format("{:8}", a.callsign);
}

std::string gf_routeText(const AircraftHead& a) {
  if (!a.origin && !a.destination) return std::string(8, ' ');
  return fmt::format("{:3}->{:3}", lf_code(a.origin), lf_code(a.destination));
}

std::string gf_aircraftRouteText(const AircraftHead& a) {
  return fmt::format("{} {:8} {}", gf_callsignText(a), a.registration, gf_routeText(a));
}

std::string gf_aircraftText(const AircraftHead& a) {
  return fmt::format("{} {}", gf_aircraftRouteText(a), gf_airlineTypeText(a));
}

std::string gf_aircraftText3(const AircraftHead& a) {
  return fmt::format("{} {} {}", gf_callsignText(a), a.registration, gf_airlineTypeText(a));
}

std::string gf_aircraftKey(const AircraftHead& a) {
  return fmt::format("{} | {}", gf_airlineTypeText(a), a.registration);
}

bool gf_hasRealCallsign(const AircraftHead& a) {
  return !a.callsign.empty() && a.callsign != "@@@@@@@@" && a.callsign.size() < 9;
}

std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign) {
  if (callsign.size() < 4 || !lf_isAsciiLetter(callsign[0]) || !lf_isAsciiLetter(callsign[1]) ||
      !lf_isAsciiLetter(callsign[2]) || !(callsign[3] >= '0' && callsign[3] <= '9'))
    return std::nullopt;
  std::string airline(callsign.substr(0, 3));
  for (char& c : airline)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return airline;
}

float gf_stepValue(std::int32_t step) {
  if (step <= 0) return 0.5f;
  if (step <= 9) return 1.0f + 0.5f * static_cast<float>(step - 1);
  if (step <= 21) return static_cast<float>(6 + (step - 10) / 2);
  if (step <= 25) return 12.0f;
  if (step <= 31) return 15.0f;
  if (step <= 37) return 18.0f;
  if (step <= 43) return 21.0f;
  return 24.0f;
}

std::string gf_numberText(float value) {
  return value == std::trunc(value) ? fmt::format("{:.0f}", value) : fmt::format("{:.1f}", value);
}

std::optional<CurvePoint> gf_quadraticCurvePos(const QuadraticCurve& c, double t) {
  if (std::isnan(c.p1East) || std::isnan(c.p1North) || t < c.t0 || t > c.t1 || !(c.t1 > c.t0))
    return std::nullopt;
  constexpr double kMetresPerDegree = 111132.95;
  const double s = (t - c.t0) / (c.t1 - c.t0);
  const double x = 2.0 * s * (1.0 - s) * c.p1East + s * s * c.p2East;
  const double y = 2.0 * s * (1.0 - s) * c.p1North + s * s * c.p2North;
  const double dx = 2.0 * (1.0 - s) * c.p1East + 2.0 * s * (c.p2East - c.p1East);
  const double dy = 2.0 * (1.0 - s) * c.p1North + 2.0 * s * (c.p2North - c.p1North);
  double heading = std::atan2(dx, dy);
  if (heading < 0.0) heading += kTwoPi;
  if (heading >= kTwoPi) heading -= kTwoPi;
  CurvePoint point;
  point.headingRad = heading;
  point.position.latitude = c.origin.latitude + y / kMetresPerDegree;
  point.position.longitude =
      c.origin.longitude + x / (std::cos(c.origin.latitude * kDegToRad) * kMetresPerDegree);
  return point;
}

void gf_writeActiveAcFile(const std::vector<LiveAircraft>& liveList) {
  const std::filesystem::path path = gf_paths().objectIdList;
  std::string text;
  for (const LiveAircraft& a : liveList) {
    if (a.state != SimState::Active) continue;
    text += fmt::format("{};{};{};{};{};{};{}\n", a.objectId, lf_fieldText(a.callsign),
                        lf_fieldText(a.registration), lf_fieldText(gf_airlineCode(a.airline)),
                        lf_fieldText(gf_modelCode(a.model)), a.onGround ? "GND" : "AIR",
                        a.phase == FlightPhase::Parked ? "PARKED" : "");
  }
  // Outside tools read the file at any moment: it is replaced whole, never seen half written.
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  bool written = false;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    written = out && out.write(text.data(), static_cast<std::streamsize>(text.size())) && out.flush();
  }
  std::error_code error;
  if (!written || !gf_replaceWithTemporary(temporary, path, error)) {
    std::filesystem::remove(temporary, error);
    gf_logLine(fmt::format("Failed to write {}", path.string()));
  }
}

}  // namespace orv
