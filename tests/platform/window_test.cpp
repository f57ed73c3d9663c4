#include "platform/ui/window.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

// Records every message its window receives; declared before its window, so that it outlives it.
struct Recorder {
  std::vector<ui::Message> seen;
  ui::WindowSpec spec() {
    ui::WindowSpec s;
    s.proc = [this](ui::WindowHandle w, ui::MessageId id, ui::WParam wp, ui::LParam lp) -> ui::LResult {
      seen.push_back({w, id, wp, lp});
      return 0;
    };
    return s;
  }
  std::vector<ui::MessageId> ids() const {
    std::vector<ui::MessageId> out;
    for (const auto& m : seen) out.push_back(m.id);
    return out;
  }
};

void pumpAll() {
  ui::Message m;
  while (ui::peekMessage(m)) ui::dispatchMessage(m);
}

TEST(Window, CreationSendsCreateAndPostedMessagesArriveInOrder) {
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  ASSERT_TRUE(w);
  ASSERT_EQ(r.ids(), std::vector<ui::MessageId>{ui::WM_CREATE});
  EXPECT_TRUE(ui::postMessage(w, ui::WM_APP + 1, 7, 8));
  EXPECT_TRUE(ui::postMessage(w, ui::WM_APP + 2));
  pumpAll();
  ASSERT_EQ(r.seen.size(), 3u);
  EXPECT_EQ(r.seen[1].id, ui::WM_APP + 1);
  EXPECT_EQ(r.seen[1].wParam, 7u);
  EXPECT_EQ(r.seen[1].lParam, 8);
  EXPECT_EQ(r.seen[2].id, ui::WM_APP + 2);
}

TEST(Window, CreationFailsWhenTheProcedureRefusesCreate) {
  ui::WindowSpec spec;
  spec.proc = [](ui::WindowHandle, ui::MessageId id, ui::WParam, ui::LParam) -> ui::LResult {
    return id == ui::WM_CREATE ? -1 : 0;
  };
  EXPECT_FALSE(ui::createWindow(std::move(spec)));
}

TEST(Window, PostingToAWindowThatIsGoneDoesNothing) {
  pumpAll();  // whatever earlier tests left for their windows
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  ASSERT_TRUE(ui::destroyWindow(w));
  EXPECT_FALSE(ui::isWindow(w));
  EXPECT_FALSE(ui::postMessage(w, ui::WM_APP + 1));
  EXPECT_FALSE(ui::postMessage(ui::WindowHandle{}, ui::WM_APP + 1));
  ui::Message m;
  EXPECT_FALSE(ui::peekMessage(m));
}

TEST(Window, MessagesPostedBeforeDestructionAreNotDelivered) {
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  ui::postMessage(w, ui::WM_APP + 5);
  ui::destroyWindow(w);
  pumpAll();
  EXPECT_EQ(r.ids(), (std::vector<ui::MessageId>{ui::WM_CREATE, ui::WM_DESTROY}));
}

TEST(Window, QuitComesAfterThePostedMessagesAndCarriesTheExitCode) {
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  ui::postMessage(w, ui::WM_APP + 1);
  ui::postQuitMessage(42);
  ui::postMessage(w, ui::WM_APP + 2);
  ui::Message m;
  ASSERT_TRUE(ui::getMessage(m));
  EXPECT_EQ(m.id, ui::WM_APP + 1);
  ASSERT_TRUE(ui::getMessage(m));
  EXPECT_EQ(m.id, ui::WM_APP + 2);
  EXPECT_FALSE(ui::getMessage(m));
  EXPECT_EQ(m.id, ui::WM_QUIT);
  EXPECT_EQ(m.wParam, 42u);
}

TEST(Window, RepaintRequestsMergeIntoOnePaintAfterThePostedMessages) {
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  ui::invalidate(w);
  ui::invalidate(w);
  ui::postMessage(w, ui::WM_APP + 3);
  pumpAll();
  EXPECT_EQ(r.ids(), (std::vector<ui::MessageId>{ui::WM_CREATE, ui::WM_APP + 3, ui::WM_PAINT}));
}

TEST(Window, PostFromAnotherThreadWakesTheWaitingLoop) {
  Recorder r;
  const testing_support::ScopedWindow window(r.spec());
  const auto w = window.get();
  std::thread poster([w] {
    for (int i = 0; i < 100; ++i) ui::postMessage(w, ui::WM_APP + 10, static_cast<ui::WParam>(i));
    ui::postMessage(w, ui::WM_APP + 11);
  });
  ui::Message m;
  int received = 0;
  while (ui::getMessage(m)) {
    if (m.window != w) continue;  // left for the windows of earlier tests
    if (m.id == ui::WM_APP + 11) break;
    ASSERT_EQ(m.wParam, static_cast<ui::WParam>(received));  // in the order posted
    ++received;
  }
  poster.join();
  EXPECT_EQ(received, 100);
}

TEST(Window, DefaultProcedureDestroysOnCloseAndChildrenGoWithTheParent) {
  const auto parent = ui::createWindow(ui::WindowSpec{});
  ui::WindowSpec childSpec;
  childSpec.parent = parent;
  childSpec.controlId = 1001;
  childSpec.text = u"child";
  const auto child = ui::createWindow(std::move(childSpec));
  EXPECT_EQ(ui::findChild(parent, 1001), child);
  EXPECT_EQ(ui::windowText(child), u"child");
  EXPECT_FALSE(ui::findChild(parent, 1002));
  ui::sendMessage(parent, ui::WM_CLOSE);
  EXPECT_FALSE(ui::isWindow(parent));
  EXPECT_FALSE(ui::isWindow(child));
}

}  // namespace
