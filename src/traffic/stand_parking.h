#pragma once

// Live aircraft at the stands of the park airport: the stand search, the parked-aircraft limit,
// the learned live parkings that aircraft leave at their stands, and the stand at which the user
// aircraft stands. Start-up thread only, except the nearest-stand look-up, which any thread may
// call.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "airports/stand_records.h"
#include "airports/stand_store.h"
#include "foundation/geometry.h"
#include "foundation/time_text.h"
#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

inline constexpr double kStandSearchNm = 0.029697624190064796;  // 55 m
inline constexpr double kNoFitStandNm = 0.010799136069114472;   // 20 m

// Why a live parking is recorded.
enum class StandOptionKind : int { Arrival = 0, StandSpawn = 1, Departure = 2, FarFromStand = 3 };

// The aircraft fits the stand: its half span exceeds the stand's radius by at most 1.8 m.
[[nodiscard]] bool gf_fitsStand(const AircraftHead& aircraft, const Stand& stand);

// The free stand nearest the position within the radius (a stand the aircraft does not fit only
// within 20 m, and such a stand is widened to take it); with `learned`, when none is found, the
// nearest stand within 85 m that the aircraft fits and where it was seen parking before (its
// callsign, or its airline and model). Heli stands are for rotorcraft only and rotorcraft park on
// heli stands only. Null when there is none.
[[nodiscard]] Stand* lf_searchStandNear(TrafficRun& run, Position position, const LiveAircraft& aircraft,
                                        double radiusNm, bool learned);

// Records the live aircraft on its stand as a learned live parking for the current half hour.
void lf_addRealStandOption(TrafficRun& run, std::uint32_t standId, LiveAircraft& aircraft,
                           StandOptionKind kind);
// Extends schedule `sequence` of the stand, last set at `last`, up to `now` when the gap is
// shorter than the aircraft's window (12 half hours for cargo, 8 for a heavy, 6 for others);
// over midnight the new day gets a schedule of its own. False when the caller is to add a new
// schedule instead.
[[nodiscard]] bool lf_extendStandOption(WeekdayAndSlot now, Stand& stand, std::uint32_t sequence,
                                        WeekdayAndSlot last, const LiveAircraft& aircraft,
                                        const std::string& registration, bool cpl);

// The parked-aircraft limit with n aircraft about to park (0 or 1): the live aircraft parked
// longest, then the static aircraft parked earliest, make room. The limit is the static parking's
// wanted count; none while it is below 1.
void gf_checkMaxParked(TrafficRun& run, int aboutToPark);
void lf_checkMaxParked(TrafficRun& run, int aboutToPark, std::int64_t limit);
// The active parked live aircraft as pairs of key and seconds parked, longest first.
[[nodiscard]] std::vector<std::pair<std::uint32_t, std::int64_t>> lf_parkedDurations(const TrafficRun& run);
// Seconds since RealTraffic last reported the aircraft at its stand (or since it parked).
[[nodiscard]] std::int64_t gf_secondsParked(const LiveAircraft& aircraft);

// The id of the park-airport stand nearest to a position, at most 55 m away (the earlier stand of
// the list wins a tie), from the stands' published snapshot; empty when there is none. The answer
// for an unchanged position (within 1e-8 degrees) and unchanged stands is remembered. Any thread.
class NearestStandCache {
 public:
  [[nodiscard]] std::string find(double latitude, double longitude);

 private:
  std::mutex mutex_;
  std::shared_ptr<const StandSnapshot> snapshot_;
  double latitude_ = kNoValue;
  double longitude_ = kNoValue;
  std::string answer_;
};
[[nodiscard]] std::string gf_nearestStandName(NearestStandCache& cache, double latitude, double longitude);

// The stand at which the user aircraft stands: empty while it is airborne. Start-up thread.
[[nodiscard]] std::string gf_userStandName(TrafficRun& run);
// No live aircraft takes the stand: it is reserved for the user, or the user aircraft stands there.
[[nodiscard]] bool gf_standKeptForUser(TrafficRun& run, const Stand& stand);

}  // namespace orv
