#include "standin/variables.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <numbers>

namespace orv::standin {
namespace {

constexpr VarSpec kVars[] = {
    {"TITLE", Var::Title, Dim::Text, false},
    {"ATC MODEL", Var::AtcModel, Dim::Text, false},
    {"ATC ID", Var::AtcId, Dim::Text, false},
    {"PLANE LATITUDE", Var::Latitude, Dim::Angle, true},
    {"PLANE LONGITUDE", Var::Longitude, Dim::Angle, true},
    {"PLANE PITCH DEGREES", Var::Pitch, Dim::Angle, true},
    {"PLANE BANK DEGREES", Var::Bank, Dim::Angle, true},
    {"PLANE HEADING DEGREES TRUE", Var::Heading, Dim::Angle, true},
    {"PLANE ALTITUDE", Var::Altitude, Dim::Length, true},
    {"PLANE ALT ABOVE GROUND", Var::AltAboveGround, Dim::Length, false},
    {"GROUND ALTITUDE", Var::GroundAltitude, Dim::Length, false},
    {"GROUND VELOCITY", Var::GroundVelocity, Dim::Speed, false},
    {"VERTICAL SPEED", Var::VerticalSpeed, Dim::Speed, true},
    {"AIRSPEED TRUE", Var::AirspeedTrue, Dim::Speed, true},
    {"SIM ON GROUND", Var::OnGround, Dim::Plain, false},
    {"ZULU TIME", Var::ZuluTime, Dim::Plain, false},
    {"ZULU DAY OF YEAR", Var::ZuluDayOfYear, Dim::Plain, false},
    {"ZULU YEAR", Var::ZuluYear, Dim::Plain, false},
    {"LIGHT STATES", Var::LightStates, Dim::Plain, true},
    {"LIGHT ON STATES", Var::LightOnStates, Dim::Plain, true},
    {"STATIC CG TO GROUND", Var::StaticCgToGround, Dim::Length, false},
    {"STATIC PITCH", Var::StaticPitch, Dim::Angle, false},
    {"SPOILERS HANDLE POSITION", Var::Spoilers, Dim::Plain, true},
    {"GENERAL ENG THROTTLE LEVER POSITION:1", Var::Throttle1, Dim::Plain, true},
    {"GENERAL ENG THROTTLE LEVER POSITION:2", Var::Throttle2, Dim::Plain, true},
};

// Objects keep their vertical speed in feet per second, as the simulator's own variable does.
constexpr double kKnotsPerFootPerSecond = 0.5924838012958963;

std::string lf_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string upperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const VarSpec* findVariable(std::string_view name) {
  const std::string upper = upperCase(name);
  for (const VarSpec& spec : kVars)
    if (spec.name == upper) return &spec;
  return nullptr;
}

std::optional<double> unitFactor(Dim dim, std::string_view unitText) {
  const std::string unit = lf_lower(unitText);
  switch (dim) {
    case Dim::Text:
      if (unit.empty() || unit == "none") return 1.0;
      return std::nullopt;
    case Dim::Angle:
      if (unit == "degree" || unit == "degrees") return 1.0;
      if (unit == "radian" || unit == "radians") return 180.0 / std::numbers::pi;
      return std::nullopt;
    case Dim::Length:
      if (unit == "feet" || unit == "foot") return 1.0;
      if (unit == "meter" || unit == "meters" || unit == "metre" || unit == "metres")
        return 3.280839895013123;
      return std::nullopt;
    case Dim::Speed:
      if (unit == "knot" || unit == "knots") return 1.0;
      if (unit == "feet per second") return kKnotsPerFootPerSecond;
      if (unit == "feet per minute") return 0.009874730021598272;
      if (unit == "meters per second") return 1.9438444924406046;
      return std::nullopt;
    case Dim::Plain:
      if (unit.empty() || unit == "bool" || unit == "seconds" || unit == "number" || unit == "mask" ||
          unit == "percent")
        return 1.0;
      return std::nullopt;
  }
  return std::nullopt;
}

std::size_t valueSize(sc::DataType type) {
  switch (type) {
    case sc::DataType::INT64:
    case sc::DataType::FLOAT64:
      return 8;
    case sc::DataType::STRING32:
      return 32;
    case sc::DataType::STRINGV:
      return 0;
  }
  return 0;
}

double readNumber(const SimObject& o, Var var, const SimulationFacts& facts) {
  const std::int64_t unix = facts.zuluUnix;
  const auto days =
      std::chrono::sys_days{std::chrono::days{unix >= 0 ? unix / 86400 : (unix - 86399) / 86400}};
  const std::chrono::year_month_day date{days};
  switch (var) {
    case Var::Latitude:
      return o.latDeg;
    case Var::Longitude:
      return o.lonDeg;
    case Var::Pitch:
      return o.pitchDeg;
    case Var::Bank:
      return o.bankDeg;
    case Var::Heading:
      return o.headingDeg;
    case Var::Altitude:
      return o.altFt;
    case Var::AltAboveGround:
      return o.altFt - o.groundAltFt;
    case Var::GroundAltitude:
      return o.groundAltFt;
    case Var::GroundVelocity:
      return o.groundSpeedKt;
    case Var::VerticalSpeed:
      return o.verticalSpeedFps * kKnotsPerFootPerSecond;
    case Var::AirspeedTrue:
      return o.airspeedKt;
    case Var::OnGround:
      return o.onGround ? 1.0 : 0.0;
    case Var::ZuluTime:
      return static_cast<double>(unix - (days.time_since_epoch().count() * 86400LL));
    case Var::ZuluDayOfYear:
      return static_cast<double>(
          (days - std::chrono::sys_days{date.year() / std::chrono::January / 1}).count() + 1);
    case Var::ZuluYear:
      return static_cast<int>(date.year());
    case Var::LightStates:
    case Var::LightOnStates:
      return static_cast<double>(o.lightStates);
    case Var::StaticCgToGround:
      return facts.staticCgFt;
    case Var::StaticPitch:
      return facts.staticPitchDeg;
    case Var::Spoilers:
      return o.spoilersPct;
    case Var::Throttle1:
      return o.throttle1Pct;
    case Var::Throttle2:
      return o.throttle2Pct;
    case Var::Title:
    case Var::AtcModel:
    case Var::AtcId:
      return 0.0;
  }
  return 0.0;
}

std::string_view readText(const SimObject& o, Var var) {
  switch (var) {
    case Var::Title:
      return o.title;
    case Var::AtcModel:
      return o.atcModel;
    case Var::AtcId:
      return o.atcId;
    default:
      return {};
  }
}

void writeNumber(SimObject& o, Var var, double value) {
  switch (var) {
    case Var::Latitude:
      o.latDeg = value;
      break;
    case Var::Longitude:
      o.lonDeg = value;
      break;
    case Var::Pitch:
      o.pitchDeg = value;
      break;
    case Var::Bank:
      o.bankDeg = value;
      break;
    case Var::Heading:
      o.headingDeg = value;
      break;
    case Var::Altitude:
      o.altFt = value;
      break;
    case Var::VerticalSpeed:
      o.verticalSpeedFps = value / kKnotsPerFootPerSecond;
      break;
    case Var::AirspeedTrue:
      o.airspeedKt = value;
      break;
    case Var::LightStates:
    case Var::LightOnStates:
      o.lightStates = std::llround(value);
      break;
    case Var::Spoilers:
      o.spoilersPct = value;
      break;
    case Var::Throttle1:
      o.throttle1Pct = value;
      break;
    case Var::Throttle2:
      o.throttle2Pct = value;
      break;
    default:
      break;
  }
}

void packValue(ValuePacker& packer, const SimObject& o, const DefinitionEntry& entry,
               const SimulationFacts& facts) {
  if (entry.spec->dim == Dim::Text) {
    if (entry.type == sc::DataType::STRING32)
      packer.string32(readText(o, entry.spec->var));
    else
      packer.stringv(readText(o, entry.spec->var));
    return;
  }
  const double value = readNumber(o, entry.spec->var, facts) / entry.factor;
  if (entry.type == sc::DataType::INT64)
    packer.int64(std::llround(value));
  else
    packer.float64(value);
}

}  // namespace orv::standin
