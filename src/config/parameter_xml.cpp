#include "config/parameter_xml.h"

#include <string>
#include <system_error>

#include "foundation/files.h"

namespace orv {
namespace {

// The value attribute of the first parameter element with the key; empty when there is none.
pugi::xml_attribute lf_valueOf(const pugi::xml_document& doc, std::string_view key) {
  const pugi::xml_node root = doc.child("root");
  const pugi::xml_node parameters = (root ? root : static_cast<pugi::xml_node>(doc)).child("parameters");
  const std::string name(key);
  return parameters.find_child_by_attribute("parameter", "name", name.c_str()).attribute("value");
}

bool lf_append(pugi::xml_node parameters, std::string_view key, const std::string& value) {
  pugi::xml_node p = parameters.append_child("parameter");
  if (!p) return false;
  pugi::xml_attribute name = p.append_attribute("name");
  pugi::xml_attribute v = p.append_attribute("value");
  return name && v && name.set_value(std::string(key).c_str()) && v.set_value(value.c_str());
}

// Deeper than this, a document is saved without indentation: an indent per level makes the file
// grow with the square of its depth, and a hostile file nested a million deep would fill the disk.
// The program's own files are a few levels deep.
constexpr int kIndentedDepth = 32;

// Whether the document is deeper than the limit; walked without recursion, as it may be very deep.
bool lf_deeperThan(const pugi::xml_document& doc, int limit) {
  int depth = 0;
  pugi::xml_node node = doc.first_child();
  while (node) {
    if (pugi::xml_node child = node.first_child()) {
      if (++depth > limit) return true;
      node = child;
      continue;
    }
    while (!node.next_sibling()) {
      node = node.parent();
      --depth;
      if (!node || node == doc) return false;
    }
    node = node.next_sibling();
  }
  return false;
}

}  // namespace

std::optional<bool> gf_getXmlParameterBool(const pugi::xml_document& doc, std::string_view key) {
  const pugi::xml_attribute value = lf_valueOf(doc, key);
  if (!value) return std::nullopt;
  return value.as_bool();
}

std::optional<std::int32_t> gf_getXmlParameterInt(const pugi::xml_document& doc, std::string_view key) {
  const pugi::xml_attribute value = lf_valueOf(doc, key);
  if (!value) return std::nullopt;
  return value.as_int();
}

std::optional<std::string> gf_getXmlParameterString(const pugi::xml_document& doc, std::string_view key) {
  const pugi::xml_attribute value = lf_valueOf(doc, key);
  if (!value) return std::nullopt;
  return std::string(value.value());
}

bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value) {
  return lf_append(parameters, key, value ? "true" : "false");
}

bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, std::int32_t value) {
  return lf_append(parameters, key, std::to_string(value));
}

bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key, std::string_view value) {
  return lf_append(parameters, key, std::string(value));
}

bool gf_saveXml(pugi::xml_document& doc, const std::filesystem::path& path) {
  pugi::xml_node declaration = doc.first_child();
  if (declaration.type() != pugi::node_declaration) declaration = doc.prepend_child(pugi::node_declaration);
  for (const char* name : {"version", "encoding"}) {
    if (!declaration.attribute(name)) declaration.append_attribute(name);
  }
  declaration.attribute("version").set_value("1.0");
  declaration.attribute("encoding").set_value("UTF-8");

  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  const unsigned format = lf_deeperThan(doc, kIndentedDepth) ? pugi::format_raw : pugi::format_indent;
  if (!doc.save_file(temporary.c_str(), "  ", format, pugi::encoding_utf8)) {
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return gf_replaceWithTemporary(temporary, path, ec);
}

}  // namespace orv
