#pragma once

// What a run asks of the simulator side: creations, removals, client events, positions, flight
// plans and requests. In the program the command queues and the requests of the link answer it;
// tests put a recorder in its place. Start-up thread only.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "simlink/command_queues.h"

namespace orv {

class SimSide {
 public:
  virtual ~SimSide() = default;
  virtual void queueCreation(const SimCreateRequest& request) = 0;
  virtual void queueRemoval(std::uint32_t objectId) = 0;
  // Several events of one object in their order, queued together.
  virtual void queueEvents(std::span<const SimEvent> events) = 0;
  virtual void queuePosition(const SimPosition& position) = 0;
  // Once per cycle; false when this cycle's positions were dropped.
  virtual bool swapPositionBuffers() = 0;
  virtual void emptyPositionBuffers() = 0;
  [[nodiscard]] virtual bool assignFlightPlan(std::uint32_t objectId, const std::string& planPath) = 0;
  virtual void setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double lever1,
                                       double lever2) = 0;
  virtual void requestAcInRange(double rangeNm) = 0;
  virtual void requestStaticCgData(std::uint32_t objectId) = 0;
  virtual void requestUserAcPosition() = 0;

  void queueEvent(const SimEvent& event) { queueEvents(std::span(&event, 1)); }
};

// The program's simulator side: the command queues that "SimClient" empties on each frame.
[[nodiscard]] SimSide& gf_commandQueueSide();

// The events of gf_setLights, in the order the simulator gets them.
[[nodiscard]] std::array<SimEvent, 7> gf_lightEvents(std::uint32_t objectId, const LightStates& lights);

}  // namespace orv
