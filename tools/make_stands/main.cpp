// quillstar-make-stands: writes the stand file of an airport whose stands carry learned parkings for
// every weekday and every half hour, so that static parking finds aircraft there at any time. The
// demo serves such a file as the archived stand file of its airport.
//
//   quillstar-make-stands ICAO LATITUDE LONGITUDE OUT [--stands N] [--name TEXT] [--altitude FT]
//                         [--publisher TEXT] [--fleet AIRLINE:TYPE,...]
//
// The stands stand in rows of ten, 60 m apart, eastwards and northwards from the position given,
// each 25 m in radius, so that no two overlap. Each stand has, for each weekday, four parkings of
// six hours (half hours 0:11, 12:23, 24:35 and 36:47) by aircraft of the fleet in turn, the next
// stand starting one aircraft further on, so that neighbours show different aircraft. The stands
// are passenger stands: the default fleet flies passengers.

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "config/parameter_xml.h"
#include "foundation/fixed_code.h"
#include "foundation/geometry.h"
#include "foundation/version.h"
#include "foundation/xml_meta.h"

namespace {

constexpr int kUsageError = 2;
constexpr double kSpacingMetres = 60.0;
constexpr double kRadiusMetres = 25.0;
constexpr int kStandsPerRow = 10;
constexpr int kBlocksPerDay = 4;
constexpr int kHalfHoursPerBlock = 12;

struct Aircraft {
  std::string airline;
  std::string type;
};

struct Arguments {
  std::string icao;
  double latitude = 0.0;
  double longitude = 0.0;
  std::filesystem::path out;
  int stands = 12;
  std::string name;
  int altitude = 0;
  std::string publisher = "stock";
  std::vector<Aircraft> fleet{{"DLH", "A321"}, {"CFG", "A320"}, {"BAW", "B772"}};
};

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

bool parseFleet(std::string_view text, std::vector<Aircraft>& fleet) {
  fleet.clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == item.size()) return false;
    fleet.push_back({std::string(item.substr(0, colon)), std::string(item.substr(colon + 1))});
    start = comma + 1;
  }
  return !fleet.empty();
}

bool parse(int argc, char** argv, Arguments& arguments) {
  std::vector<std::string_view> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!argument.starts_with("--")) {
      positional.push_back(argument);
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string_view value = argv[++i];
    bool ok = true;
    if (argument == "--stands")
      ok = parseNumber(value, arguments.stands) && arguments.stands >= 1;
    else if (argument == "--name")
      arguments.name = value;
    else if (argument == "--altitude")
      ok = parseNumber(value, arguments.altitude);
    else if (argument == "--publisher")
      arguments.publisher = value;
    else if (argument == "--fleet")
      ok = parseFleet(value, arguments.fleet);
    else
      ok = false;
    if (!ok) return false;
  }
  if (positional.size() != 4) return false;
  try {
    arguments.icao = orv::IcaoCode(positional[0]).str();
  } catch (const std::invalid_argument&) {
    return false;
  }
  if (!parseNumber(positional[1], arguments.latitude) || !parseNumber(positional[2], arguments.longitude) ||
      std::abs(arguments.latitude) > 90.0 || std::abs(arguments.longitude) > 180.0)
    return false;
  arguments.out = positional[3];
  if (arguments.name.empty()) arguments.name = arguments.icao;
  return true;
}

void setAttribute(pugi::xml_node node, const char* name, const std::string& value) {
  node.append_attribute(name).set_value(value.c_str());
}

void appendParameter(pugi::xml_node parameters, const char* name, const std::string& value) {
  pugi::xml_node parameter = parameters.append_child("parameter");
  setAttribute(parameter, "name", name);
  setAttribute(parameter, "value", value);
}

// Three letters, different for every stand and block of the day: "AAA", "AAB", ...
std::string registrationLetters(int number) {
  std::string letters(3, 'A');
  for (int i = 2; i >= 0; --i) {
    letters[static_cast<std::size_t>(i)] = static_cast<char>('A' + number % 26);
    number /= 26;
  }
  return letters;
}

void appendStand(pugi::xml_node parkpositions, const Arguments& arguments, int index) {
  const int row = index / kStandsPerRow;
  const int column = index % kStandsPerRow;
  const orv::Position origin{arguments.latitude, arguments.longitude};
  const orv::Position east = orv::gf_destinationPoint(
      origin, orv::kPi / 2.0, column * kSpacingMetres / orv::kMetresPerNm * orv::kFeetPerNm);
  const orv::Position spot =
      orv::gf_destinationPoint(east, 0.0, row * kSpacingMetres / orv::kMetresPerNm * orv::kFeetPerNm);

  pugi::xml_node parkpos = parkpositions.append_child("parkpos");
  setAttribute(parkpos, "id", fmt::format("S{}", index + 1));
  setAttribute(parkpos, "latitude", fmt::format("{:.6f}", spot.latitude));
  setAttribute(parkpos, "longitude", fmt::format("{:.6f}", spot.longitude));
  setAttribute(parkpos, "heading", "180.0");
  setAttribute(parkpos, "radius", fmt::format("{:.1f}", kRadiusMetres));
  setAttribute(parkpos, "cargo", "false");
  setAttribute(parkpos, "ramp", "false");
  for (int day = 1; day <= 7; ++day) {
    for (int block = 0; block < kBlocksPerDay; ++block) {
      const int turn = index * kBlocksPerDay + block;
      const Aircraft& aircraft =
          arguments.fleet[static_cast<std::size_t>(index + block + day) % arguments.fleet.size()];
      pugi::xml_node opt = parkpos.append_child("opt");
      setAttribute(opt, "reg", fmt::format("D-{}", registrationLetters(turn)));
      setAttribute(opt, "airl", aircraft.airline);
      setAttribute(opt, "type", aircraft.type);
      setAttribute(opt, "day", std::to_string(day));
      setAttribute(opt, "hh",
                   fmt::format("{}:{}", block * kHalfHoursPerBlock, (block + 1) * kHalfHoursPerBlock - 1));
      setAttribute(opt, "cs", fmt::format("{}{}", aircraft.airline, 100 + turn));
    }
  }
}

bool write(const Arguments& arguments) {
  pugi::xml_document document;
  orv::XmlMeta meta;
  meta.version = orv::gf_versionText(orv::kProgramVersion);
  meta.sim = 1;
  if (!orv::gf_writeXmlMeta(document, meta)) return false;
  pugi::xml_node root = document.child("root");
  pugi::xml_node parameters = root.append_child("parameters");
  appendParameter(parameters, "airport_name", arguments.name);
  appendParameter(parameters, "publisher", arguments.publisher);
  appendParameter(parameters, "altitude", std::to_string(arguments.altitude));
  pugi::xml_node parkpositions = root.append_child("parkpositions");
  for (int index = 0; index < arguments.stands; ++index) appendStand(parkpositions, arguments, index);
  return orv::gf_saveXml(document, arguments.out);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!parse(argc, argv, arguments)) {
    std::fprintf(stderr,
                 "usage: %s ICAO LATITUDE LONGITUDE OUT [--stands N] [--name TEXT] [--altitude FT] "
                 "[--publisher TEXT] [--fleet AIRLINE:TYPE,...]\n",
                 argv[0]);
    return kUsageError;
  }
  try {
    if (!write(arguments)) {
      std::fprintf(stderr, "quillstar-make-stands: could not write %s\n", arguments.out.string().c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillstar-make-stands: %s\n", e.what());
    return 1;
  }
  std::printf("%s\n", fmt::format("{}: {} stands of {}, {} learned parkings", arguments.out.string(),
                                  arguments.stands, arguments.icao, arguments.stands * 7 * kBlocksPerDay)
                          .c_str());
  return 0;
}
