#pragma once

// A park airport with a few stands that a test lays out, a run with recorders in place of the
// simulator and the window, an aircraft database, and the process clock stopped at Wed Dec 09
// 08:00:13 2026 (weekday 3, half hour 16). The stands, the stands-loaded flag and the user
// aircraft are process-wide: they are put back when the fixture ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "airports/park_loading.h"
#include "airports/stand_store.h"
#include "foundation/log.h"
#include "live_run_fixture.h"
#include "platform/os/clock.h"
#include "refdata/codes.h"
#include "simlink/sim_messages.h"
#include "simlink/user_aircraft.h"
#include "support/recorders.h"
#include "support/scoped_dbase.h"
#include "support/scoped_run_state.h"
#include "support/test_support.h"
#include "traffic/cycle.h"
#include "traffic/flight_phases.h"
#include "traffic/leg_math.h"
#include "traffic/traffic_run.h"

namespace ground_test {

using orv::FlightPhase;
using orv::LiveAircraft;
using orv::Position;
using orv::PositionSample;
using orv::SimState;
using orv::Stand;

// The park airport's reference point; the stands lie around it.
inline constexpr Position kField{50.0300, 8.5700};
inline constexpr double kFieldFt = 364.0;
inline constexpr double kA320HalfSpanNm = 17.9 / 1852.0;

// The point so many metres north and east of another.
inline Position offset(Position from, double northMetres, double eastMetres) {
  const double north = northMetres / 111132.95;
  const double east = eastMetres / (111132.95 * std::cos(from.latitude * orv::kDegToRad));
  return Position{from.latitude + north, from.longitude + east};
}

inline double metresBetween(Position a, Position b) {
  return orv::gf_distanceNm(a, b) * orv::kMetresPerNm;
}

// The process-wide stands: none before, none after.
class ScopedStands {
 public:
  ScopedStands() {
    orv::gf_clearStands();
    orv::gf_setStandsLoaded(true);
  }
  ~ScopedStands() {
    orv::gf_clearStands();
    orv::gf_setStandsLoaded(false);
  }
  ScopedStands(const ScopedStands&) = delete;
  ScopedStands& operator=(const ScopedStands&) = delete;

  // A stand of radius in metres and heading in degrees; numbered and published at once.
  Stand& add(const std::string& id, Position at, double headingDeg, double radiusMetres = 20.0,
             bool heli = false) {
    std::vector<Stand>& stands = orv::gf_parkStands();
    stands.emplace_back(id, std::vector<orv::StandSchedule>{}, at.latitude, at.longitude,
                        headingDeg * orv::kDegToRad, radiusMetres, false, false, heli);
    orv::gf_numberStands(stands);
    orv::gf_publishStands();
    return stands.back();
  }
};

// The user aircraft as "SimClient" stores it; forgotten when the object goes.
class ScopedUserAircraft {
 public:
  ScopedUserAircraft() = default;
  ~ScopedUserAircraft() { orv::gf_resetUserAircraft(); }
  ScopedUserAircraft(const ScopedUserAircraft&) = delete;
  ScopedUserAircraft& operator=(const ScopedUserAircraft&) = delete;

  static void parkAt(Position at) {
    orv::UserAcBlock block;
    block.position.latitude = at.latitude;
    block.position.longitude = at.longitude;
    orv::lf_onUserAcPosition(block);
    orv::lf_onUserOnGround(1);
  }
};

inline PositionSample groundSample(Position at, double speedKt, std::int64_t due, double trackDeg = 0.0) {
  PositionSample s;
  s.latitude = at.latitude;
  s.longitude = at.longitude;
  s.groundSpeedKt = speedKt;
  s.trueAirspeedKt = speedKt;
  s.trackDeg = trackDeg;
  s.dueCycle = due;
  s.address = 40001;
  return s;
}

class StandFixture : public ::testing::Test {
 protected:
  StandFixture() {
    orv::gf_resetSimMessages();
    run.trafficReader.setParkAirport(orv::ParkAirportView{kField, kFieldFt});
  }
  ~StandFixture() override { orv::gf_resetSimMessages(); }

  void SetUp() override { ASSERT_TRUE(dbase.read()); }

  static std::int64_t now() { return orv::gf_cycleCounter(); }

  // A buffered aircraft of the model with its stream, key 40001 unless given.
  LiveAircraft& aircraft(const std::vector<PositionSample>& samples, const char* model = "A320",
                         std::string callsign = "DLH4AB", std::string registration = "D-AIPA") {
    orv::TrafficRecord r;
    r.model = orv::gf_modelId(model);
    r.callsign = std::move(callsign);
    r.registration = std::move(registration);
    r.position = samples.front();
    auto head = orv::gf_makeAircraftHead(r, orv::AircraftKind::Live);
    const std::string type = model;
    head.halfWingSpanNm = type == "B744" ? 32.0 / 1852.0 : type == "EC35" ? 5.5 / 1852.0 : kA320HalfSpanNm;
    auto& list = run.traffic.liveList;
    list.emplace_back(r.position, head, 100.0);
    LiveAircraft& a = list.back();
    for (std::size_t i = 1; i < samples.size(); ++i) a.stream.push_back(samples[i]);
    return a;
  }

  // In the simulator and settled, on the ground, object 77, placed at its first sample.
  LiveAircraft& onGround(const std::vector<PositionSample>& samples, FlightPhase phase, double headingDeg,
                         const char* model = "A320") {
    LiveAircraft& a = aircraft(samples, model);
    a.phase = phase;
    a.previousPhase = FlightPhase::Birth;
    a.state = SimState::Active;
    a.objectId = 77;
    a.onGround = true;
    a.playing = true;
    a.latitude = samples.front().latitude;
    a.longitude = samples.front().longitude;
    a.headingRad = orv::gf_wrapHeading(headingDeg * orv::kDegToRad);
    return a;
  }

  // Parked at the stand, its stream extended for a week as after the arrival.
  LiveAircraft& parkedAt(const Stand& stand, const char* model = "A320") {
    const Position at{stand.latitude, stand.longitude};
    PositionSample still = groundSample(at, 0.0, now() + 1);
    still.stationary = true;
    LiveAircraft& a = onGround({still}, FlightPhase::Parked, stand.heading * orv::kRadToDeg, model);
    a.previousPhase = FlightPhase::Parking;
    a.standPosition = at;
    a.standHeadingRad = stand.heading;
    a.standId = stand.number;
    a.atStand = true;
    a.parkedTickTime = os::clock().now();
    orv::lf_extrapolate(a, 1);
    a.stream.pop_front();
    return a;
  }

  void play(LiveAircraft& a, int cycles) {
    for (int i = 0; i < cycles && a.state == SimState::Active; ++i) {
      (void)orv::updateLiveAc(run, a);
      orv::gf_advanceCycleCounter();
    }
  }

  [[nodiscard]] static bool logHas(const std::string& text) {
    const auto body = testing_support::logBody();
    return std::any_of(body.begin(), body.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }
  [[nodiscard]] static long logCount(const std::string& text) {
    const auto body = testing_support::logBody();
    return std::count_if(body.begin(), body.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }

  testing_support::WorkingFolder folder;
  testing_support::ScopedRunState runState;
  os::FakeClock clock;
  os::ScopedClock scopedClock{clock};
  ScopedStands stands;
  ScopedUserAircraft user;
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run{sim, window, false};
  testing_support::ScopedDbase dbase{traffic_test::smallDbase(
      "DLH,UPS", "EDDF",
      R"(<d r="D-AIPA" a="DLH" m="A320" o="DLH"/><d r="N570UP" a="UPS" m="B744" o="UPS"/>)")};
};

}  // namespace ground_test
