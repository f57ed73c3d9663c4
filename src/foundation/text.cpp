#include "foundation/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>
#include <limits>
#include <utility>

#include "foundation/folders.h"

namespace orv {
namespace {

constexpr std::string_view kTrimSet = " \t\n\r";

}  // namespace

std::string gf_trim(std::string_view text) {
  const auto first = text.find_first_not_of(kTrimSet);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kTrimSet);
  return std::string(text.substr(first, last - first + 1));
}

void gf_trimInPlace(std::string& text) {
  text = gf_trim(text);
}

std::vector<std::string> gf_splitBy(std::string_view text, char delimiter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find(delimiter, start);
    if (end == std::string_view::npos) end = text.size();
    if (std::string piece = gf_trim(text.substr(start, end - start)); !piece.empty())
      pieces.push_back(std::move(piece));
    start = end + 1;
  }
  return pieces;
}

std::vector<std::string> gf_splitComma(std::string_view text) {
  return gf_splitBy(text, ',');
}

std::vector<std::string> gf_splitToVector(std::string_view text, char delimiter) {
  return gf_splitBy(text, delimiter);
}

std::list<std::string> gf_splitCommaToList(std::string_view text) {
  std::vector<std::string> pieces = gf_splitComma(text);
  std::sort(pieces.begin(), pieces.end());
  pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  return {pieces.begin(), pieces.end()};
}

char gf_toUpperChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string gf_logQuote(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::size_t cut = maxBytes;
  // Back to the start of a character: continuation bytes are 10xxxxxx.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  std::string quoted(text.substr(0, cut));
  quoted += "...";
  return quoted;
}

std::string gf_toUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = gf_toUpperChar(c);
  return out;
}

bool gf_contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool gf_equalsStarred(std::string_view a, std::string_view b) {
  return b.size() == a.size() + 1 && b.back() == '*' && b.substr(0, a.size()) == a;
}

std::string gf_hexString(std::uint64_t value) {
  return gf_msfs2020Chosen() ? fmt::format("{}", value) : fmt::format("{:x}", value);
}

std::int32_t gf_percent(std::int64_t part, std::int64_t total) {
  if (total < 1) return 0;
  const double result = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(total));
  // Checked before narrowing: converting an out-of-range double to an integer is undefined.
  if (!(result >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
        result <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
    throw gsl::narrowing_error{};
  return gsl::narrow<std::int32_t>(result);
}

std::string gf_bannerLine(int width, int extra, bool leadingLineFeed, bool trailingLineFeed,
                          std::string_view title) {
  int n = width + extra;
  if (n % 2 != 0) ++n;
  const std::string tail = trailingLineFeed ? "\n" : "";
  const std::string lead = leadingLineFeed ? "\n" : "";
  if (title.empty()) return lead + std::string(static_cast<std::size_t>(std::max(n, 0)), '*') + tail;
  if (static_cast<std::size_t>(std::max(n, 0)) <= title.size() + 2) return std::string(title) + tail;
  const std::string stars(static_cast<std::size_t>(n / 2 - 1), '*');
  return fmt::format("{}{} {} {}{}", lead, stars, title, stars, tail);
}

std::string gf_wsaErrorText(int number) {
  static constexpr std::pair<int, std::string_view> kTexts[] = {
      {10004, "Interrupted system call"},
      {10009, "Bad file number"},
      {10013, "Permission denied"},
      {10014, "Bad address"},
      {10022, "Invalid argument"},
      {10024, "Too many open sockets"},
      {10035, "Operation would block"},
      {10036, "Operation now in progress"},
      {10037, "Operation already in progress"},
      {10038, "Socket operation on non-socket"},
      {10039, "Destination address required"},
      {10040, "Messenger too long"},
      {10041, "Protocol wrong type for socket"},
      {10042, "Bad protocol option"},
      {10043, "Protocol not supported"},
      {10044, "Socket type not supported"},
      {10045, "Operation not supported on socket"},
      {10046, "Protocol family not supported"},
      {10047, "Address family not supported"},
      {10048, "Address already in use"},
      {10049, "Can't assign requested address"},
      {10050, "Network is down"},
      {10051, "Network is unreachable"},
      {10052, "Net connection reset"},
      {10053, "Software caused connection abort"},
      {10054, "Connection reset by peer"},
      {10055, "No buffer space available"},
      {10056, "Socket is already connected"},
      {10057, "Socket is not connected"},
      {10058, "Can't send numLines socket shutdown"},
      {10059, "Too many references, can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10062, "Too many levels of symbolic links"},
      {10063, "File name too long"},
      {10064, "Host is down"},
      {10065, "No route to host"},
      {10066, "Directory not empty"},
      {10067, "Too many processes"},
      {10068, "Too many users"},
      {10069, "Disc quota exceeded"},
      {10070, "Stale NFS file handle"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network system is unavailable"},
      {10092, "Winsock version out of range"},
      {10093, "WSAStartup not yet called"},
      {10101, "Graceful shutdown in progress"},
      {11001, "Host not found"},
      {11004, "No host data of that type was found"},
  };
  std::string_view text = "Unknown errror code";
  for (const auto& [n, t] : kTexts) {
    if (n == number) text = t;
  }
  return fmt::format("{} {}", number, text);
}

}  // namespace orv
