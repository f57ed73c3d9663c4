#include "foundation/xml_meta.h"

#include <pugixml.hpp>

#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/time_text.h"

namespace orv {
namespace {

bool lf_appendInfo(pugi::xml_node meta, const char* name, const std::string& value) {
  pugi::xml_node info = meta.append_child("info");
  if (!info) return false;
  pugi::xml_attribute nameAttribute = info.append_attribute("name");
  pugi::xml_attribute valueAttribute = info.append_attribute("value");
  return nameAttribute && valueAttribute && nameAttribute.set_value(name) &&
         valueAttribute.set_value(value.c_str());
}

}  // namespace

bool gf_writeXmlMeta(pugi::xml_document& document, const XmlMeta& meta) {
  pugi::xml_node root = document.child("root");
  if (!root) root = document.append_child("root");
  if (!root) return false;
  pugi::xml_node node = root.append_child("meta");
  if (!node) return false;
  return lf_appendInfo(node, "author", std::string(kProductName)) &&
         lf_appendInfo(node, "version", meta.version) && lf_appendInfo(node, "date", gf_dateText()) &&
         lf_appendInfo(node, "copyright", std::string(kCopyrightLine)) &&
         lf_appendInfo(node, "sim", std::to_string(meta.sim));
}

std::optional<XmlMeta> gf_readXmlMeta(const pugi::xml_document& document) {
  const pugi::xml_node meta = document.child("root").child("meta");
  if (!meta) return std::nullopt;
  XmlMeta result;
  bool author = false, version = false, date = false, copyright = false, sim = false;
  const auto take = [](bool& seen, std::string& target, const pugi::xml_node& info) {
    if (seen) return;
    seen = true;
    target = info.attribute("value").as_string();
  };
  for (const pugi::xml_node& info : meta.children("info")) {
    const std::string_view name = info.attribute("name").as_string();
    if (name == "author") {
      take(author, result.author, info);
    } else if (name == "version") {
      take(version, result.version, info);
    } else if (name == "date") {
      take(date, result.date, info);
    } else if (name == "copyright") {
      take(copyright, result.copyright, info);
    } else if (name == "sim" && !sim) {
      sim = true;
      result.sim = info.attribute("value").as_int();
    }
  }
  if (!copyright) {
    gf_logImportant("no copyright info in the file?");
    return std::nullopt;
  }
  return result;
}

}  // namespace orv
