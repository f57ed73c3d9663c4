#pragma once

// The fixed numbers that the program registers with the simulator and uses in its requests.

#include <cstdint>

namespace orv::simid {

// System events.
inline constexpr std::uint32_t kEventSim = 201;
inline constexpr std::uint32_t kEventObjectAdded = 202;
inline constexpr std::uint32_t kEventObjectRemoved = 203;
inline constexpr std::uint32_t kEventFrame = 204;
inline constexpr std::uint32_t kEventFlightLoaded = 205;

// Client events.
inline constexpr std::uint32_t kBeaconLightsSet = 206;
inline constexpr std::uint32_t kNavLightsSet = 207;
inline constexpr std::uint32_t kTaxiLightsSet = 208;
inline constexpr std::uint32_t kStrobesSet = 209;
inline constexpr std::uint32_t kLandingLightsSet = 210;
inline constexpr std::uint32_t kCabinLightsSet = 211;
inline constexpr std::uint32_t kLogoLightsSet = 212;
inline constexpr std::uint32_t kAllLightsToggle = 213;
inline constexpr std::uint32_t kFreezeLatitudeLongitudeSet = 214;
inline constexpr std::uint32_t kFreezeAltitudeSet = 215;
inline constexpr std::uint32_t kFreezeAttitudeSet = 216;
inline constexpr std::uint32_t kFlapsSet = 217;
inline constexpr std::uint32_t kSpoilersSet = 218;
inline constexpr std::uint32_t kGearSet = 219;
inline constexpr std::uint32_t kEngineAutoStart = 220;
inline constexpr std::uint32_t kEngineAutoShutdown = 221;
inline constexpr std::uint32_t kThrottleSet = 222;

// The one notification group; every client event is sent with it.
inline constexpr std::uint32_t kGroup = 301;

// Data definitions.
inline constexpr std::uint32_t kDefSpoilersThrottles = 401;
inline constexpr std::uint32_t kDefAiPosition = 402;
inline constexpr std::uint32_t kDefUserAircraft = 403;
inline constexpr std::uint32_t kDefAircraftInRange = 404;
inline constexpr std::uint32_t kDefStaticCg = 405;
inline constexpr std::uint32_t kDefLightOnStates = 406;
inline constexpr std::uint32_t kDefUserTitle = 407;
inline constexpr std::uint32_t kDefUserModel = 408;
inline constexpr std::uint32_t kDefUserOnGround = 409;

// Requests.
inline constexpr std::uint32_t kReqAircraftInRange = 101;
inline constexpr std::uint32_t kReqStaticCg = 102;
inline constexpr std::uint32_t kReqReleaseControl = 103;
inline constexpr std::uint32_t kReqCreate = 104;
inline constexpr std::uint32_t kReqRemove = 105;
inline constexpr std::uint32_t kReqUserTitle = 106;
inline constexpr std::uint32_t kReqUserModel = 107;
inline constexpr std::uint32_t kReqUserOnGround = 108;
inline constexpr std::uint32_t kReqUserAircraft = 109;
inline constexpr std::uint32_t kReqFlightPlan = 110;

// Keys above this belong to live aircraft, the others to static parked ones; 0 is no creation.
inline constexpr std::uint32_t kLastStaticKey = 10000;

}  // namespace orv::simid
