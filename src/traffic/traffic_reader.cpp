#include "traffic/traffic_reader.h"

#include <fmt/format.h>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "traffic/cycle.h"

namespace orv {
namespace {

constexpr std::size_t kFieldCount = 29;
constexpr double kGroundRangeNm = 5.0;
constexpr double kNoElevation = -1000.0;

enum Field : std::size_t {
  kHexid = 1,
  kLat = 2,
  kLon = 3,
  kAltitude = 4,
  kVs = 5,
  kTrack = 7,
  kGs = 8,
  kCallsign = 9,
  kType = 10,
  kRegistration = 11,
  kOrigin = 12,
  kDestination = 13,
  kTimestamp = 14,
  kSource = 17,
  kTas = 20,
  kRoll = 23,
  kTrueHeading = 25,
  kCategory = 28,
};

[[noreturn]] void lf_fail(const std::string& text) {
  throw std::runtime_error(text);
}

// The leading decimal number of a field, independent of the locale; nothing for a field that
// does not begin with one, or whose number is not finite or does not fit a double.
std::optional<double> lf_leadingNumber(std::string_view field) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc{} || !std::isfinite(value)) return std::nullopt;
  return value;
}

double gf_fieldNumber(std::string_view field, std::string_view name) {
  const auto value = lf_leadingNumber(field);
  if (!value) lf_fail(fmt::format("{}:{}", name, field));
  return *value;
}

std::string gf_latLonText(double latitude, double longitude) {
  return fmt::format("{:.6f},{:.6f}", latitude, longitude);
}

// Bytes that would break a line of the log or a ';'-separated file.
bool lf_isUnsafeByte(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ';';
}

bool lf_hasUnsafeByte(std::string_view text) {
  for (char c : text)
    if (lf_isUnsafeByte(c)) return true;
  return false;
}

std::string_view lf_nullToEmpty(std::string_view field) {
  return field == "null" ? std::string_view{} : field;
}

// False: the line is dropped. A registration with a control character or ';' is refused outright.
bool lf_checkRegistration(std::string_view field, TrafficRecord& record) {
  const std::string_view registration = lf_nullToEmpty(field);
  if (registration.size() > 12) return false;
  if (lf_hasUnsafeByte(registration)) lf_fail(fmt::format("registration:{}", gf_printableText(registration)));
  record.registration.assign(registration);
  return true;
}

bool lf_checkCallsign(std::string_view field, TrafficRecord& record) {
  const std::string_view callsign = lf_nullToEmpty(field);
  record.callsign.clear();
  if (callsign.find('@') != std::string_view::npos) return true;
  if (callsign == "ERARMTR1" || callsign == "AIRPORT1" || callsign == "00000000") return false;
  if (lf_hasUnsafeByte(callsign)) lf_fail(fmt::format("callsign:{}", gf_printableText(callsign)));
  record.callsign.assign(callsign);
  return true;
}

bool gf_isRefusedType(std::string_view type) {
  static const std::array<std::string_view, 10> refused = {"BALL", "EMER", "GLID", "GRND", "GND",
                                                           "PARA", "SERV", "SHIP", "VENT", "TWR"};
  for (std::string_view r : refused)
    if (r == type) return true;
  return false;
}

bool gf_isWantedType(std::string_view type, std::string_view category) {
  if (type.empty() || type == "null" || type.size() > 4 || gf_isRefusedType(type)) return false;
  return category != "B1" && category != "B2" && category != "B4" && category != "C1" && category != "C2";
}

// RealTraffic's newer source texts put a provider letter in front ("X_adsb_icao").
bool lf_trueHeadingSource(std::string_view source) {
  return source == "adsb_icao" || source.ends_with("_adsb_icao");
}

std::uint32_t lf_hexid(std::string_view field) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc{}) lf_fail(fmt::format("hexid incorrect{}", field));
  return value;
}

// Snaps an altitude near the park airport's elevation to the ground, and applies AIRBORNE_ONLY.
bool lf_checkAltitude(std::string_view field, std::string_view datagram, const LineContext& context,
                      PositionSample& sample) {
  const auto parsed = lf_leadingNumber(field);
  if (!parsed)
    lf_fail(fmt::format("altitude {} incorrect, from: {}", gf_logQuote(field), gf_logQuote(datagram)));
  double altitude = *parsed;
  const double gs = sample.groundSpeedKt;
  if (altitude > 0.0 && altitude < 14000.0) {
    const double d = altitude - context.parkElevationFt.value_or(kNoElevation);
    const double a = std::abs(d);
    if (d <= 0.0 || (a <= 42.0 && gs <= 120.0) || (a <= 84.0 && gs <= 80.0) || (a <= 108.0 && gs <= 43.0))
      altitude = 0.0;
  }
  if (gs <= 35.0 && altitude > 0.0) altitude = 0.0;
  if (altitude <= 0.0) altitude = 0.0;
  sample.altitudeFt = altitude;
  if (!cfg::AIRBORNE_ONLY.value()) return true;
  const double p = context.parkAirport ? context.parkAirport->elevationFt : 0.0;
  return std::abs(altitude - p) > 300.0;
}

std::optional<IataCode> lf_airportCode(std::string_view field) {
  if (field == "null") return std::nullopt;
  return IataCode(field);
}

double lf_estimatedTas(double altitude) {
  if (altitude <= 2000.0) return 180.0;
  if (altitude <= 5000.0) return 220.0;
  if (altitude <= 10000.0) return 250.0;
  if (altitude <= 20000.0) return 350.0;
  return 430.0;
}

}  // namespace

std::optional<TrafficRecord> gf_parseTrafficLine(std::span<const std::string_view> f,
                                                 std::string_view datagram, const LineContext& context,
                                                 const std::function<void(std::string_view)>& collect) {
  // Shorter lines are RealTraffic's other messages on the same port (parked aircraft, markers).
  if (f.size() < kFieldCount) return std::nullopt;
  TrafficRecord record;
  PositionSample& s = record.position;

  s.dataTime = gf_fieldNumber(f[kTimestamp], "timestamp");
  if (s.dataTime < 0.0) lf_fail(fmt::format("timestamp:{}", f[kTimestamp]));
  gf_setLatestDataTime(s.dataTime);

  s.latitude = gf_fieldNumber(f[kLat], "lat");
  s.longitude = gf_fieldNumber(f[kLon], "lon");
  if (std::abs(s.latitude) > 90.0 || std::abs(s.longitude) > 180.0 ||
      (std::abs(s.latitude) <= 0.0001 && std::abs(s.longitude) <= 0.0001))
    lf_fail(fmt::format("invalid lalo: {}", gf_latLonText(s.latitude, s.longitude)));
  const Position position{s.latitude, s.longitude};
  if (gf_distanceNm(context.reference, position) > gf_rangeNm()) return std::nullopt;

  if (!lf_checkRegistration(f[kRegistration], record)) return std::nullopt;
  if (collect) {
    const std::string_view callsign = f[kCallsign];
    if (!callsign.empty() && callsign != "null" && callsign.find('@') == std::string_view::npos &&
        !lf_hasUnsafeByte(callsign))
      collect(callsign);
  }
  if (!gf_isWantedType(f[kType], f[kCategory])) return std::nullopt;

  if (lf_trueHeadingSource(f[kSource])) {
    const double heading = gf_fieldNumber(f[kTrueHeading], "trueheading");
    if (heading > 360.0) lf_fail(fmt::format("trueheading: {:.2f}", heading));
    if (heading == 0.0)
      s.headingRad = kTwoPi;
    else if (heading > 0.0)
      s.headingRad = heading * kDegToRad;
    s.headingGiven = s.headingRad.has_value();
  }

  s.address = lf_hexid(f[kHexid]);
  if (s.address <= 10000) return std::nullopt;
  s.groundSpeedKt = gf_fieldNumber(f[kGs], "gs");
  if (!lf_checkAltitude(f[kAltitude], datagram, context, s)) return std::nullopt;
  s.airborne = s.altitudeFt > 0.0;
  if (!lf_checkCallsign(f[kCallsign], record)) return std::nullopt;
  if (record.callsign.empty() && record.registration.empty()) return std::nullopt;
  if (!s.airborne &&
      (!context.parkAirport || gf_distanceNm(context.parkAirport->position, position) > kGroundRangeNm))
    return std::nullopt;

  if (!f[kTrack].empty()) {
    const auto track = lf_leadingNumber(f[kTrack]);
    if (!track) lf_fail(fmt::format("track incorrect {}", f[kTrack]));
    s.trackDeg = *track;
  }
  if (s.trackDeg == 0.0 && s.headingGiven) s.trackDeg = *s.headingRad * kRadToDeg;
  s.verticalSpeedFpm = gf_fieldNumber(f[kVs], "vs");
  record.origin = lf_airportCode(f[kOrigin]);
  record.destination = lf_airportCode(f[kDestination]);
  if (s.airborne) {
    const double roll = gf_fieldNumber(f[kRoll], "roll");
    if (roll != -1.0 && roll != 0.0) s.bankRad = -roll * kDegToRad;
  }
  const auto tas = lf_leadingNumber(f[kTas]);
  if (!tas) lf_fail(fmt::format("TAS incorrect{}", f[kTas]));
  s.trueAirspeedKt = *tas == -1.0 ? lf_estimatedTas(s.altitudeFt) : *tas;
  s.stationary = false;
  s.dueCycle = gf_cycleCounter() + kPlaybackDelayCycles;
  // Only now: a line that fails its checks must not grow the model table.
  record.model = gf_trafficModelId(f[kType]);
  return record;
}

TrafficReader::~TrafficReader() {
  requestStop();
  waitUntilStopped();
}

void TrafficReader::lf_onTrafficDatagram(std::string_view datagram) {
  if (datagram.find(" VEH") != std::string_view::npos) return;
  fields_.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = datagram.find(',', start);
    fields_.push_back(
        datagram.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  processLineSub(datagram);
}

void TrafficReader::processLineSub(std::string_view datagram) {
  try {
    const auto record = gf_parseTrafficLine(
        fields_, datagram, context(), [this](std::string_view callsign) { lf_collectCallsign(callsign); });
    if (record) deque_.append(*record);
  } catch (const std::exception& e) {
    // The error texts quote the line, which any host may have sent: cut (a quoted field as well as
    // the datagram), made printable, and rate-limited.
    logDatagramError(fmt::format("exception in processLineSub: {}",
                                 gf_printableText(gf_logQuote(e.what(), 2 * kLogQuoteBytes))));
  }
}

void TrafficReader::onStopped() {
  setStatus(ReaderStatus::Stopped);
  gf_logLine("Traffic Reader has stopped");
}

void TrafficReader::setReferencePosition(Position position) {
  std::scoped_lock lock(contextMutex_);
  context_.reference = position;
}

void TrafficReader::setParkAirport(std::optional<ParkAirportView> parkAirport) {
  std::scoped_lock lock(contextMutex_);
  context_.parkAirport = parkAirport;
}

void TrafficReader::setParkElevation(std::optional<double> elevationFt) {
  std::scoped_lock lock(contextMutex_);
  context_.parkElevationFt = elevationFt;
}

LineContext TrafficReader::context() const {
  std::scoped_lock lock(contextMutex_);
  return context_;
}

void TrafficReader::lf_collectCallsign(std::string_view callsign) {
  std::scoped_lock lock(callsignMutex_);
  if (collecting_) callsigns_.emplace(callsign);
}

void TrafficReader::startCallsignCollection() {
  std::scoped_lock lock(callsignMutex_);
  callsigns_.clear();
  collecting_ = true;
}

std::unordered_set<std::string> TrafficReader::takeCollectedCallsigns() {
  std::scoped_lock lock(callsignMutex_);
  collecting_ = false;
  return std::exchange(callsigns_, {});
}

bool TrafficReader::collectingCallsigns() const {
  std::scoped_lock lock(callsignMutex_);
  return collecting_;
}

void TrafficReader::clearCollectedCallsigns() {
  std::scoped_lock lock(callsignMutex_);
  callsigns_.clear();
}

}  // namespace orv
