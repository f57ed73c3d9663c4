#include "foundation/version.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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
  EXPECT_THROW((void)orv::gf_parseVersion(R"({"major":"1","minor":2,"patch":3})"),
               nlohmann::json::type_error);
}

TEST(Version, OrderIsNumericPerPart) {
  EXPECT_LT(orv::gf_parseVersion("11.0.1"), orv::gf_parseVersion("11.0.2"));
  EXPECT_LT(orv::gf_parseVersion("11.0.2"), orv::gf_parseVersion("11.10.0"));
  EXPECT_LT(orv::gf_parseVersion("11.10.0"), orv::gf_parseVersion("11.12.1"));
  EXPECT_LT(orv::gf_parseVersion("9.99.99"), orv::gf_parseVersion("10.0.0"));
}

}  // namespace
