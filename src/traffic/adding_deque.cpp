#include "traffic/adding_deque.h"

namespace orv {

void AddingDeque::setOpen(bool open) {
  std::scoped_lock lock(mutex_);
  open_ = open;
}

bool AddingDeque::open() const {
  std::scoped_lock lock(mutex_);
  return open_;
}

bool AddingDeque::append(const TrafficRecord& record) {
  std::scoped_lock lock(mutex_);
  if (!open_) return false;
  records_.push_back(record);
  return true;
}

std::vector<TrafficRecord> AddingDeque::take(std::size_t count) {
  std::vector<TrafficRecord> taken;
  std::scoped_lock lock(mutex_);
  while (taken.size() < count && !records_.empty()) {
    taken.push_back(std::move(records_.front()));
    records_.pop_front();
  }
  return taken;
}

std::size_t AddingDeque::size() const {
  std::scoped_lock lock(mutex_);
  return records_.size();
}

}  // namespace orv
