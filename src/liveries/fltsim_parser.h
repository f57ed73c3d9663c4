#pragma once

// Reading the [fltsim.N] sections of an aircraft.cfg file into liveries, and the key lines they
// are made of. Key lines are matched by hand: a key line of tens of thousands of characters must
// cost time in proportion to its length, never stack. Any thread (the scan workers).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"

namespace orv {

// Blanks as key lines know them: space, tab, CR, LF, VT, FF.
[[nodiscard]] constexpr bool lf_isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The value of the key's line: the line is blanks, the key (any letter case), blanks, "=" and a
// value with at least one non-blank, trimmed. A value holding a double quote becomes the text
// between its first two quotes (empty without a second one). Nothing when the line is not the
// key's line, or its value holds a CR, an LF or a NUL.
[[nodiscard]] std::optional<std::string> lf_keyValue(std::string_view line, std::string_view key);

// The key readers: nothing when the line is not the key's line (for these four, a line with an
// empty value is none either).
[[nodiscard]] std::optional<std::string> lf_readTitle(std::string_view line);
[[nodiscard]] std::optional<std::string> lf_readTexture(std::string_view line);
[[nodiscard]] std::optional<std::string> lf_readAtcId(std::string_view line);
[[nodiscard]] std::optional<std::string> lf_readParkingTypes(std::string_view line);
// Upper-cased; an empty value and "ZZZZ" give "ZZZ".
[[nodiscard]] std::optional<std::string> lf_readIcaoAirline(std::string_view line);

// The number of a section header ("[fltsim.12]" in any letter case, blanks around it), "10000"
// for any other line that holds "[fltsim." in any letter case, else empty. A line that begins
// with "//" is no header.
[[nodiscard]] std::string lf_fltsimSectionNumber(std::string_view line);

// The check of a file's section numbers; false when the file yields no livery. Reports a file
// without sections and numbers above 10000, logs numbers that do not fit 32 bits.
[[nodiscard]] bool lf_splitFltsimSections(const std::vector<std::string>& lines,
                                          const std::filesystem::path& cfg);

// Where a section comes from.
struct SectionContext {
  std::uint16_t ordinal = 0;
  std::string model;             // the file's model code
  std::filesystem::path cfg;     // the aircraft.cfg
  std::filesystem::path folder;  // its folder
};

// The file's liveries by the normal rules, and by the rules of the IVAO packages, whose titles
// carry the airline code.
[[nodiscard]] std::vector<Livery> lf_processFltsimSections(const SectionContext& context,
                                                           const std::vector<std::string>& lines);
[[nodiscard]] std::vector<Livery> lf_processFltsimSectionsIvao(const SectionContext& context,
                                                               const std::vector<std::string>& lines);

// One section (its header line first); none or one livery.
[[nodiscard]] std::optional<Livery> lf_procesFltSimSection(const SectionContext& context,
                                                           std::vector<std::string> section);
[[nodiscard]] std::optional<Livery> lf_procesFltSimSectionIvao(const SectionContext& context,
                                                               std::vector<std::string> section);

// The livery, unless its title was taken before in this scan (then nothing).
[[nodiscard]] std::optional<Livery> lf_makeLivery(std::uint16_t ordinal, std::string_view airline,
                                                  std::string_view model, bool passenger, std::string title,
                                                  std::string registration);

}  // namespace orv
