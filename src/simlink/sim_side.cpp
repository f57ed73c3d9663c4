#include "simlink/sim_side.h"

#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"

namespace orv {
namespace {

class CommandQueueSide final : public SimSide {
 public:
  void queueCreation(const SimCreateRequest& request) override { gf_queueCreateAc(request); }
  void queueRemoval(std::uint32_t objectId) override { gf_queueRemoval(objectId); }
  void queueEvents(std::span<const SimEvent> events) override {
    std::scoped_lock lock(gf_commandMutex());
    for (const SimEvent& event : events) gf_queueSimEventLocked(event);
  }
  void queuePosition(const SimPosition& position) override { gf_queuePosition(position); }
  bool swapPositionBuffers() override { return gf_swapPositionBuffers(); }
  void emptyPositionBuffers() override { gf_emptyPositionBuffers(); }
  bool assignFlightPlan(std::uint32_t objectId, const std::string& planPath) override {
    return gf_assignFlightPlan(objectId, planPath);
  }
  void setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double lever1,
                               double lever2) override {
    gf_setSpoilersAndThrottles(objectId, spoilers, lever1, lever2);
  }
  void requestAcInRange(double rangeNm) override { gf_requestAcInRange(rangeNm); }
  void requestStaticCgData(std::uint32_t objectId) override { gf_requestStaticCgData(objectId); }
  void requestUserAcPosition() override { (void)gf_requestUserAcPosition(); }
};

}  // namespace

SimSide& gf_commandQueueSide() {
  static CommandQueueSide side;
  return side;
}

std::array<SimEvent, 7> gf_lightEvents(std::uint32_t objectId, const LightStates& lights) {
  return {SimEvent{objectId, simid::kNavLightsSet, lights.nav},
          SimEvent{objectId, simid::kBeaconLightsSet, lights.beacon},
          SimEvent{objectId, simid::kLandingLightsSet, lights.landing},
          SimEvent{objectId, simid::kTaxiLightsSet, lights.taxi},
          SimEvent{objectId, simid::kStrobesSet, lights.strobes},
          SimEvent{objectId, simid::kLogoLightsSet, lights.logo},
          SimEvent{objectId, simid::kCabinLightsSet, lights.cabin}};
}

}  // namespace orv
