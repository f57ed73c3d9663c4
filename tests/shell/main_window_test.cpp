#include "shell/main_window.h"

#include <cairo.h>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "foundation/utf.h"
#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/message_box.h"
#include "shell/commands.h"
#include "shell/main_cycle.h"
#include "shell/window_layout.h"
#include "shell/window_output.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;

// Every setting a control can change, as it was before the test.
class SavedSettings {
 public:
  SavedSettings() {
    for (const ControlPlace& place : gf_controlPlaces()) {
      if (auto* b = dynamic_cast<BoolParameter*>(place.control)) bools_.emplace_back(b, b->value());
      if (auto* i = dynamic_cast<IntParameter*>(place.control)) ints_.emplace_back(i, i->value());
      if (auto* s = dynamic_cast<StringParameter*>(place.control)) strings_.emplace_back(s, s->value());
    }
    for (StringParameter* s : {&cfg::MSFS_INSTALL_PATH, &cfg::MSFS_2024_INSTALL_PATH})
      strings_.emplace_back(s, s->value());
    maxFit_ = cfg::MAX_FIT.value();
    maxFitHours_ = cfg::MAX_FIT_FL.value();
  }
  ~SavedSettings() {
    for (auto& [p, v] : bools_) p->set(v);
    for (auto& [p, v] : ints_) p->set(v);
    for (auto& [p, v] : strings_) p->set(v);
    cfg::MAX_FIT.set(maxFit_);
    cfg::MAX_FIT_FL.set(maxFitHours_);
  }

 private:
  std::vector<std::pair<BoolParameter*, bool>> bools_;
  std::vector<std::pair<IntParameter*, std::int32_t>> ints_;
  std::vector<std::pair<StringParameter*, std::string>> strings_;
  std::int32_t maxFit_;
  float maxFitHours_;
};

// The real window procedure in a temporary per-user folder, every control enabled as a run
// would have them, and everything process-wide given back afterwards.
class MainWindow : public testing::Test {
 protected:
  MainWindow() {
    gf_openLog();
    ui::clearShownMessageBoxes();
    ui::WindowSpec spec;
    spec.text = u"Quillstar";
    spec.rect = ui::Rect{400, 20, 1280, 536};
    spec.proc = lf_WndProc;
    window = ui::createWindow(std::move(spec));
    for (const ControlPlace& place : gf_controlPlaces()) ui::setEnabled(place.control->window(), true);
    for (ComboIntParameter* p : gf_intComboList()) gf_fillIntCombo(*p);
    gf_fillIntCombo(cfg::PARKING_PERCENTAGE);
    fillMaxFit();
    ui::pumpUntilIdle();
  }
  ~MainWindow() override {
    ui::destroyWindow(window);
    for (const ControlPlace& place : gf_controlPlaces()) place.control->setWindow({});
    gf_setMainWindow({});
    ui::pumpUntilIdle();
    ui::clearShownMessageBoxes();
    gf_resetMessageState();
    gf_resetRunControl();
    TickRequests& r = gf_tickRequests();
    for (auto* flag :
         {&r.flushStatic, &r.reread, &r.csToOid, &r.block, &r.noLiveryReset, &r.parkingUpdateInProgress})
      *flag = false;
    gf_setRealTrafficConnected(false);
    gf_closeLog();
  }

  static void fillMaxFit() {
    const auto combo = cfg::MAX_FIT_FL.window();
    ui::resetItems(combo);
    for (float h : cfg::MAX_FIT_FL.choices()) ui::addItem(combo, utf8_to_wide(fmt::format("{}", h)));
  }

  static ui::WindowHandle control(std::string_view name) {
    const ControlPlace* place = gf_findControlPlace(name);
    return place ? place->control->window() : ui::WindowHandle{};
  }
  void click(std::string_view name) {
    ASSERT_TRUE(ui::click(control(name))) << name;
    ui::pumpUntilIdle();
  }
  void choose(std::string_view name, std::string_view item) {
    ASSERT_TRUE(ui::choose(control(name), utf8_to_wide(item))) << name << " " << item;
    ui::pumpUntilIdle();
  }
  void type(std::string_view name, std::string_view text) {
    ASSERT_TRUE(ui::type(control(name), utf8_to_wide(text))) << name;
    ui::pumpUntilIdle();
  }
  std::vector<std::string> dump() {
    ui::invalidate(window);
    ui::pumpUntilIdle();
    std::vector<std::string> lines;
    std::string text = gf_windowText(window);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  bool dumpHas(const std::string& line) {
    const auto lines = dump();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // The line of a text drawn with that content, or empty.
  std::string textLine(std::string_view content) {
    const std::string quoted = fmt::format("\"{}\"", content);
    for (const std::string& line : dump())
      if (line.starts_with("text ") && line.ends_with(quoted)) return line;
    return {};
  }
  static std::string saved(std::string_view key) {
    const std::string file = testing_support::readFile(gf_parametersPath());
    const std::string open = fmt::format("name=\"{}\" value=\"", key);
    const auto at = file.find(open);
    if (at == std::string::npos) return "(absent)";
    const auto from = at + open.size();
    return file.substr(from, file.find('"', from) - from);
  }
  static std::string message() { return gf_messageLines().message; }

  testing_support::WorkingFolder folder;
  SavedSettings settings;
  ui::WindowHandle window;
};

TEST_F(MainWindow, EveryControlSitsAtItsPlace) {
  const auto lines = dump();
  int controls = 0;
  for (const std::string& line : lines) controls += line.starts_with("control ");
  EXPECT_EQ(controls, 43);
  for (const char* line : {
           "control \"SIM_CHOICE\" combo 32789 5,114,110,135 enabled \"MSFS 2020\" items=0",
           "control \"ALWAYS_ON_TOP\" check 32771 748,",
           "control \"tblo.zip\" button 32804 217,175,297,195 enabled \"tblo.zip\"",
           "control \"DESTINATION\" edit 32839 217,343,267,359 enabled \"\"",
           "control \"MAX_FIT_FL\" combo 32854 566,366,626,387 enabled",
       }) {
    bool found = false;
    for (const std::string& l : lines)
      found = found || l.starts_with(std::string(line).substr(0, std::string(line).find(" enabled")));
    EXPECT_TRUE(found) << line;
  }
  EXPECT_EQ(lines.front(), "window \"Quillstar\" 880x516 at 400,20 topmost=0");
}

TEST_F(MainWindow, BandsTitleAndMessageLine) {
  for (const char* line :
       {"fill 0,0,880,28 #000000 title", "fill 0,28,880,112 #000000 status",
        "fill 0,112,880,392 #99CCFF options", "fill 0,392,880,448 #000000 statistics",
        "fill 0,448,881,477 #32CD32 message", "text 3,7 #32CD32 \"Version 11.12.1\"",
        "text 390,7 #32CD32 \"Quillstar\"", "line 0,28,880,28 #FFFFFF", "line 0,308,880,308 #000000"})
    EXPECT_TRUE(dumpHas(line)) << line;
  gf_setError("no \"sim\"\\here");
  EXPECT_TRUE(dumpHas("fill 0,448,881,477 #FF0000 message"));
  EXPECT_TRUE(dumpHas("text 3,455 #FFFF00 \"no \\\"sim\\\"\\\\here\""));
}

TEST_F(MainWindow, LabelColoursFollowTheSettings) {
  struct Case {
    std::int32_t park, live;
    const char* parkColour;
    const char* liveColour;
  } cases[] = {{0, 100, "#FFFF00", "#000000"},
               {0, 0, "#FF0000", "#FF0000"},
               {10, 0, "#000000", "#FFFF00"},
               {500, 500, "#000000", "#000000"}};
  for (const Case& c : cases) {
    cfg::MAX_PARK_SEL.set(c.park);
    cfg::MAX_LIVE_SEL.set(c.live);
    EXPECT_EQ(textLine("Max park (static+live):"),
              fmt::format("text 171,315 {} \"Max park (static+live):\"", c.parkColour));
    EXPECT_EQ(textLine("Max live (park incl):"),
              fmt::format("text 401,315 {} \"Max live (park incl):\"", c.liveColour));
  }
  cfg::AIRBORNE_ONLY.set(true);
  EXPECT_NE(textLine("AirOnly").find("#FFFF00"), std::string::npos);
  cfg::AIRBORNE_ONLY.set(false);
  EXPECT_NE(textLine("AirOnly").find("#000000"), std::string::npos);
  ui::setEnabled(control("LIGHT_AIRCRAFT"), false);
  EXPECT_NE(textLine("Light aircraft").find("#A0A0A0"), std::string::npos);
}

struct BoxCase {
  const char* name;
  bool to;             // the value after the click
  const char* notice;  // the message line afterwards; "" for cleared
};

TEST_F(MainWindow, CheckBoxesStoreSaveAndAnnounce) {
  const BoxCase cases[] = {
      {"LIG_AUTOMATIC", false, "The liveries defined by your lfolder parameters will be scanned"},
      {"LIG_PRIORITIZE", true,
       "Liveries, for airl+model, in lower lfolders that are already available will be skipped"},
      {"COLLISION_LIVE_PARKED_GND", false,
       "Be aware, live aircraft may collide with (run through) static parked on the ground"},
      {"COLLISION_USER_GND", false,
       "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the "
       "ground"},
      {"COLLISION_USER_AIR", false,
       "Be aware, user aircraft may collide with (run through) live aircraft in the air"},
      {"INITIAL_LOAD_ONLY", true,
       "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes"},
      {"ALWAYS_ON_TOP", true, "Quillstar's window will remain visible"},
      {"GUID_CHANGES", false,
       "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
      {"AIRBORNE_ONLY", true,
       "Be aware, airborne live traffic only!  (greater than 300 ft above ground ...)"},
      {"PARK_SOFT", true, ""},
      {"WEEK", true, ""},
      {"STRAIGHT_PBS_ONLY", false, ""},
      {"LIGHT_AIRCRAFT", false, ""},
      {"HELICOPTERS", false, ""},
      {"HIGH_PERF_AIRCRAFT", false, ""},
  };
  for (const BoxCase& c : cases) {
    auto* box = dynamic_cast<CheckBoxParameter*>(gf_findControlPlace(c.name)->control);
    box->set(!c.to);
    ui::setCheck(box->window(), !c.to);
    gf_setMessage("before");
    click(c.name);
    EXPECT_EQ(box->value(), c.to) << c.name;
    EXPECT_EQ(ui::isChecked(box->window()), c.to) << c.name;
    EXPECT_EQ(saved(c.name), c.to ? "true" : "false") << c.name;
    EXPECT_EQ(message(), *c.notice ? c.notice : "before")
        << c.name;  // without a notice only stored and saved
    click(c.name);  // and back
    EXPECT_EQ(box->value(), !c.to) << c.name;
    EXPECT_EQ(message(), *c.notice ? "" : "before") << c.name;
    EXPECT_EQ(saved(c.name), c.to ? "false" : "true") << c.name;
  }
}

TEST_F(MainWindow, CheckBoxesSwitchTheirControls) {
  cfg::LIG_AUTOMATIC.set(false);
  click("LIG_AUTOMATIC");
  EXPECT_TRUE(ui::isEnabled(control("AI_PACKAGE_SELECTOR")));
  click("LIG_AUTOMATIC");
  EXPECT_FALSE(ui::isEnabled(control("AI_PACKAGE_SELECTOR")));
  cfg::INITIAL_LOAD_ONLY.set(false);
  click("INITIAL_LOAD_ONLY");
  EXPECT_FALSE(ui::isEnabled(control("Now")));
  click("INITIAL_LOAD_ONLY");
  EXPECT_TRUE(ui::isEnabled(control("Now")));
  cfg::ALWAYS_ON_TOP.set(false);
  click("ALWAYS_ON_TOP");
  EXPECT_TRUE(ui::isTopmost(window));
  EXPECT_EQ(dump().front(), "window \"Quillstar\" 880x516 at 400,20 topmost=1");
  cfg::AUTO_RANGE.set(false);
  cfg::RANGE.set(60);
  click("AUTO_RANGE");  // no user aircraft reported yet: the radius stays until it is
  EXPECT_EQ(cfg::RANGE.value(), 60);
  gf_setRange(25);  // as the automatic radius would
  EXPECT_FALSE(ui::isEnabled(control("RANGE")));
  EXPECT_TRUE(ui::isEnabled(control("AR_ABOVE_HEIGHT")));
  click("AUTO_RANGE");  // the manual radius comes back
  EXPECT_EQ(cfg::RANGE.value(), 60);
  EXPECT_TRUE(ui::isEnabled(control("RANGE")));
}

TEST_F(MainWindow, ScansRestartTheRunUnlessRealTrafficIsConnected) {
  for (const char* name : {"SCAN_AIRPORTS", "SCAN_LIVERIES"}) {
    const std::string what = std::string(name) == "SCAN_AIRPORTS" ? "airports" : "liveries";
    auto* box = dynamic_cast<CheckBoxParameter*>(gf_findControlPlace(name)->control);
    box->set(false);
    gf_setRealTrafficConnected(true);
    click(name);
    EXPECT_EQ(message(), fmt::format("Your {} will be scanned at the next start of Quillstar", what));
    EXPECT_FALSE(gf_runStopRaised());
    box->set(false);
    gf_setRealTrafficConnected(false);  // as with AEROWINX on: RealTraffic never connects
    click(name);
    EXPECT_EQ(message(), fmt::format("Your {} will be scanned", what));
    EXPECT_TRUE(gf_runStopRaised());
    EXPECT_EQ(gf_runOutcome().reason, ExitReason::NewSettings);
    EXPECT_EQ(gf_runOutcome().restartSeconds, 2);
    gf_resetRunControl();
  }
}

TEST_F(MainWindow, DropDownsStoreAndRequest) {
  cfg::MATCHING_DEPTH.set(2);
  choose("MATCHING_DEPTH", "3");
  EXPECT_EQ(cfg::MATCHING_DEPTH.value(), 3);
  EXPECT_EQ(saved("MATCHING_DEPTH"), "3");
  EXPECT_TRUE(gf_tickRequests().noLiveryReset.exchange(false));
  choose("MATCHING_DEPTH", "2");
  EXPECT_FALSE(gf_tickRequests().noLiveryReset);
  const std::pair<const char*, std::int32_t> fits[] = {{"1.5", 2}, {"24", 47}, {"0.5", 0}};
  for (const auto& [hours, fit] : fits) {
    choose("MAX_FIT_FL", hours);
    EXPECT_EQ(cfg::MAX_FIT.value(), fit) << hours;
    EXPECT_EQ(saved("MAX_FIT"), std::to_string(fit)) << hours;
  }
  for (const char* name : {"MAX_PARK_SEL", "AIRP_RANGE", "AIRP_HEIGHT", "AR_ABOVE_HEIGHT", "MAX_LIVE_SEL"}) {
    auto* p = dynamic_cast<ComboIntParameter*>(gf_findControlPlace(name)->control);
    choose(name, "1");
    EXPECT_EQ(p->value(), p->choices()[1]) << name;
    EXPECT_EQ(saved(name), std::to_string(p->choices()[1])) << name;
  }
  choose("RANGE", "5");
  EXPECT_EQ(gf_rangeMeters(), cfg::RANGE.value() * 1852);
}

TEST_F(MainWindow, SameSimulatorAgainDoesNothing) {
  const auto combo = control("SIM_CHOICE");
  ui::resetItems(combo);
  for (const char16_t* item : {u"MSFS 2020", u"MSFS 2024"}) ui::addItem(combo, item);
  cfg::SIM_CHOICE.set("MSFS 2020");
  choose("SIM_CHOICE", "MSFS 2020");
  EXPECT_FALSE(gf_runStopRaised());
  choose("SIM_CHOICE", "MSFS 2024");
  EXPECT_EQ(cfg::SIM_CHOICE.value(), "MSFS 2024");
  EXPECT_EQ(saved("SIM_CHOICE"), "MSFS 2024");
  EXPECT_EQ(gf_runOutcome().restartSeconds, 3);
}

TEST_F(MainWindow, BlockCallsign) {
  cfg::BLOCK_CALLSIGN.set("");
  ui::setEnabled(control("Unblock"), false);
  type("BLOCK_CALLSIGN", "ab1");
  EXPECT_EQ(message(), "callsign 'ab1' is not valid");
  EXPECT_EQ(ui::windowText(control("BLOCK_CALLSIGN")), u"");  // the stored value again
  EXPECT_FALSE(gf_tickRequests().block);
  type("BLOCK_CALLSIGN", "dlh4ab");
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), "DLH4AB");
  EXPECT_EQ(saved("BLOCK_CALLSIGN"), "DLH4AB");
  EXPECT_TRUE(ui::isEnabled(control("Unblock")));
  EXPECT_TRUE(gf_tickRequests().block.exchange(false));
  type("BLOCK_CALLSIGN", "DLH4AB");
  EXPECT_EQ(message(), "callsign 'DLH4AB' was already set ...");
  click("Unblock");
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), "");
  EXPECT_EQ(message(), "no more blocking of live aircraft 'DLH4AB'");
  EXPECT_FALSE(ui::isEnabled(control("Unblock")));
  EXPECT_TRUE(gf_tickRequests().block);
}

TEST_F(MainWindow, BlockButtonIgnoresAnEmptyCallsign) {
  cfg::CALLSIGN_2_OBJECTID.set("");
  cfg::BLOCK_CALLSIGN.set("");
  click("Block");
  EXPECT_FALSE(gf_tickRequests().block);
  EXPECT_FALSE(ui::isEnabled(control("Block")));
  cfg::CALLSIGN_2_OBJECTID.set("SWR12");
  ui::setEnabled(control("Block"), true);
  click("Block");
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), "SWR12");
  EXPECT_TRUE(gf_tickRequests().block);
}

TEST_F(MainWindow, Destination) {
  cfg::DESTINATION.set("");
  type("DESTINATION", "ed-f");
  EXPECT_EQ(message(), "destination 'ed-f' is not valid");
  type("DESTINATION", "");
  EXPECT_EQ(message(), "destination set to empty");
  EXPECT_EQ(saved("DESTINATION"), "");
  EXPECT_TRUE(ui::isEnabled(control("Re-read")));
  lf_setDestination("EDDF", Position{});
  EXPECT_EQ(message(), "New destination: EDDF");
  EXPECT_EQ(saved("DESTINATION"), "EDDF");
  EXPECT_FALSE(ui::isEnabled(control("Re-read")));
  type("DESTINATION", "eddf");
  EXPECT_EQ(message(), "destination 'EDDF' was already set ...");
}

TEST_F(MainWindow, CommunityPath) {
  cfg::SIM_CHOICE.set("MSFS 2020");
  const fs::path packages = folder.path() / "Packages";
  fs::create_directories(packages / "Community");
  type("ALL_INSTALL_PATH", (packages / "Community").string() + "/");
  EXPECT_EQ(cfg::MSFS_INSTALL_PATH.value(), packages.string());
  EXPECT_EQ(message(), "Community path found, Quillstar will restart ...");
  EXPECT_EQ(gf_runOutcome().reason, ExitReason::NewSettings);
  EXPECT_EQ(gf_runOutcome().restartSeconds, 3);
  gf_resetRunControl();
  type("ALL_INSTALL_PATH", (folder.path() / "nowhere").string());
  EXPECT_EQ(message(),
            fmt::format("This install path does not exist: {}", (folder.path() / "nowhere").string()));
  fs::create_directories(folder.path() / "MyCommunity");
  type("ALL_INSTALL_PATH", (folder.path() / "MyCommunity").string());
  EXPECT_EQ(message(), "This path exists but is not a path to Community ...");
  EXPECT_FALSE(gf_runStopRaised());
}

TEST_F(MainWindow, ButtonsRaiseTheirRequests) {
  click("Re-read");
  EXPECT_TRUE(gf_tickRequests().reread);
  EXPECT_FALSE(ui::isEnabled(control("Re-read")));
  EXPECT_FALSE(ui::isEnabled(control("DESTINATION")));
  click("Flush static");
  EXPECT_TRUE(gf_tickRequests().flushStatic);
  EXPECT_EQ(message(), "All static parked aircraft will be removed ...");
  click("cs->oid:");
  EXPECT_TRUE(gf_tickRequests().csToOid);
  EXPECT_FALSE(ui::isEnabled(control("Block")));
  click("tblo.zip");  // no tblo.zip here
  ASSERT_EQ(ui::shownMessageBoxes().size(), 1u);
  EXPECT_TRUE(dumpHas("warning \"QLST\" \"Could not open File Explorer at tblo.zip.\""));
  EXPECT_FALSE(ui::click(control("Re-read")));  // disabled now
}

TEST_F(MainWindow, ParkingControlsBracketAnUpdate) {
  gf_disableParkingControls();
  EXPECT_TRUE(gf_tickRequests().parkingUpdateInProgress);
  for (const char* name : {"parking_percentage", "WEEK", "PARK_SOFT", "MAX_FIT_FL", "MAX_PARK_SEL",
                           "MAX_LIVE_SEL", "Flush static", "Re-read"})
    EXPECT_FALSE(ui::isEnabled(control(name))) << name;
  EXPECT_NE(textLine("Airport parking").find("#FFFF00"), std::string::npos);
  gf_enableParkingControls();
  EXPECT_FALSE(gf_tickRequests().parkingUpdateInProgress);
  for (const char* name : {"parking_percentage", "WEEK", "MAX_LIVE_SEL", "Re-read"})
    EXPECT_TRUE(ui::isEnabled(control(name))) << name;
}

TEST_F(MainWindow, SetRangeClampsAndSelects) {
  gf_setRange(7);
  EXPECT_EQ(cfg::RANGE.value(), 7);
  EXPECT_EQ(ui::selectedItem(control("RANGE")), u"8");
  EXPECT_EQ(gf_rangeMeters(), 7 * 1852);
  gf_setRange(500);
  EXPECT_EQ(cfg::RANGE.value(), 100);
  EXPECT_EQ(gf_rangeNm(), 100.0);
  gf_setRange(0.5);
  EXPECT_EQ(cfg::RANGE.value(), 2);
}

TEST_F(MainWindow, MaxFitShowsItsHours) {
  cfg::MAX_FIT.set(2);
  gf_selectMaxFitCombo();
  EXPECT_EQ(cfg::MAX_FIT_FL.value(), 1.5f);
  EXPECT_EQ(ui::selectedItem(control("MAX_FIT_FL")), u"1.5");
}

TEST(AutoRadius, ByHeightAndDistance) {
  struct Case {
    bool ground;
    double altitude, height, distance;
    std::int32_t radius;
  } cases[] = {
      {true, 40000, 40000, 0, 10},   {false, 1000, 500, 7.0, 10},  {false, 1000, 500, 7.1, 8},
      {false, 1000, 500, 37, 40},    {false, 1000, 500, 34.6, 35}, {false, 1000, 500, 12.4, 12},
      {false, 1000, 500, 10000, 40}, {false, 60000, 500, 3, 100},  {false, 20000, 20000, 3, 40},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gf_autoRadius(c.ground, c.altitude, c.height, c.distance), c.radius)
        << c.distance << " " << c.altitude;
}

}  // namespace

namespace {

TEST_F(MainWindow, ThePlaceStaysOnTheMonitor) {
  const std::pair<ui::Point, ui::Point> cases[] = {
      {{400, 20}, {400, 20}}, {{1900, 1030}, {1872, 992}}, {{-2000, -900}, {-832, -468}}, {{0, 0}, {0, 0}}};
  for (const auto& [from, to] : cases)
    EXPECT_EQ(gf_placeOnMonitor(from.x, from.y), to) << from.x << "," << from.y;
  cfg::MAIN_WINDOW_X.set(30000);
  cfg::MAIN_WINDOW_Y.set(30000);
  lf_keepWindowOnMonitor(400, 20);  // the ends of the range are no place: the fallback
  EXPECT_EQ(cfg::MAIN_WINDOW_X.value(), 400);
  EXPECT_EQ(cfg::MAIN_WINDOW_Y.value(), 20);
  EXPECT_EQ(saved("MAIN_WINDOW_X"), "400");
}

TEST_F(MainWindow, UiCommandLines) {
  EXPECT_TRUE(gf_runUiCommand(window, "click \"Flush static\""));
  EXPECT_TRUE(gf_runUiCommand(window, "choose MATCHING_DEPTH 1"));
  EXPECT_TRUE(gf_runUiCommand(window, "type BLOCK_CALLSIGN swr 123"));
  for (const char* refused : {"click Flush static", "click \"Flush static", "click NOPE",
                              "choose MATCHING_DEPTH 9", "press Now", "", "type", "click \"Flush static\"x"})
    EXPECT_FALSE(gf_runUiCommand(window, refused)) << refused;
  ui::pumpUntilIdle();
  EXPECT_TRUE(gf_tickRequests().flushStatic);
  EXPECT_EQ(cfg::MATCHING_DEPTH.value(), 1);
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), "SWR 123");
  const WindowOutputOptions options = gf_windowOutputOptions(std::vector<std::string_view>{
      "quillstar", "--snapshot", "a.png", "--production", "--ui-commands", "cmds", "--window-text"});
  EXPECT_EQ(options.png, fs::path("a.png"));
  EXPECT_EQ(options.commands, fs::path("cmds"));
  EXPECT_FALSE(options.text);  // no file after it
}

// The font caches the picture filled count as leaks unless freed before the process ends.
class ReleaseDrawingCaches : public testing::Environment {
 public:
  void TearDown() override { gf_releaseDrawingCaches(); }
};
[[maybe_unused]] testing::Environment* const releaseDrawingCaches =
    testing::AddGlobalTestEnvironment(new ReleaseDrawingCaches);

TEST_F(MainWindow, ThePictureHasTheWindowsSizeAndBands) {
  ui::invalidate(window);
  ui::pumpUntilIdle();
  const fs::path png = folder.path() / "window.png";
  ASSERT_TRUE(gf_writeWindowPng(window, png));
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(image), 880);
  EXPECT_EQ(cairo_image_surface_get_height(image), 516);
  const auto pixel = [image](int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(image);
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(image));
    return row[x] & 0xFFFFFF;  // 0xRRGGBB
  };
  // The empty right end of each band has the band's colour; below the bands nothing paints.
  const std::pair<int, std::uint32_t> bands[] = {{14, 0x000000},  {60, 0x000000},  {200, 0x99CCFF},
                                                 {420, 0x000000}, {462, 0x32CD32}, {500, 0x000000}};
  for (const auto& [y, colour] : bands) EXPECT_EQ(pixel(878, y), colour) << y;
  cairo_surface_destroy(image);
}

}  // namespace
