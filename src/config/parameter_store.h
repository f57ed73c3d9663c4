#pragma once

// The parameter store: "parameters.xml" in the per-user folder, read once per run into the
// parameter objects and saved whole or one setting at a time. One lock serialises the file work
// of every thread; controls are updated only after it is released.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "config/parameters.h"

namespace orv {

// The full load: reads every setting, clamps the integers, adds the missing settings with their
// defaults, saves the file back and shows the values in their controls. True when the file was
// missing or unusable and has been written anew with defaults (an unusable one is kept as
// generation 1 first, "parameters0.xml"). Start-up thread.
[[nodiscard]] bool gf_readParameters();

// Writes a whole new file from the persisted lists, with the defaults or the current values.
void gf_saveParameters(bool writeDefaults);

// The start-up's load: the full load, then for a new file the scans switched on, else the
// version update (a file of a version before 11.0.2 is replaced by defaults; one from 11.0.2 up
// to the running version has the old version's leftovers removed). Start-up thread.
void gf_loadParameters();

// Single saves, after the caller has put the new value into the object: every element with the
// key gets the value, or one is appended. When the file cannot be loaded, a copy of it is kept
// and the whole current state is written. Any thread.
void gf_writeParameter(const StringParameter& parameter);
void gf_saveBoolParameter(const BoolParameter& parameter);
void gf_saveIntParameter(const IntParameter& parameter);
void gf_setAndWriteParameter(StringParameter& parameter, std::string value);

// Rewrites the file from memory in the current layout (with "root").
void gf_wrapParametersRoot();

// The per-airport settings that a stand file carries; absent ones stay as they are.
struct AirportSettings {
  std::optional<std::int32_t> maxLiveSel;
  std::optional<std::int32_t> maxFit;
  std::optional<std::int32_t> range;
  std::optional<std::int32_t> parkingPercentage;
  std::optional<bool> autoRange;
  std::optional<bool> initialLoadOnly;
  std::optional<bool> parkSoft;
  std::optional<bool> week;
};

// Stores, saves and shows each setting that differs from the current value, integers clamped.
// Start-up thread.
void gf_applyIntParameterChanges(const AirportSettings& settings);

// Selects MAX_FIT_FL's entry for MAX_FIT: a link because the hours-per-step table belongs to the
// layers above; nothing until it is set, and an empty function unlinks it.
void gf_setMaxFitShower(std::function<void()> shower);
// The automatic-range applier adapts RANGE to AUTO_RANGE (by default nothing).
void gf_setAutoRangeApplier(std::function<void()> applier);

// Through the registration points: RANGE clamped, stored, saved and applied; MAX_FIT_FL's entry
// selected; the automatic range applied. Start-up thread.
void gf_setAndSaveRange(std::int32_t nm);
void gf_showMaxFit();
void gf_applyAutoRange();

// The window position before the window exists: MAIN_WINDOW_X and MAIN_WINDOW_Y from the file.
// A file that exists but does not load is kept as "parameters0.xml" and removed (the start-up's
// full load writes a new one). True when the file was read. GUI thread.
bool gf_readWindowPosition();

}  // namespace orv
