#include "airports/stand_file.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <gsl/narrow>
#include <pugixml.hpp>
#include <unordered_set>

#include "airports/half_hours.h"
#include "config/parameter_xml.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/geometry.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "foundation/xml_meta.h"
#include "refdata/dbase.h"

namespace orv {
namespace {

constexpr double kMetresPerNmInFile = 1852.0;

// A coordinate that is no finite number within its range counts as missing.
bool lf_validCoordinate(double value, double limit) {
  return std::isfinite(value) && std::fabs(value) <= limit;
}

double lf_finiteOrZero(double value) {
  return std::isfinite(value) ? value : 0.0;
}

std::string lf_radiusText(const Stand& stand) {
  return fmt::format("{:.1f}", lf_finiteOrZero(stand.radius * kMetresPerNmInFile));
}

bool lf_set(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_attribute attribute = node.append_attribute(name);
  return attribute && attribute.set_value(value.c_str());
}

bool lf_setTrue(pugi::xml_node node, const char* name) {
  return lf_set(node, name, "true");
}

bool lf_setBool(pugi::xml_node node, const char* name, bool value) {
  return lf_set(node, name, value ? "true" : "false");
}

void lf_writeFullAttributes(pugi::xml_node parkpos, const Stand& stand) {
  // A value that is no number is written as 0, which the reader takes (or drops the stand for).
  lf_set(parkpos, "latitude", fmt::format("{:.6f}", lf_finiteOrZero(stand.latitude)));
  lf_set(parkpos, "longitude", fmt::format("{:.6f}", lf_finiteOrZero(stand.longitude)));
  lf_set(parkpos, "heading", fmt::format("{:.1f}", lf_finiteOrZero(stand.heading * kRadToDeg)));
  lf_set(parkpos, "radius", lf_radiusText(stand));
  if (stand.heli)
    lf_setTrue(parkpos, "heli");
  else
    lf_setBool(parkpos, "cargo", stand.cargo);
  lf_setBool(parkpos, "ramp", stand.ramp);
  if (stand.manual) lf_setTrue(parkpos, "manual");
}

void lf_writeOpts(pugi::xml_node parkpos, const Stand& stand) {
  for (const StandSchedule& schedule : stand.schedules) {
    if (schedule.sequence == 0) continue;
    const auto hours = lf_rangeText(schedule.hours);
    if (!hours) {
      gf_logImportant(fmt::format(
          "bit set problem: {} {} {}", schedule.registration, schedule.callsign,
          fmt::format("{:3} {:4}", gf_airlineCode(schedule.airline), gf_modelCode(schedule.model))));
      continue;
    }
    if (schedule.registration.empty()) continue;
    pugi::xml_node opt = parkpos.append_child("opt");
    lf_set(opt, "reg", schedule.registration);
    if (!gf_findDbaseRecord(schedule.registration)) {
      lf_set(opt, "airl", std::string(gf_airlineCode(schedule.airline)));
      lf_set(opt, "type", std::string(gf_modelCode(schedule.model)));
    }
    if (schedule.real == 0) lf_setTrue(opt, "soft");
    lf_set(opt, "day", fmt::format("{}", schedule.day));
    lf_set(opt, "hh", *hours);
    if (!schedule.callsign.empty()) {
      lf_set(opt, "cs",
             schedule.secondCallsign.empty()
                 ? schedule.callsign
                 : fmt::format("{}:{}", schedule.callsign, schedule.secondCallsign));
    }
    if (schedule.cpl != 0) lf_setTrue(opt, "cpl");
  }
}

void lf_writeParkpos(pugi::xml_node parkpos, const Stand& stand, AirportFileMode mode, bool handmade) {
  if (mode == AirportFileMode::Generated) {
    lf_writeFullAttributes(parkpos, stand);
    return;
  }
  const bool changed = stand.radiusChange || stand.cargoChange;
  if (stand.manual || (handmade && !changed)) {
    lf_writeFullAttributes(parkpos, stand);
  } else if (changed) {
    // A handmade file is read back in full, so its changed stands carry their position as well.
    if (handmade) lf_writeFullAttributes(parkpos, stand);
    if (stand.radiusChange) {
      lf_setTrue(parkpos, "radius_change");
      if (!handmade) lf_set(parkpos, "radius", lf_radiusText(stand));
    }
    if (stand.cargoChange) {
      lf_setTrue(parkpos, "cargo_change");
      if (!handmade || stand.heli) lf_setBool(parkpos, "cargo", stand.cargo);
    }
  }
  lf_writeOpts(parkpos, stand);
}

pugi::xml_node lf_parkpositions(const pugi::xml_document& document) {
  pugi::xml_node node = document.child("root").child("parkpositions");
  return node ? node : document.child("parkpositions");
}

}  // namespace

bool lf_writeAirportParameters(pugi::xml_node root, const ScannedAirport& airport, AirportFileMode mode,
                               bool handmade) {
  pugi::xml_node parameters = root.append_child("parameters");
  if (!parameters) return false;
  const bool generated = mode == AirportFileMode::Generated;
  bool ok = gf_appendStringParameter(parameters, "airport_name", airport.airportName) &&
            gf_appendStringParameter(parameters, "publisher", airport.publisher);
  if (handmade) ok = ok && gf_appendBoolParameter(parameters, "handmade", true);
  if (handmade || generated) ok = ok && gf_appendIntParameter(parameters, "altitude", airport.altitude);
  if (generated)
    ok = ok &&
         gf_appendIntParameter(parameters, "num_parkpos", gsl::narrow<std::int32_t>(airport.stands.size()));
  if (handmade) {
    ok = ok && gf_appendIntParameter(parameters, "Qf_real", airport.qfReal) &&
         gf_appendIntParameter(parameters, "Qf_soft", airport.qfSoft);
  }
  if (airport.publisher.empty()) {
    ok = ok && gf_appendStringParameter(parameters, "BGLpath", airport.bglPath) &&
         gf_appendStringParameter(parameters, "manufacturer", airport.manufacturer) &&
         gf_appendStringParameter(parameters, "creator", airport.creator);
  }
  if (!generated) {
    // The step index of MAX_FIT_FL: the number of half hours minus one.
    const std::int32_t maxFit = gsl::narrow<std::int32_t>(std::round(2.0 * cfg::MAX_FIT_FL.value())) - 1;
    ok = ok && gf_appendIntParameter(parameters, cfg::RANGE.key(), cfg::RANGE.value()) &&
         gf_appendBoolParameter(parameters, cfg::AUTO_RANGE.key(), cfg::AUTO_RANGE.value()) &&
         gf_appendBoolParameter(parameters, cfg::WEEK.key(), cfg::WEEK.value()) &&
         gf_appendBoolParameter(parameters, cfg::PARK_SOFT.key(), cfg::PARK_SOFT.value()) &&
         gf_appendIntParameter(parameters, cfg::PARKING_PERCENTAGE.key(), cfg::PARKING_PERCENTAGE.value()) &&
         gf_appendBoolParameter(parameters, cfg::INITIAL_LOAD_ONLY.key(), cfg::INITIAL_LOAD_ONLY.value()) &&
         gf_appendIntParameter(parameters, cfg::MAX_FIT.key(), maxFit) &&
         gf_appendIntParameter(parameters, cfg::MAX_LIVE_SEL.key(), cfg::MAX_LIVE_SEL.value());
  }
  return ok;
}

bool gf_writeAirportFile(const ScannedAirport& airport, const std::filesystem::path& path,
                         AirportFileMode mode, int sim, bool handmade) {
  if (mode == AirportFileMode::Generated) handmade = false;
  pugi::xml_document document;
  XmlMeta meta;
  meta.version = gf_versionText(kProgramVersion);
  meta.sim = sim;
  if (!gf_writeXmlMeta(document, meta)) return false;
  pugi::xml_node root = document.child("root");
  if (!root) root = document.append_child("root");
  if (!root || !lf_writeAirportParameters(root, airport, mode, handmade)) return false;
  pugi::xml_node parkpositions = root.append_child("parkpositions");
  if (!parkpositions) return false;
  for (const Stand& stand : airport.stands) {
    pugi::xml_node parkpos = parkpositions.append_child("parkpos");
    lf_set(parkpos, "id", stand.id);
    lf_writeParkpos(parkpos, stand, mode, handmade);
  }
  return gf_saveXml(document, path);
}

double lf_asSaved(double value, int decimals) {
  const std::string text = fmt::format("{:.{}f}", lf_finiteOrZero(value), decimals);
  double saved = 0.0;
  (void)std::from_chars(text.data(), text.data() + text.size(), saved);
  return saved;
}

double lf_savedRadiusMetres(double radiusMetres) {
  // The same steps as a stand's radius takes: kept in nautical miles, written in metres.
  return lf_asSaved(radiusMetres * kNmPerMetre * kMetresPerNmInFile, 1);
}

namespace {

// Reads the stands in file order; with `release`, each parkpos leaves the document once read, so
// that the stands take the memory the document gives back and a very large file is never held
// twice over.
void lf_readParkpositionsOf(pugi::xml_node parkpositions, std::vector<Stand>& stands, bool release) {
  if (!parkpositions) return;
  const auto listed =
      std::distance(parkpositions.children("parkpos").begin(), parkpositions.children("parkpos").end());
  stands.reserve(stands.size() + static_cast<std::size_t>(listed));
  std::unordered_set<std::string> ids;
  int count = 0;
  for (pugi::xml_node parkpos = parkpositions.child("parkpos"); parkpos;) {
    const pugi::xml_node next = parkpos.next_sibling("parkpos");
    ++count;
    const pugi::xml_attribute idAttribute = parkpos.attribute("id");
    if (!idAttribute)
      throw UserErrorException(93, fmt::format("Parking position #{} has no '{}' attribute.", count, "id"));
    std::string id = gf_trim(idAttribute.value());
    if (id.empty())
      throw UserErrorException(93, fmt::format("Stand #{} has empty '{}' attribute.", count, "id"));
    if (!ids.insert(id).second)
      throw UserErrorException(94, fmt::format("Stand '{}' appears more than once.", id));
    lf_readParkpos(parkpos, std::move(id), 1, stands);
    if (release) (void)parkpositions.remove_child(parkpos);
    parkpos = next;
  }
}

}  // namespace

void lf_readParkpositions(const pugi::xml_document& document, std::vector<Stand>& stands) {
  lf_readParkpositionsOf(lf_parkpositions(document), stands, false);
}

void lf_takeParkpositions(pugi::xml_document& document, std::vector<Stand>& stands) {
  lf_readParkpositionsOf(lf_parkpositions(document), stands, true);
}

void lf_readParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t fromFile,
                    std::vector<Stand>& stands) {
  const double latitude = parkpos.attribute("latitude").as_double(0.0);
  const double longitude = parkpos.attribute("longitude").as_double(0.0);
  // A position so close to 0,0 that a save writes it as 0,0 is none either.
  if ((lf_asSaved(latitude, 6) == 0.0 && lf_asSaved(longitude, 6) == 0.0) ||
      !lf_validCoordinate(latitude, 90.0) || !lf_validCoordinate(longitude, 180.0)) {
    gf_logImportant(fmt::format("stand {} has no valid lat/lon", id));
    return;
  }
  const double radius = lf_finiteOrZero(parkpos.attribute("radius").as_double(0.0));
  const double heading = lf_finiteOrZero(parkpos.attribute("heading").as_double(0.0));
  const bool cargo = parkpos.attribute("cargo").as_bool(false);
  const bool ramp = parkpos.attribute("ramp").as_bool(false);
  const bool heli = parkpos.attribute("heli").as_bool(false);

  // As many as the stand lists: a file of many stands holds no room to spare.
  std::vector<StandSchedule> schedules;
  schedules.reserve(static_cast<std::size_t>(
      std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end())));
  std::uint32_t sequence = 0;
  for (const pugi::xml_node opt : parkpos.children("opt")) {
    StandSchedule schedule = lf_readOptSchedule(opt);
    const std::string hh = opt.attribute("hh").value();
    const int day = opt.attribute("day").as_int(0);
    if (hh.empty() || day < 1 || day > 7) continue;
    schedule.hours = gf_hours2bitset(hh);
    schedule.sequence = ++sequence;
    schedule.day = static_cast<std::uint32_t>(day);
    schedule.fromFile = fromFile;
    schedules.push_back(std::move(schedule));
  }
  Stand& stand = stands.emplace_back(std::move(id), std::move(schedules), latitude, longitude,
                                     heading * kDegToRad, radius, cargo, ramp, heli);
  // Kept so that a handmade file, read in full, is saved again as it was.
  stand.manual = parkpos.attribute("manual").as_bool(false);
  stand.radiusChange = parkpos.attribute("radius_change").as_bool(false);
  stand.cargoChange = parkpos.attribute("cargo_change").as_bool(false);
}

OptNames lf_readOpt(const pugi::xml_node& opt) {
  OptNames names;
  const std::string_view cs = opt.attribute("cs").value();
  if (const auto colon = cs.find(':'); colon != std::string_view::npos) {
    names.callsign = std::string(cs.substr(0, colon));
    names.secondCallsign = std::string(cs.substr(colon + 1));
  } else {
    names.callsign = std::string(cs);
  }
  const std::string_view registration = opt.attribute("reg").value();
  if (const auto record = registration.empty() ? std::nullopt : gf_findDbaseRecord(registration)) {
    names.codes = {record->airline, record->model};
    if (!gf_airlineCode(record->operatorId).empty()) names.codes.airline = record->operatorId;
  } else {
    names.codes = lf_readOptCodes(opt);
  }
  return names;
}

StandSchedule lf_readOptSchedule(const pugi::xml_node& opt) {
  OptNames names = lf_readOpt(opt);
  StandSchedule schedule;
  schedule.airline = names.codes.airline;
  schedule.model = names.codes.model;
  schedule.registration = opt.attribute("reg").value();
  schedule.callsign = std::move(names.callsign);
  schedule.secondCallsign = std::move(names.secondCallsign);
  schedule.real = opt.attribute("soft").as_bool(false) ? 0 : 1;
  schedule.cpl = opt.attribute("cpl").as_bool(false) ? 1 : 0;
  return schedule;
}

OptCodes lf_readOptCodes(const pugi::xml_node& opt) {
  return {gf_airlineId(opt.attribute("airl").value()), gf_modelId(opt.attribute("type").value())};
}

}  // namespace orv
