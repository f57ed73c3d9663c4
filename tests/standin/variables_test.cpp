// The simulation variables: units, and the zulu values the simulator derives from its UTC.

#include "standin/variables.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using orv::standin::DefinitionEntry;
using orv::standin::Dim;
using orv::standin::SimObject;
using orv::standin::SimulationFacts;
using orv::standin::ValuePacker;
using orv::standin::ValueReader;
using orv::standin::Var;

// The value of one variable as a FLOAT64 entry in the given unit would carry it.
double lf_packed(const SimObject& o, std::string_view variable, std::string_view unit,
                 const SimulationFacts& facts = {}) {
  const auto* spec = orv::standin::findVariable(variable);
  EXPECT_NE(spec, nullptr) << variable;
  if (!spec) return 0;
  const auto factor = orv::standin::unitFactor(spec->dim, unit);
  EXPECT_TRUE(factor.has_value()) << variable << " in " << unit;
  if (!factor) return 0;
  const DefinitionEntry entry{std::string(variable), std::string(unit), sc::DataType::FLOAT64, spec, *factor};
  ValuePacker packer;
  orv::standin::packValue(packer, o, entry, facts);
  return ValueReader(packer.bytes()).float64();
}

TEST(StandInVariables, ValuesComeInTheUnitOfTheDefinitionAndUnitsOfAnotherDimensionAreRefused) {
  SimObject o;
  o.headingDeg = 180.0;
  o.altFt = 3280.839895013123;  // 1000 m
  o.groundAltFt = 328.0839895013123;
  o.airspeedKt = 100.0;
  o.verticalSpeedFps = 10.0;
  o.groundSpeedKt = 250.0;

  struct Case {
    const char* variable;
    const char* unit;
    double expected;
  };
  const Case cases[] = {
      {"PLANE HEADING DEGREES TRUE", "Radians", std::numbers::pi},
      {"plane heading degrees true", "degrees", 180.0},
      {"PLANE ALTITUDE", "meters", 1000.0},
      {"PLANE ALT ABOVE GROUND", "metres", 900.0},
      {"AIRSPEED TRUE", "meters per second", 51.44444444},
      {"VERTICAL SPEED", "feet per minute", 600.0},
      {"VERTICAL SPEED", "Feet per second", 10.0},
      {"GROUND VELOCITY", "knots", 250.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(lf_packed(o, c.variable, c.unit), c.expected, 1e-6) << c.variable;

  EXPECT_FALSE(orv::standin::unitFactor(Dim::Angle, "feet"));
  EXPECT_FALSE(orv::standin::unitFactor(Dim::Length, "degrees"));
  EXPECT_FALSE(orv::standin::unitFactor(Dim::Speed, "meters"));
  EXPECT_FALSE(orv::standin::unitFactor(Dim::Text, "number"));
}

TEST(StandInVariables, AWrittenValueReadsBackInItsUnitAndFixedValuesStay) {
  SimObject o;
  const double fpm = *orv::standin::unitFactor(Dim::Speed, "feet per minute");
  orv::standin::writeNumber(o, Var::VerticalSpeed, 1200.0 * fpm);
  EXPECT_NEAR(o.verticalSpeedFps, 20.0, 1e-9);
  EXPECT_NEAR(lf_packed(o, "VERTICAL SPEED", "feet per minute"), 1200.0, 1e-6);

  o.groundAltFt = 500.0;
  orv::standin::writeNumber(o, Var::GroundAltitude, 100.0);  // the ground is the scenario's
  orv::standin::writeNumber(o, Var::OnGround, 1.0);
  EXPECT_DOUBLE_EQ(o.groundAltFt, 500.0);
  EXPECT_FALSE(o.onGround);
}

TEST(StandInVariables, ZuluValuesFollowTheCalendarAcrossYearEndsLeapDaysAndBefore1970) {
  struct Case {
    std::int64_t unix;
    double timeOfDay;
    double dayOfYear;
    double year;
  };
  const Case cases[] = {
      {946684799, 86399, 365, 1999},                                 // 1999-12-31 23:59:59
      {946684800, 0, 1, 2000},       {978264000, 43200, 366, 2000},  // 2000-12-31 12:00, a leap year
      {-1, 86399, 365, 1969},        {-86400, 0, 365, 1969},
  };
  const SimObject o;
  for (const Case& c : cases) {
    SimulationFacts facts;
    facts.zuluUnix = c.unix;
    EXPECT_EQ(orv::standin::readNumber(o, Var::ZuluTime, facts), c.timeOfDay) << c.unix;
    EXPECT_EQ(orv::standin::readNumber(o, Var::ZuluDayOfYear, facts), c.dayOfYear) << c.unix;
    EXPECT_EQ(orv::standin::readNumber(o, Var::ZuluYear, facts), c.year) << c.unix;
  }
}

}  // namespace
