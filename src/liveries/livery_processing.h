#pragma once

// Turning "LiveriesScanned.xml" into the livery tables at a start, with the log lines that
// report them, and the class options switched off when a class has no livery. Start-up thread
// only, except `clearLiveryTablesForNextRun`.

#include <cstddef>
#include <filesystem>
#include <functional>

#include "config/parameters.h"
#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "refdata/codes.h"

namespace orv {

// What the build needs of the rest of the program. Every member has the program's own default;
// tests hand in their own.
struct LiveryProcessingHooks {
  std::filesystem::path file;  // empty: "output/LiveriesScanned.xml"
  // The model class of a model; empty: the aircraft database's.
  std::function<ModelClass(ModelId)> modelClass;
  // Binds the registration codes to titles once the airline-model maps exist; empty: no codes.
  std::function<void(LiveryTables&)> processRegcodes;
  // The similar-model maps from the tables; empty: the code tables' own.
  std::function<void(const LiveryQueries&)> buildSimilarModels;
  // The liveries count of the status band (set and repainted); empty: not shown.
  std::function<void(std::size_t)> showLiveriesCount;
  // The status band repainted once the tables stand; empty: nothing.
  std::function<void()> repaintStatusBand;
  // The options of the classes that are switched off without liveries.
  CheckBoxParameter* lightOption = &cfg::LIGHT_AIRCRAFT;
  CheckBoxParameter* highPerfOption = &cfg::HIGH_PERF_AIRCRAFT;
  CheckBoxParameter* rotorcraftOption = &cfg::HELICOPTERS;
};

// Builds the tables from the file, unless they were built in an earlier start of this process.
// A clear asked for since is carried out first. The errors of reading the file pass out of it;
// the tables then stay unbuilt and the next start tries again. The list is freed in every case.
void gf_processScannedLiveries(LiveryTables& tables, LiveryList& liveries,
                               const LiveryProcessingHooks& hooks);
// The program's tables, list and defaults.
void gf_processScannedLiveries();

// Room for the special liveries and the class model lists, at every run; empties nothing.
void gf_reserveLiveryBuffers();

// The tables are emptied and built again before the next start (simulator switch, rescan). Any
// thread: it only raises the request that the start-up thread carries out.
void clearLiveryTablesForNextRun();

// The log lines of the build, each on its own for the tests.
// "Category {}: ..." for the class; a class without liveries switches its option off (light,
// HighPerf, rotorcraft) and disables the check box; a class with liveries enables it again.
void lf_logClassLiveries(LiveryTables& tables, ModelClass modelClass, const LiveryProcessingHooks& hooks);
// Two blanks and at most 20 codes a line, separated by ","; the models are appended to the
// light, business-jet or rotorcraft list as the flags say.
void lf_logModelList(LiveryTables& tables, bool light, bool bizjet, bool rotorcraft,
                     const std::vector<ModelId>& models);
// "{} model{} have a generic livery" and their codes, or "No generic liveries".
void lf_logGenericLiveries(LiveryTables& tables);

}  // namespace orv
