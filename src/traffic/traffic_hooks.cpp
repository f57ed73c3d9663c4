#include "traffic/traffic_hooks.h"

#include <fmt/format.h>

#include <algorithm>

#include "foundation/log.h"
#include "traffic/traffic_state.h"

namespace orv {
namespace {

// Until the removal part arrives: the lifecycle of a removal without its stand, selection and
// respawn rules.
void lf_plainRemoval(LiveAircraft& a) {
  TrafficState& state = gf_trafficState();
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

TrafficHooks lf_defaults() {
  TrafficHooks h;
  h.updateLiveAc = [](LiveAircraft& a) { return a.drop || a.dropWithdrawn; };
  h.appendSample = [](LiveAircraft& a, const PositionSample& s) {
    PositionSample sample = s;
    if (!a.stream.empty()) sample.dueCycle = std::max(sample.dueCycle, a.stream.back().dueCycle + 1);
    a.stream.push_back(sample);
  };
  h.respawnCheck = [](LiveAircraft& a, const TrafficRecord& r) {
    gf_updateBufferedHead(a, r);
    return true;
  };
  h.removeAircraftFromSim = lf_plainRemoval;
  h.detcs = [] {};
  h.staticWorkPending = [] { return false; };
  h.activateStatic = [](std::uint32_t, std::uint32_t) {};
  h.eraseStaticByObjectId = [](std::uint32_t) { return false; };
  h.staticCreationFailed = [](std::uint32_t) {};
  h.liveParksAtStand = [](LiveAircraft&) {};
  h.staticCount = [] { return std::int64_t{0}; };
  h.activeStaticCount = [] { return std::int64_t{0}; };
  h.standName = [](std::uint32_t) { return std::string{}; };
  h.sendQs121 = [] {};
  h.removeFlightPlan = [](const LiveAircraft&) {};
  h.liveryNotCreated = [](const std::string&) {};
  h.isFailedTitle = [](const std::string&) { return false; };
  return h;
}

}  // namespace

TrafficHooks& gf_trafficHooks() {
  static TrafficHooks hooks = lf_defaults();
  return hooks;
}

}  // namespace orv
