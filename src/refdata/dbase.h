#pragma once

// The aircraft database "dbase.xml", delivered enciphered as "input/dbase.enc": the valid model
// and airline codes, model classes, similar models, wingspans, model-code fixes, publishers,
// add-on airports and, per registration, the airline, model, operator and cargo role. Read once
// per process on the start-up thread; everything here is read-only afterwards and may be read
// from any thread.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/codes.h"

namespace orv {

struct DbaseCodes {
  AirlineId airline = 0;
  ModelId model = 0;
  AirlineId operatorId = 0;
  bool cargo = false;
  bool operator==(const DbaseCodes&) const = default;
};

struct DbaseRecord {
  std::string registration;
  DbaseCodes codes;
};

struct ThirdPartyEntry {
  std::string publisher;
  std::vector<std::string> airports;  // entries "EGLL12": an airport code and a stand count
};

// Decrypts "input/dbase.enc" to "dbase.xml", reads it, seeds the code tables and removes the plain
// file again on every way out. False when the file does not parse (logged). Throws
// std::runtime_error when "dbase.enc" is missing or fails to decrypt, and UserErrorException 61
// when the root or a required section is missing or empty.
[[nodiscard]] bool gf_readDbase();

// Forgets what the reading gave, the code tables included (gf_clearReferenceTables): the
// database is read once per process, so only a test that reads it anew needs this.
void gf_clearDbase();

// Sorted by registration (bytes), one record per registration.
[[nodiscard]] const std::vector<DbaseRecord>& gf_dbaseRecords();
// A wrong model code of the livery packages to the right one.
[[nodiscard]] const std::map<std::string, std::string, std::less<>>& gf_modelCodeFixes();
// Per publisher its names, the publisher's own name first.
[[nodiscard]] const std::vector<std::vector<std::string>>& gf_publisherLists();
// Airports of simulator add-ons that have archived stand files.
[[nodiscard]] const std::set<std::string, std::less<>>& gf_simAddonAirports();
[[nodiscard]] const std::vector<ThirdPartyEntry>& gf_thirdParties2020();
[[nodiscard]] const std::vector<ThirdPartyEntry>& gf_thirdParties2024();

// The keys a registration is looked up under, in order: GABCD as GA-BCD, G-ABCD and GABCD; one of
// fewer than 5 characters, one beginning with 'N' or one holding a '-' only as itself.
[[nodiscard]] std::vector<std::string> gf_registrationKeys(std::string_view registration);

// The codes of the first key that is a registration of the database.
[[nodiscard]] std::optional<DbaseCodes> gf_findDbaseRecord(std::string_view registration);

// The operator's airline code; empty when the registration is empty or not found.
[[nodiscard]] std::string_view gf_operatorOfRegistration(std::string_view registration);

// The first registration of the record list, of fewer than 6 characters, that occurs in the text.
[[nodiscard]] std::optional<std::string> gf_registrationInText(std::string_view text);

// The publisher whose names (in list order) first occurs in the path: exactly, or else ignoring
// the case of ASCII letters.
[[nodiscard]] std::optional<std::string> gf_publisherOf(const std::filesystem::path& path);

// True when the name is empty or occurs in the path's text, ASCII letters compared without case.
[[nodiscard]] bool gf_equalsIgnoreCase(const std::filesystem::path& path, std::string_view name);

// For an airport entry of a thirdparty publisher ("EGLL12"): false when it does not begin with the
// code; else true, with the rest of the entry as the number, or the number left as it was and a
// log line "{label} {code} {entry} invalid number" when the rest is no decimal number.
[[nodiscard]] bool gf_matchCodeNumber(std::string_view label, std::string_view code, int& number,
                                      std::string_view entry);

}  // namespace orv
