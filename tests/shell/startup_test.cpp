#include "shell/startup.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/time_text.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

TEST(StartUp, OnlyATrailingCommunityFolderIsCut) {
  const std::pair<std::string, std::string> cases[] = {
      {"D:\\MSFS\\Community", "D:\\MSFS"},
      {"/games/msfs/Community", "/games/msfs"},
      {"D:\\Community\\MSFS\\Community", "D:\\Community\\MSFS"},
      {"D:\\Community\\MSFS", "D:\\Community\\MSFS"},
      {"/games/MyCommunity", "/games/MyCommunity"},
      {"Community", "Community"},
      {"", ""},
  };
  for (const auto& [stored, expected] : cases) EXPECT_EQ(orv::gf_withoutCommunityEnding(stored), expected) << stored;
}

TEST(StartUp, TheWorkingFoldersAreMadeAndTheOldActiveListGoes) {
  WorkingFolder folder;
  fs::create_directories("output/info");
  writeFile("output/info/ObjectIdList.txt", "1;SWR1;HB-JLT;SWR;A320;air;active\n");
  orv::lf_checkFolders();
  for (const char* made : {"output/errors", "airports/learned/stock", "airports/learned/simaddon",
                           "airports/learned/thirdparty", "airports/my_simaddon", "airports/my_thirdparty",
                           "input/my_regcodes"})
    EXPECT_TRUE(fs::is_directory(made)) << made;
  EXPECT_FALSE(fs::exists("output/info/ObjectIdList.txt"));
}

TEST(StartUp, AFileWhereAFolderMustBeFailsTheFolderCheck) {
  WorkingFolder folder;
  writeFile("airports", "not a folder");
  try {
    orv::lf_checkFolders();
    FAIL() << "no error";
  } catch (const fs::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find("create_directories"), std::string::npos) << e.what();
  }
}

TEST(StartUp, RealTrafficsVersionReply) {
  WorkingFolder folder;
  orv::gf_openLog();
  struct Case {
    const char* reply;
    bool professional;
    const char* logged;  // the end of the last log line, if any
  };
  const Case cases[] = {
      {R"({"version": "9.0.812", "level": 2})", true, nullptr},
      {R"({"version": "9.0.812", "level": 1})", false, nullptr},
      {R"({"version": 9, "level": 2})", true, nullptr},
      {"[2, 9]", false, nullptr},
      {R"({"level": 2})", false, "JSON parse failed"},
      {R"({"version": "9.0", "level": "2"})", false, "JSON parse failed"},
      {"{not json", false, "JSON parse failed"},
  };
  for (const Case& c : cases) {
    orv::gf_setProfessionalPeer(!c.professional);
    orv::lf_processRTVersion(c.reply);
    EXPECT_EQ(orv::gf_professionalPeer(), c.professional) << c.reply;
    orv::gf_flushLog();
    if (c.logged) {
      const std::string last = readLines("Log.txt").back();
      EXPECT_TRUE(last.starts_with("lf_processRTVersion: JSON parse failed: ")) << c.reply << " -> " << last;
    }
  }
}

TEST(StartUp, AnEmptyVersionReplyIsReportedAndChangesNothing) {
  WorkingFolder folder;
  orv::gf_openLog();
  orv::gf_setProfessionalPeer(true);
  orv::lf_processRTVersion("");
  EXPECT_TRUE(orv::gf_professionalPeer());
  EXPECT_EQ(orv::gf_messageLines().message, "No RealTraffic version received?");
}

}  // namespace
