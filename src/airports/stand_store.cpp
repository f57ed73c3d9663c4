#include "airports/stand_store.h"

#include <algorithm>
#include <mutex>

namespace orv {
namespace {

struct PublishedStands {
  std::mutex mutex;
  std::shared_ptr<const StandSnapshot> snapshot = std::make_shared<const StandSnapshot>();
};

PublishedStands& published() {
  static PublishedStands state;
  return state;
}

void lf_publish(std::shared_ptr<const StandSnapshot> snapshot) {
  PublishedStands& state = published();
  std::scoped_lock lock(state.mutex);
  state.snapshot = std::move(snapshot);
}

}  // namespace

std::vector<Stand>& gf_parkStands() {
  static std::vector<Stand> stands;
  return stands;
}

void gf_numberStands(std::vector<Stand>& stands) {
  std::uint32_t number = 0;
  for (Stand& stand : stands) stand.number = ++number;
}

void gf_publishStands() {
  auto snapshot = std::make_shared<StandSnapshot>();
  const std::vector<Stand>& stands = gf_parkStands();
  snapshot->reserve(stands.size());
  std::uint32_t number = 0;
  for (const Stand& stand : stands)
    snapshot->push_back({++number, stand.id, {stand.latitude, stand.longitude}});
  lf_publish(std::move(snapshot));
}

std::shared_ptr<const StandSnapshot> gf_standSnapshot() {
  PublishedStands& state = published();
  std::scoped_lock lock(state.mutex);
  return state.snapshot;
}

void gf_clearStands() {
  std::vector<Stand>().swap(gf_parkStands());
  lf_publish(std::make_shared<const StandSnapshot>());
}

Stand* gf_standByNumber(std::vector<Stand>& stands, std::uint32_t number) {
  // Numbered 1..n in vector order; the search also holds for a vector not numbered densely.
  if (number >= 1 && number <= stands.size() && stands[number - 1].number == number)
    return &stands[number - 1];
  const auto found = std::lower_bound(stands.begin(), stands.end(), number,
                                      [](const Stand& s, std::uint32_t n) { return s.number < n; });
  return found != stands.end() && found->number == number ? &*found : nullptr;
}

Stand* gf_standByNumber(std::uint32_t number) {
  return gf_standByNumber(gf_parkStands(), number);
}

std::string gf_standName(std::uint32_t standNumber) {
  const auto snapshot = gf_standSnapshot();
  if (standNumber == 0 || standNumber > snapshot->size()) return {};
  return (*snapshot)[standNumber - 1].id;
}

}  // namespace orv
