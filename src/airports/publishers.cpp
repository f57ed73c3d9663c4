#include "airports/publishers.h"

#include <fmt/format.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <system_error>

#include "config/parameter_xml.h"
#include "foundation/log.h"

namespace orv {
namespace fs = std::filesystem;

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A member that is not a string counts as empty, and so does one holding a NUL ("\u0000"): the
// stand file the scan writes would hold a text cut short.
std::string lf_jsonStringOrEmpty(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return {};
  std::string text = it->get<std::string>();
  return text.find('\0') == std::string::npos ? text : std::string();
}

// The folder's manifest, read; `held` tells whether the folder holds one at all. The first
// manifest on the way up belongs to the package: one that cannot be read is no reason to take
// an unrelated folder's further up.
std::optional<ManifestInfo> manifestIn(const fs::path& folder, std::vector<std::string>& log, bool& held) {
  const fs::path manifest = lf_findManifest(folder);
  held = !manifest.empty();
  if (!held) return std::nullopt;
  log.push_back(manifest.generic_string() + " found");
  return lf_readManifest(manifest);
}

}  // namespace

bool lf_isVontaPublisher(std::string_view text) {
  return text == kVontaPublisher;
}

fs::path lf_findManifest(const fs::path& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return {};
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && it->path().stem() == "manifest" && it->path().extension() == ".json") {
      return it->path();
    }
  }
  return {};
}

std::optional<ManifestInfo> lf_readManifest(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  for (std::string line; std::getline(in, line);) text += line;
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (!json.is_object()) return std::nullopt;
  return ManifestInfo{lf_jsonStringOrEmpty(json, "manufacturer"), lf_jsonStringOrEmpty(json, "creator"),
                      lf_jsonStringOrEmpty(json, "title")};
}

std::optional<ManifestInfo> gf_searchManifest(const fs::path& bglPath, std::vector<std::string>& log) {
  try {
    fs::path walked;
    bool community = false;
    for (const auto& part : bglPath) {
      walked /= part;
      if (community) {
        bool held = false;
        auto found = manifestIn(walked, log, held);
        if (held) return found;
        break;
      }
      community = lowerAscii(part.string()) == "community";
    }
    for (fs::path folder = bglPath.parent_path(); !folder.empty(); folder = folder.parent_path()) {
      bool held = false;
      auto found = manifestIn(folder, log, held);
      if (held) return found;
      if (folder == folder.parent_path()) break;
    }
  } catch (const std::exception& e) {
    log.push_back(fmt::format("exception in gf_searchManifest: {}", e.what()));
  }
  return std::nullopt;
}

PublisherInfo gf_findPublisher(const fs::path& bglPath, const PublisherLookup& lookup,
                               std::vector<std::string>& log) {
  PublisherInfo info;
  log.push_back(fmt::format("\nTry to find publisher in: {}", bglPath.generic_string()));
  const std::string lower = lowerAscii(bglPath.generic_string());
  if (lower.find("microsoft-airport") != std::string::npos ||
      lower.find("asobo-airport") != std::string::npos) {
    info.publisher = "simaddon";
    log.push_back(fmt::format("from filename => publisher {}", info.publisher));
    return info;
  }
  if (auto found = lookup(bglPath)) {
    info.publisher = *found;
    log.push_back(fmt::format("publisher '{}' found", info.publisher));
    return info;
  }
  const auto manifest = gf_searchManifest(bglPath, log);
  if (!manifest) {
    log.emplace_back("===> No publisher found");
    return info;
  }
  info.manufacturer = manifest->manufacturer;
  info.creator = manifest->creator;
  info.title = manifest->title;
  if (!manifest->manufacturer.empty()) {
    if (auto found = lookup(manifest->manufacturer)) {
      info.publisher = *found;
      log.push_back(fmt::format("from manifest.json: manufacturer '{}' => publisher '{}'",
                                manifest->manufacturer, info.publisher));
      return info;
    }
  }
  if (!manifest->creator.empty()) {
    if (auto found = lookup(manifest->creator)) {
      info.publisher = *found;
      log.push_back(fmt::format("from manifest.json: creator '{}' => publisher '{}'", manifest->creator,
                                info.publisher));
      return info;
    }
  }
  log.push_back(
      fmt::format("no valid info found in manifest about publisher, manufacturer:'{}', creator:'{}' {}",
                  manifest->manufacturer, manifest->creator, bglPath.generic_string()));
  return info;
}

bool gf_readAirportPublisher(const fs::path& standFile) {
  pugi::xml_document document;
  if (!document.load_file(standFile.c_str())) {
    gf_logImportant(fmt::format("'{}' not found", standFile.generic_string()));
    return false;
  }
  const auto text = [&document](std::string_view key) {
    return gf_getXmlParameterString(document, key).value_or(std::string());
  };
  if (!text("publisher").empty()) return true;
  for (const char* key : {"manufacturer", "creator"}) {
    const std::string value = text(key);
    if (value.size() >= 4 && !lf_isVontaPublisher(value)) return true;
  }
  return false;
}

}  // namespace orv
