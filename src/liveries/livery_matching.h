#pragma once

// Choosing the livery title of an aircraft: a ladder of steps from its exact registration to any
// livery of a similar type, stopping at the first title the simulator has not refused. Live
// aircraft count the step that matched; `gf_logLiveryMatchingSummary` writes the counts.
// Start-up thread only, except the counters, which any thread may read.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_tables.h"
#include "refdata/codes.h"

namespace orv {

// The steps of the ladder, as counted and logged.
enum class LiveryMatchStep : std::uint8_t {
  UniqueRegcode = 0,  // the registration is bound to exactly this livery
  Regcode = 1,
  AirlineModel = 2,   // the aircraft's airline, or the one the database gives its registration
  SimilarModel = 3,   // the airline with a similar model of the same class
  Generic = 4,        // airline "ZZZ" with the model
  ModelOnly = 5,      // the model of any airline
  ClassFallback = 6,  // a similar model, or a model of the class, of any airline
};
inline constexpr std::size_t kLiveryMatchSteps = 7;

// How often each step matched a live aircraft; they only grow. Any thread.
class LiveryMatchCounters {
 public:
  void count(LiveryMatchStep step) { counts_[static_cast<std::size_t>(step)].fetch_add(1); }
  [[nodiscard]] std::int32_t at(std::size_t step) const { return counts_.at(step).load(); }
  [[nodiscard]] bool allZero() const;

 private:
  std::array<std::atomic<std::int32_t>, kLiveryMatchSteps> counts_{};
};

[[nodiscard]] LiveryMatchCounters& gf_liveryMatchCounters();

// What the matching reads besides the tables. Every member has the program's own default.
struct LiveryMatchSources {
  const LiveryTables* tables = &gf_liveryTables();
  LiveryMatchCounters* counters = &gf_liveryMatchCounters();
  // Titles the simulator refused to create; empty: the ones refused in this process.
  std::function<bool(std::string_view)> isFailedTitle;
  // MATCHING_DEPTH, 1 to 4; empty: the setting.
  std::function<int()> depth;
  // The airline the database gives a registration: its operator when that is a code, else its
  // airline; empty: the aircraft database.
  std::function<std::optional<AirlineId>(std::string_view)> registrationAirline;
  // The alike models with liveries of the airline (gf_similarModels); empty: the code tables'.
  std::function<std::vector<ModelId>(AirlineId, ModelId)> similarModels;
  // The alike models with liveries of any airline (gf_similarModelsOf); empty: the code tables'.
  std::function<std::vector<ModelId>(ModelId)> similarModelsOf;
  // Empty: the aircraft database's classes.
  std::function<ModelClass(ModelId)> modelClass;
  // An index below n, 0 when RANDOM is off; and a shuffle of the candidates when it is on.
  // Empty: the program's random choices.
  std::function<std::size_t(std::size_t)> randomIndex;
  std::function<void(std::vector<ModelId>&)> shuffle;
};

// The parts of an aircraft that the matching reads and sets.
struct LiveryAircraft {
  AirlineId airline = 0;
  ModelId model = 0;
  std::string registration;
  ModelClass modelClass = ModelClass::Large;
  bool cargo = false;
  std::string title;   // set by the matching (owned, so that a rebuild of the tables never dangles)
  bool fsltl = false;  // the title holds "FSLTL_"
};

// A live aircraft: on return its title is set, or empty when no step matched; then its airline
// and model codes ("{} {}") join the no-match list of the failed liveries. `text` is the
// aircraft's text in the log lines.
void gf_matchLivery(LiveryAircraft& aircraft, std::string_view text, const LiveryMatchSources& sources = {});

// A static aircraft at a stand: the stand's cargo flag becomes the aircraft's first; a title set
// before stays. No counting, the FSLTL flag untouched. True when a title is set; otherwise the
// log says "{:8}: {} no livery match ..." with the stand's name.
[[nodiscard]] bool gf_matchLiveryStatic(LiveryAircraft& aircraft, std::string_view text,
                                        std::string_view standName, bool standCargo,
                                        const LiveryMatchSources& sources = {});

// The same for an aircraft head (live and static aircraft): its airline, model, registration,
// class and cargo flag in; title, FSLTL and cargo flags out.
template <class Head>
[[nodiscard]] LiveryAircraft gf_liveryAircraftOf(const Head& head) {
  return LiveryAircraft{.airline = head.airline,
                        .model = head.model,
                        .registration = head.registration,
                        .modelClass = head.modelClass,
                        .cargo = head.cargo,
                        .title = head.liveryTitle,
                        .fsltl = head.fsltl};
}
template <class Head>
void gf_matchLivery(Head& head, std::string_view text, const LiveryMatchSources& sources = {}) {
  LiveryAircraft aircraft = gf_liveryAircraftOf(head);
  gf_matchLivery(aircraft, text, sources);
  head.liveryTitle = std::move(aircraft.title);
  head.fsltl = aircraft.fsltl;
}
template <class Head>
[[nodiscard]] bool gf_matchLiveryStatic(Head& head, std::string_view text, std::string_view standName,
                                        bool standCargo, const LiveryMatchSources& sources = {}) {
  LiveryAircraft aircraft = gf_liveryAircraftOf(head);
  const bool matched = gf_matchLiveryStatic(aircraft, text, standName, standCargo, sources);
  head.cargo = aircraft.cargo;
  head.liveryTitle = std::move(aircraft.title);
  return matched;
}

// Writes the counts straight to the log when any is above 0: a banner with the title "live
// traffic livery matching summary", "Matches at step: ", "  0: n" to "  6: n", and the titles the
// simulator could not create when there are any.
void gf_logLiveryMatchingSummary(const LiveryMatchCounters& counters,
                                 const std::vector<std::string>& couldNotBeCreated);
// The program's counters and the aircraft whose livery the simulator could not create.
void gf_logLiveryMatchingSummary();

}  // namespace orv
