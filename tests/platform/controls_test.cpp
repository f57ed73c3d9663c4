#include "platform/ui/controls.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// A parent window that records what reaches it, and one control of each kind.
class Controls : public testing::Test {
 protected:
  Controls() {
    ui::WindowSpec spec;
    spec.proc = [this](ui::WindowHandle, ui::MessageId id, ui::WParam wp, ui::LParam lp) -> ui::LResult {
      seen.push_back({parent, id, wp, lp});
      return 0;
    };
    parent = ui::createWindow(std::move(spec));
    check = make(ui::ControlKind::CheckBox, 32771, u"ALWAYS_ON_TOP");
    combo = make(ui::ControlKind::ComboBox, 32790);
    edit = make(ui::ControlKind::Edit, 32839);
    button = make(ui::ControlKind::Button, 32838, u"Re-read");
    pump();
    seen.clear();
  }
  // The parent's procedure refers to this fixture: it must not outlive it.
  ~Controls() override { ui::destroyWindow(parent); }

  ui::WindowHandle make(ui::ControlKind kind, int id, std::u16string text = {}) {
    ui::ControlSpec spec;
    spec.kind = kind;
    spec.parent = parent;
    spec.controlId = id;
    spec.text = std::move(text);
    return ui::createControl(std::move(spec));
  }

  void pump() {
    ui::Message m;
    while (ui::peekMessage(m)) ui::dispatchMessage(m);
  }

  int paints() const {
    int n = 0;
    for (const auto& m : seen) n += m.id == ui::WM_PAINT;
    return n;
  }
  int commands() const {
    int n = 0;
    for (const auto& m : seen) n += m.id == ui::WM_COMMAND;
    return n;
  }

  std::vector<ui::Message> seen;
  ui::WindowHandle parent, check, combo, edit, button;
};

TEST_F(Controls, AreChildrenFoundByTheirIds) {
  EXPECT_EQ(ui::findChild(parent, 32790), combo);
  EXPECT_EQ(ui::controlKind(combo), ui::ControlKind::ComboBox);
  EXPECT_EQ(ui::controlKind(parent), ui::ControlKind::None);
  EXPECT_FALSE(ui::controlState(parent));
  EXPECT_EQ(ui::windowText(button), u"Re-read");
  EXPECT_FALSE(ui::createControl(ui::ControlSpec{}));  // no parent
}

TEST_F(Controls, StateOfEachKind) {
  EXPECT_TRUE(ui::setCheck(check, true));
  EXPECT_TRUE(ui::isChecked(check));
  EXPECT_FALSE(ui::setCheck(edit, true));  // only check boxes have a check
  EXPECT_TRUE(ui::setEnabled(button, false));
  EXPECT_FALSE(ui::isEnabled(button));
  EXPECT_TRUE(ui::isEnabled(combo));
  EXPECT_TRUE(ui::setWindowText(edit, u"EDDF"));
  const auto state = ui::controlState(edit);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->text, u"EDDF");
  EXPECT_EQ(state->controlId, 32839);
  EXPECT_EQ(state->kind, ui::ControlKind::Edit);
}

TEST_F(Controls, DropDownSelectsTheExactItemOnly) {
  for (const char16_t* item : {u"AIG, FSLTL, JF, MTL", u"AIG, FSLTL, MTL, JF", u"AIG, FSLTL, JF", u"AIG"})
    ui::addItem(combo, item);
  EXPECT_EQ(ui::selectExact(combo, u"AIG, FSLTL, JF"), 2);
  EXPECT_EQ(ui::selectedItem(combo), u"AIG, FSLTL, JF");
  EXPECT_EQ(ui::selectExact(combo, u"AIG"), 3);
  EXPECT_EQ(ui::selectExact(combo, u"aig"), -1);  // letter case counts
  EXPECT_EQ(ui::selection(combo), -1);
  EXPECT_FALSE(ui::selectedItem(combo));
  EXPECT_EQ(ui::selectExact(combo, u"AIG, FS"), -1);
  EXPECT_TRUE(ui::selectIndex(combo, 1));
  EXPECT_FALSE(ui::selectIndex(combo, 4));
  EXPECT_EQ(ui::selection(combo), 1);
  EXPECT_TRUE(ui::resetItems(combo));
  EXPECT_TRUE(ui::items(combo).empty());
  EXPECT_EQ(ui::selection(combo), -1);
  EXPECT_FALSE(ui::addItem(check, u"x"));
}

TEST_F(Controls, ChangesRepaintTheParentOnceAndSendNoNotification) {
  ui::setCheck(check, true);
  ui::addItem(combo, u"2");
  ui::selectExact(combo, u"2");
  ui::setWindowText(edit, u"x");
  ui::setEnabled(button, false);
  pump();
  EXPECT_EQ(paints(), 1);  // merged
  EXPECT_EQ(commands(), 0);
  seen.clear();
  ui::setCheck(check, true);  // no change, no repaint
  ui::setWindowText(edit, u"x");
  ui::selectExact(combo, u"2");
  pump();
  EXPECT_EQ(paints(), 0);
}

TEST_F(Controls, UserInputReachesTheParentAsACommand) {
  ASSERT_TRUE(ui::postCommandNotification(combo, ui::CBN_SELCHANGE));
  pump();
  ASSERT_EQ(commands(), 1);
  const ui::Message& m = seen.front();
  EXPECT_EQ(ui::commandControlId(m.wParam), 32790);
  EXPECT_EQ(ui::commandCode(m.wParam), ui::CBN_SELCHANGE);
  EXPECT_EQ(m.lParam, static_cast<ui::LParam>(combo.value()));

  seen.clear();
  ui::setEnabled(button, false);  // a disabled control takes no input
  EXPECT_FALSE(ui::postCommandNotification(button, ui::BN_CLICKED));
  pump();
  EXPECT_EQ(commands(), 0);
}

TEST_F(Controls, ChangedFromAnotherThreadWhileTheOwnerReads) {
  std::thread writer([this] {
    for (int i = 0; i < 200; ++i) {
      ui::addItem(combo, u"item");
      ui::selectIndex(combo, i);
      ui::setCheck(check, i % 2 == 0);
    }
  });
  for (int i = 0; i < 200; ++i) {
    const auto state = ui::controlState(combo);
    ASSERT_TRUE(state);
    EXPECT_LT(state->selection, static_cast<int>(state->items.size()));
  }
  writer.join();
  pump();
  EXPECT_EQ(ui::items(combo).size(), 200u);
  EXPECT_EQ(ui::selection(combo), 199);
  EXPECT_FALSE(ui::isChecked(check));
  EXPECT_GE(paints(), 1);
}

TEST_F(Controls, AStaleHandleIsRefused) {
  ui::destroyWindow(parent);
  EXPECT_FALSE(ui::setCheck(check, true));
  EXPECT_FALSE(ui::isEnabled(button));
  EXPECT_EQ(ui::selectExact(combo, u"x"), -1);
  EXPECT_FALSE(ui::postCommandNotification(button, ui::BN_CLICKED));
}

}  // namespace
