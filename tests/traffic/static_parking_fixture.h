#pragma once

// A park airport of five stands with learned parkings, for the static parking and its
// adjustments: A1 to A5 in a row about 70 m apart, except A3, which stands 21 m from A2, so that
// A2 and A3 are each other's neighbours. The time is set on a fake clock by weekday and half
// hour; RANDOM is off; a few liveries of BAW, DLH and EZY give the titles.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "airports/stand_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_tables.h"
#include "platform/os/clock.h"
#include "reference_fixture.h"
#include "simlink/sim_messages.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_run.h"

namespace traffic_test {

// Monday, 7 December 2026, 00:00:00 UTC.
inline constexpr std::int64_t kMondayMidnight = 1796601600;

struct Slots {
  int weekday;
  std::vector<int> slots;
};

inline orv::StandSchedule schedule(std::string_view airline, orv::ModelId model, std::string registration,
                                   std::string callsign, std::string second, const Slots& when,
                                   std::uint32_t real = 1) {
  orv::StandSchedule s;
  s.airline = orv::gf_airlineId(airline);
  s.model = model;
  s.registration = std::move(registration);
  s.callsign = std::move(callsign);
  s.secondCallsign = std::move(second);
  for (const int slot : when.slots) s.hours.set(static_cast<std::size_t>(slot));
  s.day = static_cast<std::uint32_t>(when.weekday);
  s.real = real;
  return s;
}

// A wanted static aircraft at the stand, staying into the next half hour.
inline orv::WantedStatic wantedAt(std::int32_t standId, std::string_view airline, orv::ModelId model,
                                  std::string callsign) {
  orv::WantedStatic w;
  w.standId = standId;
  w.airline = orv::gf_airlineId(airline);
  w.model = model;
  w.callsign = std::move(callsign);
  w.stays = true;
  return w;
}

class StaticParkingTest : public ::testing::Test {
 public:  // the rows of table tests set the fixture up through a reference to it
  StaticParkingTest() {
    orv::gf_openLog();
    orv::gf_clearStands();
    orv::gf_resetSimMessages();
    models = installModels();
    fillLiveries();
    auto& sources = run.traffic.liverySources;
    sources.tables = &tables;
    sources.counters = &counters;
    sources.isFailedTitle = [](std::string_view) { return false; };
    sources.depth = [] { return 4; };
    sources.registrationAirline = [](std::string_view) { return std::optional<orv::AirlineId>{}; };
    sources.similarModels = [](orv::AirlineId, orv::ModelId) { return std::vector<orv::ModelId>{}; };
    sources.similarModelsOf = [](orv::ModelId) { return std::vector<orv::ModelId>{}; };
    sources.modelClass = [](orv::ModelId m) { return orv::gf_modelClass(m); };
    sources.randomIndex = [](std::size_t) { return std::size_t{0}; };
    sources.shuffle = [](std::vector<orv::ModelId>&) {};
    setTime(3, 20);
  }
  // The stands and the simulator's messages are the process's.
  ~StaticParkingTest() override {
    orv::gf_clearStands();
    orv::gf_resetSimMessages();
  }

  // The clock at one minute into the half hour of the weekday (1 Monday .. 7 Sunday).
  void setTime(int weekday, int slot) {
    scopedClock.reset();
    clock = std::make_unique<os::FakeClock>(
        os::SystemTime{std::chrono::seconds{kMondayMidnight + (weekday - 1) * 86400LL + slot * 1800LL + 60}});
    scopedClock.emplace(*clock);
  }

  // The five stands with the parkings given per stand (A1 first); neighbours A2 and A3.
  void loadStands(std::vector<std::vector<orv::StandSchedule>> schedules) {
    schedules.resize(5);
    const double longitudes[] = {-0.4500, -0.4490, -0.4487, -0.4475, -0.4460};
    auto& stands = orv::gf_parkStands();
    stands.clear();
    for (std::size_t i = 0; i < 5; ++i) {
      stands.emplace_back("A" + std::to_string(i + 1), std::move(schedules[i]), 51.47, longitudes[i], 1.5,
                          40.0, false, false, false);
      std::uint32_t sequence = 0;
      for (orv::StandSchedule& s : stands.back().schedules) s.sequence = ++sequence;
    }
    stands[1].neighbours = {3};
    stands[2].neighbours = {2};
    orv::gf_numberStands(stands);
    orv::gf_publishStands();
  }

  // n stands without parkings, far apart.
  static void loadPlainStands(std::size_t n) {
    auto& stands = orv::gf_parkStands();
    stands.clear();
    for (std::size_t i = 0; i < n; ++i)
      stands.emplace_back("P" + std::to_string(i + 1), std::vector<orv::StandSchedule>{},
                          51.0 + 0.01 * static_cast<double>(i), 0.0, 0.0, 40.0, false, false, false);
    orv::gf_numberStands(stands);
    orv::gf_publishStands();
  }

  [[nodiscard]] static orv::Stand& stand(std::uint32_t number) { return orv::gf_parkStands().at(number - 1); }

  // A static aircraft standing active at the stand.
  orv::StaticAircraft& activeStatic(std::uint32_t standNumber, std::string_view airline, orv::ModelId model,
                                    std::string shown, std::string learned, std::string second,
                                    std::string registration, orv::WeekdayAndSlot parkedSince,
                                    std::uint32_t objectId) {
    orv::TrafficRecord r;
    r.airline = orv::gf_airlineId(airline);
    r.model = model;
    r.callsign = std::move(shown);
    r.flightCallsign = std::move(learned);
    r.extraText = std::move(second);
    r.registration = std::move(registration);
    orv::AircraftHead head = orv::gf_makeAircraftHead(r, orv::AircraftKind::Static);
    head.key = ++lastKey;
    const orv::Stand& at = stand(standNumber);
    orv::StaticAircraft& s = run.parking.statics.emplace_back(
        head, standNumber, orv::Position{at.latitude, at.longitude}, at.heading, false);
    s.state = orv::SimState::Active;
    s.objectId = objectId;
    s.parkedSince = parkedSince;
    return s;
  }

  // A live aircraft parked and active at the stand.
  orv::LiveAircraft& parkedLive(std::uint32_t key, std::string callsign, orv::ModelId model,
                                std::uint32_t standNumber, std::uint32_t objectId) {
    orv::TrafficRecord r;
    r.airline = orv::gf_airlineId("DLH");
    r.model = model;
    r.callsign = std::move(callsign);
    r.registration = "D-" + std::to_string(key);
    r.position.address = key;
    const orv::Stand& at = stand(standNumber);
    r.position.latitude = at.latitude;
    r.position.longitude = at.longitude;
    orv::LiveAircraft& a = run.traffic.liveList.emplace_back(
        r.position, orv::gf_makeAircraftHead(r, orv::AircraftKind::Live), 0.0);
    a.state = orv::SimState::Active;
    a.phase = orv::FlightPhase::Parked;
    a.standId = standNumber;
    a.objectId = objectId;
    return a;
  }

  // Callsigns that RealTraffic sends while the collection runs, as traffic lines near the user.
  void receiveCallsigns(std::initializer_list<std::string_view> callsigns) {
    run.trafficReader.setReferencePosition({51.47, -0.45});
    run.trafficReader.startCallsignCollection();
    for (const std::string_view callsign : callsigns)
      run.trafficReader.lf_onTrafficDatagram(
          fmt::format("x,4840116,51.4700,-0.4543,3000,-700,,270.0,160,{},A320,G-EUUA,CDG,LHR,1733824800.5,,,"
                      "adsb_icao,,,165,,,-2.5,,271.0,,,A3",
                      callsign));
  }

  [[nodiscard]] std::vector<std::string> wantedCallsigns() const {
    std::vector<std::string> out;
    for (const orv::WantedStatic& w : run.parking.wanted) out.push_back(w.callsign);
    return out;
  }
  [[nodiscard]] std::vector<std::int32_t> wantedStands() const {
    std::vector<std::int32_t> out;
    for (const orv::WantedStatic& w : run.parking.wanted) out.push_back(w.standId);
    return out;
  }

  // The log lines holding the text.
  [[nodiscard]] static std::vector<std::string> logLinesWith(std::string_view text) {
    std::vector<std::string> found;
    for (const std::string& line : testing_support::logBody())
      if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
  }

  void fillLiveries() {
    orv::LiveryList list;
    const auto add = [&](const char* airline, const char* model, const char* title, bool cargo = false) {
      list.push_back(orv::Livery{title, "", orv::gf_airlineId(airline), orv::gf_modelId(model), 0, cargo});
    };
    add("BAW", "A320", "BAW A320 pax");
    add("BAW", "A320", "BAW A320 freight", true);
    add("DLH", "A320", "DLH A320 pax");
    add("EZY", "A320", "EZY A320 pax");
    add("BAW", "B744", "BAW B744 pax");
    list.sort(orv::lf_liveryLess);
    tables.reserveForBuild();
    tables.reserveBuffers();
    tables.lf_buildLiveryTables(list);
    tables.lf_buildAirlineModelMaps();
    tables.lf_buildModelMaps();
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  testing_support::ScopedSetting<orv::BoolParameter> random{orv::cfg::RANDOM, false};
  std::unique_ptr<os::FakeClock> clock;
  std::optional<os::ScopedClock> scopedClock;
  Models models{};
  orv::LiveryTables tables;
  orv::LiveryMatchCounters counters;
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run{sim, window, false};
  std::uint32_t lastKey = 100;
};

}  // namespace traffic_test
