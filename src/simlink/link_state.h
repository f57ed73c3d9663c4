#pragma once

// The per-run state of the dispatch: touched on the "SimClient" thread only, and reset between
// runs while no "SimClient" runs.

#include <cstdint>
#include <vector>

#include "simlink/command_queues.h"

namespace orv {

struct LinkState {
  // Objects at or below it are never positioned, removed or matched; 2 at the start of a run,
  // then the object id of every user-aircraft reply.
  std::uint32_t userObjectId = 2;
  std::vector<std::uint32_t> addedObjects;  // announced by "ObjectAdded", not yet seen by type
  std::vector<PendingCreation> pendingCreations;
  bool asGenLogged = false;
  bool quitReceived = false;  // the simulator said it quits
};

[[nodiscard]] LinkState& gf_linkState();

}  // namespace orv
