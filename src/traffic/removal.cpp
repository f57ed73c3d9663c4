#include "traffic/removal.h"

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/traffic_run.h"

namespace orv {

bool respawnCheck(TrafficRun&, LiveAircraft& a, const TrafficRecord& r) {
  gf_updateBufferedHead(a, r);
  return true;
}

void removeAircraftFromSim(TrafficRun& run, LiveAircraft& a) {
  TrafficState& state = run.traffic;
  switch (a.state) {
    case SimState::Buffer:
      a.drop = true;
      return;
    case SimState::Adding2Sim:
      if (a.removeWhenCreated) return;
      if (gf_withdrawCreation(state.liveCreations, a.key))
        a.dropWithdrawn = true;
      else
        a.removeWhenCreated = true;
      return;
    default:
      if (a.state == SimState::RemovingFromSim) return;
      a.state = SimState::RemovingFromSim;
      if (a.objectId != 0)
        state.removalIds.push_back(a.objectId);
      else
        gf_logLine(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", a.key));
  }
}

LiveAircraft* gf_firstActiveWithCallsign(TrafficRun& run, std::string_view callsign) {
  for (LiveAircraft& a : run.traffic.liveList)
    if (a.state == SimState::Active && a.callsign == callsign) return &a;
  return nullptr;
}

bool gf_removeFarthestAc(TrafficRun&, double) {
  return false;
}

bool lf_userConflict(TrafficRun&, const LiveAircraft&, double, double, double) {
  return false;
}

bool gf_hasGenuineTwin(TrafficRun&, const LiveAircraft&) {
  return false;
}

bool gf_callsignToRemove(TrafficRun&, std::string_view) {
  return false;
}

void gf_ghostCheck(TrafficRun&, LiveAircraft&) {}

bool lf_standTakenByLive(TrafficRun&, const Stand&, std::string_view) {
  return true;
}

bool lf_liveGivesWay(TrafficRun&, std::uint32_t, const LiveAircraft&, const Stand&) {
  return true;
}

void lf_clearLiveNeighbour(TrafficRun&, std::uint32_t, const LiveAircraft&, const Stand&) {}

void lf_staticMakesWay(TrafficRun&, const LiveAircraft&, const Stand&) {}

void gf_removeByList(TrafficRun&) {}

void gf_removeAllAc(TrafficRun&) {}

void gf_removeAcNearUser(TrafficRun&) {}

void gf_removeAcAheadOfUser(TrafficRun&) {}

void gf_recheckMovingAc(TrafficRun&) {}

void arrivalCheckStep(TrafficRun&) {}

void gf_listActiveCallsigns(TrafficRun&) {}

void emptyCallsignsToRemove(TrafficRun&) {}

}  // namespace orv
