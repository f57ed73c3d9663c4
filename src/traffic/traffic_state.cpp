#include "traffic/traffic_state.h"

#include <algorithm>
#include <memory>

namespace orv {
namespace {

std::unique_ptr<TrafficState>& lf_state() {
  static std::unique_ptr<TrafficState> state = std::make_unique<TrafficState>();
  return state;
}

}  // namespace

TrafficState::TrafficState() {
  // Room for a busy sky, so that the 10 ms cycle does not reallocate.
  liveList.reserve(512);
  addingStack.reserve(64);
  created.reserve(128);
}

TrafficState& gf_trafficState() {
  return *lf_state();
}

void gf_resetTrafficState() {
  lf_state() = std::make_unique<TrafficState>();
}

bool gf_withdrawCreation(std::deque<SimCreateRequest>& queue, std::uint32_t key) {
  const auto found =
      std::find_if(queue.begin(), queue.end(), [key](const SimCreateRequest& r) { return r.key == key; });
  if (found == queue.end()) return false;
  queue.erase(found);
  return true;
}

}  // namespace orv
