#include "foundation/folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/log.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readLines;
using testing_support::ScopedEnv;
using testing_support::WorkingFolder;
using testing_support::writeFile;

// A fake simulator installation: a packages folder with the given subfolders.
fs::path makePackages(const fs::path& where, std::initializer_list<const char*> subfolders) {
  for (const char* sub : subfolders) fs::create_directories(where / sub);
  fs::create_directories(where);
  return where;
}

void writeUserCfg(const fs::path& file, const std::string& keyLine) {
  fs::create_directories(file.parent_path());
  writeFile(file, "Graphics {\n\tVersion 1.1\n}\n" + keyLine + "\n");
}

struct Detection {
  bool found = false;
  std::vector<std::string> log;
};

Detection detect() {
  orv::gf_openLog();
  Detection result;
  result.found = orv::gf_detectPackagesPath();
  orv::gf_closeLog();
  result.log = readLines(orv::gf_logPath());
  return result;
}

long countLines(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.starts_with(prefix); });
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Folders : public ::testing::Test {
 protected:
  testing_support::FoundationState state;
  WorkingFolder folder;
  fs::path roaming = folder.path() / "config";
  fs::path local = folder.path() / "data";
};

TEST_F(Folders, SteamInstallationOfMsfs2024) {
  orv::gf_setMsfs2020Chosen(false);
  const fs::path packages =
      makePackages(roaming / "Microsoft Flight Simulator 2024" / "Packages", {"Community", "Official2024"});
  const Detection d = detect();
  ASSERT_TRUE(d.found);
  EXPECT_TRUE(hasLine(d.log, "Steam packages: " + packages.string()));
  EXPECT_EQ(orv::gf_simRootPath("Community"), packages / "Community");
  // The other simulator's folder is not touched.
  orv::gf_setMsfs2020Chosen(true);
  EXPECT_EQ(orv::gf_simRootPath("Community"), fs::path("Community"));
}

TEST_F(Folders, StoreInstallationThroughUserCfgOpt) {
  const fs::path packages = makePackages(folder.path() / "MSFS Packages", {"Community", "Official"});
  writeUserCfg(local / "Packages" / "Microsoft.FlightSimulator_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
               "InstalledPackagesPath \"" + packages.string() + "\"");
  // An incomplete Steam folder does not stop the search.
  makePackages(roaming / "Microsoft Flight Simulator" / "Packages", {"Community"});
  const Detection d = detect();
  ASSERT_TRUE(d.found);
  EXPECT_TRUE(hasLine(d.log, "UserCfg.opt: InstalledPackagesPath=" + packages.string()));
  EXPECT_EQ(orv::gf_simRootPath("Community"), packages / "Community");
}

TEST_F(Folders, UserCfgOptOfMsfs2024NeedsItsOwnOfficialFolder) {
  orv::gf_setMsfs2020Chosen(false);
  const fs::path packages = makePackages(folder.path() / "P", {"Community", "Official"});
  writeUserCfg(local / "MSFSPackages" / "UserCfg.opt", "InstalledPackagesPath \"" + packages.string() + "\"");
  EXPECT_FALSE(detect().found);
  EXPECT_EQ(orv::gf_simRootPath("Community"), fs::path("Community"));
  fs::create_directories(packages / "Official2024");
  EXPECT_TRUE(detect().found);
  EXPECT_EQ(orv::gf_simRootPath("Community"), packages / "Community");
}

TEST_F(Folders, NoInstallationAtAll) {
  const Detection d = detect();
  EXPECT_FALSE(d.found);
  EXPECT_EQ(countLines(d.log, "MSFS detection, not found: "), 4);
  EXPECT_TRUE(
      hasLine(d.log, "MSFS detection, not found: " + (local / "MSFSPackages" / "UserCfg.opt").string()));
  EXPECT_TRUE(hasLine(d.log, "No UserCfg.opt found?"));
}

TEST_F(Folders, UserCfgOptCandidatesInTheirOrder) {
  orv::gf_openLog();
  const fs::path store =
      local / "Packages" / "Microsoft.Limitless_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt";
  const fs::path steam = roaming / "Microsoft Flight Simulator 2024" / "UserCfg.opt";
  const fs::path dashboard =
      local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt";
  const fs::path msfsPackages = local / "MSFSPackages" / "UserCfg.opt";
  orv::gf_setMsfs2020Chosen(false);
  writeUserCfg(msfsPackages, "");
  EXPECT_EQ(orv::gf_findUserCfgOpt(), msfsPackages);
  writeUserCfg(dashboard, "");
  EXPECT_EQ(orv::gf_findUserCfgOpt(), dashboard);
  writeUserCfg(steam, "");
  EXPECT_EQ(orv::gf_findUserCfgOpt(), steam);
  writeUserCfg(store, "");
  EXPECT_EQ(orv::gf_findUserCfgOpt(), store);
}

TEST_F(Folders, TheValueOfTheInstalledPackagesPathLine) {
  const fs::path packages = makePackages(folder.path() / "Pk", {"Community", "Official"});
  const fs::path userCfg = local / "MSFSPackages" / "UserCfg.opt";
  struct Case {
    std::string line;
    fs::path expected;
  };
  const Case cases[] = {
      {"InstalledPackagesPath \"" + packages.string() + "\"", packages},
      {"InstalledPackagesPath \"" + packages.string() + "\" # note \"x\"", packages},
      {"InstalledPackagesPath \"" + packages.string(), packages},        // no closing quote
      {"InstalledPackagesPath " + packages.string(), {}},                // the whole line is no path
      {"InstalledPackagesPath \"" + packages.string() + "/gone\"", {}},  // no such folder
      {"SomethingElse \"" + packages.string() + "\"", {}},
  };
  orv::gf_openLog();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    writeUserCfg(userCfg, c.line);
    EXPECT_EQ(orv::gf_userCfgPackagesPath(), c.expected);
  }
  orv::gf_closeLog();
  EXPECT_EQ(countLines(readLines(orv::gf_logPath()), "UserCfg.opt: InstalledPackagesPath=???"), 3);
}

TEST_F(Folders, TheDetectedPathGoesToTheLinkedSettings) {
  std::vector<std::pair<bool, std::string>> stored;
  orv::gf_setPackagesPathSettings(
      {[](bool msfs2020) { return std::string(msfs2020 ? "/sims/2020" : "/sims/2024"); },
       [&](bool msfs2020, const std::string& path) { stored.emplace_back(msfs2020, path); }});
  const fs::path packages =
      makePackages(roaming / "Microsoft Flight Simulator" / "Packages", {"Community", "Official"});
  ASSERT_TRUE(detect().found);
  EXPECT_EQ(stored, (std::vector<std::pair<bool, std::string>>{{true, packages.string()}}));
  EXPECT_EQ(orv::gf_simRootPath("Community"), fs::path("/sims/2020/Community"));
}

TEST_F(Folders, OpeningTheFolderOfAFile) {
  if constexpr (fs::path::preferred_separator == '\\')
    GTEST_SKIP() << "on Windows the folder goes to the shell's open verb (ShellExecuteW), which starts File "
                    "Explorer and takes no stand-in opener to record what it was given";
  const fs::path record = folder.path() / "opened.txt";
  const fs::path opener = folder.path() / "opener.sh";
  writeFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + "'\n");
  fs::permissions(opener, fs::perms::owner_all);
  ScopedEnv env("QUILLSTAR_FOLDER_OPENER", opener.string());

  fs::create_directories("output/info");
  writeFile("output/info/ObjectIdList.txt", "");
  EXPECT_TRUE(orv::gf_openContainingFolder("output/info/ObjectIdList.txt"));
  EXPECT_EQ(testing_support::readFile(record), "output/info");

  fs::remove(record);
  writeFile("Log.txt", "");
  EXPECT_FALSE(orv::gf_openContainingFolder("Log.txt"));  // no parent folder in the path
  EXPECT_FALSE(orv::gf_openContainingFolder("output/missing.txt"));
  EXPECT_FALSE(fs::exists(record));
}

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using FolderNames = testing_support::FreshFoundationTest;

TEST_F(FolderNames, RelativeToTheWorkingFolder) {
  const orv::ProgramPaths& paths = orv::gf_paths();
  EXPECT_EQ(paths.dbaseEnc, fs::path("input/dbase.enc"));
  EXPECT_EQ(paths.incompleFltsimSections, fs::path("output/errors/IncompleFltsimSections.txt"));
  EXPECT_EQ(paths.learnedThirdparty, fs::path("airports/learned/thirdparty"));
  EXPECT_EQ(paths.installNewVersion, fs::path("new_version/install_new_version.exe"));
  orv::gf_setMsfs2020Chosen(false);
  EXPECT_EQ(orv::gf_officialFolderName(), "Official2024");
  EXPECT_EQ(orv::gf_steamFolderName(), "Microsoft Flight Simulator 2024");
  EXPECT_EQ(orv::gf_storePackageName(), "Microsoft.Limitless_8wekyb3d8bbwe");
}

}  // namespace
