#include "airports/addon_scan.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "airports/publishers.h"
#include "airports_fixture.h"
#include "config/parameters.h"
#include "foundation/files.h"
#include "foundation/folders.h"
#include "foundation/run_control.h"
#include "foundation/scan_tasks.h"
#include "refdata/zip_archive.h"
#include "support/bgl_builder.h"
#include "support/scoped_setting.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::BglAirportSpec;
using test::BglHelipadSpec;
using test::BglParkingListSpec;
using test::BglParkingSpec;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::writeFile;

BglAirportSpec airportOf(const std::string& icao, std::uint32_t parkings, std::uint32_t helipads = 0) {
  BglAirportSpec airport;
  airport.icao = icao;
  for (std::uint32_t h = 0; h < helipads; ++h) airport.subRecords.emplace_back(BglHelipadSpec{50.0 + h, 8.0});
  BglParkingListSpec list;
  for (std::uint32_t n = 1; n <= parkings; ++n)
    list.parkings.push_back({.number = n, .lat = 50.0 + n * 0.001});
  airport.subRecords.emplace_back(list);
  return airport;
}

void writeBgl(const fs::path& path, std::vector<BglAirportSpec> airports) {
  fs::create_directories(path.parent_path());
  writeFile(path, test::bglOf(std::move(airports)).build().bytes);
}

void writeManifest(const fs::path& package, const std::string& json) {
  fs::create_directories(package);
  writeFile(package / "manifest.json", json);
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class AddonScanTest : public airports_test::LoggedFolder {
 protected:
  AddonScanTest() : limit_(gf_scanWorkerLimit()), scan_(cfg::SCAN_AIRPORTS, true) {
    packages = folder.path() / "Packages";
    community = packages / "Community";
    official = packages / "Official" / "OneStore";
    fs::create_directories(community);
    fs::create_directories(official);
    settings.folders = {official, community};
    settings.msfs2020 = true;
    settings.archive = {{"archive/thirdparty/Bravo%20Sims/EGLL.xml", 3}, {"archive/simaddon/LOWI.xml", 10}};
    settings.publisherOf = [](const fs::path& path) -> std::optional<std::string> {
      std::string text = path.generic_string();
      std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
      if (text.find("bravo") != std::string::npos) return "Bravo Sims";
      if (text.find("tropicalsim") != std::string::npos) return "TropicalSim";
      return std::nullopt;
    };
    settings.isKnownAirport = [](std::string_view icao) {
      static const std::set<std::string, std::less<>> known = {"EDDF", "EGLL", "LOWI",
                                                               "KMCI", "LFPG", "EHAM"};
      return known.contains(icao);
    };
  }
  ~AddonScanTest() override {
    // A task given up by a test must be gone before the next test counts the running tasks.
    (void)testing_support::waitFor([] { return gf_runningScanTasks() == 0; }, std::chrono::seconds(5));
    gf_setScanWorkerLimit(limit_);
    gf_resetRunControl();
  }

  static std::vector<std::string> scanLog() { return readLines(gf_paths().airportsScanLog); }

  // The usual tree: a third-party airport with an archived file of fewer stands, one without any
  // publisher, a simulator add-on with an archived file, TropicalSim's KMCI and packages to leave out.
  static void writeAt(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    writeFile(path, text);
  }

  void writeTree() {
    writeBgl(community / "bravo-sims-egll" / "scenery" / "EGLL.bgl", {airportOf("EGLL", 5)});
    writeManifest(community / "nobody-eddf",
                  R"({"title": "Frankfurt", "manufacturer": "Nobody Inc", "creator": 7})");
    writeBgl(community / "nobody-eddf" / "scenery" / "EDDF.bgl", {airportOf("EDDF", 5, 1)});
    writeBgl(official / "microsoft-airport-lowi" / "scenery" / "LOWI.BGL", {airportOf("LOWI", 2)});
    writeBgl(community / "tropicalsim-kmci" / "scenery" / "KMCI.bgl", {airportOf("KMCI", 4)});
    writeBgl(community / "AIG-AITraffic-pack" / "LFPG.bgl", {airportOf("LFPG", 4)});
    writeBgl(community / "lfpg-pack" / "scenery" / "Statics" / "LFPG.bgl", {airportOf("LFPG", 4)});
    writeBgl(community / "lfpg-pack" / "scenery" / "AFCAD Updates" / "LFPG.bgl", {airportOf("LFPG", 4)});
    writeBgl(community / "eham-pack" / "scenery" / "EHAM.bgl.txt", {airportOf("EHAM", 4)});
  }

  fs::path packages;
  fs::path community;
  fs::path official;
  AddonScanSettings settings;

 private:
  int limit_;
  testing_support::ScopedSetting<CheckBoxParameter> scan_;
};

TEST_F(AddonScanTest, WritesGeneratedFilesRedirectsTheLogAndTheBundle) {
  writeTree();
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto lines = scanLog();
  const fs::path mine = gf_paths().myThirdparty;
  EXPECT_TRUE(contains(lines, "Generated EDDF.xml: 6 positions, of which 1 helipad"));
  EXPECT_TRUE(contains(lines, "thirdparty airport EGLL linked to archive/thirdparty/Bravo%20Sims/EGLL.xml"));
  EXPECT_TRUE(contains(lines, "===> EGLL has 5 parkpos while archived one has 3"));
  EXPECT_TRUE(contains(lines, "Generated EGLL.xml: 5 positions"));
  EXPECT_TRUE(contains(lines, "simaddon airport LOWI linked to archive/simaddon/LOWI.xml"));
  // The simulator's own add-on has fewer stands than its archived file: only the redirect.
  EXPECT_EQ(readFile(gf_paths().mySimaddon / "LOWI.txt"), "archive/simaddon/LOWI.xml");
  EXPECT_FALSE(fs::exists(gf_paths().mySimaddon / "LOWI.xml"));
  // Excluded packages, statics and updates, other extensions are not read.
  EXPECT_FALSE(fs::exists(mine / "LFPG.xml"));
  EXPECT_FALSE(fs::exists(mine / "EHAM.xml"));

  // Without a publisher the file says where the airport came from.
  const std::string eddf = readFile(mine / "EDDF.xml");
  EXPECT_NE(eddf.find(R"(name="BGLpath" value="Community/nobody-eddf/scenery/EDDF.bgl")"), std::string::npos);
  EXPECT_NE(eddf.find(R"(name="manufacturer" value="Nobody Inc")"), std::string::npos);
  EXPECT_NE(eddf.find(R"(name="creator" value="")"), std::string::npos);
  EXPECT_NE(eddf.find(R"(name="publisher" value="")"), std::string::npos);

  // KMCI of TropicalSim is removed; the bundled airports lose their redirects.
  EXPECT_FALSE(fs::exists(mine / "KMCI.xml"));
  EXPECT_FALSE(fs::exists(mine / "EGLL.txt"));
  ASSERT_TRUE(fs::exists(mine / "EGLL.xml"));

  std::vector<std::string> inTblo;
  for (const auto& entry : fs::directory_iterator(gf_paths().tblo))
    inTblo.push_back(entry.path().filename().string());
  EXPECT_EQ(inTblo, std::vector<std::string>{"tblo.zip"});
  auto zip = ZipReader::open(gf_paths().tblo / "tblo.zip");
  ASSERT_TRUE(zip.has_value());
  std::vector<std::string> names;
  for (const auto& entry : zip->entries()) {
    names.push_back(entry.name);
    EXPECT_EQ(zip->read(entry, 1 << 20), readFile(mine / entry.name)) << entry.name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"EDDF.xml", "EGLL.xml"}));
  EXPECT_TRUE(gf_tbloBundleReady());
  EXPECT_TRUE(loggedStarting("! Mail tblo/tblo.zip to support@quillstar.example") == 1);
  EXPECT_FALSE(cfg::SCAN_AIRPORTS.value());
}

TEST_F(AddonScanTest, NoAddonAirportsSwitchesTheScanOffWithoutBundle) {
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_TRUE(logged("Warning: Scan has not found any add-on airports"));
  EXPECT_TRUE(logged("All your third party airports are recognised, no off line learning needed."));
  EXPECT_FALSE(fs::exists(gf_paths().tblo));
  EXPECT_FALSE(gf_tbloBundleReady());
  EXPECT_FALSE(cfg::SCAN_AIRPORTS.value());
  const std::string parameters = readFile(gf_parametersPath());
  const auto at = parameters.find("\"SCAN_AIRPORTS\"");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(parameters.substr(at, 40).find("value=\"false\""), std::string::npos)
      << parameters.substr(at, 40);
}

TEST_F(AddonScanTest, Msfs2024KeepsMySimaddonAndSkipsLinkedStands) {
  writeAt(gf_paths().mySimaddon / "OLD.txt", "kept");
  writeAt(gf_paths().myThirdparty / "OLD.txt", "gone");
  writeBgl(community / "bravo-sims-egll" / "scenery" / "EGLL.bgl", {airportOf("EGLL", 5)});
  settings.msfs2020 = false;
  settings.folders = {community};
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_TRUE(fs::exists(gf_paths().mySimaddon / "OLD.txt"));
  EXPECT_FALSE(fs::exists(gf_paths().myThirdparty / "OLD.txt"));
  // Linked under MSFS 2024: the redirect, no stands decoded, nothing generated.
  EXPECT_EQ(readFile(gf_paths().myThirdparty / "EGLL.txt"), "archive/thirdparty/Bravo%20Sims/EGLL.xml");
  EXPECT_FALSE(fs::exists(gf_paths().myThirdparty / "EGLL.xml"));
  EXPECT_FALSE(contains(scanLog(), "===> EGLL has 5 parkpos while archived one has 3"));
}

TEST_F(AddonScanTest, UnderMsfs2020MySimaddonIsEmptied) {
  writeAt(gf_paths().mySimaddon / "OLD.txt", "gone");
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_FALSE(fs::exists(gf_paths().mySimaddon / "OLD.txt"));
}

TEST_F(AddonScanTest, DuplicateAirportKeepsTheFileWithMoreStands) {
  const fs::path first = community / "a-pack" / "EDDF.bgl";
  const fs::path second = community / "b-pack" / "EDDF.bgl";
  const fs::path third = community / "c-pack" / "EDDF.bgl";
  writeBgl(first, {airportOf("EDDF", 2)});
  writeBgl(second, {airportOf("EDDF", 4)});
  writeBgl(third, {airportOf("EDDF", 4)});
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto lines = scanLog();
  EXPECT_TRUE(contains(lines, fmt::format("===> duplicate airport EDDF in {}, kept {}",
                                          first.generic_string(), second.generic_string())));
  EXPECT_TRUE(contains(lines, fmt::format("===> duplicate airport EDDF in {}, kept {}",
                                          third.generic_string(), second.generic_string())));
  EXPECT_TRUE(contains(lines, "Generated EDDF.xml: 4 positions"));
}

TEST_F(AddonScanTest, ASlowFileLosesOnlyItself) {
  writeBgl(community / "a-pack" / "EDDF.bgl", {airportOf("EDDF", 2)});
  writeBgl(community / "b-pack" / "EGLL.bgl", {airportOf("EGLL", 2)});
  settings.taskLimit = std::chrono::milliseconds(100);
  settings.decode = [](std::string_view bytes, const BglContext& context) {
    if (context.file.find("EGLL") != std::string::npos)
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
    return gf_decodeBgl(bytes, context);
  };
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto lines = scanLog();
  EXPECT_TRUE(contains(lines, fmt::format("===> {} not decoded within 0.1 seconds, skipped",
                                          (community / "b-pack" / "EGLL.bgl").generic_string())));
  EXPECT_TRUE(contains(lines, "Generated EDDF.xml: 2 positions"));
  EXPECT_FALSE(fs::exists(gf_paths().myThirdparty / "EGLL.xml"));
}

// Most scenery files hold no airport and are large: they are judged by their section table and
// never read whole; the publisher is looked for by the worker of a file with an airport.
TEST_F(AddonScanTest, OnlyFilesListingAnAirportSectionReachAWorkerWhichLooksForThePublisher) {
  test::BglSpec objects;
  objects.sections.push_back({.type = 0x65, .records = {test::BglRawSpec{0x22, 64}}});
  test::BglSpec egll = test::bglOf({airportOf("EGLL", 5)});
  egll.sections.insert(egll.sections.begin(), objects.sections.front());  // listed second
  const fs::path scenery = community / "bravo-sims-egll" / "scenery";
  writeAt(scenery / "EGLL.bgl", egll.build().bytes);
  writeAt(scenery / "objects.bgl", objects.build().bytes);
  std::string countBeyondTheEnd = objects.build().bytes;
  test::bglSetU32(countBeyondTheEnd, 20, 0xFFFFFFFFU);
  writeAt(scenery / "bogus.bgl", countBeyondTheEnd);
  writeAt(scenery / "short.bgl", objects.build().bytes.substr(0, 56));

  std::mutex mutex;
  std::vector<std::string> decoded;
  std::vector<std::pair<std::string, std::thread::id>> lookups;
  settings.decode = [&](std::string_view bytes, const BglContext& context) {
    {
      std::scoped_lock lock(mutex);
      decoded.push_back(fs::path(context.file).filename().string());
    }
    return gf_decodeBgl(bytes, context);
  };
  settings.publisherOf = [&, byPath = settings.publisherOf](const fs::path& path) {
    {
      std::scoped_lock lock(mutex);
      lookups.emplace_back(path.filename().string(), std::this_thread::get_id());
    }
    return byPath(path);
  };
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_EQ(decoded, std::vector<std::string>{"EGLL.bgl"});
  ASSERT_FALSE(lookups.empty());
  for (const auto& [file, thread] : lookups) {
    EXPECT_EQ(file, "EGLL.bgl");
    EXPECT_NE(thread, std::this_thread::get_id());
  }
  EXPECT_TRUE(contains(scanLog(), "Generated EGLL.xml: 5 positions"));
  // The pass word brings its own blank.
  EXPECT_TRUE(contains(scanLog(), "Scanning for addon  airports in " + community.generic_string()));
  EXPECT_TRUE(
      logged("++++++++++++++++++++++++ airports scan automatic  starts +++++++++++++++++++++++++++++"));
}

TEST_F(AddonScanTest, AStopLeavesTheScanOnAndMakesNoBundle) {
  writeTree();
  gf_endRunByUser();
  EXPECT_FALSE(gf_scanAddonAirports(settings));
  EXPECT_TRUE(cfg::SCAN_AIRPORTS.value());
  EXPECT_FALSE(fs::exists(gf_paths().tblo));
  EXPECT_FALSE(gf_tbloBundleReady());
}

TEST_F(AddonScanTest, WorkerLimitHoldsAndOutputDoesNotDependOnIt) {
  for (int i = 0; i < 20; ++i) {
    const std::string icao = std::string("EDD") + static_cast<char>('A' + i);
    writeBgl(community / fmt::format("pack-{:02}", i) / (icao + ".bgl"), {airportOf(icao, 1 + i % 4)});
  }
  settings.isKnownAirport = [](std::string_view icao) { return icao.starts_with("EDD"); };
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  settings.decode = [&running, &most](std::string_view bytes, const BglContext& context) {
    const int now = ++running;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto result = gf_decodeBgl(bytes, context);
    --running;
    return result;
  };
  const auto outputs = [] {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(gf_paths().myThirdparty)) {
      files.push_back(entry.path().filename().string() + "\n" + readFile(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return std::make_pair(files, readFile(gf_paths().airportsScanLog));
  };
  gf_setScanWorkerLimit(2);
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_LE(most.load(), 2);
  EXPECT_GE(most.load(), 1);
  EXPECT_EQ(gf_runningScanTasks(), 0);
  const auto limited = outputs();
  EXPECT_EQ(limited.first.size(), 20U);

  gf_setScanWorkerLimit(8);
  most = 0;
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  EXPECT_EQ(outputs(), limited);
}

TEST_F(AddonScanTest, BundleSkipsStrayStemsAndReplacesAnOldZip) {
  const fs::path mine = gf_paths().myThirdparty;
  fs::create_directories(gf_paths().tblo);
  writeAt(gf_paths().tblo / "tblo.zip", "an old zip");
  writeAt(mine / "EGLL_old.xml", "<root/>");
  writeAt(mine / "ZZZZ.xml",
          R"(<root><parameters><parameter name="publisher" value="X"/></parameters></root>)");
  writeAt(mine / "EHAM.xml", R"(<root><parameters><parameter name="manufacturer" value="vonta"/>)"
                             R"(<parameter name="creator" value="abc"/></parameters></root>)");
  writeAt(mine / "EGLL.xml",
          R"(<root><parameters><parameter name="creator" value="Someone"/></parameters></root>)");
  writeAt(mine / "EGLL.txt", "archive/thirdparty/Bravo%20Sims/EGLL.xml");
  // A user's file with its extension in capitals is read under its own name.
  writeAt(mine / "EDDF.XML",
          R"(<root><parameters><parameter name="creator" value="Someone"/></parameters></root>)");
  // A file that cannot be copied (a folder stands in its place) still loses its redirect.
  writeAt(mine / "LFPG.xml",
          R"(<root><parameters><parameter name="creator" value="Someone"/></parameters></root>)");
  writeAt(mine / "LFPG.txt", "archive/thirdparty/Bravo%20Sims/LFPG.xml");
  fs::create_directories(gf_paths().tblo / "LFPG.xml");
  lf_bundleThirdPartyAirports(gf_listMyThirdPartyXmlFiles(), settings.isKnownAirport);
  EXPECT_TRUE(logged("'EGLL_old' is not an airport file, skipped"));
  EXPECT_TRUE(logged("[zip] Removing old zip tblo/tblo.zip"));
  EXPECT_EQ(loggedStarting(fmt::format("==> '{}' failed to copy ", (mine / "LFPG.xml").generic_string())),
            1U);
  EXPECT_FALSE(fs::exists(mine / "EGLL.txt"));
  EXPECT_FALSE(fs::exists(mine / "LFPG.txt"));
  auto zip = ZipReader::open(gf_paths().tblo / "tblo.zip");
  ASSERT_TRUE(zip.has_value()) << testing::PrintToString(log());
  std::vector<std::string> names;
  for (const auto& entry : zip->entries()) {
    names.push_back(entry.name);
    EXPECT_EQ(zip->read(entry, 1 << 20), readFile(mine / entry.name)) << entry.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"EDDF.XML", "EGLL.xml"}));
}

TEST_F(AddonScanTest, LinkedFoldersAreFollowedAndEnteredOnce) {
  if constexpr (fs::path::preferred_separator == '\\')
    GTEST_SKIP() << "Wine, where the Windows build is tested, makes no directory symlinks";
  const fs::path elsewhere = folder.path() / "elsewhere";
  writeBgl(elsewhere / "EDDF.bgl", {airportOf("EDDF", 3)});
  fs::create_directory_symlink(elsewhere, community / "linked-pack");
  fs::create_directory_symlink(community, community / "loop");
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto lines = scanLog();
  EXPECT_TRUE(contains(lines, "Generated EDDF.xml: 3 positions"));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.starts_with("===> duplicate airport"); }),
            0);
}

TEST_F(AddonScanTest, UnrecognisedAirportsUnder2024AreLinkedByTheirCode) {
  auto spec = test::bglOf({});
  spec.sections[0].records.emplace_back(test::BglRawSpec{0x113, 40});
  const auto write = [&spec](const fs::path& path) {
    fs::create_directories(path.parent_path());
    writeFile(path, spec.build().bytes);
  };
  write(community / "bravo-sims-egll" / "scenery" / "EGLL.bgl");
  writeManifest(community / "bravo-sims-x", R"({"title": "Bravo Sims - KMCI Kansas City"})");
  write(community / "bravo-sims-x" / "scenery" / "apt.bgl");
  write(community / "bravo-sims-y" / "scenery" / "nothing.bgl");
  settings.msfs2020 = false;
  settings.folders = {community};
  settings.archive["archive/thirdparty/Bravo%20Sims/KMCI.xml"] = 4;
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto lines = scanLog();
  EXPECT_TRUE(contains(lines, "Non complying airport has ICAO code 'EGLL' as BGL stem"));
  EXPECT_TRUE(contains(
      lines, "Non complying airport has ICAO 'KMCI' in title 'Bravo Sims - KMCI Kansas City' of manifest"));
  EXPECT_TRUE(contains(
      lines, fmt::format("==================> Non complying airport lost ... '{}'",
                         (community / "bravo-sims-y" / "scenery" / "nothing.bgl").generic_string())));
  EXPECT_EQ(readFile(gf_paths().myThirdparty / "EGLL.txt"), "archive/thirdparty/Bravo%20Sims/EGLL.xml");
  EXPECT_EQ(readFile(gf_paths().myThirdparty / "KMCI.txt"), "archive/thirdparty/Bravo%20Sims/KMCI.xml");
  EXPECT_FALSE(fs::exists(gf_paths().myThirdparty / "EGLL.xml"));
  // Every such record is reported, also a second one in the same file.
  spec.sections[0].records.emplace_back(test::BglRawSpec{0x113, 40});
  write(community / "bravo-sims-y" / "scenery" / "nothing.bgl");
  settings.folders = {community / "bravo-sims-y"};
  ASSERT_TRUE(gf_scanAddonAirports(settings));
  const auto again = scanLog();
  EXPECT_EQ(
      std::count(again.begin(), again.end(),
                 fmt::format("==> Not recognised airport {}",
                             (community / "bravo-sims-y" / "scenery" / "nothing.bgl").generic_string())),
      2);
}

TEST_F(AddonScanTest, PublisherRules) {
  const PublisherLookup lookup = settings.publisherOf;
  std::vector<std::string> log;
  // The simulator's own add-on: no manifest is read.
  writeManifest(community / "microsoft-airport-lowi", R"({"creator": "Bravo Sims"})");
  auto info = gf_findPublisher(community / "microsoft-airport-lowi" / "scenery" / "LOWI.bgl", lookup, log);
  EXPECT_EQ(info.publisher, "simaddon");
  EXPECT_TRUE(info.creator.empty());
  // An official package has no Community folder: the nearest parent with a manifest counts.
  const fs::path officialPackage = official / "asobo-pack";
  writeManifest(officialPackage, R"({"manufacturer": "Someone", "creator": "BRAVO works", "title": "T"})");
  info = gf_findPublisher(officialPackage / "scenery" / "deep" / "X.bgl", lookup, log);
  EXPECT_EQ(info.publisher, "Bravo Sims");
  EXPECT_EQ(info.manufacturer, "Someone");
  EXPECT_EQ(info.title, "T");
  EXPECT_TRUE(contains(log, "from manifest.json: creator 'BRAVO works' => publisher 'Bravo Sims'"));
  // No manifest anywhere.
  log.clear();
  info = gf_findPublisher(folder.path() / "loose" / "X.bgl", lookup, log);
  EXPECT_TRUE(info.publisher.empty());
  EXPECT_TRUE(contains(log, "===> No publisher found"));
  // A manifest that is no object gives nothing, and the search ends there: the manifest of a
  // folder further up belongs to something else.
  writeManifest(community / "broken", "[1, 2]");
  EXPECT_FALSE(lf_readManifest(community / "broken" / "manifest.json").has_value());
  writeManifest(official, R"({"creator": "BRAVO works"})");
  writeManifest(official / "broken-pack", "{ not json");
  log.clear();
  info = gf_findPublisher(official / "broken-pack" / "scenery" / "X.bgl", lookup, log);
  EXPECT_TRUE(info.publisher.empty());
  EXPECT_TRUE(info.creator.empty());
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) { return l.ends_with("manifest.json found"); }),
            1);
  EXPECT_TRUE(contains(log, "===> No publisher found"));
  // A text holding a NUL would come back cut short from the generated stand file: it counts as none.
  writeManifest(community / "with-nul", R"({"manufacturer": "Bravo\u0000 Sims", "creator": "BRAVO works"})");
  const auto withNul = lf_readManifest(community / "with-nul" / "manifest.json");
  ASSERT_TRUE(withNul.has_value());
  EXPECT_EQ(withNul->manufacturer, "");
  EXPECT_EQ(withNul->creator, "BRAVO works");

  struct Case {
    const char* parameters;
    bool named;
  };
  const std::vector<Case> cases = {
      {R"(<parameter name="publisher" value="X"/>)", true},
      {R"(<parameter name="manufacturer" value="vonta"/><parameter name="creator" value=""/>)", false},
      {R"(<parameter name="manufacturer" value="vonta"/><parameter name="creator" value="abc"/>)", false},
      {R"(<parameter name="manufacturer" value="abcd"/>)", true},
      {R"(<parameter name="creator" value="Vonta"/>)", true},
  };
  for (const auto& c : cases) {
    writeFile(folder.path() / "stand.xml",
              std::string("<root><parameters>") + c.parameters + "</parameters></root>");
    EXPECT_EQ(gf_readAirportPublisher(folder.path() / "stand.xml"), c.named) << c.parameters;
  }
  EXPECT_FALSE(gf_readAirportPublisher(folder.path() / "missing.xml"));
  EXPECT_TRUE(logged(fmt::format("==> '{}' not found", (folder.path() / "missing.xml").generic_string())));
}

TEST(AddonScanPaths, ExclusionsLookBelowTheScannedFolder) {
  EXPECT_TRUE(lf_isExcludedPackage("/x/Community/AIG-AITraffic/a.bgl", "AIG-AITraffic/a.bgl"));
  EXPECT_TRUE(lf_isExcludedPackage("/x/Community/p/SimObjects/a.bgl", "p/SimObjects/a.bgl"));
  EXPECT_FALSE(lf_isExcludedPackage("/home/aircraft/Community/p/a.bgl", "p/a.bgl"));
  const std::string longPath = "/x/" + std::string(250, 'p') + "/a.bgl";
  EXPECT_TRUE(lf_isExcludedPackage(longPath, "a.bgl"));
}

}  // namespace
}  // namespace orv
