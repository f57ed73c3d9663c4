#pragma once

// The adding deque: traffic records from the Traffic Reader's thread to the main cycle. Records
// are kept only while the deque is open (from the start of the main cycle until the flight stops
// running or the run closes down). One per run. Any thread.

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "traffic/traffic_record.h"

namespace orv {

// The most records the deque holds. The main cycle takes 2 records per 10 ms cycle, 200 a second,
// and the stream runs 30 s behind the aircraft: a record further back than 30 s of draining
// (6,000 records) would reach the simulator after a newer position of its aircraft has arrived,
// so keeping it only costs memory. A flood beyond it drops the oldest records instead.
inline constexpr std::size_t kAddingDequeBound = 6000;

class AddingDeque {
 public:
  explicit AddingDeque(std::size_t bound = kAddingDequeBound) : bound_(bound) {}

  void setOpen(bool open);
  [[nodiscard]] bool open() const;

  // Appends a copy when the deque is open; false when it was dropped. A full deque drops its
  // oldest record to make room, and counts it.
  bool append(const TrafficRecord& record);

  // Takes up to `count` records from the front, oldest first. Once a burst of drops is over (the
  // deque has drained to half its bound, or is closed) "{} traffic records dropped, the queue was
  // full" is logged once for it.
  [[nodiscard]] std::vector<TrafficRecord> take(std::size_t count);

  [[nodiscard]] std::size_t size() const;
  // Records dropped for a full deque since it was made.
  [[nodiscard]] std::size_t droppedCount() const;

 private:
  mutable std::mutex mutex_;  // the adding mutex: guards both the records and the open flag
  std::deque<TrafficRecord> records_;
  bool open_ = false;
  const std::size_t bound_;
  std::size_t dropped_ = 0;       // in all
  std::size_t burstDropped_ = 0;  // in the current burst, not logged yet
};

}  // namespace orv
