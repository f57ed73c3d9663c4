#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/data_cipher.h"
#include "foundation/folders.h"
#include "foundation/utf.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_tables.h"
#include "liveries/regcode_processing.h"
#include "liveries/scan_reports.h"
#include "livery_fixture.h"
#include "refdata/regcode_files.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;
using testing_support::readLines;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

const char* const kMeta =
    R"(<meta><info name="author" value="Quillstar"/><info name="version" value="11.12.1"/>
<info name="date" value="2026-12-10"/><info name="copyright" value="c"/><info name="sim" value="1"/></meta>)";

std::string aigXml(const std::string& elements) {
  return std::string("<?xml version=\"1.0\"?>\n<root>") + kMeta + "<aig>" + elements + "</aig></root>\n";
}

class RegcodeTest : public testing_support::LiveryLogTest {
 protected:
  RegcodeTest() { fs::create_directories("input/my_regcodes"); }
  ~RegcodeTest() override { lf_clearScanLists(); }

  static void writeAig(const std::string& elements) {
    writeFile("aig-plain.xml", aigXml(elements));
    gf_streamEncrypt("aig-plain.xml", gf_paths().aigRegcodesEnc);
    fs::remove("aig-plain.xml");
  }
  // Tables of these liveries, with their in-line codes, as the start-up builds them.
  void build(const LiveryList& liveries) {
    tables.gf_clearLiveryTables();
    tables.reserveForBuild();
    tables.lf_buildLiveryTables(liveries);
    tables.lf_buildAirlineModelMaps();
    lf_processInlineRegcodes(tables, liveries);
    lf_processRegcodes(tables);
  }

  LiveryTables tables;
};

TEST_F(RegcodeTest, TextLinesGiveTheirEntries) {
  struct Case {
    std::string line;
    std::vector<RegcodeEntry> entries;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"Title One;D-ABCD", {{"Title One", {"D-ABCD"}, true}}, true},
      {"Title Two;D-ABCD,D-ABCE", {{"Title Two", {"D-ABCD", "D-ABCE"}, false}}, true},
      {"Title Two;D-ABCE,D-ABCD;#", {{"Title Two", {"D-ABCD", "D-ABCE"}, true}}, true},
      {"Title Three;AB", {}, false},
      {"Title Four;;#", {{"Title Four", {}, false}}, true},
      {"Short", {}, true},
      {"Only a title", {{"Only a title", {}, false}}, true},
      {"A;B;C;D-ABCD", {}, true},
      {"Title Five;X,AB,D-ABCD;#", {{"Title Five", {"D-ABCD"}, true}}, false},
      {"Title Six;B , A ,B", {{"Title Six", {}, false}}, false},
  };
  for (const Case& c : cases) {
    writeFile("input/my_regcodes/codes.txt", c.line + "\n");
    std::vector<RegcodeEntry> entries;
    EXPECT_EQ(gf_readRegcodeTextFiles("input/my_regcodes", entries), c.ok) << c.line;
    EXPECT_EQ(entries, c.entries) << c.line;
  }
  const Lines lines = log();
  const std::string wrongLength =
      "==> wrong regcode length 'AB' in " + gf_pathToUtf8(fs::path("input/my_regcodes") / "codes.txt");
  EXPECT_NE(std::find(lines.begin(), lines.end(), wrongLength), lines.end()) << testing::PrintToString(lines);
}

TEST_F(RegcodeTest, AigFileSkipsRepeatedTitlesAndSortsRegistrations) {
  writeFile("aig.xml",
            aigXml(R"(<l t="A" r="B,A,B"/><l t="A" r="C"/><l t="B" s="true"/><l r="X"/><l t="A"/>)"));
  std::vector<RegcodeEntry> entries;
  EXPECT_FALSE(gf_readAigRegcodesXml("aig.xml", entries));
  const std::vector<RegcodeEntry> expected = {{"A", {"A", "B"}, false}, {"B", {}, true}, {"A", {}, false}};
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(log().back(), "    3 liveries read from aig.xml");

  writeFile("noaig.xml", std::string("<root>") + kMeta + "</root>");
  EXPECT_FALSE(gf_readAigRegcodesXml("noaig.xml", entries));
  writeFile("broken.xml", "<root><");
  EXPECT_FALSE(gf_readAigRegcodesXml("broken.xml", entries));
  EXPECT_FALSE(fs::exists("broken.xml"));
}

TEST_F(RegcodeTest, LaterSourcesOverrideAndReportTheirChanges) {
  writeAig(
      R"(<l t="Livery B" r="X-AAA,X-BBB"/><l t="Not installed" r="X-CCC"/><l t="Livery C" r="X-DDD" s="true"/>)");
  writeFile("input/my_regcodes/a.txt", "Livery B;X-BBB\nLivery A;X-EEE,X-FFF;#\n");
  writeFile("input/my_regcodes/b.txt", "Livery C;X-GGG\n");
  LiveryList liveries = {testing_support::livery("DLH", "A320", "Livery A", false, "X-AAA"),
                         testing_support::livery("DLH", "A320", "Livery B"),
                         testing_support::livery("DLH", "A320", "Livery C")};
  build(liveries);
  EXPECT_EQ(tables.regcodeTitle("X-AAA"), "Livery B");
  EXPECT_EQ(tables.regcodeTitle("X-CCC"), "");
  EXPECT_TRUE(tables.isUniqueRegcode("X-DDD"));
  EXPECT_TRUE(tables.isUniqueRegcode("X-GGG"));
  EXPECT_TRUE(tables.isSpecialRegcode("X-EEE"));
  EXPECT_FALSE(tables.isUniqueRegcode("X-EEE"));
  EXPECT_TRUE(tables.isSpecialLivery("Livery A"));
  // A single registration of a user's line makes its livery special too.
  EXPECT_TRUE(tables.isUniqueRegcode("X-BBB"));
  const Lines expected = {"Processing file " + (fs::path("input") / "AIG-regcodes.xml").string(),
                          "   regcode X-AAA for 'Livery B', instead of the same for 'Livery A'",
                          "2 new regcodes added, 1 regcode replaced, 1 regcode defined as special",
                          "Processing files in " + (fs::path("input") / "my_regcodes").string(),
                          "3 new regcodes added, 3 regcodes defined as special"};
  EXPECT_EQ(readLines(gf_paths().offlineRegcodes), expected);
  EXPECT_FALSE(fs::exists(gf_paths().aigRegcodesXml));
  const Lines lines = log();
  // Livery C is special in the AIG file and in b.txt: each special entry counts.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "    4 special liveries"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "    3 unique liveries"), lines.end());
}

TEST_F(RegcodeTest, InlineClashKeepsTheFirstAndIsReported) {
  LiveryList liveries = {testing_support::livery("DLH", "A320", "Livery A", false, "X-AAA"),
                         testing_support::livery("BAW", "A320", "Livery B", false, "X-AAA")};
  build(liveries);
  EXPECT_EQ(tables.regcodeTitle("X-AAA"), "Livery A");
  EXPECT_EQ(readLines(gf_paths().inlineRegcodes), Lines{"X-AAA 'Livery B' => already in use by 'Livery A'"});
  // Without the AIG file the user's files are not read and no offline report is written.
  EXPECT_FALSE(fs::exists(gf_paths().offlineRegcodes));
}

TEST_F(RegcodeTest, DontUseTitlesComeFromEntriesWithoutRegistrations) {
  writeAig(R"(<l t="Hidden AIG"/><l t="Used" r="X-AAA"/>)");
  writeFile("input/my_regcodes/mine.TXT", "Hidden mine\n");
  lf_readDontUseTitles();
  EXPECT_TRUE(lf_isDontUseTitle("Hidden AIG"));
  EXPECT_TRUE(lf_isDontUseTitle("Hidden mine"));
  EXPECT_FALSE(lf_isDontUseTitle("Used"));
  EXPECT_FALSE(fs::exists(gf_paths().aigRegcodesXml));
}

}  // namespace
