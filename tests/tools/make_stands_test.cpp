#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"
#include "tool_run.h"

namespace {

using testing_support::readFile;
using testing_support::WorkingFolder;
using tools_test::runTool;
using tools_test::ToolRun;

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

TEST(MakeStandsTool, EveryStandHasAParkingForEveryWeekdayAndHalfHour) {
  WorkingFolder folder;
  const ToolRun made = runTool(QUILLSTAR_MAKE_STANDS_PROGRAM,
                               "EDDF 50.0379 8.5622 EDDF.xml --stands 12 --name Frankfurt --altitude 364");
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_EQ(made.out, "EDDF.xml: 12 stands of EDDF, 336 learned parkings\n");

  // The program's own reader takes every stand and every parking, without a warning.
  const ToolRun read = runTool(QUILLSTAR_STANDS_PROGRAM, "EDDF.xml");
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(read.err, "");
  EXPECT_NE(read.out.find("EDDF.xml: 12 stands, 336 learned parkings"), std::string::npos) << read.out;
  EXPECT_EQ(occurrences(read.out, " 28 opts"), 12u) << read.out;

  const std::string file = readFile("EDDF.xml");
  for (const char* hours : {"hh=\"0:11\"", "hh=\"12:23\"", "hh=\"24:35\"", "hh=\"36:47\""})
    EXPECT_EQ(occurrences(file, hours), 12u * 7u) << hours;
  for (int day = 1; day <= 7; ++day)
    EXPECT_EQ(occurrences(file, "day=\"" + std::to_string(day) + "\""), 12u * 4u) << day;
  EXPECT_NE(file.find(R"(<parameter name="altitude" value="364" />)"), std::string::npos);
  EXPECT_NE(file.find(R"(<parkpos id="S11" latitude="50.038440" longitude="8.562200")"), std::string::npos)
      << file;  // the second row, 60 m north of the first stand
  // Neighbours show different aircraft at the same half hour, and only passenger aircraft come:
  // the stands are passenger stands.
  const auto firstAirline = [&file](const std::string& stand) {
    const std::size_t at = file.find("airl=\"", file.find("<parkpos id=\"" + stand + "\""));
    return at == std::string::npos ? std::string() : file.substr(at + 6, 3);
  };
  EXPECT_NE(firstAirline("S1"), firstAirline("S2"));
  EXPECT_NE(firstAirline("S2"), firstAirline("S3"));
  for (const char* airline : {"DLH", "CFG", "BAW"})
    EXPECT_EQ(occurrences(file, std::string("airl=\"") + airline + "\""), 12u * 28u / 3u) << airline;
}

TEST(MakeStandsTool, RefusesFaultyArguments) {
  WorkingFolder folder;
  for (const char* arguments : {"", "EDDF 50 8", "EDD 50 8 x.xml", "EDDF north 8 x.xml", "EDDF 91 8 x.xml",
                                "EDDF 50 8 x.xml --stands 0", "EDDF 50 8 x.xml --fleet DLH",
                                "EDDF 50 8 x.xml --colour red", "EDDF 50 8 x.xml --name"})
    EXPECT_EQ(runTool(QUILLSTAR_MAKE_STANDS_PROGRAM, arguments).code, 2) << arguments;
  EXPECT_EQ(runTool(QUILLSTAR_MAKE_STANDS_PROGRAM, "EDDF 50 8 missing/folder/x.xml").code, 0);
  // A file stands where the output's folder would have to be made.
  testing_support::writeFile("blocker", "");
  EXPECT_EQ(runTool(QUILLSTAR_MAKE_STANDS_PROGRAM, "EDDF 50 8 blocker/x.xml").code, 1);
}

}  // namespace
