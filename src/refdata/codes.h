#pragma once

// Airline and model codes as small numbers, the classes of models, half wingspans and the
// similar models that the livery matching falls back on. The code tables grow for the whole
// process and are safe from any thread; the sets and maps beside them are filled at start-up
// (the database reading, the livery processing) and only read afterwards.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

using AirlineId = std::uint16_t;
using ModelId = std::uint16_t;

// The id of a code; a code met for the first time is appended. Texts are taken as they are (no
// trimming or case folding); the empty text is 0. When a table holds 65536 codes it is full: a
// new code then gets 0 and the log says so once. Any thread.
[[nodiscard]] AirlineId gf_airlineId(std::string_view code);
[[nodiscard]] ModelId gf_modelId(std::string_view code);

// The model id of a code met in a traffic line. Any host of the network may send traffic lines,
// so their new codes fill at most kTrafficModelShare entries of the model table per process and
// cannot crowd out the codes of the database and the liveries: beyond it a new code gets 0 and
// the log says so once. A code already in the table keeps its id. Any thread.
inline constexpr std::size_t kTrafficModelShare = 4096;
[[nodiscard]] ModelId gf_trafficModelId(std::string_view code);
// New codes entered by gf_trafficModelId so far.
[[nodiscard]] std::size_t gf_trafficModelCodeCount();
// Empties the share again (the codes stay), and reports a full share again. For tests.
void gf_resetTrafficModelShare();

// The code of an id: a view of stored text that stays valid for the rest of the process; empty
// for an id beyond the table. Any thread.
[[nodiscard]] std::string_view gf_airlineCode(AirlineId id);
[[nodiscard]] std::string_view gf_modelCode(ModelId id);

[[nodiscard]] std::size_t gf_airlineCodeCount();
[[nodiscard]] std::size_t gf_modelCodeCount();

enum class ModelClass : std::uint8_t {
  Light = 0,  // in none of the class sets
  Buzjet = 1,
  Large = 2,
  Heavy = 3,
  HighPerformance = 4,
  Rotorcraft = 5,
};
inline constexpr std::size_t kModelClassCount = 6;

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"; std::out_of_range beyond them.
[[nodiscard]] std::string_view gf_modelClassName(ModelClass modelClass);

inline constexpr std::size_t kHalfWingspanSlots = 2700;

struct ModelClassSets {
  std::set<ModelId> heavy;
  std::set<ModelId> large;
  std::set<ModelId> buzjet;
  std::set<ModelId> highPerformance;
  std::set<ModelId> rotorcraft;
};

// What the aircraft database gives the code tables besides the ids.
struct ReferenceSets {
  std::set<std::string, std::less<>> aircrafts;     // every valid model code
  std::set<std::string, std::less<>> icaoAirlines;  // every valid airline code
  ModelClassSets classes;
  std::array<double, kHalfWingspanSlots> halfWingspans{};  // nautical miles by ModelId; 0 unknown
  double largestHalfWingspan = 0.0;
  std::vector<std::vector<std::string>> similarTypes;  // each list sorted
};

// Stores the sets once the database is read (start-up thread, before any other thread reads).
void gf_installReferenceSets(ReferenceSets sets);

// The tables as a fresh process has them: the code tables hold the empty code alone, the sets and
// the similar-model maps are empty; views of codes handed out before stay valid. The tables live
// for the whole process and the program never clears them; this is for a test that reads the
// database anew. While no other thread uses the tables.
void gf_clearReferenceTables();

[[nodiscard]] bool gf_isKnownAirline(std::string_view code);
[[nodiscard]] bool gf_isKnownModel(std::string_view code);

// Class membership is tested in the order large, heavy, buzjet, rotorcraft, high_performance:
// a model listed in several sections takes the first of them.
[[nodiscard]] ModelClass gf_modelClass(ModelId model);
// Enters a new code in the model table.
[[nodiscard]] ModelClass gf_modelClassOf(std::string_view code);

// Half the wingspan in nautical miles, 0.0 when not known. An id beyond the table has no entry
// either (0.0); the first such id of the process is logged.
[[nodiscard]] double gf_halfWingspan(ModelId model);
[[nodiscard]] double gf_largestHalfWingspan();

[[nodiscard]] const std::vector<std::vector<std::string>>& gf_similarTypeLists();

// What the similar-model maps need to know of the livery tables.
struct LiveryQueries {
  std::function<bool(ModelId)> hasAnyLivery;             // some livery of the model is installed
  std::vector<AirlineId> airlinesWithLiveries;           // the airlines of the master livery table
  std::function<bool(AirlineId, ModelId)> hasLiveryFor;  // the airline has a livery of the model
};

// Builds the similar-model map (a model to its alike models that have liveries) and, per airline,
// the models it lacks to the alike models it has. Called by the livery processing once its tables
// are built; start-up thread.
void gf_buildSimilarModels(const LiveryQueries& liveries);

// The airline and model packed as the look-up key: the airline in the low 16 bits.
[[nodiscard]] constexpr std::uint32_t gf_airlineModelKey(AirlineId airline, ModelId model) {
  return static_cast<std::uint32_t>(airline) | (static_cast<std::uint32_t>(model) << 16);
}

// The alike models of which the airline has liveries, for a model of which it has none; shuffled
// in place first when the option RANDOM is on. Empty when there are none. Start-up thread only.
[[nodiscard]] const std::vector<ModelId>& gf_similarModels(std::uint32_t airlineModelKey);

// The alike models with liveries of any airline, from the similar-model map.
[[nodiscard]] const std::vector<ModelId>& gf_similarModelsOf(ModelId model);

}  // namespace orv
