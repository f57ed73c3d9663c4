#include "standin/scenario.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <stdexcept>

namespace orv::standin {
namespace {

using Json = nlohmann::json;

const std::set<std::string, std::less<>> kUserKeys = {
    "title",     "atc_model", "lat",       "lon",           "alt_ft",          "heading_deg",
    "pitch_deg", "bank_deg",  "on_ground", "ground_alt_ft", "ground_speed_kt", "light_states"};
const std::set<std::string, std::less<>> kSpawnKeys = {"title",  "atc_id",      "lat",      "lon",
                                                       "alt_ft", "heading_deg", "on_ground"};

struct ActionSpec {
  std::string_view name;
  const std::set<std::string, std::less<>>* keys;  // none: no keys of its own
};

const std::set<std::string, std::less<>> kNewFileKeys = {"file"};
const std::set<std::string, std::less<>> kRemoveKeys = {"atc_id"};
const std::set<std::string, std::less<>> kExceptionKeys = {"exception", "index"};

const ActionSpec kActions[] = {
    {"pause", nullptr},
    {"resume", nullptr},
    {"teleport", &kUserKeys},
    {"user", &kUserKeys},
    {"flight_loaded", nullptr},
    {"new_file", &kNewFileKeys},
    {"quit", nullptr},
    {"launch", nullptr},
    {"spawn", &kSpawnKeys},
    {"remove", &kRemoveKeys},
    {"exception", &kExceptionKeys},
};

[[noreturn]] void lf_fail(std::string_view where, std::string_view what) {
  throw std::runtime_error(fmt::format("stand-in scenario: {}: {}", where, what));
}

double lf_number(const Json& value, std::string_view where) {
  if (!value.is_number()) lf_fail(where, "a number is expected");
  const double d = value.get<double>();
  if (!std::isfinite(d)) lf_fail(where, "a finite number is expected");
  return d;
}

std::int64_t lf_integer(const Json& value, std::string_view where) {
  if (!value.is_number_integer()) lf_fail(where, "a whole number is expected");
  return value.get<std::int64_t>();
}

std::uint32_t lf_unsigned(const Json& value, std::string_view where) {
  const std::int64_t n = lf_integer(value, where);
  if (n < 0 || n > 0xFFFFFFFFLL) lf_fail(where, "a whole number from 0 to 4294967295 is expected");
  return static_cast<std::uint32_t>(n);
}

bool lf_bool(const Json& value, std::string_view where) {
  if (!value.is_boolean()) lf_fail(where, "true or false is expected");
  return value.get<bool>();
}

std::string lf_text(const Json& value, std::string_view where) {
  if (!value.is_string()) lf_fail(where, "a text is expected");
  return value.get<std::string>();
}

void lf_checkKeys(const Json& object, const std::set<std::string, std::less<>>& allowed,
                  std::string_view where) {
  if (!object.is_object()) lf_fail(where, "an object is expected");
  for (const auto& [key, value] : object.items())
    if (!allowed.contains(key)) lf_fail(where, fmt::format("unknown key \"{}\"", key));
}

TimelineAction lf_action(const Json& entry, std::size_t index) {
  const std::string where = fmt::format("timeline[{}]", index);
  if (!entry.is_object()) lf_fail(where, "an object is expected");
  if (!entry.contains("at_s")) lf_fail(where, "\"at_s\" is missing");
  if (!entry.contains("action")) lf_fail(where, "\"action\" is missing");
  TimelineAction action;
  const double at = lf_number(entry["at_s"], where + ".at_s");
  if (at < 0) lf_fail(where + ".at_s", "a time of 0 or later is expected");
  action.at = std::chrono::milliseconds{std::llround(at * 1000.0)};
  action.action = lf_text(entry["action"], where + ".action");
  const auto spec = std::find_if(std::begin(kActions), std::end(kActions),
                                 [&](const ActionSpec& s) { return s.name == action.action; });
  if (spec == std::end(kActions)) lf_fail(where, fmt::format("unknown action \"{}\"", action.action));

  action.args = Json::object();
  for (const auto& [key, value] : entry.items()) {
    if (key == "at_s" || key == "action") continue;
    if (!spec->keys || !spec->keys->contains(key))
      lf_fail(where, fmt::format("the action \"{}\" takes no key \"{}\"", action.action, key));
    action.args[key] = value;
  }
  // Checked here so that a mistake shows at the start, not when the action comes due.
  if (spec->keys == &kUserKeys) {
    UserAircraft probe;
    applyUserKeys(probe, action.args, where);
  } else if (action.action == "spawn") {
    for (const auto& [key, value] : action.args.items()) {
      if (key == "title" || key == "atc_id")
        (void)lf_text(value, where + "." + key);
      else if (key == "on_ground")
        (void)lf_bool(value, where + "." + key);
      else
        (void)lf_number(value, where + "." + key);
    }
  } else if (action.action == "new_file") {
    if (action.args.contains("file")) (void)lf_text(action.args["file"], where + ".file");
  } else if (action.action == "remove") {
    if (!action.args.contains("atc_id")) lf_fail(where, "\"atc_id\" is missing");
    (void)lf_text(action.args["atc_id"], where + ".atc_id");
  } else if (action.action == "exception") {
    if (!action.args.contains("exception")) lf_fail(where, "\"exception\" is missing");
    (void)lf_unsigned(action.args["exception"], where + ".exception");
    if (action.args.contains("index")) (void)lf_unsigned(action.args["index"], where + ".index");
  }
  return action;
}

}  // namespace

void applyUserKeys(UserAircraft& user, const Json& keys, std::string_view where) {
  lf_checkKeys(keys, kUserKeys, where);
  const auto at = [&](std::string_view key) { return fmt::format("{}.{}", where, key); };
  for (const auto& [key, value] : keys.items()) {
    if (key == "title")
      user.title = lf_text(value, at(key));
    else if (key == "atc_model")
      user.atcModel = lf_text(value, at(key));
    else if (key == "lat")
      user.latDeg = lf_number(value, at(key));
    else if (key == "lon")
      user.lonDeg = lf_number(value, at(key));
    else if (key == "alt_ft")
      user.altFt = lf_number(value, at(key));
    else if (key == "heading_deg")
      user.headingDeg = lf_number(value, at(key));
    else if (key == "pitch_deg")
      user.pitchDeg = lf_number(value, at(key));
    else if (key == "bank_deg")
      user.bankDeg = lf_number(value, at(key));
    else if (key == "on_ground")
      user.onGround = lf_bool(value, at(key));
    else if (key == "ground_alt_ft")
      user.groundAltFt = lf_number(value, at(key));
    else if (key == "ground_speed_kt")
      user.groundSpeedKt = lf_number(value, at(key));
    else if (key == "light_states")
      user.lightStates = lf_integer(value, at(key));
  }
  if (std::abs(user.latDeg) > 90.0) lf_fail(at("lat"), "a latitude from -90 to 90 is expected");
  if (std::abs(user.lonDeg) > 180.0) lf_fail(at("lon"), "a longitude from -180 to 180 is expected");
}

Scenario parseScenario(const Json& document) {
  static const std::set<std::string, std::less<>> kKeys = {
      "app_name",      "app_version",  "available",        "flight_running",  "user",
      "titles",        "max_objects",  "frame_hz",         "first_object_id", "zulu_unix",
      "ground_alt_ft", "static_cg_ft", "static_pitch_deg", "timeline"};
  lf_checkKeys(document, kKeys, "top level");
  Scenario scenario;
  for (const auto& [key, value] : document.items()) {
    if (key == "app_name") {
      scenario.appName = lf_text(value, key);
    } else if (key == "app_version") {
      if (!value.is_array() || value.size() != 4) lf_fail(key, "four whole numbers are expected");
      for (std::size_t i = 0; i < 4; ++i) scenario.appVersion[i] = lf_unsigned(value[i], key);
    } else if (key == "available") {
      scenario.available = lf_bool(value, key);
    } else if (key == "flight_running") {
      scenario.flightRunning = lf_bool(value, key);
    } else if (key == "user") {
      applyUserKeys(scenario.user, value, key);
    } else if (key == "titles") {
      if (!value.is_array()) lf_fail(key, "a list of texts is expected");
      for (const auto& title : value) scenario.titles.push_back(lf_text(title, key));
    } else if (key == "max_objects") {
      scenario.maxObjects = lf_unsigned(value, key);
    } else if (key == "frame_hz") {
      scenario.frameHz = lf_number(value, key);
      if (scenario.frameHz <= 0 || scenario.frameHz > 1000)
        lf_fail(key, "a rate above 0 and up to 1000 is expected");
    } else if (key == "first_object_id") {
      scenario.firstObjectId = lf_unsigned(value, key);
      if (*scenario.firstObjectId < 2) lf_fail(key, "an id above the user's (1) is expected");
    } else if (key == "zulu_unix") {
      scenario.zuluUnix = lf_integer(value, key);
    } else if (key == "ground_alt_ft") {
      scenario.groundAltFt = lf_number(value, key);
    } else if (key == "static_cg_ft") {
      scenario.staticCgFt = lf_number(value, key);
    } else if (key == "static_pitch_deg") {
      scenario.staticPitchDeg = lf_number(value, key);
    } else if (key == "timeline") {
      if (!value.is_array()) lf_fail(key, "a list of actions is expected");
      for (std::size_t i = 0; i < value.size(); ++i) scenario.timeline.push_back(lf_action(value[i], i));
    }
  }
  std::stable_sort(scenario.timeline.begin(), scenario.timeline.end(),
                   [](const TimelineAction& a, const TimelineAction& b) { return a.at < b.at; });
  return scenario;
}

Scenario loadScenario(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(fmt::format("stand-in scenario: cannot read {}", path.string()));
  Json document;
  try {
    document = Json::parse(in);
  } catch (const Json::exception& e) {
    throw std::runtime_error(
        fmt::format("stand-in scenario: {} is not valid JSON: {}", path.string(), e.what()));
  }
  return parseScenario(document);
}

}  // namespace orv::standin
