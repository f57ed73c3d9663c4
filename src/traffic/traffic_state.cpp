#include "traffic/traffic_state.h"

#include <algorithm>

namespace orv {
TrafficState::TrafficState() {
  // Room for a busy sky, so that the 10 ms cycle does not reallocate.
  liveList.reserve(512);
  addingStack.reserve(64);
  created.reserve(128);
}

bool gf_withdrawCreation(std::deque<SimCreateRequest>& queue, std::uint32_t key) {
  const auto found =
      std::find_if(queue.begin(), queue.end(), [key](const SimCreateRequest& r) { return r.key == key; });
  if (found == queue.end()) return false;
  queue.erase(found);
  return true;
}

}  // namespace orv
