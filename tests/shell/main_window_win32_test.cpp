// The main window as the program shows it on Windows: its procedure in a real Win32 window with
// Windows' own controls, used through the real message loop.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/parameter_controls.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "shell/main_cycle.h"
#include "shell/main_window.h"
#include "shell/main_window_state.h"
#include "shell/window_layout.h"
#include "shell/window_output.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;

// The real window procedure in a temporary working folder, every control enabled as a run would
// have them; the settings a test changes are given back.
class RealMainWindow : public testing::Test {
 protected:
  RealMainWindow() {
    gf_openLog();
    ui::WindowSpec spec;
    spec.className = u"Quillstar";
    spec.text = u"Quillstar";
    spec.rect = ui::Rect{400, 20, 1280, 536};
    spec.proc = lf_WndProc;
    window = ui::createWindow(std::move(spec));
    for (const ControlPlace& place : gf_controlPlaces()) ui::setEnabled(place.control->window(), true);
    for (ComboIntParameter* p : gf_intComboList()) gf_fillIntCombo(*p);
    ui::pumpUntilIdle();
  }
  ~RealMainWindow() override {
    cfg::ALWAYS_ON_TOP.set(alwaysOnTop);
    cfg::MATCHING_DEPTH.set(matchingDepth);
    cfg::BLOCK_CALLSIGN.set(blockCallsign);
    ui::destroyWindow(window);
    for (const ControlPlace& place : gf_controlPlaces()) place.control->setWindow({});
    gf_setMainWindow({});
    ui::pumpUntilIdle();
    gf_resetMessageState();
    gf_resetRunControl();
    gf_tickRequests().flushStatic = false;
    gf_closeLog();
  }

  static ui::WindowHandle control(std::string_view name) {
    const ControlPlace* place = gf_findControlPlace(name);
    return place ? place->control->window() : ui::WindowHandle{};
  }

  testing_support::WorkingFolder folder;
  const bool alwaysOnTop = cfg::ALWAYS_ON_TOP.value();
  const std::int32_t matchingDepth = cfg::MATCHING_DEPTH.value();
  const std::string blockCallsign = cfg::BLOCK_CALLSIGN.value();
  ui::WindowHandle window;
};

TEST_F(RealMainWindow, EveryControlIsAWindowsControlAtItsIdAndPlace) {
  ASSERT_TRUE(window);
  EXPECT_EQ(gf_controlPlaces().size(), 43u);
  for (const ControlPlace& place : gf_controlPlaces()) {
    const WindowControl& c = *place.control;
    const ui::WindowHandle handle = ui::findChild(window, c.controlId());
    ASSERT_TRUE(handle) << place.name;
    EXPECT_EQ(handle, c.window()) << place.name;
    EXPECT_EQ(ui::controlKind(handle), c.kind()) << place.name;
    const ui::Rect expected = gf_controlRect(place);
    const ui::Rect r = ui::windowRect(handle).value_or(ui::Rect{});
    EXPECT_EQ(r.left, expected.left) << place.name;
    EXPECT_EQ(r.top, expected.top) << place.name;
    EXPECT_EQ(r.width(), expected.width()) << place.name;
    // A drop-down list's box is as high as its font makes it.
    if (c.kind() != ui::ControlKind::ComboBox) {
      EXPECT_EQ(r.height(), expected.height()) << place.name;
    }
  }
}

TEST_F(RealMainWindow, ClicksChoicesAndTypingReachTheirHandlersThroughTheMessageLoop) {
  cfg::ALWAYS_ON_TOP.set(false);
  ui::setCheck(control("ALWAYS_ON_TOP"), false);
  ASSERT_TRUE(ui::click(control("Flush static")));
  ASSERT_TRUE(ui::click(control("ALWAYS_ON_TOP")));
  ASSERT_TRUE(ui::choose(control("MATCHING_DEPTH"), u"1"));
  ui::pumpUntilIdle();
  EXPECT_TRUE(gf_tickRequests().flushStatic);
  EXPECT_TRUE(cfg::ALWAYS_ON_TOP.value());
  EXPECT_TRUE(ui::isChecked(control("ALWAYS_ON_TOP")));  // the handler checks the plain box
  EXPECT_TRUE(ui::isTopmost(window));                    // and puts the window on top
  EXPECT_EQ(cfg::MATCHING_DEPTH.value(), 1);
  // The subclassed edit box hands Enter to the program, which stores the callsign.
  ASSERT_TRUE(ui::type(control("BLOCK_CALLSIGN"), u"swr 123"));
  ui::pumpUntilIdle();
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), "SWR 123");
  EXPECT_EQ(ui::windowText(control("BLOCK_CALLSIGN")), u"SWR 123");
}

TEST_F(RealMainWindow, CommandLinesFollowedInAFileDriveTheWindow) {
  using namespace std::chrono_literals;
  cfg::MATCHING_DEPTH.set(2);
  const fs::path file = folder.path() / "commands.txt";
  testing_support::writeFile(file, "click \"Flush static\"\n");
  const UiCommandFollower follower(file, window);
  const auto pumpedUntil = [](const std::function<bool()>& condition) {
    return testing_support::waitFor(
        [&condition] {
          ui::pumpUntilIdle();
          return condition();
        },
        5s);
  };
  EXPECT_TRUE(pumpedUntil([] { return gf_tickRequests().flushStatic.load(); }));
  // A line added later is taken too, and only once its end has come.
  {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << "choose MATCHING_DEPTH 1";
  }
  std::this_thread::sleep_for(200ms);
  ui::pumpUntilIdle();
  EXPECT_NE(cfg::MATCHING_DEPTH.value(), 1);
  {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << "\n";
  }
  EXPECT_TRUE(pumpedUntil([] { return cfg::MATCHING_DEPTH.value() == 1; }));
}

// The width and height from a PNG file's header chunk; zero when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return {0, 0};
  if (header[0] != 0x89 || std::string(header + 1, header + 4) != "PNG") return {0, 0};
  const auto word = [&header](int at) {
    return (std::uint32_t{header[at]} << 24) | (std::uint32_t{header[at + 1]} << 16) |
           (std::uint32_t{header[at + 2]} << 8) | std::uint32_t{header[at + 3]};
  };
  return {word(16), word(20)};
}

TEST_F(RealMainWindow, ThePictureAndTheTextShowTheRealWindow) {
  ui::invalidate(window);
  ui::pumpUntilIdle();
  const fs::path png = folder.path() / "window.png";
  ASSERT_TRUE(gf_writeWindowPng(window, png));
  EXPECT_EQ(pngSize(png), (std::pair<std::uint32_t, std::uint32_t>{880, 516}));
  const std::string text = gf_windowText(window);
  EXPECT_NE(text.find("control \"tblo.zip\" button 32804 217,175,297,195"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Scan for liveries\""), std::string::npos) << text;
}

}  // namespace
