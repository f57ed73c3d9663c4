#pragma once

// The legs of a live aircraft on the ground: taxi turns as curves or split legs, the turn timing,
// pulling out of a stand and the push back, the parking at a stand of the park airport, and what
// reports do to an aircraft at its stand. Start-up thread only.

#include <cstdint>

#include "airports/stand_records.h"
#include "traffic/aircraft.h"

namespace orv {

class TrafficRun;

// The leg set-up on the ground when the oldest sample is due (the stream holds at least two):
// the push back's stages, the departure from a stand, taxi turns and the parking trigger; it ends
// with the turn timing.
void lf_groundLegSetup(TrafficRun& run, LiveAircraft& aircraft);
// The turn rate of the leg and the retiming of its next sample.
void lf_groundTurn(LiveAircraft& aircraft);
// A sample half way between the oldest and the next one.
void lf_splitLeg(LiveAircraft& aircraft);
// The curve from the aircraft through the next sample to the one after it, which takes the next
// sample's place in the stream.
void lf_setupCurve(LiveAircraft& aircraft);
// A straight leg; split when the speed changes by more than 5 kt over 100 m or more.
void lf_setupStraight(LiveAircraft& aircraft);
// The turn of the next leg: the bearing from the next sample to the one after it less the heading.
[[nodiscard]] double lf_turnAngle(const LiveAircraft& aircraft);

[[nodiscard]] bool gf_curveSet(const LiveAircraft& aircraft);
// No curve, no turn: the heading stays as it is.
void gf_clearGroundTurn(LiveAircraft& aircraft);
// One cycle along the curve; false when it cannot be evaluated: logged once, and the rest of the
// leg is flown straight.
bool lf_curveCycle(LiveAircraft& aircraft);

// A stopped taxiing aircraft looks for a free stand near its newest sample (55 m with `learned`,
// which also allows the learned parkings, else 20 m) and drives onto it.
void try2Park(TrafficRun& run, LiveAircraft& aircraft, bool learned);
// The samples that roll the aircraft onto the stand at the stand speed, then stop it there.
void drive2Stand(LiveAircraft& aircraft, const Stand& stand);
// The stream ran out while parking: parked within 2 m of the stand, else taxiing on; removed when
// its stand was taken meanwhile.
void lf_arriveAtStand(TrafficRun& run, LiveAircraft& aircraft);
// Forward out of the stand: two half spans ahead along the stand heading.
void lf_pullOut(TrafficRun& run, LiveAircraft& aircraft);
// Straight back 2.5 stand radii, turning at the midpoint to the side of the first new report.
void lf_pushBack(TrafficRun& run, LiveAircraft& aircraft);

// Whether a new report is taken for an aircraft pushing back, pushed back, parking or parked, and
// the departure it may start. False: refused.
[[nodiscard]] bool lf_checkStandSituations(TrafficRun& run, LiveAircraft& aircraft, PositionSample& sample);

}  // namespace orv
