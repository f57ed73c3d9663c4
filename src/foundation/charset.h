#pragma once

// Text files in the character sets that add-on packages are written in, read as UTF-8 lines.
// Any thread (the livery scan reads on its workers).

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class Charset : std::int32_t {
  Ansi = 0,     // the system's ANSI code page
  Unicode = 1,  // UTF-16 little-endian
  UnicodeBigEndian = 2,
  Utf8WithBom = 3,
  Utf8WithoutBom = 4,
  NoneFound = 5,  // the file cannot be opened
};

// "ANSI", "Unicode", ...; empty for a value outside the table.
[[nodiscard]] std::string_view gf_charsetName(Charset charset);

// Text in the system's ANSI code page to UTF-8 (os::ansiToUtf16: the active code page on
// Windows, Windows-1252 elsewhere).
[[nodiscard]] std::string gf_ansiToUtf8(std::string_view text);

// The charset of a file's first bytes: a byte-order mark, the zero bytes of UTF-16 without one,
// else UTF-8 when the first 4096 bytes are valid UTF-8 and ANSI when they are not.
[[nodiscard]] Charset gf_detectCharset(const std::filesystem::path& path);
// The same for the first bytes of a file: up to 4096 bytes are tested, and the (up to 3) bytes
// after them finish a character that starts among them; one they do not finish is not UTF-8.
[[nodiscard]] Charset gf_detectCharsetOfBytes(std::string_view head);

// Clears `lines` and reads the file as UTF-8 lines; false when the reading failed part way. Failures
// (an unknown charset, invalid UTF-16, an error of the file system) are shown as
// "Read failed for '{}': {}" on the message line and logged; the lines read before the failure
// stay, and the caller must not take them for the file. A file that cannot be opened gives no lines.
[[nodiscard]] bool gf_readTextFileByCharset(Charset charset, const std::filesystem::path& path,
                                            std::vector<std::string>& lines);

// Reads the whole stream and cuts it into lines: a leading UTF-8 byte-order mark is dropped, lines
// end at LF with a CR before it dropped, empty lines stay, a final LF adds no empty line.
void gf_readStreamLines(std::istream& in, std::vector<std::string>& lines);
void gf_cutLines(std::string_view text, std::vector<std::string>& lines);

}  // namespace orv
