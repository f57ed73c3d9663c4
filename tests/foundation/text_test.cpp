#include "foundation/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <gsl/narrow>
#include <limits>

#include "foundation/folders.h"
#include "support/foundation_state.h"

namespace {

using Texts = std::vector<std::string>;

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using Text = testing_support::FreshFoundationTest;

TEST_F(Text, TrimAndSplit) {
  EXPECT_EQ(orv::gf_trim(" \t a b\r\n"), "a b");
  EXPECT_EQ(orv::gf_trim(" \r\n\t"), "");
  std::string s = "\tx ";
  orv::gf_trimInPlace(s);
  EXPECT_EQ(s, "x");
  EXPECT_EQ(orv::gf_splitComma(" a, ,b , ,"), (Texts{"a", "b"}));
  EXPECT_EQ(orv::gf_splitComma(""), Texts{});
  EXPECT_EQ(orv::gf_splitComma(",,"), Texts{});
  EXPECT_EQ(orv::gf_splitBy("x;y;;z", ';'), (Texts{"x", "y", "z"}));
  EXPECT_EQ(orv::gf_splitToVector(" k = v ", '='), (Texts{"k", "v"}));
  EXPECT_EQ(orv::gf_splitCommaToList("b,a,b, c"), (std::list<std::string>{"a", "b", "c"}));
}

TEST_F(Text, UpperCaseTouchesAsciiOnly) {
  EXPECT_EQ(orv::gf_toUpper("klm1 b738"), "KLM1 B738");
  EXPECT_EQ(orv::gf_toUpper("caf\xC3\xA9"), "CAF\xC3\xA9");  // the UTF-8 bytes stay
  EXPECT_EQ(orv::gf_toUpperChar('\xE9'), '\xE9');
  EXPECT_EQ(orv::gf_toUpperChar('z'), 'Z');
}

TEST_F(Text, LogQuotesAreCutWholeCharacters) {
  EXPECT_EQ(orv::gf_logQuote(std::string(200, 'a')), std::string(200, 'a'));
  EXPECT_EQ(orv::gf_logQuote(std::string(201, 'a')), std::string(200, 'a') + "...");
  EXPECT_EQ(orv::gf_logQuote("abcdef", 3), "abc...");
  // "\xc3\xa9" is one character: cut before it rather than through it.
  EXPECT_EQ(orv::gf_logQuote("ab\xc3\xa9z", 3), "ab...");
  EXPECT_EQ(orv::gf_logQuote("ab\xc3\xa9z", 4), "ab\xc3\xa9...");
  EXPECT_EQ(orv::gf_logQuote("", 0), "");
}

TEST_F(Text, ContainsAndStarred) {
  EXPECT_TRUE(orv::gf_contains("Airbus A320", "A32"));
  EXPECT_TRUE(orv::gf_contains("x", ""));
  EXPECT_FALSE(orv::gf_contains("A3", "A32"));
  EXPECT_TRUE(orv::gf_equalsStarred("KLM12", "KLM12*"));
  EXPECT_FALSE(orv::gf_equalsStarred("KLM12", "KLM12"));
  EXPECT_FALSE(orv::gf_equalsStarred("KLM12", "KLM1*"));
  EXPECT_FALSE(orv::gf_equalsStarred("KLM12", "KLM12x"));
}

TEST_F(Text, HexStringFollowsTheSimulator) {
  EXPECT_EQ(orv::gf_hexString(255), "255");
  orv::gf_setMsfs2020Chosen(false);
  EXPECT_EQ(orv::gf_hexString(255), "ff");
  EXPECT_EQ(orv::gf_hexString(0x1000000AB), "1000000ab");
}

TEST_F(Text, Percent) {
  struct Case {
    std::int64_t part, total;
    std::int32_t expected;
  };
  for (const Case& c :
       {Case{1, 3, 33}, {2, 3, 67}, {5, 0, 0}, {5, -2, 0}, {1, 2, 50}, {-1, 3, -33}, {3, 3, 100}})
    EXPECT_EQ(orv::gf_percent(c.part, c.total), c.expected) << c.part << "/" << c.total;
  EXPECT_THROW((void)orv::gf_percent(std::numeric_limits<std::int64_t>::max() / 50, 1), gsl::narrowing_error);
  EXPECT_THROW((void)orv::gf_percent(std::numeric_limits<std::int64_t>::min(), 1), gsl::narrowing_error);
  EXPECT_EQ(orv::gf_percent(21474836, 1), 2147483600);
}

TEST_F(Text, BannerLines) {
  const std::string stars34(34, '*');
  EXPECT_EQ(orv::gf_bannerLine(70, 0, true, false, "parameters"), "\n" + stars34 + " parameters " + stars34);
  EXPECT_EQ(orv::gf_bannerLine(70, 10, false, true, ""), std::string(80, '*') + "\n");
  EXPECT_EQ(orv::gf_bannerLine(71, 0, false, false, ""), std::string(72, '*'));
  EXPECT_EQ(orv::gf_bannerLine(71, 0, false, false, "ab"),
            std::string(35, '*') + " ab " + std::string(35, '*'));
  // No room for the stars: the title alone, without the leading line feed.
  EXPECT_EQ(orv::gf_bannerLine(10, 0, true, true, "a long title"), "a long title\n");
  EXPECT_EQ(orv::gf_bannerLine(10, 0, false, false, "12345678"), "12345678");
  EXPECT_EQ(orv::gf_bannerLine(10, 0, false, false, "1234567"), "**** 1234567 ****");
}

TEST_F(Text, WinsockErrorTexts) {
  EXPECT_EQ(orv::gf_wsaErrorText(10054), "10054 Connection reset by peer");
  EXPECT_EQ(orv::gf_wsaErrorText(10004), "10004 Interrupted system call");
  EXPECT_EQ(orv::gf_wsaErrorText(11004), "11004 No host data of that type was found");
  EXPECT_EQ(orv::gf_wsaErrorText(12345), "12345 Unknown errror code");
  EXPECT_EQ(orv::gf_wsaErrorText(0), "0 Unknown errror code");
}

}  // namespace
