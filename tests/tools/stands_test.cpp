#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "foundation/data_cipher.h"
#include "support/test_support.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::WorkingFolder;
using testing_support::writeFile;
using tools_test::ToolRun;

ToolRun stands(const std::string& arguments) {
  return tools_test::runTool(QUILLSTAR_STANDS_PROGRAM, arguments);
}

std::string withoutDate(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(<info name="date" value="[^"]*")"), "<info name=\"date\"");
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const std::string kHandmade = R"(<?xml version="1.0"?>
<root>
  <meta><info name="author" value="Quillstar"/><info name="version" value="11.12.1"/>
    <info name="date" value="Dec 09, 2026"/><info name="copyright" value="x"/><info name="sim" value="2"/></meta>
  <parameters>
    <parameter name="airport_name" value="Test Field"/><parameter name="publisher" value="stock"/>
    <parameter name="handmade" value="true"/><parameter name="altitude" value="83"/>
    <parameter name="Qf_real" value="50"/><parameter name="Qf_soft" value="10"/>
  </parameters>
  <parkpositions>
    <parkpos id="A1" latitude="51.470000" longitude="-0.454000" heading="90.0" radius="25.0" cargo="false" ramp="false">
      <opt reg="D-AIAB" day="2" hh="10:12" cs="DLH4:DLH5"/>
      <opt reg="ZZ-ARC" airl="TSA" type="TB20" soft="true" day="7" hh="3,7,40" cs="TSA1" cpl="true"/>
      <opt reg="ZZ-ONE" airl="TSA" type="TB20" day="1" hh="7" cs="ABC123:XYZ9"/>
    </parkpos>
    <parkpos id="M1" latitude="51.470200" longitude="-0.454000" heading="0.0" radius="20.0" cargo="true" ramp="true" manual="true"/>
    <parkpos id="R1" latitude="51.470400" longitude="-0.454000" heading="0.0" radius="30.0" cargo="false" ramp="true" radius_change="true"/>
    <parkpos id="helipad1" latitude="51.471000" longitude="-0.455000" heading="0.0" radius="10.0" heli="true" ramp="false"/>
    <parkpos id="Z0" latitude="0" longitude="0"/>
  </parkpositions>
</root>
)";

TEST(StandsTool, RoundTripsAFileInEachMode) {
  WorkingFolder folder;
  writeFile("EGTT.xml", kHandmade);
  for (const std::string flag : {"--handmade", "--generated"}) {
    const ToolRun first = stands("EGTT.xml first.xml " + flag);
    ASSERT_EQ(first.code, 0) << flag << first.err;
    EXPECT_TRUE(has(first.err, "==> stand Z0 has no valid lat/lon")) << first.err;
    EXPECT_TRUE(has(first.out, "EGTT.xml: 4 stands, 3 learned parkings")) << first.out;
    const ToolRun second = stands("first.xml second.xml " + flag);
    ASSERT_EQ(second.code, 0) << flag << second.err;
    EXPECT_EQ(withoutDate(readFile("first.xml")), withoutDate(readFile("second.xml"))) << flag;
  }
  const std::string handmade = (stands("EGTT.xml h.xml --handmade"), readFile("h.xml"));
  EXPECT_TRUE(has(handmade, R"(<parameter name="Qf_real" value="50" />)"));
  EXPECT_TRUE(has(handmade, R"(<info name="sim" value="2" />)"));
  EXPECT_TRUE(has(handmade, R"(hh="3,7,40")"));
  EXPECT_TRUE(has(handmade, R"(radius="30.0" cargo="false" ramp="true" radius_change="true")"));
  const std::string generated = (stands("EGTT.xml g.xml --generated"), readFile("g.xml"));
  EXPECT_TRUE(has(generated, R"(<parameter name="num_parkpos" value="4" />)"));
  EXPECT_FALSE(has(generated, "<opt"));
}

TEST(StandsTool, WritesLearnedFilesByDefault) {
  WorkingFolder folder;
  writeFile("EGTT.xml", kHandmade);
  ASSERT_EQ(stands("EGTT.xml learned.xml").code, 0);
  const std::string learned = readFile("learned.xml");
  EXPECT_FALSE(has(learned, "handmade"));
  EXPECT_TRUE(has(learned, R"(<parkpos id="helipad1" />)"));
  EXPECT_TRUE(has(learned, R"(<parkpos id="R1" radius_change="true" radius="30.0" />)"));
  EXPECT_TRUE(has(learned, R"(<parkpos id="M1" latitude="51.470200")"));
}

TEST(StandsTool, TakesTheCodesOfDatabaseRegistrations) {
  WorkingFolder folder;
  writeFile("EGTT.xml", kHandmade);
  ASSERT_EQ(stands("EGTT.xml without.xml --handmade").code, 0);
  EXPECT_TRUE(has(readFile("without.xml"), R"(<opt reg="D-AIAB" airl="" type="" day="2")"));

  fs::create_directories("input");
  orv::gf_streamEncrypt(fs::path(QUILLSTAR_REFDATA_FIXTURES) / "dbase.xml", "input/dbase.enc");
  const ToolRun run = stands("EGTT.xml with.xml --handmade");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(has(readFile("with.xml"), R"(<opt reg="D-AIAB" day="2")"));
  EXPECT_TRUE(fs::exists("input/dbase.enc"));
  EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

TEST(StandsTool, ReportsFaultyIdsAndArguments) {
  WorkingFolder folder;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"(<parkpos id="B12" latitude="1" longitude="1"/><parkpos id=" B12 " latitude="1" longitude="1"/>)",
       "94: Stand 'B12' appears more than once."},
      {R"(<parkpos latitude="1" longitude="1"/>)", "93: Parking position #1 has no 'id' attribute."},
      {R"(<parkpos id="A" latitude="1" longitude="1"/><parkpos id=" " latitude="1" longitude="1"/>)",
       "93: Stand #2 has empty 'id' attribute."},
  };
  for (const auto& [body, text] : cases) {
    writeFile("bad.xml", "<root><parkpositions>" + body + "</parkpositions></root>");
    const ToolRun run = stands("bad.xml out.xml");
    EXPECT_EQ(run.code, 1) << text;
    EXPECT_TRUE(has(run.err, text + "\n")) << run.err;
    EXPECT_FALSE(fs::exists("out.xml")) << text;
  }
  EXPECT_EQ(stands("missing.xml").code, 1);
  EXPECT_EQ(stands("").code, 2);
  EXPECT_EQ(stands("a.xml b.xml --generated --handmade").code, 2);
  EXPECT_EQ(stands("a.xml b.xml c.xml").code, 2);
}

}  // namespace
