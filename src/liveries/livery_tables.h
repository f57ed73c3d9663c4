#pragma once

// The livery tables: every installed livery title by airline and model, the passenger and cargo
// maps that the matching searches, the registration codes bound to titles, and the light,
// business-jet and rotorcraft model lists. Built from the livery list at a start, kept for the
// later starts of the process, and emptied only on the start-up thread when a clear was asked
// for. Start-up thread only, except `requestClear`.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "liveries/livery_record.h"
#include "refdata/codes.h"

namespace orv {

// One title as the master table owns it. The text sits in a buffer of its own, so that moving
// an entry (a vector growing, a map rehashing) never moves the bytes other tables view.
class TitleEntry {
 public:
  TitleEntry(std::string_view text, bool cargo);
  [[nodiscard]] std::string_view view() const { return {text_.get(), size_}; }
  [[nodiscard]] bool cargo() const { return cargo_; }

 private:
  std::unique_ptr<char[]> text_;
  std::size_t size_;
  bool cargo_;
};

// Views of titles of the master table; valid until the tables are emptied.
using TitleViews = std::vector<std::string_view>;
using ModelTitleViews = std::unordered_map<ModelId, TitleViews>;
using AirlineModelTitleViews = std::unordered_map<AirlineId, ModelTitleViews>;

// FNV-1a over the registration's bytes.
struct RegcodeHash {
  using is_transparent = void;
  [[nodiscard]] std::size_t operator()(std::string_view text) const noexcept;
};
using RegcodeMap = std::unordered_map<std::string, std::string_view, RegcodeHash, std::equal_to<>>;

class LiveryTables {
 public:
  LiveryTables() = default;
  LiveryTables(const LiveryTables&) = delete;
  LiveryTables& operator=(const LiveryTables&) = delete;

  // --- the build, in this order ---
  // Reserves the model maps and the registration map before filling.
  void reserveForBuild();
  // The master table from the list: one entry per livery, in list order under its airline and
  // model; also the index of the titles.
  void lf_buildLiveryTables(const LiveryList& liveries);
  // The passenger and cargo airline-model maps, each list in master-table order.
  void lf_buildAirlineModelMaps();
  // The passenger and cargo model maps. A model's titles keep master-table order (airline code,
  // then title), which decides the first candidate when RANDOM is off.
  void lf_buildModelMaps();

  // Room for the special liveries and the class model lists; never empties anything.
  void reserveBuffers();

  // Empties every table; the others first, the master table, whose texts they view, last.
  void gf_clearLiveryTables();

  // --- the registration codes, filled by the registration-code processing ---
  // Binds a registration to a stored title; an already bound registration keeps its title.
  void bindRegcode(std::string registration, std::string_view title);
  // Binds the registration to the title, whatever it was bound to before.
  void rebindRegcode(const std::string& registration, std::string_view title) {
    regcodes_[registration] = title;
  }
  void addUniqueRegcode(std::string registration) { uniqueRegcodes_.insert(std::move(registration)); }
  void addSpecialRegcode(std::string registration) { specialRegcodes_.insert(std::move(registration)); }
  // One special entry of a regcode source; a title may be special in several.
  void addSpecialLivery(std::string_view title) {
    specialLiveries_.insert(title);
    ++specialEntries_;
  }

  // --- the class model lists, filled while the classes are logged ---
  void addLightModel(ModelId model) { lightModels_.push_back(model); }
  void addBizjetModel(ModelId model) { bizjetModels_.push_back(model); }
  void addRotorcraftModel(ModelId model) { rotorcraftModels_.push_back(model); }

  // --- queries ---
  // The stored title equal to the text (its first copy in master-table order), or the empty view.
  [[nodiscard]] std::string_view gf_findLiveryTitle(std::string_view text) const;
  [[nodiscard]] bool gf_hasLiveryFor(AirlineId airline, ModelId model) const;
  // The titles of the airline and model of the kind; nothing when there are none.
  [[nodiscard]] const TitleViews* airlineModelTitles(AirlineId airline, ModelId model, bool cargo) const;
  // The titles of the model of any airline, of the kind; nothing when there are none.
  [[nodiscard]] const TitleViews* modelTitles(ModelId model, bool cargo) const;
  // The title bound to the registration; empty when none.
  [[nodiscard]] std::string_view regcodeTitle(std::string_view registration) const;
  [[nodiscard]] bool isUniqueRegcode(std::string_view registration) const;
  [[nodiscard]] bool isSpecialLivery(std::string_view title) const;
  // The models of the airline in the master table, ascending; empty when it has none.
  [[nodiscard]] std::vector<ModelId> modelsOf(AirlineId airline) const;

  [[nodiscard]] const ModelTitleViews& paxModelMap() const { return paxModels_; }
  [[nodiscard]] const ModelTitleViews& cargoModelMap() const { return cargoModels_; }
  [[nodiscard]] const std::vector<ModelId>& lightModels() const { return lightModels_; }
  [[nodiscard]] const std::vector<ModelId>& bizjetModels() const { return bizjetModels_; }
  [[nodiscard]] const std::vector<ModelId>& rotorcraftModels() const { return rotorcraftModels_; }
  // The class list of a light, business-jet or rotorcraft model; nothing for the other classes.
  [[nodiscard]] const std::vector<ModelId>* classModels(ModelClass modelClass) const;

  [[nodiscard]] std::size_t airlineCount() const { return master_.size(); }
  [[nodiscard]] std::size_t paxModelCount() const { return paxModels_.size(); }
  [[nodiscard]] std::size_t cargoModelCount() const { return cargoModels_.size(); }
  [[nodiscard]] std::size_t regcodeCount() const { return regcodes_.size(); }
  // The special entries taken, a title counted once for each source entry that made it special.
  [[nodiscard]] std::size_t specialLiveryCount() const { return specialEntries_; }
  [[nodiscard]] std::size_t uniqueRegcodeCount() const { return uniqueRegcodes_.size(); }
  [[nodiscard]] bool isSpecialRegcode(std::string_view registration) const {
    return specialRegcodes_.find(registration) != specialRegcodes_.end();
  }

  // What the similar-model maps need; it reads these tables while they live.
  [[nodiscard]] LiveryQueries queries() const;

  // Set at the end of a build; a build is skipped while it is set.
  [[nodiscard]] bool processed() const { return processed_; }
  void setProcessed(bool processed) { processed_ = processed; }

  // Asks for the tables to be emptied and built again at the next start (simulator switch,
  // rescan). Any thread: only the start-up thread, before its next build, empties them.
  void requestClear() { clearRequested_.store(true); }
  // True once per request.
  [[nodiscard]] bool takeClearRequest() { return clearRequested_.exchange(false); }

 private:
  using MasterModels = std::unordered_map<ModelId, std::vector<TitleEntry>>;

  std::unordered_map<AirlineId, MasterModels> master_;
  // Each pair of the master table once, in list order: the order the other tables follow.
  std::vector<std::pair<AirlineId, ModelId>> pairOrder_;
  std::unordered_map<std::string_view, std::string_view> titleIndex_;
  AirlineModelTitleViews paxAirlineModels_;
  AirlineModelTitleViews cargoAirlineModels_;
  ModelTitleViews paxModels_;
  ModelTitleViews cargoModels_;
  RegcodeMap regcodes_;
  std::set<std::string, std::less<>> uniqueRegcodes_;
  std::set<std::string, std::less<>> specialRegcodes_;
  std::unordered_set<std::string_view> specialLiveries_;
  std::size_t specialEntries_ = 0;
  std::vector<ModelId> lightModels_;
  std::vector<ModelId> bizjetModels_;
  std::vector<ModelId> rotorcraftModels_;
  bool processed_ = false;
  std::atomic<bool> clearRequested_{false};
};

// The tables the program uses: one for the process. Start-up thread (see above).
[[nodiscard]] LiveryTables& gf_liveryTables();

// The queries of the program's tables, for the registration codes and the similar models.
[[nodiscard]] std::string_view gf_findLiveryTitle(std::string_view text);
[[nodiscard]] bool gf_hasLiveryFor(AirlineId airline, ModelId model);

}  // namespace orv
