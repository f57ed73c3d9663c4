#include "liveries/livery_processing.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>

#include "config/parameter_store.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/plural.h"
#include "platform/ui/controls.h"

namespace orv {
namespace {

constexpr std::size_t kCodesPerLine = 20;
constexpr std::string_view kGenericAirline = "ZZZ";

// Frees the livery list on every way out of the processing: from then on the tables own the titles.
class ListRelease {
 public:
  explicit ListRelease(LiveryList& liveries) : liveries_(liveries) {}
  ~ListRelease() { liveries_.clear(); }
  ListRelease(const ListRelease&) = delete;
  ListRelease& operator=(const ListRelease&) = delete;

 private:
  LiveryList& liveries_;
};

[[nodiscard]] ModelClass lf_classOf(const LiveryProcessingHooks& hooks, ModelId model) {
  return hooks.modelClass ? hooks.modelClass(model) : gf_modelClass(model);
}

struct ClassOption {
  CheckBoxParameter* option;
  std::string_view reason;
};

[[nodiscard]] ClassOption lf_classOption(ModelClass modelClass, const LiveryProcessingHooks& hooks) {
  switch (modelClass) {
    case ModelClass::Light:
      return {hooks.lightOption, "light aircraft"};
    case ModelClass::HighPerformance:
      return {hooks.highPerfOption, "High Perf aircraft"};
    case ModelClass::Rotorcraft:
      return {hooks.rotorcraftOption, "Helicopters"};
    default:
      return {nullptr, {}};
  }
}

}  // namespace

void lf_logModelList(LiveryTables& tables, bool light, bool bizjet, bool rotorcraft,
                     const std::vector<ModelId>& models) {
  std::string line = "  ";
  std::size_t n = 0;
  const auto flush = [&] {
    line.pop_back();  // the last ","
    gf_logLine(line);
    line = "  ";
    n = 0;
  };
  for (const ModelId model : models) {
    if (light)
      tables.addLightModel(model);
    else if (bizjet)
      tables.addBizjetModel(model);
    else if (rotorcraft)
      tables.addRotorcraftModel(model);
    line += gf_modelCode(model);
    line += ',';
    if (++n == kCodesPerLine) flush();
  }
  if (n > 0) flush();
}

void lf_logClassLiveries(LiveryTables& tables, ModelClass modelClass, const LiveryProcessingHooks& hooks) {
  std::size_t pax = 0, cargo = 0;
  std::vector<ModelId> models;
  const auto walk = [&](const ModelTitleViews& map, std::size_t& count) {
    for (const auto& [model, titles] : map) {
      if (lf_classOf(hooks, model) != modelClass) continue;
      count += titles.size();
      models.push_back(model);
    }
  };
  walk(tables.paxModelMap(), pax);
  walk(tables.cargoModelMap(), cargo);
  const std::string_view name = gf_modelClassName(modelClass);
  const ClassOption option = lf_classOption(modelClass, hooks);

  if (pax == 0 && cargo == 0) {
    gf_logLine(fmt::format("Category {}: No livery found", name));
    if (option.option) {
      if (option.option->value()) {
        option.option->set(false);
        gf_saveBoolParameter(*option.option);
        gf_logLine(fmt::format("{} temporarily switched off because you do not have {} installed",
                               option.option->key(), option.reason));
      }
      // The check mark stays as it is: only the control is locked.
      ui::setEnabled(option.option->window(), false);
    }
    return;
  }

  const std::string cargoPart =
      cargo > 0 ? fmt::format(" and {} cargo liverie{}", cargo, gf_plural(cargo)) : std::string();
  gf_logLine(fmt::format("Category {}: {} pax liverie{}{}", name, pax, gf_plural(pax), cargoPart));
  std::sort(models.begin(), models.end());
  models.erase(std::unique(models.begin(), models.end()), models.end());
  lf_logModelList(tables, modelClass == ModelClass::Light, modelClass == ModelClass::Buzjet,
                  modelClass == ModelClass::Rotorcraft, models);
  if (option.option) ui::setEnabled(option.option->window(), true);
}

void lf_logGenericLiveries(LiveryTables& tables) {
  const std::vector<ModelId> models = tables.modelsOf(gf_airlineId(kGenericAirline));
  if (models.empty()) {
    gf_logLine("No generic liveries");
    return;
  }
  gf_logLine(fmt::format("{} model{} have a generic livery", models.size(), gf_plural(models.size())));
  lf_logModelList(tables, false, false, false, models);
}

void gf_processScannedLiveries(LiveryTables& tables, LiveryList& liveries,
                               const LiveryProcessingHooks& hooks) {
  const ListRelease release(liveries);
  // A clear asked for by another thread is carried out here, where nothing reads the tables.
  if (tables.takeClearRequest()) {
    tables.gf_clearLiveryTables();
    tables.setProcessed(false);
  }
  if (tables.processed()) {
    gf_logLine("Processing scanned liveries skipped; already done in previous start-up");
    return;
  }
  // Whatever an earlier build left when it failed half-way goes first: building on top of it
  // would hold every title twice.
  tables.gf_clearLiveryTables();
  tables.reserveForBuild();
  gf_readLiveriesScanned(liveries, hooks.file.empty() ? gf_paths().liveriesScanned : hooks.file);
  if (hooks.showLiveriesCount) hooks.showLiveriesCount(liveries.size());

  tables.lf_buildLiveryTables(liveries);
  tables.lf_buildAirlineModelMaps();
  if (hooks.processRegcodes) hooks.processRegcodes(tables);
  gf_logLine(fmt::format("{:5} registration codes", tables.regcodeCount()));
  tables.lf_buildModelMaps();
  gf_logLine(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models",
                         tables.airlineCount(), tables.paxModelCount(), tables.cargoModelCount()));
  const LiveryQueries queries = tables.queries();
  if (hooks.buildSimilarModels)
    hooks.buildSimilarModels(queries);
  else
    gf_buildSimilarModels(queries);
  gf_logLine(" ");
  for (std::size_t c = 0; c < kModelClassCount; ++c)
    lf_logClassLiveries(tables, static_cast<ModelClass>(c), hooks);
  lf_logGenericLiveries(tables);

  tables.setProcessed(true);
  if (hooks.repaintStatusBand) hooks.repaintStatusBand();
}

void gf_processScannedLiveries() {
  gf_processScannedLiveries(gf_liveryTables(), gf_liveryList(), LiveryProcessingHooks{});
}

void gf_reserveLiveryBuffers() {
  gf_liveryTables().reserveBuffers();
}

void clearLiveryTablesForNextRun() {
  gf_liveryTables().requestClear();
}

}  // namespace orv
