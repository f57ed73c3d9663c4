#include "airports/park_loading.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <pugixml.hpp>

#include "airports/learned_files.h"
#include "airports/stand_file.h"
#include "airports/stand_store.h"
#include "config/parameter_controls.h"
#include "config/parameter_xml.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/geometry.h"
#include "foundation/log.h"
#include "foundation/utf.h"
#include "foundation/window_view.h"
#include "foundation/xml_meta.h"
#include "platform/ui/controls.h"
#include "refdata/airports_table.h"
#include "refdata/downloader.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReadApf = "gf_readApf";

struct Published {
  std::mutex mutex;
  std::optional<double> elevation;
  std::atomic<bool> standsLoaded{false};
};

Published& published() {
  static Published instance;
  return instance;
}

// The local stand file of the airport in the folder: its redirect's name or its own path.
std::optional<std::string> lf_localStandFile(const fs::path& folder, std::string_view icao) {
  std::string redirected;
  if (lf_readRedirectFile(folder / fmt::format("{}.txt", icao), redirected)) return redirected;
  const fs::path standFile = folder / fmt::format("{}.xml", icao);
  std::error_code ec;
  if (fs::exists(standFile, ec)) return gf_pathToUtf8(standFile);
  return std::nullopt;
}

std::int32_t lf_tableStands(std::string_view icao, const AirportTable& table) {
  const AirportRecord* record = table.find(icao);
  return record == nullptr ? 0 : record->stands;
}

// The archived name as an address part; nothing for a name that could climb out of its folder.
std::optional<std::string> lf_archivedAddress(std::string_view name) {
  std::string address(name);
  std::replace(address.begin(), address.end(), '\\', '/');
  if (address.empty() || address.front() == '/') return std::nullopt;
  std::size_t start = 0;
  while (start <= address.size()) {
    const auto end = std::min(address.find('/', start), address.size());
    if (address.compare(start, end - start, "..") == 0 && end - start == 2) return std::nullopt;
    start = end + 1;
  }
  return address;
}

// The fit step of 24 hours: 48 half hours, less one.
constexpr std::int32_t kWidestFitStep = 47;

// The defaults of an airport that nothing was learned at yet.
void lf_applyUnlearnedDefaults(const ParkAirport& park, const AirportTable& table) {
  using namespace cfg;
  const auto parkSoftAndWeek = [](bool on) {
    AirportSettings settings;
    settings.parkSoft = on;
    settings.week = on;
    gf_applyIntParameterChanges(settings);
  };
  if (park.quality.real <= 2 && park.quality.soft >= 1) {
    parkSoftAndWeek(true);
    gf_showCheck(PARK_SOFT);
    gf_showCheck(WEEK);
    // 24 hours go through MAX_FIT, the fit steps that the passes and the drop-down follow: set
    // alone, the hours would fall back to the old steps as soon as the drop-down shows them.
    AirportSettings widestFit;
    widestFit.maxFit = kWidestFitStep;
    gf_applyIntParameterChanges(widestFit);
    MAX_FIT_FL.set(24.0F);
    gf_showMaxFit();
  } else if (park.quality.real >= 46) {
    parkSoftAndWeek(false);
    gf_showCheck(PARK_SOFT);
    gf_showCheck(WEEK);
  }
  // A small airport fills its few stands; a large one leaves room for the live traffic.
  const std::int32_t tableStands = park.icao ? lf_tableStands(park.icao->view(), table) : 0;
  const std::int32_t percentage = tableStands == 1 ? 100 : tableStands == 2 ? 50 : 30;
  AirportSettings parking;
  parking.parkingPercentage = percentage;
  gf_applyIntParameterChanges(parking);
  gf_logLine(fmt::format("{:24}: {}%", PARKING_PERCENTAGE.key(), percentage));
  gf_showIntParameter(PARKING_PERCENTAGE);
  if (const ui::WindowHandle control = PARKING_PERCENTAGE.window()) (void)ui::setEnabled(control, true);
}

AirportSettings lf_currentSettings() {
  using namespace cfg;
  AirportSettings settings;
  settings.maxLiveSel = MAX_LIVE_SEL.value();
  settings.maxFit = MAX_FIT.value();
  settings.range = RANGE.value();
  settings.parkingPercentage = PARKING_PERCENTAGE.value();
  settings.autoRange = AUTO_RANGE.value();
  settings.initialLoadOnly = INITIAL_LOAD_ONLY.value();
  settings.parkSoft = PARK_SOFT.value();
  settings.week = WEEK.value();
  return settings;
}

std::string lf_readApf(ParkAirport& park, const std::string& name, const AirportTable& table) {
  fs::path path;
  std::string label = name;
  if (name.starts_with("airports")) {
    std::string local = name;
    std::replace(local.begin(), local.end(), '\\', '/');
    // In the system's own form, so that every message names the file the same way.
    path = fs::path(local).make_preferred();
    label = gf_pathToUtf8(path);
  } else {
    path = gf_paths().parkAirport;
    if (std::string error = lf_downloadArchivedFile(name, path); !error.empty()) return error;
  }

  park.handmade = false;
  pugi::xml_document document;
  if (const pugi::xml_parse_result loaded = document.load_file(path.c_str()); !loaded)
    return fmt::format("{}: could not load file: {}", label, gf_pathToUtf8(path));
  if (!gf_readXmlMeta(document)) return fmt::format("{}: refused to load", name);

  park.rtTrafficWeek = gf_getXmlParameterInt(document, "RT_traffic_week").value_or(0);
  park.info.publisher = gf_getXmlParameterString(document, "publisher").value_or("");
  const auto altitude = gf_getXmlParameterInt(document, "altitude");
  if (!altitude) throw UserErrorException(65, fmt::format("Parameter {} not found", "altitude"));
  park.info.altitude = *altitude;
  park.info.airportName = gf_getXmlParameterString(document, "airport_name").value_or("");

  std::vector<Stand>& stands = gf_parkStands();
  lf_takeParkpositions(document, stands);

  const auto qfReal = gf_getXmlParameterInt(document, "Qf_real");
  const auto qfSoft = gf_getXmlParameterInt(document, "Qf_soft");
  if (qfReal && qfSoft) park.quality = {*qfReal, *qfSoft};

  park.settings = lf_currentSettings();

  const fs::path learned = lf_learnedFilePath(name, park.info.publisher);
  std::error_code ec;
  if (!learned.empty() && fs::exists(learned, ec)) {
    lf_readLearned(learned, park.info, stands, park.handmade);
    park.quality = gf_airportQualityFactors(stands);
    if (park.handmade) gf_logLine("A handmade airport file overruled the archived file!");
  } else {
    gf_logLine("learned does not exist");
    lf_applyUnlearnedDefaults(park, table);
  }

  gf_numberStands(stands);
  gf_linkNeighbours(stands);

  gf_logLine(fmt::format("Airport file read from '{}' for {}", park.handmade ? gf_pathToUtf8(learned) : name,
                         park.info.airportName));
  gf_logIndented(fmt::format("{:24}: {}", "publisher", park.info.publisher));
  gf_logIndented(fmt::format("{:24}: {} ft", "altitude", park.info.altitude));
  gf_logIndented(fmt::format("{:24}: {}", "num_parkpos", stands.size()));
  gf_logIndented(fmt::format("{:24}: {}", "quality factor", gf_qualityFactorText(park.quality)));
  gf_logIndented(fmt::format("{:24}: {}", "RT traffic week", park.rtTrafficWeek));

  gf_publishStands();
  gf_setStandsLoaded(true);
  if (const ui::WindowHandle flush = cfg::FLUSH_STATIC_BUTTON.window()) (void)ui::setEnabled(flush, true);
  gf_setParkElevation(park.icao ? std::optional<double>(park.info.altitude) : std::nullopt);
  gf_windowView().repaint(WindowBand::Options);

  if (stands.empty()) return "no stands found";
  return {};
}

}  // namespace

bool lf_readRedirectFile(const fs::path& path, std::string& name) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return false;
  std::vector<std::string> lines;
  if (!gf_readFile(path, lines).empty() || lines.empty()) return false;
  std::string line = lines.front();
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0) line.pop_back();
  if (line.size() < 4) return false;
  std::string extension = line.substr(line.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension != ".xml") return false;
  name = std::move(line);
  return true;
}

bool gf_airportFileExists(std::string_view icao, const AirportTable& table) {
  const ProgramPaths& paths = gf_paths();
  std::error_code ec;
  for (const fs::path& folder : {paths.myThirdparty, paths.mySimaddon})
    for (const char* extension : {".xml", ".txt"})
      if (fs::exists(folder / fmt::format("{}{}", icao, extension), ec)) return true;
  return lf_tableStands(icao, table) >= 1;
}

std::string gf_resolveAirportFile(std::string_view icao, const AirportTable& table) {
  const ProgramPaths& paths = gf_paths();
  for (const fs::path& folder : {paths.myThirdparty, paths.mySimaddon})
    if (auto name = lf_localStandFile(folder, icao)) return *name;
  if (lf_tableStands(icao, table) >= 1) return fmt::format("archive/{}/{}.xml", kStockWord, icao);
  return {};
}

std::string lf_downloadArchivedFile(std::string_view name, const fs::path& localPath) {
  const bool simaddonOrStock =
      name.find(kSimaddonWord) != std::string_view::npos || name.find(kStockWord) != std::string_view::npos;
  const std::string_view folder = !gf_msfs2020Chosen() && !simaddonOrStock ? "MSFS2024/" : "MSFS/";
  const std::optional<std::string> archived = lf_archivedAddress(name);
  const std::string base = gf_downloadBase();
  const std::string address = fmt::format("{}{}{}", base, folder, archived.value_or(std::string(name)));
  bool ok = false;
  if (archived && !base.empty()) {
    DownloadHandle handle;
    ok = gf_downloadFile(handle, address, localPath, true);
  }
  if (ok) return {};
  if (fs::exists(localPath)) fs::remove(localPath);
  std::string error = fmt::format("failed to download: '{}'", address);
  gf_logLine(error);
  return error;
}

std::string gf_readApf(ParkAirport& park, const std::string& name) {
  park.quality = {};
  park.rtTrafficWeek = 0;
  if (name.empty()) return fmt::format("{}: xml is empty", kReadApf);
  if (!park.icao) return fmt::format("{}: no park airport set", kReadApf);
  try {
    return lf_readApf(park, name, park.table != nullptr ? *park.table : gf_airportTable());
  } catch (const UserErrorException&) {
    throw;
  } catch (const std::exception& e) {
    return fmt::format("{}: {}", kReadApf, e.what());
  }
}

void gf_linkNeighbours(std::vector<Stand>& stands) {
  // Two circles can only overlap when their latitudes lie within the two radii (a degree of
  // latitude is 60 nm, less a margin for rounding): sorted by latitude, each stand meets only the
  // few beside it, so a file of many thousand stands loads in moments rather than minutes.
  constexpr double kNmPerDegreeLatitude = 59.9;
  double widest = 0.0;
  for (Stand& stand : stands) {
    stand.neighbours.clear();
    widest = std::max(widest, stand.radius);
  }
  // A stand without a finite latitude overlaps none.
  std::vector<std::size_t> order;
  order.reserve(stands.size());
  for (std::size_t i = 0; i < stands.size(); ++i)
    if (std::isfinite(stands[i].latitude)) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&stands](std::size_t x, std::size_t y) { return stands[x].latitude < stands[y].latitude; });
  const auto overlaps = [](const Stand& a, const Stand& b) {
    return a.radius + b.radius > 1.1 * gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
  };
  for (std::size_t i = 0; i < order.size(); ++i) {
    Stand& a = stands[order[i]];
    const double reach = (a.radius + widest) / 1.1 / kNmPerDegreeLatitude;
    for (std::size_t j = i + 1; j < order.size() && stands[order[j]].latitude - a.latitude <= reach; ++j) {
      Stand& b = stands[order[j]];
      if (overlaps(a, b)) a.neighbours.push_back(b.number);
      if (overlaps(b, a)) b.neighbours.push_back(a.number);
    }
  }
  // In stand order, as the stands are numbered.
  for (Stand& stand : stands) {
    std::sort(stand.neighbours.begin(), stand.neighbours.end());
    stand.neighbours.shrink_to_fit();
  }
}

std::optional<double> gf_parkElevation() {
  std::scoped_lock lock(published().mutex);
  return published().elevation;
}

void gf_setParkElevation(std::optional<double> feet) {
  std::scoped_lock lock(published().mutex);
  published().elevation = feet;
}

bool gf_standsLoaded() {
  return published().standsLoaded.load();
}

void gf_setStandsLoaded(bool loaded) {
  published().standsLoaded.store(loaded);
}

}  // namespace orv
