#pragma once

// The XML form of "parameters.xml": root > parameters > parameter (name, value). An older layout
// without "root" ("parameters" at the top) is read as well. Any thread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace orv {

// The value of the first "parameter" whose name is the key, when that element has a value.
// Bools are true when the text starts with 1, t, T, y or Y; non-numeric integers read as 0.
[[nodiscard]] std::optional<bool> gf_getXmlParameterBool(const pugi::xml_document& doc, std::string_view key);
[[nodiscard]] std::optional<std::int32_t> gf_getXmlParameterInt(const pugi::xml_document& doc,
                                                                std::string_view key);
[[nodiscard]] std::optional<std::string> gf_getXmlParameterString(const pugi::xml_document& doc,
                                                                  std::string_view key);

// Appends one "parameter" element; false when a node or attribute cannot be created.
[[nodiscard]] bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value);
[[nodiscard]] bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, std::int32_t value);
[[nodiscard]] bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key,
                                            std::string_view value);

// Saves with the declaration version "1.0" and encoding "UTF-8" (added when missing), indented by
// two blanks (a document nested deeper than any of the program's files is saved unindented, so
// that the file stays in proportion to its content). The file is written under a temporary name and renamed
// over the old one, so that a failed save leaves the old file whole.
[[nodiscard]] bool gf_saveXml(pugi::xml_document& doc, const std::filesystem::path& path);

}  // namespace orv
