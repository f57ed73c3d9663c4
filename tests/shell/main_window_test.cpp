#include "shell/main_window.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
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
#include "shell/main_window_state.h"
#include "shell/run_work.h"
#include "shell/window_layout.h"
#include "shell/window_output.h"
#include "simlink/dispatch.h"
#include "simlink/sim_ids.h"
#include "simlink/user_aircraft.h"
#include "support/picture_file.h"
#include "support/recorders.h"
#include "support/scoped_run_state.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/traffic_run.h"

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
    gf_fillFloatCombo(cfg::MAX_FIT_FL);
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
    gf_resetTickRequests();
    gf_setRealTrafficConnected(false);
    gf_setStaticParkingLoaded(false);
    gf_dropQueuedRunWork();  // what a test handed over reaches no later run
    gf_closeLog();
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
  // Kind, control id and rectangle of each control, from the window's table of controls: drop-down
  // lists at row - 5 (21 high), check boxes 12 x 12 at row + 2, buttons 20 and edit boxes 16 high.
  const std::pair<const char*, const char*> expected[] = {
      {"SIM_CHOICE", "combo 32789 5,114,110,135"},
      {"ALL_INSTALL_PATH", "edit 32788 111,119,1311,135"},
      {"SCAN_LIVERIES", "check 32798 5,149,17,161"},
      {"LIG_AUTOMATIC", "check 32799 217,149,229,161"},
      {"AI_PACKAGE_SELECTOR", "combo 32790 323,142,498,163"},
      {"LIG_PRIORITIZE", "check 32800 536,149,548,161"},
      {"ALWAYS_ON_TOP", "check 32771 748,149,760,161"},
      {"SCAN_AIRPORTS", "check 32802 5,177,17,189"},
      {"tblo.zip", "button 32804 217,175,297,195"},
      {"OBJECTID_LIST", "check 32775 652,177,664,189"},
      {"NAV_LIGHTS_WHILE_PARKED", "check 32774 748,177,760,189"},
      {"MATCHING_DEPTH", "combo 32808 217,198,257,219"},
      {"LIGHT_AIRCRAFT", "check 32809 323,205,335,217"},
      {"HELICOPTERS", "check 32810 430,205,442,217"},
      {"HIGH_PERF_AIRCRAFT", "check 32811 536,205,548,217"},
      {"AEROWINX", "check 32776 652,205,664,217"},
      {"GUID_CHANGES", "check 32773 748,205,760,217"},
      {"RANGE", "combo 32818 217,226,267,247"},
      {"AUTO_RANGE", "check 32819 323,233,335,245"},
      {"AR_ABOVE_HEIGHT", "combo 32820 455,226,525,247"},
      {"AIRBORNE_ONLY", "check 32821 572,233,584,245"},
      {"COLLISION_USER_GND", "check 32834 217,289,229,301"},
      {"COLLISION_USER_AIR", "check 32833 323,289,335,301"},
      {"COLLISION_LIVE_PARKED_GND", "check 32835 430,289,442,301"},
      {"BLOCK_CALLSIGN", "edit 32828 107,259,207,275"},
      {"Unblock", "button 32829 223,257,283,277"},
      {"cs->oid:", "button 32830 305,257,365,277"},
      {"CALLSIGN_2_OBJECTID", "combo 32831 375,254,475,275"},
      {"Block", "button 32832 576,257,636,277"},
      {"Now", "button 32847 111,313,156,333"},
      {"MAX_PARK_SEL", "combo 32848 323,310,378,331"},
      {"MAX_LIVE_SEL", "combo 32849 536,310,591,331"},
      {"DESTINATION", "edit 32839 217,343,267,359"},
      {"AIRP_RANGE", "combo 32840 353,338,398,359"},
      {"AIRP_HEIGHT", "combo 32841 566,338,636,359"},
      {"STRAIGHT_PBS_ONLY", "check 32855 652,317,664,329"},
      {"INITIAL_LOAD_ONLY", "check 32851 5,373,17,385"},
      {"WEEK", "check 32853 71,373,83,385"},
      {"PARK_SOFT", "check 32852 151,373,163,385"},
      {"parking_percentage", "combo 32850 323,366,373,387"},
      {"MAX_FIT_FL", "combo 32854 566,366,626,387"},
      {"Re-read", "button 32838 758,341,848,361"},
      {"Flush static", "button 32857 758,369,848,389"},
  };
  const auto lines = dump();
  int controls = 0;
  for (const std::string& line : lines) controls += line.starts_with("control ");
  EXPECT_EQ(controls, 43);
  for (const auto& [name, place] : expected) {
    const std::string head = fmt::format("control \"{}\" ", name);
    const auto found =
        std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(head); });
    ASSERT_NE(found, lines.end()) << name;
    EXPECT_EQ(found->substr(head.size(), std::string_view(place).size()), place) << *found;
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(head); }),
        1)
        << name;
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
      // The file the minute job writes.
      {"OBJECTID_LIST", true,
       "Every minute info about all active live aircraft is written to the file "
       "output/info/ObjectIdList.txt"},
      {"AEROWINX", true, "Aerowinx mode is only for users of the Aerowinx simulator: start Quillstar again"},
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
    // Without a notice only stored and saved; a path in a notice has the system's separators.
    EXPECT_EQ(message(), *c.notice ? testing_support::systemPath(c.notice) : "before") << c.name;
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

// With no RealTraffic connected in this run (AEROWINX on, or before it answered) a scan box
// restarts the run for its scan; the connected case runs as a whole program in WindowProcess.
TEST_F(MainWindow, ScansRestartTheRunWhileRealTrafficIsNotConnected) {
  for (const char* name : {"SCAN_AIRPORTS", "SCAN_LIVERIES"}) {
    const std::string what = std::string(name) == "SCAN_AIRPORTS" ? "airports" : "liveries";
    auto* box = dynamic_cast<CheckBoxParameter*>(gf_findControlPlace(name)->control);
    box->set(false);
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
  const std::pair<const char*, std::int32_t> fits[] = {{"1.5", 2}, {"24.0", 47}, {"0.5", 0}};
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

TEST_F(MainWindow, TheOtherSimulatorSwitchesTheVersionTheSameDoesNothing) {
  const auto combo = control("SIM_CHOICE");
  ui::resetItems(combo);
  for (const char16_t* item : {u"MSFS 2020", u"MSFS 2024"}) ui::addItem(combo, item);
  fs::create_directories("output");
  testing_support::writeFile("output/LiveriesScanned.xml", "<root/>");
  cfg::SIM_CHOICE.set("MSFS 2020");
  cfg::SCAN_LIVERIES.set(false);
  cfg::SCAN_AIRPORTS.set(false);
  cfg::ALL_INSTALL_PATH.set("/games/msfs");
  choose("SIM_CHOICE", "MSFS 2020");
  EXPECT_FALSE(gf_runStopRaised());
  EXPECT_TRUE(fs::exists("output/LiveriesScanned.xml"));
  choose("SIM_CHOICE", "MSFS 2024");
  EXPECT_EQ(cfg::SIM_CHOICE.value(), "MSFS 2024");
  EXPECT_EQ(saved("SIM_CHOICE"), "MSFS 2024");
  EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
  for (const char* scan : {"SCAN_LIVERIES", "SCAN_AIRPORTS"}) {
    EXPECT_EQ(saved(scan), "true") << scan;
    EXPECT_TRUE(ui::isChecked(control(scan))) << scan;
  }
  EXPECT_EQ(ui::windowText(control("ALL_INSTALL_PATH")), u"");
  EXPECT_EQ(message(), "Switching MSFS version in Quillstar");
  EXPECT_EQ(gf_runOutcome().reason, ExitReason::NewSettings);
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
  // By the step table: above 9 steps the hours grow faster than half an hour a step.
  const std::pair<std::int32_t, const char16_t*> fits[] = {
      {0, u"0.5"}, {2, u"1.5"}, {10, u"6.0"}, {30, u"15.0"}, {47, u"24.0"}};
  for (const auto& [fit, shown] : fits) {
    cfg::MAX_FIT.set(fit);
    gf_selectMaxFitCombo();
    EXPECT_EQ(ui::selectedItem(control("MAX_FIT_FL")), shown) << fit;
  }
  EXPECT_EQ(cfg::MAX_FIT_FL.value(), 24.0f);
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
  const auto image = testing_support::readPictureFile(png);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 880);
  EXPECT_EQ(image->height, 516);
  // The empty right end of each band has the band's colour; below the bands nothing paints.
  const std::pair<int, std::uint32_t> bands[] = {{14, 0x000000},  {60, 0x000000},  {200, 0x99CCFF},
                                                 {420, 0x000000}, {462, 0x32CD32}, {500, 0x000000}};
  for (const auto& [y, colour] : bands) EXPECT_EQ(image->at(878, y), colour) << y;
}

}  // namespace

namespace {

// The main-window state and the callsign list are the process's: a test that writes them gives
// the values back.
class ShownValuesGuard {
 public:
  ShownValuesGuard() : saved_(gf_mainWindowState().shown()), callsigns_(cfg::CALLSIGN_2_OBJECTID.choices()) {}
  ~ShownValuesGuard() {
    MainWindowState& state = gf_mainWindowState();
    for (std::size_t i = 0; i < kWindowLampCount; ++i)
      state.setLamp(static_cast<WindowLamp>(i), saved_.lamps[i]);
    for (std::size_t i = 0; i < kWindowCountCount; ++i)
      state.setCount(static_cast<WindowCount>(i), saved_.counts[i]);
    for (std::size_t i = 0; i < kWindowTextCount; ++i)
      state.setText(static_cast<WindowText>(i), saved_.texts[i]);
    for (std::size_t i = 0; i < kWindowFlagCount; ++i)
      state.setFlag(static_cast<WindowFlag>(i), saved_.flags[i]);
    for (std::size_t i = 0; i < kWindowValueCount; ++i)
      state.setValue(static_cast<WindowValue>(i), saved_.values[i]);
    state.setStaticCountdown(saved_.staticCountdown);
    cfg::CALLSIGN_2_OBJECTID.setChoices(*callsigns_);
  }
  ShownValuesGuard(const ShownValuesGuard&) = delete;
  ShownValuesGuard& operator=(const ShownValuesGuard&) = delete;

 private:
  ShownValues saved_;
  std::shared_ptr<const std::vector<std::string>> callsigns_;
};

// The lines of the dump that hold the text.
std::vector<std::string> linesWith(const std::vector<std::string>& lines, std::string_view text) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) found.push_back(line);
  return found;
}

TEST_F(MainWindow, TheStatusAndStatisticsBandsShowWhatTheRunReports) {
  const ShownValuesGuard guard;
  MainWindowState& state = gf_mainWindowState();
  const auto count = [&](WindowCount c, std::int64_t v) { return [&state, c, v] { state.setCount(c, v); }; };
  const auto text = [&](WindowText t, const std::string& v) {
    return [&state, t, v] { state.setText(t, v); };
  };
  const auto flag = [&](WindowFlag f, bool v) { return [&state, f, v] { state.setFlag(f, v); }; };
  const auto value = [&](WindowValue w, double v) { return [&state, w, v] { state.setValue(w, v); }; };
  const auto lamp = [&](WindowLamp l, std::int32_t v) { return [&state, l, v] { state.setLamp(l, v); }; };
  struct Case {
    std::vector<std::function<void()>> set;
    const char* where;                  // what the lines that show the field hold
    std::vector<std::string> expected;  // all of them
  };
  const Case cases[] = {
      {{count(WindowCount::Liveries, 0)}, "text 5,91 ", {"text 5,91 #FF0000 \"# liveries: ...\""}},
      {{count(WindowCount::Liveries, 11)}, "text 5,91 ", {"text 5,91 #32CD32 \"# liveries: 11\""}},
      // The QNH shows while RealTraffic is known and the weather reader runs or stalls.
      {{lamp(WindowLamp::RealTrafficKnown, 1), lamp(WindowLamp::QnhReader, 1), count(WindowCount::Qnh, 1013)},
       "text 642,63 ",
       {"text 642,63 #32CD32 \"qnh: 1013\""}},
      {{lamp(WindowLamp::RealTrafficKnown, 1), lamp(WindowLamp::QnhReader, 2), count(WindowCount::Qnh, 985)},
       "text 642,63 ",
       {"text 642,63 #32CD32 \"qnh:  985\""}},
      {{lamp(WindowLamp::RealTrafficKnown, 1), lamp(WindowLamp::QnhReader, 1), count(WindowCount::Qnh, 0)},
       "text 642,63 ",
       {"text 642,63 #32CD32 \"qnh:     \""}},
      {{lamp(WindowLamp::RealTrafficKnown, 1), lamp(WindowLamp::QnhReader, 3), count(WindowCount::Qnh, 1013)},
       "text 642,63 ",
       {}},
      {{lamp(WindowLamp::RealTrafficKnown, 0), lamp(WindowLamp::QnhReader, 1), count(WindowCount::Qnh, 1013)},
       "text 642,63 ",
       {}},
      // No park airport: its line shows only the learned updates.
      {{text(WindowText::ParkAirport, ""), text(WindowText::ParkAirportQuality, "80/35"),
        count(WindowCount::LearnedUpdates, 17)},
       ",399 ",
       {"text 748,399 #32CD32 \"# updates:   17\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::ParkedDataRead, true)},
       "text 5,399 ",
       {"text 5,399 #32CD32 \"EDDF\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::ParkedDataRead, false)},
       "text 5,399 ",
       {"text 5,399 #FFFF00 \"EDDF\""}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ParkAirportName, "Frankfurt Main"),
        text(WindowText::ParkAirportDetail, "Stock"), flag(WindowFlag::HandmadeFile, true),
        count(WindowCount::WeekNumber, 48)},
       "text 90,399 ",
       {"text 90,399 #32CD32 \" Frankfurt Main, Stock (h), wk=48\""}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ParkAirportName, "Frankfurt Main"),
        text(WindowText::ParkAirportDetail, "Stock"), flag(WindowFlag::HandmadeFile, false),
        count(WindowCount::WeekNumber, 2)},
       "text 90,399 ",
       {"text 90,399 #32CD32 \" Frankfurt Main, Stock, wk=2\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::WeekPass, true),
        flag(WindowFlag::SoftPass, true)},
       "text 370,399 ",
       {"text 370,399 #32CD32 \"*WS*\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::WeekPass, false),
        flag(WindowFlag::SoftPass, true)},
       "text 370,399 ",
       {"text 370,399 #32CD32 \"*S*\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::WeekPass, true),
        flag(WindowFlag::SoftPass, false)},
       "text 370,399 ",
       {"text 370,399 #32CD32 \"*W*\""}},
      {{text(WindowText::ParkAirport, "EDDF"), flag(WindowFlag::WeekPass, false),
        flag(WindowFlag::SoftPass, false)},
       "text 370,399 ",
       {}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ParkAirportQuality, "80/35")},
       "text 430,399 ",
       {"text 430,399 #32CD32 \"qf: 80/35\""}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ReservedStand, "V155"),
        flag(WindowFlag::ReservedStandFound, true)},
       "text 571,399 ",
       {"text 571,399 #32CD32 \"reserved stand: V155\""}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ReservedStand, "V155"),
        flag(WindowFlag::ReservedStandFound, false)},
       "text 571,399 ",
       {"text 571,399 #FF0000 \"reserved stand: V155\""}},
      {{text(WindowText::ParkAirport, "EDDF"), text(WindowText::ReservedStand, "")}, "text 571,399 ", {}},
      {{count(WindowCount::LearnedUpdates, 17)},
       "text 748,399 ",
       {"text 748,399 #32CD32 \"# updates:   17\""}},
      {{count(WindowCount::Stands, 58)}, "text 5,423 ", {"text 5,423 #32CD32 \"# stands:  58\""}},
      {{count(WindowCount::ParkedLive, 4)}, "text 111,423 ", {"text 111,423 #32CD32 \"parked live:   4\""}},
      {{value(WindowValue::AverageFitStatic, 3.5)},
       "text 249,423 ",
       {"text 249,423 #32CD32 \"average fit: 3.5\""}},
      {{value(WindowValue::AverageFitStatic, 4.0)},
       "text 249,423 ",
       {"text 249,423 #32CD32 \"average fit: 4\""}},
      {{value(WindowValue::AverageFitStatic, -1.0)},
       "text 249,423 ",
       {"text 249,423 #32CD32 \"average fit: \""}},
      {{count(WindowCount::Static, 31), count(WindowCount::ActiveStatic, 29)},
       "text 430,423 ",
       {"text 430,423 #32CD32 \"static:  31\""}},
      {{count(WindowCount::Static, 31), count(WindowCount::ActiveStatic, 29)},
       "text 500,423 ",
       {"text 500,423 #FFFF00 \" (29)\""}},
      {{value(WindowValue::AverageFitLive, 2.5)}, "text 571,423 ", {"text 571,423 #32CD32 \" (2.5)\""}},
      {{value(WindowValue::AverageFitLive, -1.0)}, "text 571,423 ", {}},
      {{count(WindowCount::WantedParked, 25), count(WindowCount::WantedPercent, 43)},
       "text 708,423 ",
       {"text 708,423 #32CD32 \"max park:  25 (=43 %)\""}},
      {{count(WindowCount::WantedParked, 0)}, "text 708,423 ", {"text 708,423 #32CD32 \"no max park live\""}},
  };
  for (const Case& c : cases) {
    for (const auto& set : c.set) set();
    EXPECT_EQ(linesWith(dump(), c.where), c.expected)
        << c.where << (c.expected.empty() ? "" : c.expected.front());
  }
}

}  // namespace

namespace {

TEST_F(MainWindow, TheCallsignListFillsTheDropDownAfterAnEmptyEntry) {
  const ShownValuesGuard guard;
  const testing_support::ScopedSetting chosen(cfg::CALLSIGN_2_OBJECTID, std::string("BAW1"));
  gf_mainWindowState().setCallsigns({"DLH4", "BAW1", "EZY9"});
  const std::string combo = "control \"CALLSIGN_2_OBJECTID\" combo 32831 375,254,475,275 enabled ";
  EXPECT_TRUE(dumpHas(combo + "\"BAW1\" items=4"));
  EXPECT_EQ(*cfg::CALLSIGN_2_OBJECTID.choices(), (std::vector<std::string>{"", "DLH4", "BAW1", "EZY9"}));
  gf_mainWindowState().setCallsigns({"", "DLH4"});  // the empty entry is there once
  EXPECT_TRUE(dumpHas(combo + "none items=2"));     // the chosen aircraft has left
  gf_mainWindowState().setCallsigns({});
  EXPECT_TRUE(dumpHas(combo + "none items=1"));
}

// A live aircraft of the run at the distance north of the user aircraft.
LiveAircraft& addLive(TrafficRun& run, std::uint32_t key, SimState state, double distanceNm,
                      FlightPhase phase = FlightPhase::Flying) {
  TrafficRecord record;
  record.callsign = fmt::format("QS{}", key);
  record.position.address = key;
  LiveAircraft& a = run.traffic.liveList.emplace_back(record.position,
                                                      gf_makeAircraftHead(record, AircraftKind::Live), 100.0);
  const UserAcPosition user = gf_userAcBlock().position;
  a.state = state;
  a.phase = phase;
  a.objectId = state == SimState::Active ? key - 30000 : 0;
  a.latitude = user.latitude + distanceNm / 60.0;
  a.longitude = user.longitude;
  return a;
}

// A run with the simulator side and the window recorded, for the work the window hands over.
struct RecordedRun {
  testing_support::RecordingSimSide sim;
  testing_support::RecordingWindow view;
  TrafficRun run{sim, view, false};
};

TEST_F(MainWindow, MaxLiveRemovesTheFarthestAircraftAtTheNextCycle) {
  RecordedRun r;
  // 14 in the simulator, 1 to 14 nm away in no order; one farther still not created yet.
  for (const double nm : {3.0, 14.0, 1.0, 7.0, 12.0, 2.0, 9.0, 13.0, 4.0, 6.0, 11.0, 5.0, 8.0, 10.0})
    addLive(r.run, 30000 + static_cast<std::uint32_t>(nm), SimState::Active, nm);
  addLive(r.run, 30050, SimState::Adding2Sim, 50.0);
  cfg::MAX_LIVE_SEL.set(500);
  choose("MAX_LIVE_SEL", "10");
  EXPECT_EQ(cfg::MAX_LIVE_SEL.value(), 10);
  EXPECT_EQ(saved("MAX_LIVE_SEL"), "10");
  EXPECT_TRUE(r.run.traffic.removalIds.empty()) << "the live list is the start-up thread's";
  EXPECT_EQ(gf_queuedRunWorkCount(), 1u);
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(r.run.traffic.removalIds, (std::deque<std::uint32_t>{14, 13, 12, 11}));
  for (const LiveAircraft& a : r.run.traffic.liveList) {
    const bool removed = a.key >= 30011 && a.key <= 30014;
    EXPECT_EQ(a.state == SimState::RemovingFromSim, removed) << a.key;
  }
  EXPECT_EQ(r.run.traffic.liveList.back().state, SimState::Adding2Sim);
  // At or under the limit nothing goes.
  choose("MAX_LIVE_SEL", "500");
  choose("MAX_LIVE_SEL", "10");
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(r.run.traffic.removalIds.size(), 4u);
}

TEST_F(MainWindow, NavLightsSwitchOnParkedAircraftAtTheNextCycle) {
  RecordedRun r;
  addLive(r.run, 30001, SimState::Active, 1.0, FlightPhase::Parked);
  addLive(r.run, 30002, SimState::Active, 1.0, FlightPhase::Taxi);
  addLive(r.run, 30003, SimState::Adding2Sim, 1.0, FlightPhase::Parked);
  const AircraftHead head;
  r.run.parking.statics.emplace_back(head, 1, Position{}, 0.0, false).state = SimState::Buffer;
  StaticAircraft& created = r.run.parking.statics.emplace_back(head, 2, Position{}, 0.0, false);
  created.state = SimState::Active;
  created.objectId = 77;
  cfg::NAV_LIGHTS_WHILE_PARKED.set(false);
  click("NAV_LIGHTS_WHILE_PARKED");
  EXPECT_TRUE(cfg::NAV_LIGHTS_WHILE_PARKED.value());
  EXPECT_EQ(saved("NAV_LIGHTS_WHILE_PARKED"), "true");
  EXPECT_TRUE(r.sim.events.empty());
  click("NAV_LIGHTS_WHILE_PARKED");  // and off again before the cycle: both follow in order
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(r.sim.events, (std::vector<SimEvent>{{77, simid::kNavLightsSet, 1},
                                                 {1, simid::kNavLightsSet, 1},
                                                 {77, simid::kNavLightsSet, 0},
                                                 {1, simid::kNavLightsSet, 0}}));
}

TEST_F(MainWindow, ANewDestinationReachesTheParkAirportsAtTheNextCycle) {
  RecordedRun r;
  cfg::DESTINATION.set("");
  lf_setDestination("EDDF", Position{50.0333, 8.5706});
  EXPECT_EQ(message(), "New destination: EDDF");
  EXPECT_EQ(saved("DESTINATION"), "EDDF");
  EXPECT_EQ(gf_queuedRunWorkCount(), 1u) << "the park airports are the start-up thread's";
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(gf_queuedRunWorkCount(), 0u);
  type("DESTINATION", "eddf");  // the same again hands nothing over
  EXPECT_EQ(gf_queuedRunWorkCount(), 0u);
}

TEST_F(MainWindow, TheAutomaticRadiusFollowsAtTheNextCycleWhileStillOn) {
  RecordedRun r;
  const testing_support::ScopedRunState runState;  // the user's report raises the tick
  struct ForgetUser {
    ~ForgetUser() { gf_resetSimLink(); }
  } forget;
  UserAcBlock user;
  user.position.latitude = 50.0;
  user.position.longitude = 8.5;
  lf_onUserAcPosition(user);
  lf_onUserOnGround(1);
  cfg::AUTO_RANGE.set(false);
  cfg::RANGE.set(60);
  click("AUTO_RANGE");
  EXPECT_EQ(cfg::RANGE.value(), 60);
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(cfg::RANGE.value(), 10) << "on the ground";
  click("AUTO_RANGE");
  EXPECT_EQ(cfg::RANGE.value(), 60) << "the manual radius at once";
  click("AUTO_RANGE");
  click("AUTO_RANGE");  // off again before the cycle
  gf_doQueuedRunWork(r.run);
  EXPECT_EQ(cfg::RANGE.value(), 60);
}

TEST_F(MainWindow, FoldersOpenOrAWarningSaysWhy) {
  if constexpr (fs::path::preferred_separator == '\\')
    GTEST_SKIP() << "on Windows the folder goes to the shell's open verb (ShellExecuteW), which starts File "
                    "Explorer and takes no stand-in opener to record what it was given";
  // The file manager notes the folder it was given.
  const fs::path opener = folder.path() / "opener";
  testing_support::writeFile(opener,
                             "#!/bin/sh\necho \"$1\" >> \"" + (folder.path() / "opened").string() + "\"\n");
  fs::permissions(opener, fs::perms::owner_all);
  fs::create_directories(gf_parametersPath().parent_path());
  testing_support::writeFile(gf_parametersPath(), "<root/>\n");
  {
    const testing_support::ScopedEnv env("QUILLSTAR_FOLDER_OPENER", opener.string());
    EXPECT_TRUE(gf_openParametersFolder());
    EXPECT_FALSE(gf_openManual()) << "no manual in docs";
    fs::create_directories("docs");
    testing_support::writeFile("docs/Manual.pdf", "%PDF");
    EXPECT_TRUE(gf_openManual());
  }
  EXPECT_EQ(
      testing_support::readLines(folder.path() / "opened"),
      (std::vector<std::string>{gf_parametersPath().parent_path().string(), fs::absolute("docs").string()}));
  {
    const testing_support::ScopedEnv env("QUILLSTAR_FOLDER_OPENER", "false");
    EXPECT_FALSE(gf_openParametersFolder());
  }
  const auto lines = dump();
  EXPECT_EQ(linesWith(lines, "warning "),
            (std::vector<std::string>{"warning \"QLST\" \"Could not open local folder with Manual\"",
                                      "warning \"QLST\" \"Could not open folder with parameters.xml\""}));
}

}  // namespace

namespace {

// The pixels of the picture within the rectangle whose colour is near the given one.
int pixelsNear(const fs::path& png, ui::Rect r, std::uint32_t rgb) {
  const auto image = testing_support::readPictureFile(png);
  int found = 0;
  if (image) {
    const auto near = [](std::uint32_t a, std::uint32_t b, int shift) {
      return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) < 40;
    };
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const std::uint32_t p = image->at(x, y);
        found += near(p, rgb, 16) && near(p, rgb, 8) && near(p, rgb, 0);
      }
    }
  }
  return found;
}

TEST_F(MainWindow, ThePictureDrawsTheBandsTexts) {
  const ShownValuesGuard guard;
  const fs::path png = folder.path() / "window.png";
  const ui::Rect liveries{5, 91, 130, 106};
  const ui::Rect stands{5, 423, 100, 438};
  for (const auto& [count, colour] : {std::pair<std::int64_t, std::uint32_t>{0, 0xFF0000}, {11, 0x32CD32}}) {
    gf_mainWindowState().setCount(WindowCount::Liveries, count);
    (void)dump();  // a new frame
    ASSERT_TRUE(gf_writeWindowPng(window, png));
    EXPECT_GT(pixelsNear(png, liveries, colour), 20) << count;
    EXPECT_EQ(pixelsNear(png, liveries, colour == 0xFF0000 ? 0x32CD32 : 0xFF0000), 0) << count;
    EXPECT_GT(pixelsNear(png, stands, 0x32CD32), 20) << "# stands";
  }
}

}  // namespace

namespace {

TEST_F(MainWindow, AChosenCallsignShowsItsObjectAtTheNextTickWithoutANewList) {
  const ShownValuesGuard guard;
  const ScopedWindowView shown(gf_mainWindowState());  // as the program registers it
  const testing_support::ScopedSetting chosen(cfg::CALLSIGN_2_OBJECTID, std::string());
  gf_mainWindowState().setCallsigns({"DLH4", "BAW1"});
  gf_mainWindowState().setText(WindowText::CsToOid, "= 51");
  choose("CALLSIGN_2_OBJECTID", "BAW1");
  EXPECT_EQ(cfg::CALLSIGN_2_OBJECTID.value(), "BAW1");
  EXPECT_EQ(saved("CALLSIGN_2_OBJECTID"), "(absent)");
  EXPECT_EQ(gf_mainWindowState().shown().text(WindowText::CsToOid), "");
  EXPECT_TRUE(gf_tickRequests().csToOidPending);
  EXPECT_FALSE(gf_tickRequests().csToOid) << "the list is not made again";
}

}  // namespace

namespace {

TEST_F(MainWindow, AControlTheWindowLacksIsLoggedWhenItsValueIsShown) {
  const ui::WindowHandle destination = cfg::DESTINATION.window();
  cfg::DESTINATION.setWindow({});
  gf_showTextParameter(cfg::DESTINATION, cfg::DESTINATION);
  gf_showIntParameter(cfg::RANGE);  // one that is there
  cfg::DESTINATION.setWindow(destination);
  gf_flushLog();
  const auto lines = testing_support::logBody();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "GetDlgItem failed for ID 32839"), 1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.starts_with("GetDlgItem failed"); }),
            1);
}

}  // namespace
