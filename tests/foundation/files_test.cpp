#include "foundation/files.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "support/test_support.h"

namespace {

using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

TEST(Generations, NamesPutZerosBeforeTheLastDot) {
  EXPECT_EQ(orv::gf_generationPath("a.b/Log.txt", 1), std::filesystem::path("a.b/Log0.txt"));
  EXPECT_EQ(orv::gf_generationPath("parameters.xml", 3), std::filesystem::path("parameters000.xml"));
  EXPECT_TRUE(orv::gf_generationPath("README", 1).empty());
}

TEST(Generations, OneGeneration) {
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

TEST(Generations, AFailedStepDoesNotStopTheOthers) {
  WorkingFolder folder;
  writeFile("a.txt", "0");
  writeFile("a0.txt", "1");
  writeFile("a00.txt", "2");
  std::filesystem::create_directory("a000.txt");  // generation 3 cannot be written
  EXPECT_FALSE(orv::gf_saveUpto3GenerationsOf("a.txt"));
  EXPECT_EQ(readFile("a00.txt"), "1");
  EXPECT_EQ(readFile("a0.txt"), "0");
}

}  // namespace
