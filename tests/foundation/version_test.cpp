#include "foundation/version.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

namespace {

TEST(Version, DottedAndJsonForms) {
  EXPECT_EQ(orv::gf_parseVersion("11.12.1"), (orv::Version{11, 12, 1}));
  EXPECT_EQ(orv::gf_parseVersion("0.0.0"), (orv::Version{0, 0, 0}));
  EXPECT_EQ(orv::gf_parseVersion(R"({"major":1,"minor":2,"patch":3})"), (orv::Version{1, 2, 3}));
  EXPECT_EQ(orv::gf_parseVersion(" \n{\"patch\": 3, \"minor\": 2, \"major\": 1} "), (orv::Version{1, 2, 3}));
  EXPECT_EQ(orv::gf_versionText(orv::kProgramVersion), "11.12.1");
}

TEST(Version, InvalidTexts) {
  for (const char* text : {" 11.12.1", "11.12.1 ", "1.2", "1.2.3.4", "a.b.c", "", "[1,2,3]", "v11.12.1"}) {
    try {
      (void)orv::gf_parseVersion(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "invalid version format") << text;
    }
  }
  try {
    (void)orv::gf_parseVersion("99999999999.1.1");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "parse error in version string");
  }
  EXPECT_THROW((void)orv::gf_parseVersion("{bad"), nlohmann::json::parse_error);
  EXPECT_THROW((void)orv::gf_parseVersion(R"({"major":1})"), nlohmann::json::out_of_range);
  for (const char* text :
       {R"({"major":"1","minor":2,"patch":3})", R"({"major":1e10,"minor":2,"patch":3})",
        R"({"major":1,"minor":-1,"patch":3})", R"({"major":1,"minor":2,"patch":4294967307})",
        R"({"major":1,"minor":2,"patch":11.5})", R"({"major":null,"minor":2,"patch":3})"}) {
    try {
      (void)orv::gf_parseVersion(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "parse error in version string") << text;
    }
  }
}

TEST(Version, HugeTextsAreNoVersion) {
  const std::string digits(100000, '1');
  for (const std::string& text :
       {digits, "1.1." + digits + "x", digits + "." + digits, std::string(100000, '.')}) {
    try {
      (void)orv::gf_parseVersion(text);
      ADD_FAILURE() << "accepted " << text.size() << " bytes";
    } catch (const std::runtime_error&) {
    }
  }
  EXPECT_THROW((void)orv::gf_parseVersion(digits + ".1.1"), std::runtime_error);
  // Deeply nested JSON neither overflows the stack on reading nor on freeing.
  const std::string deep = R"({"major":)" + std::string(100000, '[') + std::string(100000, ']') + "}";
  EXPECT_THROW((void)orv::gf_parseVersion(deep), nlohmann::json::out_of_range);
  EXPECT_THROW((void)orv::gf_parseVersion("{" + std::string(100000, '[')), nlohmann::json::parse_error);
  EXPECT_EQ(orv::gf_parseVersion("0000000000000000000011.012.1"), (orv::Version{11, 12, 1}));
  EXPECT_EQ(orv::gf_parseVersion("2147483647.0.0"), (orv::Version{2147483647, 0, 0}));
}

TEST(Version, JsonNumbersAreIntegersInRange) {
  const struct {
    const char* json;
    std::optional<std::int32_t> number;
  } cases[] = {
      {"0", 0},
      {"11", 11},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"1e10", std::nullopt},
      {"-1", std::nullopt},
      {"4294967307", std::nullopt},
      {"\"11\"", std::nullopt},
      {"11.5", std::nullopt},
      {"11.0", std::nullopt},
      {"null", std::nullopt},
      {"[11]", std::nullopt},
      {"true", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(orv::gf_versionNumber(nlohmann::json::parse(c.json)), c.number) << c.json;
  EXPECT_EQ(orv::gf_versionFromJson(nlohmann::json::parse(R"({"major":1,"minor":2,"patch":3,"x":"y"})")),
            (orv::Version{1, 2, 3}));
  EXPECT_FALSE(orv::gf_versionFromJson(nlohmann::json::parse(R"({"major":1,"minor":2})")));
  EXPECT_FALSE(orv::gf_versionFromJson(nlohmann::json::parse("[1,2,3]")));
}

TEST(Version, OrderIsNumericPerPart) {
  EXPECT_LT(orv::gf_parseVersion("11.0.1"), orv::gf_parseVersion("11.0.2"));
  EXPECT_LT(orv::gf_parseVersion("11.0.2"), orv::gf_parseVersion("11.10.0"));
  EXPECT_LT(orv::gf_parseVersion("11.10.0"), orv::gf_parseVersion("11.12.1"));
  EXPECT_LT(orv::gf_parseVersion("9.99.99"), orv::gf_parseVersion("10.0.0"));
}

}  // namespace
