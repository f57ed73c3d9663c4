#include "liveries/aircraft_models.h"

#include <fmt/format.h>

#include <regex>
#include <unordered_map>

#include "foundation/text.h"
#include "foundation/utf.h"
#include "liveries/fltsim_parser.h"
#include "liveries/scan_reports.h"
#include "refdata/codes.h"
#include "refdata/dbase.h"

namespace orv {
namespace {

const std::unordered_map<std::string_view, std::string_view>& lf_stockModels() {
  static const std::unordered_map<std::string_view, std::string_view> table = {
      {"Asobo_FlightDesignCT", "FDCT"},
      {"Asobo_Longitude", "C700"},
      {"Asobo_VL3", "VL3"},
      {"Asobo_Savage_Cub", "SAVG"},
      {"Asobo_Savage_ShockUltra", "SAVG"},
      {"Asobo_XCub", "CC19"},
      {"Asobo_Pitts", "PTS2"},
      {"Asobo_SR22", "SR22"},
      {"Asobo_Icon", "A5"},
      {"Asobo_TBM930", "TBM9"},
      {"Asobo_KingAir350", "B350"},
      {"Asobo_E330", "E300"},
      {"Asobo_DV20", "DV20"},
      {"Asobo_DR400", "DR40"},
      {"Asobo_DA62", "DA62"},
      {"Asobo_DA40_TDI", "DA40"},
      {"Asobo_DA40_NG", "DA40"},
      {"Asobo_Cap10C", "CP10"},
      {"Asobo_CJ4", "C25C"},
      {"Asobo_C152", "C152"},
      {"Asobo_C152_Aerobat", "C152"},
      {"Asobo_C172sp_AS1000", "C172"},
      {"Asobo_C172sp_classic", "C172"},
      {"Asobo_Bonanza_G36", "BE36"},
      {"Asobo_Baron_G58", "B58T"},
      {"Asobo_B747_8i", "B748"},
      {"Asobo_B787_10", "B78X"},
      {"Asobo_208B_GRAND_CARAVAN_EX", "C208"},
      {"Asobo_A320_NEO", "A20N"},
      {"FlyByWire_A320_NEO", "A20N"},
  };
  return table;
}

}  // namespace

std::optional<std::string_view> lf_stockModel(std::string_view folderName) {
  const auto& table = lf_stockModels();
  const auto found = table.find(folderName);
  if (found == table.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> lf_readTypeDesignator(std::string_view line) {
  std::optional<std::string> value = lf_keyValue(line, "icao_type_designator");
  if (!value || value->empty()) return std::nullopt;
  return gf_toUpper(std::string_view(*value).substr(0, 4));
}

std::optional<std::string> lf_readBaseContainer(std::string_view line) {
  const std::optional<std::string> value = lf_keyValue(line, "base_container");
  if (!value || value->size() < 4) return std::nullopt;
  const std::optional<std::string_view> type = lf_stockModel(std::string_view(*value).substr(3));
  if (!type) return std::nullopt;
  return gf_toUpper(*type);
}

std::string lf_checkModel(const std::string& code, const std::filesystem::path& cfg) {
  if (gf_isKnownModel(code)) return code;
  const auto& fixes = gf_modelCodeFixes();
  if (const auto fix = fixes.find(code); fix != fixes.end()) {
    lf_appendFixLine(code, cfg, fix->second);
    return fix->second;
  }
  lf_appendInvalidModelLine(code, cfg);
  return {};
}

std::string lf_modelFromTypeDesignator(const std::filesystem::path& cfg,
                                       const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (const std::optional<std::string> code = lf_readTypeDesignator(line)) return lf_checkModel(*code, cfg);
  return lf_modelFromBaseContainer(cfg, lines);
}

std::string lf_modelFromBaseContainer(const std::filesystem::path& cfg,
                                      const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (const std::optional<std::string> code = lf_readBaseContainer(line)) return lf_checkModel(*code, cfg);
  const std::string path = gf_pathToUtf8(cfg);
  if (!gf_contains(path, "pmdg-aircraft-7") && !gf_contains(path, "fnx-aircraft-3"))
    lf_appendInvalidCfgLine("Line icao_type_designator= is missing in [General] section of " + path);
  return {};
}

std::string lf_ivaoModelFromPath(const std::filesystem::path& cfg) {
  // Both separators, so that the same packages are known wherever they lie.
  static const std::regex mtl(
      R"(.+[\\/]IVAO_MTL[\\/]SimObjects[\\/]Airplanes[\\/]IVAO_(\w+)[\\/]aircraft.cfg$)",
      std::regex::ECMAScript | std::regex::icase);
  static const std::regex csl(
      R"(.+[\\/]ivao_x-csl[\\/]SimObjects[\\/]Airplanes[\\/]IVAO_(\w+)[\\/]aircraft.cfg$)",
      std::regex::ECMAScript | std::regex::icase);
  const std::string path = gf_pathToUtf8(cfg);
  std::smatch match;
  if (!std::regex_match(path, match, mtl) && !std::regex_match(path, match, csl)) {
    lf_appendInvalidModelLine("  ", cfg);
    return {};
  }
  return lf_checkModel(match[1].str().substr(0, 4), cfg);
}

}  // namespace orv
