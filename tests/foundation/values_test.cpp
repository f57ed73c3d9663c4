#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include "foundation/errors.h"
#include "foundation/fixed_code.h"
#include "foundation/plural.h"
#include "foundation/utf.h"

namespace {

TEST(UserError, MessageAndCode) {
  const orv::UserErrorException e53(53, "no file");
  EXPECT_STREQ(e53.what(), "53: no file");
  EXPECT_EQ(e53.code(), 53);
  const orv::UserErrorException e99(99, "plain text");
  EXPECT_STREQ(e99.what(), "plain text");
  EXPECT_EQ(e99.code(), 99);
  EXPECT_STREQ(orv::UserErrorException(2024, "").what(), "2024: ");
  try {
    throw orv::UserErrorException(61, "x");
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "61: x");
  }
}

TEST(FixedCode, FoldsLowerCaseAndRefusesEverythingElse) {
  EXPECT_EQ(orv::IcaoCode("eham").view(), "EHAM");
  EXPECT_EQ(orv::IcaoCode("K7N9").str(), "K7N9");
  EXPECT_EQ(orv::IataCode("ams").view(), "AMS");
  EXPECT_TRUE(orv::IcaoCode::isValid("eham"));
  for (const char* bad : {"EHA", "EHAMX", "", "EH-M", "EH M", "EHA\xC3", "EH\xC3\xA9", "ehä"}) {
    EXPECT_FALSE(orv::IcaoCode::isValid(bad)) << bad;  // the check and the constructor agree
    try {
      (void)orv::IcaoCode(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "FixedCode: invalid string (length/charset)");
    }
  }
  EXPECT_THROW((void)orv::IataCode("EHAM"), std::invalid_argument);
}

TEST(FixedCode, EqualityAndOrderAreThoseOfTheBytes) {
  EXPECT_EQ(orv::IcaoCode("eddf"), orv::IcaoCode("EDDF"));
  EXPECT_LT(orv::IcaoCode("EDDF"), orv::IcaoCode("EHAM"));
  EXPECT_LT(orv::IcaoCode("0ABC"), orv::IcaoCode("AABC"));  // digits before letters
  EXPECT_LT(orv::IcaoCode("EHAA"), orv::IcaoCode("EHAB"));  // the last byte counts too
  std::map<orv::IataCode, int> byCode{{orv::IataCode("LHR"), 2}, {orv::IataCode("AMS"), 1}};
  EXPECT_EQ(byCode.begin()->first.view(), "AMS");
}

TEST(Utf, RoundTripsEveryLengthOfSequence) {
  const std::string texts[] = {
      "", "EHAM", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x9B\xAB", "\xEF\xBF\xBF"};
  for (const std::string& utf8 : texts) {
    EXPECT_EQ(orv::wide_to_utf8(orv::utf8_to_wide(utf8)), utf8) << utf8;
    EXPECT_TRUE(orv::gf_isUtf8(utf8)) << utf8;
    EXPECT_EQ(orv::gf_escapeInvalidUtf8(utf8), utf8) << utf8;
  }
  EXPECT_EQ(orv::utf8_to_wide("\xF0\x9F\x9B\xAB"), (std::u16string{0xD83D, 0xDEEB}));
  EXPECT_EQ(orv::utf8_to_wide("\xC3\xA9"), u"\u00E9");
  EXPECT_TRUE(orv::utf8_to_wide("").empty());
}

TEST(Utf, InvalidUtf8IsRefused) {
  const std::string invalid[] = {
      "\x80",  // stray continuation byte
      "a\xBF"
      "b",                 // stray continuation byte inside
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong
      "\xE0\x80\x80",      // overlong three bytes
      "\xF0\x80\x80\x80",  // overlong four bytes
      "\xED\xA0\x80",      // encoded surrogate
      "\xED\xBF\xBF",      // encoded surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",  // lead byte above F4
      "\xFF",              //
      "\xE2\x82",          // truncated at the end
      "\xE2\x82z",         // continuation byte missing
      "\xC3",              // truncated two-byte
  };
  for (const std::string& bytes : invalid) {
    EXPECT_FALSE(orv::gf_isUtf8(bytes)) << testing::PrintToString(bytes);
    EXPECT_TRUE(orv::gf_isUtf8(orv::gf_escapeInvalidUtf8(bytes))) << testing::PrintToString(bytes);
    try {
      (void)orv::utf8_to_wide(bytes);
      ADD_FAILURE() << "accepted " << testing::PrintToString(bytes);
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "utf8_to_wide: invalid UTF-8");
    }
  }
}

// The log's form of bytes that are not UTF-8: each stray byte as \xNN, whole characters kept.
TEST(Utf, InvalidBytesAreEscaped) {
  const struct {
    std::string bytes;
    std::string escaped;
  } cases[] = {
      {"\xFF\xFE\xC3(", "\\xff\\xfe\\xc3("},
      {"caf\xE9 caf\xC3\xA9", "caf\\xe9 caf\xC3\xA9"},
      {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC\\xe2\\x82"},  // a whole euro sign, then a cut one
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},                 // an encoded surrogate
      {"\\x41", "\\x41"},                                  // a text that looks escaped stays
  };
  for (const auto& c : cases) EXPECT_EQ(orv::gf_escapeInvalidUtf8(c.bytes), c.escaped) << c.escaped;
}

TEST(Utf, UnpairedSurrogatesAreRefused) {
  const std::u16string invalid[] = {
      {0xD800},          // high surrogate at the end
      {0xD800, u'a'},    // high surrogate followed by a character
      {0xDC00},          // lone low surrogate
      {u'a', 0xDFFF},    //
      {0xDC00, 0xD800},  // the pair in the wrong order
      {0xD800, 0xD800},  //
  };
  for (const std::u16string& units : invalid) {
    try {
      (void)orv::wide_to_utf8(units);
      ADD_FAILURE() << "accepted a text of " << units.size() << " units";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
    }
  }
}

TEST(Plural, SignedAndUnsignedCounts) {
  EXPECT_EQ(orv::gf_plural(-3), "");
  EXPECT_EQ(orv::gf_plural(0), "s");
  EXPECT_EQ(orv::gf_plural(1), "");
  EXPECT_EQ(orv::gf_plural(2), "s");
  EXPECT_EQ(orv::gf_plural(std::int64_t{-1}), "");
  EXPECT_EQ(orv::gf_plural(std::int64_t{1} << 40), "s");
  EXPECT_EQ(orv::gf_plural(std::uint64_t{0}), "s");
  EXPECT_EQ(orv::gf_plural(std::uint64_t{1}), "");
  EXPECT_EQ(orv::gf_plural(std::size_t{7}), "s");
  EXPECT_EQ(orv::gf_plural(1u), "");
  EXPECT_EQ(orv::gf_plural(1LL), "");  // long long and long both compile
}

}  // namespace
