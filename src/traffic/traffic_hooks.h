#pragma once

// Where the live-traffic cycle calls on the parts that come after it: the flight phases, the
// removal and respawn, static parking, the RealTraffic link, the stands, and the flight plans
// and failed liveries of the simulator link. Each part sets its hook when it arrives; until then
// the default stated beside each applies. Set on the start-up thread before the run starts;
// called on the start-up thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "traffic/aircraft.h"
#include "traffic/traffic_record.h"

namespace orv {

struct TrafficHooks {
  // --- flight phases ---
  // One cycle of an aircraft (its spawn while buffered); true when it carries a drop flag.
  // Default: nothing moves; the drop flags are reported.
  std::function<bool(LiveAircraft&)> updateLiveAc;
  // Appends an accepted sample to the stream. Default: appended, due after the newest sample.
  std::function<void(LiveAircraft&, const PositionSample&)> appendSample;

  // --- removal and respawn ---
  // Whether a record for a known aircraft is applied (it may start a respawn instead).
  // Default: a buffered aircraft takes the record's texts and codes; applied.
  std::function<bool(LiveAircraft&, const TrafficRecord&)> respawnCheck;
  // The one way out of the simulator. Default: a buffered aircraft is dropped, a queued creation
  // withdrawn (or the aircraft removed once created), any other aircraft's object queued for
  // removal.
  std::function<void(LiveAircraft&)> removeAircraftFromSim;

  // --- static parking ---
  // Places one wanted static aircraft. Default: nothing is wanted.
  std::function<void()> detcs;
  std::function<bool()> staticWorkPending;  // default false
  // The static aircraft of the key has settled: active with its object and its parked look.
  std::function<void(std::uint32_t key, std::uint32_t objectId)> activateStatic;
  // The object is gone: its static aircraft leaves the list. False when none had it.
  std::function<bool(std::uint32_t objectId)> eraseStaticByObjectId;
  // The creation of the static aircraft of the key failed.
  std::function<void(std::uint32_t key)> staticCreationFailed;
  // A live aircraft created at its stand: wanted static aircraft for the stand are dropped and a
  // static one standing there is removed.
  std::function<void(LiveAircraft&)> liveParksAtStand;
  std::function<std::int64_t()> staticCount;        // the static list's size; default 0
  std::function<std::int64_t()> activeStaticCount;  // default 0

  // --- stands of the park airport ---
  std::function<std::string(std::uint32_t standId)> standName;  // default empty

  // --- RealTraffic link ---
  std::function<void()> sendQs121;  // default nothing

  // --- flight plans and failed liveries ---
  // Writes the plan of an aircraft with origin and destination; its path, or none on failure.
  // Default unset: no plans are written.
  std::function<std::optional<std::filesystem::path>(const LiveAircraft&)> writeFlightPlan;
  // Deletes the plan of an aircraft whose flight-plan flag is set (logs its own failure).
  std::function<void(const LiveAircraft&)> removeFlightPlan;
  // The simulator could not create the title. Default: nothing remembered.
  std::function<void(const std::string& title)> liveryNotCreated;
  // A title that the simulator could not create. Default: none.
  std::function<bool(const std::string& title)> isFailedTitle;
};

[[nodiscard]] TrafficHooks& gf_trafficHooks();

}  // namespace orv
