#include "liveries/fltsim_parser.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <limits>

#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "liveries/scan_reports.h"
#include "refdata/codes.h"
#include "refdata/dbase.h"

namespace orv {
namespace {

constexpr std::string_view kGenericAirline = "ZZZ";
constexpr std::string_view kPrivateAirline = "PVT";
constexpr std::uint32_t kHighestSection = 10000;
constexpr std::size_t kLongestRegistration = 12;
constexpr std::size_t kSectionLines = 48;

[[nodiscard]] char lf_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] bool lf_startsWithIgnoreCase(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lf_lower(text[at + i]) != lf_lower(word[i])) return false;
  return true;
}

[[nodiscard]] bool lf_containsIgnoreCase(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return false;
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
    if (lf_startsWithIgnoreCase(text, at, word)) return true;
  return false;
}

[[nodiscard]] bool lf_isDigit(char c) {
  return c >= '0' && c <= '9';
}

[[nodiscard]] bool lf_isWordChar(char c) {
  return lf_isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

[[nodiscard]] std::size_t lf_skipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && lf_isBlank(text[at])) ++at;
  return at;
}

[[nodiscard]] bool lf_isComment(std::string_view line) {
  return line.size() >= 2 && line.starts_with("//");
}

void lf_dropTrailingComments(std::vector<std::string>& section) {
  while (!section.empty() && (section.back().empty() || section.back().starts_with("//"))) section.pop_back();
}

[[nodiscard]] std::optional<std::string> lf_nonEmpty(std::optional<std::string> value) {
  if (value && value->empty()) return std::nullopt;
  return value;
}

[[nodiscard]] std::string lf_text(const std::filesystem::path& path) {
  return gf_pathToUtf8(path);
}

[[nodiscard]] bool lf_isHeavy(std::string_view model) {
  return gf_modelClassOf(model) == ModelClass::Heavy;
}

// The airline of a database record; a record without one is a private aircraft.
[[nodiscard]] std::string lf_recordAirline(const DbaseCodes& codes) {
  const std::string_view code = gf_airlineCode(codes.airline);
  return code.empty() ? std::string(kPrivateAirline) : std::string(code);
}

// The registration of an atc_id value, or nothing with the reason reported.
struct AtcId {
  bool valid = false;
  std::string registration;  // empty for a value of several parts
  std::string cut;           // the value without its comment
};

[[nodiscard]] AtcId lf_parseAtcId(std::string_view value) {
  AtcId result;
  result.cut = gf_trim(value.substr(0, value.find(';')));
  std::vector<std::string_view> parts;
  std::string_view rest = result.cut;
  for (;;) {
    const std::size_t comma = rest.find(',');
    parts.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  for (const std::string_view part : parts)
    if (part.empty() || part == " " || part.size() > kLongestRegistration ||
        part.find('*') != std::string_view::npos)
      return result;
  result.valid = true;
  if (parts.size() == 1) result.registration = std::string(parts.front());
  return result;
}

// Splits the lines into sections and hands each to `process`; `endsSection` tells the lines that
// end a section without starting one.
template <typename EndsSection, typename Process>
void lf_splitSections(const std::vector<std::string>& lines, EndsSection endsSection, Process process) {
  std::vector<std::string> section;
  section.reserve(kSectionLines);
  bool inSection = false;
  for (const std::string& line : lines) {
    if (!lf_fltsimSectionNumber(line).empty()) {
      if (!section.empty()) process(std::move(section));
      section.clear();
      section.reserve(kSectionLines);
      section.push_back(line);
      inSection = true;
    } else if (endsSection(line)) {
      if (inSection && !section.empty()) process(std::move(section));
      section.clear();
      inSection = false;
    } else if (inSection) {
      section.push_back(line);
    }
  }
  if (inSection && !section.empty()) process(std::move(section));
}

// The two kinds of section, where a report of theirs is worded differently.
enum class SectionKind { Normal, Ivao };

// What a section line did to a key that may stand only once in a section.
enum class KeyLine { Other, Read, Repeated };

// atc_parking_types and atc_id, which both kinds of section read alike.
struct ParkingAndRegistration {
  std::string parking;  // upper case
  std::string registration;
  bool parkingSet = false;
  bool registrationSet = false;
};

// Reads either key from the line. A repeated key is reported, and gives the section up; an
// atc_id that names no registration is reported and read again from a later line.
[[nodiscard]] KeyLine lf_readParkingOrRegistration(const std::string& line, ParkingAndRegistration& keys,
                                                   SectionKind kind, std::string_view folder,
                                                   std::string_view header, std::string_view title) {
  if (!keys.parkingSet) {
    if (std::optional<std::string> value = lf_readParkingTypes(line)) {
      keys.parking = gf_toUpper(gf_trim(*value));
      keys.parkingSet = true;
      return KeyLine::Read;
    }
  } else if (gf_contains(line, "atc_parking_types")) {
    lf_appendIncompleteSectionLine(
        fmt::format("{} {} has more than one atc_parking_types key", folder, header));
    return KeyLine::Repeated;
  }
  if (!keys.registrationSet) {
    if (std::optional<std::string> value = lf_readAtcId(line)) {
      const AtcId atcId = lf_parseAtcId(*value);
      if (!atcId.valid) {
        lf_appendIncompleteSectionLine(kind == SectionKind::Ivao
                                           ? fmt::format("invalid atc_id={} in {}", atcId.cut, title)
                                           : fmt::format("invalid atc_id={} in: {}", atcId.cut, title));
      } else if (!atcId.registration.empty()) {
        keys.registration = atcId.registration;
        keys.registrationSet = true;
      }
      return KeyLine::Read;
    }
  } else if (gf_contains(line, "atc_id=")) {
    lf_appendIncompleteSectionLine(fmt::format("{}, {}, has more than one atc_id key", folder, header));
    return KeyLine::Repeated;
  }
  return KeyLine::Other;
}

// The section's livery, unless its title was taken before: then `duplicate` is reported. A livery
// made keeps the line for the duplicates that may follow.
[[nodiscard]] std::optional<Livery> lf_makeSectionLivery(const SectionContext& context,
                                                         std::string_view airline, bool passenger,
                                                         std::string title, std::string registration,
                                                         std::string duplicate) {
  std::optional<Livery> made = lf_makeLivery(context.ordinal, airline, context.model, passenger,
                                             std::move(title), std::move(registration));
  if (made)
    lf_noteDuplicateLine(std::move(duplicate));
  else
    lf_appendIncompleteSectionLine(std::move(duplicate));
  return made;
}

}  // namespace

std::optional<std::string> lf_keyValue(std::string_view line, std::string_view key) {
  std::size_t at = lf_skipBlanks(line, 0);
  if (!lf_startsWithIgnoreCase(line, at, key)) return std::nullopt;
  at = lf_skipBlanks(line, at + key.size());
  if (at >= line.size() || line[at] != '=') return std::nullopt;
  const std::size_t first = lf_skipBlanks(line, at + 1);
  if (first >= line.size()) return std::nullopt;
  std::size_t last = line.size();
  while (lf_isBlank(line[last - 1])) --last;
  std::string_view value = line.substr(first, last - first);
  // A line end inside the value breaks the line as the format knows it; a NUL would end the text
  // for the simulator and in "LiveriesScanned.xml", which would then name another livery.
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return std::nullopt;
  const std::size_t open = value.find('"');
  if (open == std::string_view::npos) return std::string(value);
  const std::size_t close = value.find('"', open + 1);
  if (close == std::string_view::npos) return std::string();
  return std::string(value.substr(open + 1, close - open - 1));
}

std::optional<std::string> lf_readTitle(std::string_view line) {
  return lf_nonEmpty(lf_keyValue(line, "title"));
}
std::optional<std::string> lf_readTexture(std::string_view line) {
  return lf_nonEmpty(lf_keyValue(line, "texture"));
}
std::optional<std::string> lf_readAtcId(std::string_view line) {
  return lf_nonEmpty(lf_keyValue(line, "atc_id"));
}
std::optional<std::string> lf_readParkingTypes(std::string_view line) {
  return lf_nonEmpty(lf_keyValue(line, "atc_parking_types"));
}
std::optional<std::string> lf_readIcaoAirline(std::string_view line) {
  std::optional<std::string> value = lf_keyValue(line, "icao_airline");
  if (!value) return value;
  if (value->empty() || *value == "ZZZZ") return std::string(kGenericAirline);
  return gf_toUpper(*value);
}

std::string lf_fltsimSectionNumber(std::string_view line) {
  if (lf_isComment(line)) return {};
  std::size_t at = lf_skipBlanks(line, 0);
  constexpr std::string_view kOpen = "[fltsim.";
  if (lf_startsWithIgnoreCase(line, at, kOpen)) {
    at += kOpen.size();
    const std::size_t digits = at;
    while (at < line.size() && lf_isDigit(line[at])) ++at;
    if (at > digits && at < line.size() && line[at] == ']' && lf_skipBlanks(line, at + 1) == line.size())
      return std::string(line.substr(digits, at - digits));
  }
  return lf_containsIgnoreCase(line, kOpen) ? std::to_string(kHighestSection) : std::string();
}

bool lf_splitFltsimSections(const std::vector<std::string>& lines, const std::filesystem::path& cfg) {
  std::vector<std::int32_t> numbers;
  for (const std::string& line : lines) {
    const std::string text = lf_fltsimSectionNumber(line);
    if (text.empty()) continue;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
      gf_logImportant(fmt::format("fltsim num {} incorrect", line));
      return false;
    }
    numbers.push_back(number);
  }
  if (numbers.empty()) {
    lf_appendNoFltsimFile(cfg);
    return true;
  }
  std::sort(numbers.begin(), numbers.end());
  for (const std::int32_t number : numbers) {
    if (static_cast<std::uint32_t>(number) > kHighestSection) {
      lf_appendInvalidCfgLine(fmt::format("{} contains a [fltsim.x] section with a number < 0 or > {}",
                                          lf_text(cfg), kHighestSection));
      return false;
    }
  }
  return true;
}

std::optional<Livery> lf_makeLivery(std::uint16_t ordinal, std::string_view airline, std::string_view model,
                                    bool passenger, std::string title, std::string registration) {
  if (!lf_addSeenTitle(title)) return std::nullopt;
  return Livery{.title = std::move(title),
                .registration = std::move(registration),
                .airline = gf_airlineId(airline),
                .model = gf_modelId(model),
                .folderOrdinal = ordinal,
                .cargo = !passenger};
}

std::optional<Livery> lf_procesFltSimSection(const SectionContext& context,
                                             std::vector<std::string> section) {
  lf_dropTrailingComments(section);
  if (section.empty()) return std::nullopt;
  const std::string& header = section.front();
  const std::string folder = lf_text(context.folder);
  std::string title, airline;
  ParkingAndRegistration keys;
  bool titleSet = false, airlineSet = false;
  bool givenUp = false;

  for (const std::string& line : section) {
    if (std::optional<std::string> value = lf_readTitle(line)) {
      if (titleSet) {
        lf_appendIncompleteSectionLine(fmt::format("{} {} has more than one title key", folder, header));
        givenUp = true;
        break;
      }
      title = gf_trim(*value);
      titleSet = true;
      if (gf_contains(title, "FenixA320") || gf_contains(title, "PMDG 737")) {
        givenUp = true;
        break;
      }
      continue;
    }
    if (!airlineSet) {
      if (std::optional<std::string> value = lf_readIcaoAirline(line)) {
        airline = gf_trim(*value);
        if (airline.size() == 4 && (airline[3] == 'X' || airline[3] == 'C')) airline.resize(3);
        if (gf_isKnownAirline(airline)) {
          airlineSet = true;
        } else if (airline == "RFO") {
          givenUp = true;
          break;
        } else {
          lf_appendInvalidAirlineLine(airline, context.cfg, header);
          airline.clear();
        }
        continue;
      }
    } else if (gf_contains(line, "icao_airline")) {
      lf_appendIncompleteSectionLine(fmt::format("{} {} has more than one icao_airline key", folder, header));
      givenUp = true;
      break;
    }
    if (lf_readParkingOrRegistration(line, keys, SectionKind::Normal, folder, header, title) ==
        KeyLine::Repeated) {
      givenUp = true;
      break;
    }
  }

  if (airline.empty())
    lf_appendIncompleteSectionLine(
        fmt::format("{} {} icao_airline is missing, or it has invalid info ", lf_text(context.cfg), header));
  if (givenUp) return std::nullopt;
  // A title of blanks names no livery either.
  if (!titleSet || title.empty()) {
    lf_appendIncompleteSectionLine(fmt::format("{} {} misses title", folder, header));
    return std::nullopt;
  }
  if (title.ends_with("-STUB")) airline = kGenericAirline;
  if (lf_isDontUseTitle(title)) return std::nullopt;
  if (airline == kGenericAirline) keys.registration.clear();
  if (airline.empty()) {
    if (keys.registration.empty()) {
      if (lf_isHeavy(context.model)) {
        lf_appendIncompleteSectionLine(
            fmt::format("'{}' '{}' has no airline and no regcode info", folder, header));
        return std::nullopt;
      }
      airline = kPrivateAirline;
      keys.registration = gf_registrationInText(title).value_or(std::string());
    } else if (const std::optional<DbaseCodes> record = gf_findDbaseRecord(keys.registration)) {
      airline = lf_recordAirline(*record);
    } else {
      if (lf_isHeavy(context.model)) {
        lf_appendIncompleteSectionLine(
            fmt::format("'{}' '{}' has no airline and regcode not in dbase", folder, header));
        return std::nullopt;
      }
      airline = kPrivateAirline;
    }
  }
  const bool cargo = gf_contains(keys.parking, "CARGO") && !gf_contains(keys.parking, "GATE");
  std::string duplicate = fmt::format("{} {} title '{}' already exists", folder, header, title);
  return lf_makeSectionLivery(context, airline, !cargo, std::move(title), std::move(keys.registration),
                              std::move(duplicate));
}

std::optional<Livery> lf_procesFltSimSectionIvao(const SectionContext& context,
                                                 std::vector<std::string> section) {
  lf_dropTrailingComments(section);
  if (section.empty()) return std::nullopt;
  const std::string& header = section.front();
  const std::string folder = lf_text(context.folder);
  const auto report = [&](std::string_view text) {
    lf_appendIncompleteSectionLine(folder + " " + header + std::string(text));
  };
  bool variant = false;
  for (const std::string_view name :
       {"IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM", "IVAO_A320wIAE", "IVAO_A319fIAEw"})
    if (gf_contains(folder, name)) variant = true;

  std::string title;
  ParkingAndRegistration keys;
  std::optional<std::string> texture;
  bool titleSet = false;
  for (const std::string& line : section) {
    if (std::optional<std::string> value = lf_readTitle(line)) {
      if (titleSet) {
        report(" has more than one title key");
        return std::nullopt;
      }
      title = gf_trim(*value);
      if (title != *value)
        gf_logLine(fmt::format("removed spaces around title '{}' --> '{}'", *value, title));
      titleSet = true;
      continue;
    }
    const KeyLine keyLine =
        lf_readParkingOrRegistration(line, keys, SectionKind::Ivao, folder, header, title);
    if (keyLine == KeyLine::Repeated) return std::nullopt;
    if (keyLine == KeyLine::Other && !texture) texture = lf_readTexture(line);
  }

  // Windows drops the trailing dot of "texture."; a texture that leaves the folder is none.
  const std::string name = texture.value_or(std::string());
  bool textureExists = false;
  if (name.find_first_of("/\\") == std::string::npos && name.find("..") == std::string::npos) {
    const std::filesystem::path textureFolder =
        context.folder / (name.empty() ? std::string("texture") : "texture." + name);
    std::error_code error;
    textureExists = std::filesystem::is_directory(textureFolder, error);
    if (error && error != std::errc::no_such_file_or_directory)
      throw std::filesystem::filesystem_error("status", textureFolder, error);
  }
  if (!textureExists) {
    report(" does not exist");
    return std::nullopt;
  }
  if (!titleSet || title.empty()) {
    report(" misses title");
    return std::nullopt;
  }
  if (lf_isDontUseTitle(title)) return std::nullopt;

  // The title: the model code, "W" for the winglet variants, blanks, then three word characters.
  std::string airline;
  std::string prefix = context.model + (variant ? "W" : "");
  bool matched = false;
  if (lf_startsWithIgnoreCase(title, 0, prefix)) {
    const std::size_t at = lf_skipBlanks(title, prefix.size());
    if (title.size() - at >= 3 && lf_isWordChar(title[at]) && lf_isWordChar(title[at + 1]) &&
        lf_isWordChar(title[at + 2]) && title.find_first_of("\r\n", at + 3) == std::string::npos) {
      matched = true;
      airline = title.substr(at, 3);
    }
  }
  if (matched) {
    if (!gf_isKnownAirline(airline)) {
      lf_appendInvalidAirlineLine(airline, context.cfg, header);
      return std::nullopt;
    }
    if (airline == kGenericAirline) keys.registration.clear();
  } else if (keys.registration.empty()) {
    report(" misses airlinecode in title: " + title + ", and no regcode");
    return std::nullopt;
  } else if (const std::optional<DbaseCodes> record = gf_findDbaseRecord(keys.registration)) {
    airline = lf_recordAirline(*record);
  } else {
    report(" misses airlinecode in title: " + title + ", and regcode unknown ");
    return std::nullopt;
  }
  std::string duplicate = folder + " " + header + " title already exists: " + title;
  return lf_makeSectionLivery(context, airline, true, std::move(title), std::move(keys.registration),
                              std::move(duplicate));
}

namespace {

// The liveries the sections make, by one kind's rules. A section that throws is logged with its
// file, and ends the file's reading.
template <typename EndsSection, typename ProcessSection>
std::vector<Livery> lf_processSections(const SectionContext& context, const std::vector<std::string>& lines,
                                       EndsSection endsSection, ProcessSection processSection) {
  std::vector<Livery> liveries;
  lf_splitSections(lines, endsSection, [&](std::vector<std::string> section) {
    try {
      if (std::optional<Livery> made = processSection(context, std::move(section)))
        liveries.push_back(std::move(*made));
    } catch (const std::exception& e) {
      gf_logLine(
          fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(), lf_text(context.cfg)));
      throw;
    }
  });
  return liveries;
}

}  // namespace

std::vector<Livery> lf_processFltsimSections(const SectionContext& context,
                                             const std::vector<std::string>& lines) {
  const auto endsSection = [](const std::string& line) {
    return line.substr(0, 6).find('[') != std::string::npos;
  };
  return lf_processSections(context, lines, endsSection, lf_procesFltSimSection);
}

std::vector<Livery> lf_processFltsimSectionsIvao(const SectionContext& context,
                                                 const std::vector<std::string>& lines) {
  const auto endsSection = [](const std::string& line) { return line.find('[') != std::string::npos; };
  return lf_processSections(context, lines, endsSection, lf_procesFltSimSectionIvao);
}

}  // namespace orv
