#pragma once

// What the tests of live aircraft share: their aircraft database, and a run on recorders in a
// working folder with that database read.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "simlink/sim_messages.h"
#include "support/recorders.h"
#include "support/scoped_dbase.h"
#include "support/test_support.h"
#include "traffic/traffic_run.h"

namespace traffic_test {

// The aircraft database as the text the download site delivers: the six types the tests fly (A320
// large, B744 heavy and cargo, C172, CL60 a business jet, F16 of high performance, EC35 a
// rotorcraft) and UPS the cargo operator, with the test's own airlines (ICAO codes,
// comma-separated), add-on airport and registrations ("<d .../>" entries).
inline std::string smallDbase(std::string_view airlines, std::string_view addonAirport,
                              std::string_view registrations) {
  std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <aircrafts><aircraft types="A320,B744,C172,CL60,F16,EC35"/></aircrafts>
  <cargo_types><cargo_type types="B744"/></cargo_types>
  <heavy><hvy types="B744"/></heavy>
  <large><lar types="A320"/></large>
  <buzjet><bzj types="CL60"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <ICAO_airlines><ICAO codes=")";
  xml += airlines;
  xml += R"("/></ICAO_airlines>
  <cargo_operators><ICAO codes="UPS"/></cargo_operators>
  <simaddons20><simaddon20 arpts=")";
  xml += addonAirport;
  xml += R"("/></simaddons20>
  <dbase>)";
  xml += registrations;
  xml += R"(</dbase>
</root>
)";
  return xml;
}

// The run, its simulator and window recorders, and the database, made in the working folder.
// Simulator messages a test posted and did not take must not reach the next one.
class LiveRunFixture : public ::testing::Test {
 protected:
  explicit LiveRunFixture(std::string_view dbaseXml) : dbase{dbaseXml} {}
  void SetUp() override {
    ASSERT_TRUE(dbase.read());
    orv::gf_resetSimMessages();
  }
  void TearDown() override { orv::gf_resetSimMessages(); }

  testing_support::WorkingFolder folder;
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run{sim, window, false};
  testing_support::ScopedDbase dbase;
};

}  // namespace traffic_test
