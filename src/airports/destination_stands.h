#pragma once

// The nearest stand of a destination airport, for choosing between two candidate airports of
// arriving traffic. The stand positions of each airport are read once per run (an archived file is
// fetched once at most) and kept, as is the finding that an airport has none. A download that
// failed is tried again after a while: the site may only have been out of reach. One thread.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/geometry.h"
#include "platform/os/clock.h"
#include "refdata/airports_table.h"

namespace orv {

class DestinationStands {
 public:
  // The table that names the archived stand files; the program's when null.
  explicit DestinationStands(const AirportTable* table = nullptr) : table_(table) {}

  // The distance in nm from the position to the airport's nearest stand, its id into standId;
  // 100.0 and standId unchanged when no stand is nearer. The first of equally near stands wins.
  [[nodiscard]] double closestStand(const IcaoCode& icao, Position position, std::string& standId);

  // How often a stand file was read (local or downloaded).
  [[nodiscard]] std::size_t reads() const { return reads_; }

 private:
  struct Spot {
    std::string id;
    Position position;
  };
  struct Reading {
    std::optional<std::vector<Spot>> spots;
    bool downloadFailed = false;
  };
  [[nodiscard]] Reading read(const IcaoCode& icao) const;

  const AirportTable* table_;
  std::unordered_map<IcaoCode, std::optional<std::vector<Spot>>> known_;
  std::unordered_map<IcaoCode, os::SteadyTime> failedDownloads_;
  std::size_t reads_ = 0;
};

// The stand distance for gf_closestAirport over the run's destination stands (kept alive by the
// caller for as long as the function is used).
[[nodiscard]] StandDistance gf_destinationStandDistance(DestinationStands& stands);

}  // namespace orv
