#include "refdata/update_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/parameters.h"
#include "download_fixture.h"
#include "foundation/data_cipher.h"
#include "foundation/folders.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "platform/os/installer_rights.h"
#include "platform/ui/message_box.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;
using download_testing::DownloadSite;
using download_testing::enciphered;
using download_testing::versionsJson;
using download_testing::zipBytes;
using testing_support::HttpFault;
using testing_support::HttpRoute;
using testing_support::readFile;
using testing_support::writeFile;

class UpdateCheck : public DownloadSite {
 protected:
  UpdateCheck() {
    installEverything("11.4.0");
    serveBody("11/airports.enc", enciphered("new airports"));
    serveBody("11/AIG-regcodes.enc", enciphered("new aig"));
    serveBody("11/dbase.enc", enciphered("new dbase"));
    serveBody("mysimaddon24/my_simaddon2024.zip", zipBytes({{"LFPG.cfg", "stands"}}));
  }
};

struct WalkCase {
  const char* name;
  std::string versions;
  bool msfs2020;
  std::vector<std::string> lines;        // each in the log
  std::vector<std::string> absentLines;  // none in the log
  std::vector<std::string> fetched;      // requested under downloads/
  std::vector<std::string> notFetched;
  std::string airportsVersion;  // AIRPORTS_VERSION afterwards
  bool scanLiveries;
  bool scanAirports;
};

TEST_F(UpdateCheck, WalksTheItemsInOrder) {
  const std::vector<WalkCase> cases = {
      {"up to date",
       versionsJson("11.4.0"),
       false,
       {"msfs program version at web = 11.12.1", "msfs version up-to-date", "simaddon version up-to-date",
        "airports version up-to-date", "aig version up-to-date", "liveries version up-to-date",
        "addons version up-to-date", "dbase version up-to-date"},
       {},
       {"versions.json"},
       {"11/airports.enc", "11/AIG-regcodes.enc", "11/dbase.enc", "mysimaddon24/my_simaddon2024.zip"},
       "11.4.0",
       false,
       false},
      {"newer",
       versionsJson("11.4.0", {{"airports", "11.5.0"},
                               {"liveries", "11.4.1"},
                               {"addons", "12.0.0"},
                               {"simaddon", "11.5.0"},
                               {"dbase", "11.4.0"}}),
       false,
       {"airports updated to 11.5.0", "liveries updated to 11.4.1", "addons updated to 12.0.0",
        "simaddon updated to 11.5.0", "aig version up-to-date", "dbase version up-to-date",
        "my_simaddon2024.zip unzipped 1 files"},
       {},
       {"11/airports.enc", "mysimaddon24/my_simaddon2024.zip"},
       {"11/dbase.enc", "11/AIG-regcodes.enc"},
       "11.5.0",
       true,
       true},
      {"member missing or incomplete",
       R"({"msfs":{"major":11,"minor":12,"patch":1},"airports":{"major":11,"minor":9},)"
       R"("aig":{"major":11,"minor":4,"patch":"0"},"liveries":{"major":11,"minor":4,"patch":0},)"
       R"("dbase":{"major":11,"minor":4,"patch":0}})",
       false,
       {"==> simaddon version not found", "==> airports version not found", "==> aig version not found",
        "==> addons version not found", "liveries version up-to-date", "dbase version up-to-date"},
       {},
       {},
       {"11/airports.enc", "11/AIG-regcodes.enc"},
       "11.4.0",
       false,
       false},
      {"numbers out of range or of another type",
       R"({"msfs":{"major":11,"minor":12,"patch":1},"simaddon":{"major":1e10,"minor":0,"patch":0},)"
       R"("airports":{"major":11,"minor":-1,"patch":0},"aig":{"major":4294967307,"minor":4,"patch":0},)"
       R"("liveries":{"major":"11","minor":4,"patch":0},"addons":{"major":11,"minor":4,"patch":11.5},)"
       R"("dbase":{"major":11,"minor":null,"patch":0}})",
       false,
       {"==> simaddon version not found", "==> airports version not found", "==> aig version not found",
        "==> liveries version not found", "==> addons version not found", "==> dbase version not found"},
       {"simaddon version up-to-date", "aig version up-to-date"},
       {},
       {"11/airports.enc", "11/AIG-regcodes.enc", "11/dbase.enc", "mysimaddon24/my_simaddon2024.zip"},
       "11.4.0",
       false,
       false},
      {"no object",
       "[1, 2, 3]",
       false,
       {"==> msfs version not found", "==> simaddon version not found", "==> airports version not found",
        "==> aig version not found", "==> liveries version not found", "==> addons version not found",
        "==> dbase version not found"},
       {},
       {},
       {"11/airports.enc"},
       "11.4.0",
       false,
       false},
      {"MSFS 2020 leaves the add-on list alone",
       versionsJson("11.4.0", {{"simaddon", "99.0.0"}}),
       true,
       {"airports version up-to-date"},
       {"simaddon version up-to-date", "==> simaddon version not found", "simaddon updated to 99.0.0"},
       {},
       {"mysimaddon24/my_simaddon2024.zip"},
       "11.4.0",
       false,
       false},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    installEverything("11.4.0");
    server.clearRequests();
    markLog();
    gf_setMsfs2020Chosen(c.msfs2020);
    serveBody("versions.json", c.versions);

    EXPECT_TRUE(gf_checkForUpdates());

    for (const auto& line : c.lines) EXPECT_TRUE(logHas(line)) << line;
    for (const auto& line : c.absentLines) EXPECT_FALSE(logHas(line)) << line;
    for (const auto& path : c.fetched) EXPECT_TRUE(requested(path)) << path;
    for (const auto& path : c.notFetched) EXPECT_FALSE(requested(path)) << path;
    EXPECT_EQ(cfg::AIRPORTS_VERSION.value(), c.airportsVersion);
    EXPECT_EQ(cfg::SCAN_LIVERIES.value(), c.scanLiveries);
    EXPECT_EQ(cfg::SCAN_AIRPORTS.value(), c.scanAirports);
    EXPECT_FALSE(fs::exists("versions.json"));
    EXPECT_FALSE(fs::exists("my_simaddon2024.zip"));
    EXPECT_FALSE(partFileLeft());
    for (const auto& request : server.requests()) EXPECT_EQ(request.userAgent, "QLST") << request.path;
    EXPECT_FALSE(gf_runStopRaised());
  }
}

TEST_F(UpdateCheck, UpdatedFilesAndVersionsAreStored) {
  serveBody("versions.json", versionsJson("11.4.0", {{"airports", "11.5.0"}, {"liveries", "11.6.0"}}));
  ASSERT_TRUE(gf_checkForUpdates());
  // The stored file is the site's: it deciphers to the new text.
  ASSERT_TRUE(gf_streamDecrypt(gf_paths().airportsEnc, "check.txt"));
  EXPECT_EQ(readFile("check.txt"), "new airports");
  // The one setting is written to the parameters file at once.
  const std::string parameters = readFile(gf_parametersPath());
  EXPECT_NE(parameters.find("\"AIRPORTS_VERSION\" value=\"11.5.0\""), std::string::npos) << parameters;
  EXPECT_NE(parameters.find("\"LIV_SCAN_VERSION\" value=\"11.6.0\""), std::string::npos);
  EXPECT_NE(parameters.find("\"SCAN_LIVERIES\" value=\"true\""), std::string::npos);
}

TEST_F(UpdateCheck, AMissingDataFileIsFetchedAtTheInstalledVersion) {
  fs::remove(gf_paths().airportsEnc);
  fs::remove(gf_paths().liveriesScanned);
  serveBody("versions.json", versionsJson("11.4.0"));
  ASSERT_TRUE(gf_checkForUpdates());
  EXPECT_TRUE(fs::exists(gf_paths().airportsEnc));
  EXPECT_TRUE(logHas("airports updated to 11.4.0"));
  EXPECT_TRUE(logHas("liveries updated to 11.4.0"));
  EXPECT_TRUE(cfg::SCAN_LIVERIES.value());
  EXPECT_TRUE(logHas("dbase version up-to-date"));
}

TEST_F(UpdateCheck, AnUnreadableInstalledVersionCountsAsNone) {
  for (const char* installed : {"", "eleven", "11.4"}) {
    SCOPED_TRACE(installed);
    installEverything("11.4.0");
    cfg::AIRPORTS_VERSION.set(installed);
    markLog();
    serveBody("versions.json", versionsJson("11.4.0"));
    ASSERT_TRUE(gf_checkForUpdates());
    EXPECT_EQ(cfg::AIRPORTS_VERSION.value(), "11.4.0");
    EXPECT_TRUE(logHas("airports updated to 11.4.0"));
  }
}

// Each fault of the data file: the installed one stays, the walk goes on.
TEST_F(UpdateCheck, AFailedDataFileDownloadKeepsTheInstalledFile) {
  struct FaultCase {
    const char* name;
    HttpRoute route;
    std::string expectedLine;  // a prefix of a log line
  };
  const std::vector<FaultCase> cases = {
      {"404", {404, "gone", HttpFault::None, {}}, "Download error: '"},
      {"cut body",
       {200, enciphered("new airports").substr(0, 30), HttpFault::CutShort, {}},
       "Download error: '"},
      {"stall", {200, "", HttpFault::Silence, {}}, "Download error: '"},
      {"redirect to a 404", {302, "", HttpFault::Redirect, "/downloads/nowhere.enc"}, "Download error: '"},
      {"redirect away from http",
       {302, "", HttpFault::Redirect, "file:///etc/hostname"},
       "Download error: '"},
      {"not enciphered",
       {200, "<airports>plain text</airports>", HttpFault::None, {}},
       "==> Download refused: '"},
      {"other key",
       {200, enciphered("new airports").substr(0, 24) + std::string(60, 'x'), HttpFault::None, {}},
       "==> Download refused: '"},
  };
  const std::string installed = readFile(gf_paths().airportsEnc);
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    installEverything("11.4.0");
    writeFile(gf_paths().airportsEnc, installed);
    serve("11/airports.enc", c.route);
    serveBody("versions.json", versionsJson("11.4.0", {{"airports", "11.9.0"}}));
    const std::size_t before = testing_support::logBody().size();

    EXPECT_TRUE(gf_checkForUpdates());

    const auto lines = testing_support::logBody();
    const bool logged =
        std::any_of(lines.begin() + static_cast<long>(before), lines.end(), [&](const std::string& l) {
          return l.starts_with(c.expectedLine) && l.find("airports.enc") != std::string::npos;
        });
    EXPECT_TRUE(logged) << c.expectedLine;
    EXPECT_EQ(readFile(gf_paths().airportsEnc), installed);
    EXPECT_EQ(cfg::AIRPORTS_VERSION.value(), "11.4.0");
    EXPECT_FALSE(partFileLeft());
    EXPECT_TRUE(std::find(lines.begin() + static_cast<long>(before), lines.end(),
                          "dbase version up-to-date") != lines.end());
  }
}

TEST_F(UpdateCheck, AnUnusableVersionListLeavesEverythingAsItIs) {
  struct ListCase {
    const char* name;
    HttpRoute route;
    std::string line;
  };
  const std::vector<ListCase> cases = {
      {"404", {404, "", HttpFault::None, {}}, "==> Downloading version info from my web site failed!"},
      {"cut",
       {200, "{\"msfs\":", HttpFault::CutShort, {}},
       "==> Downloading version info from my web site failed!"},
      {"portal page",
       {200, "<html><body>Please log in</body></html>", HttpFault::None, {}},
       "==> versions.json from my web site is no JSON: "},
  };
  const std::string installed = readFile(gf_paths().dbaseEnc);
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.clearRequests();
    markLog();
    serve("versions.json", c.route);
    EXPECT_TRUE(gf_checkForUpdates());
    const auto lines = logSinceMark();
    EXPECT_TRUE(
        std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(c.line); }));
    EXPECT_EQ(requestedPaths(), std::vector<std::string>{"/downloads/versions.json"});
    EXPECT_FALSE(fs::exists("versions.json"));
    EXPECT_FALSE(partFileLeft());
    EXPECT_EQ(readFile(gf_paths().dbaseEnc), installed);
  }
}

TEST_F(UpdateCheck, ADownloadAddressThatIsNoWebAddressFetchesNothing) {
  testing_support::ScopedEnv base("QLST_DOWNLOAD_URL", "file://" + folder.path().string() + "/");
  serveBody("versions.json", versionsJson("11.4.0", {{"airports", "12.0.0"}}));
  EXPECT_TRUE(gf_checkForUpdates());
  EXPECT_TRUE(server.requests().empty());
  EXPECT_TRUE(logHas("==> Downloading version info from my web site failed!"));
  EXPECT_EQ(cfg::AIRPORTS_VERSION.value(), "11.4.0");
}

class NewVersion : public UpdateCheck {
 protected:
  NewVersion() {
    serveBody("release/Quillstar/latest_version.zip",
              zipBytes({{"setup/", ""},
                        {"notes.txt", "notes"},
                        {"setup/Quillstar-setup.exe", "installer bytes"},
                        {"zz.txt", "last"}}));
    serveBody("docs/ReleaseNotes.pdf", "%PDF release notes");
  }
};

TEST_F(NewVersion, OnlyANewerProgramVersionIsHandedOver) {
  struct VersionCase {
    std::string remote;
    bool handedOver;
  };
  for (const VersionCase& c : std::vector<VersionCase>{
           {"11.12.1", false}, {"11.11.9", false}, {"11.12.2", true}, {"12.0.0", true}}) {
    SCOPED_TRACE(c.remote);
    installEverything("11.4.0");
    gf_resetRunControl();
    fs::remove_all(gf_paths().newVersion);
    server.clearRequests();
    markLog();
    serveBody("versions.json", versionsJson("11.4.0", {{"msfs", c.remote}, {"airports", "11.9.0"}}));

    EXPECT_EQ(gf_checkForUpdates(), !c.handedOver);

    EXPECT_TRUE(logHas("msfs program version at web = " + c.remote));
    EXPECT_EQ(requested("release/Quillstar/latest_version.zip"), c.handedOver);
    // No item after the program is looked at once it was handed over.
    EXPECT_EQ(requested("11/airports.enc"), !c.handedOver);
    if (c.handedOver) {
      const auto paths = requestedPaths();
      EXPECT_EQ(paths.back(), "/downloads/docs/ReleaseNotes.pdf");
      EXPECT_EQ(readFile(gf_paths().installNewVersion), "installer bytes");
      EXPECT_EQ(readFile(gf_paths().releaseNotes), "%PDF release notes");
      EXPECT_EQ(readFile(gf_paths().newVersion / "README.txt"), gf_checkInstallerRights(fs::current_path()));
      const RunOutcome outcome = gf_runOutcome();
      EXPECT_TRUE(gf_runStopRaised());
      EXPECT_EQ(outcome.reason, ExitReason::NewVersion);
      EXPECT_EQ(outcome.restartSeconds, 0);
      EXPECT_FALSE(fs::exists("latest_version.zip"));
      EXPECT_FALSE(fs::exists("install_new_version.exe"));
      EXPECT_FALSE(partFileLeft());
    } else {
      EXPECT_TRUE(logHas("msfs version up-to-date"));
      EXPECT_FALSE(gf_runStopRaised());
    }
  }
}

TEST_F(NewVersion, AFailedInstallerDownloadIsNeverTakenForANewOne) {
  fs::create_directories(gf_paths().newVersion);
  writeFile(gf_paths().installNewVersion, "stale installer");
  writeFile("install_new_version.exe", "stale extracted");
  serve("release/Quillstar/latest_version.zip", {404, "", HttpFault::None, {}});

  EXPECT_FALSE(lf_downloadNewVersion({11, 13, 0}));
  EXPECT_EQ(readFile(gf_paths().installNewVersion), "stale installer");
  EXPECT_TRUE(logHas("Downloading program installer file version 11.13.0 failed"));

  // Through the update check: the walk goes on and the run is not ended.
  serveBody("versions.json", versionsJson("11.4.0", {{"msfs", "11.13.0"}}));
  EXPECT_TRUE(gf_checkForUpdates());
  EXPECT_TRUE(
      logHas("The downloading/unzipping of the new version failed? Try manually via the Tessavane website."));
  EXPECT_TRUE(logHas("dbase version up-to-date"));
  EXPECT_FALSE(gf_runStopRaised());
}

TEST_F(NewVersion, AnArchiveWithoutAnInstallerOrNoArchiveGivesFalse) {
  for (const std::string& body : {zipBytes({{"only/", ""}}), std::string("no zip at all")}) {
    markLog();
    writeFile("install_new_version.exe", "stale extracted");
    serveBody("release/Quillstar/latest_version.zip", body);
    EXPECT_FALSE(lf_downloadNewVersion({12, 0, 0}));
    EXPECT_FALSE(fs::exists(gf_paths().installNewVersion));
    EXPECT_FALSE(fs::exists("latest_version.zip"));
    EXPECT_TRUE(logHas("==> install_new_version.exe does not exists?"));
  }
}

TEST_F(NewVersion, AFileManagerThatFailsGivesAMessageBox) {
  if constexpr (fs::path::preferred_separator == '\\')
    GTEST_SKIP() << "on Windows the folder goes to the shell's open verb (ShellExecuteW), which takes no "
                    "stand-in opener that fails";
  testing_support::ScopedEnv opener("QUILLSTAR_FOLDER_OPENER", "false");
  serveBody("versions.json", versionsJson("11.4.0", {{"msfs", "12.0.0"}}));
  serve("docs/ReleaseNotes.pdf", {404, "", HttpFault::None, {}});
  ui::clearShownMessageBoxes();

  EXPECT_FALSE(gf_checkForUpdates());

  const auto boxes = ui::shownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "QLST");
  EXPECT_EQ(boxes[0].text, "Could not open File Explorer at new version");
  EXPECT_EQ(boxes[0].icon, ui::MessageBoxIcon::Exclamation);
  EXPECT_TRUE(logHas("QLST: Could not open File Explorer at new version"));
  EXPECT_TRUE(
      logHas("Opening file explorer at the new version failed? Try manually via the Tessavane website."));
  EXPECT_TRUE(logHas("==> could not download ReleaseNotes.pdf to new_version"));
  EXPECT_EQ(gf_runOutcome().reason, ExitReason::NewVersion);
}

TEST(InstallerRights, AdviceFollowsFolderAndRights) {
  if (!os::isSharedProgramFolder("/usr"))
    GTEST_SKIP() << "no /usr on this system; the Program Files test of the platform tests stands for it";
  testing_support::TempFolder temp;
  EXPECT_EQ(gf_checkInstallerRights(temp.path()), kAdviceNormal);
  EXPECT_EQ(gf_checkInstallerRights("/usrlocal/quillstar"), kAdviceNormal);  // not under /usr
  const std::string_view expected = os::processIsElevated() ? kAdviceNormal : kAdviceAsAdministrator;
  EXPECT_EQ(gf_checkInstallerRights("/usr"), expected);
  EXPECT_EQ(gf_checkInstallerRights("/opt/quillstar-not-there"), expected);
  EXPECT_FALSE(fs::exists("/usr/.write_test.tmp"));
}

class AddonList : public UpdateCheck {};

TEST_F(AddonList, EntriesLandInTheFolderUnderTheirOwnFileNameOnly) {
  serveBody("mysimaddon24/my_simaddon2024.zip", zipBytes({{"folder/", ""},
                                                          {"folder/EGLL.cfg", "EGLL stands"},
                                                          {"LFPG.txt", "LFPG stands"},
                                                          {"sub\\KJFK.cfg", "KJFK stands"},
                                                          {"../evil.cfg", "evil 1"},
                                                          {"..\\evil.cfg", "evil 2"},
                                                          {"/abs/evil.cfg", "evil 3"},
                                                          {"up/..", "dots"}}));
  fs::remove_all(gf_paths().mySimaddon);

  EXPECT_TRUE(lf_downloadMySimAddon({11, 4, 0}));  // not newer, but the folder is missing

  const fs::path& folder = gf_paths().mySimaddon;
  EXPECT_EQ(readFile(folder / "EGLL.txt"), "EGLL stands");
  EXPECT_EQ(readFile(folder / "LFPG.txt"), "LFPG stands");
  EXPECT_EQ(readFile(folder / "KJFK.txt"), "KJFK stands");
  EXPECT_TRUE(fs::exists(folder / "evil.txt"));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"EGLL.txt", "KJFK.txt", "LFPG.txt", "evil.txt"}));
  for (const fs::path& outside : {fs::path("evil.txt"), fs::path("airports/evil.txt"),
                                  fs::path("../evil.txt"), fs::path("/abs/evil.txt")})
    EXPECT_FALSE(fs::exists(outside)) << outside;
  EXPECT_TRUE(logHas("my_simaddon2024.zip unzipped 6 files"));
  EXPECT_EQ(cfg::MYSIMADDON24_VERSION.value(), "11.4.0");
  EXPECT_FALSE(fs::exists("my_simaddon2024.zip"));
}

TEST_F(AddonList, NothingIsFetchedWhenUpToDateAndTheZipGoesOnEveryFailure) {
  server.clearRequests();
  EXPECT_FALSE(lf_downloadMySimAddon({11, 4, 0}));  // installed, folder filled
  EXPECT_TRUE(server.requests().empty());

  cfg::MYSIMADDON24_VERSION.set("11.4.0");
  for (const HttpRoute& route :
       {HttpRoute{404, "", HttpFault::None, {}}, HttpRoute{200, "no zip", HttpFault::None, {}},
        HttpRoute{200, "PK", HttpFault::CutShort, {}}}) {
    serve("mysimaddon24/my_simaddon2024.zip", route);
    EXPECT_FALSE(lf_downloadMySimAddon({11, 5, 0}));
    EXPECT_FALSE(fs::exists("my_simaddon2024.zip"));
    EXPECT_FALSE(partFileLeft());
    EXPECT_EQ(cfg::MYSIMADDON24_VERSION.value(), "11.4.0");
    EXPECT_EQ(readFile(gf_paths().mySimaddon / "EDDF.txt"), "installed");
  }
}

TEST_F(AddonList, TheFolderCountsAsEmptyWhenMissingNoFolderOrEmpty) {
  const fs::path& folder = gf_paths().mySimaddon;
  EXPECT_FALSE(lf_mySimAddonIsEmpty());
  fs::remove_all(folder);
  EXPECT_TRUE(lf_mySimAddonIsEmpty());
  fs::create_directories(folder);
  EXPECT_TRUE(lf_mySimAddonIsEmpty());
  fs::remove(folder);
  writeFile(folder, "a file where the folder belongs");
  EXPECT_TRUE(lf_mySimAddonIsEmpty());
}

}  // namespace
