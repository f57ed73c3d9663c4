#include "liveries/livery_record.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "foundation/errors.h"
#include "foundation/xml_meta.h"
#include "livery_fixture.h"

namespace {

using namespace orv;
using testing_support::livery;
using testing_support::readLines;
using testing_support::writeFile;

const std::filesystem::path kFile = "output/LiveriesScanned.xml";

class LiveryFile : public testing_support::LiveryLogTest {
 protected:
  LiveryFile() { std::filesystem::create_directories("output"); }
};

[[nodiscard]] std::vector<std::string> liveryLines() {
  std::vector<std::string> lines;
  for (const std::string& line : readLines(kFile))
    if (line.find("<l ") != std::string::npos) lines.push_back(line);
  return lines;
}

TEST_F(LiveryFile, WritesEachLiveryWithItsAttributesInOrderAndReadsItBack) {
  LiveryList written{livery("", "RC172", "Private C172"),
                     livery("RABC", "RA320", "ABC Alpha", false, "D-ABCD"),
                     livery("RABC", "RA320", "ABC Cargo", true)};
  ASSERT_TRUE(gf_writeLiveriesScanned(written, kFile, 2));
  EXPECT_EQ(liveryLines(), (std::vector<std::string>{
                               R"(    <l a="" m="RC172" t="Private C172" />)",
                               R"(    <l a="RABC" m="RA320" t="ABC Alpha" r="D-ABCD" />)",
                               R"(    <l a="RABC" m="RA320" c="true" t="ABC Cargo" />)",
                           }));
  EXPECT_EQ(readLines(kFile).front(), R"(<?xml version="1.0" encoding="UTF-8"?>)");
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(kFile.c_str()));
  const std::optional<XmlMeta> meta = gf_readXmlMeta(document);
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta->version, "11.12.1");
  EXPECT_EQ(meta->sim, 2);
  EXPECT_FALSE(std::filesystem::exists("output/LiveriesScanned.xml.tmp"));

  LiveryList read{livery("RX", "RX", "left over")};
  gf_readLiveriesScanned(read, kFile);
  EXPECT_EQ(read, written);
  for (const Livery& l : read) EXPECT_EQ(l.folderOrdinal, 0);
  EXPECT_EQ(logFrom("3 liveries in"), (std::vector<std::string>{
                                          "3 liveries in output/LiveriesScanned.xml",
                                          "    3 liveries read from output/LiveriesScanned.xml",
                                      }));
}

TEST_F(LiveryFile, AnEmptyListWritesNothingAndLeavesTheOldFile) {
  writeFile(kFile, "old");
  EXPECT_FALSE(gf_writeLiveriesScanned(LiveryList{}, kFile, 1));
  EXPECT_EQ(testing_support::readFile(kFile), "old");
  EXPECT_TRUE(log().empty());
}

TEST_F(LiveryFile, AFailedSaveLeavesTheOldFileWhole) {
  LiveryList first{livery("RABC", "RA320", "ABC Alpha")};
  ASSERT_TRUE(gf_writeLiveriesScanned(first, kFile, 1));
  // The temporary file cannot be written: the old file must stay as it was.
  std::filesystem::create_directories("output/LiveriesScanned.xml.tmp");
  LiveryList second{livery("RABC", "RA320", "ABC Beta")};
  EXPECT_FALSE(gf_writeLiveriesScanned(second, kFile, 1));
  LiveryList read;
  gf_readLiveriesScanned(read, kFile);
  EXPECT_EQ(read, first);
}

TEST_F(LiveryFile, ReadingSortsByAirlineCodeModelCodeAndTitle) {
  // Ids handed out against the byte order of the codes: the longer code first.
  (void)gf_airlineId("SABCD");
  (void)gf_airlineId("SABC");
  (void)gf_modelId("SB7471");
  (void)gf_modelId("SB747");
  writeFile(kFile, R"(<root><liveries>
    <l a="SABCD" m="SB747" t="d"/>
    <l a="SABC" m="SB7471" t="c"/>
    <l a="SABC" m="SB747" t="b2"/>
    <l a="SABC" m="SB747" t="b1"/>
    <l a="" m="SB7471" t="a"/>
  </liveries></root>)");
  LiveryList read;
  gf_readLiveriesScanned(read, kFile);
  std::vector<std::string> titles;
  for (const Livery& l : read) titles.push_back(l.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"a", "b1", "b2", "c", "d"}));
}

TEST(LiveryOrder, ComparesCodeTextsByteByByteThenTitles) {
  struct Case {
    Livery a, b;
    bool less;
  };
  const Case cases[] = {
      {livery("OQA", "OM1", "x"), livery("OQAB", "OM1", "a"), true},  // a prefix first
      {livery("OQAB", "OM1", "a"), livery("OQA", "OM1", "x"), false},
      {livery("", "OM9", "z"), livery("OQA", "OM1", "a"), true},  // no airline before every airline
      {livery("OQA", "OM1", "z"), livery("OQA", "OM12", "a"), true},
      {livery("OQA", "OM1", "b"), livery("OQA", "OM1", "a"), false},
      {livery("OQA", "OM1", "a"), livery("OQA", "OM1", "a"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(lf_liveryLess(c.a, c.b), c.less) << c.a.title << " / " << c.b.title;
  Livery beyond = livery("OQA", "OM1", "a");
  beyond.airline = static_cast<AirlineId>(gf_airlineCodeCount());  // counts as the empty code
  EXPECT_TRUE(lf_liveryLess(beyond, livery("OQA", "OM1", "a")));
}

TEST(LiveryOrder, EqualityLeavesTheFolderOut) {
  Livery a = livery("OQA", "OM1", "t", true, "R-1");
  Livery b = a;
  b.folderOrdinal = 7;
  EXPECT_EQ(a, b);
  for (auto change : std::initializer_list<void (*)(Livery&)>{
           [](Livery& l) { l.title += "x"; }, [](Livery& l) { l.registration.clear(); },
           [](Livery& l) { l.cargo = false; }, [](Livery& l) { l.model = gf_modelId("OM2"); },
           [](Livery& l) { l.airline = 0; }}) {
    Livery c = a;
    change(c);
    EXPECT_FALSE(a == c);
  }
}

TEST_F(LiveryFile, TheCargoFlagIsABooleanAndMissingMeansPassenger) {
  writeFile(kFile, R"(<root><liveries>
    <l a="RABC" m="RA320" t="t1" c="false"/>
    <l a="RABC" m="RA320" t="t2" c="0"/>
    <l a="RABC" m="RA320" t="t3"/>
    <l a="RABC" m="RA320" t="t4" c="true"/>
  </liveries></root>)");
  LiveryList read;
  gf_readLiveriesScanned(read, kFile);
  std::vector<bool> cargo;
  for (const Livery& l : read) cargo.push_back(l.cargo);
  EXPECT_EQ(cargo, (std::vector<bool>{false, false, false, true}));
}

TEST_F(LiveryFile, FailuresThrowTheirCodes) {
  struct Case {
    const char* content;  // nullptr: no file
    std::int32_t code;
    std::string message;
    std::size_t kept;  // liveries appended before the throw
  };
  const std::string path = kFile.string();
  const Case cases[] = {
      {nullptr, 51, "51: File " + path + " not found", 0},
      // There but damaged: the parser's reason, not "not found".
      {"<root><liveries><l a='RABC' m='RA3", 51,
       "51: File " + path + " could not be loaded: Error parsing element attribute", 0},
      {"<root><meta/></root>", 52, "52: " + path + " does not contain a <liveries> section", 0},
      {"<root><liveries/></root>", 533, "533: " + path + " does not contain liveries", 0},
      {"<root><liveries>text only</liveries></root>", 533, "533: " + path + " does not contain liveries", 0},
      {"<other><liveries><l a='' m='X' t='T'/></liveries></other>", 533,
       "533: " + path + " does not contain liveries", 0},
      {"<root><liveries><l a='RABC' t='T'/></liveries></root>", 999,
       "999: Missing required attribute 'm' in <l>", 0},
      {"<root><liveries><l a='RABC' m='RA320' t='T'/><x m='RA320' t='U'/></liveries></root>", 999,
       "999: Missing required attribute 'a' in <x>", 1},
      {"<root><liveries><l a='RABC' m='RA320'/></liveries></root>", 999,
       "999: Missing required attribute 't' in <l>", 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(kFile);
    if (c.content) writeFile(kFile, c.content);
    LiveryList read{livery("RX", "RX", "left over")};
    try {
      gf_readLiveriesScanned(read, kFile);
      ADD_FAILURE() << "no error for " << (c.content ? c.content : "no file");
    } catch (const UserErrorException& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_EQ(std::string(e.what()), c.message);
      EXPECT_EQ(read.size(), c.kept) << c.message;
    }
  }
}

}  // namespace
