#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/paint.h"
#include "platform/ui/window.h"

namespace {

// A parent that paints one fill and records the commands it receives, with one control of each kind.
class Driven : public testing::Test {
 protected:
  Driven() {
    ui::WindowSpec spec;
    spec.rect = ui::Rect{10, 20, 890, 536};
    spec.proc = [this](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam) -> ui::LResult {
      if (id == ui::WM_COMMAND) commands.push_back(wp);
      if (id == ui::WM_CLOSE) ++closes;
      if (id == ui::WM_PAINT) {
        auto dc = ui::beginPaint(w);
        dc.fillRect(ui::Rect{0, 0, 880, 28}, ui::rgb(0, 0, 0), "title");
        dc.line(0, 28, 880, 28, ui::rgb(255, 255, 255));
        dc.textOut(3, 7, u"Version " + std::u16string(1, static_cast<char16_t>(u'0' + paints++)),
                   ui::rgb(50, 205, 50));
        ui::endPaint(dc);
      }
      return 0;
    };
    parent = ui::createWindow(std::move(spec));
    check = make(ui::ControlKind::CheckBox, 1);
    combo = make(ui::ControlKind::ComboBox, 2);
    edit = make(ui::ControlKind::Edit, 3);
    button = make(ui::ControlKind::Button, 4);
    for (const char16_t* item : {u"2", u"10", u"100"}) ui::addItem(combo, item);
    ui::setWindowProc(edit, [this](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam lp) {
      if (id == ui::WM_CHAR && wp == 13) {
        entered.push_back(ui::windowText(w).value_or(u""));
        return ui::LResult{0};
      }
      return editDefault(w, id, wp, lp);
    });
    ui::pumpUntilIdle();
    commands.clear();
  }
  ~Driven() override {
    ui::destroyWindow(parent);
    ui::pumpUntilIdle();  // nothing of this window is left for the next test
  }

  ui::WindowHandle make(ui::ControlKind kind, int id) {
    ui::ControlSpec spec;
    spec.kind = kind;
    spec.parent = parent;
    spec.controlId = id;
    return ui::createControl(std::move(spec));
  }

  ui::WindowProc editDefault = ui::defEditProc;
  std::vector<ui::WParam> commands;
  std::vector<std::u16string> entered;
  int closes = 0;
  int paints = 0;
  ui::WindowHandle parent, check, combo, edit, button;
};

TEST_F(Driven, ClickAndChooseReachTheParentAsCommands) {
  EXPECT_TRUE(ui::click(check));
  EXPECT_TRUE(ui::click(button));
  EXPECT_TRUE(ui::choose(combo, u"100"));  // by its text
  EXPECT_TRUE(ui::choose(combo, u"1"));    // no item "1": the index
  EXPECT_FALSE(ui::choose(combo, u"3"));   // neither
  EXPECT_FALSE(ui::choose(combo, u"-1"));
  EXPECT_FALSE(ui::click(combo));
  ui::pumpUntilIdle();
  const std::vector<ui::WParam> expected{
      ui::commandWParam(1, ui::BN_CLICKED), ui::commandWParam(4, ui::BN_CLICKED),
      ui::commandWParam(2, ui::CBN_SELCHANGE), ui::commandWParam(2, ui::CBN_SELCHANGE)};
  EXPECT_EQ(commands, expected);
  EXPECT_EQ(ui::selection(combo), 1);
}

TEST_F(Driven, DisabledControlsRefuseInput) {
  for (auto control : {check, combo, edit, button}) ui::setEnabled(control, false);
  EXPECT_FALSE(ui::click(check));
  EXPECT_FALSE(ui::click(button));
  EXPECT_FALSE(ui::choose(combo, u"10"));
  EXPECT_FALSE(ui::type(edit, u"EDDF"));
  ui::pumpUntilIdle();
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(ui::selection(combo), -1);
  EXPECT_EQ(ui::windowText(edit), u"");
}

TEST_F(Driven, TypeReplacesTheTextThroughTheProcedureThenEnter) {
  ui::setWindowText(edit, u"old");
  EXPECT_TRUE(ui::type(edit, u"eddf"));
  EXPECT_TRUE(ui::type(edit, u""));
  EXPECT_EQ(entered, (std::vector<std::u16string>{u"eddf", u""}));
  ui::sendMessage(edit, ui::WM_CHAR, u'x', 0);  // the default edit procedure appends
  EXPECT_EQ(ui::windowText(edit), u"x");
}

TEST_F(Driven, CloseAsksTheWindowWhichStays) {
  EXPECT_TRUE(ui::close(parent));
  ui::pumpUntilIdle();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(ui::isWindow(parent));
}

TEST_F(Driven, EndPaintKeepsTheLastCompleteFrame) {
  const auto first = ui::lastFrame(parent);
  ASSERT_TRUE(first);
  ui::invalidate(parent);
  ui::pumpUntilIdle();
  const auto second = ui::lastFrame(parent);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->number, first->number + 1);
  ASSERT_EQ(second->ops.size(), 3u);
  EXPECT_EQ(second->ops[0].name, "title");
  EXPECT_EQ(second->ops[1].kind, ui::PaintOp::Kind::Line);
  EXPECT_NE(second->ops[2].text, first->ops[2].text);
  auto dc = ui::beginPaint(parent);  // a paint not ended leaves the frame as it was
  dc.fillRect(ui::Rect{}, 0);
  EXPECT_EQ(ui::lastFrame(parent)->ops, second->ops);
}

TEST_F(Driven, SubclassingReturnsThePreviousProcedure) {
  int calls = 0;
  ui::WindowProc previous =
      ui::setWindowProc(button, [&calls](ui::WindowHandle, ui::MessageId, ui::WParam, ui::LParam) {
        ++calls;
        return ui::LResult{7};
      });
  EXPECT_TRUE(previous);
  EXPECT_EQ(ui::sendMessage(button, ui::WM_APP), 7);
  ui::setWindowProc(button, previous);
  EXPECT_EQ(ui::sendMessage(button, ui::WM_APP), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(ui::setWindowProc(ui::WindowHandle(999999), {}));
}

TEST_F(Driven, MinimisedAndMaximisedKeepTheNormalRectangle) {
  const ui::Rect normal{10, 20, 890, 536};
  ui::setShowState(parent, ui::ShowState::Minimised);
  EXPECT_NE(ui::windowRect(parent), normal);
  EXPECT_EQ(ui::normalRect(parent), normal);
  ui::setShowState(parent, ui::ShowState::Maximised);
  EXPECT_EQ(ui::windowRect(parent), (ui::Rect{0, 0, 1920, 1040}));
  EXPECT_EQ(ui::normalRect(parent), normal);
  ui::setShowState(parent, ui::ShowState::Normal);
  EXPECT_EQ(ui::windowRect(parent), normal);
  EXPECT_FALSE(ui::isTopmost(parent));
  ui::setTopmost(parent, true);
  EXPECT_TRUE(ui::isTopmost(parent));
}

// Replaces the monitors for one test.
class ScopedMonitors {
 public:
  explicit ScopedMonitors(std::vector<ui::Monitor> list) : previous_(ui::setMonitors(std::move(list))) {}
  ~ScopedMonitors() { ui::setMonitors(previous_); }

 private:
  std::vector<ui::Monitor> previous_;
};

TEST(Monitors, OneByDefaultAndTheNearestOfSeveral) {
  const ui::Monitor main{ui::Rect{0, 0, 1920, 1080}, ui::Rect{0, 0, 1920, 1040}};
  EXPECT_EQ(ui::monitors(), std::vector<ui::Monitor>{main});
  const ui::Monitor right{ui::Rect{1920, 0, 3840, 1080}, ui::Rect{1920, 0, 3840, 1080}};
  ScopedMonitors two({main, right});
  EXPECT_EQ(ui::nearestMonitor(ui::Rect{1800, 10, 2680, 526}), right);  // mostly on the right one
  EXPECT_EQ(ui::nearestMonitor(ui::Rect{-5000, 0, -4000, 100}), main);
  EXPECT_EQ(ui::nearestMonitor(ui::Rect{30000, 30000, 30880, 30516}), right);
  EXPECT_EQ(ui::setMonitors({}), (std::vector<ui::Monitor>{main, right}));  // an empty list is refused
}

}  // namespace
