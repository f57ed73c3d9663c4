#pragma once

// Small text routines shared by the whole program. Texts are UTF-8; none keeps state. Any thread.

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Without leading and trailing blanks, tabs, line feeds and carriage returns.
[[nodiscard]] std::string gf_trim(std::string_view text);
void gf_trimInPlace(std::string& text);

// The pieces between the delimiters, each trimmed; pieces empty after trimming are dropped.
[[nodiscard]] std::vector<std::string> gf_splitBy(std::string_view text, char delimiter);
[[nodiscard]] std::vector<std::string> gf_splitComma(std::string_view text);
[[nodiscard]] std::vector<std::string> gf_splitToVector(std::string_view text, char delimiter);
// The comma-separated pieces, sorted by bytes and without duplicates.
[[nodiscard]] std::list<std::string> gf_splitCommaToList(std::string_view text);

// The text for a log line: as it is up to `maxBytes` bytes, else its first bytes (never half a
// UTF-8 character) and "...". Keeps a hostile or damaged input from flooding the log.
inline constexpr std::size_t kLogQuoteBytes = 200;
[[nodiscard]] std::string gf_logQuote(std::string_view text, std::size_t maxBytes = kLogQuoteBytes);

// Upper case for ASCII letters only; every other byte, UTF-8 included, stays as it is.
[[nodiscard]] std::string gf_toUpper(std::string_view text);
[[nodiscard]] char gf_toUpperChar(char c);

// An empty part is contained in every text.
[[nodiscard]] bool gf_contains(std::string_view text, std::string_view part);
// True when b is a followed by '*'.
[[nodiscard]] bool gf_equalsStarred(std::string_view a, std::string_view b);

// Object ids as the simulator writes them: decimal for MSFS 2020, lower-case hexadecimal for 2024.
[[nodiscard]] std::string gf_hexString(std::uint64_t value);

// part * 100 / total rounded; 0 when total is below 1. Throws gsl::narrowing_error when the
// result does not fit an i32.
[[nodiscard]] std::int32_t gf_percent(std::int64_t part, std::int64_t total);

// A log banner: n = width + extra rounded up to even. Without a title n '*'; with one,
// n/2 - 1 '*' on each side of " title "; the title alone when it leaves no room for them
// (then without the leading line feed).
[[nodiscard]] std::string gf_bannerLine(int width, int extra, bool leadingLineFeed, bool trailingLineFeed,
                                        std::string_view title);

// "{number} {text}" of a Winsock error number; "Unknown errror code" for numbers not in the table.
[[nodiscard]] std::string gf_wsaErrorText(int number);

}  // namespace orv
