// "versions.json" from the download site, or whatever a proxy answers in its place, read as the
// update check reads it: the whole file as JSON, then each item's version. A version taken is
// stored as a setting's text, and that text must give the same version when the next start
// compares it.

#include <cstdint>
#include <exception>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "foundation/version.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto path = fuzz_support::workingFolder() / "versions.json";
  fuzz_support::writeFile(path, fuzz_support::text(data, size));
  nlohmann::json document;
  try {
    std::ifstream in(path, std::ios::binary);
    document = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception&) {
    return 0;  // no JSON: taken as an unreachable site
  }
  if (!document.is_object()) return 0;
  for (const char* item : {"msfs", "simaddon", "airports", "aig", "liveries", "addons", "dbase"}) {
    const auto member = document.find(item);
    if (member == document.end()) continue;
    const std::optional<orv::Version> remote = orv::gf_versionFromJson(*member);
    if (!remote) continue;
    if (remote->major < 0 || remote->minor < 0 || remote->patch < 0) fuzz_support::fail("a negative version");
    try {
      if (orv::gf_parseVersion(orv::gf_versionText(*remote)) != *remote)
        fuzz_support::fail("the stored version reads as another");
    } catch (const std::exception&) {
      fuzz_support::fail("the stored version does not read");
    }
  }
  return 0;
}
