#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "foundation/data_cipher.h"
#include "support/test_support.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::WorkingFolder;
using testing_support::writeFile;

// The tool's exit code for the arguments, its output kept out of the test's.
int encipher(const std::string& arguments) {
  return tools_test::runTool(QUILLSTAR_ENCIPHER_PROGRAM, arguments).code;
}

TEST(EncipherTool, WritesWhatTheProgramReadsAndHarmsNothingWhenItFails) {
  WorkingFolder folder;
  const std::string plain = "<root><aircrafts/></root>\n";
  writeFile("dbase.xml", plain);
  ASSERT_EQ(encipher("dbase.xml"), 0);
  ASSERT_TRUE(orv::gf_streamDecrypt("dbase.enc", "back.xml"));
  EXPECT_EQ(readFile("back.xml"), plain);

  // Its own input is never overwritten.
  const std::string enciphered = readFile("dbase.enc");
  EXPECT_NE(encipher("dbase.enc"), 0);
  EXPECT_EQ(readFile("dbase.enc"), enciphered);

  // A folder named as the output cannot be written, and stays.
  fs::create_directory("input");
  EXPECT_NE(encipher("dbase.xml input"), 0);
  EXPECT_TRUE(fs::is_directory("input"));
}

}  // namespace
