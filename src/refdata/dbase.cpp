#include "refdata/dbase.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <pugixml.hpp>
#include <stdexcept>

#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "refdata/pieces.h"

namespace orv {
namespace {

using TextSet = std::set<std::string, std::less<>>;

constexpr int kDbaseErrorCode = 61;
constexpr double kNmPerMetre = 0.0005399568034557236;

// The results of the reading; written once on the start-up thread, read-only afterwards.
std::vector<DbaseRecord> records;
std::map<std::string, std::string, std::less<>> modelCodeFixes;
std::vector<std::vector<std::string>> publisherLists;
TextSet simAddonAirports;
std::vector<ThirdPartyEntry> thirdParties2020;
std::vector<ThirdPartyEntry> thirdParties2024;

// The plain text of an enciphered file must not outlive its reading, whichever way that ends.
class RemovedOnExit {
 public:
  explicit RemovedOnExit(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemovedOnExit() {
    try {
      gf_removeFileIfExists(path_);
    } catch (...) {
      // Only the log line of a failed removal can throw; the file stays and nothing else is lost.
    }
  }
  RemovedOnExit(const RemovedOnExit&) = delete;
  RemovedOnExit& operator=(const RemovedOnExit&) = delete;

 private:
  std::filesystem::path path_;
};

std::vector<std::string> lf_splitTrimmed(std::string_view text) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  for (const auto& piece : gf_splitAtEveryComma(text)) pieces.push_back(gf_trim(piece));
  return pieces;
}

pugi::xml_node lf_requiredSection(const pugi::xml_document& document, const char* section) {
  const pugi::xml_node root = document.child("root");
  if (!root) throw UserErrorException(kDbaseErrorCode, "XML root missing: root");
  const pugi::xml_node node = root.child(section);
  if (!node) throw UserErrorException(kDbaseErrorCode, fmt::format("Missing section: {}", section));
  return node;
}

void lf_readSectionSet(const pugi::xml_document& document, const char* section, const char* element,
                       const char* attribute, TextSet& target) {
  bool entered = false;
  for (const pugi::xml_node& node : lf_requiredSection(document, section).children(element)) {
    const std::string_view value = node.attribute(attribute).as_string();
    if (value.empty()) continue;
    for (auto& piece : gf_splitAtEveryComma(value)) {
      if (piece.empty()) continue;
      target.insert(std::move(piece));
      entered = true;
    }
  }
  if (!entered)
    throw UserErrorException(kDbaseErrorCode,
                             fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.",
                                         section, element, attribute));
}

void lf_readTypesSection(const pugi::xml_document& document, const char* section, const char* element,
                         TextSet& target) {
  lf_readSectionSet(document, section, element, "types", target);
}

void lf_readCodesSection(const pugi::xml_document& document, const char* section, TextSet& target) {
  lf_readSectionSet(document, section, "ICAO", "codes", target);
}

void lf_readThirdParties(const pugi::xml_document& document, const char* section, const char* element,
                         std::vector<ThirdPartyEntry>& target) {
  const pugi::xml_node node = document.child("root").child(section);
  if (!node) return;
  for (const pugi::xml_node& entry : node.children(element)) {
    const std::string_view airports = entry.attribute("arpts").as_string();
    target.push_back({entry.attribute("pub").as_string(),
                      airports.empty() ? std::vector<std::string>{} : gf_splitAtEveryComma(airports)});
  }
}

void lf_readSimilarTypes(const pugi::xml_document& document, ReferenceSets& sets) {
  sets.similarTypes.reserve(64);
  for (const pugi::xml_node& node : document.child("root").child("similar_types").children("similar")) {
    std::vector<std::string> list;
    // An empty piece ("A320,,A321") names no model: it would make the empty code alike to others.
    for (auto& piece : gf_splitAtEveryComma(node.attribute("types").as_string()))
      if (!piece.empty()) list.push_back(std::move(piece));
    std::sort(list.begin(), list.end());
    sets.similarTypes.push_back(std::move(list));
  }
}

std::vector<std::vector<std::string>> lf_readPublishers(const pugi::xml_document& document) {
  std::vector<std::string> texts;
  for (const pugi::xml_node& node : document.child("root").child("publishers").children("pub"))
    texts.emplace_back(node.attribute("names").as_string());
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  std::vector<std::vector<std::string>> lists;
  lists.reserve(640);
  for (const auto& text : texts) {
    // An empty name would occur in every path and make its publisher match everything; a list
    // without names has no publisher at all.
    std::vector<std::string> names = lf_splitTrimmed(text);
    std::erase_if(names, [](const std::string& name) { return name.empty(); });
    if (!names.empty()) lists.push_back(std::move(names));
  }
  return lists;
}

void lf_readWingspans(const pugi::xml_document& document, ReferenceSets& sets) {
  std::map<std::string, double, std::less<>> halfWingspans;
  for (const pugi::xml_node& node : document.child("root").child("wingspans").children("wingspan")) {
    const std::string_view type = node.attribute("type").as_string();
    if (type.empty() || !sets.aircrafts.contains(type)) {
      gf_logImportant(fmt::format("wingspan model {} is not valid, skipped", type));
      continue;
    }
    const double half = node.attribute("meters").as_double() * 0.5 * kNmPerMetre;
    halfWingspans.try_emplace(std::string(type), half);  // the first element of a type wins
    sets.largestHalfWingspan = std::max(sets.largestHalfWingspan, half);
  }
  for (const auto& [type, half] : halfWingspans) {
    const ModelId id = gf_modelId(type);
    if (id < kHalfWingspanSlots)
      sets.halfWingspans[id] = half;
    else
      gf_logImportant(fmt::format("wsp fill what: {}", "invalid array<T, N> subscript"));
  }
}

std::map<std::string, std::string, std::less<>> lf_readFixes(const pugi::xml_document& document,
                                                             const TextSet& aircrafts) {
  std::map<std::string, std::string, std::less<>> fixes;
  const pugi::xml_node section = document.child("root").child("fixes");
  if (!section) return fixes;
  for (const pugi::xml_node& node : section.children("fx")) {
    const std::string_view wrong = node.attribute("wro").as_string();
    const std::string_view right = node.attribute("cor").as_string();
    if (right.empty() || !aircrafts.contains(right)) {
      gf_logImportant(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, right));
      continue;
    }
    if (fixes.contains(wrong)) {
      gf_logImportant(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
      continue;
    }
    fixes.emplace(wrong, right);
  }
  gf_logLine(fmt::format("{:5} fixes", fixes.size()));
  return fixes;
}

std::vector<DbaseRecord> lf_readRecords(const pugi::xml_document& document) {
  std::vector<DbaseRecord> list;
  list.reserve(60000);
  for (const pugi::xml_node& node : document.child("root").child("dbase").children("d")) {
    DbaseRecord record;
    record.registration = node.attribute("r").as_string();
    record.codes.airline = gf_airlineId(node.attribute("a").as_string());
    record.codes.model = gf_modelId(node.attribute("m").as_string());
    record.codes.operatorId = gf_airlineId(node.attribute("o").as_string());
    record.codes.cargo = node.attribute("c").as_bool();
    list.push_back(std::move(record));
  }
  // Of several records of one registration the first in the file stays.
  const auto byRegistration = [](const DbaseRecord& a, const DbaseRecord& b) {
    return a.registration < b.registration;
  };
  std::stable_sort(list.begin(), list.end(), byRegistration);
  list.erase(std::unique(
                 list.begin(), list.end(),
                 [](const DbaseRecord& a, const DbaseRecord& b) { return a.registration == b.registration; }),
             list.end());
  list.shrink_to_fit();
  return list;
}

}  // namespace

bool gf_readDbase() {
  const ProgramPaths& paths = gf_paths();
  if (!std::filesystem::exists(paths.dbaseEnc))
    throw std::runtime_error(fmt::format("{} not available", gf_pathToUtf8(paths.dbaseEnc)));
  const RemovedOnExit plainFile(paths.dbaseXml);
  if (!gf_streamDecrypt(paths.dbaseEnc, paths.dbaseXml))
    throw std::runtime_error(fmt::format("{} stream decrypt failed", gf_pathToUtf8(paths.dbaseEnc)));

  pugi::xml_document document;
  if (const pugi::xml_parse_result parsed = document.load_file(paths.dbaseXml.c_str()); !parsed) {
    gf_logImportant(
        fmt::format("'{}' not read because of {}", gf_pathToUtf8(paths.dbaseXml), parsed.description()));
    return false;
  }

  ReferenceSets sets;
  lf_readTypesSection(document, "aircrafts", "aircraft", sets.aircrafts);
  gf_logLine(fmt::format("\n{:5} ICAO model codes", sets.aircrafts.size()));
  TextSet cargoTypes;
  lf_readTypesSection(document, "cargo_types", "cargo_type", cargoTypes);
  (void)gf_modelId("");
  for (const auto& code : sets.aircrafts) (void)gf_modelId(code);
  for (const auto& code : cargoTypes) (void)gf_modelId(code);

  TextSet heavy, large, buzjet, highPerformance, rotorcraft;
  lf_readTypesSection(document, "heavy", "hvy", heavy);
  lf_readTypesSection(document, "large", "lar", large);
  lf_readTypesSection(document, "buzjet", "bzj", buzjet);
  lf_readTypesSection(document, "high_performance", "hpf", highPerformance);
  lf_readTypesSection(document, "rotorcraft", "rot", rotorcraft);
  for (const auto& [codes, target] :
       {std::pair{&heavy, &sets.classes.heavy}, std::pair{&large, &sets.classes.large},
        std::pair{&buzjet, &sets.classes.buzjet}, std::pair{&highPerformance, &sets.classes.highPerformance},
        std::pair{&rotorcraft, &sets.classes.rotorcraft}})
    for (const auto& code : *codes) target->insert(gf_modelId(code));

  lf_readSimilarTypes(document, sets);

  lf_readCodesSection(document, "ICAO_airlines", sets.icaoAirlines);
  gf_logLine(fmt::format("{:5} ICAO airline codes", sets.icaoAirlines.size()));
  TextSet cargoOperators;
  lf_readCodesSection(document, "cargo_operators", cargoOperators);
  gf_logLine(fmt::format("{:5} cargo operators", cargoOperators.size()));
  (void)gf_airlineId("");
  for (const auto& code : sets.icaoAirlines) (void)gf_airlineId(code);
  for (const auto& code : cargoOperators) (void)gf_airlineId(code);

  auto publishers = lf_readPublishers(document);
  gf_logLine(fmt::format("{:5} publishers", publishers.size()));

  lf_readWingspans(document, sets);
  auto fixes = lf_readFixes(document, sets.aircrafts);

  TextSet simAddons;
  lf_readSectionSet(document, "simaddons20", "simaddon20", "arpts", simAddons);
  std::vector<ThirdPartyEntry> thirdParties20, thirdParties24;
  thirdParties20.reserve(600);
  lf_readThirdParties(document, "thirdparties20", "thirdpartie20", thirdParties20);
  thirdParties24.reserve(300);
  lf_readThirdParties(document, "thirdparties24", "thirdpartie24", thirdParties24);

  records = lf_readRecords(document);
  modelCodeFixes = std::move(fixes);
  publisherLists = std::move(publishers);
  simAddonAirports = std::move(simAddons);
  thirdParties2020 = std::move(thirdParties20);
  thirdParties2024 = std::move(thirdParties24);
  gf_installReferenceSets(std::move(sets));

  gf_logLine(fmt::format("{:5} dbase records read", records.size()));
  gf_flushLog();
  return true;
}

void gf_clearDbase() {
  records.clear();
  modelCodeFixes.clear();
  publisherLists.clear();
  simAddonAirports.clear();
  thirdParties2020.clear();
  thirdParties2024.clear();
  gf_clearReferenceTables();
}

const std::vector<DbaseRecord>& gf_dbaseRecords() {
  return records;
}
const std::map<std::string, std::string, std::less<>>& gf_modelCodeFixes() {
  return modelCodeFixes;
}
const std::vector<std::vector<std::string>>& gf_publisherLists() {
  return publisherLists;
}
const std::set<std::string, std::less<>>& gf_simAddonAirports() {
  return simAddonAirports;
}
const std::vector<ThirdPartyEntry>& gf_thirdParties2020() {
  return thirdParties2020;
}
const std::vector<ThirdPartyEntry>& gf_thirdParties2024() {
  return thirdParties2024;
}

std::vector<std::string> gf_registrationKeys(std::string_view registration) {
  std::string whole(registration);
  if (registration.size() < 5 || registration.front() == 'N' ||
      registration.find('-') != std::string_view::npos)
    return {whole};
  return {fmt::format("{}-{}", registration.substr(0, 2), registration.substr(2)),
          fmt::format("{}-{}", registration.substr(0, 1), registration.substr(1)), whole};
}

std::optional<DbaseCodes> gf_findDbaseRecord(std::string_view registration) {
  if (registration.empty()) return std::nullopt;
  for (const auto& key : gf_registrationKeys(registration)) {
    const auto found =
        std::lower_bound(records.begin(), records.end(), key,
                         [](const DbaseRecord& r, const std::string& k) { return r.registration < k; });
    if (found != records.end() && found->registration == key) return found->codes;
  }
  return std::nullopt;
}

std::string_view gf_operatorOfRegistration(std::string_view registration) {
  const auto codes = gf_findDbaseRecord(registration);
  return codes ? gf_airlineCode(codes->operatorId) : std::string_view();
}

std::optional<std::string> gf_registrationInText(std::string_view text) {
  for (const auto& record : records) {
    // A record without a registration would occur in every text.
    if (record.registration.empty() || record.registration.size() >= 6) continue;
    if (text.find(record.registration) != std::string_view::npos) return record.registration;
  }
  return std::nullopt;
}

bool gf_equalsIgnoreCase(const std::filesystem::path& path, std::string_view name) {
  if (name.empty()) return true;
  return gf_toUpper(gf_pathToUtf8(path)).find(gf_toUpper(name)) != std::string::npos;
}

std::optional<std::string> gf_publisherOf(const std::filesystem::path& path) {
  const std::string text = gf_pathToUtf8(path);
  for (const auto& names : publisherLists)
    for (const auto& name : names)
      if (text.find(name) != std::string::npos || gf_equalsIgnoreCase(path, name)) return names.front();
  return std::nullopt;
}

bool gf_matchCodeNumber(std::string_view label, std::string_view code, int& number, std::string_view entry) {
  if (!entry.starts_with(code)) return false;
  const std::string_view rest = entry.substr(code.size());
  int value = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (rest.empty() || error != std::errc() || end != rest.data() + rest.size()) {
    gf_logImportant(fmt::format("{} {} {} {}", label, code.empty() ? std::string_view("    ") : code, entry,
                                "invalid number"));
    return true;
  }
  number = value;
  return true;
}

}  // namespace orv
