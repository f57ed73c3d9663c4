#include "traffic/park_airports.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <vector>

#include "airports/learned_files.h"
#include "airports/park_airport.h"
#include "airports/park_loading.h"
#include "airports/quality_factors.h"
#include "airports/stand_file.h"
#include "airports/stand_schedules.h"
#include "airports/stand_store.h"
#include "airports/stands.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/plural.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "foundation/utf.h"
#include "platform/ui/controls.h"
#include "refdata/airports_table.h"
#include "simlink/user_aircraft.h"
#include "traffic/live_cycle.h"
#include "traffic/removal.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_run.h"
#include "traffic/traffic_state.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kManyAirports = 3000;
constexpr double kSamePositionDeg = 1e-8;

std::string lf_fileText() {
  return gf_pathToUtf8(gf_paths().myParkAirports);
}

// Blanks, tabs and the carriage returns of a doubled line end ("\r\r\n", which the line reading
// leaves one of): a stand name may hold other white space the user typed on purpose. Byte-order
// marks before a field go too, also behind a blank: a doubled one is left by the reading, and a
// rewrite of the file would turn one at the front of a line into the file's mark, which changes
// the line. So a trimmed field begins with neither, and it reads back the same after a rewrite.
std::string lf_trimField(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  constexpr std::string_view kBlanks = " \t\r";
  for (;;) {
    if (text.starts_with(kByteOrderMark))
      text.remove_prefix(kByteOrderMark.size());
    else if (!text.empty() && kBlanks.find(text.front()) != std::string_view::npos)
      text.remove_prefix(1);
    else
      break;
  }
  const auto last = text.find_last_not_of(kBlanks);
  if (last == std::string_view::npos) return {};
  return std::string(text.substr(0, last + 1));
}

std::vector<std::string> lf_fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const auto comma = line.find(',', start);
    fields.push_back(lf_trimField(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

std::optional<IcaoCode> lf_codeOf(std::string_view text) {
  try {
    return IcaoCode(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

// A stand name written into the file must read back as the same single field.
bool lf_safeStandName(std::string_view stand) {
  return std::none_of(stand.begin(), stand.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == ',' || u < 0x20 || u == 0x7f;
  });
}

// A refused name as the log shows it: its control characters would break the line.
std::string lf_printable(std::string_view text) {
  std::string shown = gf_logQuote(text);
  std::replace_if(
      shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; },
      '?');
  return shown;
}

std::string lf_entryLine(const IcaoCode& icao, std::string_view stand) {
  return stand.empty() ? icao.str() : fmt::format("{},{}", icao.view(), stand);
}

bool lf_writeFileLines(const std::vector<std::string>& lines) {
  const fs::path& path = gf_paths().myParkAirports;
  fs::path temporary = path;
  temporary += ".tmp";
  std::error_code ec;
  if (!gf_writeLines(lines, temporary)) {
    fs::remove(temporary, ec);
    return false;
  }
  return gf_replaceWithTemporary(temporary, path, ec);
}

const AirportTable& lf_table(const TrafficRun& run) {
  return gf_parkAirportTable(run.park);
}

bool lf_destinationSet() {
  return !cfg::DESTINATION.value().empty();
}

void lf_enable(const WindowControl& control, bool enabled) {
  if (const ui::WindowHandle window = control.window()) (void)ui::setEnabled(window, enabled);
}

// The first entry that may still be chosen: a stand file that failed is not fetched again.
const ParkAirportEntry* lf_firstCandidate(const TrafficRun& run) {
  for (const ParkAirportEntry& entry : run.parkAirports.list.entries)
    if (!run.parkAirports.failed.contains(entry.icao)) return &entry;
  return nullptr;
}

// The destination stays first, where its held order keeps it.
void lf_destinationFirst(ParkAirportList& list) {
  const auto code = lf_codeOf(cfg::DESTINATION.value());
  if (!code) return;
  const auto at = std::find_if(list.entries.begin(), list.entries.end(),
                               [&](const ParkAirportEntry& e) { return e.icao == *code; });
  if (at != list.entries.end()) list.entries.splice(list.entries.begin(), list.entries, at);
}

void lf_showReservedStand(TrafficRun& run, bool found) {
  run.window.setText(WindowText::ReservedStand, run.park.reservedStand);
  run.window.setFlag(WindowFlag::ReservedStandFound, found);
}

// The collection of the callsigns that RealTraffic reports starts at once; the static aircraft
// are worked out when the stand file has been read on the next call.
void lf_startParkingCalculation(TrafficRun& run, bool announce) {
  run.parkAirports.pending = true;
  run.parkAirports.calculating = true;
  run.window.setParkingControls(false);
  run.trafficReader.startCallsignCollection();
  if (announce) gf_setMessage("Calculating static parked aircraft ...");
}

void lf_chooseOnTheGround(TrafficRun& run, Position user, bool first) {
  const AirportTable& table = lf_table(run);
  const AirportRecord* airport = table.closest(user, gf_destinationStandDistance(run.park.destinations));
  if (airport == nullptr) {
    gf_setMessage("User aircraft on the ground, no RT supported airport in sight", true);
    return;
  }
  if (run.parkAirports.failed.contains(airport->icao)) return;
  const std::string label = gf_airportLabel(*airport);
  if (!gf_airportFileExists(airport->icao.view(), table)) {
    gf_setMessage(fmt::format("User aircraft on the ground at {}", label) + ", no airport file found", true);
    return;
  }
  gf_logLine(fmt::format("User aircraft on the ground at {}", label));
  if (!gf_setParkAirport(run, airport->icao)) return;
  lf_startParkingCalculation(run, first);
}

void lf_chooseInTheAir(TrafficRun& run, const UserAcPosition& user, bool first) {
  lf_enable(cfg::DESTINATION, true);
  const ParkAirportEntry* entry = lf_firstCandidate(run);
  if (entry == nullptr) return;
  if (entry->distanceNm > cfg::AIRP_RANGE.value() || user.altAboveGround > cfg::AIRP_HEIGHT.value()) return;
  const IcaoCode icao = entry->icao;
  const double distance = entry->distanceNm;
  if (!gf_setParkAirport(run, icao)) return;
  gf_setMessage(fmt::format("{} in sight at {:.1f} nm", icao.view(), distance));
  lf_startParkingCalculation(run, first);
}

void lf_checkInSight(TrafficRun& run, const UserAcPosition& user) {
  if (gf_userAircraftOnGround()) return;
  const IcaoCode park = *run.park.icao;
  // Measured here: the list's distance of an airport chosen on the ground may be missing, and a
  // destination holds the list's distances.
  const double distance = gf_distanceNm({user.latitude, user.longitude}, run.park.position);
  const double range = cfg::AIRP_RANGE.value();
  if (distance <= range && user.altAboveGround <= cfg::AIRP_HEIGHT.value()) {
    const ParkAirportEntry* closest = lf_firstCandidate(run);
    if (closest == nullptr || closest->icao == park || closest->distanceNm > range ||
        closest->distanceNm > distance)
      return;
    gf_logLine(fmt::format("\n{} {} is in sight ({:.1f} nm), parked aircraft at {} will be removed first",
                           gf_nowHms(), closest->icao.view(), closest->distanceNm, park.view()));
  } else {
    gf_logLine(fmt::format("\n{} {} is out of sight ({:.1f} nm), parked aircraft will be removed",
                           gf_nowHms(), park.view(), distance));
  }
  gf_clearParkAirport(run);
}

// The park airport's texts of the statistics band after a load.
void lf_showLoadedAirport(TrafficRun& run, bool reservedFound) {
  const ParkAirport& park = run.park;
  WindowView& window = run.window;
  window.setText(WindowText::ParkAirportName, park.info.airportName);
  window.setText(WindowText::ParkAirportDetail, park.info.publisher);
  window.setText(WindowText::ParkAirportQuality, gf_qualityFactorText(park.quality));
  window.setFlag(WindowFlag::HandmadeFile, park.handmade);
  window.setFlag(WindowFlag::ParkedDataRead, true);
  window.setCount(WindowCount::Stands, static_cast<std::int64_t>(gf_parkStands().size()));
  window.setCount(WindowCount::WeekNumber, park.rtTrafficWeek);
  lf_showReservedStand(run, reservedFound);
  run.parkAirports.shownUpdates = -1;
  gf_showLearnedUpdates(run);
  window.repaint(WindowBand::Statistics);
}

void lf_clearParkAirportTexts(WindowView& window) {
  for (const WindowText text :
       {WindowText::ParkAirport, WindowText::ParkAirportName, WindowText::ParkAirportDetail,
        WindowText::ParkAirportQuality, WindowText::ReservedStand})
    window.setText(text, "");
  for (const WindowFlag flag :
       {WindowFlag::HandmadeFile, WindowFlag::ParkedDataRead, WindowFlag::ReservedStandFound})
    window.setFlag(flag, false);
  for (const WindowCount count : {WindowCount::Stands, WindowCount::WeekNumber, WindowCount::LearnedUpdates})
    window.setCount(count, 0);
  window.repaint(WindowBand::Statistics);
}

bool lf_onTheGroundOfThePark(FlightPhase phase) {
  switch (phase) {
    case FlightPhase::Parked:
    case FlightPhase::PushingBack:
    case FlightPhase::PushedBack:
    case FlightPhase::Taxi:
    case FlightPhase::TakeOff:
      return true;
    default:
      return false;
  }
}

// The stands as the learned file keeps them: only what was learned or changed here, or every stand
// of a handmade file.
ScannedAirport lf_learnedRecord(const ParkAirport& park) {
  ScannedAirport airport;
  airport.icao = park.icao ? park.icao->str() : std::string();
  airport.airportName = park.info.airportName;
  airport.publisher = park.info.publisher;
  airport.altitude = park.info.altitude;
  for (Stand stand : gf_parkStands()) {
    // Static parking marks a schedule in use with sequence 0; numbered again, it is written.
    std::uint32_t sequence = 0;
    for (StandSchedule& schedule : stand.schedules) schedule.sequence = ++sequence;
    if (!park.handmade) {
      std::erase_if(stand.schedules, [](const StandSchedule& s) { return s.fromFile == 1; });
      if (!stand.manual && stand.schedules.empty() && !stand.radiusChange && !stand.cargoChange) continue;
    }
    airport.stands.push_back(std::move(stand));
  }
  if (park.handmade) {
    const QualityFactors factors = gf_airportQualityFactors(airport.stands);
    airport.qfReal = factors.real;
    airport.qfSoft = factors.soft;
  }
  return airport;
}

}  // namespace

// --- the list ---------------------------------------------------------------------------------

ParkAirportEntry* ParkAirportList::find(const IcaoCode& icao) {
  if (!codes.contains(icao)) return nullptr;
  for (ParkAirportEntry& entry : entries)
    if (entry.icao == icao) return &entry;
  return nullptr;
}

void ParkAirportList::clear() {
  entries.clear();
  codes.clear();
  measuredAt.reset();
}

void StandReservations::post(std::string stand) {
  std::scoped_lock lock(mutex_);
  stand_ = std::move(stand);
}

std::optional<std::string> StandReservations::take() {
  std::scoped_lock lock(mutex_);
  std::optional<std::string> taken = std::move(stand_);
  stand_.reset();
  return taken;
}

ParkAirports::ParkAirports() {
  // The mailbox, not the run: "SimClient" may hold the hook a moment longer than the run lives.
  gf_setUserStandReservationHook(
      [mailbox = reservations](const std::string& stand) { mailbox->post(stand); });
}

ParkAirports::~ParkAirports() {
  gf_setUserStandReservationHook(nullptr);
}

std::size_t lf_readMyParkAirports(ParkAirportList& list, const AirportTable& table) {
  list.clear();
  const fs::path& path = gf_paths().myParkAirports;
  const std::string file = lf_fileText();
  try {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      gf_logLine(file + " not found");
      return 0;
    }
    std::vector<std::string> lines;
    if (const std::string error = gf_readFile(path, lines); !error.empty())
      throw std::runtime_error(fmt::format("{} {}", file, error));
    std::size_t number = 0;
    for (const std::string& line : lines) {
      ++number;
      if (lf_trimField(line).empty()) continue;
      const std::vector<std::string> fields = lf_fields(line);
      const std::optional<IcaoCode> code = fields.size() <= 2 ? lf_codeOf(fields[0]) : std::nullopt;
      if (!code) {
        gf_logLine(fmt::format("{}:{} wrong syntax, skipped", file, number));
        continue;
      }
      if (list.codes.contains(*code)) {
        gf_logLine(fmt::format("{}:{} double, skipped", file, number));
        continue;
      }
      const AirportRecord* airport = table.find(code->view());
      if (airport == nullptr) {
        gf_logLine(fmt::format("airport {} is unknown", code->view()));
        continue;
      }
      list.entries.push_back({*code,
                              {airport->lat, airport->lon},
                              kUnmeasuredNm,
                              fields.size() == 2 ? fields[1] : std::string()});
      list.codes.insert(*code);
    }
    lf_addThirdPartyParkAirports(list, table);
    const std::size_t count = list.entries.size();
    gf_logLine(fmt::format("\n{:5} park airport{} read from '{}'", count, gf_plural(count), file));
    if (count > kManyAirports)
      gf_logLine(
          fmt::format("Warning: There are a lot of airports ({}), that will cost QLST much cpu time and may "
                      "cause stutters",
                      count));
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{}: {}", "lf_readMyParkAirports", e.what()));
  }
  return list.entries.size();
}

void lf_addThirdPartyParkAirports(ParkAirportList& list, const AirportTable& table) {
  const fs::path& folder = gf_paths().myThirdparty;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(folder, fs::directory_options::skip_permission_denied, ec))
    if (item.is_regular_file(ec)) files.push_back(item.path());
  // The folder's order is the file system's: sorted, the list is the same on every start.
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const std::optional<IcaoCode> code = lf_codeOf(gf_pathToUtf8(file.stem()));
    if (!code || list.codes.contains(*code)) continue;
    const AirportRecord* airport = table.find(code->view());
    if (airport == nullptr) continue;
    list.entries.push_back({*code, {airport->lat, airport->lon}, kUnmeasuredNm, {}});
    list.codes.insert(*code);
  }
}

bool gf_addMyParkAirport(ParkAirportList& list, const AirportTable& table, const IcaoCode& icao,
                         std::string_view stand) {
  const std::string file = lf_fileText();
  if (!lf_safeStandName(stand)) {
    gf_logImportant(fmt::format("{}:{} stand name '{}' refused: no ',' or control character", file,
                                icao.view(), lf_printable(stand)));
    return false;
  }
  const AirportRecord* airport = table.find(icao.view());
  if (airport == nullptr) {
    gf_logLine(fmt::format("airport {} is unknown", icao.view()));
    return false;
  }
  const fs::path& path = gf_paths().myParkAirports;
  std::error_code ec;
  const bool exists = fs::exists(path, ec);
  std::vector<std::string> lines;
  if (exists && !gf_readFile(path, lines).empty()) {
    gf_logImportant(fmt::format("{} could not be read", file));
    return false;
  }
  // The line of the code in the file, when it has one (a "my_thirdparty" airport has none).
  const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& text) {
    const std::vector<std::string> fields = lf_fields(text);
    return fields.size() <= 2 && lf_codeOf(fields[0]) == icao;
  });
  std::string text;
  if (line != lines.end()) {
    *line = lf_entryLine(icao, stand);
    text = fmt::format("{}:{} updated stand", file, icao.view());
  } else if (exists) {
    lines.push_back(lf_entryLine(icao, stand));
    text = fmt::format("{}:{} new entry", file, icao.view());
  } else {
    lines.push_back(lf_entryLine(icao, stand));
    text = fmt::format("{} created with {}", file, lines.back());
  }
  if (!lf_writeFileLines(lines)) {
    gf_logImportant(fmt::format("{} could not be written", file));
    return false;
  }
  gf_logLine(text);
  if (ParkAirportEntry* entry = list.find(icao); entry != nullptr) {
    entry->reservedStand = std::string(stand);
  } else {
    list.entries.push_back({icao, {airport->lat, airport->lon}, kUnmeasuredNm, std::string(stand)});
    list.codes.insert(icao);
    // Measured and put in its place by the next refresh.
    list.measuredAt.reset();
  }
  return true;
}

void lf_updateParkDistances(ParkAirportList& list, Position user, bool destinationSet) {
  if (list.entries.empty()) return;
  if (list.measuredAt && std::abs(user.latitude - list.measuredAt->latitude) <= kSamePositionDeg &&
      std::abs(user.longitude - list.measuredAt->longitude) <= kSamePositionDeg) {
    ParkAirportEntry& first = list.entries.front();
    first.distanceNm = gf_distanceNm(user, first.position);
    return;
  }
  list.measuredAt = user;
  // A destination keeps its place first, but its distance follows the aircraft, so that it is
  // chosen on the approach.
  for (ParkAirportEntry& entry : list.entries) entry.distanceNm = gf_distanceNm(user, entry.position);
  if (destinationSet) return;
  // Stable: airports at the same distance keep their order and never take turns.
  list.entries.sort(
      [](const ParkAirportEntry& a, const ParkAirportEntry& b) { return a.distanceNm < b.distanceNm; });
}

// --- the park airport ------------------------------------------------------------------------

bool gf_updateParkAirport(TrafficRun& run, bool first) {
  ParkAirports& state = run.parkAirports;
  if (state.calculating && !state.pending && run.parking.wanted.empty()) {
    // Every wanted static aircraft has been placed: the parking settings take input again.
    state.calculating = false;
    run.window.setParkingControls(true);
    gf_clearMessage();
    (void)gf_countActiveAc(run, true);
    (void)gf_countParkedAc(run, true);
  }
  gf_showLearnedUpdates(run);

  if (state.pending) {
    state.pending = false;
    gf_clearMessage();
    const std::string error = lf_readParkedFile(run);
    const bool loaded = error.empty();
    if (loaded) {
      gf_computeParking(run);
    } else {
      state.calculating = false;
      run.window.setParkingControls(true);
      gf_setMessage(error, true);
      gf_leaveParkAirport(run);
    }
    lf_enable(cfg::DESTINATION, true);
    gf_flushLog();
    return loaded;
  }

  const UserAcPosition user = gf_userAcBlock().position;
  if (!gf_positionKnown(user.latitude, user.longitude)) return false;
  const Position position{user.latitude, user.longitude};
  lf_updateParkDistances(state.list, position, lf_destinationSet());
  if (run.park.icao)
    lf_checkInSight(run, user);
  else if (gf_userAircraftOnGround())
    lf_chooseOnTheGround(run, position, first);
  else
    lf_chooseInTheAir(run, user, first);
  return false;
}

bool gf_setParkAirport(TrafficRun& run, const IcaoCode& icao) {
  const AirportRecord* airport = lf_table(run).find(icao.view());
  if (airport == nullptr) return false;
  ParkAirport& park = run.park;
  park.icao = icao;
  park.position = {airport->lat, airport->lon};
  park.elevationFt = airport->alt;
  const ParkAirportEntry* entry = run.parkAirports.list.find(icao);
  park.reservedStand = entry != nullptr ? entry->reservedStand : std::string();
  run.trafficReader.setParkAirport(ParkAirportView{park.position, airport->alt});
  const std::string label = gf_airportLabel(*airport);
  run.window.setText(WindowText::ParkAirport, label);
  lf_showReservedStand(run, false);
  run.window.repaint(WindowBand::Statistics);
  gf_logLine(fmt::format("\nThe park airport is {}", label));
  return true;
}

std::string lf_readParkedFile(TrafficRun& run) {
  ParkAirport& park = run.park;
  if (!park.icao) return "lf_readParkedFile: no park airport set";
  const IcaoCode icao = *park.icao;
  gf_clearStands();
  park.standFile = gf_resolveAirportFile(icao.view(), lf_table(run));
  std::string error;
  try {
    error = gf_readApf(park, park.standFile);
  } catch (const UserErrorException& e) {
    // A broken stand file ends its own load, not the run.
    error = e.what();
    gf_setError(error);
  }
  if (!error.empty()) {
    // What did not load is never saved as learned over the file on disk, nor fetched again.
    gf_setStandsLoaded(false);
    run.parkAirports.failed.insert(icao);
    return error;
  }
  park.learnedAtLoad = gf_learnedParkingCount();
  // An airport where the user parked is a candidate from now on, and may keep the user's stand.
  if (run.parkAirports.list.find(icao) == nullptr)
    (void)gf_addMyParkAirport(run.parkAirports.list, lf_table(run), icao, "");
  run.trafficReader.setParkElevation(park.info.altitude);
  const bool found = gf_reserveStandForUser(gf_parkStands(), park.reservedStand);
  lf_showLoadedAirport(run, found);
  return {};
}

void gf_clearParkAirport(TrafficRun& run) {
  // A reservation posted while "SimClient" ended still reaches the file.
  gf_handleParkAirportRequests(run);
  run.parking.wanted.clear();
  gf_removeAllAc(run);
  for (LiveAircraft& a : run.traffic.liveList) {
    if (!lf_onTheGroundOfThePark(a.phase)) continue;
    a.standPosition = {};
    a.standId = 0;
    a.atStand = false;
    // In the simulator, or on its way there: a creation not yet sent is withdrawn.
    if (a.state == SimState::Active || a.state == SimState::Adding2Sim) removeAircraftFromSim(run, a);
  }
  (void)gf_compactLiveList(run.traffic.liveList);
  gf_leaveParkAirport(run);
}

void gf_leaveParkAirport(TrafficRun& run) {
  ParkAirport& park = run.park;
  if (gf_standsLoaded()) {
    (void)gf_saveLearnedFile(run);
    gf_applyIntParameterChanges(park.settings);
  }
  park.handmade = false;
  gf_setStandsLoaded(false);
  if (!cfg::INITIAL_LOAD_ONLY.value()) lf_enable(cfg::NOW_BUTTON, false);
  lf_enable(cfg::FLUSH_STATIC_BUTTON, false);
  park.icao.reset();
  park.position = {};
  park.elevationFt = 0.0F;
  park.info = {};
  park.quality = {};
  park.settings = {};
  park.reservedStand.clear();
  park.standFile.clear();
  park.learnedAtLoad = 0;
  run.parkAirports.pending = false;
  run.trafficReader.setParkAirport(std::nullopt);
  run.trafficReader.setParkElevation(std::nullopt);
  gf_setParkElevation(std::nullopt);
  run.parking.removals.clear();
  run.parking.wanted.clear();
  gf_clearStands();
  lf_clearParkAirportTexts(run.window);
  run.parkAirports.shownUpdates = 0;
}

bool gf_saveLearnedFile(TrafficRun& run) {
  const ParkAirport& park = run.park;
  const fs::path path = lf_learnedFilePath(park.standFile, park.info.publisher);
  const std::string time = gf_nowHms();
  if (path.empty()) {
    gf_logLine(fmt::format("{} saving '{}' did not succeed", time, park.standFile));
    return false;
  }
  const ScannedAirport airport = lf_learnedRecord(park);
  const int sim = gf_msfs2020Chosen() ? 1 : 2;
  if (!gf_writeAirportFile(airport, path, AirportFileMode::Learned, sim, park.handmade)) {
    gf_logLine(fmt::format("{} saving '{}' did not succeed", time, gf_pathToUtf8(path)));
    return false;
  }
  const std::int64_t updates = gf_learnedParkingCount() - park.learnedAtLoad;
  gf_logLine(fmt::format("{}{} '{}' saved with {} update{}", time, park.handmade ? " handmade" : "",
                         gf_pathToUtf8(path), updates, gf_plural(updates)));
  return true;
}

bool gf_checkReservedStands(TrafficRun& run, bool announce, std::string& text) {
  ParkAirportList& list = run.parkAirports.list;
  (void)lf_readMyParkAirports(list, lf_table(run));
  if (lf_destinationSet()) lf_destinationFirst(list);
  ParkAirport& park = run.park;
  if (park.icao) {
    const ParkAirportEntry* entry = list.find(*park.icao);
    const std::string stand = entry != nullptr ? entry->reservedStand : std::string();
    if (stand != park.reservedStand) {
      text = fmt::format("reserved stand changed from '{}' to '{}'", park.reservedStand, stand);
      park.reservedStand = stand;
      const bool found = gf_reserveStandForUser(gf_parkStands(), stand);
      lf_showReservedStand(run, found);
      run.window.repaint(WindowBand::Statistics);
      gf_logLine(text);
      return announce;
    }
  }
  text = "park airports and stands are okay";
  gf_logLine(text);
  return announce;
}

void gf_addParkAirportCmd(TrafficRun& run, const IcaoCode& icao, Position position) {
  ParkAirportList& list = run.parkAirports.list;
  // A listed destination keeps the stand the user reserved there.
  if (list.find(icao) == nullptr && !gf_addMyParkAirport(list, lf_table(run), icao, "")) return;
  const auto at = std::find_if(list.entries.begin(), list.entries.end(),
                               [&](const ParkAirportEntry& e) { return e.icao == icao; });
  list.entries.splice(list.entries.begin(), list.entries, at);
  const UserAcPosition user = gf_userAcBlock().position;
  if (gf_positionKnown(user.latitude, user.longitude))
    list.entries.front().distanceNm = gf_distanceNm({user.latitude, user.longitude}, position);
}

void gf_reserveUserStand(TrafficRun& run, const std::string& stand) {
  ParkAirportList& list = run.parkAirports.list;
  if (stand.empty() || list.entries.empty() || !run.park.icao) return;
  const ParkAirportEntry& first = list.entries.front();
  if (first.icao != *run.park.icao || first.reservedStand == stand) return;
  (void)gf_addMyParkAirport(list, lf_table(run), first.icao, stand);
}

void gf_handleParkAirportRequests(TrafficRun& run) {
  if (std::optional<std::string> stand = run.parkAirports.reservations->take())
    gf_reserveUserStand(run, *stand);
}

void gf_showLearnedUpdates(TrafficRun& run) {
  const std::int64_t updates = gf_standsLoaded() ? gf_learnedParkingCount() - run.park.learnedAtLoad : 0;
  if (updates == run.parkAirports.shownUpdates) return;
  run.parkAirports.shownUpdates = updates;
  run.window.setCount(WindowCount::LearnedUpdates, updates);
  run.window.repaint(WindowBand::Statistics);
}

double gf_nearestParkAirportNm(const TrafficRun& run) {
  const ParkAirportList& list = run.parkAirports.list;
  if (list.entries.empty()) return kUnmeasuredNm;
  const UserAcPosition user = gf_userAcBlock().position;
  return gf_distanceNm({user.latitude, user.longitude}, list.entries.front().position);
}

}  // namespace orv
