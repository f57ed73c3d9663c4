#include "liveries/livery_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "config/parameters.h"
#include "fake_community.h"
#include "foundation/data_cipher.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "liveries/fltsim_parser.h"
#include "liveries/scan_reports.h"
#include "livery_fixture.h"
#include "refdata/dbase.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;
using testing_support::readLines;
using testing_support::writeCfg;
using Lines = std::vector<std::string>;

// Restores what a scan test changes of the program's settings and scan state.
class ScanTest : public testing_support::LiveryLogTest {
 protected:
  ScanTest()
      : automatic_(cfg::LIG_AUTOMATIC.value()),
        prioritize_(cfg::LIG_PRIORITIZE.value()),
        scan_(cfg::SCAN_LIVERIES.value()),
        selector_(cfg::AI_PACKAGE_SELECTOR.value()),
        limit_(gf_scanWorkerLimit()) {
    for (const StringParameter* p : gf_lfolders()) lfolders_.push_back(p->value());
    lf_clearScanLists();
    gf_liveryList().clear();
    testing_support::installScanDbase();
    community = testing_support::writeFakeCommunity(folder.path());
    hooks.community = community;
    hooks.openManualFolders = [this] { ++manualFoldersOpened; };
    cfg::LIG_AUTOMATIC.set(true);
    cfg::LIG_PRIORITIZE.set(false);
    cfg::SCAN_LIVERIES.set(true);
    cfg::AI_PACKAGE_SELECTOR.set("AIG, FSLTL, JF, MTL");
  }
  ~ScanTest() override {
    // A test that stopped early still lets its hanging worker go, while what it waits on lives.
    releaseWorkers();
    lf_setWorkerProbe({});
    lf_setWorkerWaitLimit(std::chrono::seconds(10));
    // A worker given up by a test must be gone before the next test counts the running tasks.
    (void)testing_support::waitFor([] { return gf_runningScanTasks() == 0; }, std::chrono::seconds(5));
    cfg::LIG_AUTOMATIC.set(automatic_);
    cfg::LIG_PRIORITIZE.set(prioritize_);
    cfg::SCAN_LIVERIES.set(scan_);
    cfg::AI_PACKAGE_SELECTOR.set(selector_);
    for (std::size_t i = 0; i < lfolders_.size(); ++i) gf_lfolders()[i]->set(lfolders_[i]);
    gf_setScanWorkerLimit(limit_);
    lf_clearScanLists();
    gf_liveryList().clear();
  }

  // The livery lines of "LiveriesScanned.xml", without its meta block.
  static Lines scannedLiveries() {
    Lines lines;
    for (const std::string& line : readLines(gf_paths().liveriesScanned))
      if (line.find("<l ") != std::string::npos) lines.push_back(line.substr(line.find("<l ")));
    return lines;
  }
  // The report file's lines with the test's folder taken out, so that they read the same anywhere.

 public:
  Lines reportOf(const fs::path& file) const {
    Lines lines = readLines(file);
    const std::string root = folder.path().string();
    for (std::string& line : lines)
      for (std::size_t at; (at = line.find(root)) != std::string::npos;)
        line.replace(at, root.size(), "ROOT");
    return lines;
  }

 protected:
  // Makes the workers of the files in folders of this name wait until releaseWorkers. What the
  // probe reads belongs to the fixture, which outlives every worker (its end waits for them).
  void hangWorkersIn(std::string folderName) {
    hangRelease_.store(false);
    lf_setWorkerProbe([this, folderName = std::move(folderName)](const fs::path& cfg) {
      if (cfg.parent_path().filename() == folderName)
        while (!hangRelease_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
  }
  void releaseWorkers() { hangRelease_.store(true); }

  fs::path community;
  LiveryScanHooks hooks;
  int manualFoldersOpened = 0;

 private:
  std::atomic<bool> hangRelease_{false};
  bool automatic_, prioritize_, scan_;
  std::string selector_;
  int limit_;
  Lines lfolders_;
};

const Lines kExpectedLiveries = {
    R"(<l a="ABC" m="B738" c="true" t="AIG B738 ABC Cargo" />)",
    R"(<l a="BAW" m="B738" t="JF B738 Fixed" />)",
    R"(<l a="BAW" m="B772" t="AIG B772 Speedbird" r="G-VIIA" />)",
    R"(<l a="DLH" m="A320" t="FSLTL A320 Lufthansa" />)",
    R"(<l a="DLH" m="A320" t="User A320 Long line" />)",
    R"(<l a="DLH" m="B738" t="AIG B738 Long registration" />)",
    R"(<l a="DLH" m="B738" t="AIG B738 Lufthansa" r="D-ABCD" />)",
    R"(<l a="DLH" m="B738" t="AIG B738 Star" r="D-STAR" />)",
    R"(<l a="KLM" m="A20N" t="AIG A20N KLM" />)",
    R"(<l a="KLM" m="B738" t="B738 KLM Royal Dutch" />)",
    R"(<l a="PVT" m="A320" t="User A320 Bracket" />)",
    R"(<l a="PVT" m="A320" t="User A320 Private" r="D-AIGA" />)",
    R"(<l a="PVT" m="B738" t="AIG B738 Unknown airline" />)",
    R"(<l a="ZZZ" m="B738" t="AIG B738 Empty airline" />)",
    R"(<l a="ZZZ" m="B738" t="AIG B738 Generic" />)",
    R"(<l a="ZZZ" m="B738" t="AIG B738-STUB" />)",
};

const Lines kExpected_invalidAirlineCodes = {
    R"(QQQ          in ROOT/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B738/aircraft.cfg [fltsim.2])",
    R"(QQQ          in ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738/aircraft.cfg [fltsim.5])",
};

const Lines kExpected_invalidAircraftCodes = {
    R"(ZZ99             in ROOT/Community/justflight-aircraft-traffic-fleet/SimObjects/Airplanes/JF_ZZ99/aircraft.cfg)",
};

const Lines kExpected_fixes = {
    R"(Model fix: B73H found in ROOT/Community/justflight-aircraft-traffic-fleet/SimObjects/Airplanes/JF_B73H/Aircraft.CFG changed into B738)",
};

const Lines kExpected_invalidAircraftCfgFiles = {
    R"(ROOT/Community/user-aitraffic/SimObjects/Airplanes/Sections/aircraft.cfg contains a [fltsim.x] section with a number < 0 or > 10000)",
    R"(Line icao_type_designator= is missing in [General] section of ROOT/Community/user-aitraffic/SimObjects/Airplanes/NoModel/aircraft.cfg)",
};

const Lines kExpected_incompleFltsimSections = {
    R"('ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B772' '[fltsim.0]' has no airline and no regcode info)",
    R"('ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B772' '[fltsim.2]' has no airline and regcode not in dbase)",
    R"(ROOT/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B738 [fltsim.1] does not exist)",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_A20N/aircraft.cfg [fltsim.1] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738 [Fltsim.11] // a comment has more than one icao_airline key)",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738 [fltsim.10] has more than one title key)",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738/aircraft.cfg [fltsim.10] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738/aircraft.cfg [fltsim.5] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B738/aircraft.cfg [fltsim.7] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B772/aircraft.cfg [fltsim.0] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B772/aircraft.cfg [fltsim.1] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/AIG_B772/aircraft.cfg [fltsim.2] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/justflight-aircraft-traffic-fleet/SimObjects/Airplanes/JF_B73H [fltsim.1] title 'AIG B738 Lufthansa' already exists)",
    R"(ROOT/Community/user-aitraffic/SimObjects/Airplanes/Bracket/aircraft.cfg [fltsim.0] icao_airline is missing, or it has invalid info )",
    R"(ROOT/Community/user-aitraffic/SimObjects/Airplanes/Bracket/aircraft.cfg [fltsim.1] icao_airline is missing, or it has invalid info )",
    R"(invalid atc_id=* in: AIG B738 Star)",
    R"(invalid atc_id=ABCDEFGHIJKLM in: AIG B738 Long registration)",
};

const Lines kExpected_aircraftCfgWithNoFltsimSection = {
    R"(ROOT/Community/user-aitraffic/SimObjects/Airplanes/NoHeader/aircraft.cfg)",
};

// The expected lines with their paths below ROOT (up to a blank or a quote) in the system's form.
Lines withSystemPaths(Lines lines) {
  for (std::string& line : lines)
    for (std::size_t at = line.find("ROOT"); at != std::string::npos; at = line.find("ROOT", at + 1)) {
      const std::size_t end = std::min(line.find_first_of(" '", at), line.size());
      const std::string path = testing_support::systemPath(line.substr(at, end - at));
      line.replace(at, end - at, path);
    }
  return lines;
}

void expectTreeResult(const ScanTest& test, const Lines& liveries) {
  const ProgramPaths& p = gf_paths();
  EXPECT_EQ(liveries, kExpectedLiveries);
  EXPECT_EQ(test.reportOf(p.invalidAirlineCodes), withSystemPaths(kExpected_invalidAirlineCodes));
  EXPECT_EQ(test.reportOf(p.invalidAircraftCodes), withSystemPaths(kExpected_invalidAircraftCodes));
  EXPECT_EQ(test.reportOf(p.fixes), withSystemPaths(kExpected_fixes));
  EXPECT_EQ(test.reportOf(p.invalidAircraftCfgFiles), withSystemPaths(kExpected_invalidAircraftCfgFiles));
  EXPECT_EQ(test.reportOf(p.incompleFltsimSections), withSystemPaths(kExpected_incompleFltsimSections));
  EXPECT_EQ(test.reportOf(p.aircraftCfgWithNoFltsimSection),
            withSystemPaths(kExpected_aircraftCfgWithNoFltsimSection));
}

bool logHas(const Lines& log, const std::string& part) {
  return std::any_of(log.begin(), log.end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

TEST_F(ScanTest, TheFakeCommunityGivesTheExpectedFileReportsAndLog) {
  gf_setScanWorkerLimit(4);
  ASSERT_TRUE(gf_scanLiveries(hooks));
  expectTreeResult(*this, scannedLiveries());
  EXPECT_FALSE(cfg::SCAN_LIVERIES.value());
  EXPECT_NE(testing_support::readFile(gf_parametersPath()).find("SCAN_LIVERIES"), std::string::npos);
  const Lines lines = log();
  // The log names the files with the system's separator.
  const auto in = [&](std::string_view rest) {
    return (folder.path() / fs::path(rest).make_preferred()).string();
  };
  for (const std::string& expected :
       {"Automatic AIG scan found folder: '" + in("Community/aig-aitraffic-oci-beta") + "'",
        "Automatic JF scan found folder: '" + in("Community/justflight-aircraft-traffic-fleet") + "'",
        "Automatic IVAO_MTL scan found folder: '" + in("Community/IVAO_MTL") + "'",
        "10 liveries found in " + in("Community/aig-aitraffic-oci-beta"),
        "1 liverie found in " + in("Community/IVAO_MTL"), std::string("16 in total"), std::string("Errors:"),
        "! Failed reading " + in("Community/user-aitraffic/SimObjects/Airplanes/Huge/aircraft.cfg"),
        std::string("fltsim num [fltsim.12345678901] incorrect"),
        "   17 incomplete [fltsim.x] sections, see " +
            (fs::path("output") / "errors" / "IncompleFltsimSections.txt").string(),
        std::string("++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++")})
    EXPECT_TRUE(logHas(lines, expected)) << expected;
  // The start-up reads the file back.
  LiveryList back;
  gf_readLiveriesScanned(back, gf_paths().liveriesScanned);
  EXPECT_EQ(back.size(), kExpectedLiveries.size());
}

TEST_F(ScanTest, OneWorkerAndEightWorkersWriteTheSameFiles) {
  for (const int limit : {1, 8}) {
    gf_setScanWorkerLimit(limit);
    ASSERT_TRUE(gf_scanLiveries(hooks)) << limit;
    expectTreeResult(*this, scannedLiveries());
  }
}

TEST_F(ScanTest, ThePackageChoiceOrdersTheFoldersAndPrioritizingKeepsTheFirst) {
  cfg::AI_PACKAGE_SELECTOR.set("JF, AIG");
  FolderList folders;
  lf_collectAutomaticFolders(community, folders);
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0].filename(), "justflight-aircraft-traffic-fleet");
  EXPECT_EQ(folders[1].filename(), "aig-aitraffic-oci-beta");
  EXPECT_EQ(folders[2].filename(), "user-aitraffic");

  // BAW B738 is in the JF folder only; DLH B738 in both, so the JF ones alone stay.
  writeCfg(community / "justflight-aircraft-traffic-fleet" / "JF_B738" / "aircraft.cfg",
           "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=JF B738 Lufthansa\nicao_airline=DLH\n",
           testing_support::Encoding::Utf8, false);
  cfg::LIG_PRIORITIZE.set(true);
  ASSERT_TRUE(gf_scanLiveries(hooks));
  const Lines liveries = scannedLiveries();
  const auto has = [&](const std::string& title) {
    return std::any_of(liveries.begin(), liveries.end(),
                       [&](const std::string& l) { return l.find(title) != std::string::npos; });
  };
  EXPECT_TRUE(has("JF B738 Lufthansa"));
  EXPECT_TRUE(has("JF B738 Fixed"));
  EXPECT_FALSE(has("AIG B738 Star"));
  EXPECT_TRUE(has("AIG B738 Empty airline"));  // ZZZ B738 only in AIG
  EXPECT_FALSE(has("FSLTL A320 Lufthansa"));
}

TEST_F(ScanTest, ScanErrorsShowTheirTextsAndLeaveTheScanOn) {
  struct Case {
    std::function<void()> setUp;
    int code;
    std::string text;
  };
  const fs::path empty = folder.path() / "EmptyCommunity";
  fs::create_directories(empty / "aig-aitraffic-oci");
  const std::vector<Case> cases = {
      {[&] {
         hooks.community = folder.path() / "Nothing";
         fs::create_directories(hooks.community);
       },
       43,
       "Automatic scan has not found any AI packages, choose a different selection (or go to Manual mode, "
       "see Manual 5.2)"},
      {[&] { hooks.community = empty; }, 143,
       "Automatic scan has not found any liveries, choose a different selection, or switch off automatic and "
       "set lfolder parameter(-s)"},
      {[&] { cfg::LIG_AUTOMATIC.set(false); }, 48,
       "Exit Quillstar first!   Then set one or more lfolder parameters to your liveries, see Manual 5.2"},
      {[&] {
         cfg::LIG_AUTOMATIC.set(false);
         gf_lfolders()[3]->set((empty / "aig-aitraffic-oci").string());
       },
       53, "no liveries found"},
      {[&] {
         cfg::LIG_AUTOMATIC.set(false);
         gf_lfolders()[0]->set((folder.path() / "missing").string());
       },
       243, "the path pointed to by parameter 'lfolder0' does not exist, see Log.txt!"},
  };
  for (const Case& c : cases) {
    cfg::LIG_AUTOMATIC.set(true);
    for (StringParameter* p : gf_lfolders()) p->set("");
    hooks.community = community;
    c.setUp();
    cfg::SCAN_LIVERIES.set(true);
    try {
      (void)gf_scanLiveries(hooks);
      ADD_FAILURE() << c.code;
    } catch (const UserErrorException& e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_EQ(std::string(e.what()), std::to_string(c.code) + ": " + c.text);
    }
    EXPECT_TRUE(cfg::SCAN_LIVERIES.value()) << c.code;
  }
  EXPECT_EQ(manualFoldersOpened, 1);
  cfg::LIG_AUTOMATIC.set(true);
  cfg::AI_PACKAGE_SELECTOR.set("AIG, XYZ");
  try {
    (void)gf_scanLiveries(hooks);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "AI_PACKAGE_SELECTOR not set");
  }
}

// Long enough for a worker that does not hang to finish on a slow system, short for the tests.
constexpr std::chrono::milliseconds kHangingWorkerWait{1500};

TEST_F(ScanTest, AHangingWorkerLosesOnlyItsOwnResult) {
  hangWorkersIn("AIG_B738");
  lf_setWorkerWaitLimit(kHangingWorkerWait);
  gf_setScanWorkerLimit(2);
  ASSERT_TRUE(gf_scanLiveries(hooks));
  releaseWorkers();
  const Lines liveries = scannedLiveries();
  // The eight of AIG_B738 are lost, and JF's copy of its Lufthansa title is now the first.
  EXPECT_EQ(liveries.size(), kExpectedLiveries.size() - 7);
  // AIG_B738's result is the last one of its folder waited for, after the walk.
  EXPECT_TRUE(logHas(log(), "liveries search aborted, futs outer, Future wait timed out"));
  EXPECT_TRUE(testing_support::waitFor([] { return gf_runningScanTasks() == 0; }, std::chrono::seconds(5)));
}

TEST_F(ScanTest, AWorkerThatHangsInOrAfterTheWalkLosesOnlyItsOwnFile) {
  // The folder's files in walk order: AIG_A20N, AIG_B738, AIG_B772.
  struct Case {
    const char* hanging;
    const char* lostTitle;
    int limit;
    const char* line;
  };
  const Case cases[] = {
      // With two workers the third file waits for the oldest result inside the walk.
      {"AIG_A20N", "AIG A20N KLM", 2, "liveries inner search aborted: Future wait timed out"},
      {"AIG_B772", "AIG B772 Speedbird", 8, "liveries search aborted, futs outer, Future wait timed out"},
  };
  lf_setWorkerWaitLimit(kHangingWorkerWait);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hanging);
    hangWorkersIn(c.hanging);
    gf_setScanWorkerLimit(c.limit);
    LiveryList liveries;
    ASSERT_EQ(lf_scanLiveryFolders({community / "aig-aitraffic-oci-beta"}, liveries), ScanResult::Found);
    releaseWorkers();
    lf_setWorkerProbe({});
    ASSERT_TRUE(testing_support::waitFor([] { return gf_runningScanTasks() == 0; }, std::chrono::seconds(5)));
    const Lines scanned = scannedLiveries();
    const auto has = [&](const std::string& title) {
      return std::any_of(scanned.begin(), scanned.end(),
                         [&](const std::string& l) { return l.find(title) != std::string::npos; });
    };
    EXPECT_FALSE(has(c.lostTitle));
    for (const char* kept : {"AIG A20N KLM", "AIG B738 Lufthansa", "AIG B772 Speedbird"})
      if (std::string_view(kept) != c.lostTitle) {
        EXPECT_TRUE(has(kept)) << kept;
      }
    EXPECT_TRUE(logHas(log(), c.line));
  }
}

TEST_F(ScanTest, AScanAfterAScanThatFailedHalfWayFindsItsLiveries) {
  // A folder whose status cannot be asked ends the scan with an error after the first folder was
  // walked and its titles were seen.
  const fs::path loop = folder.path() / "loop";
  std::error_code made;
  fs::create_directory_symlink(loop, loop, made);
  // Wine, and Windows without the right, make no symbolic links.
  if (made) GTEST_SKIP() << "no symbolic link here: " << made.message();
  LiveryList liveries;
  EXPECT_THROW((void)lf_scanLiveryFolders({community / "fsltl-traffic-base", loop}, liveries),
               fs::filesystem_error);
  gf_setScanWorkerLimit(4);
  ASSERT_TRUE(gf_scanLiveries(hooks));
  expectTreeResult(*this, scannedLiveries());
}

TEST_F(ScanTest, TheDatabaseCorrectsALiveryOfAKnownRegistration) {
  // G-VIIA is a BAW B772 passenger aircraft in the database.
  const fs::path package = folder.path() / "corrected";
  writeCfg(package / "SimObjects" / "Airplanes" / "Wrong" / "aircraft.cfg",
           "[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=User A320 Wrong\nicao_airline=DLH\n"
           "atc_id=G-VIIA\natc_parking_types=CARGO\n",
           testing_support::Encoding::Utf8, false);
  cfg::LIG_AUTOMATIC.set(false);
  for (StringParameter* p : gf_lfolders()) p->set("");
  gf_lfolders()[0]->set(package.string());
  ASSERT_TRUE(gf_scanLiveries(hooks));
  EXPECT_EQ(scannedLiveries(), Lines{R"(<l a="BAW" m="B772" t="User A320 Wrong" r="G-VIIA" />)"});
  EXPECT_EQ(readLines(gf_paths().airlineModelConversions),
            (Lines{"'User A320 Wrong' G-VIIA cargo true => false", "'User A320 Wrong' G-VIIA airl DLH => BAW",
                   "'User A320 Wrong' G-VIIA model A320 => B772"}));
  EXPECT_TRUE(logHas(log(), "    3 liveries updated with real live data from dbase, see "));
  // A later scan without corrections leaves no report of the earlier one's.
  gf_lfolders()[0]->set((community / "fsltl-traffic-base").string());
  ASSERT_TRUE(gf_scanLiveries(hooks));
  EXPECT_FALSE(fs::exists(gf_paths().airlineModelConversions));
}

TEST_F(ScanTest, PruneWordsStopTheDescentBelowTheScannedFolderOnly) {
  // The scanned folder's own path may hold a prune word (a user's folder named after an airport
  // pack): its liveries are still found, while its folders named by a prune word are not entered.
  const fs::path root = folder.path() / "my-airport-pack";
  const auto cfgIn = [&](const fs::path& where, const std::string& title) {
    writeCfg(where / "aircraft.cfg",
             "[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=" + title + "\nicao_airline=DLH\n",
             testing_support::Encoding::Utf8, false);
  };
  cfgIn(root / "Planes" / "A", "Found below the root");
  cfgIn(root / "Airport-Pack" / "B", "Found in a capital A folder");
  cfgIn(root / "airport-vehicles" / "C", "Pruned airport");
  cfgIn(root / "x_CVT_y" / "D", "Pruned cvt");
  cfgIn(root / "inibuilds-a310" / "E", "Pruned inibuilds");
  LiveryList liveries;
  ASSERT_EQ(lf_scanLiveryFolders({root}, liveries), ScanResult::Found);
  EXPECT_EQ(scannedLiveries(), (Lines{R"(<l a="DLH" m="A320" t="Found below the root" />)",
                                      R"(<l a="DLH" m="A320" t="Found in a capital A folder" />)"}));
}

TEST_F(ScanTest, AnUnreadableScannedFileIsKeptAsideAndTheStartScansAnew) {
  const fs::path& file = gf_paths().liveriesScanned;
  const fs::path kept = "output/LiveriesScanned0.xml";
  EXPECT_FALSE(gf_liveriesScannedReadable());  // none: scanned as before, nothing logged or kept
  EXPECT_FALSE(fs::exists(kept));
  ASSERT_TRUE(gf_scanLiveries(hooks));
  const std::string whole = testing_support::readFile(file);
  struct Case {
    const char* name;
    std::string content;
    const char* reason;
  };
  const Case cases[] = {
      {"cut in half", whole.substr(0, whole.size() / 2), "could not be loaded: "},
      {"empty", "", "could not be loaded: No document element found"},
      {"no liveries section", "<root><meta/></root>", "does not contain a <liveries> section"},
      {"a livery without title", "<root><liveries><l a='DLH' m='A320'/></liveries></root>",
       "Missing required attribute 't' in <l>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(kept);
    testing_support::writeFile(file, c.content);
    EXPECT_FALSE(gf_liveriesScannedReadable());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(testing_support::readFile(kept), c.content);
    const Lines lines = log();
    const auto reported = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) {
      return line.find("cannot be read") != std::string::npos;
    });
    ASSERT_NE(reported, lines.rend());
    EXPECT_NE(reported->find(c.reason), std::string::npos) << *reported;
    EXPECT_NE(reported->find("kept as " + (fs::path("output") / "LiveriesScanned0.xml").string() +
                             ", the liveries are scanned again"),
              std::string::npos)
        << *reported;
  }
  // The start that found it damaged scans, so the next start reads the new file.
  ASSERT_TRUE(gf_scanLiveries(hooks));
  EXPECT_TRUE(gf_liveriesScannedReadable());
  LiveryList back;
  gf_readLiveriesScanned(back, file);
  EXPECT_EQ(back.size(), kExpectedLiveries.size());
}

TEST_F(ScanTest, FolderListSkipsMissingPathsAndFilesAndCountsOrdinals) {
  const fs::path a = community / "fsltl-traffic-base";
  const fs::path b = community / "IVAO_MTL";
  const FolderList folders = {folder.path() / "missing", community / "A_IVAO_MTL_readme", a, b};
  LiveryList liveries;
  ASSERT_EQ(lf_scanLiveryFolders(folders, liveries), ScanResult::Found);
  const Lines lines = log();
  EXPECT_TRUE(logHas(lines, (folder.path() / "missing").string() + " does not exist, skipped!"));
  EXPECT_TRUE(logHas(lines, (community / "A_IVAO_MTL_readme").string() + " is not a folder name, skipped!"));
  EXPECT_EQ(scannedLiveries().size(), 2u);
}

TEST_F(ScanTest, TheDemoCommunityGivesTheStandInsTitles) {
  const fs::path demo = QUILLSTAR_DEMO;
  fs::remove("input/dbase.enc");
  gf_streamEncrypt(demo / "data" / "dbase.xml", "input/dbase.enc");
  ASSERT_TRUE(gf_readDbase());
  hooks.community = demo / "Community";
  ASSERT_TRUE(gf_scanLiveries(hooks));
  Lines prepared;
  for (const std::string& line : readLines(demo / "data" / "LiveriesScanned.xml"))
    if (line.find("<l ") != std::string::npos) prepared.push_back(line.substr(line.find("<l ")));
  EXPECT_EQ(scannedLiveries(), prepared);
}

// UTF-16 little-endian bytes with a byte-order mark.
std::string lf_utf16le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A file whose reading fails part way is not read: the lines before the failure are no file, and
// parsed they would give a cut livery or report the file as one without sections.
TEST_F(ScanTest, AFileThatFailsPartWayIsReportedAsNotRead) {
  const fs::path planes = community / "user-aitraffic" / "SimObjects" / "Airplanes";
  const std::u16string sections =
      u"[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=User A320 Cut\nicao_airline=DLH\n";
  const fs::path strayByte = planes / "StrayByte" / "aircraft.cfg";
  const fs::path surrogate = planes / "Surrogate" / "aircraft.cfg";
  fs::create_directories(strayByte.parent_path());
  fs::create_directories(surrogate.parent_path());
  testing_support::writeFile(strayByte, lf_utf16le(sections) + "x");
  testing_support::writeFile(surrogate, lf_utf16le(sections + u"ui_variation=\xD800\n[fltsim.1]\ntitle=x\n"));
  ASSERT_TRUE(gf_scanLiveries(hooks));
  const Lines lines = log();
  for (const fs::path& cfg : {strayByte, surrogate})
    EXPECT_TRUE(logHas(lines, "! Failed reading " + cfg.string()));
  for (const std::string& line : scannedLiveries()) EXPECT_EQ(line.find("User A320 Cut"), std::string::npos);
  for (const std::string& line : readLines(gf_paths().aircraftCfgWithNoFltsimSection))
    EXPECT_EQ(line.find("StrayByte"), std::string::npos) << line;
}

TEST_F(ScanTest, ADontUseTitleIsLeftOutWithoutAReport) {
  fs::create_directories(gf_paths().myRegcodes);
  testing_support::writeFile(gf_paths().myRegcodes / "hidden.txt", "FSLTL A320 Lufthansa\n");
  // The user's files are read before a scan even without the AIG file.
  ASSERT_TRUE(gf_scanLiveries(hooks));
  for (const std::string& line : scannedLiveries())
    EXPECT_EQ(line.find("FSLTL A320 Lufthansa"), std::string::npos);
  for (const std::string& line : readLines(gf_paths().incompleFltsimSections))
    EXPECT_EQ(line.find("FSLTL_A320"), std::string::npos) << line;
  EXPECT_TRUE(logHas(log(), "    1 don't use title read from files in " +
                                (std::filesystem::path("input") / "my_regcodes").string()));
}

TEST_F(ScanTest, AStopEndsTheScanWithoutWritingTheFile) {
  struct StopReset {
    ~StopReset() { gf_resetRunControl(); }
  } reset;
  testing_support::writeFile(gf_paths().liveriesScanned, "old");
  lf_setWorkerProbe([](const fs::path&) { gf_endRunByUser(); });
  EXPECT_FALSE(gf_scanLiveries(hooks));
  EXPECT_FALSE(fs::exists(gf_paths().liveriesScanned));
  EXPECT_TRUE(gf_liveryList().empty());
}

}  // namespace
