#include "shell/startup.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/time_text.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
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
  for (const auto& [stored, expected] : cases)
    EXPECT_EQ(orv::gf_withoutCommunityEnding(stored), expected) << stored;
}

TEST(StartUp, TheWorkingFoldersAreMadeAndTheOldActiveListGoes) {
  WorkingFolder folder;
  fs::create_directories("output/info");
  writeFile("output/info/ObjectIdList.txt", "1;SWR1;HB-JLT;SWR;A320;air;active\n");
  orv::lf_checkFolders();
  for (const char* made :
       {"output/errors", "airports/learned/stock", "airports/learned/simaddon", "airports/learned/thirdparty",
        "airports/my_simaddon", "airports/my_thirdparty", "input/my_regcodes"})
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
    const char* edition;  // as the status band shows it
    const char* logged;   // the end of the last log line, if any
  };
  const Case cases[] = {
      {R"({"version": "9.0.812", "level": 2})", true, "RT 9.0.812 edition: prof", nullptr},
      {R"({"version": "9.0.812", "level": 1})", false, "RT 9.0.812 edition: stnd", nullptr},
      {R"({"version": 9, "level": 2})", true, "RT 9 edition: prof", nullptr},
      {"[2, 9]", false, "", nullptr},
      // A member that is missing takes its default: no version text, the standard edition.
      {R"({"level": 2})", true, "RT  edition: prof", nullptr},
      {R"({"version": "9.0"})", false, "RT 9.0 edition: stnd", nullptr},
      {R"({"version": "9.0", "level": 4294967298})", false, "RT 9.0 edition: stnd", nullptr},
      {R"({"version": "9.0", "level": "2"})", false, "", "JSON parse failed"},
      {"{not json", false, "", "JSON parse failed"},
  };
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run(sim, window, true);
  for (const Case& c : cases) {
    run.setProfessional(!c.professional);
    orv::lf_processRTVersion(run, c.reply);
    EXPECT_EQ(run.realTraffic.professional, c.professional) << c.reply;
    EXPECT_EQ(orv::gf_professionalPeer(), c.professional) << "the data clock's too: " << c.reply;
    EXPECT_EQ(run.realTraffic.edition, c.edition) << c.reply;
    EXPECT_EQ(window.text(orv::WindowText::RealTrafficEdition), c.edition) << c.reply;
    orv::gf_flushLog();
    if (c.logged) {
      const std::string last = readLines("Log.txt").back();
      EXPECT_TRUE(last.starts_with("lf_processRTVersion: JSON parse failed: ")) << c.reply << " -> " << last;
    }
  }
}

TEST(StartUp, AnEmptyVersionReplyIsReportedAndChangesNothing) {
  WorkingFolder folder;
  const testing_support::ScopedRunState runState;
  orv::gf_openLog();
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow window;
  orv::TrafficRun run(sim, window, true);
  run.setProfessional(true);
  orv::lf_processRTVersion(run, "");
  EXPECT_TRUE(run.realTraffic.professional);
  EXPECT_EQ(orv::gf_messageLines().message, "No RealTraffic version received?");
}

}  // namespace
