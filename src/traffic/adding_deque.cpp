#include "traffic/adding_deque.h"

#include <deque>
#include <mutex>

namespace orv {
namespace {

struct AddingDeque {
  std::mutex mutex;  // the adding mutex: guards both the records and the open flag
  std::deque<TrafficRecord> records;
  bool open = false;
};

AddingDeque& deque() {
  static AddingDeque instance;
  return instance;
}

}  // namespace

void gf_setAddingOpen(bool open) {
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  d.open = open;
}

bool gf_addingOpen() {
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  return d.open;
}

bool gf_appendTrafficRecord(const TrafficRecord& record) {
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  if (!d.open) return false;
  d.records.push_back(record);
  return true;
}

std::vector<TrafficRecord> gf_takeTrafficRecords(std::size_t count) {
  std::vector<TrafficRecord> taken;
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  while (taken.size() < count && !d.records.empty()) {
    taken.push_back(std::move(d.records.front()));
    d.records.pop_front();
  }
  return taken;
}

std::size_t gf_addingDequeSize() {
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  return d.records.size();
}

void gf_emptyAddingDeque() {
  AddingDeque& d = deque();
  std::scoped_lock lock(d.mutex);
  d.records.clear();
}

}  // namespace orv
