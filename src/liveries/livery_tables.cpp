#include "liveries/livery_tables.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

constexpr std::size_t kAirlineRoom = 2048;
constexpr std::size_t kCargoAirlineRoom = 256;
constexpr std::size_t kPaxModelRoom = 324;
constexpr std::size_t kCargoModelRoom = 75;
constexpr std::size_t kRegcodeRoom = 36000;
constexpr float kRegcodeLoadFactor = 0.7f;
constexpr std::size_t kSpecialLiveryRoom = 4096;
constexpr std::size_t kLightRoom = 64;
constexpr std::size_t kBizjetRoom = 128;
constexpr std::size_t kRotorcraftRoom = 32;

const TitleViews* lf_find(const AirlineModelTitleViews& map, AirlineId airline, ModelId model) {
  const auto byAirline = map.find(airline);
  if (byAirline == map.end()) return nullptr;
  const auto byModel = byAirline->second.find(model);
  return byModel == byAirline->second.end() ? nullptr : &byModel->second;
}

}  // namespace

TitleEntry::TitleEntry(std::string_view text, bool cargo)
    : text_(std::make_unique<char[]>(text.size() + 1)), size_(text.size()), cargo_(cargo) {
  std::memcpy(text_.get(), text.data(), text.size());
}

std::size_t RegcodeHash::operator()(std::string_view text) const noexcept {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash);
}

void LiveryTables::reserveForBuild() {
  cargoModels_.reserve(kCargoModelRoom);
  paxModels_.reserve(kPaxModelRoom);
  regcodes_.reserve(kRegcodeRoom);
  regcodes_.max_load_factor(kRegcodeLoadFactor);
}

void LiveryTables::lf_buildLiveryTables(const LiveryList& liveries) {
  master_.reserve(kAirlineRoom);
  for (const Livery& livery : liveries) {
    std::vector<TitleEntry>& entries = master_[livery.airline][livery.model];
    if (entries.empty()) pairOrder_.emplace_back(livery.airline, livery.model);
    entries.emplace_back(livery.title, livery.cargo);
  }
  // Only now that no list grows any more are views of the texts handed out.
  titleIndex_.reserve(liveries.size());
  for (const auto& [airline, model] : pairOrder_)
    for (const TitleEntry& entry : master_.at(airline).at(model))
      titleIndex_.emplace(entry.view(), entry.view());
}

void LiveryTables::lf_buildAirlineModelMaps() {
  paxAirlineModels_.reserve(kAirlineRoom);
  cargoAirlineModels_.reserve(kCargoAirlineRoom);
  for (const auto& [airline, model] : pairOrder_) {
    TitleViews pax, cargo;
    for (const TitleEntry& entry : master_.at(airline).at(model))
      (entry.cargo() ? cargo : pax).push_back(entry.view());
    if (!pax.empty()) {
      pax.shrink_to_fit();
      paxAirlineModels_[airline].emplace(model, std::move(pax));
    }
    if (!cargo.empty()) {
      cargo.shrink_to_fit();
      cargoAirlineModels_[airline].emplace(model, std::move(cargo));
    }
  }
}

void LiveryTables::lf_buildModelMaps() {
  // The pairs in list order, grouped by model without changing the order within a model.
  std::vector<std::pair<AirlineId, ModelId>> byModel = pairOrder_;
  std::stable_sort(byModel.begin(), byModel.end(),
                   [](const auto& a, const auto& b) { return a.second < b.second; });
  for (const auto& [airline, model] : byModel) {
    for (const TitleEntry& entry : master_.at(airline).at(model))
      (entry.cargo() ? cargoModels_ : paxModels_)[model].push_back(entry.view());
  }
}

void LiveryTables::reserveBuffers() {
  specialLiveries_.reserve(kSpecialLiveryRoom);
  lightModels_.reserve(kLightRoom);
  bizjetModels_.reserve(kBizjetRoom);
  rotorcraftModels_.reserve(kRotorcraftRoom);
}

void LiveryTables::gf_clearLiveryTables() {
  lightModels_.clear();
  bizjetModels_.clear();
  rotorcraftModels_.clear();
  specialRegcodes_.clear();
  uniqueRegcodes_.clear();
  specialLiveries_.clear();
  specialEntries_ = 0;
  regcodes_.clear();
  paxModels_.clear();
  cargoModels_.clear();
  paxAirlineModels_.clear();
  cargoAirlineModels_.clear();
  titleIndex_.clear();
  pairOrder_.clear();
  master_.clear();
}

void LiveryTables::bindRegcode(std::string registration, std::string_view title) {
  regcodes_.emplace(std::move(registration), title);
}

std::string_view LiveryTables::gf_findLiveryTitle(std::string_view text) const {
  const auto found = titleIndex_.find(text);
  return found == titleIndex_.end() ? std::string_view{} : found->second;
}

bool LiveryTables::gf_hasLiveryFor(AirlineId airline, ModelId model) const {
  const auto byAirline = master_.find(airline);
  return byAirline != master_.end() && byAirline->second.contains(model);
}

const TitleViews* LiveryTables::airlineModelTitles(AirlineId airline, ModelId model, bool cargo) const {
  return lf_find(cargo ? cargoAirlineModels_ : paxAirlineModels_, airline, model);
}

const TitleViews* LiveryTables::modelTitles(ModelId model, bool cargo) const {
  const ModelTitleViews& map = cargo ? cargoModels_ : paxModels_;
  const auto found = map.find(model);
  return found == map.end() ? nullptr : &found->second;
}

std::string_view LiveryTables::regcodeTitle(std::string_view registration) const {
  const auto found = regcodes_.find(registration);
  return found == regcodes_.end() ? std::string_view{} : found->second;
}

bool LiveryTables::isUniqueRegcode(std::string_view registration) const {
  return uniqueRegcodes_.find(registration) != uniqueRegcodes_.end();
}

bool LiveryTables::isSpecialLivery(std::string_view title) const {
  return specialLiveries_.contains(title);
}

std::vector<ModelId> LiveryTables::modelsOf(AirlineId airline) const {
  std::vector<ModelId> models;
  if (const auto found = master_.find(airline); found != master_.end()) {
    for (const auto& entry : found->second) models.push_back(entry.first);
    std::sort(models.begin(), models.end());
  }
  return models;
}

const std::vector<ModelId>* LiveryTables::classModels(ModelClass modelClass) const {
  switch (modelClass) {
    case ModelClass::Light:
      return &lightModels_;
    case ModelClass::Buzjet:
      return &bizjetModels_;
    case ModelClass::Rotorcraft:
      return &rotorcraftModels_;
    default:
      return nullptr;
  }
}

LiveryQueries LiveryTables::queries() const {
  LiveryQueries queries;
  queries.hasAnyLivery = [this](ModelId model) {
    return paxModels_.contains(model) || cargoModels_.contains(model);
  };
  queries.airlinesWithLiveries.reserve(master_.size());
  for (const auto& entry : master_) queries.airlinesWithLiveries.push_back(entry.first);
  std::sort(queries.airlinesWithLiveries.begin(), queries.airlinesWithLiveries.end());
  queries.hasLiveryFor = [this](AirlineId airline, ModelId model) { return gf_hasLiveryFor(airline, model); };
  return queries;
}

LiveryTables& gf_liveryTables() {
  static LiveryTables tables;
  return tables;
}

std::string_view gf_findLiveryTitle(std::string_view text) {
  return gf_liveryTables().gf_findLiveryTitle(text);
}

bool gf_hasLiveryFor(AirlineId airline, ModelId model) {
  return gf_liveryTables().gf_hasLiveryFor(airline, model);
}

}  // namespace orv
