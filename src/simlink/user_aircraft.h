#pragma once

// The user's aircraft: where it is, whether it is on the ground, what it is (title, type, half
// wing span), the stand it stands at, and the simulator's UTC time. The start-up thread asks,
// "SimClient" stores the answers; every value is shared through a mutex or an atomic.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orv {

// The values of definition 403 in their order.
struct UserAcPosition {
  double latitude = 0;        // degrees
  double longitude = 0;       // degrees
  double pitch = 0;           // radians
  double bank = 0;            // radians
  double trueHeading = 0;     // radians
  double altitude = 0;        // feet, never below 0
  double altAboveGround = 0;  // feet
  double groundVelocity = 0;  // knots
};

struct UserAcBlock {
  UserAcPosition position;
  std::int64_t zuluTime = 0;  // seconds of the day
  std::int64_t zuluDayOfYear = 0;
  std::int64_t zuluYear = 0;
  std::int64_t lightStates = 0;
};

// A position counts as known when it is off (0, 0) by more than 0.0001 degree.
[[nodiscard]] bool gf_positionKnown(double latitude, double longitude);

// --- start-up thread ---
// Asks for the user aircraft's block (request 109, unless the link is blocked) and returns the
// block of the last answer that has arrived; the answer to this request comes later.
[[nodiscard]] UserAcBlock gf_requestUserAcPosition();
// Asks for the title (106), then the model (107), the second also when the first failed; nothing
// while the link is blocked. Once per run.
void gf_requestUserAcTitleAndModel();

// --- any thread ---
[[nodiscard]] UserAcBlock gf_userAcBlock();
[[nodiscard]] bool gf_userAircraftOnGround();
// The first per-second answer has arrived with a known position.
[[nodiscard]] bool gf_userDataKnown();
[[nodiscard]] std::string gf_userAcTitle();
// Nautical miles; kept from run to run until the next model answer (0 before the first).
[[nodiscard]] double gf_userHalfWingspan();
// The simulator's UTC time in Unix seconds, kept only while gf_setKeepSimulatorUtc is on.
[[nodiscard]] std::int64_t gf_simulatorUtc();
// The live-traffic side switches it on while RealTraffic is of the professional edition.
void gf_setKeepSimulatorUtc(bool keep);

// --- set by the stands of the park airport, which the link must not call; each is called on the
// "SimClient" thread ---
// The park-airport stand nearest to a position (at most 55 m away), empty when there is none.
// Unset: no stands.
using NearestStandNameHook = std::function<std::string(double latitude, double longitude)>;
void gf_setNearestStandNameHook(NearestStandNameHook hook);
// Remembers the stand at which the user parks for the current park airport: when the first entry
// of the park-airport list is the current park airport and its stand differs, the entry takes
// the stand and the list is saved. Unset: nothing is remembered.
using UserStandReservationHook = std::function<void(const std::string& stand)>;
void gf_setUserStandReservationHook(UserStandReservationHook hook);

// --- "SimClient": the answers, called by the dispatch ---
void lf_onUserAcPosition(UserAcBlock block);
void lf_onUserAcTitle(std::string_view title);
void lf_onUserAcModel(std::string_view model);
// The per-second answer (request 108): the on-ground flag, once the position is known; the tick.
void lf_onUserOnGround(std::int64_t simOnGround);
// On a new flight and when "SimClient" ends: the stand of a user standing still is remembered.
void lf_reserveUserStand();

// --- pieces of the rules above ---
// The model text of the simulator as an ICAO type code, by the first rule that applies.
[[nodiscard]] std::string lf_rewriteModel(std::string_view model, std::string_view title);
// Unix seconds of a zulu year, day of the year (1 for January 1st) and seconds of the day.
[[nodiscard]] std::int64_t lf_zuluToUnix(std::int64_t year, std::int64_t dayOfYear, std::int64_t seconds);
// At most 48 bytes, cut before a character rather than inside one.
[[nodiscard]] std::string lf_cutTitle(std::string_view title);

// For the next run, with "SimClient" ended: everything but the half wing span and the UTC time.
void gf_resetUserAircraft();

}  // namespace orv
