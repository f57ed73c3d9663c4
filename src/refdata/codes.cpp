#include "refdata/codes.h"

#include <fmt/format.h>

#include <atomic>
#include <deque>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "foundation/log.h"
#include "foundation/random.h"
#include "refdata/pieces.h"

namespace orv {
namespace {

// A source's share of a table; guarded by the table's lock.
struct TableShare {
  std::size_t limit = 0;
  std::size_t used = 0;
  bool fullReported = false;
};

// One table of codes. The texts sit in a deque, whose elements never move, so that the index
// can key on views of them and gf_...Code can hand out views that outlive the lock. The deque's
// own bookkeeping does move on an append, so every read by id takes the lock as well.
class CodeTable {
 public:
  explicit CodeTable(std::string_view what) : what_(what) {
    // Id 0 is the empty code from the start, whoever asks first.
    codes_.emplace_back();
    index_.emplace(codes_.back(), 0);
  }

  // `share`: a code from a source with a share of the table; a new one is appended only while
  // the share has room, else it gets 0 and the first such code is logged.
  std::uint16_t idOf(std::string_view code, TableShare* share = nullptr) {
    {
      std::scoped_lock lock(mutex_);
      if (const auto found = index_.find(code); found != index_.end()) return found->second;
      if (share && share->used >= share->limit) {
        if (share->fullReported) return 0;
        share->fullReported = true;
      } else if (codes_.size() <= kMaxId) {
        if (share) ++share->used;
        const auto id = static_cast<std::uint16_t>(codes_.size());
        codes_.emplace_back(code);
        index_.emplace(codes_.back(), id);
        return id;
      } else {
        if (fullReported_) return 0;
        fullReported_ = true;
        share = nullptr;
      }
    }
    // Logged outside the table's lock: the log has a lock of its own.
    if (share) {
      gf_logImportant(
          fmt::format("The {} codes of traffic lines fill their share of the table ({} codes): '{}' "
                      "and every later new code of a traffic line gets id 0",
                      what_, share->limit, code));
      return 0;
    }
    gf_logImportant(
        fmt::format("The {} code table is full ({} codes): '{}' and every later new code get id 0", what_,
                    kMaxId + 1, code));
    return 0;
  }

  std::string_view codeOf(std::uint16_t id) const {
    std::scoped_lock lock(mutex_);
    return id < codes_.size() ? std::string_view(codes_[id]) : std::string_view();
  }

  std::size_t size() const {
    std::scoped_lock lock(mutex_);
    return codes_.size();
  }

  // Back to the empty code alone. The texts handed out so far are retired, not freed, so that
  // their views stay valid as promised.
  void clear() {
    std::scoped_lock lock(mutex_);
    retired_.push_back(std::move(codes_));
    codes_ = {};
    index_.clear();
    codes_.emplace_back();
    index_.emplace(codes_.back(), 0);
    fullReported_ = false;
  }

  std::size_t used(const TableShare& share) const {
    std::scoped_lock lock(mutex_);
    return share.used;
  }

  void reset(TableShare& share) {
    std::scoped_lock lock(mutex_);
    share.used = 0;
    share.fullReported = false;
  }

 private:
  static constexpr std::size_t kMaxId = std::numeric_limits<std::uint16_t>::max();

  std::string_view what_;
  mutable std::mutex mutex_;
  std::deque<std::string> codes_;
  std::unordered_map<std::string_view, std::uint16_t> index_;
  bool fullReported_ = false;
  std::vector<std::deque<std::string>> retired_;
};

CodeTable& lf_airlines() {
  static CodeTable table("airline");
  return table;
}

CodeTable& lf_models() {
  static CodeTable table("model");
  return table;
}

TableShare& lf_trafficModelShare() {
  static TableShare share{kTrafficModelShare};
  return share;
}

// Filled by the database reading before other threads start, read-only afterwards.
ReferenceSets& lf_sets() {
  static ReferenceSets sets;
  return sets;
}

using ModelList = std::vector<ModelId>;
// Written once by the livery processing, read on the start-up thread.
std::unordered_map<ModelId, ModelList> similarModelMap;
std::unordered_map<AirlineId, std::unordered_map<ModelId, ModelList>> airlineSimilarModelMap;
const ModelList kNoModels;

// A model id beyond the half-wingspan table was met; logged once.
std::atomic<bool> beyondSpanTableReported{false};

constexpr std::array<std::string_view, kModelClassCount> kClassNames = {"Light", "Buzjets",  "Large",
                                                                        "Heavy", "HighPerf", "Rotorcraft"};

}  // namespace

AirlineId gf_airlineId(std::string_view code) {
  return lf_airlines().idOf(code);
}
ModelId gf_modelId(std::string_view code) {
  return lf_models().idOf(code);
}
ModelId gf_trafficModelId(std::string_view code) {
  return lf_models().idOf(code, &lf_trafficModelShare());
}
std::size_t gf_trafficModelCodeCount() {
  return lf_models().used(lf_trafficModelShare());
}
void gf_resetTrafficModelShare() {
  lf_models().reset(lf_trafficModelShare());
}
std::string_view gf_airlineCode(AirlineId id) {
  return lf_airlines().codeOf(id);
}
std::string_view gf_modelCode(ModelId id) {
  return lf_models().codeOf(id);
}
std::size_t gf_airlineCodeCount() {
  return lf_airlines().size();
}
std::size_t gf_modelCodeCount() {
  return lf_models().size();
}

std::string_view gf_modelClassName(ModelClass modelClass) {
  const auto index = static_cast<std::size_t>(modelClass);
  if (index >= kClassNames.size()) throw std::out_of_range(fmt::format("no model class {}", index));
  return kClassNames[index];
}

void gf_installReferenceSets(ReferenceSets sets) {
  lf_sets() = std::move(sets);
}

void gf_clearReferenceTables() {
  lf_airlines().clear();
  lf_models().clear();
  lf_sets() = ReferenceSets{};
  similarModelMap.clear();
  airlineSimilarModelMap.clear();
  beyondSpanTableReported = false;
}

bool gf_isKnownAirline(std::string_view code) {
  return !code.empty() && lf_sets().icaoAirlines.contains(code);
}
bool gf_isKnownModel(std::string_view code) {
  return !code.empty() && lf_sets().aircrafts.contains(code);
}

ModelClass gf_modelClass(ModelId model) {
  const ModelClassSets& classes = lf_sets().classes;
  if (classes.large.contains(model)) return ModelClass::Large;
  if (classes.heavy.contains(model)) return ModelClass::Heavy;
  if (classes.buzjet.contains(model)) return ModelClass::Buzjet;
  if (classes.rotorcraft.contains(model)) return ModelClass::Rotorcraft;
  if (classes.highPerformance.contains(model)) return ModelClass::HighPerformance;
  return ModelClass::Light;
}

ModelClass gf_modelClassOf(std::string_view code) {
  return gf_modelClass(gf_modelId(code));
}

double gf_halfWingspan(ModelId model) {
  if (model < kHalfWingspanSlots) return lf_sets().halfWingspans[model];
  // The model table outgrows the span table in a long process; a span is asked for every aircraft
  // and stand check, so the log hears of it once, and the model counts as one without a span.
  if (!beyondSpanTableReported.exchange(true)) {
    gf_logLine(fmt::format("hwsp: {} what: {}", model, "invalid array<T, N> subscript"));
    gf_flushLog();
  }
  return 0.0;
}

double gf_largestHalfWingspan() {
  return lf_sets().largestHalfWingspan;
}

const std::vector<std::vector<std::string>>& gf_similarTypeLists() {
  return lf_sets().similarTypes;
}

void gf_buildSimilarModels(const LiveryQueries& liveries) {
  // Definition texts "M,X,Y": a member followed by the other members of its list, once with all
  // of them and once with those that have liveries. Sorted sets: the first text wins below.
  std::set<std::string> allDefinitions;
  std::set<std::string> liveryDefinitions;
  for (const auto& list : gf_similarTypeLists()) {
    for (std::size_t m = 0; m < list.size(); ++m) {
      std::string all = list[m];
      std::string withLiveries = list[m];
      for (std::size_t x = 0; x < list.size(); ++x) {
        if (x == m) continue;
        all += ',' + list[x];
        if (liveries.hasAnyLivery && liveries.hasAnyLivery(gf_modelId(list[x])))
          withLiveries += ',' + list[x];
      }
      if (all.find(',') != std::string::npos) allDefinitions.insert(std::move(all));
      if (withLiveries.find(',') != std::string::npos) liveryDefinitions.insert(std::move(withLiveries));
    }
  }
  // Every code of every similar list gets its id here.
  for (const auto& text : allDefinitions)
    for (const auto& piece : gf_splitAtEveryComma(text)) (void)gf_modelId(piece);

  similarModelMap.clear();
  for (const auto& text : liveryDefinitions) {
    const auto pieces = gf_splitAtEveryComma(text);
    ModelList alike;
    for (std::size_t i = 1; i < pieces.size(); ++i) alike.push_back(gf_modelId(pieces[i]));
    similarModelMap.try_emplace(gf_modelId(pieces.front()), std::move(alike));
  }

  airlineSimilarModelMap.clear();
  const std::set<AirlineId> airlines(liveries.airlinesWithLiveries.begin(),
                                     liveries.airlinesWithLiveries.end());
  for (const AirlineId airline : airlines) {
    std::unordered_map<ModelId, ModelList> inner;
    for (const auto& [model, alike] : similarModelMap) {
      if (liveries.hasLiveryFor(airline, model)) continue;
      ModelList owned;
      for (const ModelId candidate : alike)
        if (liveries.hasLiveryFor(airline, candidate)) owned.push_back(candidate);
      if (!owned.empty()) inner.emplace(model, std::move(owned));
    }
    if (!inner.empty()) airlineSimilarModelMap.emplace(airline, std::move(inner));
  }
  gf_logLine(fmt::format("{:5} similar model definitions", similarModelMap.size()));
  gf_flushLog();
}

const std::vector<ModelId>& gf_similarModels(std::uint32_t airlineModelKey) {
  const auto airline = airlineSimilarModelMap.find(static_cast<AirlineId>(airlineModelKey & 0xFFFF));
  if (airline == airlineSimilarModelMap.end()) return kNoModels;
  const auto model = airline->second.find(static_cast<ModelId>(airlineModelKey >> 16));
  if (model == airline->second.end()) return kNoModels;
  gf_shuffleIfRandom(model->second);
  return model->second;
}

const std::vector<ModelId>& gf_similarModelsOf(ModelId model) {
  const auto found = similarModelMap.find(model);
  return found == similarModelMap.end() ? kNoModels : found->second;
}

}  // namespace orv
