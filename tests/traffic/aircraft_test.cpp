#include "traffic/aircraft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "foundation/log.h"
#include "foundation/random.h"
#include "reference_fixture.h"
#include "support/test_support.h"
#include "traffic/aircraft_text.h"

namespace {

using orv::FlightPhase;
using orv::LiveAircraft;
using orv::ModelClass;
using orv::SimState;

orv::TrafficRecord recordOf(orv::ModelId model, std::uint32_t address = 4840116) {
  orv::TrafficRecord r;
  r.airline = orv::gf_airlineId("BAW");
  r.model = model;
  r.origin = orv::IataCode("CDG");
  r.destination = orv::IataCode("LHR");
  r.callsign = "BAW123";
  r.registration = "G-EUUA";
  r.position.address = address;
  r.position.latitude = 51.47;
  r.position.longitude = -0.45;
  r.position.dataTime = 1733824800.5;
  return r;
}

LiveAircraft liveOf(const orv::TrafficRecord& r) {
  return LiveAircraft(r.position, orv::gf_makeAircraftHead(r, orv::AircraftKind::Live), r.position.dataTime);
}

TEST(LiveAircraft, ANewAircraftStartsBufferedAtBirthWithItsFirstSample) {
  const auto models = traffic_test::installModels();
  const LiveAircraft a = liveOf(recordOf(models.a320));
  EXPECT_EQ(a.key, 4840116u);
  EXPECT_EQ(a.objectId, 0u);
  EXPECT_EQ(a.state, SimState::Buffer);
  EXPECT_EQ(a.phase, FlightPhase::Birth);
  EXPECT_EQ(a.previousPhase, FlightPhase::Birth);
  EXPECT_EQ(a.lastThrottle, 5u);
  EXPECT_EQ(a.lastFlaps, 4u);
  EXPECT_EQ(a.leg.maxAdvance, 1000);
  EXPECT_EQ(a.leg.maxDelay, 1000);
  EXPECT_EQ(a.slotCounter, 1);
  EXPECT_EQ(a.aglFt, 2500.0);
  EXPECT_TRUE(std::isnan(a.leg.turnCentre.latitude) && std::isnan(a.leg.turnCentre.longitude));
  EXPECT_DOUBLE_EQ(a.lastRecordTime, 1733824800.5);
  ASSERT_EQ(a.stream.size(), 1u);
  EXPECT_DOUBLE_EQ(a.stream.front().latitude, 51.47);
  EXPECT_EQ(a.modelClass, ModelClass::Large);
  EXPECT_DOUBLE_EQ(a.halfWingSpanNm, 0.0096);
  EXPECT_EQ(a.callsign, "BAW123");
  EXPECT_EQ(a.origin->view(), "CDG");
}

TEST(LiveAircraft, EveryClassGetsItsValuesAndPitchesWithinTheirSpread) {
  const auto m = traffic_test::installModels();
  struct Row {
    orv::ModelId model;
    ModelClass modelClass;
    double takeOff, climb, turn, step, stand;
    std::uint32_t flare, onGround, rotation, climbSlots;
  };
  const Row rows[] = {
      {m.c172, ModelClass::Light, -9, -15, 0.15, 5.0, 0.5, 250, 250, 100, 200},
      {m.cl60, ModelClass::Buzjet, -8, -18, 0.10, 4.5, 0.75, 300, 300, 200, 250},
      {m.a320, ModelClass::Large, -6, -16.5, 0.07, 4.0, 0.6, 400, 350, 200, 300},
      {m.b744, ModelClass::Heavy, -5, -12.5, 0.05, 3.0, 0.5, 450, 450, 250, 400},
      {m.f16, ModelClass::HighPerformance, -6, -20, 0.10, 4.5, 1.0, 150, 150, 100, 200},
      {m.ec35, ModelClass::Rotorcraft, -20, -30, 0.20, 5.0, 0.75, 100, 100, 100, 100},
  };
  auto oneOf = [](double value, double v, double p) {
    const double d = v * p / 100.0;
    return std::abs(value - (v + d)) < 1e-9 || std::abs(value - (v - d)) < 1e-9;
  };
  orv::gf_randomEngine().seed(7);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(orv::gf_modelCode(row.model)));
    const auto head = orv::gf_makeAircraftHead(recordOf(row.model), orv::AircraftKind::Live);
    EXPECT_EQ(head.modelClass, row.modelClass);
    EXPECT_TRUE(oneOf(head.takeOffPitchRad * orv::kRadToDeg, row.takeOff, 2.5)) << head.takeOffPitchRad;
    EXPECT_TRUE(oneOf(head.climbPitchRad * orv::kRadToDeg, row.climb, 5.0)) << head.climbPitchRad;
    EXPECT_DOUBLE_EQ(head.groundTurnRate, row.turn * orv::kDegToRad);
    EXPECT_DOUBLE_EQ(head.currentTurnRate, head.groundTurnRate);
    EXPECT_EQ(head.altitudeStepLimitFt, row.step);
    EXPECT_EQ(head.standSpeedKt, row.stand);
    EXPECT_EQ(head.flareSlots, row.flare);
    EXPECT_EQ(head.onGroundSlots, row.onGround);
    EXPECT_EQ(head.rotationSlots, row.rotation);
    EXPECT_EQ(head.climbSlots, row.climbSlots);

    const auto staticHead = orv::gf_makeAircraftHead(recordOf(row.model), orv::AircraftKind::Static);
    EXPECT_EQ(staticHead.key, 0u) << "a static aircraft's key comes from its counter";
    EXPECT_EQ(staticHead.altitudeStepLimitFt, 0.0);
  }
  EXPECT_THROW((void)orv::gf_classValues(static_cast<ModelClass>(6)), std::out_of_range);
}

TEST(LiveAircraft, NamesOfStatesAndPhases) {
  EXPECT_EQ(orv::gf_simStateName(SimState::Buffer), "buffer");
  EXPECT_EQ(orv::gf_simStateName(SimState::Adding2Sim), "adding2sim");
  EXPECT_EQ(orv::gf_simStateName(SimState::RemovingFromSim), "removingfromsim");
  EXPECT_EQ(orv::gf_flightPhaseName(FlightPhase::PushingBack), "pushing_back");
  EXPECT_EQ(orv::gf_flightPhaseName(FlightPhase::TakeOff), "take_off");
  EXPECT_EQ(orv::gf_flightPhaseName(FlightPhase::Birth), "birth");
  EXPECT_THROW((void)orv::gf_simStateName(static_cast<SimState>(5)), std::out_of_range);
  EXPECT_THROW((void)orv::gf_flightPhaseName(static_cast<FlightPhase>(8)), std::out_of_range);
}

TEST(LiveAircraft, ErasingMovesTheLastIntoTheGapCompactionKeepsTheOrder) {
  const auto m = traffic_test::installModels();
  std::vector<LiveAircraft> list;
  for (std::uint32_t key : {20001u, 20002u, 20003u, 20004u, 20005u})
    list.push_back(liveOf(recordOf(m.a320, key)));
  auto keys = [&] {
    std::vector<std::uint32_t> k;
    for (const auto& a : list) k.push_back(a.key);
    return k;
  };
  orv::gf_eraseLiveAc(list, 1);
  EXPECT_EQ(keys(), (std::vector<std::uint32_t>{20001, 20005, 20003, 20004}));

  EXPECT_FALSE(orv::gf_compactLiveList(list));
  list[0].drop = true;
  list[2].dropWithdrawn = true;
  EXPECT_TRUE(orv::gf_compactLiveList(list));
  EXPECT_EQ(keys(), (std::vector<std::uint32_t>{20005, 20004}));
  EXPECT_EQ(orv::gf_findLiveByKey(list, 20004), &list[1]);
  EXPECT_EQ(orv::gf_findLiveByObjectId(list, 0), nullptr) << "0 is no object";
}

TEST(LiveAircraft, APhaseChangeRemembersThePreviousPhaseOnlyWhenItChanges) {
  const auto m = traffic_test::installModels();
  LiveAircraft a = liveOf(recordOf(m.a320));
  orv::gf_setPhase(a, FlightPhase::Taxi);
  orv::gf_setPhase(a, FlightPhase::Parked);
  orv::gf_setPhase(a, FlightPhase::Parked);
  EXPECT_EQ(a.previousPhase, FlightPhase::Taxi);

  std::unordered_set<std::uint32_t> respawning{a.key, 99999};
  a.liveryTitle = "Airbus A320 BAW";
  orv::gf_resetToBirth(a, respawning);
  EXPECT_EQ(a.phase, FlightPhase::Birth);
  EXPECT_EQ(a.previousPhase, FlightPhase::Parked);
  EXPECT_TRUE(a.liveryTitle.empty());
  EXPECT_EQ(respawning, (std::unordered_set<std::uint32_t>{99999}));
  orv::gf_resetToBirth(a, respawning);
  EXPECT_EQ(a.previousPhase, FlightPhase::Parked) << "already at birth";
}

TEST(LiveAircraft, OnlyABufferedAircraftTakesOverTheTextsAndCodesThatARecordSets) {
  const auto m = traffic_test::installModels();
  LiveAircraft a = liveOf(recordOf(m.a320));
  orv::TrafficRecord r = recordOf(m.a320);
  r.origin.reset();
  r.destination = orv::IataCode("MAN");
  r.callsign.clear();
  r.registration = "G-EUUB";
  orv::gf_updateBufferedHead(a, r);
  EXPECT_EQ(a.origin->view(), "CDG");
  EXPECT_EQ(a.destination->view(), "MAN");
  EXPECT_EQ(a.callsign, "BAW123");
  EXPECT_EQ(a.registration, "G-EUUB");

  a.state = SimState::Active;
  r.callsign = "BAW9";
  orv::gf_updateBufferedHead(a, r);
  EXPECT_EQ(a.callsign, "BAW123");
}

TEST(AircraftTexts, TheFixedFormsPadAndFillTheRoute) {
  const auto m = traffic_test::installModels();
  LiveAircraft a = liveOf(recordOf(m.a320));
  EXPECT_EQ(orv::gf_airlineTypeText(a), "BAW A320");
  EXPECT_EQ(orv::gf_callsignText(a), "BAW123  ");
  EXPECT_EQ(orv::gf_routeText(a), "CDG->LHR");
  EXPECT_EQ(orv::gf_aircraftRouteText(a), "BAW123   G-EUUA   CDG->LHR");
  EXPECT_EQ(orv::gf_aircraftText(a), "BAW123   G-EUUA   CDG->LHR BAW A320");
  EXPECT_EQ(orv::gf_aircraftText3(a), "BAW123   G-EUUA BAW A320");
  a.origin.reset();
  EXPECT_EQ(orv::gf_routeText(a), "   ->LHR");
  a.destination.reset();
  EXPECT_EQ(orv::gf_routeText(a), "        ");
  a.airline = 0;
  a.model = orv::gf_modelId("B38M");
  EXPECT_EQ(orv::gf_airlineTypeText(a), "    B38M");
  EXPECT_NE(orv::gf_aircraftKey(a), orv::gf_aircraftKey(liveOf(recordOf(m.a320))));
}

TEST(AircraftTexts, RealCallsignsAndTheirAirline) {
  orv::AircraftHead head;
  for (const auto& [callsign, real] : std::vector<std::pair<std::string, bool>>{
           {"BAW123", true}, {"", false}, {"@@@@@@@@", false}, {"ABCDEFGH", true}, {"ABCDEFGHI", false}}) {
    head.callsign = callsign;
    EXPECT_EQ(orv::gf_hasRealCallsign(head), real) << callsign;
  }
  EXPECT_EQ(orv::gf_airlineFromCallsign("BAW123"), "BAW");
  EXPECT_EQ(orv::gf_airlineFromCallsign("baw1"), "BAW");
  EXPECT_EQ(orv::gf_airlineFromCallsign("BAWA23"), std::nullopt);
  EXPECT_EQ(orv::gf_airlineFromCallsign("BA12"), std::nullopt);
  EXPECT_EQ(orv::gf_airlineFromCallsign("BAW"), std::nullopt);
  EXPECT_EQ(orv::gf_airlineFromCallsign("\xc3\xa4W12"), std::nullopt) << "letters are ASCII letters";
}

TEST(AircraftTexts, FitStepsInHoursAndNumbersForTheWindow) {
  const std::pair<int, float> steps[] = {{-3, 0.5f},  {0, 0.5f},   {1, 1.0f},   {9, 5.0f},   {10, 6.0f},
                                         {11, 6.0f},  {12, 7.0f},  {21, 11.0f}, {22, 12.0f}, {25, 12.0f},
                                         {26, 15.0f}, {31, 15.0f}, {32, 18.0f}, {37, 18.0f}, {38, 21.0f},
                                         {43, 21.0f}, {44, 24.0f}, {400, 24.0f}};
  for (const auto& [step, hours] : steps) EXPECT_EQ(orv::gf_stepValue(step), hours) << step;
  EXPECT_EQ(orv::gf_numberText(12.0f), "12");
  EXPECT_EQ(orv::gf_numberText(12.5f), "12.5");
}

TEST(AircraftTexts, AQuadraticCurveRunsFromItsOriginToItsEndPoint) {
  orv::QuadraticCurve curve;
  curve.origin = {50.0, 8.0};
  curve.t0 = 100;
  curve.t1 = 200;
  EXPECT_FALSE(orv::gf_quadraticCurvePos(curve, 150)) << "not set";
  curve.p1East = 0.0;
  curve.p1North = 1000.0;
  curve.p2East = 1000.0;
  curve.p2North = 1000.0;
  EXPECT_FALSE(orv::gf_quadraticCurvePos(curve, 99.9));
  EXPECT_FALSE(orv::gf_quadraticCurvePos(curve, 200.1));
  const auto start = orv::gf_quadraticCurvePos(curve, 100);
  ASSERT_TRUE(start);
  EXPECT_DOUBLE_EQ(start->position.latitude, 50.0);
  EXPECT_DOUBLE_EQ(start->position.longitude, 8.0);
  EXPECT_NEAR(start->headingRad, 0.0, 1e-12) << "north, towards the control point";
  const auto end = orv::gf_quadraticCurvePos(curve, 200);
  ASSERT_TRUE(end);
  EXPECT_DOUBLE_EQ(end->position.latitude, 50.0 + 1000.0 / 111132.95);
  EXPECT_DOUBLE_EQ(end->position.longitude, 8.0 + 1000.0 / (std::cos(50.0 * orv::kDegToRad) * 111132.95));
  EXPECT_NEAR(end->headingRad, orv::kPi / 2, 1e-12) << "east at the end";
}

TEST(AircraftTexts, ARememberedTitleIsTheLastOneOfItsKey) {
  orv::TitleMemory memory;
  orv::gf_rememberTitle(memory, 20001, "Airbus A320 British");
  orv::gf_rememberTitle(memory, 20001, "Airbus A320 Speedbird");
  EXPECT_EQ(orv::gf_textById(memory, 20001), "Airbus A320 Speedbird") << "the last title of the key";
  EXPECT_EQ(orv::gf_textById(memory, 20002), std::nullopt);
}

TEST(ObjectIdList, OneLinePerActiveAircraft) {
  testing_support::WorkingFolder folder;
  orv::gf_openLog();
  const auto m = traffic_test::installModels();
  std::vector<LiveAircraft> list;
  list.push_back(liveOf(recordOf(m.a320, 20001)));
  list.push_back(liveOf(recordOf(m.a320, 20002)));
  list.push_back(liveOf(recordOf(m.b744, 20003)));
  list.push_back(liveOf(recordOf(m.a320, 20004)));
  list[0].state = SimState::Active;
  list[0].objectId = 12;
  list[0].onGround = true;
  list[0].phase = FlightPhase::Parked;
  list[1].state = SimState::Adding2Sim;  // not in the file
  list[2].state = SimState::Active;
  list[2].objectId = 300;
  list[2].callsign = "DLH;4";  // kept out by the parser; the file must still hold
  list[2].registration.clear();
  list[3].state = SimState::Active;
  list[3].objectId = 13;
  list[3].onGround = true;

  const std::filesystem::path path = "output/info/ObjectIdList.txt";
  orv::gf_writeActiveAcFile(list);
  orv::gf_flushLog();
  EXPECT_NE(testing_support::readFile("Log.txt").find(
                "Failed to write " + testing_support::systemPath("output/info/ObjectIdList.txt")),
            std::string::npos);

  std::filesystem::create_directories("output/info");
  orv::gf_writeActiveAcFile(list);
  EXPECT_EQ(
      testing_support::readFile(path),
      "12;BAW123;G-EUUA;BAW;A320;GND;PARKED\n300;DLH_4;;BAW;B744;AIR;\n13;BAW123;G-EUUA;BAW;A320;GND;\n");
  orv::gf_writeActiveAcFile({});
  EXPECT_EQ(testing_support::readFile(path), "");
  EXPECT_FALSE(std::filesystem::exists("output/info/ObjectIdList.txt.tmp"));
}

}  // namespace
