#pragma once

// The block at the head of the program's own XML files that says which program and version
// wrote them, when, and for which simulator: root/meta/info with "name" and "value".

#include <optional>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
}

namespace orv {

inline constexpr std::string_view kCopyrightLine = "Copyright (c) 2019-2026 the Quillstar developers";

struct XmlMeta {
  std::string author;
  std::string version;
  std::string date;
  std::string copyright;
  int sim = -1;  // 1 MSFS 2020, 2 MSFS 2024; -1 when the file does not say
};

// Finds or appends "root", appends "meta" with the five entries author, version, date, copyright
// and sim: author and copyright are the program's, version and sim the record's, date today's.
// True only when every node and attribute was created.
[[nodiscard]] bool gf_writeXmlMeta(pugi::xml_document& document, const XmlMeta& meta);

// The first entry of each name counts; an entry without "value" gives "" (or 0 for "sim").
// Nothing without "root" or "meta", and nothing (logged) without a "copyright" entry.
[[nodiscard]] std::optional<XmlMeta> gf_readXmlMeta(const pugi::xml_document& document);

}  // namespace orv
