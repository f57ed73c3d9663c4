#pragma once

// The flight plans that AI aircraft with origin and destination fly, their folder, and the
// liveries that the simulator could not create. Start-up thread; the failed-livery lists are
// locked, so the livery matching may read them from any thread.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "refdata/codes.h"

namespace orv {

// Creates "orig_dest" in the program's folder and keeps its absolute path; an error is logged
// and leaves no folder, so that no plans are written.
void gf_createFlightPlanFolder();
// Removes the folder with every plan in it; an error is logged.
void gf_removeFlightPlanFolder();
// The folder of this run's flight plans; empty while there is none.
[[nodiscard]] std::filesystem::path gf_flightPlanFolder();
// The plan of an object: "{}.pln" of the object id in the folder, so no network text enters a
// path; empty while there is no folder.
[[nodiscard]] std::filesystem::path gf_flightPlanPath(std::uint32_t objectId);
// Writes the plan: IFR for business jets, large and heavy aircraft, else VFR; the codes as three
// characters each, a code that is empty or starts with a zero byte as three blanks. True only when
// every byte was written and the file closed; a partial file is removed.
[[nodiscard]] bool gf_writeFlightPlan(const std::filesystem::path& path, ModelClass modelClass,
                                      std::string_view origin, std::string_view destination);
// Removes a plan written before; a missing file is no error. The system's error otherwise.
std::error_code gf_deleteFlightPlan(const std::filesystem::path& path);

inline constexpr std::size_t kFailedLiveryLimit = 20;
inline constexpr std::size_t kNoMatchLimit = 1000;

// The liveries the simulator refused: their titles, which the matching never chooses again, the
// "model airline" texts of the aircraft concerned, and the aircraft no livery matched. Any thread.
class FailedLiveries {
 public:
  // Adds the title and the codes; true when the set has reached the limit.
  bool add(std::string_view title, std::string_view modelCode, std::string_view airlineCode);
  [[nodiscard]] bool isFailed(std::string_view title) const;
  [[nodiscard]] std::size_t failedCount() const;
  // Sorted, each text once.
  [[nodiscard]] std::vector<std::string> notCreated() const;
  // An aircraft no livery matched; each text once, in the order met. Traffic lines may bring any
  // number of codes, so the list keeps the first kNoMatchLimit texts and counts the rest.
  void addNoMatch(std::string text);
  [[nodiscard]] std::vector<std::string> noMatch() const;
  [[nodiscard]] std::size_t noMatchLeftOut() const;
  // Everything forgotten; only a test that reported a failure needs it.
  void clear();

 private:
  mutable std::mutex mutex_;
  std::unordered_set<std::string> titles_;
  std::set<std::string> notCreated_;
  std::vector<std::string> noMatch_;
  std::unordered_set<std::string> noMatchSeen_;
  std::size_t noMatchLeftOut_ = 0;
};

// The program's lists; they live for the process, so a refused livery stays refused.
[[nodiscard]] FailedLiveries& gf_failedLiveries();

// The simulator could not create the aircraft's livery (live or static): unless the run stops,
// the message line shows "{} '{}' could not be created by your Sim!"; the title and the codes are
// remembered; at the 20th distinct title the log gets "Error 81" and UserErrorException 81 ends
// the run.
void gf_liveryNotCreated(std::string_view callsign, std::string_view title, ModelId model, AirlineId airline,
                         FailedLiveries& lists = gf_failedLiveries());
// "No match found for:", each entry, "... and {} more" when texts were left out, an empty line;
// nothing while the list is empty.
void gf_logNoMatchList(const FailedLiveries& lists = gf_failedLiveries());

}  // namespace orv
