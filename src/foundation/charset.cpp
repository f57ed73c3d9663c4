#include "foundation/charset.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "foundation/message_line.h"
#include "foundation/utf.h"
#include "platform/os/ansi_code_page.h"

namespace orv {
namespace {

constexpr std::size_t kSampleBytes = 4096;
// The most bytes a UTF-8 character has after its first.
constexpr std::size_t kUtf8TailBytes = 3;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::uint8_t lf_byte(std::string_view text, std::size_t i) {
  return static_cast<std::uint8_t>(text[i]);
}

// True when the characters that start among the first `tested` bytes are UTF-8; one that starts
// there may end in the bytes after them, and one that does not end within the bytes fails.
bool lf_isUtf8(std::string_view bytes, std::size_t tested) {
  std::size_t i = 0;
  while (i < std::min(tested, bytes.size())) {
    const std::uint8_t b0 = lf_byte(bytes, i);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
      length = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
      length = 3;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
      length = 4;
    else
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k >= bytes.size()) return false;
      const std::uint8_t b = lf_byte(bytes, i + k);
      if ((b & 0xC0) != 0x80) return false;
      if (k == 1 && ((b0 == 0xE0 && b < 0xA0) || (b0 == 0xF0 && b < 0x90) || (b0 == 0xF4 && b > 0x8F)))
        return false;
    }
    i += length;
  }
  return true;
}

std::string lf_readWhole(std::istream& in) {
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// UTF-16 code units to UTF-8 lines, cut at LF before conversion so that the lines before an
// invalid one are kept.
void lf_readUtf16(std::string_view bytes, bool bigEndian, std::vector<std::string>& lines) {
  if (bytes.size() % 2 != 0) throw std::runtime_error("UTF-16 text with an odd number of bytes");
  std::u16string line;
  auto flush = [&] {
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(wide_to_utf8(line));
    line.clear();
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint8_t a = lf_byte(bytes, i), b = lf_byte(bytes, i + 1);
    const auto unit = static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    if (unit == u'\n')
      flush();
    else
      line.push_back(unit);
  }
  if (!line.empty()) flush();
}

void lf_readByCharset(Charset charset, const std::filesystem::path& path, std::vector<std::string>& lines) {
  // Some systems open a folder as an empty file; a folder where a file should be is an error.
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw std::filesystem::filesystem_error("cannot read", path,
                                            std::make_error_code(std::errc::is_a_directory));
  std::ifstream in(path, std::ios::binary);
  switch (charset) {
    case Charset::Unicode:
    case Charset::UnicodeBigEndian: {
      if (!in) return;
      const std::string bytes = lf_readWhole(in);
      bool bigEndian = charset == Charset::UnicodeBigEndian;
      std::string_view units = bytes;
      // A mark decides the byte order; without one the detected order holds.
      if (units.starts_with("\xFF\xFE")) {
        bigEndian = false;
        units.remove_prefix(2);
      } else if (units.starts_with("\xFE\xFF")) {
        bigEndian = true;
        units.remove_prefix(2);
      }
      lf_readUtf16(units, bigEndian, lines);
      return;
    }
    case Charset::Utf8WithBom:
      if (!in) return;
      gf_readStreamLines(in, lines);
      // A second mark behind the first one goes as well.
      if (!lines.empty() && lines.front().starts_with(kUtf8Bom)) lines.front().erase(0, kUtf8Bom.size());
      return;
    case Charset::Utf8WithoutBom:
      if (in) gf_readStreamLines(in, lines);
      return;
    case Charset::Ansi: {
      if (!in) return;
      std::vector<std::string> raw;
      raw.reserve(2048);
      gf_readStreamLines(in, raw);
      for (const std::string& line : raw) lines.push_back(gf_ansiToUtf8(line));
      return;
    }
    default:
      throw std::runtime_error(
          fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path), gf_charsetName(charset)));
  }
}

}  // namespace

std::string_view gf_charsetName(Charset charset) {
  switch (charset) {
    case Charset::Ansi:
      return "ANSI";
    case Charset::Unicode:
      return "Unicode";
    case Charset::UnicodeBigEndian:
      return "Unicode_big_endian";
    case Charset::Utf8WithBom:
      return "UTF8_with_BOM";
    case Charset::Utf8WithoutBom:
      return "UTF8_without_BOM";
    case Charset::NoneFound:
      return "none_found";
  }
  return {};
}

std::string gf_ansiToUtf8(std::string_view text) {
  return wide_to_utf8(os::ansiToUtf16(text));
}

Charset gf_detectCharsetOfBytes(std::string_view head) {
  const std::size_t n = std::min<std::size_t>(head.size(), 4);
  auto b = [&](std::size_t i) { return i < n ? lf_byte(head, i) : std::uint8_t{0}; };
  if (n >= 3 && head.starts_with(kUtf8Bom)) return Charset::Utf8WithBom;
  if (n >= 2) {
    const bool bigEndianMark = b(0) == 0xFE && b(1) == 0xFF;
    if (b(0) == 0xFF && b(1) == 0xFE) return Charset::Unicode;
    if (!bigEndianMark && b(1) == 0 && (n < 4 || b(3) == 0)) return Charset::Unicode;
    if (bigEndianMark) return Charset::UnicodeBigEndian;
    if (b(0) == 0 && (n < 4 || b(2) == 0)) return Charset::UnicodeBigEndian;
  }
  return lf_isUtf8(head, kSampleBytes) ? Charset::Utf8WithoutBom : Charset::Ansi;
}

Charset gf_detectCharset(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Charset::NoneFound;
  // The bytes after the sample finish a character that starts at its end: a lead byte there is
  // only then taken for UTF-8, and a Windows-1252 letter there is not.
  std::string head(kSampleBytes + kUtf8TailBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return gf_detectCharsetOfBytes(head);
}

bool gf_readTextFileByCharset(Charset charset, const std::filesystem::path& path,
                              std::vector<std::string>& lines) {
  lines.clear();
  try {
    lf_readByCharset(charset, path, lines);
    return true;
  } catch (const std::exception& e) {
    gf_setMessage(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), e.what()), true);
    return false;
  }
}

void gf_cutLines(std::string_view text, std::vector<std::string>& lines) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
}

void gf_readStreamLines(std::istream& in, std::vector<std::string>& lines) {
  gf_cutLines(lf_readWhole(in), lines);
}

}  // namespace orv
