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

class AddingDeque {
 public:
  void setOpen(bool open);
  [[nodiscard]] bool open() const;

  // Appends a copy when the deque is open; false when it was dropped.
  bool append(const TrafficRecord& record);

  // Takes up to `count` records from the front, oldest first.
  [[nodiscard]] std::vector<TrafficRecord> take(std::size_t count);

  [[nodiscard]] std::size_t size() const;

 private:
  mutable std::mutex mutex_;  // the adding mutex: guards both the records and the open flag
  std::deque<TrafficRecord> records_;
  bool open_ = false;
};

}  // namespace orv
