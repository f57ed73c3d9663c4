#pragma once

// The live aircraft: its record, the states it goes through in the simulator, its flight phases,
// the stream of reported positions it plays back, and the per-class manoeuvre values. Start-up
// thread only: no other thread touches a live aircraft.

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/fixed_code.h"
#include "foundation/geometry.h"
#include "foundation/time_text.h"
#include "platform/os/clock.h"
#include "refdata/codes.h"
#include "traffic/traffic_record.h"

namespace orv {

enum class SimState : std::uint32_t {
  Buffer = 0,          // not in the simulator yet
  Adding2Sim = 1,      // spawned, its creation queued
  Active = 2,          // created and settled
  LiveryRespawn = 3,   // being removed to come back with another livery
  RemovingFromSim = 4  // its removal queued
};

enum class FlightPhase : std::uint32_t {
  PushingBack = 0,
  PushedBack = 1,
  Taxi = 2,
  TakeOff = 3,
  Flying = 4,
  Parking = 5,
  Parked = 6,
  Birth = 7,
};

// "buffer", "adding2sim", ...; "pushing_back", ..., "birth". std::out_of_range beyond the tables.
[[nodiscard]] std::string_view gf_simStateName(SimState state);
[[nodiscard]] std::string_view gf_flightPhaseName(FlightPhase phase);

// The manoeuvre values of a model class. Pitch is negative nose up, as the simulator has it.
struct ClassValues {
  double takeOffPitchDeg;
  double climbPitchDeg;
  double turnRateDegPerCycle;
  double altitudeStepLimitFt;  // largest altitude change per cycle
  double standSpeedKt;         // rolling into and out of a stand
  std::uint32_t flareSlots;
  std::uint32_t onGroundSlots;
  std::uint32_t rotationSlots;
  std::uint32_t climbSlots;
};
// std::out_of_range for a class beyond rotorcraft.
[[nodiscard]] const ClassValues& gf_classValues(ModelClass modelClass);

// What a live and a static aircraft share; built from a traffic record.
struct AircraftHead {
  AirlineId airline = 0;
  ModelId model = 0;
  std::optional<IataCode> origin;
  std::optional<IataCode> destination;
  bool arrivalHandled = false;  // the per-second arrival check has seen it
  std::string callsign;
  std::string flightCallsign;  // the callsign when it was added or last changed
  std::string extraText;
  std::string registration;
  double halfWingSpanNm = 0.0;
  double staticCgHeightFt = 0.0;  // 0 until the simulator's Static CG data arrive
  double staticPitchRad = 0.0;
  double takeOffPitchRad = 0.0;
  double climbPitchRad = 0.0;
  double groundTurnRate = 0.0;  // radians per cycle
  double currentTurnRate = 0.0;
  double altitudeStepLimitFt = 0.0;  // live aircraft only
  double standSpeedKt = 0.0;         // live aircraft only
  std::uint32_t key = 0;  // the address for a live aircraft (above 10000), a counter for a static one
  ModelClass modelClass = ModelClass::Large;
  // Owned: a view into the livery list would dangle once a restart rebuilds the livery tables.
  std::string liveryTitle;
  std::uint32_t flareSlots = 0;
  std::uint32_t onGroundSlots = 0;
  std::uint32_t rotationSlots = 0;
  std::uint32_t climbSlots = 0;
  bool cargo = false;  // the chosen livery is a cargo livery
  bool fsltl = false;  // the chosen title begins with "FSLTL_"
};

// The head of a record: codes, texts, the model's span and class with the class values (the
// pitches with their random spread of 2.5 and 5 per cent). A live aircraft also gets the altitude
// step limit, the stand speed and the record's address as its key. std::out_of_range for a model
// class beyond the tables.
enum class AircraftKind { Live, Static };
[[nodiscard]] AircraftHead gf_makeAircraftHead(const TrafficRecord& record, AircraftKind kind);

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The working values of the current leg, shared by the per-cycle update and the ground movement.
struct LegState {
  double latitudeStep = 0.0;  // degrees per cycle
  double longitudeStep = 0.0;
  double altitudeStepFt = 0.0;  // feet per cycle
  double courseRad = 0.0;
  double pitchStep = 0.0;  // radians per cycle
  double headingStep = 0.0;
  double bankStep = 0.0;
  // How much earlier or later the next sample may be played when the leg is retimed (cycles).
  std::int32_t maxAdvance = 1000;
  std::int32_t maxDelay = 1000;
  bool holding = false;
  std::int64_t holdingStartCycle = 0;
  double lastDistanceNm = 0.0;
  Position turnCentre{kNoValue, kNoValue};
};

// The flags of landing, take-off and the stand, set by the phase logic and the touchdown report.
struct PhaseFlags {
  bool landing = false;
  bool flareStage = false;
  std::uint8_t flareLevel = 0;         // 1 to 4 while flaring, by height over the ground
  bool cruiseConfigured = false;       // the cruise look was set since it last came above 10000 ft
  bool approachLights = false;         // all lights went on since it last came below 10000 ft
  double flareElevationFt = kNoValue;  // the park airport's elevation, taken at the flare's start
  bool takeOffRoll = false;
  bool landingRoll = false;
  bool touchdownSettling = false;
  bool landed = false;  // landed in this life; decides whether a departure counts as towed
  bool towed = false;
  bool departing = false;
  bool climbOutConfigured = false;
  bool reportedAtStand = false;     // RealTraffic still reports it at its stand
  std::optional<bool> cabinLights;  // as last sent in the air; unknown until then
};

// The working values of a leg on the ground: the taxi curve, the turn, the push back and the
// parking tries.
struct GroundLeg {
  // A quadratic curve from the origin through the control point to the end point, in metres north
  // and east of the origin; no curve while the control point is NaN.
  Position curveOrigin{0.0, 0.0};
  double controlNorth = kNoValue;
  double controlEast = kNoValue;
  double endNorth = 0.0;
  double endEast = 0.0;
  double curveParameter = 0.0;  // 0 to 0.999999 along the curve
  double curveStep = 0.0;       // its advance per cycle
  double curveTurnDeg = 0.0;    // the turn that the curve makes
  double remainingTurnDeg = 0.0;
  bool turning = false;  // the heading follows the course: more than 3 degrees were left
  bool curveErrorLogged = false;
  std::int32_t pushBackCounter = 0;  // segments of the push back still to come; 2 at its start
  bool pushBackSideDecided = false;
  bool pushBackClockwise = false;  // the nose is to end up clockwise of the stand heading
  PositionSample pushBackTurnPoint;
  Position lastParkTry{kNoValue, kNoValue};  // the newest sample at the last parking try
};

struct LiveAircraft : AircraftHead {
  // The first sample of the stream with its head and the record's data time.
  LiveAircraft(const PositionSample& first, const AircraftHead& head, double dataTime);

  std::uint32_t objectId = 0;  // 0 while not in the simulator
  Position standPosition;      // the stand or start point chosen at the spawn
  double standHeadingRad = 0.0;
  WeekdayAndSlot parkedSince{0, 0};
  std::uint32_t standId = 0;
  SimState state = SimState::Buffer;
  std::uint32_t lastThrottle = 5;  // out of the command range: the first command is always sent
  std::uint32_t lastFlaps = 4;
  bool atStand = false;
  bool removeWhenCreated = false;  // removal was asked while the simulator was creating it
  bool drop = false;               // leaves the live list at the end of this cycle
  bool dropWithdrawn = false;      // the same, after its queued creation was withdrawn
  bool flightPlanSet = false;

  // Where the simulator shows it now.
  double latitude = 0.0;
  double longitude = 0.0;
  double pitchRad = 0.0;
  double bankRad = 0.0;
  double headingRad = 0.0;
  double altitudeFt = 0.0;
  double verticalSpeedFps = 0.0;
  double trueAirspeedKt = 0.0;

  std::deque<PositionSample> stream;  // the reported positions still to be played, oldest first
  double lastRecordTime = 0.0;        // data time of the last accepted record
  std::int32_t pendingSteps = 0;      // extrapolated samples still to come
  FlightPhase phase = FlightPhase::Birth;
  FlightPhase previousPhase = FlightPhase::Birth;
  bool onGround = false;
  bool userConflict = false;
  LegState leg;
  PhaseFlags flags;
  double headingAtTouchdownRad = 0.0;
  std::int32_t slotCounter = 1;
  double aglFt = 2500.0;  // reported by the simulator
  // Cycles by which the playback runs late because the simulator settled the object after its
  // first sample was due; later samples are played that much later too.
  std::int64_t lateCycles = 0;
  bool playing = false;  // the first cycle as an active aircraft has run
  // Where the check of moving aircraft against static ones last looked at it.
  Position lastTestedPosition;

  // At the stands.
  GroundLeg ground;
  bool standCargo = false;                 // the stand's cargo flag when the stand was chosen
  os::SteadyTime parkedTickTime{};         // renewed while RealTraffic reports it at its stand
  std::int32_t moveAwayCount = 0;          // reports that moved away from the stand by 3 m or more
  double firstStandDistanceNm = kNoValue;  // of the first report at the stand since it parked
};

// Changes the phase; the old one becomes the previous phase only when the phase really changes.
void gf_setPhase(LiveAircraft& aircraft, FlightPhase phase);

// Erases one record: the last one moves into its place.
void gf_eraseLiveAc(std::vector<LiveAircraft>& list, std::size_t index);

// Removes the records with a drop flag, keeping the order of the others. True when it removed any.
bool gf_compactLiveList(std::vector<LiveAircraft>& list);

[[nodiscard]] LiveAircraft* gf_findLiveByKey(std::vector<LiveAircraft>& list, std::uint32_t key);
[[nodiscard]] LiveAircraft* gf_findLiveByObjectId(std::vector<LiveAircraft>& list, std::uint32_t objectId);

// Back to the start of its life (a respawn with another livery): out of the keys of aircraft
// being respawned, no livery title, phase birth.
void gf_resetToBirth(LiveAircraft& aircraft, std::unordered_set<std::uint32_t>& respawnKeys);

// While the aircraft is buffered, a new record's codes (when set) and texts (when not empty)
// replace the stored ones.
void gf_updateBufferedHead(LiveAircraft& aircraft, const TrafficRecord& record);

}  // namespace orv
