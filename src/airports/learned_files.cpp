#include "airports/learned_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>
#include <stdexcept>

#include "airports/half_hours.h"
#include "airports/park_airport.h"
#include "airports/stand_file.h"
#include "airports/stand_store.h"
#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameter_xml.h"
#include "config/parameters.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "foundation/version.h"
#include "foundation/xml_meta.h"
#include "platform/ui/controls.h"
#include "refdata/codes.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// Opts of files written before this version are not trusted.
constexpr Version kFirstTrustedOptsVersion{11, 10, 0};

std::string lf_replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string lf_lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return lower;
}

std::string_view lf_lastComponent(std::string_view name) {
  const auto slash = name.rfind('\\');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The components of a '\' separated name as a path, or nothing when one of them is empty, "." or
// "..", so that the result stays inside the folder it is appended to.
std::optional<fs::path> lf_containedPath(std::string_view name) {
  fs::path result;
  for (const std::string& part : gf_splitBy(name, '\\')) {
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    result /= part;
  }
  if (result.empty()) return std::nullopt;
  return result;
}

pugi::xml_node lf_parkpositionsOf(const pugi::xml_document& document) {
  if (const pugi::xml_node inRoot = document.child("root").child("parkpositions")) return inRoot;
  return document.child("parkpositions");
}

// Stores, saves and shows the one setting when it differs.
template <auto Member, typename Value>
void lf_apply(Value value) {
  AirportSettings settings;
  settings.*Member = value;
  gf_applyIntParameterChanges(settings);
}

void lf_logSetting(std::string_view key, const auto& value) {
  gf_logIndented(fmt::format("{:24}: {}", key, value));
}

void lf_readSettings(const pugi::xml_document& document) {
  using namespace cfg;
  if (const auto value = gf_getXmlParameterInt(document, MAX_LIVE_SEL.key())) {
    lf_logSetting(MAX_LIVE_SEL.key(), *value);
    lf_apply<&AirportSettings::maxLiveSel>(MAX_LIVE_SEL.clamped(*value));
    gf_showIntParameter(MAX_LIVE_SEL);
  }
  const auto learnedRange = gf_getXmlParameterInt(document, RANGE.key());
  if (learnedRange) {
    lf_logSetting(RANGE.key(), *learnedRange);
    gf_setAndSaveRange(*learnedRange);
    if (const ui::WindowHandle range = RANGE.window()) (void)ui::setEnabled(range, true);
  }
  if (const auto value = gf_getXmlParameterBool(document, AUTO_RANGE.key())) {
    lf_logSetting(AUTO_RANGE.key(), *value);
    lf_apply<&AirportSettings::autoRange>(*value);
    gf_showCheck(AUTO_RANGE);
    gf_applyAutoRange();
    // Off, the automatic range falls back to the radius set by hand, which here is the one the
    // airport learned.
    if (learnedRange && !AUTO_RANGE.value()) gf_setAndSaveRange(*learnedRange);
  }
  if (const auto value = gf_getXmlParameterInt(document, PARKING_PERCENTAGE.key())) {
    lf_logSetting(PARKING_PERCENTAGE.key(), *value);
    lf_apply<&AirportSettings::parkingPercentage>(*value);
  } else {
    lf_apply<&AirportSettings::parkingPercentage>(30);
  }
  gf_showIntParameter(PARKING_PERCENTAGE);
  for (CheckBoxParameter* parameter : {&WEEK, &PARK_SOFT}) {
    if (const auto value = gf_getXmlParameterBool(document, parameter->key())) {
      lf_logSetting(parameter->key(), *value);
      if (parameter == &WEEK)
        lf_apply<&AirportSettings::week>(*value);
      else
        lf_apply<&AirportSettings::parkSoft>(*value);
      gf_showCheck(*parameter);
    }
  }
  if (const auto value = gf_getXmlParameterInt(document, MAX_FIT.key())) {
    lf_apply<&AirportSettings::maxFit>(MAX_FIT.clamped(*value));
    // MAX_FIT counts half hours less one; the drop-down shows hours.
    MAX_FIT_FL.set(static_cast<float>(MAX_FIT.value() + 1) / 2.0F);
    gf_showMaxFit();
    gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {:.1f} hrs decimal)", MAX_FIT.key(),
                               *value, MAX_FIT_FL.value()));
  }
  if (const auto value = gf_getXmlParameterBool(document, INITIAL_LOAD_ONLY.key())) {
    lf_logSetting(INITIAL_LOAD_ONLY.key(), *value);
    lf_apply<&AirportSettings::initialLoadOnly>(*value);
    gf_showCheck(INITIAL_LOAD_ONLY);
    if (const ui::WindowHandle now = NOW_BUTTON.window()) {
      const ui::WindowHandle parking = PARKING_PERCENTAGE.window();
      (void)ui::setEnabled(now, !INITIAL_LOAD_ONLY.value() && (!parking || ui::isEnabled(parking)));
    }
  }
}

bool lf_isOldVersion(const XmlMeta& meta) {
  try {
    return gf_parseVersion(meta.version) < kFirstTrustedOptsVersion;
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("learned file version '{}' not readable ({}), taken as older than {}",
                                meta.version, e.what(), gf_versionText(kFirstTrustedOptsVersion)));
    return true;
  }
}

void lf_readManualStand(const pugi::xml_node& parkpos, const std::string& id, const fs::path& path,
                        std::vector<Stand>& stands) {
  if (std::any_of(stands.begin(), stands.end(), [&](const Stand& s) { return s.id == id; })) {
    gf_logImportant(fmt::format("manually created standid {} already exists in {}", id, gf_pathToUtf8(path)));
    return;
  }
  // Judged as the learned file saved on leaving will hold them, so that the stand is not lost then.
  const double latitude = lf_asSaved(parkpos.attribute("latitude").as_double(0.0), 6);
  const double longitude = lf_asSaved(parkpos.attribute("longitude").as_double(0.0), 6);
  const double radius = lf_savedRadiusMetres(parkpos.attribute("radius").as_double(0.0));
  if (!((std::abs(latitude) > 0.0001 || std::abs(longitude) > 0.0001) && radius != 0.0)) {
    gf_logImportant(
        fmt::format("manually created standid {} misses correct attributes in {}", id, gf_pathToUtf8(path)));
    return;
  }
  const std::size_t before = stands.size();
  lf_readParkpos(parkpos, id, 0, stands);
  if (stands.size() > before) stands.back().manual = true;
}

bool lf_sameAircraft(const StandSchedule& a, const StandSchedule& b) {
  return a.day == b.day && a.real == b.real && a.registration == b.registration && a.airline == b.airline &&
         a.model == b.model;
}

}  // namespace

std::string lf_trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string gf_safePublisherFolder(std::string_view publisher) {
  std::string safe;
  safe.reserve(publisher.size());
  for (const char c : publisher) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\')
      safe += ' ';
    else if (u < 0x20 || u == 0x7f || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
      safe += '_';
    else
      safe += c;
  }
  // Windows drops dots and blanks at the end of a folder name, so a name made only of them (as
  // "." or ".. .. ..") would name the folder above; the same name on every system.
  const auto last = safe.find_last_not_of(". ");
  safe.erase(last == std::string::npos ? 0 : last + 1);
  safe = lf_trimBlanks(safe);
  // Windows takes these names, with any extension, for its devices and not for a folder.
  const std::string stem = lf_lower(std::string_view(safe).substr(0, safe.find('.')));
  const bool numbered = stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
                        stem[3] >= '1' && stem[3] <= '9';
  if (numbered || stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") safe += '_';
  return safe;
}

fs::path lf_learnedFilePath(std::string_view standFileName, std::string_view publisher) {
  const std::string name = lf_replaceAll(std::string(standFileName), "/", "\\");
  const std::string_view fileName = lf_lastComponent(name);
  const auto dot = fileName.rfind('.');
  if (dot == std::string_view::npos || lf_lower(fileName.substr(dot)) != ".xml") return {};
  const auto contained = lf_containedPath(fileName);
  if (!contained) return {};
  const fs::path& learned = gf_paths().learned;

  if (name.starts_with("archive\\stock\\")) return learned / kStockWord / *contained;
  if (name.starts_with("archive\\simaddon\\")) return learned / kSimaddonWord / *contained;
  constexpr std::string_view kThirdpartyArchive = "archive\\thirdparty\\";
  if (const auto at = name.find(kThirdpartyArchive); at != std::string::npos) {
    const std::string rest = name.substr(at + kThirdpartyArchive.size());
    const auto slash = rest.find('\\');
    if (slash == std::string::npos) return {};
    const std::string folder = gf_safePublisherFolder(lf_replaceAll(rest.substr(0, slash), "%20", " "));
    if (folder.empty()) return {};
    return learned / kThirdpartyWord / folder / *contained;
  }
  constexpr std::string_view kAirports = "airports\\";
  if (name.starts_with(kAirports)) {
    const std::string_view rest = std::string_view(name).substr(kAirports.size());
    if (rest.starts_with("my_thirdparty2024\\") || rest.starts_with("my_thirdparty\\")) {
      const std::string folder = gf_safePublisherFolder(publisher);
      return folder.empty() ? learned / kThirdpartyWord / *contained
                            : learned / kThirdpartyWord / folder / *contained;
    }
    const auto whole = lf_containedPath(rest);
    if (!whole) return {};
    return learned / *whole;
  }
  return {};
}

bool lf_mergeLearnedOpts(std::string_view id, const pugi::xml_node& parkpos, bool oldFile, Stand& stand) {
  if (stand.id != id) return false;
  if (parkpos.attribute("radius_change").as_bool(false)) {
    // A radius that is no number is 0, as the stand file's reader takes it.
    const double metres = parkpos.attribute("radius").as_double(0.0);
    stand.radius = (std::isfinite(metres) ? metres : 0.0) * kNmPerMetre;
    stand.radiusChange = true;
  }
  if (parkpos.attribute("cargo_change").as_bool(false)) {
    stand.cargo = parkpos.attribute("cargo").as_bool(false);
    stand.cargoChange = true;
  }
  if (oldFile) return true;
  std::uint32_t sequence = stand.schedules.empty() ? 1 : stand.schedules.back().sequence + 1;
  for (const pugi::xml_node opt : parkpos.children("opt")) {
    StandSchedule schedule = lf_readOptSchedule(opt);
    const HalfHourSet hours = gf_hours2bitset(opt.attribute("hh").value());
    if (hours.none()) {
      gf_logImportant("empty bit set");
      continue;
    }
    schedule.hours = hours;
    const int day = opt.attribute("day").as_int(0);
    // A parking on no weekday could never be placed again.
    if (day < 1 || day > 7) {
      gf_logImportant(fmt::format("learned {}: day {} is no weekday, skipped", stand.id, day));
      continue;
    }
    schedule.day = static_cast<std::uint32_t>(day);
    const bool duplicate = std::any_of(
        stand.schedules.begin(), stand.schedules.end(),
        [&](const StandSchedule& s) { return lf_sameAircraft(s, schedule) && (s.hours & hours).any(); });
    if (duplicate) {
      gf_logImportant(fmt::format(
          "learned {}: day:{} {} {} cs:{} reg:{} already in airport file", stand.id, schedule.day,
          gf_bitsetToHours(hours).value_or(""),
          fmt::format("{:3} {:4}", gf_airlineCode(schedule.airline), gf_modelCode(schedule.model)),
          schedule.callsign, schedule.registration));
      continue;
    }
    schedule.sequence = sequence++;
    schedule.fromFile = 0;
    stand.schedules.push_back(std::move(schedule));
  }
  return true;
}

void lf_readLearned(const fs::path& path, const ParkAirportInfo& info, std::vector<Stand>& stands,
                    bool& handmade) {
  pugi::xml_document document;
  const pugi::xml_parse_result loaded = document.load_file(path.c_str());
  if (!loaded) {
    (void)gf_save1GenerationOf(path);
    gf_logImportant(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}",
                                gf_pathToUtf8(path), loaded.description()));
    return;
  }
  gf_logLine(fmt::format("Read from learned airport file: '{}'", gf_pathToUtf8(path)));
  gf_flushLog();
  const std::optional<XmlMeta> meta = gf_readXmlMeta(document);
  if (!meta) {
    // Kept as well, so that the next learned save cannot lose what the user gathered in it.
    (void)gf_save1GenerationOf(path);
    return;
  }
  const bool oldFile = lf_isOldVersion(*meta);
  if (oldFile)
    gf_logLine(
        "\nThis learned file was created with and older QLST version than 11.10.0,\nAll flights will be "
        "cleared, "
        "except for a handmade file\n");

  const std::string learnedName = gf_getXmlParameterString(document, "airport_name").value_or("");
  if (learnedName != info.airportName) {
    const std::string warning =
        fmt::format("Warning: learned file airport name: '{}' differs from archived file airport name: '{}'",
                    learnedName, info.airportName);
    gf_setMessage(warning);
    gf_logLine(warning);
  }
  lf_readSettings(document);

  if (gf_getXmlParameterBool(document, "handmade").value_or(false)) {
    handmade = true;
    stands.clear();
    gf_clearStands();
    lf_takeParkpositions(document, stands);
    gf_logIndented(fmt::format("{:24}: {}", "handmade", true));
    return;
  }
  handmade = false;
  const pugi::xml_node parkpositions = lf_parkpositionsOf(document);
  if (!parkpositions) return;
  for (const pugi::xml_node parkpos : parkpositions.children("parkpos")) {
    const std::string id = parkpos.attribute("id").value();
    if (parkpos.attribute("manual").as_bool(false)) {
      lf_readManualStand(parkpos, id, path, stands);
      continue;
    }
    const bool merged = std::any_of(stands.begin(), stands.end(), [&](Stand& stand) {
      return lf_mergeLearnedOpts(id, parkpos, oldFile, stand);
    });
    if (!merged) gf_logLine(fmt::format("learned stand {} in {} not found?", id, gf_pathToUtf8(path)));
  }
}

}  // namespace orv
