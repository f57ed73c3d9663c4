#include "config/parameter_store.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>
#include <pugixml.hpp>
#include <type_traits>

#include "config/parameter_controls.h"
#include "config/parameter_xml.h"
#include "config/store_internal.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "foundation/version.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string lf_pathText() {
  return gf_pathToUtf8(gf_parametersPath());
}

std::string lf_text(bool value) {
  return value ? "true" : "false";
}
std::string lf_text(std::int32_t value) {
  return fmt::format("{}", value);
}

void lf_logParameter(std::string_view key, bool value) {
  gf_logUnlessStopping(fmt::format("{}={}", key, lf_text(value)));
}
void lf_logParameter(std::string_view key, std::int32_t value) {
  gf_logUnlessStopping(fmt::format("{}={}", key, value));
}
// A text is cut to a bound: a damaged or hostile file may hold a value of any size. The bound
// keeps the longest paths whole.
constexpr std::size_t kLoggedValueBytes = 1024;

void lf_logParameter(std::string_view key, std::string_view value) {
  gf_logUnlessStopping(fmt::format("{}=\"{}\"", key, gf_logQuote(value, kLoggedValueBytes)));
}

bool lf_append(pugi::xml_node parameters, std::string_view key, bool value) {
  return gf_appendBoolParameter(parameters, key, value);
}
bool lf_append(pugi::xml_node parameters, std::string_view key, std::int32_t value) {
  return gf_appendIntParameter(parameters, key, value);
}
bool lf_append(pugi::xml_node parameters, std::string_view key, std::string_view value) {
  return gf_appendStringParameter(parameters, key, value);
}

// Appends one setting with the given value and logs it; a failure is logged and the walk goes on.
template <typename Value>
void lf_appendAndLog(pugi::xml_node parameters, std::string_view key, const Value& value) {
  if (!lf_append(parameters, key, value)) {
    if constexpr (std::is_convertible_v<Value, std::string_view>)
      gf_logUnlessStopping(
          fmt::format("===> {}adding xml parameter {} with {} failed!", "", key, gf_logQuote(value)));
    else
      gf_logUnlessStopping(fmt::format("===> {}adding xml parameter {} with {} failed!", "", key, value));
  }
  lf_logParameter(key, value);
}

// Text that the file can hold: UTF-8 without the control characters that XML 1.0 leaves out. A
// strict reader refuses a file with any other, so such a value is never written.
bool lf_isStorable(std::string_view text) {
  if (!gf_isUtf8(text)) return false;
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && c != '\t' && c != '\n' && c != '\r';
  });
}

void lf_logClosingLine() {
  gf_logLine(gf_bannerLine(70, 10, false, true, ""));
}

// Calls bool, int and text handlers for every persisted setting, in the order of the file.
template <typename OnBool, typename OnInt, typename OnText>
void lf_forEachPersisted(OnBool onBool, OnInt onInt, OnText onText) {
  for (BoolParameter* p : gf_boolList()) onBool(*p);
  for (CheckBoxParameter* p : gf_checkBoxList()) onBool(*p);
  for (IntParameter* p : gf_intList()) onInt(*p);
  for (ComboIntParameter* p : gf_intComboList()) onInt(*p);
  for (const StringEntry& e : gf_stringList()) onText(*e.parameter);
  for (const StringEntry& e : gf_stringControlList()) onText(*e.parameter);
}

}  // namespace

namespace store {

std::mutex& mutex() {
  static std::mutex instance;
  return instance;
}

void showListedControls() {
  for (CheckBoxParameter* p : gf_checkBoxList()) gf_showCheck(*p);
  for (ComboIntParameter* p : gf_intComboList()) {
    if (p == &cfg::RANGE)
      gf_showRange();
    else
      gf_showIntParameter(*p);
  }
  for (const auto* list : {&gf_stringList(), &gf_stringControlList()})
    for (const StringEntry& e : *list)
      if (e.control) gf_showTextParameter(*e.parameter, *e.control);
}

void saveAllLocked(bool writeDefaults) {
  if (writeDefaults) cfg::PROGRAM_VERSION.set(std::string(kVersionText));  // a new file records who wrote it
  pugi::xml_document doc;
  pugi::xml_node parameters = doc.append_child("root").append_child("parameters");
  if (parameters) {
    lf_forEachPersisted(
        [&](BoolParameter& p) {
          lf_appendAndLog(parameters, p.key(), writeDefaults ? p.defaultValue() : p.value());
        },
        [&](IntParameter& p) {
          lf_appendAndLog(parameters, p.key(), writeDefaults ? p.defaultValue() : p.value());
        },
        [&](StringParameter& p) {
          std::string value = p.value();
          if (writeDefaults)
            value = &p == &cfg::PROGRAM_VERSION ? std::string(kVersionText) : p.defaultValue();
          if (!lf_isStorable(value)) value = p.defaultValue();
          lf_appendAndLog(parameters, p.key(), std::string_view(value));
        });
  }
  if (!gf_saveXml(doc, gf_parametersPath())) gf_logImportant(fmt::format("saving: {} failed", lf_pathText()));
  lf_logClosingLine();
}

bool isPersisted(std::string_view key) {
  bool found = false;
  lf_forEachPersisted([&](BoolParameter& p) { found = found || p.key() == key; },
                      [&](IntParameter& p) { found = found || p.key() == key; },
                      [&](StringParameter& p) { found = found || p.key() == key; });
  return found;
}

// A copy of an existing file that is about to be replaced by one written from memory.
void keepGeneration() {
  std::error_code ec;
  if (fs::exists(gf_parametersPath(), ec)) (void)gf_save1GenerationOf(gf_parametersPath());
}

}  // namespace store

namespace {

enum class Layout { Rooted, Bare };

// Sets the value of every element with the key; false when there is none.
bool lf_setValues(pugi::xml_node parameters, std::string_view key, std::string_view value) {
  bool matched = false;
  const std::string text(value);
  for (pugi::xml_node p = parameters.child("parameter"); p; p = p.next_sibling("parameter")) {
    if (key != p.attribute("name").value()) continue;
    pugi::xml_attribute v = p.attribute("value");
    if (!v) v = p.append_attribute("value");
    v.set_value(text.c_str());
    matched = true;
  }
  return matched;
}

// A setting the file does not give: the elements of its key that have no value get one, and only
// when there is none an element is appended, so that the file does not grow at every start.
void lf_storeMissing(pugi::xml_node parameters, std::string_view key, std::string_view value) {
  bool matched = false;
  const std::string text(value);
  for (pugi::xml_node p = parameters.child("parameter"); p; p = p.next_sibling("parameter")) {
    if (key != p.attribute("name").value()) continue;
    matched = true;
    if (!p.attribute("value")) p.append_attribute("value").set_value(text.c_str());
  }
  if (!matched) (void)gf_appendStringParameter(parameters, key, value);
}

// Whether the element is a setting as the file holds one: a name, a value and nothing else.
bool lf_isPlainSetting(pugi::xml_node node) {
  if (node.type() != pugi::node_element || std::string_view(node.name()) != "parameter" || node.first_child())
    return false;
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    if (name != "name" && name != "value") return false;
  }
  return true;
}

// The document to save: the settings of `parameters`, each "parameter" element with its name and
// value, under "root" unless the layout is bare. Whatever else the file held (other elements,
// nested ones of any depth, text, other attributes) is left out, so the saved file is never larger
// than its settings need, and so is an element whose name or value cannot be stored (logged).
// True when something was left out.
bool lf_settingsOnly(pugi::xml_node parameters, Layout layout, pugi::xml_document& out) {
  pugi::xml_node base =
      layout == Layout::Rooted ? out.append_child("root") : static_cast<pugi::xml_node>(out);
  pugi::xml_node kept = base.append_child("parameters");
  bool leftOut = false;
  for (pugi::xml_node node = parameters.first_child(); node; node = node.next_sibling()) {
    if (!lf_isPlainSetting(node)) leftOut = true;
    if (node.type() != pugi::node_element || std::string_view(node.name()) != "parameter") continue;
    const std::string_view name = node.attribute("name").value();
    const pugi::xml_attribute value = node.attribute("value");
    if (!lf_isStorable(name) || !lf_isStorable(value.value())) {
      gf_logImportant(
          fmt::format("parameter \"{}\" in {} is no UTF-8 text, left out", gf_logQuote(name), lf_pathText()));
      leftOut = true;
      continue;
    }
    pugi::xml_node copy = kept.append_child("parameter");
    copy.append_attribute("name").set_value(node.attribute("name").value());
    if (value) copy.append_attribute("value").set_value(value.value());
  }
  return leftOut;
}

// Saves the settings of a loaded file. A file whose layout changes or that loses anything is kept
// as its generation first.
void lf_saveSettingsOf(pugi::xml_node parameters, Layout from, Layout to) {
  pugi::xml_document out;
  const bool leftOut = lf_settingsOnly(parameters, to, out);
  if (leftOut || from != to) {
    if (leftOut)
      gf_logImportant(fmt::format("{} holds more than its settings, kept as {}", lf_pathText(),
                                  gf_pathToUtf8(gf_generationPath(gf_parametersPath(), 1))));
    store::keepGeneration();
  }
  if (!gf_saveXml(out, gf_parametersPath())) gf_logImportant(fmt::format("saving: {} failed", lf_pathText()));
}

// The single save, with the store's lock held.
void lf_singleSaveLocked(std::string_view key, std::string_view value, bool asText, bool retried = false) {
  if (!lf_isStorable(value)) {
    gf_logImportant(
        fmt::format("{} \"{}\" is no UTF-8 text, not saved in {}", key, gf_logQuote(value), lf_pathText()));
    return;
  }
  pugi::xml_document doc;
  if (!doc.load_file(gf_parametersPath().c_str())) {
    // Not loadable (missing, cut short, broken): the memory holds every persisted setting, so the
    // whole state is written rather than a file with this one setting.
    store::keepGeneration();
    store::saveAllLocked(false);
    if (!retried && !store::isPersisted(key)) lf_singleSaveLocked(key, value, asText, true);
    return;
  }
  const pugi::xml_node root = doc.child("root");
  const Layout layout = root ? Layout::Rooted : Layout::Bare;
  pugi::xml_node base = root ? root : static_cast<pugi::xml_node>(doc);
  pugi::xml_node parameters = base.child("parameters");
  if (!parameters) parameters = base.append_child("parameters");
  if (!lf_setValues(parameters, key, value)) (void)gf_appendStringParameter(parameters, key, value);
  if (asText)
    lf_logParameter(key, value);
  else
    gf_logUnlessStopping(fmt::format("{}={}", key, value));
  // An older file gets its root here. The file's own settings are wrapped, not the ones in memory:
  // before the start-up's full load (the window's position is saved first) memory holds defaults.
  if (layout == Layout::Bare)
    gf_logLine("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
  lf_saveSettingsOf(parameters, layout, Layout::Rooted);
}

// The value is read once the file is ours: of two threads changing one setting, the one that
// saves last then writes what memory holds, not what it held while it waited for the lock.
template <typename ValueOf>
void lf_singleSave(std::string_view key, bool asText, ValueOf valueOf) {
  std::scoped_lock lock(store::mutex());
  lf_singleSaveLocked(key, valueOf(), asText);
}

bool lf_readLocked() {
  gf_logLine(gf_bannerLine(70, 0, true, false, "parameters"));
  const fs::path path = gf_parametersPath();
  pugi::xml_document doc;
  const pugi::xml_parse_result loaded = doc.load_file(path.c_str());
  pugi::xml_node parameters;
  if (loaded) {
    gf_logLine(fmt::format("from '{}'", lf_pathText()));
    const pugi::xml_node root = doc.child("root");
    parameters = (root ? root : static_cast<pugi::xml_node>(doc)).child("parameters");
  }
  if (!parameters) {
    std::error_code ec;
    if (fs::exists(path, ec)) {
      gf_logImportant(fmt::format("{} is not usable ({}), kept as {}", lf_pathText(),
                                  loaded ? "no parameters" : loaded.description(),
                                  gf_pathToUtf8(gf_generationPath(path, 1))));
      store::keepGeneration();
    }
    gf_logLine(fmt::format("{} not found, creating new with default values:", lf_pathText()));
    store::saveAllLocked(true);
    return true;
  }
  lf_forEachPersisted(
      [&](BoolParameter& p) {
        const auto stored = gf_getXmlParameterBool(doc, p.key());
        p.set(stored.value_or(p.defaultValue()));
        if (!stored) lf_storeMissing(parameters, p.key(), lf_text(p.value()));
        lf_logParameter(p.key(), p.value());
      },
      [&](IntParameter& p) {
        const auto stored = gf_getXmlParameterInt(doc, p.key());
        p.set(stored.value_or(p.defaultValue()));  // clamped
        if (!stored)
          lf_storeMissing(parameters, p.key(), lf_text(p.value()));
        else if (*stored != p.value())
          lf_setValues(parameters, p.key(), lf_text(p.value()));  // the file holds the clamped value too
        lf_logParameter(p.key(), p.value());
      },
      [&](StringParameter& p) {
        auto stored = gf_getXmlParameterString(doc, p.key());
        if (stored && (!lf_isStorable(*stored) || !p.accepts(*stored))) {
          gf_logImportant(fmt::format("{} \"{}\" in {} refused ({}), the default is taken", p.key(),
                                      gf_logQuote(*stored), lf_pathText(),
                                      lf_isStorable(*stored) ? "not a valid value" : "no UTF-8 text"));
          lf_setValues(parameters, p.key(), p.defaultValue());
          stored = p.defaultValue();
        }
        p.set(stored.value_or(p.defaultValue()));
        if (!stored) lf_storeMissing(parameters, p.key(), p.defaultValue());
        lf_logParameter(p.key(), std::string_view(p.value()));
      });
  const Layout layout = doc.child("root") ? Layout::Rooted : Layout::Bare;
  lf_saveSettingsOf(parameters, layout, layout);
  lf_logClosingLine();
  return false;
}

// The MAX_FIT_FL drop-down follows MAX_FIT through the command handling's step table, which
// sits above this layer; none until the window links it.
struct WindowLinks {
  std::mutex mutex;
  std::function<void()> shower;
  // The automatic range is worked out by the command handling, above this layer too.
  std::function<void()> autoRangeApplier;
};

WindowLinks& windowLinks() {
  static WindowLinks instance;
  return instance;
}

void lf_showMaxFit() {
  std::function<void()> shower;
  {
    std::scoped_lock lock(windowLinks().mutex);
    shower = windowLinks().shower;
  }
  if (shower) shower();
}

// Stores a differing integer clamped and saves it; true when it differed.
bool lf_applyInt(IntParameter& parameter, const std::optional<std::int32_t>& value) {
  if (!value || *value == parameter.value()) return false;
  parameter.set(*value);
  gf_saveIntParameter(parameter);
  return true;
}

bool lf_applyBool(BoolParameter& parameter, const std::optional<bool>& value) {
  if (!value || *value == parameter.value()) return false;
  parameter.set(*value);
  gf_saveBoolParameter(parameter);
  return true;
}

}  // namespace

bool gf_readParameters() {
  bool created = false;
  {
    std::scoped_lock lock(store::mutex());
    created = lf_readLocked();
  }
  store::showListedControls();
  return created;
}

void gf_saveParameters(bool writeDefaults) {
  {
    std::scoped_lock lock(store::mutex());
    store::keepGeneration();  // rewritten from memory: nothing of the file is kept otherwise
    store::saveAllLocked(writeDefaults);
  }
  store::showListedControls();
}

void gf_wrapParametersRoot() {
  {
    std::scoped_lock lock(store::mutex());
    gf_logLine("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
    store::keepGeneration();  // rewritten from memory: nothing of the file is kept otherwise
    store::saveAllLocked(false);
  }
  store::showListedControls();
}

void gf_writeParameter(const StringParameter& parameter) {
  lf_singleSave(parameter.key(), true, [&] { return parameter.value(); });
}

void gf_saveBoolParameter(const BoolParameter& parameter) {
  lf_singleSave(parameter.key(), false, [&] { return lf_text(parameter.value()); });
}

void gf_saveIntParameter(const IntParameter& parameter) {
  lf_singleSave(parameter.key(), false, [&] { return lf_text(parameter.value()); });
}

void gf_setAndWriteParameter(StringParameter& parameter, std::string value) {
  parameter.set(std::move(value));
  gf_writeParameter(parameter);
}

void gf_setMaxFitShower(std::function<void()> shower) {
  std::scoped_lock lock(windowLinks().mutex);
  windowLinks().shower = std::move(shower);
}

void gf_setAutoRangeApplier(std::function<void()> applier) {
  std::scoped_lock lock(windowLinks().mutex);
  windowLinks().autoRangeApplier = std::move(applier);
}

void gf_setAndSaveRange(std::int32_t nm) {
  cfg::RANGE.set(nm);
  gf_saveIntParameter(cfg::RANGE);
  gf_showRange();
}

void gf_showMaxFit() {
  lf_showMaxFit();
}

void gf_applyAutoRange() {
  std::function<void()> applier;
  {
    std::scoped_lock lock(windowLinks().mutex);
    applier = windowLinks().autoRangeApplier;
  }
  if (applier) applier();
}

void gf_applyIntParameterChanges(const AirportSettings& settings) {
  using namespace cfg;
  if (lf_applyInt(MAX_LIVE_SEL, settings.maxLiveSel)) gf_showIntParameter(MAX_LIVE_SEL);
  if (lf_applyInt(MAX_FIT, settings.maxFit)) lf_showMaxFit();
  if (lf_applyInt(RANGE, settings.range)) gf_showRange();  // the radius follows RANGE
  if (lf_applyInt(PARKING_PERCENTAGE, settings.parkingPercentage)) gf_showIntParameter(PARKING_PERCENTAGE);
  if (lf_applyBool(AUTO_RANGE, settings.autoRange)) {
    gf_showCheck(AUTO_RANGE);
    if (const ui::WindowHandle range = RANGE.window()) ui::setEnabled(range, !AUTO_RANGE.value());
    if (const ui::WindowHandle height = AR_ABOVE_HEIGHT.window()) ui::setEnabled(height, AUTO_RANGE.value());
  }
  for (auto [parameter, value] :
       {std::pair{&INITIAL_LOAD_ONLY, settings.initialLoadOnly}, std::pair{&PARK_SOFT, settings.parkSoft},
        std::pair{&WEEK, settings.week}}) {
    if (lf_applyBool(*parameter, value)) gf_showCheck(*parameter);
  }
}

bool gf_readWindowPosition() {
  std::scoped_lock lock(store::mutex());
  const fs::path path = gf_parametersPath();
  std::error_code ec;
  if (!fs::exists(path, ec)) return false;
  pugi::xml_document doc;
  const pugi::xml_parse_result loaded = doc.load_file(path.c_str());
  if (!loaded) {
    gf_logImportant(fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", lf_pathText(),
                                loaded.description()));
    (void)gf_save1GenerationOf(path);
    gf_removeFileIfExists(path);
    return false;
  }
  if (const auto x = gf_getXmlParameterInt(doc, cfg::MAIN_WINDOW_X.key())) cfg::MAIN_WINDOW_X.set(*x);
  if (const auto y = gf_getXmlParameterInt(doc, cfg::MAIN_WINDOW_Y.key())) cfg::MAIN_WINDOW_Y.set(*y);
  return true;
}

}  // namespace orv
