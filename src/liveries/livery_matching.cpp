#include "liveries/livery_matching.h"

#include <fmt/format.h>

#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/text.h"
#include "refdata/dbase.h"
#include "simlink/flight_plans.h"

namespace orv {
namespace {

constexpr int kPickTries = 5;
constexpr int kLogIndent = 10;
constexpr int kSummaryWidth = 100 - kLogIndent;
constexpr std::string_view kGenericAirline = "ZZZ";
constexpr std::string_view kPrivateAirline = "PVT";

enum class Kind { Live, Static };

// One walk of the ladder for one aircraft.
class Ladder {
 public:
  Ladder(LiveryAircraft& aircraft, std::string_view text, const LiveryMatchSources& sources, Kind kind)
      : a_(aircraft), text_(text), s_(sources), tables_(*sources.tables), kind_(kind) {}

  // True when a title was accepted.
  bool run() {
    const LiveryMatchStep regcodeStep =
        tables_.isUniqueRegcode(a_.registration) ? LiveryMatchStep::UniqueRegcode : LiveryMatchStep::Regcode;
    if (lf_matchByRegcode() && lf_acceptMatch(regcodeStep)) return true;
    const int d = depth();
    if (d < 2) return false;

    const AirlineId generic = gf_airlineId(kGenericAirline);
    const bool privateAirline = gf_airlineCode(a_.airline) == kPrivateAirline;
    if (privateAirline && lf_matchAirlineModel(generic, a_.model) && lf_acceptMatch(LiveryMatchStep::Generic))
      return true;

    const std::optional<AirlineId> r = registrationAirline();
    const bool ownAirline = !gf_airlineCode(a_.airline).empty();
    if (ownAirline && lf_matchAirlineModel(a_.airline, a_.model) &&
        lf_acceptMatch(LiveryMatchStep::AirlineModel))
      return true;
    if (r && lf_matchAirlineModel(*r, a_.model) && lf_acceptMatch(LiveryMatchStep::AirlineModel)) return true;
    if (d < 3) return false;

    if (ownAirline && lf_matchSimilarModel(a_.airline) && lf_acceptMatch(LiveryMatchStep::SimilarModel))
      return true;
    if (r && lf_matchSimilarModel(*r) && lf_acceptMatch(LiveryMatchStep::SimilarModel)) return true;
    const std::optional<LiveryMatchStep> step = lf_matchFallback(d, generic, privateAirline);
    return step && lf_acceptMatch(*step);
  }

 private:
  [[nodiscard]] int depth() const { return s_.depth ? s_.depth() : cfg::MATCHING_DEPTH.value(); }

  [[nodiscard]] bool refused(std::string_view title) const {
    return s_.isFailedTitle ? s_.isFailedTitle(title) : gf_failedLiveries().isFailed(title);
  }

  [[nodiscard]] std::size_t randomIndex(std::size_t n) const {
    return s_.randomIndex ? s_.randomIndex(n) : gf_randomIndex(n);
  }

  [[nodiscard]] ModelClass classOf(ModelId model) const {
    return s_.modelClass ? s_.modelClass(model) : gf_modelClass(model);
  }

  [[nodiscard]] std::optional<AirlineId> registrationAirline() const {
    if (a_.registration.empty()) return std::nullopt;
    if (s_.registrationAirline) return s_.registrationAirline(a_.registration);
    const std::optional<DbaseCodes> record = gf_findDbaseRecord(a_.registration);
    if (!record) return std::nullopt;
    if (!gf_airlineCode(record->operatorId).empty()) return record->operatorId;
    if (!gf_airlineCode(record->airline).empty()) return record->airline;
    return std::nullopt;
  }

  [[nodiscard]] std::vector<ModelId> similarModels(AirlineId airline) const {
    if (s_.similarModels) return s_.similarModels(airline, a_.model);
    return gf_similarModels(gf_airlineModelKey(airline, a_.model));
  }

  [[nodiscard]] std::vector<ModelId> similarModelsOf(ModelId model) const {
    if (s_.similarModelsOf) return s_.similarModelsOf(model);
    return gf_similarModelsOf(model);
  }

  // A title of the list that the simulator has not refused, avoiding special liveries where the
  // list has others. A list whose titles were all refused yields nothing.
  bool lf_pickLiveryTitle(const TitleViews& titles) {
    if (titles.empty()) return false;
    std::string_view pick;
    for (int i = 0; i < kPickTries; ++i) {
      const std::size_t index = titles.size() > 1 ? randomIndex(titles.size()) : 0;
      const std::string_view title = titles[index];
      if (refused(title)) continue;
      pick = title;
      if (!tables_.isSpecialLivery(title)) break;
    }
    if (pick.empty() || tables_.isSpecialLivery(pick)) {
      TitleViews usable;
      for (const std::string_view title : titles)
        if (!refused(title) && !tables_.isSpecialLivery(title)) usable.push_back(title);
      if (usable.empty() && pick.empty())
        for (const std::string_view title : titles)
          if (!refused(title)) usable.push_back(title);
      if (!usable.empty()) pick = usable[randomIndex(usable.size())];
    }
    if (pick.empty()) return false;
    a_.title.assign(pick);
    return true;
  }

  bool lf_findAirlineModelLivery(AirlineId airline, ModelId model, bool cargo) {
    const TitleViews* titles = tables_.airlineModelTitles(airline, model, cargo);
    return titles && lf_pickLiveryTitle(*titles);
  }

  // A cargo aircraft takes a passenger livery of the airline and model when there is no cargo one.
  bool lf_matchAirlineModel(AirlineId airline, ModelId model) {
    if (lf_findAirlineModelLivery(airline, model, a_.cargo)) return true;
    return a_.cargo && lf_findAirlineModelLivery(airline, model, false);
  }

  // Only liveries of the aircraft's own kind.
  bool lf_matchModelOnly(ModelId model) {
    const TitleViews* titles = tables_.modelTitles(model, a_.cargo);
    return titles && lf_pickLiveryTitle(*titles);
  }

  bool lf_matchSimilarModel(AirlineId airline) {
    for (const ModelId model : similarModels(airline)) {
      if (classOf(model) != a_.modelClass) continue;
      if (lf_findAirlineModelLivery(airline, model, a_.cargo)) return true;
      if (a_.cargo && lf_findAirlineModelLivery(airline, model, false)) return true;
    }
    return false;
  }

  bool lf_matchByRegcode() {
    if (a_.registration.empty()) return false;
    a_.title.assign(tables_.regcodeTitle(a_.registration));
    return !a_.title.empty();
  }

  std::optional<LiveryMatchStep> lf_matchFallback(int d, AirlineId generic, bool privateAirline) {
    if (d == 4 && lf_matchAirlineModel(generic, a_.model)) return LiveryMatchStep::Generic;
    const std::vector<ModelId>* classModels = tables_.classModels(a_.modelClass);
    if (!classModels) return std::nullopt;
    if (!privateAirline && lf_matchAirlineModel(generic, a_.model)) return LiveryMatchStep::Generic;
    if (lf_matchModelOnly(a_.model)) return LiveryMatchStep::ModelOnly;
    std::vector<ModelId> candidates = similarModelsOf(a_.model);
    if (!candidates.empty()) {
      if (s_.shuffle)
        s_.shuffle(candidates);
      else
        gf_shuffleIfRandom(candidates);
    } else if (!classModels->empty()) {
      candidates.push_back((*classModels)[randomIndex(classModels->size())]);
    }
    for (const ModelId model : candidates)
      if (lf_matchModelOnly(model)) return LiveryMatchStep::ClassFallback;
    return std::nullopt;
  }

  bool lf_acceptMatch(LiveryMatchStep step) {
    if (refused(a_.title)) {
      a_.title.clear();
      return false;
    }
    if (kind_ == Kind::Live) s_.counters->count(step);
    gf_logLine(fmt::format("          {} ={}= {}", text_, static_cast<int>(step), a_.title));
    if (kind_ == Kind::Live) a_.fsltl = a_.title.find("FSLTL_") != std::string::npos;
    return true;
  }

  LiveryAircraft& a_;
  std::string_view text_;
  const LiveryMatchSources& s_;
  const LiveryTables& tables_;
  Kind kind_;
};

}  // namespace

bool LiveryMatchCounters::allZero() const {
  for (const auto& count : counts_)
    if (count.load() != 0) return false;
  return true;
}

LiveryMatchCounters& gf_liveryMatchCounters() {
  static LiveryMatchCounters counters;
  return counters;
}

void gf_matchLivery(LiveryAircraft& aircraft, std::string_view text, const LiveryMatchSources& sources) {
  aircraft.title.clear();
  if (Ladder(aircraft, text, sources, Kind::Live).run()) return;
  aircraft.title.clear();
  // The summary tells the user which airline and type lack an installed livery.
  gf_failedLiveries().addNoMatch(
      fmt::format("{} {}", gf_airlineCode(aircraft.airline), gf_modelCode(aircraft.model)));
}

bool gf_matchLiveryStatic(LiveryAircraft& aircraft, std::string_view text, std::string_view standName,
                          bool standCargo, const LiveryMatchSources& sources) {
  if (!aircraft.title.empty()) {
    gf_logLine(fmt::format("          {} =s= {}", text, aircraft.title));
    return true;
  }
  aircraft.cargo = standCargo;
  if (Ladder(aircraft, text, sources, Kind::Static).run()) return true;
  aircraft.title.clear();
  gf_logLine(fmt::format("{:8}: {} no livery match ...", standName, text));
  return false;
}

void gf_logLiveryMatchingSummary(const LiveryMatchCounters& counters,
                                 const std::vector<std::string>& couldNotBeCreated) {
  if (counters.allZero()) return;
  gf_logLine(gf_bannerLine(kSummaryWidth, 0, false, false, "live traffic livery matching summary"));
  gf_logLine("Matches at step: ");
  for (std::size_t step = 0; step < kLiveryMatchSteps; ++step)
    gf_logLine(fmt::format("  {}: {}", step, counters.at(step)));
  if (!couldNotBeCreated.empty()) {
    gf_logLine("\nCould not be created");
    for (const std::string& title : couldNotBeCreated) gf_logLine("  " + title);
  }
  gf_logLine(gf_bannerLine(kSummaryWidth, 0, false, false, ""));
}

void gf_logLiveryMatchingSummary() {
  gf_logLiveryMatchingSummary(gf_liveryMatchCounters(), gf_failedLiveries().notCreated());
}

}  // namespace orv
