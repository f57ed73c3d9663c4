#include "foundation/xml_meta.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "foundation/log.h"
#include "platform/os/clock.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

using testing_support::WorkingFolder;

orv::XmlMeta metaFor(int sim) {
  orv::XmlMeta record;
  record.version = "11.12.1";
  record.sim = sim;
  return record;
}

pugi::xml_document parse(const char* text) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(text));
  return document;
}

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using XmlMeta = testing_support::FreshFoundationTest;

TEST_F(XmlMeta, WrittenBlockReadsBackAfterSaving) {
  WorkingFolder folder;
  os::FakeClock fake;
  os::ScopedClock scoped(fake);
  for (const int sim : {1, 2}) {
    SCOPED_TRACE(sim);
    pugi::xml_document document;
    ASSERT_TRUE(orv::gf_writeXmlMeta(document, metaFor(sim)));
    document.child("root").append_child("liveries");
    ASSERT_TRUE(document.save_file("meta.xml"));

    pugi::xml_document reloaded;
    ASSERT_TRUE(reloaded.load_file("meta.xml"));
    const auto meta = orv::gf_readXmlMeta(reloaded);
    ASSERT_TRUE(meta);
    EXPECT_EQ(meta->author, "Quillstar");
    EXPECT_EQ(meta->version, "11.12.1");
    EXPECT_EQ(meta->date, "Dec 09, 2026");
    EXPECT_EQ(meta->copyright, orv::kCopyrightLine);
    EXPECT_EQ(meta->sim, sim);
  }
}

TEST_F(XmlMeta, EntriesInTheirOrderUnderAnExistingRoot) {
  pugi::xml_document document = parse("<root><parameters/></root>");
  ASSERT_TRUE(orv::gf_writeXmlMeta(document, metaFor(2)));
  ASSERT_EQ(std::distance(document.children("root").begin(), document.children("root").end()), 1);
  std::vector<std::string> names;
  for (const auto& info : document.child("root").child("meta").children("info"))
    names.push_back(info.attribute("name").as_string());
  EXPECT_EQ(names, (std::vector<std::string>{"author", "version", "date", "copyright", "sim"}));
}

TEST_F(XmlMeta, ReadingTakesTheFirstOfEachNameAndDefaultsMissingValues) {
  const auto meta = orv::gf_readXmlMeta(parse(R"(<root><meta>
      <info name="version" value="11.10.0"/>
      <info name="version" value="11.12.1"/>
      <info name="copyright" value=""/>
      <info name="author"/>
      <info name="sim" value="x"/>
    </meta></root>)"));
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta->version, "11.10.0");
  EXPECT_EQ(meta->author, "");
  EXPECT_EQ(meta->copyright, "");  // present though empty: the file is one of ours
  EXPECT_EQ(meta->sim, 0);

  const auto noSim =
      orv::gf_readXmlMeta(parse(R"(<root><meta><info name="copyright" value="c"/></meta></root>)"));
  ASSERT_TRUE(noSim);
  EXPECT_EQ(noSim->sim, -1);
}

TEST_F(XmlMeta, NoBlockOrNoCopyrightGivesNothing) {
  WorkingFolder folder;
  orv::gf_openLog();
  EXPECT_FALSE(orv::gf_readXmlMeta(parse("<root><parkpositions/></root>")));
  EXPECT_FALSE(orv::gf_readXmlMeta(parse("<meta><info name=\"copyright\" value=\"c\"/></meta>")));
  EXPECT_FALSE(
      orv::gf_readXmlMeta(parse(R"(<root><meta><info name="version" value="11.12.1"/></meta></root>)")));
  orv::gf_closeLog();
  const auto lines = testing_support::readLines(orv::gf_logPath());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "==> no copyright info in the file?"), 1);
}

}  // namespace
