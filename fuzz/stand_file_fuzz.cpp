// A stand file as a user may be handed one, handmade, learned or generated, through the park
// airport's loading: once as the airport's stand file in "my_thirdparty", once as the learned file
// of a small stand file. What a load kept must come back whole from the program's own saves: the
// learned file saved on leaving the airport and read at the next visit, and a handmade file, which
// is written with every stand in full.

#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "airports/half_hours.h"
#include "airports/learned_files.h"
#include "airports/park_loading.h"
#include "airports/stand_file.h"
#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/message_line.h"
#include "foundation/window_view.h"
#include "fuzz_support.h"
#include "refdata/airports_table.h"
#include "simlink/sim_side.h"
#include "traffic/park_airports.h"
#include "traffic/traffic_run.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kStandFile = "airports/my_thirdparty/EGTT.xml";

// Three stands, the second with a parking from the file, so that a learned file has stands to
// change and parkings to add to.
constexpr const char* kBaseFile = R"(<?xml version="1.0"?>
<root><meta><info name="version" value="11.12.0"/><info name="copyright" value="c"/></meta>
<parameters><parameter name="airport_name" value="Test"/><parameter name="altitude" value="83"/></parameters>
<parkpositions>
<parkpos id="1" latitude="51.47" longitude="-0.45" heading="90" radius="25"/>
<parkpos id="A10" latitude="51.4705" longitude="-0.4505" heading="180" radius="40" cargo="true">
<opt reg="G-ABCD" airl="BAW" type="A320" day="3" hh="10:14" cs="BAW12"/></parkpos>
<parkpos id="H" latitude="51.471" longitude="-0.451" radius="12" heli="true"/>
</parkpositions></root>)";

const orv::AirportTable& table() {
  static const orv::AirportTable instance =
      orv::AirportTable::fromRecords({{orv::IcaoCode("EGTT"), orv::IataCode("XXX"), 51.47, -0.45, 83.0F, 3}});
  return instance;
}

// Equal up to the rounding of the saved text: `digits` decimals, and the last bits of a value
// too large for them.
bool close(double a, double b, double digits) {
  if (!std::isfinite(a) || !std::isfinite(b)) return a == b || (std::isnan(a) && std::isnan(b));
  return std::fabs(a - b) <= 0.51 * std::pow(10.0, -digits) + 1e-12 * std::fabs(a);
}

// A parking the writer can describe: it has a registration and half hours it can write. The
// others are left out of every save on purpose.
bool describable(const orv::StandSchedule& schedule) {
  return !schedule.registration.empty() && orv::lf_rangeText(schedule.hours).has_value();
}

std::vector<const orv::StandSchedule*> describedOf(const orv::Stand& stand) {
  std::vector<const orv::StandSchedule*> described;
  for (const orv::StandSchedule& schedule : stand.schedules)
    if (describable(schedule)) described.push_back(&schedule);
  return described;
}

bool sameSchedules(const orv::Stand& a, const orv::Stand& b) {
  const auto left = describedOf(a);
  const auto right = describedOf(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    const orv::StandSchedule& x = *left[i];
    const orv::StandSchedule& y = *right[i];
    if (x.registration != y.registration || x.callsign != y.callsign || x.day != y.day ||
        x.hours != y.hours || x.real != y.real || x.cpl != y.cpl || x.airline != y.airline ||
        x.model != y.model)
      return false;
  }
  return true;
}

// The stands as the save gave them back. A helipad is saved without a cargo flag.
void compareStands(const std::vector<orv::Stand>& kept, const std::vector<orv::Stand>& back, bool withOpts,
                   const char* what) {
  if (kept.size() != back.size()) fuzz_support::fail(std::string(what) + ": the number of stands changed");
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const orv::Stand& a = kept[i];
    const orv::Stand& b = back[i];
    const double radiusMetres = 1.0 / orv::kNmPerMetre;
    if (a.id != b.id || !close(a.latitude, b.latitude, 6) || !close(a.longitude, b.longitude, 6) ||
        !close(a.radius * radiusMetres, b.radius * radiusMetres, 1) ||
        !close(a.heading * orv::kRadToDeg, b.heading * orv::kRadToDeg, 1) || a.heli != b.heli ||
        (!a.heli && a.cargo != b.cargo) || a.ramp != b.ramp || a.manual != b.manual)
      fuzz_support::fail(std::string(what) + ": stand '" + a.id + "' changed");
    if (withOpts && !sameSchedules(a, b))
      fuzz_support::fail(std::string(what) + ": the parkings of stand '" + a.id + "' changed");
  }
}

// What the window and the settings keep of a load goes back, so that no input reaches the next.
class LoadScope {
 public:
  LoadScope() {
    const orv::ProgramPaths& paths = orv::gf_paths();
    fuzz_support::emptyFolder(paths.myThirdparty);
    fuzz_support::emptyFolder(paths.learned);
    orv::gf_clearStands();
  }
  ~LoadScope() {
    orv::gf_clearStands();
    orv::gf_setStandsLoaded(false);
    orv::gf_setParkElevation(std::nullopt);
    orv::gf_applyIntParameterChanges(settings_);
    orv::cfg::MAX_FIT_FL.set(maxFitHours_);
    orv::gf_resetMessageState();
  }
  LoadScope(const LoadScope&) = delete;
  LoadScope& operator=(const LoadScope&) = delete;

 private:
  orv::AirportSettings settings_{orv::cfg::MAX_LIVE_SEL.value(), orv::cfg::MAX_FIT.value(),
                                 orv::cfg::RANGE.value(),        orv::cfg::PARKING_PERCENTAGE.value(),
                                 orv::cfg::AUTO_RANGE.value(),   orv::cfg::INITIAL_LOAD_ONLY.value(),
                                 orv::cfg::PARK_SOFT.value(),    orv::cfg::WEEK.value()};
  float maxFitHours_ = orv::cfg::MAX_FIT_FL.value();
};

// Loads the stand file into a run's park airport; false when the load refused the files.
bool load(orv::TrafficRun& run) {
  run.park.icao = orv::IcaoCode("EGTT");
  run.park.table = &table();
  run.park.standFile = kStandFile;
  try {
    return orv::gf_readApf(run.park, kStandFile).empty();
  } catch (const orv::UserErrorException&) {
    return false;  // a broken stand list: the program shows it and drops the airport
  }
}

// Leaving the airport saves the learned file; the next visit must find the same stands.
void leaveAndComeBack(orv::TrafficRun& run) {
  const std::vector<orv::Stand> kept = orv::gf_parkStands();
  if (!orv::gf_saveLearnedFile(run)) return;  // a publisher no learned file can be named for
  orv::gf_clearStands();
  orv::TrafficRun again(orv::gf_commandQueueSide(), orv::gf_windowView(), true);
  if (!load(again)) fuzz_support::fail("the saved learned file is refused");
  compareStands(kept, orv::gf_parkStands(), true, "the learned file saved and read again");
}

// Saved as a handmade file, every stand is written in full and read as the stand file reads it.
void saveHandmade(const orv::ParkAirport& park) {
  orv::ScannedAirport airport;
  airport.icao = "EGTT";
  airport.airportName = park.info.airportName;
  airport.publisher = park.info.publisher;
  airport.altitude = park.info.altitude;
  airport.stands = orv::gf_parkStands();
  const fs::path path = fuzz_support::workingFolder() / "handmade.xml";
  if (!orv::gf_writeAirportFile(airport, path, orv::AirportFileMode::Learned, 1, true))
    fuzz_support::fail("the handmade save failed");
  pugi::xml_document document;
  if (!document.load_file(path.c_str())) fuzz_support::fail("the handmade file does not load");
  std::vector<orv::Stand> back;
  try {
    orv::lf_readParkpositions(document, back);
  } catch (const orv::UserErrorException& e) {
    fuzz_support::fail(std::string("the handmade file is refused: ") + e.what());
  }
  compareStands(airport.stands, back, true, "the handmade file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const std::string_view input = fuzz_support::text(data, size);
  const orv::ProgramPaths& paths = orv::gf_paths();

  {  // the user's stand file
    const LoadScope scope;
    fuzz_support::writeFile(kStandFile, input);
    orv::TrafficRun run(orv::gf_commandQueueSide(), orv::gf_windowView(), true);
    if (load(run)) {
      saveHandmade(run.park);
      leaveAndComeBack(run);
    }
  }
  {  // the user's learned file
    const LoadScope scope;
    fuzz_support::writeFile(kStandFile, kBaseFile);
    fs::create_directories(paths.learnedThirdparty);
    fuzz_support::writeFile(paths.learnedThirdparty / "EGTT.xml", input);
    orv::TrafficRun run(orv::gf_commandQueueSide(), orv::gf_windowView(), true);
    if (load(run)) leaveAndComeBack(run);
  }
  return 0;
}
