#pragma once

// The adding deque: traffic records from the Traffic Reader's thread to the main cycle. Records
// are kept only while the deque is open (from the start of the main cycle until the flight stops
// running or the run closes down). Any thread.

#include <cstddef>
#include <vector>

#include "traffic/traffic_record.h"

namespace orv {

void gf_setAddingOpen(bool open);
[[nodiscard]] bool gf_addingOpen();

// Appends a copy when the deque is open; false when it was dropped.
bool gf_appendTrafficRecord(const TrafficRecord& record);

// Takes up to `count` records from the front, oldest first.
[[nodiscard]] std::vector<TrafficRecord> gf_takeTrafficRecords(std::size_t count);

[[nodiscard]] std::size_t gf_addingDequeSize();
void gf_emptyAddingDeque();

}  // namespace orv
