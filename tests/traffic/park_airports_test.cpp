// The park airports: the candidates' file, the choice as the user aircraft moves (against the
// stand-in on its manual clock), and leaving a park airport with its learned file.

#include "traffic/park_airports.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "airports/learned_files.h"
#include "airports/park_loading.h"
#include "airports/stand_schedules.h"
#include "airports/stand_store.h"
#include "airports/stands.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "platform/os/clock.h"
#include "platform/simconnect/backend.h"
#include "refdata/airports_table.h"
#include "refdata/codes.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/sim_client.h"
#include "simlink/sim_link_fixture.h"
#include "simlink/sim_state.h"
#include "simlink/user_aircraft.h"
#include "standin/stand_in.h"
#include "support/foundation_state.h"
#include "support/recorders.h"
#include "support/scoped_setting.h"
#include "support/settings_state.h"
#include "support/test_support.h"
#include "traffic/stand_parking.h"
#include "traffic/traffic_run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orv::IcaoCode;
using testing_support::logBody;
using testing_support::readFile;
using testing_support::writeFile;

// As the program names it in its messages: with the system's path separator.
const std::string kFile = (fs::path("airports") / "my_park_airports.txt").string();

constexpr double kFraLat = 50.0333;
constexpr double kFraLon = 8.5706;
constexpr double kEdfeLat = 49.9608;
constexpr double kEdfeLon = 8.6436;
// Degrees of latitude per metre.
constexpr double kDegPerMetre = 1.0 / 1852.0 / 60.0;

orv::AirportTable testTable() {
  return orv::AirportTable::fromRecords({
      {IcaoCode("EDDF"), orv::IataCode("FRA"), kFraLat, kFraLon, 364.0F, 0},
      {IcaoCode("EDFE"), orv::IataCode("XXX"), kEdfeLat, kEdfeLon, 410.0F, 0},
      {IcaoCode("EDDM"), orv::IataCode("MUC"), 48.3538, 11.7861, 1487.0F, 0},
      {IcaoCode("EDDS"), orv::IataCode("STR"), 48.6899, 9.2220, 1276.0F, 0},
  });
}

std::vector<std::pair<std::string, std::string>> entries(const orv::ParkAirportList& list) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const orv::ParkAirportEntry& e : list.entries) out.emplace_back(e.icao.str(), e.reservedStand);
  return out;
}

bool logged(const std::string& line) {
  const auto lines = logBody();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines that end with the text (the time of day stands in front of some).
std::size_t loggedEnding(const std::string& text) {
  const auto lines = logBody();
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.ends_with(text); }));
}

std::string opt(const std::string& reg, int day, const std::string& hh, const std::string& cs = "DLH1") {
  return "<opt reg=\"" + reg + "\" airl=\"DLH\" type=\"A321\" day=\"" + std::to_string(day) + "\" hh=\"" +
         hh + "\" cs=\"" + cs + "\"/>";
}

std::string parkpos(const std::string& id, double northMetres, const std::string& opts = {}) {
  return "<parkpos id=\"" + id + "\" latitude=\"" + std::to_string(kFraLat + northMetres * kDegPerMetre) +
         "\" longitude=\"" + std::to_string(kFraLon) + "\" heading=\"90\" radius=\"20\">" + opts +
         "</parkpos>";
}

// A stand file of Frankfurt; `more` adds parameters.
std::string standFile(const std::string& publisher, const std::string& parkpositions,
                      const std::string& more = {}, bool withAltitude = true) {
  return "<?xml version=\"1.0\"?><root><meta><info name=\"author\" value=\"QLST\"/>"
         "<info name=\"version\" value=\"11.12.1\"/><info name=\"copyright\" value=\"c\"/></meta><parameters>"
         "<parameter name=\"airport_name\" value=\"Frankfurt\"/><parameter name=\"publisher\" value=\"" +
         publisher + "\"/>" + (withAltitude ? "<parameter name=\"altitude\" value=\"364\"/>" : "") + more +
         "</parameters><parkpositions>" + parkpositions + "</parkpositions></root>";
}

const std::string kThreeStands =
    parkpos("A1", 0, opt("D-AIAA", 2, "10:12")) + parkpos("A2", 100) + parkpos("A3", 200);

// Every regular file below the folder, as generic paths relative to the working folder.
std::vector<std::string> filesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& item : fs::recursive_directory_iterator(folder, ec))
    if (item.is_regular_file()) files.push_back(item.path().lexically_normal().generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

// A working folder with its log, the settings and the foundation given back afterwards.
class ParkAirportFiles : public ::testing::Test {
 protected:
  ParkAirportFiles() {
    orv::gf_openLog();
    fs::create_directories("airports/my_thirdparty");
  }

  testing_support::WorkingFolder folder;
  testing_support::FoundationState foundation;
  testing_support::SettingsState settings;
  orv::AirportTable table = testTable();
  orv::ParkAirportList list;
};

// --- "my_park_airports.txt" ---------------------------------------------------------------------

TEST_F(ParkAirportFiles, TheFileGivesKnownCodesOnceWithTheirStands) {
  struct Case {
    std::string text;
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> skipped;  // the log lines of what was left out
  };
  const std::vector<Case> cases{
      {"eddf\n", {{"EDDF", ""}}, {}},
      {"EDDF,B12\n", {{"EDDF", "B12"}}, {}},
      {" EDDF\t, B 12 \t\r\n", {{"EDDF", "B 12"}}, {}},
      {"EDDF,\n", {{"EDDF", ""}}, {}},
      {"EDDF,B12,x\nEDDM", {{"EDDM", ""}}, {kFile + ":1 wrong syntax, skipped"}},
      {"EDF\nED-F\nEDDFX\n",
       {},
       {kFile + ":1 wrong syntax, skipped", kFile + ":2 wrong syntax, skipped",
        kFile + ":3 wrong syntax, skipped"}},
      {"EDDF\neddf,A1\n", {{"EDDF", ""}}, {kFile + ":2 double, skipped"}},
      {"ZZZZ\nEDDS\n", {{"EDDS", ""}}, {"airport ZZZZ is unknown"}},
      {"\r\n  \r\nEDDS\r\n\t\r\nEDDM,A1\r\n", {{"EDDS", ""}, {"EDDM", "A1"}}, {}},
      // A doubled line end leaves a carriage return, which a rewrite of the file would drop.
      {"EDDS\r\r\nEDDM,A1\r\r\n", {{"EDDS", ""}, {"EDDM", "A1"}}, {}},
      // A byte-order mark doubled by an editor: the one the reading leaves would surface as the
      // file's mark after a rewrite, and the line would change its meaning.
      {"\xEF\xBB\xBF\xEF\xBB\xBF"
       "EDDM,A1\nEDDS\n",
       {{"EDDM", "A1"}, {"EDDS", ""}},
       {}},
      // A mark behind a blank or a tab in front of a stand is no part of its name either.
      {"EDDM, \xEF\xBB\xBF"
       "A1\nEDDS,\t\xEF\xBB\xBF \xEF\xBB\xBF"
       "B2\n",
       {{"EDDM", "A1"}, {"EDDS", "B2"}},
       {}},
  };
  for (const Case& c : cases) {
    orv::gf_openLog();
    writeFile(kFile, c.text);
    EXPECT_EQ(orv::lf_readMyParkAirports(list, table), c.entries.size()) << c.text;
    EXPECT_EQ(entries(list), c.entries) << c.text;
    std::vector<std::string> skipped;
    for (const std::string& line : logBody())
      if (line.ends_with("skipped") || line.ends_with("is unknown")) skipped.push_back(line);
    EXPECT_EQ(skipped, c.skipped) << c.text;
    const std::size_t n = c.entries.size();
    EXPECT_TRUE(logged(fmt::format("{:5} park airport{} read from '{}'", n, n == 1 ? "" : "s", kFile)))
        << c.text;
    // The program rewrites the file when the user reserves a stand: it reads back as it held it.
    for (const auto& [icao, stand] : c.entries)
      (void)orv::gf_addMyParkAirport(list, table, IcaoCode(icao), stand);
    orv::ParkAirportList again;
    (void)orv::lf_readMyParkAirports(again, table);
    EXPECT_EQ(entries(again), entries(list)) << c.text;
  }
}

TEST_F(ParkAirportFiles, TheStandFilesOfMyThirdpartyJoinAFileThatExists) {
  for (const char* name : {"EDDS.xml", "eddm.txt", "readme.xml", "ZZZZ.xml", "EDDF.xml", "EDDF.txt"})
    writeFile(fs::path("airports/my_thirdparty") / name, "x");
  fs::create_directories("airports/my_thirdparty/EDFE.xml");  // a folder is no stand file

  EXPECT_EQ(orv::lf_readMyParkAirports(list, table), 0u);  // no file of the user's
  EXPECT_TRUE(logged(kFile + " not found"));

  writeFile(kFile, "EDDF,A7\n");
  EXPECT_EQ(orv::lf_readMyParkAirports(list, table), 3u);
  const std::vector<std::pair<std::string, std::string>> expected{{"EDDF", "A7"}, {"EDDS", ""}, {"EDDM", ""}};
  EXPECT_EQ(entries(list), expected);
  EXPECT_TRUE(logged(fmt::format("{:5} park airports read from '{}'", 3, kFile)));
}

TEST_F(ParkAirportFiles, AddingCreatesAppendsAndUpdatesThroughATemporaryFile) {
  ASSERT_TRUE(orv::gf_addMyParkAirport(list, table, IcaoCode("EDDF"), "A1"));
  EXPECT_EQ(readFile(kFile), "EDDF,A1\n");
  EXPECT_TRUE(logged(kFile + " created with EDDF,A1"));

  ASSERT_TRUE(orv::gf_addMyParkAirport(list, table, IcaoCode("EDDM"), ""));
  EXPECT_EQ(readFile(kFile), "EDDF,A1\nEDDM\n");
  EXPECT_TRUE(logged(kFile + ":EDDM new entry"));

  // The user's own spelling of a line does not hide it from the update.
  writeFile(kFile, "# mine\r\n eddf , A1\r\nEDDM\r\n");
  ASSERT_TRUE(orv::gf_addMyParkAirport(list, table, IcaoCode("EDDF"), "B 2"));
  EXPECT_EQ(readFile(kFile), "# mine\nEDDF,B 2\nEDDM\n");
  EXPECT_TRUE(logged(kFile + ":EDDF updated stand"));
  const std::vector<std::pair<std::string, std::string>> expected{{"EDDF", "B 2"}, {"EDDM", ""}};
  EXPECT_EQ(entries(list), expected);

  // A stand that would read back as something else, and an airport the table does not know.
  for (const std::string& stand : {std::string("B,2"), std::string("B\n2"), std::string("B\t2"),
                                   std::string("B\r"), std::string(1, '\x7f')})
    EXPECT_FALSE(orv::gf_addMyParkAirport(list, table, IcaoCode("EDDF"), stand));
  EXPECT_FALSE(orv::gf_addMyParkAirport(list, table, IcaoCode("ZZZZ"), "A1"));
  EXPECT_EQ(readFile(kFile), "# mine\nEDDF,B 2\nEDDM\n");
  EXPECT_EQ(entries(list), expected);
  EXPECT_EQ(filesBelow("airports"),
            std::vector<std::string>{"airports/my_park_airports.txt"});  // no temporary file left

  orv::ParkAirportList again;
  EXPECT_EQ(orv::lf_readMyParkAirports(again, table), 2u);
  EXPECT_EQ(entries(again), expected);
}

// --- distances --------------------------------------------------------------------------------

TEST(ParkAirportDistances, MeasuredClosestFirstUnlessADestinationHoldsTheOrder) {
  const orv::Position near{kFraLat, kFraLon};
  const orv::Position mid{kFraLat + 0.5, kFraLon};  // 30 nm north
  const orv::Position far{kFraLat + 1.0, kFraLon};
  const auto make = [&] {
    orv::ParkAirportList list;
    // Two entries at the same place: their order stays.
    for (const auto& [code, position] :
         {std::pair{"EDDS", far}, std::pair{"EDDM", mid}, std::pair{"EDFE", mid}, std::pair{"EDDF", near}}) {
      list.entries.push_back({IcaoCode(code), position, orv::kUnmeasuredNm, {}});
      list.codes.insert(IcaoCode(code));
    }
    return list;
  };
  const auto order = [](const orv::ParkAirportList& list) {
    std::vector<std::string> codes;
    for (const auto& e : list.entries) codes.push_back(e.icao.str());
    return codes;
  };
  const auto distances = [](const orv::ParkAirportList& list) {
    std::vector<double> d;
    for (const auto& e : list.entries) d.push_back(e.distanceNm);
    return d;
  };

  orv::ParkAirportList list = make();
  const orv::Position user{kFraLat - 0.1, kFraLon};  // 6 nm south of EDDF
  orv::lf_updateParkDistances(list, user, false);
  EXPECT_EQ(order(list), (std::vector<std::string>{"EDDF", "EDDM", "EDFE", "EDDS"}));
  EXPECT_NEAR(list.entries.front().distanceNm, 6.0, 1e-6);
  EXPECT_NEAR(list.entries.back().distanceNm, 66.0, 1e-6);

  // Standing still: only the first entry is measured again.
  for (auto& e : list.entries) e.distanceNm = 1.0;
  orv::lf_updateParkDistances(list, {user.latitude + 5e-9, user.longitude}, false);
  EXPECT_EQ(distances(list), (std::vector<double>{list.entries.front().distanceNm, 1.0, 1.0, 1.0}));
  EXPECT_NEAR(list.entries.front().distanceNm, 6.0, 1e-6);

  // Flying on with a destination: the order stays, the distances follow the aircraft.
  list = make();
  orv::lf_updateParkDistances(list, user, true);
  EXPECT_EQ(order(list), (std::vector<std::string>{"EDDS", "EDDM", "EDFE", "EDDF"}));
  EXPECT_NEAR(list.entries.front().distanceNm, 66.0, 1e-6);
  EXPECT_NEAR(list.entries.back().distanceNm, 6.0, 1e-6);
  orv::lf_updateParkDistances(list, {user.latitude + 0.2, user.longitude}, true);
  EXPECT_EQ(order(list), (std::vector<std::string>{"EDDS", "EDDM", "EDFE", "EDDF"}));
  EXPECT_NEAR(list.entries.front().distanceNm, 54.0, 1e-6);
  EXPECT_NEAR(list.entries.back().distanceNm, 6.0, 1e-6);

  orv::ParkAirportList empty;
  orv::lf_updateParkDistances(empty, user, false);
  EXPECT_FALSE(empty.measuredAt.has_value());
}

// --- the run's park airport ---------------------------------------------------------------------

// A run with its park-airport side; the stands, the loading's published state and the simulator
// link are put back afterwards.
class ParkAirportRun : public ::testing::Test {
 protected:
  ParkAirportRun() {
    orv::gf_openLog();
    fs::create_directories("airports/my_thirdparty");
    orv::gf_clearStands();
    run.park.table = &table;
    run.park.destinations = orv::DestinationStands(&table);
  }
  ~ParkAirportRun() override {
    orv::gf_clearStands();
    orv::gf_setStandsLoaded(false);
    orv::gf_setParkElevation(std::nullopt);
  }

  // Makes Frankfurt the park airport with its stand file loaded.
  void loadFrankfurt(const std::string& publisher = "Big Scenery", const std::string& stands = kThreeStands) {
    writeFile("airports/my_thirdparty/EDDF.xml", standFile(publisher, stands));
    ASSERT_TRUE(orv::gf_setParkAirport(run, IcaoCode("EDDF")));
    ASSERT_EQ(orv::lf_readParkedFile(run), "");
  }

  testing_support::WorkingFolder folder;
  testing_support::FoundationState foundation;
  testing_support::SettingsState settings;
  testing_support::RecordingWindow window;
  orv::ScopedWindowView shownWindow{window};
  testing_support::RecordingSimSide sim;
  orv::AirportTable table = testTable();
  orv::TrafficRun run{sim, window, false};
};

// The run against the stand-in on its manual clock: the user aircraft's data come as the simulator
// sends them.
class ParkAirportFlight : public ParkAirportRun {
 protected:
  ParkAirportFlight() { orv::gf_setMsfs2020Chosen(true); }
  // The link's state is the process's; it goes while the stand-in is still there.
  ~ParkAirportFlight() override {
    orv::gf_stopSimClient();
    orv::gf_resetSimLink();
  }

  // Connects with the user aircraft where the keys put it and takes its first answers.
  void start(const nlohmann::json& userKeys) {
    orv::standin::Scenario scenario;
    orv::standin::applyUserKeys(scenario.user, userKeys, "test");
    ASSERT_EQ(simlink_test::openOnStandIn(std::move(scenario), standIn, backend, handle), sc::S_OK);
    orv::gf_requestUserOnGroundEverySecond();
    moveUser({});
  }
  // One second of the simulation with the user aircraft changed, and its position asked for.
  void moveUser(const nlohmann::json& userKeys) {
    if (!userKeys.empty()) standIn->setUser(userKeys);
    (void)orv::gf_requestUserAcPosition();
    standIn->advance(1s);
    pump();
  }
  void pump() { ASSERT_EQ(SimConnect_CallDispatch(handle, orv::lf_dispatch, nullptr), sc::S_OK); }

  static nlohmann::json at(double lat, double lon, bool onGround, double aglFt = 0.0) {
    return {{"lat", lat},
            {"lon", lon},
            {"on_ground", onGround},
            {"ground_alt_ft", 364.0},
            {"alt_ft", 364.0 + aglFt}};
  }

  testing_support::ScopedSetting<orv::ComboIntParameter> range{orv::cfg::AIRP_RANGE, 20};
  testing_support::ScopedSetting<orv::ComboIntParameter> height{orv::cfg::AIRP_HEIGHT, 18000};
  os::FakeClock clock;
  os::ScopedClock scopedClock{clock};
  std::shared_ptr<orv::standin::StandIn> standIn;
  std::optional<sc::ScopedBackend> backend;
  sc::Handle handle = 0;
};

TEST_F(ParkAirportFlight, OnTheGroundTheAirportHereBecomesTheParkAirportWhenItHasAStandFile) {
  // At Egelsbach, which has no stand file.
  start(at(kEdfeLat - 1.0 / 60.0, kEdfeLon, true));
  EXPECT_FALSE(orv::gf_updateParkAirport(run, true));
  EXPECT_EQ(orv::gf_messageLines().message, "User aircraft on the ground at EDFE, no airport file found");
  EXPECT_TRUE(logged("User aircraft on the ground at EDFE, no airport file found"));
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_FALSE(run.trafficReader.context().parkAirport.has_value());

  // At a stand of Frankfurt, which has one.
  writeFile("airports/my_thirdparty/EDDF.xml", standFile("Big Scenery", kThreeStands));
  moveUser(at(kFraLat + 100 * kDegPerMetre, kFraLon, true));
  EXPECT_FALSE(orv::gf_updateParkAirport(run, true));
  ASSERT_EQ(run.park.icao, IcaoCode("EDDF"));
  EXPECT_EQ(orv::gf_messageLines().message, "Calculating static parked aircraft ...");
  EXPECT_EQ(window.parkingControls(), 0);
  EXPECT_TRUE(run.trafficReader.collectingCallsigns());
  EXPECT_EQ(window.text(orv::WindowText::ParkAirport), "EDDF (FRA)");
  ASSERT_TRUE(run.trafficReader.context().parkAirport.has_value());
  EXPECT_FALSE(run.trafficReader.context().parkElevationFt.has_value());  // not before its file is read

  EXPECT_TRUE(orv::gf_updateParkAirport(run, false));
  EXPECT_TRUE(orv::staticParkAirportLoaded(run.park));
  EXPECT_EQ(run.trafficReader.context().parkElevationFt, 364.0);
  EXPECT_EQ(window.count(orv::WindowCount::Stands), 3);
  EXPECT_EQ(window.text(orv::WindowText::ParkAirportName), "Frankfurt");
  EXPECT_EQ(window.text(orv::WindowText::ParkAirportDetail), "Big Scenery");
  EXPECT_EQ(window.flag(orv::WindowFlag::ParkedDataRead), 1);
  // Where the user parked is a candidate from now on.
  EXPECT_EQ(readFile(kFile), "EDDF\n");
  EXPECT_EQ(entries(run.parkAirports.list), (std::vector<std::pair<std::string, std::string>>{{"EDDF", ""}}));

  const auto lines = logBody();
  const auto find = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text); };
  const auto ground = find("User aircraft on the ground at EDDF (FRA)");
  const auto chosen = find("The park airport is EDDF (FRA)");
  const auto read = find("Airport file read from '" +
                         testing_support::systemPath("airports/my_thirdparty/EDDF.xml") + "' for Frankfurt");
  ASSERT_NE(read, lines.end());
  EXPECT_LT(ground, chosen);
  EXPECT_EQ(*(chosen - 1), "");  // the line before it is left empty
  EXPECT_LT(chosen, read);

  // On the ground the park airport stays, wherever the user aircraft rolls.
  moveUser(at(kEdfeLat, kEdfeLon, true));
  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(run.park.icao, IcaoCode("EDDF"));
}

TEST_F(ParkAirportFlight, AirborneAListedAirportInReachIsChosenAndLeftAboveTheHeight) {
  writeFile(kFile, "EDDF\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  writeFile("airports/my_thirdparty/EDDF.xml", standFile("Big Scenery", kThreeStands));
  start(at(kFraLat + 12.0 / 60.0, kFraLon, false, 3000.0));

  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  ASSERT_EQ(run.park.icao, IcaoCode("EDDF"));
  EXPECT_EQ(orv::gf_messageLines().message, "EDDF in sight at 12.0 nm");
  EXPECT_TRUE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(orv::gf_parkStands().size(), 3u);

  // 18000 ft above the ground is still in sight; one foot more is not.
  moveUser({{"alt_ft", 364.0 + 18000.0}});
  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(run.park.icao, IcaoCode("EDDF"));
  moveUser({{"alt_ft", 364.0 + 18001.0}});
  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(loggedEnding(" EDDF is out of sight (12.0 nm), parked aircraft will be removed"), 1u);
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_TRUE(orv::gf_parkStands().empty());
  EXPECT_FALSE(run.trafficReader.context().parkAirport.has_value());
  EXPECT_EQ(window.text(orv::WindowText::ParkAirport), "");
  EXPECT_TRUE(fs::exists("airports/learned/thirdparty/Big Scenery/EDDF.xml"));

  // Too high to be chosen again.
  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  EXPECT_FALSE(run.park.icao.has_value());
}

TEST_F(ParkAirportFlight, TheDestinationBecomesTheParkAirportOnTheApproach) {
  testing_support::ScopedSetting<orv::EditParameter> destination{orv::cfg::DESTINATION, std::string("EDDF")};
  writeFile(kFile, "EDFE\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  writeFile("airports/my_thirdparty/EDDF.xml", standFile("Big Scenery", kThreeStands));
  // Set while 100 nm north of it, as the user types it in the air.
  start(at(kFraLat + 100.0 / 60.0, kFraLon, false, 3000.0));
  orv::gf_addParkAirportCmd(run, IcaoCode("EDDF"), {kFraLat, kFraLon});
  for (const double nm : {100.0, 60.0, 30.0, 21.0}) {
    moveUser(at(kFraLat + nm / 60.0, kFraLon, false, 3000.0));
    EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
    EXPECT_FALSE(run.park.icao.has_value()) << nm << " nm is out of reach";
  }
  moveUser(at(kFraLat + 8.0 / 60.0, kFraLon, false, 3000.0));
  (void)orv::gf_updateParkAirport(run, false);
  ASSERT_EQ(run.park.icao, IcaoCode("EDDF"));
  EXPECT_EQ(orv::gf_messageLines().message, "EDDF in sight at 8.0 nm");
  EXPECT_TRUE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(orv::gf_parkStands().size(), 3u);
}

TEST_F(ParkAirportFlight, ANearerListedAirportInReachTakesOverAfterTheParkedAircraftWent) {
  writeFile(kFile, "EDDF\nEDFE\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  writeFile("airports/my_thirdparty/EDDF.xml", standFile("Big Scenery", kThreeStands));
  start(at(kFraLat + 2.0 / 60.0, kFraLon, false, 2000.0));
  (void)orv::gf_updateParkAirport(run, false);
  ASSERT_TRUE(orv::gf_updateParkAirport(run, false));

  // 1 nm south of Egelsbach, 6 nm from Frankfurt: both in reach, Egelsbach nearer.
  moveUser(at(kEdfeLat - 1.0 / 60.0, kEdfeLon, false, 2000.0));
  (void)orv::gf_updateParkAirport(run, false);
  EXPECT_EQ(loggedEnding(" EDFE is in sight (1.0 nm), parked aircraft at EDDF will be removed first"), 1u);
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_TRUE(fs::exists("airports/learned/thirdparty/Big Scenery/EDDF.xml"));
  (void)orv::gf_updateParkAirport(run, false);
  EXPECT_EQ(run.park.icao, IcaoCode("EDFE"));
  EXPECT_EQ(orv::gf_messageLines().message, "EDFE in sight at 1.0 nm");
}

TEST_F(ParkAirportFlight, AnAirportWhoseStandFileFailedIsNotChosenAgain) {
  writeFile("airports/my_thirdparty/EDDF.xml",
            standFile("Big Scenery", parkpos("A1", 0) + parkpos("A1", 50)));
  start(at(kFraLat, kFraLon, true));
  (void)orv::gf_updateParkAirport(run, false);
  EXPECT_FALSE(orv::gf_updateParkAirport(run, false));
  EXPECT_EQ(orv::gf_messageLines().error, "94: Stand 'A1' appears more than once.");
  EXPECT_TRUE(logged("Error 94: Stand 'A1' appears more than once."));
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_EQ(window.parkingControls(), 1);
  for (int i = 0; i < 3; ++i) (void)orv::gf_updateParkAirport(run, false);
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_EQ(loggedEnding("User aircraft on the ground at EDDF (FRA)"), 1u);
}

TEST_F(ParkAirportFlight, TheStandWhereTheUserParksIsPostedAndKeptInTheFile) {
  writeFile(kFile, "EDDF\nEDDM\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  loadFrankfurt();
  // Standing still, 3 m from A2.
  start(at(kFraLat + 103 * kDegPerMetre, kFraLon, true));
  EXPECT_EQ(window.text(orv::WindowText::UserStand), "A2");

  std::thread simClient([] { orv::lf_reserveUserStand(); });
  simClient.join();
  EXPECT_EQ(readFile(kFile), "EDDF\nEDDM\n");  // not the simulator's thread's to write
  orv::gf_handleParkAirportRequests(run);
  EXPECT_EQ(readFile(kFile), "EDDF,A2\nEDDM\n");
  EXPECT_TRUE(logged(kFile + ":EDDF updated stand"));
  EXPECT_EQ(run.parkAirports.list.entries.front().reservedStand, "A2");
  orv::gf_handleParkAirportRequests(run);  // taken once
  EXPECT_EQ(loggedEnding("updated stand"), 1u);
}

TEST_F(ParkAirportRun, TheNearestStandIsWithin55MetresAndTheEarlierWinsATie) {
  for (const auto& [id, north] : {std::pair{"A1", 0.0}, std::pair{"A2", 40.0}, std::pair{"A3", 40.0}})
    orv::gf_parkStands().emplace_back(id, std::vector<orv::StandSchedule>{}, kFraLat + north * kDegPerMetre,
                                      kFraLon, 0.0, 20.0, false, false, false);
  orv::gf_publishStands();
  orv::NearestStandCache stands;
  EXPECT_EQ(stands.find(kFraLat + 15 * kDegPerMetre, kFraLon), "A1");
  EXPECT_EQ(stands.find(kFraLat + 30 * kDegPerMetre, kFraLon), "A2");
  EXPECT_EQ(stands.find(kFraLat + 94 * kDegPerMetre, kFraLon), "A2");
  EXPECT_EQ(stands.find(kFraLat + 96 * kDegPerMetre, kFraLon), "");
  EXPECT_EQ(stands.find(kFraLat - 56 * kDegPerMetre, kFraLon), "");
}

TEST_F(ParkAirportRun, ReReadingMovesAChangedReservation) {
  writeFile(kFile, "EDDF,A1\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  loadFrankfurt();
  EXPECT_EQ(orv::reservedStandName(run.park), "A1");
  EXPECT_TRUE(orv::gf_parkStands()[0].reservedForUser);
  EXPECT_EQ(window.text(orv::WindowText::ReservedStand), "A1");
  EXPECT_EQ(window.flag(orv::WindowFlag::ReservedStandFound), 1);

  writeFile(kFile, "EDDF,A3\n");
  std::string text;
  EXPECT_TRUE(orv::gf_checkReservedStands(run, true, text));
  EXPECT_EQ(text, "reserved stand changed from 'A1' to 'A3'");
  EXPECT_TRUE(logged(text));
  EXPECT_EQ(orv::reservedStandName(run.park), "A3");
  const auto& stands = orv::gf_parkStands();
  EXPECT_FALSE(stands[0].reservedForUser);
  EXPECT_TRUE(stands[2].reservedForUser);
  EXPECT_EQ(window.text(orv::WindowText::ReservedStand), "A3");

  EXPECT_FALSE(orv::gf_checkReservedStands(run, false, text));
  EXPECT_EQ(text, "park airports and stands are okay");

  writeFile(kFile, "EDDF,Z9\n");  // a stand the airport does not have
  EXPECT_TRUE(orv::gf_checkReservedStands(run, true, text));
  EXPECT_EQ(window.flag(orv::WindowFlag::ReservedStandFound), 0);
  EXPECT_TRUE(
      std::none_of(stands.begin(), stands.end(), [](const orv::Stand& s) { return s.reservedForUser; }));
}

TEST_F(ParkAirportRun, ADestinationIsListedAndHeldFirst) {
  testing_support::ScopedSetting<orv::EditParameter> destination{orv::cfg::DESTINATION, std::string("EDDS")};
  writeFile(kFile, "EDDF\nEDDM,M1\n");
  (void)orv::lf_readMyParkAirports(run.parkAirports.list, table);
  orv::gf_addParkAirportCmd(run, IcaoCode("EDDS"), {48.6899, 9.2220});
  EXPECT_EQ(readFile(kFile), "EDDF\nEDDM,M1\nEDDS\n");
  orv::gf_addParkAirportCmd(run, IcaoCode("EDDM"), {48.3538, 11.7861});
  EXPECT_EQ(readFile(kFile), "EDDF\nEDDM,M1\nEDDS\n");  // listed already, its stand kept
  const std::vector<std::pair<std::string, std::string>> expected{{"EDDM", "M1"}, {"EDDS", ""}, {"EDDF", ""}};
  EXPECT_EQ(entries(run.parkAirports.list), expected);

  // A re-read keeps the destination first.
  std::string text;
  (void)orv::gf_checkReservedStands(run, true, text);
  EXPECT_EQ(run.parkAirports.list.entries.front().icao, IcaoCode("EDDS"));
}

TEST_F(ParkAirportRun, LeavingTakesTheAircraftOnTheGroundAndWithdrawsTheirQueuedCreations) {
  loadFrankfurt();
  enum class Outcome { Removed, Withdrawn, RemovedOnceCreated, Stays };
  struct Row {
    orv::FlightPhase phase;
    orv::SimState state;
    bool queued;  // its creation request still waits in the queue
    Outcome outcome;
    bool stacked = false;  // spawned, its request not yet made
  };
  using orv::FlightPhase;
  using orv::SimState;
  const std::vector<Row> rows{
      {FlightPhase::Parked, SimState::Active, false, Outcome::Removed},
      {FlightPhase::PushingBack, SimState::Active, false, Outcome::Removed},
      {FlightPhase::PushedBack, SimState::Adding2Sim, true, Outcome::Withdrawn},
      {FlightPhase::Taxi, SimState::Adding2Sim, false, Outcome::RemovedOnceCreated},
      {FlightPhase::Taxi, SimState::Adding2Sim, false, Outcome::Withdrawn, true},
      {FlightPhase::TakeOff, SimState::Active, false, Outcome::Removed},
      {FlightPhase::Parked, SimState::Buffer, false, Outcome::Stays},
      {FlightPhase::Flying, SimState::Active, false, Outcome::Stays},
      {FlightPhase::Parking, SimState::Active, false, Outcome::Stays},
      {FlightPhase::Birth, SimState::Adding2Sim, true, Outcome::Stays},
  };
  std::uint32_t key = 30001;
  for (const Row& row : rows) {
    orv::TrafficRecord record;
    record.callsign = "DLH7";  // one callsign for all: the requests are told apart by key
    record.position.address = key;
    orv::LiveAircraft& a = run.traffic.liveList.emplace_back(
        record.position, orv::gf_makeAircraftHead(record, orv::AircraftKind::Live), 100.0);
    a.phase = row.phase;
    a.state = row.state;
    a.objectId = row.state == SimState::Active ? key : 0;
    a.standId = 2;
    a.standPosition = {kFraLat, kFraLon};
    a.atStand = true;
    if (row.queued) {
      orv::SimCreateRequest request;
      request.callsign = record.callsign;
      request.key = key;
      run.traffic.liveCreations.push_back(request);
    }
    if (row.stacked) run.traffic.addingStack.push_back(key);
    ++key;
  }
  run.parking.wanted.resize(2);
  run.parking.removals.resize(1);

  orv::gf_clearParkAirport(run);

  std::vector<std::uint32_t> removed;
  std::vector<std::uint32_t> queued;
  for (const auto& request : run.traffic.liveCreations) queued.push_back(request.key);
  key = 30001;
  for (const Row& row : rows) {
    const orv::LiveAircraft* a = orv::gf_findLiveByKey(run.traffic.liveList, key);
    const std::string name = std::string(orv::gf_flightPhaseName(row.phase));
    switch (row.outcome) {
      case Outcome::Withdrawn:
        EXPECT_EQ(a, nullptr) << name;
        EXPECT_EQ(std::count(queued.begin(), queued.end(), key), 0) << name;
        EXPECT_EQ(std::count(run.traffic.addingStack.begin(), run.traffic.addingStack.end(), key), 0) << name;
        break;
      case Outcome::Removed:
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->state, SimState::RemovingFromSim) << name;
        removed.push_back(key);
        break;
      case Outcome::RemovedOnceCreated:
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->removeWhenCreated) << name;
        break;
      case Outcome::Stays:
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->state, row.state) << name;
        EXPECT_FALSE(a->removeWhenCreated) << name;
        if (row.queued) {
          EXPECT_EQ(std::count(queued.begin(), queued.end(), key), 1) << name;
        }
        break;
    }
    if (a != nullptr) {
      // Only what is still in the air or rolling onto its stand keeps the stand.
      const bool keeps = row.phase == FlightPhase::Flying || row.phase == FlightPhase::Parking ||
                         row.phase == FlightPhase::Birth;
      EXPECT_EQ(a->standId, keeps ? 2u : 0u) << name;
      EXPECT_EQ(a->atStand, keeps) << name;
      EXPECT_EQ(a->standPosition.latitude, keeps ? kFraLat : 0.0) << name;
    }
    ++key;
  }
  EXPECT_EQ(std::vector<std::uint32_t>(run.traffic.removalIds.begin(), run.traffic.removalIds.end()),
            removed);
  EXPECT_TRUE(run.parking.wanted.empty());
  EXPECT_TRUE(run.parking.removals.empty());
  EXPECT_FALSE(run.park.icao.has_value());
  EXPECT_FALSE(orv::gf_standsLoaded());
  EXPECT_FALSE(orv::gf_parkElevation().has_value());
  EXPECT_EQ(window.text(orv::WindowText::ParkAirport), "");
  EXPECT_EQ(window.count(orv::WindowCount::Stands), 0);
}

// --- the learned file -----------------------------------------------------------------------------

TEST_F(ParkAirportRun, TheLearnedFileLiesWhereTheNextLoadLooksAndBringsEveryParkingBack) {
  loadFrankfurt();
  auto& stands = orv::gf_parkStands();
  const orv::AirlineId airline = orv::gf_airlineId("DLH");
  const orv::ModelId model = orv::gf_modelId("A321");
  ASSERT_TRUE(orv::gf_addStandSchedule(stands[1].schedules, airline, model, {3, 20}, "DLH4_", "D-ABCD", 0));
  ASSERT_TRUE(orv::gf_addStandSchedule(stands[2].schedules, airline, model, {5, 40}, "DLH9", "D-ABCE", 1));
  ASSERT_TRUE(orv::gf_addStandSchedule(stands[2].schedules, airline, model, {6, 0}, "DLH9", "D-ABCE", 0));
  // Static parking holds the first one: in use, its sequence is 0.
  stands[1].schedules[0].sequence = 0;

  orv::gf_leaveParkAirport(run);
  const fs::path learned = orv::lf_learnedFilePath("airports/my_thirdparty/EDDF.xml", "Big Scenery");
  ASSERT_EQ(learned, fs::path("airports/learned/thirdparty/Big Scenery/EDDF.xml"));
  ASSERT_TRUE(fs::exists(learned));
  const auto lines = logBody();
  const std::string savedLine =
      " '" + testing_support::systemPath("airports/learned/thirdparty/Big Scenery/EDDF.xml") +
      "' saved with 3 updates";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&savedLine](const std::string& l) {
                            return l.size() > 8 &&
                                   std::regex_match(l.substr(0, 8), std::regex(R"(\d\d:\d\d:\d\d)")) &&
                                   l.substr(8) == savedLine;
                          }),
            1);
  const std::string saved = readFile(learned);
  EXPECT_EQ(saved.find("id=\"A1\""), std::string::npos) << saved;  // nothing learned there
  EXPECT_NE(saved.find("<parkpos id=\"A2\">"), std::string::npos) << saved;

  loadFrankfurt();
  ASSERT_EQ(stands.size(), 3u);
  EXPECT_EQ(stands[0].schedules.size(), 1u);  // the file's own, not doubled
  ASSERT_EQ(stands[1].schedules.size(), 1u);
  EXPECT_EQ(stands[1].schedules[0].registration, "D-ABCD");
  EXPECT_EQ(stands[1].schedules[0].callsign, "DLH4");
  EXPECT_EQ(stands[1].schedules[0].day, 3u);
  EXPECT_TRUE(stands[1].schedules[0].hours.test(20));
  ASSERT_EQ(stands[2].schedules.size(), 2u);
  EXPECT_EQ(stands[2].schedules[1].day, 6u);
  EXPECT_EQ(stands[2].schedules[0].cpl, 1u);

  // Nothing learned on this visit: the learned file is written again, with no update.
  orv::gf_leaveParkAirport(run);
  EXPECT_EQ(loggedEnding("EDDF.xml' saved with 0 updates"), 1u);
  loadFrankfurt();
  EXPECT_EQ(stands[2].schedules.size(), 2u);
}

TEST_F(ParkAirportRun, AHandmadeFileKeepsEveryStandInFull) {
  fs::create_directories("airports/learned/thirdparty/Big Scenery");
  writeFile("airports/learned/thirdparty/Big Scenery/EDDF.xml",
            standFile("Big Scenery", parkpos("H1", 0) + parkpos("H2", 100, opt("D-AIAB", 1, "4:5")),
                      "<parameter name=\"handmade\" value=\"true\"/>"));
  loadFrankfurt();
  ASSERT_TRUE(run.park.handmade);
  auto& stands = orv::gf_parkStands();
  ASSERT_EQ(stands.size(), 2u);
  EXPECT_EQ(window.flag(orv::WindowFlag::HandmadeFile), 1);
  ASSERT_TRUE(orv::gf_addStandSchedule(stands[0].schedules, orv::gf_airlineId("DLH"), orv::gf_modelId("A321"),
                                       {2, 7}, "DLH1", "D-AIAC", 0));

  orv::gf_leaveParkAirport(run);
  EXPECT_EQ(loggedEnding(" handmade '" +
                         testing_support::systemPath("airports/learned/thirdparty/Big Scenery/EDDF.xml") +
                         "' saved with 1 update"),
            1u);
  const std::string saved = readFile("airports/learned/thirdparty/Big Scenery/EDDF.xml");
  EXPECT_NE(saved.find("name=\"handmade\" value=\"true\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("name=\"Qf_real\""), std::string::npos) << saved;
  for (const std::string id : {"H1", "H2"})
    EXPECT_NE(saved.find("<parkpos id=\"" + id + "\" latitude="), std::string::npos) << saved;
  EXPECT_NE(saved.find("reg=\"D-AIAB\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("reg=\"D-AIAC\""), std::string::npos) << saved;

  loadFrankfurt();
  EXPECT_EQ(stands.size(), 2u);
  EXPECT_EQ(stands[0].schedules.size() + stands[1].schedules.size(), 2u);
}

TEST_F(ParkAirportRun, AnUnsafePublisherWritesNothingOutsideTheLearnedFolder) {
  for (const std::string publisher : {"../../..", "..\\..\\outside", "/tmp/x", "a/../../b"}) {
    loadFrankfurt(publisher);
    orv::gf_leaveParkAirport(run);
  }
  for (const std::string& file : filesBelow(".")) {
    if (!file.ends_with("EDDF.xml")) continue;
    EXPECT_TRUE(file.starts_with("airports/learned/thirdparty/") || file == "airports/my_thirdparty/EDDF.xml")
        << file;
  }
  EXPECT_EQ(filesBelow("airports/learned").size(), 4u);
}

TEST_F(ParkAirportRun, AFailedLoadWritesNothing) {
  struct Case {
    std::string file;
    std::string error;
  };
  const std::vector<Case> cases{
      {standFile("P", parkpos("A1", 0) + parkpos("A1", 50)), "94: Stand 'A1' appears more than once."},
      {standFile("P", "<parkpos latitude=\"50\"/>"), "93: Parking position #1 has no 'id' attribute."},
      {standFile("P", parkpos("A1", 0), "", false), "65: Parameter altitude not found"},
      {standFile("P", ""), "no stands found"},
      {"<root", testing_support::systemPath("airports/my_thirdparty/EDDF.xml") + ": could not load file: " +
                    testing_support::systemPath("airports/my_thirdparty/EDDF.xml")},
  };
  for (const Case& c : cases) {
    orv::gf_clearError();
    writeFile("airports/my_thirdparty/EDDF.xml", c.file);
    ASSERT_TRUE(orv::gf_setParkAirport(run, IcaoCode("EDDF")));
    EXPECT_EQ(orv::lf_readParkedFile(run), c.error);
    EXPECT_FALSE(orv::gf_standsLoaded()) << c.error;
    EXPECT_TRUE(run.parkAirports.failed.contains(IcaoCode("EDDF")));
    orv::gf_leaveParkAirport(run);
    EXPECT_TRUE(filesBelow("airports/learned").empty()) << c.error;
  }
}

}  // namespace
