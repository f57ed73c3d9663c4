#include "refdata/airports_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <pugixml.hpp>

#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"

namespace orv {
namespace {

constexpr std::int32_t kAirportsErrorCode = 88;
constexpr double kCloseNm = 5.0;
constexpr double kNoStandNm = 100.0;
// The latitude difference alone is a lower bound of the distance (a nautical mile is a minute of
// arc); the margin keeps an airport at the limit from being dropped by rounding.
constexpr double kPreTestNm = kCloseNm + 0.001;

// The plain file lives only while it is read.
class PlainFile {
 public:
  explicit PlainFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~PlainFile() { gf_removeFileIfExists(path_); }
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;

 private:
  std::filesystem::path path_;
};

// A finite number within the limit, the whole (trimmed) text; nothing otherwise.
std::optional<double> lf_coordinate(const pugi::xml_attribute& attribute, double limit) {
  if (!attribute) return std::nullopt;
  const std::string text = gf_trim(attribute.value());
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      std::fabs(value) > limit)
    return std::nullopt;
  return value;
}

void lf_readAirportElement(const pugi::xml_node& element, const IcaoCode& icao,
                           std::vector<AirportRecord>& records) {
  const auto latitude = lf_coordinate(element.attribute("la"), 90.0);
  const auto longitude = lf_coordinate(element.attribute("lo"), 180.0);
  if (!latitude || !longitude) {
    gf_logImportant(fmt::format("Missing latLons for airport '{}'", icao.view()));
    return;
  }
  const pugi::xml_attribute altitude = element.attribute("a");
  if (!altitude) {
    gf_logImportant(fmt::format("Missing alt for airport '{}'", icao.view()));
    return;
  }
  const pugi::xml_attribute stands = element.attribute("s");
  if (!stands) gf_logImportant(fmt::format("Missing stands for airport '{}'", icao.view()));
  IataCode iata("XXX");
  if (const pugi::xml_attribute i = element.attribute("i")) {
    try {
      iata = IataCode(i.value());
    } catch (const std::exception& e) {
      gf_logLine(fmt::format("Error storing airport '{}' '{}': {}", icao.view(), i.value(), e.what()));
      return;
    }
  }
  records.push_back({icao, iata, *latitude, *longitude, altitude.as_float(0.0F), stands.as_int(0)});
}

std::vector<AirportRecord> lf_readFile(const std::filesystem::path& plain) {
  const std::string pathText = gf_pathToUtf8(plain);
  pugi::xml_document document;
  if (const pugi::xml_parse_result parsed = document.load_file(plain.c_str()); !parsed)
    throw UserErrorException(kAirportsErrorCode,
                             fmt::format("{} not loaded: {}", pathText, parsed.description()));
  const pugi::xml_node airports = document.child("root").child("airports");
  if (!airports)
    throw UserErrorException(kAirportsErrorCode, fmt::format("Missing <airports> root in: {}", pathText));
  std::vector<AirportRecord> records;
  records.reserve(AirportTable::kReserved);
  for (const pugi::xml_node element : airports.children("ap")) {
    try {
      const IcaoCode icao(element.attribute("c").value());
      lf_readAirportElement(element, icao, records);
    } catch (const std::exception& e) {
      throw UserErrorException(kAirportsErrorCode, e.what());
    }
  }
  return records;
}

}  // namespace

double gf_noStandDistance(const IcaoCode&, Position, std::string&) {
  return kNoStandNm;
}

bool AirportTable::read(const std::filesystem::path& enciphered, const std::filesystem::path& plain) {
  if (read_) return !records_.empty();
  try {
    // A failed decryption leaves no plain file behind, and the loading below reports it.
    (void)gf_streamDecrypt(enciphered, plain);
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} exception : {}", "gf_readAirports", e.what()));
    throw;
  }
  std::vector<AirportRecord> records;
  {
    const PlainFile removed(plain);
    records = lf_readFile(plain);
  }
  install(std::move(records));
  gf_logLine(fmt::format("{:5} airports read", records_.size()));
  read_ = true;
  return !records_.empty();
}

AirportTable AirportTable::fromRecords(std::vector<AirportRecord> records) {
  AirportTable table;
  table.install(std::move(records));
  return table;
}

void AirportTable::install(std::vector<AirportRecord> records) {
  std::stable_sort(records.begin(), records.end(),
                   [](const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; });
  records.shrink_to_fit();
  index_.clear();
  for (const AirportRecord& record : records) index_.insert(record.icao);
  records_ = std::move(records);
}

const AirportRecord* AirportTable::find(std::string_view icao) const {
  const auto found =
      std::lower_bound(records_.begin(), records_.end(), icao,
                       [](const AirportRecord& r, std::string_view code) { return r.icao.view() < code; });
  return found != records_.end() && found->icao.view() == icao ? &*found : nullptr;
}

std::optional<IcaoCode> AirportTable::findByPrefix(std::string_view text) const {
  if (text.size() < 4) return std::nullopt;
  const std::string code = gf_toUpper(text.substr(0, 4));
  if (const AirportRecord* record = find(code)) return record->icao;
  return std::nullopt;
}

std::optional<IcaoCode> AirportTable::findInName(const std::filesystem::path& name) const {
  const std::string text = gf_toUpper(gf_pathToUtf8(name));
  std::string wanted = "-XXXX-";
  for (const AirportRecord& record : records_) {
    std::copy(record.icao.view().begin(), record.icao.view().end(), wanted.begin() + 1);
    if (text.find(wanted) != std::string::npos) return record.icao;
  }
  return std::nullopt;
}

const AirportRecord* AirportTable::closest(Position position, const StandDistance& standDistance) const {
  const AirportRecord* best = nullptr;
  const AirportRecord* neighbour = nullptr;
  double bestNm = kNoStandNm;
  double neighbourNm = kNoStandNm;
  for (const AirportRecord& airport : records_) {
    if (std::fabs(airport.lat - position.latitude) * 60.0 > kPreTestNm) continue;
    const double nm = gf_distanceNm(position, {airport.lat, airport.lon});
    if (nm > kCloseNm) continue;
    if (nm < bestNm) {
      neighbour = best;
      neighbourNm = bestNm;
      best = &airport;
      bestNm = nm;
    } else if (nm < neighbourNm) {
      neighbour = &airport;
      neighbourNm = nm;
    }
  }
  if (best == nullptr || neighbour == nullptr) return best;

  gf_logLine(
      fmt::format("Airport {} is closest, neighbour is {}", best->icao.view(), neighbour->icao.view()));
  std::string bestStand;
  std::string neighbourStand;
  const double bestStandNm = standDistance(best->icao, position, bestStand);
  const double neighbourStandNm = standDistance(neighbour->icao, position, neighbourStand);
  if (neighbourStandNm < bestStandNm) {
    gf_logLine(fmt::format(
        "Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
        best->icao.view(), neighbourStand, neighbour->icao.view(), neighbourStandNm * 1852.0));
    return neighbour;
  }
  return best;
}

namespace {

// Written only by the start-up thread, before other threads read it.
AirportTable& lf_programTable() {
  static AirportTable table;
  return table;
}

}  // namespace

const AirportTable& gf_airportTable() {
  return lf_programTable();
}

bool gf_readAirports() {
  const ProgramPaths& paths = gf_paths();
  return lf_programTable().read(paths.airportsEnc, paths.airportsXml);
}

bool gf_isKnownAirport(const IcaoCode& icao) {
  return gf_airportTable().isKnown(icao);
}

std::optional<IcaoCode> gf_findAirportByPrefix(std::string_view text) {
  return gf_airportTable().findByPrefix(text);
}

std::optional<IcaoCode> gf_findAirportW(const std::filesystem::path& name) {
  return gf_airportTable().findInName(name);
}

std::string gf_airportLabel(const AirportRecord& airport) {
  if (airport.iata.view() == "XXX") return airport.icao.str();
  return fmt::format("{} ({})", airport.icao.view(), airport.iata.view());
}

std::optional<std::reference_wrapper<const AirportRecord>> gf_closestAirport(
    Position position, const StandDistance& standDistance) {
  if (const AirportRecord* airport = gf_airportTable().closest(position, standDistance))
    return std::cref(*airport);
  return std::nullopt;
}

std::optional<Position> gf_airportPosition(std::string_view icao) {
  if (const AirportRecord* airport = gf_airportTable().find(icao))
    return Position{airport->lat, airport->lon};
  return std::nullopt;
}

}  // namespace orv
