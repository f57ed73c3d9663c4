#pragma once

// The park airports: the user's candidate airports ("my_park_airports.txt" in the folder
// "airports", and the stand files of "my_thirdparty"), the choice of the park airport as the user
// aircraft moves, its stand file loaded and its learned file saved when it is left. The list, the
// file and the stands belong to the start-up thread; "SimClient" posts its stand reservation.

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "foundation/fixed_code.h"
#include "foundation/geometry.h"

namespace orv {

class AirportTable;
class TrafficRun;

// The distance of an entry that was not measured yet: farther than any reach.
inline constexpr double kUnmeasuredNm = 10000.0;

// One candidate airport.
struct ParkAirportEntry {
  IcaoCode icao;
  Position position;  // the airports table's reference point
  double distanceNm = kUnmeasuredNm;
  std::string reservedStand;  // the stand the user keeps for the own aircraft; empty for none
};

// The candidates, closest first once measured (unless a destination holds the order).
struct ParkAirportList {
  std::list<ParkAirportEntry> entries;
  std::unordered_set<IcaoCode> codes;  // of the entries, to find doubles
  std::optional<Position> measuredAt;  // the user position of the last full measurement

  [[nodiscard]] ParkAirportEntry* find(const IcaoCode& icao);
  void clear();
};

// A stand reservation of "SimClient", waiting for the start-up thread. Any thread.
class StandReservations {
 public:
  void post(std::string stand);
  [[nodiscard]] std::optional<std::string> take();

 private:
  std::mutex mutex_;
  std::optional<std::string> stand_;
};

// The park-airport side of a run. While it lives, the simulator link finds the stand at the user's
// position among the park airport's stands and posts the user's stand reservation to it.
class ParkAirports {
 public:
  ParkAirports();
  ~ParkAirports();
  ParkAirports(const ParkAirports&) = delete;
  ParkAirports& operator=(const ParkAirports&) = delete;

  ParkAirportList list;
  bool pending = false;      // chosen on the last call: its stand file is read on the next
  bool calculating = false;  // the parking controls wait for the static aircraft to be placed
  // Airports whose stand file failed in this run: not chosen again.
  std::unordered_set<IcaoCode> failed;
  std::shared_ptr<StandReservations> reservations = std::make_shared<StandReservations>();
  std::int64_t shownUpdates = -1;  // the learned updates last shown
};

// --- the list and "my_park_airports.txt"; start-up thread ---

// Reads the file into the list (emptied first), then the airports of "my_thirdparty"; logs what it
// skips and the count. The number of entries.
std::size_t lf_readMyParkAirports(ParkAirportList& list, const AirportTable& table);
// The files of "my_thirdparty" named by a known airport not listed yet become entries.
void lf_addThirdPartyParkAirports(ParkAirportList& list, const AirportTable& table);
// A new entry is appended to the file (created when missing) and the list; an existing one takes
// the stand, in the file too. The file is rewritten whole through a temporary file. False, and
// nothing written, for an unknown airport or a stand holding ',' or a control character.
bool gf_addMyParkAirport(ParkAirportList& list, const AirportTable& table, const IcaoCode& icao,
                         std::string_view stand);
// Refreshes the distances from the user position: all of them, closest first (a stable order), when
// the position moved and no destination holds the order; only the first entry's while the position
// stays.
void lf_updateParkDistances(ParkAirportList& list, Position user, bool destinationSet);

// --- the run's park airport; start-up thread ---

// The periodic choice (first: once when the main cycle starts). True when the park airport's stand
// file was loaded by this call: the static-parking countdown starts again.
bool gf_updateParkAirport(TrafficRun& run, bool first);
// Makes the airport of the table the park airport; false when the table does not know it.
bool gf_setParkAirport(TrafficRun& run, const IcaoCode& icao);
// Loads the park airport's stand file; the error text, empty on success. An airport loaded that is
// not listed yet joins the list and the file.
[[nodiscard]] std::string lf_readParkedFile(TrafficRun& run);
// Removes the static aircraft and the live ones on the ground, then leaves the park airport.
void gf_clearParkAirport(TrafficRun& run);
// Saves the learned file when the stands were in use, gives back the airport's settings and
// forgets the park airport and its stands.
void gf_leaveParkAirport(TrafficRun& run);
// The learned file of the park airport, where its loading will look for it. True when saved.
bool gf_saveLearnedFile(TrafficRun& run);
// Re-reads the file; a changed reservation of the park airport moves to its new stand. True when
// announce asks for the text to be shown.
bool gf_checkReservedStands(TrafficRun& run, bool announce, std::string& text);
// A new destination from the window: listed (and written to the file) when it is not yet, and put
// first, where a destination holds it.
void gf_addParkAirportCmd(TrafficRun& run, const IcaoCode& icao, Position position);
// The stand reservation posted by "SimClient": the first entry, when it is the park airport, keeps
// the stand in the file.
void gf_reserveUserStand(TrafficRun& run, const std::string& stand);
// Carries out what other threads posted. Every cycle, and before the park airport is cleared.
void gf_handleParkAirportRequests(TrafficRun& run);
// The learned parkings since the park airport was loaded, in the statistics band; repainted when
// the number changed.
void gf_showLearnedUpdates(TrafficRun& run);
// The distance in nm from the user aircraft to the first park airport of the list; 10000.0 when
// none is listed.
[[nodiscard]] double gf_nearestParkAirportNm(const TrafficRun& run);

}  // namespace orv
