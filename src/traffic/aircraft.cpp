#include "traffic/aircraft.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "foundation/random.h"

namespace orv {
namespace {

struct Named {
  std::uint32_t value;
  std::string_view name;
};

constexpr std::array<Named, 5> kSimStateNames = {{
    {0, "buffer"},
    {1, "adding2sim"},
    {2, "active"},
    {3, "liveryrespawn"},
    {4, "removingfromsim"},
}};

constexpr std::array<Named, 8> kFlightPhaseNames = {{
    {0, "pushing_back"},
    {1, "pushed_back"},
    {2, "taxi"},
    {3, "take_off"},
    {4, "flying"},
    {5, "parking"},
    {6, "parked"},
    {7, "birth"},
}};

template <std::size_t N>
std::string_view lf_nameOf(const std::array<Named, N>& table, std::uint32_t value, const char* what) {
  for (const Named& entry : table)
    if (entry.value == value) return entry.name;
  throw std::out_of_range(what);
}

// By ModelClass: light, business jet, large, heavy, high performance, rotorcraft.
constexpr std::array<ClassValues, kModelClassCount> kClassValues = {{
    {-9.0, -15.0, 0.15, 5.0, 0.5, 250, 250, 100, 200},
    {-8.0, -18.0, 0.10, 4.5, 0.75, 300, 300, 200, 250},
    {-6.0, -16.5, 0.07, 4.0, 0.6, 400, 350, 200, 300},
    {-5.0, -12.5, 0.05, 3.0, 0.5, 450, 450, 250, 400},
    {-6.0, -20.0, 0.10, 4.5, 1.0, 150, 150, 100, 200},
    {-20.0, -30.0, 0.20, 5.0, 0.75, 100, 100, 100, 100},
}};

}  // namespace

std::string_view gf_simStateName(SimState state) {
  return lf_nameOf(kSimStateNames, static_cast<std::uint32_t>(state), "gf_simStateName");
}

std::string_view gf_flightPhaseName(FlightPhase phase) {
  return lf_nameOf(kFlightPhaseNames, static_cast<std::uint32_t>(phase), "gf_flightPhaseName");
}

const ClassValues& gf_classValues(ModelClass modelClass) {
  return kClassValues.at(static_cast<std::size_t>(modelClass));
}

AircraftHead gf_makeAircraftHead(const TrafficRecord& record, AircraftKind kind) {
  AircraftHead head;
  head.airline = record.airline;
  head.model = record.model;
  head.origin = record.origin;
  head.destination = record.destination;
  head.callsign = record.callsign;
  head.flightCallsign = record.flightCallsign;
  head.extraText = record.extraText;
  head.registration = record.registration;
  head.halfWingSpanNm = gf_halfWingspan(record.model);
  head.modelClass = gf_modelClass(record.model);
  const ClassValues& values = gf_classValues(head.modelClass);
  head.takeOffPitchRad = gf_randomVariation(values.takeOffPitchDeg, 2.5) * kDegToRad;
  head.climbPitchRad = gf_randomVariation(values.climbPitchDeg, 5.0) * kDegToRad;
  head.groundTurnRate = values.turnRateDegPerCycle * kDegToRad;
  head.currentTurnRate = head.groundTurnRate;
  head.flareSlots = values.flareSlots;
  head.onGroundSlots = values.onGroundSlots;
  head.rotationSlots = values.rotationSlots;
  head.climbSlots = values.climbSlots;
  if (kind == AircraftKind::Live) {
    head.altitudeStepLimitFt = values.altitudeStepLimitFt;
    head.standSpeedKt = values.standSpeedKt;
    head.key = record.position.address;
  }
  return head;
}

LiveAircraft::LiveAircraft(const PositionSample& first, const AircraftHead& head, double dataTime)
    : AircraftHead(head), lastRecordTime(dataTime) {
  stream.push_back(first);
}

void gf_setPhase(LiveAircraft& aircraft, FlightPhase phase) {
  if (aircraft.phase == phase) return;
  aircraft.previousPhase = aircraft.phase;
  aircraft.phase = phase;
}

void gf_eraseLiveAc(std::vector<LiveAircraft>& list, std::size_t index) {
  if (index >= list.size()) return;
  if (index + 1 != list.size()) list[index] = std::move(list.back());
  list.pop_back();
}

bool gf_compactLiveList(std::vector<LiveAircraft>& list) {
  const auto kept = std::stable_partition(list.begin(), list.end(),
                                          [](const LiveAircraft& a) { return !a.drop && !a.dropWithdrawn; });
  if (kept == list.end()) return false;
  list.erase(kept, list.end());
  return true;
}

LiveAircraft* gf_findLiveByKey(std::vector<LiveAircraft>& list, std::uint32_t key) {
  for (LiveAircraft& a : list)
    if (a.key == key) return &a;
  return nullptr;
}

LiveAircraft* gf_findLiveByObjectId(std::vector<LiveAircraft>& list, std::uint32_t objectId) {
  if (objectId == 0) return nullptr;  // every aircraft not yet in the simulator has 0
  for (LiveAircraft& a : list)
    if (a.objectId == objectId) return &a;
  return nullptr;
}

void gf_resetToBirth(LiveAircraft& aircraft, std::unordered_set<std::uint32_t>& respawnKeys) {
  respawnKeys.erase(aircraft.key);
  aircraft.liveryTitle.clear();
  gf_setPhase(aircraft, FlightPhase::Birth);
}

void gf_updateBufferedHead(LiveAircraft& aircraft, const TrafficRecord& record) {
  if (aircraft.state != SimState::Buffer) return;
  if (record.origin && record.origin != aircraft.origin) aircraft.origin = record.origin;
  if (record.destination && record.destination != aircraft.destination)
    aircraft.destination = record.destination;
  if (!record.callsign.empty() && record.callsign != aircraft.callsign) aircraft.callsign = record.callsign;
  if (!record.registration.empty() && record.registration != aircraft.registration)
    aircraft.registration = record.registration;
}

}  // namespace orv
