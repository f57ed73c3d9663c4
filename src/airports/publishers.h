#pragma once

// The scenery publisher of an add-on airport, from its BGL file's path and the package's
// "manifest.json", and whether a stand file names one. Start-up thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

inline constexpr std::string_view kVontaPublisher = "vonta";

struct ManifestInfo {
  std::string manufacturer;
  std::string creator;
  std::string title;
};

struct PublisherInfo {
  std::string publisher;  // empty when none was found
  std::string manufacturer;
  std::string creator;
  std::string title;
};

// The publisher named in a path; the default is the aircraft database's publisher lists.
using PublisherLookup = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The lines go to the scan log, in order.
[[nodiscard]] PublisherInfo gf_findPublisher(const std::filesystem::path& bglPath,
                                             const PublisherLookup& lookup, std::vector<std::string>& log);
[[nodiscard]] std::optional<ManifestInfo> gf_searchManifest(const std::filesystem::path& bglPath,
                                                            std::vector<std::string>& log);
// The folder's "manifest.json"; empty when it has none.
[[nodiscard]] std::filesystem::path lf_findManifest(const std::filesystem::path& folder);
[[nodiscard]] std::optional<ManifestInfo> lf_readManifest(const std::filesystem::path& path);
[[nodiscard]] bool lf_isVontaPublisher(std::string_view text);
// True when the stand file names a publisher, or a manufacturer or creator of 4 or more characters
// that is not the word vonta.
[[nodiscard]] bool gf_readAirportPublisher(const std::filesystem::path& standFile);

}  // namespace orv
