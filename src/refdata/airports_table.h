#pragma once

// The airports table: every airport the program knows, from the enciphered "input/airports.enc".
// Read by the start-up thread before other threads use it; read-only afterwards, from any thread.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/fixed_code.h"
#include "foundation/geometry.h"

namespace orv {

struct AirportRecord {
  IcaoCode icao;
  IataCode iata;  // XXX when the airport has none
  double lat = 0.0;
  double lon = 0.0;
  float alt = 0.0F;
  std::int32_t stands = 0;
};

// The distance in nautical miles from a position to the nearest stand of an airport, and that
// stand's id (left as it is when none is found). The stand files are not the table's business:
// the caller hands this in.
using StandDistance = std::function<double(const IcaoCode& icao, Position position, std::string& standId)>;

// Answers 100.0 and no stand: what is known before the stand files of destinations are read.
[[nodiscard]] double gf_noStandDistance(const IcaoCode& icao, Position position, std::string& standId);

class AirportTable {
 public:
  // The room kept for the table while reading.
  static constexpr std::size_t kReserved = 15000;

  // Decrypts the enciphered file to the plain one beside it, reads it and removes the plain file.
  // Only the first successful call reads; later calls answer from the table. True when it holds
  // an airport. Every failure after the decryption throws UserErrorException 88 with the failure's
  // text and leaves the table unread.
  [[nodiscard]] bool read(const std::filesystem::path& enciphered, const std::filesystem::path& plain);

  // A table of the given records in ICAO order (records of one code keep their order).
  [[nodiscard]] static AirportTable fromRecords(std::vector<AirportRecord> records);

  [[nodiscard]] const std::vector<AirportRecord>& records() const { return records_; }
  [[nodiscard]] bool isKnown(const IcaoCode& icao) const { return index_.contains(icao); }
  // The first record of the code.
  [[nodiscard]] const AirportRecord* find(std::string_view icao) const;
  // The airport named by the first 4 characters of the text, any letter case.
  [[nodiscard]] std::optional<IcaoCode> findByPrefix(std::string_view text) const;
  // The first airport whose code stands between two '-' in the name, ASCII letters in any case.
  [[nodiscard]] std::optional<IcaoCode> findInName(const std::filesystem::path& name) const;

  // The nearest airport within 5.0 nm. When another airport lies within 5.0 nm as well, the
  // nearest of those is its neighbour, and the neighbour wins when its nearest stand is strictly
  // nearer to the position than the closest airport's. Ties keep table order. The neighbour is the
  // second nearest, not the last airport the nearest displaced while walking the table: that one
  // depends on the alphabetical order of the codes, and would miss a neighbour whose code sorts
  // after the nearest airport's, however close its stands.
  [[nodiscard]] const AirportRecord* closest(Position position, const StandDistance& standDistance) const;

 private:
  void install(std::vector<AirportRecord> records);

  std::vector<AirportRecord> records_;
  std::unordered_set<IcaoCode> index_;
  bool read_ = false;
};

// The program's table, read-only to everyone but gf_readAirports. Any thread once read.
[[nodiscard]] const AirportTable& gf_airportTable();

// Reads "input/airports.enc" into the program's table (only the first time in the process).
[[nodiscard]] bool gf_readAirports();

[[nodiscard]] bool gf_isKnownAirport(const IcaoCode& icao);
[[nodiscard]] std::optional<IcaoCode> gf_findAirportByPrefix(std::string_view text);
// The name is a package or folder path (UTF-8 on this system).
[[nodiscard]] std::optional<IcaoCode> gf_findAirportW(const std::filesystem::path& name);
// "EGLL (LHR)", or "EGLL" for an airport without IATA code.
[[nodiscard]] std::string gf_airportLabel(const AirportRecord& airport);
[[nodiscard]] std::optional<std::reference_wrapper<const AirportRecord>> gf_closestAirport(
    Position position, const StandDistance& standDistance = gf_noStandDistance);
// The position of the first airport of the code.
[[nodiscard]] std::optional<Position> gf_airportPosition(std::string_view icao);

}  // namespace orv
