#pragma once

// The simulation variables the stand-in knows: their names and units, and how a data definition
// reads them from an object and writes them to it. Inside the stand-in only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/simconnect/simconnect.h"
#include "standin/records.h"
#include "standin/stand_in.h"

namespace orv::standin {

enum class Var {
  Title,
  AtcModel,
  AtcId,
  Latitude,
  Longitude,
  Pitch,
  Bank,
  Heading,
  Altitude,
  AltAboveGround,
  GroundAltitude,
  GroundVelocity,
  VerticalSpeed,
  AirspeedTrue,
  OnGround,
  ZuluTime,
  ZuluDayOfYear,
  ZuluYear,
  LightStates,
  LightOnStates,
  StaticCgToGround,
  StaticPitch,
  Spoilers,
  Throttle1,
  Throttle2,
};

// Values are kept in a base unit per dimension: degrees, feet, knots.
enum class Dim { Text, Angle, Length, Speed, Plain };

struct VarSpec {
  std::string_view name;  // upper case
  Var var;
  Dim dim;
  bool settable;
};

// The variable of a name in any case; nullptr for one the stand-in does not simulate.
[[nodiscard]] const VarSpec* findVariable(std::string_view name);
// Base units per unit of the text; nothing for a unit that does not fit the dimension.
[[nodiscard]] std::optional<double> unitFactor(Dim dim, std::string_view unitText);
// Bytes of one value in a data block; 0 for the variable-length STRINGV.
[[nodiscard]] std::size_t valueSize(sc::DataType type);

// One variable of a data definition, as the client added it.
struct DefinitionEntry {
  std::string variable;
  std::string unit;
  sc::DataType type;
  const VarSpec* spec;
  double factor;  // base units per unit
};

// What variables read beyond the object itself.
struct SimulationFacts {
  std::int64_t zuluUnix = 0;  // the simulator's UTC in Unix seconds
  double staticCgFt = 0;
  double staticPitchDeg = 0;
};

// In base units; 0 for a text.
[[nodiscard]] double readNumber(const SimObject& o, Var var, const SimulationFacts& facts);
// Empty for a number.
[[nodiscard]] std::string_view readText(const SimObject& o, Var var);
// In base units; a variable that cannot be set stays as it is.
void writeNumber(SimObject& o, Var var, double value);
// Appends the value of one definition entry in the entry's unit and type.
void packValue(ValuePacker& packer, const SimObject& o, const DefinitionEntry& entry,
               const SimulationFacts& facts);

// The simulator takes the names of variables, units, events and titles in any case.
[[nodiscard]] std::string upperCase(std::string_view text);
[[nodiscard]] bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orv::standin
