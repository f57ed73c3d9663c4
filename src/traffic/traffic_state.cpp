#include "traffic/traffic_state.h"

#include <algorithm>

namespace orv {

template <typename Field>
LiveAircraft* LiveIndex::lf_find(std::vector<LiveAircraft>& list, const Places& places, std::uint32_t value,
                                 Field field) {
  const auto place = places.find(value);
  if (place != places.end() && place->second < list.size() && field(list[place->second]) == value)
    return &list[place->second];
  const bool stale = place != places.end();
  const auto found =
      std::find_if(list.begin(), list.end(), [&](const LiveAircraft& a) { return field(a) == value; });
  if (found != list.end() || stale) lf_rebuild(list);
  return found == list.end() ? nullptr : &*found;
}

LiveAircraft* LiveIndex::byKey(std::vector<LiveAircraft>& list, std::uint32_t key) {
  return lf_find(list, keys_, key, [](const LiveAircraft& a) { return a.key; });
}

LiveAircraft* LiveIndex::byObjectId(std::vector<LiveAircraft>& list, std::uint32_t objectId) {
  if (objectId == 0) return nullptr;
  return lf_find(list, objects_, objectId, [](const LiveAircraft& a) { return a.objectId; });
}

void LiveIndex::lf_rebuild(const std::vector<LiveAircraft>& list) {
  keys_.clear();
  objects_.clear();
  keys_.reserve(list.size());
  objects_.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto place = static_cast<std::uint32_t>(i);
    keys_.emplace(list[i].key, place);
    if (list[i].objectId != 0) objects_.emplace(list[i].objectId, place);
  }
}

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
