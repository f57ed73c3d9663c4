#include "airports/destination_stands.h"

#include <algorithm>
#include <pugixml.hpp>

#include "airports/park_loading.h"

namespace orv {

namespace fs = std::filesystem;

namespace {
// How long a failed download of an airport's stand file stands before it is tried again.
constexpr std::chrono::minutes kDownloadRetry{10};
}  // namespace

DestinationStands::Reading DestinationStands::read(const IcaoCode& icao) const {
  const AirportTable& table = table_ != nullptr ? *table_ : gf_airportTable();
  const std::string name = gf_resolveAirportFile(icao.view(), table);
  if (name.empty()) return {};
  fs::path path;
  const fs::path downloaded{"airport.xml"};
  bool remove = false;
  if (name.starts_with("airports")) {
    std::string local = name;
    std::replace(local.begin(), local.end(), '\\', '/');
    path = local;
  } else {
    if (!lf_downloadArchivedFile(name, downloaded).empty())
      return {.spots = std::nullopt, .downloadFailed = true};
    path = downloaded;
    remove = true;
  }
  pugi::xml_document document;
  const bool loaded = static_cast<bool>(document.load_file(path.c_str()));
  if (remove && fs::exists(downloaded)) fs::remove(downloaded);
  if (!loaded) return {};
  pugi::xml_node parkpositions = document.child("root").child("parkpositions");
  if (!parkpositions) parkpositions = document.child("parkpositions");
  if (!parkpositions) return {};
  std::vector<Spot> spots;
  for (const pugi::xml_node parkpos : parkpositions.children("parkpos"))
    spots.push_back(
        {parkpos.attribute("id").value(),
         {parkpos.attribute("latitude").as_double(0.0), parkpos.attribute("longitude").as_double(0.0)}});
  return {.spots = std::move(spots), .downloadFailed = false};
}

double DestinationStands::closestStand(const IcaoCode& icao, Position position, std::string& standId) {
  constexpr double kNone = 100.0;
  auto found = known_.find(icao);
  if (found == known_.end()) {
    const os::SteadyTime now = os::clock().now();
    if (const auto failed = failedDownloads_.find(icao);
        failed != failedDownloads_.end() && now - failed->second < kDownloadRetry)
      return kNone;
    ++reads_;
    Reading reading;
    try {
      reading = read(icao);
    } catch (const std::exception&) {
      reading = {};  // a file-system failure counts as no stands
    }
    if (reading.downloadFailed) {
      failedDownloads_[icao] = now;
      return kNone;
    }
    failedDownloads_.erase(icao);
    found = known_.emplace(icao, std::move(reading.spots)).first;
  }
  double best = kNone;
  if (!found->second) return best;
  for (const Spot& spot : *found->second) {
    const double distance = gf_distanceNm(position, spot.position);
    if (distance < best) {
      best = distance;
      standId = spot.id;
    }
  }
  return best;
}

StandDistance gf_destinationStandDistance(DestinationStands& stands) {
  return [&stands](const IcaoCode& icao, Position position, std::string& standId) {
    return stands.closestStand(icao, position, standId);
  };
}

}  // namespace orv
