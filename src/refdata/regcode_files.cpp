#include "refdata/regcode_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <pugixml.hpp>

#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "foundation/xml_meta.h"

namespace orv {
namespace {

constexpr std::size_t kShortestLine = 6;
constexpr std::size_t kShortestRegcode = 3;
constexpr std::size_t kLongestRegcode = 12;

[[nodiscard]] std::vector<std::string> lf_regcodesOf(std::string_view text) {
  const std::list<std::string> pieces = gf_splitCommaToList(text);
  return {pieces.begin(), pieces.end()};
}

[[nodiscard]] std::string_view lf_liveryWord(std::size_t count) {
  return count == 1 ? "livery" : "liveries";
}

[[nodiscard]] bool lf_validLength(const std::string& regcode) {
  return regcode.size() >= kShortestRegcode && regcode.size() <= kLongestRegcode;
}

// The fields of a line split at every ';', empty ones kept.
[[nodiscard]] std::vector<std::string_view> lf_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(';', start);
    if (end == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
}

// False when a registration had the wrong length.
bool lf_readRegcodeLine(std::string_view line, const std::filesystem::path& file,
                        std::vector<RegcodeEntry>& entries) {
  const std::vector<std::string_view> fields = lf_fields(line);
  if (fields.size() == 1) {
    if (!fields[0].empty()) entries.push_back({std::string(fields[0]), {}, false});
    return true;
  }
  if (fields.size() > 3) return true;
  std::vector<std::string> regcodes = lf_regcodesOf(fields[1]);
  const std::string title(fields[0]);
  if (regcodes.empty()) {
    entries.push_back({title, {}, false});
    return true;
  }
  const auto logWrong = [&](const std::string& regcode) {
    gf_logImportant(fmt::format("wrong regcode length '{}' in {}", regcode, gf_pathToUtf8(file)));
  };
  if (regcodes.size() == 1) {
    if (!lf_validLength(regcodes.front())) {
      logWrong(regcodes.front());
      return false;
    }
    entries.push_back({title, std::move(regcodes), true});
    return true;
  }
  const bool special = fields.size() == 3 && fields[2] == "#";
  bool ok = true;
  std::vector<std::string> valid;
  for (auto& regcode : regcodes) {
    if (lf_validLength(regcode)) {
      valid.push_back(std::move(regcode));
    } else {
      logWrong(regcode);
      ok = false;
    }
  }
  if (valid.empty())
    entries.push_back({title, {}, false});
  else
    entries.push_back({title, std::move(valid), special});
  return ok;
}

}  // namespace

std::string lf_attributeString(const pugi::xml_node& element, const char* name) {
  const pugi::xml_attribute attribute = element.attribute(name);
  return attribute ? std::string(attribute.value()) : std::string();
}

bool gf_readAigRegcodesXml(const std::filesystem::path& path, std::vector<RegcodeEntry>& entries) {
  pugi::xml_document document;
  if (!document.load_file(path.c_str())) {
    gf_logImportant(fmt::format("Failed to load {}", gf_pathToUtf8(path)));
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::remove(path, error))
      throw std::filesystem::filesystem_error("remove", path, error);
    if (error) throw std::filesystem::filesystem_error("remove", path, error);
    return false;
  }
  if (!gf_readXmlMeta(document)) return false;
  const pugi::xml_node aig = document.child("root").child("aig");
  if (!aig) {
    gf_logImportant("No <aig> node found in XML.");
    return false;
  }
  bool ok = true;
  std::string previous;
  for (const pugi::xml_node& element : aig.children("l")) {
    std::string title = lf_attributeString(element, "t");
    if (title.empty()) continue;
    if (title == previous) {
      gf_logImportant(fmt::format("Duplicate title '{}' (same as previous)", title));
      ok = false;
      continue;
    }
    previous = title;
    entries.push_back({std::move(title), lf_regcodesOf(lf_attributeString(element, "r")),
                       element.attribute("s").as_bool(false)});
  }
  gf_logLine(fmt::format("{:5} {} read from {}", entries.size(), lf_liveryWord(entries.size()),
                         gf_pathToUtf8(path.filename())));
  return ok;
}

bool gf_readRegcodeTextFiles(const std::filesystem::path& folder, std::vector<RegcodeEntry>& entries) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::error_code error;
    if (!entry.is_regular_file(error)) continue;
    if (gf_toUpper(gf_pathToUtf8(entry.path().extension())) == ".TXT") files.push_back(entry.path());
  }
  // Name order, so that a later file overrides an earlier one the same way on every machine.
  std::sort(files.begin(), files.end());
  bool ok = true;
  std::vector<std::string> lines;
  for (const auto& file : files) {
    if (!gf_readFile(file, lines).empty()) continue;
    for (const auto& line : lines)
      if (line.size() >= kShortestLine && !lf_readRegcodeLine(line, file, entries)) ok = false;
    gf_logLine(fmt::format("{:5} {} read from {}", entries.size(), lf_liveryWord(entries.size()),
                           gf_pathToUtf8(file)));
  }
  return ok;
}

}  // namespace orv
