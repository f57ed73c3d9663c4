#pragma once

// The records of the park airport's stands: a stand, the parkings learned at it and the half hours
// of each parking, and an airport as the add-on scan decodes it.

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "refdata/codes.h"

namespace orv {

// Bit i is the half hour of the day (UTC) that starts at i x 30 minutes.
inline constexpr std::size_t kHalfHoursPerDay = 48;
using HalfHourSet = std::bitset<kHalfHoursPerDay>;

inline constexpr double kNmPerMetre = 0.0005399568034557236;

// One learned parking at a stand (an "opt" element of a stand file).
struct StandSchedule {
  AirlineId airline = 0;
  ModelId model = 0;
  std::string registration;
  std::string callsign;
  std::string secondCallsign;  // a different callsign seen later; empty when none
  HalfHourSet hours;
  std::uint32_t sequence = 0;  // 1-based within its stand; 0 is never written to a file
  std::uint32_t day = 0;       // weekday 1..7, Sunday 7
  std::uint32_t fromFile = 0;  // 1 when read with the stands of a stand file
  std::uint32_t real = 0;      // 1 observed live, 0 soft
  std::uint8_t cpl = 0;
};

struct Stand {
  // The radius comes in metres and is kept in nautical miles.
  Stand(std::string standId, std::vector<StandSchedule> standSchedules, double lat, double lon,
        double headingRad, double radiusMetres, bool isCargo, bool isRamp, bool isHeli);

  std::vector<StandSchedule> schedules;
  std::string id;
  std::vector<std::uint32_t> neighbours;  // numbers of the stands whose circles overlap this one
  double latitude = 0.0;                  // degrees
  double longitude = 0.0;                 // degrees
  double heading = 0.0;                   // radians
  double radius = 0.0;                    // nautical miles
  std::uint32_t number = 0;               // 1..n in vector order once loaded
  bool manual = false;                    // created by hand in a learned file
  bool radiusChange = false;              // the learned file overrides the radius
  bool cargoChange = false;               // the learned file overrides the cargo flag
  // Set by the live traffic.
  bool chosen = false;
  bool occupied = false;
  bool reservedForUser = false;
  bool staticBlocked = false;
  bool cargo = false;
  bool ramp = false;
  bool heli = false;
};

// One airport as a stand file describes it; the add-on scan fills it from a BGL file.
struct ScannedAirport {
  std::string icao;
  std::string airportName;
  std::string publisher;
  std::string bglPath;
  std::string manufacturer;
  std::string creator;
  std::int32_t altitude = 0;  // feet
  std::int32_t qfReal = -1;
  std::int32_t qfSoft = -1;
  std::vector<Stand> stands;
};

}  // namespace orv
