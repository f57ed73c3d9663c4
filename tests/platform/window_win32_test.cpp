// The real Win32 window behind the window interface: Windows' own controls, message loop,
// placement and picture, driven the way the program drives them.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/message_box.h"
#include "platform/ui/paint.h"
#include "platform/ui/picture.h"
#include "platform/ui/window.h"

namespace {

using namespace std::chrono_literals;

constexpr ui::MessageId kGiveUp = ui::WM_APP + 90;  // the watchdog's message: end the loop
constexpr ui::MessageId kEndSession = 0x0016;       // WM_ENDSESSION
constexpr ui::MessageId kBmClick = 0x00F5;          // BM_CLICK

// A top-level window whose procedure records the commands and closes it receives, paints two
// bands, answers the controls' background colour and ends the loop on kGiveUp.
class RealWindow : public testing::Test {
 protected:
  RealWindow() {
    ui::WindowSpec spec;
    spec.className = u"QuillstarTestWindow";
    spec.text = u"Quillstar test";
    spec.rect = ui::Rect{100, 80, 980, 596};
    spec.proc = [this](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam lp) -> ui::LResult {
      switch (id) {
        case ui::WM_COMMAND:
          commands.push_back({ui::commandControlId(wp), ui::commandCode(wp)});
          return 0;
        case ui::WM_CLOSE:
          ++closes;
          ui::postQuitMessage(3);
          return 0;
        case ui::WM_PAINT: {
          ui::PaintContext dc = ui::beginPaint(w);
          dc.fillRect(ui::Rect{0, 0, 880, 28}, ui::rgb(0, 0, 0), "title");
          dc.fillRect(ui::Rect{0, 28, 880, 476}, ui::rgb(153, 204, 255), "options");
          dc.textOut(3, 7, u"Version 1.2.3", ui::rgb(50, 205, 50));
          ui::endPaint(dc);
          return 0;
        }
        case ui::WM_CTLCOLORSTATIC:
        case ui::WM_CTLCOLOREDIT:
          return static_cast<ui::LResult>(ui::rgb(153, 204, 255));
        case kGiveUp:
          ui::postQuitMessage(-1);
          return 0;
        default:
          return ui::defWindowProc(w, id, wp, lp);
      }
    };
    window = ui::createWindow(std::move(spec));
  }
  ~RealWindow() override {
    ui::destroyWindow(window);
    drain();
  }

  ui::WindowHandle control(ui::ControlKind kind, int id, ui::Rect rect, bool enabled = true) {
    ui::ControlSpec spec;
    spec.kind = kind;
    spec.parent = window;
    spec.controlId = id;
    spec.rect = rect;
    spec.enabled = enabled;
    if (kind == ui::ControlKind::Button) spec.text = u"Now";
    if (kind == ui::ControlKind::Edit) spec.proc = ui::defEditProc;
    return ui::createControl(std::move(spec));
  }

  // Runs the message loop until the quit message; a watchdog ends it after five seconds.
  int runLoop() {
    std::atomic<bool> done{false};
    std::thread watchdog([this, &done] {
      for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(50ms);
      if (!done) ui::postMessage(window, kGiveUp);
    });
    ui::Message m;
    while (ui::getMessage(m)) ui::dispatchMessage(m);
    done = true;
    watchdog.join();
    return static_cast<int>(m.wParam);
  }

  // Takes what is left, the quit message included, so that the next test starts empty.
  static void drain() {
    ui::pumpUntilIdle();
    ui::postQuitMessage(0);
    ui::Message m;
    while (ui::getMessage(m)) ui::dispatchMessage(m);
  }

  struct Command {
    int id;
    std::uint16_t code;
    bool operator==(const Command&) const = default;
  };
  std::vector<Command> commands;
  int closes = 0;
  ui::WindowHandle window;
};

TEST_F(RealWindow, AClickReachesTheCommandHandlerThroughTheMessageLoop) {
  ASSERT_TRUE(window);
  const auto button = control(ui::ControlKind::Button, 32804, ui::Rect{217, 175, 297, 195});
  const auto box = control(ui::ControlKind::CheckBox, 32771, ui::Rect{748, 149, 760, 161});
  const auto disabled = control(ui::ControlKind::Button, 32829, ui::Rect{223, 257, 283, 277}, false);
  ASSERT_TRUE(button && box && disabled);
  EXPECT_TRUE(ui::click(button));
  EXPECT_TRUE(ui::click(box));
  EXPECT_FALSE(ui::click(disabled));  // takes no input
  // A click as the mouse gives it, posted to the control: its own procedure tells the parent.
  EXPECT_TRUE(ui::postMessage(button, kBmClick));
  ui::postMessage(window, ui::WM_CLOSE);
  EXPECT_EQ(runLoop(), 3);
  EXPECT_EQ(commands, (std::vector<Command>{
                          {32804, ui::BN_CLICKED}, {32771, ui::BN_CLICKED}, {32804, ui::BN_CLICKED}}));
  // A plain check box leaves its state to the program.
  EXPECT_FALSE(ui::isChecked(box));
}

TEST_F(RealWindow, ControlsSitAtTheirIdsAndRectanglesWithTheirKinds) {
  struct Case {
    ui::ControlKind kind;
    int id;
    ui::Rect rect;
  };
  const Case cases[] = {
      {ui::ControlKind::ComboBox, 32789, ui::Rect{5, 114, 110, 135}},
      {ui::ControlKind::Edit, 32788, ui::Rect{111, 119, 1311, 135}},
      {ui::ControlKind::CheckBox, 32798, ui::Rect{5, 149, 17, 161}},
      {ui::ControlKind::Button, 32830, ui::Rect{305, 257, 365, 277}},
  };
  for (const Case& c : cases) {
    const auto handle = control(c.kind, c.id, c.rect);
    ASSERT_TRUE(handle) << c.id;
    EXPECT_EQ(ui::findChild(window, c.id), handle);
    EXPECT_EQ(ui::controlKind(handle), c.kind);
    const auto state = ui::controlState(handle);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->controlId, c.id);
    const ui::Rect r = ui::windowRect(handle).value_or(ui::Rect{});
    EXPECT_EQ(r.left, c.rect.left) << c.id;
    EXPECT_EQ(r.top, c.rect.top) << c.id;
    EXPECT_EQ(r.width(), c.rect.width()) << c.id;
    // A drop-down list's box is as high as its font makes it; its list opens below.
    if (c.kind != ui::ControlKind::ComboBox) {
      EXPECT_EQ(r.height(), c.rect.height()) << c.id;
    }
  }
  EXPECT_FALSE(ui::findChild(window, 4711));
}

TEST_F(RealWindow, ControlStatesGoThroughWindowsOwnControls) {
  const auto combo = control(ui::ControlKind::ComboBox, 32808, ui::Rect{217, 198, 257, 219});
  const auto box = control(ui::ControlKind::CheckBox, 32809, ui::Rect{323, 205, 335, 217});
  ASSERT_TRUE(ui::addItem(combo, u"1"));
  ASSERT_TRUE(ui::addItem(combo, u"12"));
  ASSERT_TRUE(ui::addItem(combo, u"b"));
  EXPECT_EQ(ui::items(combo), (std::vector<std::u16string>{u"1", u"12", u"b"}));
  EXPECT_EQ(ui::selectExact(combo, u"12"), 1);
  EXPECT_EQ(ui::selectedItem(combo), u"12");
  EXPECT_EQ(ui::selectExact(combo, u"B"), -1);  // exact: case counts
  EXPECT_EQ(ui::selection(combo), -1);
  EXPECT_FALSE(ui::selectIndex(combo, 3));
  EXPECT_TRUE(ui::choose(combo, u"b"));
  EXPECT_TRUE(ui::resetItems(combo));
  EXPECT_TRUE(ui::items(combo).empty());
  EXPECT_TRUE(ui::setCheck(box, true));
  EXPECT_TRUE(ui::isChecked(box));
  EXPECT_FALSE(ui::setCheck(combo, true));  // not a check box
  EXPECT_TRUE(ui::setEnabled(box, false));
  EXPECT_FALSE(ui::isEnabled(box));
  ui::postMessage(window, ui::WM_CLOSE);
  runLoop();
  EXPECT_EQ(commands, (std::vector<Command>{{32808, ui::CBN_SELCHANGE}}));
}

TEST_F(RealWindow, ASubclassedEditBoxTakesEnterAndPassesTheRestOn) {
  const auto edit = control(ui::ControlKind::Edit, 32828, ui::Rect{107, 259, 207, 275});
  ASSERT_TRUE(edit);
  std::vector<std::u16string> entered;
  ui::WindowProc previous;
  previous = ui::setWindowProc(edit, [&](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam lp) {
    if (id == ui::WM_CHAR && wp == 13) {
      entered.push_back(ui::windowText(w).value_or(u"?"));
      return ui::LResult{0};
    }
    return previous(w, id, wp, lp);
  });
  ASSERT_TRUE(previous);
  // Typed keys go through the loop to the box's own procedure, which inserts them.
  for (const char16_t key : std::u16string(u"ed\r")) ui::postMessage(edit, ui::WM_CHAR, key);
  ui::postMessage(window, ui::WM_CLOSE);
  runLoop();
  ASSERT_TRUE(ui::type(edit, u"swr 123"));  // WM_SETTEXT with the text, then Enter
  EXPECT_EQ(entered, (std::vector<std::u16string>{u"ed", u"swr 123"}));
  EXPECT_EQ(ui::windowText(edit), u"swr 123");
  EXPECT_TRUE(ui::setWindowText(edit, u"EDDF"));
  EXPECT_EQ(ui::windowText(edit), u"EDDF");
}

TEST_F(RealWindow, ControlsChangeFromAnotherThreadWhileTheLoopRuns) {
  const auto edit = control(ui::ControlKind::Edit, 32788, ui::Rect{111, 119, 400, 135});
  const auto button = control(ui::ControlKind::Button, 32804, ui::Rect{217, 175, 297, 195}, false);
  std::thread worker([&] {
    ui::setWindowText(edit, u"D:\\MSFS\\Community");
    ui::setEnabled(button, true);
    ui::postMessage(window, ui::WM_CLOSE);
  });
  EXPECT_EQ(runLoop(), 3);
  worker.join();
  EXPECT_EQ(ui::windowText(edit), u"D:\\MSFS\\Community");
  EXPECT_TRUE(ui::isEnabled(button));
}

TEST_F(RealWindow, TheEndOfTheSessionClosesLikeTheCloseButton) {
  ui::sendMessage(window, kEndSession, 1, 0);
  EXPECT_EQ(closes, 1);
  ui::Message m;
  EXPECT_FALSE(ui::getMessage(m));  // the quit message the close posted waits for the loop
  EXPECT_EQ(static_cast<int>(m.wParam), 3);
  ui::sendMessage(window, kEndSession, 0, 0);  // the session goes on
  EXPECT_EQ(closes, 1);
}

TEST_F(RealWindow, PlacementTopmostAndShowStates) {
  ASSERT_EQ(ui::windowRect(window), (ui::Rect{100, 80, 980, 596}));
  ASSERT_FALSE(ui::monitors().empty());
  const ui::Monitor nearest = ui::nearestMonitor(ui::Rect{100, 80, 980, 596});
  EXPECT_EQ(nearest, ui::monitors().front());
  EXPECT_LE(nearest.area.left, 100);
  EXPECT_TRUE(ui::moveWindow(window, 140, 60));
  EXPECT_EQ(ui::windowRect(window), (ui::Rect{140, 60, 1020, 576}));
  EXPECT_TRUE(ui::setTopmost(window, true));
  EXPECT_TRUE(ui::isTopmost(window));
  EXPECT_TRUE(ui::setTopmost(window, false));
  EXPECT_FALSE(ui::isTopmost(window));
  ASSERT_TRUE(ui::setShowState(window, ui::ShowState::Minimised));
  EXPECT_EQ(ui::showState(window), ui::ShowState::Minimised);
  EXPECT_EQ(ui::normalRect(window), (ui::Rect{140, 60, 1020, 576}));
  ASSERT_TRUE(ui::setShowState(window, ui::ShowState::Normal));
  EXPECT_EQ(ui::showState(window), ui::ShowState::Normal);
  EXPECT_EQ(ui::windowRect(window), (ui::Rect{140, 60, 1020, 576}));
}

// A fresh folder for the pictures, removed at the end.
class PictureFolder {
 public:
  PictureFolder() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() / ("quillstar-window-" + std::to_string(stamp));
    std::filesystem::create_directories(path_);
  }
  ~PictureFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  PictureFolder(const PictureFolder&) = delete;
  PictureFolder& operator=(const PictureFolder&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The width and height from a PNG file's header chunk; zero when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return {0, 0};
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!std::equal(signature, signature + 8, header) || std::string(header + 12, header + 16) != "IHDR")
    return {0, 0};
  const auto word = [&header](int at) {
    return (std::uint32_t{header[at]} << 24) | (std::uint32_t{header[at + 1]} << 16) |
           (std::uint32_t{header[at + 2]} << 8) | std::uint32_t{header[at + 3]};
  };
  return {word(16), word(20)};
}

TEST_F(RealWindow, ThePictureIsAPngOfTheWholeWindow) {
  control(ui::ControlKind::Button, 32804, ui::Rect{217, 175, 297, 195});
  ui::invalidate(window);
  ui::pumpUntilIdle();
  const auto frame = ui::lastFrame(window);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->ops.size(), 3u);
  const PictureFolder folder;
  const auto png = folder.path() / "window.png";
  ASSERT_TRUE(ui::writeWindowPng(window, png));
  EXPECT_EQ(pngSize(png), (std::pair<std::uint32_t, std::uint32_t>{880, 516}));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "window.png.tmp"));
  // Read back: the painted bands and the button Windows drew on them.
  const auto picture = ui::readPng(png);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->width, 880);
  ASSERT_EQ(picture->height, 516);
  const auto count = [&picture](std::uint32_t rgb) {
    return std::count(picture->pixels.begin(), picture->pixels.end(), rgb);
  };
  EXPECT_GT(count(0x99CCFF), 300000);  // the options band, less the frame and the button
  EXPECT_GT(count(0x32CD32), 20);      // the version text
  // Where the client area starts: the first light-blue pixel of the middle column is the top of
  // the options band (client y 28 in this window), and of its row the left edge.
  int top = 0;
  while (top < 516 && picture->at(440, top) != 0x99CCFF) ++top;
  int left = 0;
  while (left < 880 && picture->at(left, top) != 0x99CCFF) ++left;
  top -= 28;
  ASSERT_GT(top, 0);  // below the caption
  int face = 0;       // the button's own pixels, not the band's
  for (int y = top + 178; y < top + 192; ++y)
    for (int x = left + 220; x < left + 294; ++x) face += picture->at(x, y) != 0x99CCFF;
  EXPECT_GT(face, 74 * 14 / 2);
  EXPECT_FALSE(ui::readPng(folder.path() / "missing.png"));
  ui::destroyWindow(window);
  EXPECT_FALSE(ui::writeWindowPng(window, folder.path() / "gone.png"));
}

TEST(RealWindowFailures, AThrowingProcedureIsLoggedAndWindowsAnswers) {
  std::vector<std::string> logged;
  ui::setMessageBoxLog([&logged](std::string_view line) { logged.emplace_back(line); });
  ui::WindowSpec spec;
  spec.proc = [](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam lp) -> ui::LResult {
    if (id == ui::WM_APP + 7 || id == ui::WM_PAINT) throw std::runtime_error("boom");
    return ui::defWindowProc(w, id, wp, lp);
  };
  const auto w = ui::createWindow(std::move(spec));
  ASSERT_TRUE(w);
  EXPECT_EQ(ui::sendMessage(w, ui::WM_APP + 7), 0);
  // A paint that failed still counts as done, or Windows would ask for it forever.
  ui::invalidate(w);
  ui::pumpUntilIdle();
  ui::destroyWindow(w);
  ui::setMessageBoxLog({});
  EXPECT_EQ(std::count(logged.begin(), logged.end(), "Window procedure failed on message 32775: boom"), 1);
  EXPECT_GE(std::count(logged.begin(), logged.end(), "Window procedure failed on message 15: boom"), 1);
  EXPECT_EQ(std::count_if(logged.begin(), logged.end(),
                          [](const std::string& l) { return !l.ends_with(": boom"); }),
            0);
}

TEST(RealWindowResources, TheTitleComesFromTheStringResources) {
  EXPECT_EQ(ui::loadString(ui::IDS_PRODUCT_NAME), u"Quillstar");
  EXPECT_FALSE(ui::loadString(4711));
}

TEST(RealWindowHandles, AWindowThatIsGoneTakesNothing) {
  const auto w = ui::createWindow(ui::WindowSpec{});
  ASSERT_TRUE(w);
  ASSERT_TRUE(ui::destroyWindow(w));
  EXPECT_FALSE(ui::isWindow(w));
  EXPECT_FALSE(ui::postMessage(w, ui::WM_APP + 1));
  EXPECT_FALSE(ui::postMessage(ui::WindowHandle{}, ui::WM_APP + 1));
  EXPECT_FALSE(ui::setWindowText(w, u"x"));
  EXPECT_FALSE(ui::windowText(w));
  EXPECT_FALSE(ui::destroyWindow(w));
}

}  // namespace
