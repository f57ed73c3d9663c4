#include "foundation/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>

#include "foundation/folders.h"
#include "foundation/log.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using Files = testing_support::FreshFoundationTest;
using Generations = testing_support::FreshFoundationTest;

TEST_F(Generations, NamesPutZerosBeforeTheLastDot) {
  EXPECT_EQ(orv::gf_generationPath("a.b/Log.txt", 1), std::filesystem::path("a.b/Log0.txt"));
  EXPECT_EQ(orv::gf_generationPath("parameters.xml", 3), std::filesystem::path("parameters000.xml"));
  EXPECT_TRUE(orv::gf_generationPath("README", 1).empty());
  // The dot of a folder above a file without one does not count.
  EXPECT_TRUE(orv::gf_generationPath("john.doe/README", 1).empty());
}

TEST_F(Generations, OneGeneration) {
  WorkingFolder folder;
  orv::gf_openLog();
  EXPECT_TRUE(orv::gf_save1GenerationOf("missing.xml"));
  EXPECT_FALSE(std::filesystem::exists("missing0.xml"));
  writeFile("parameters.xml", "new");
  writeFile("parameters0.xml", "old");
  EXPECT_TRUE(orv::gf_save1GenerationOf("parameters.xml"));
  EXPECT_EQ(readFile("parameters0.xml"), "new");
  EXPECT_FALSE(orv::gf_save1GenerationOf("nodot"));
  orv::gf_flushLog();
  EXPECT_EQ(readLines("Log.txt").back(), "==> gf_save1GenerationOf: no dot in filename: nodot");
}

TEST_F(Generations, AFailedStepDoesNotStopTheOthers) {
  WorkingFolder folder;
  writeFile("a.txt", "0");
  writeFile("a0.txt", "1");
  writeFile("a00.txt", "2");
  std::filesystem::create_directory("a000.txt");  // generation 3 cannot be written
  EXPECT_FALSE(orv::gf_saveUpto3GenerationsOf("a.txt"));
  EXPECT_EQ(readFile("a00.txt"), "1");
  EXPECT_EQ(readFile("a0.txt"), "0");
}

TEST_F(Generations, ThreeGenerationsShift) {
  WorkingFolder folder;
  writeFile("Log.txt", "now");
  writeFile("Log0.txt", "one");
  writeFile("Log00.txt", "two");
  writeFile("Log000.txt", "three");
  EXPECT_TRUE(orv::gf_saveUpto3GenerationsOf("Log.txt"));
  EXPECT_EQ(readFile("Log000.txt"), "two");
  EXPECT_EQ(readFile("Log00.txt"), "one");
  EXPECT_EQ(readFile("Log0.txt"), "now");
}

TEST_F(Files, ReadAndWrite) {
  WorkingFolder folder;
  std::vector<std::string> lines{"stale"};
  EXPECT_EQ(orv::gf_readFile("missing.txt", lines), "open_failed");
  EXPECT_TRUE(lines.empty());
  ASSERT_TRUE(orv::gf_writeFile("a\r\n\r\nb", "f.txt", true));
  EXPECT_EQ(readFile("f.txt"), "a\r\n\r\nb\n");
  EXPECT_EQ(orv::gf_readFile("f.txt", lines, 32), "");
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "", "b"}));
  ASSERT_TRUE(orv::gf_writeFile("x", "f.txt", false));
  EXPECT_EQ(readFile("f.txt"), "x");
  ASSERT_TRUE(orv::gf_writeLines(std::vector<std::string>{"1", "", "2"}, "v.txt"));
  EXPECT_EQ(readFile("v.txt"), "1\n\n2\n");
  ASSERT_TRUE(orv::gf_writeLines(std::list<std::string>{"z"}, "l.txt"));
  EXPECT_EQ(readFile("l.txt"), "z\n");
  EXPECT_FALSE(orv::gf_writeFile("x", "no/such/folder/f.txt", false));
  EXPECT_FALSE(orv::gf_writeLines(std::vector<std::string>{"x"}, "no/such/folder/f.txt"));
}

TEST_F(Files, ATemporaryReplacesTheTargetWholeOrNotAtAll) {
  WorkingFolder folder;
  std::error_code ec;
  writeFile("a.xml", "old");
  writeFile("a.xml.tmp", "new");
  EXPECT_TRUE(orv::gf_replaceWithTemporary("a.xml.tmp", "a.xml", ec)) << ec.message();
  EXPECT_EQ(readFile("a.xml"), "new");
  EXPECT_FALSE(std::filesystem::exists("a.xml.tmp"));

  // No temporary: the target stays.
  EXPECT_FALSE(orv::gf_replaceWithTemporary("a.xml.tmp", "a.xml", ec));
  EXPECT_TRUE(ec);
  EXPECT_EQ(readFile("a.xml"), "new");

  // A target that cannot be replaced (a folder with content): the temporary goes, the folder stays.
  std::filesystem::create_directories("b/inner");
  writeFile("b.tmp", "new");
  EXPECT_FALSE(orv::gf_replaceWithTemporary("b.tmp", "b", ec));
  EXPECT_TRUE(ec);
  EXPECT_FALSE(std::filesystem::exists("b.tmp"));
  EXPECT_TRUE(std::filesystem::is_directory("b/inner"));

  // Into a subfolder, by a relative path.
  std::filesystem::create_directories("sub");
  writeFile("sub/c.tmp", "c");
  EXPECT_TRUE(orv::gf_replaceWithTemporary("sub/c.tmp", "sub/c.txt", ec)) << ec.message();
  EXPECT_EQ(readFile("sub/c.txt"), "c");
}

TEST_F(Files, RemovingFiles) {
  WorkingFolder folder;
  orv::gf_openLog();
  writeFile("gone.txt", "x");
  orv::gf_removeFileIfExists("gone.txt");
  orv::gf_removeFileIfExists("never.txt");
  EXPECT_FALSE(std::filesystem::exists("gone.txt"));

  std::filesystem::create_directories("reports/sub");
  writeFile("reports/a.txt", "");
  writeFile("reports/b.xml", "");
  writeFile("reports/sub/c.txt", "");
  orv::gf_removeFilesFromDirectory("reports");
  orv::gf_removeFilesFromDirectory("missing-folder");
  EXPECT_EQ(orv::gf_countDirEntries("reports"), 1u);
  EXPECT_TRUE(std::filesystem::exists("reports/sub/c.txt"));

  std::filesystem::create_directories(orv::gf_paths().tblo / "sub.xml");
  writeFile(orv::gf_paths().tblo / "a.xml", "");
  writeFile(orv::gf_paths().tblo / "b.XML", "");
  writeFile(orv::gf_paths().tblo / "c.txt", "");
  orv::gf_removeXMLFilesFromDirectory();
  EXPECT_FALSE(std::filesystem::exists("tblo/a.xml"));
  EXPECT_FALSE(std::filesystem::exists("tblo/b.XML"));
  EXPECT_TRUE(std::filesystem::exists("tblo/c.txt"));
  EXPECT_TRUE(std::filesystem::exists("tblo/sub.xml"));
  orv::gf_flushLog();
  EXPECT_EQ(readLines("Log.txt").size(), 1u);  // nothing failed, nothing logged
}

TEST_F(Files, CountingAndListing) {
  WorkingFolder folder;
  EXPECT_EQ(orv::gf_countDirEntries("missing"), 0u);
  writeFile("plain.txt", "");
  EXPECT_EQ(orv::gf_countDirEntries("plain.txt"), 0u);
  EXPECT_TRUE(orv::gf_listMyThirdPartyXmlFiles().empty());
  const auto mine = orv::gf_paths().myThirdparty;
  EXPECT_EQ(mine, std::filesystem::path("airports/my_thirdparty"));
  std::filesystem::create_directories(mine / "folder.xml");
  writeFile(mine / "EHAM.xml", "");
  writeFile(mine / "EDDF.XML", "");
  writeFile(mine / "EDDF.txt", "");
  EXPECT_EQ(orv::gf_countDirEntries(mine), 4u);
  EXPECT_EQ(orv::gf_listMyThirdPartyXmlFiles(),
            (std::vector<std::filesystem::path>{mine / "EDDF.XML", mine / "EHAM.xml"}));
}

}  // namespace
