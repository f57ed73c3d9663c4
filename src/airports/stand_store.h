#pragma once

// The park airport's stands. The vector belongs to the start-up thread; other threads (the
// nearest-stand look-up of "SimClient") read the snapshot that the owner publishes after a load.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "airports/stand_records.h"
#include "foundation/geometry.h"

namespace orv {

// Start-up thread only.
[[nodiscard]] std::vector<Stand>& gf_parkStands();

// The stand numbered n; null for a number no stand has. The second looks among the park airport's
// stands (start-up thread only).
[[nodiscard]] Stand* gf_standByNumber(std::vector<Stand>& stands, std::uint32_t number);
[[nodiscard]] Stand* gf_standByNumber(std::uint32_t number);

// Numbers the stands 1..n in vector order: the stand id of aircraft and neighbour lists is that
// number, found by index.
void gf_numberStands(std::vector<Stand>& stands);

struct StandSpot {
  std::uint32_t number = 0;
  std::string id;
  Position position;
};
using StandSnapshot = std::vector<StandSpot>;

// Replaces the snapshot with the ids and positions of the park airport's stands. Start-up thread.
void gf_publishStands();

// The snapshot last published; never null (empty before the first load and after a clear).
// Any thread; the snapshot itself never changes.
[[nodiscard]] std::shared_ptr<const StandSnapshot> gf_standSnapshot();

// Destroys every stand and empties the snapshot. Start-up thread.
void gf_clearStands();

// The id text of stand number n (1..n); empty for any other number. Any thread.
[[nodiscard]] std::string gf_standName(std::uint32_t standNumber);

}  // namespace orv
