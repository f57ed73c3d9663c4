#include "liveries/livery_record.h"

#include <fmt/format.h>

#include <pugixml.hpp>

#include "config/parameter_xml.h"
#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/version.h"
#include "foundation/xml_meta.h"

namespace orv {
namespace {

[[nodiscard]] std::string lf_pathText(const std::filesystem::path& path) {
  return path.string();
}

[[nodiscard]] bool lf_appendAttribute(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_attribute attribute = node.append_attribute(name);
  return attribute && attribute.set_value(value.c_str());
}

[[nodiscard]] bool lf_appendLivery(pugi::xml_node liveries, const Livery& livery) {
  pugi::xml_node node = liveries.append_child("l");
  if (!node) return false;
  bool ok = lf_appendAttribute(node, "a", std::string(gf_airlineCode(livery.airline))) &&
            lf_appendAttribute(node, "m", std::string(gf_modelCode(livery.model)));
  if (ok && livery.cargo) ok = lf_appendAttribute(node, "c", "true");
  ok = ok && lf_appendAttribute(node, "t", livery.title);
  if (ok && !livery.registration.empty()) ok = lf_appendAttribute(node, "r", livery.registration);
  return ok;
}

[[nodiscard]] const char* lf_requiredAttribute(const pugi::xml_node& node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute)
    throw UserErrorException(999, fmt::format("Missing required attribute '{}' in <{}>", name, node.name()));
  return attribute.value();
}

}  // namespace

LiveryList& gf_liveryList() {
  static LiveryList list;
  return list;
}

bool lf_liveryLess(const Livery& a, const Livery& b) {
  if (a.airline != b.airline) return gf_airlineCode(a.airline) < gf_airlineCode(b.airline);
  if (a.model != b.model) return gf_modelCode(a.model) < gf_modelCode(b.model);
  return a.title < b.title;
}

int gf_simNumber() {
  return gf_msfs2020Chosen() ? 1 : 2;
}

bool gf_writeLiveriesScanned(const LiveryList& liveries, const std::filesystem::path& path, int sim) {
  if (liveries.empty()) return false;
  pugi::xml_document document;
  XmlMeta meta;
  meta.version = gf_versionText(kProgramVersion);
  meta.sim = sim;
  if (!gf_writeXmlMeta(document, meta)) {
    gf_logImportant(fmt::format("{}: the meta block could not be written", lf_pathText(path)));
    return false;
  }
  pugi::xml_node root = document.child("root");
  if (!root) return false;
  pugi::xml_node node = root.append_child("liveries");
  bool ok = static_cast<bool>(node);
  for (auto it = liveries.begin(); ok && it != liveries.end(); ++it) ok = lf_appendLivery(node, *it);
  if (!ok || !gf_saveXml(document, path)) {
    gf_logImportant(fmt::format("saving: {} failed", lf_pathText(path)));
    return false;
  }
  gf_logLine(fmt::format("{} liveries in {}", liveries.size(), lf_pathText(path)));
  return true;
}

bool gf_writeLiveriesScanned() {
  return gf_writeLiveriesScanned(gf_liveryList(), gf_paths().liveriesScanned);
}

namespace {

// Loads the file and hands each livery element to `take` with its three required attributes;
// throws the reading's UserErrorExceptions. The number of liveries.
template <class Take>
std::size_t lf_readLiveryElements(const std::filesystem::path& path, Take take) {
  pugi::xml_document document;
  if (const pugi::xml_parse_result loaded = document.load_file(path.c_str()); !loaded) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
      throw UserErrorException(51, fmt::format("File {} not found", lf_pathText(path)));
    // There, but cut short or damaged: the parser says where.
    throw UserErrorException(
        51, fmt::format("File {} could not be loaded: {}", lf_pathText(path), loaded.description()));
  }
  (void)gf_readXmlMeta(document);  // who wrote the file does not matter here
  const pugi::xml_node root = document.child("root");
  const pugi::xml_node list = root.child("liveries");
  if (root && !list)
    throw UserErrorException(52, fmt::format("{} does not contain a <liveries> section", lf_pathText(path)));
  std::size_t count = 0;
  for (const pugi::xml_node& node : list.children()) {
    if (node.type() != pugi::node_element) continue;
    const char* airline = lf_requiredAttribute(node, "a");
    const char* model = lf_requiredAttribute(node, "m");
    const char* title = lf_requiredAttribute(node, "t");
    take(node, airline, model, title);
    ++count;
  }
  if (count == 0)
    throw UserErrorException(533, fmt::format("{} does not contain liveries", lf_pathText(path)));
  return count;
}

}  // namespace

void gf_readLiveriesScanned(LiveryList& liveries, const std::filesystem::path& path) {
  liveries.clear();
  (void)lf_readLiveryElements(
      path, [&](const pugi::xml_node& node, const char* airline, const char* model, const char* title) {
        liveries.push_back(Livery{.title = title,
                                  .registration = node.attribute("r").value(),
                                  .airline = gf_airlineId(airline),
                                  .model = gf_modelId(model),
                                  .folderOrdinal = 0,
                                  .cargo = node.attribute("c").as_bool(false)});
      });
  if (liveries.size() > 1) liveries.sort(lf_liveryLess);
  gf_logLine(fmt::format("{:5} liveries read from {}", liveries.size(), lf_pathText(path)));
}

bool gf_liveriesScannedReadable(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return false;
  try {
    (void)lf_readLiveryElements(path, [](const pugi::xml_node&, const char*, const char*, const char*) {});
    return true;
  } catch (const UserErrorException& e) {
    // Left in place it would stop every start; scanned anew it is rebuilt, and the user keeps
    // the damaged one to look at.
    const std::filesystem::path kept = gf_generationPath(path, 1);
    const bool saved = gf_save1GenerationOf(path);
    gf_removeFileIfExists(path);
    gf_logImportant(fmt::format("{} cannot be read ({}){}, the liveries are scanned again", lf_pathText(path),
                                e.what(), saved ? fmt::format(", kept as {}", lf_pathText(kept)) : ""));
    return false;
  }
}

bool gf_liveriesScannedReadable() {
  return gf_liveriesScannedReadable(gf_paths().liveriesScanned);
}

void gf_readLiveriesScanned() {
  gf_readLiveriesScanned(gf_liveryList(), gf_paths().liveriesScanned);
}

}  // namespace orv
