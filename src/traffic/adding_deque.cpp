#include "traffic/adding_deque.h"

#include <fmt/format.h>

#include <utility>

#include "foundation/log.h"

namespace orv {
namespace {

void lf_logDropped(std::size_t count) {
  if (count > 0) gf_logLine(fmt::format("{} traffic records dropped, the queue was full", count));
}

}  // namespace

void AddingDeque::setOpen(bool open) {
  std::size_t burstOver = 0;
  {
    std::scoped_lock lock(mutex_);
    open_ = open;
    if (!open) std::swap(burstOver, burstDropped_);  // the cycle may take no more
  }
  lf_logDropped(burstOver);
}

bool AddingDeque::open() const {
  std::scoped_lock lock(mutex_);
  return open_;
}

bool AddingDeque::append(const TrafficRecord& record) {
  std::scoped_lock lock(mutex_);
  if (!open_) return false;
  if (bound_ == 0) {
    ++dropped_;
    ++burstDropped_;
    return false;
  }
  while (records_.size() >= bound_) {
    records_.pop_front();
    ++dropped_;
    ++burstDropped_;
  }
  records_.push_back(record);
  return true;
}

std::vector<TrafficRecord> AddingDeque::take(std::size_t count) {
  std::vector<TrafficRecord> taken;
  std::size_t burstOver = 0;
  {
    std::scoped_lock lock(mutex_);
    // A burst is over once the deque has drained to half: a flood just above the drain rate keeps
    // it near full, and must not end (and log) a burst at every cycle.
    if (burstDropped_ > 0 && records_.size() <= bound_ / 2) {
      burstOver = burstDropped_;
      burstDropped_ = 0;
    }
    while (taken.size() < count && !records_.empty()) {
      taken.push_back(std::move(records_.front()));
      records_.pop_front();
    }
  }
  lf_logDropped(burstOver);
  return taken;
}

std::size_t AddingDeque::size() const {
  std::scoped_lock lock(mutex_);
  return records_.size();
}

std::size_t AddingDeque::droppedCount() const {
  std::scoped_lock lock(mutex_);
  return dropped_;
}

}  // namespace orv
