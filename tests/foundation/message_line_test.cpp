#include "foundation/message_line.h"

#include <gtest/gtest.h>

#include "foundation/log.h"
#include "foundation/window_messages.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

using testing_support::logBody;

using testing_support::readLines;
using testing_support::WorkingFolder;

// A main window on the test thread that counts the repaint requests of the message band.
class MessageLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv::gf_openLog();
    orv::gf_setMainWindow(window.get());
  }

  ui::WindowSpec countingSpec() {
    ui::WindowSpec spec;
    spec.proc = [this](ui::WindowHandle, ui::MessageId id, ui::WParam, ui::LParam) -> ui::LResult {
      if (id == orv::WM_APP_REPAINT_MESSAGE) ++repaints;
      return 0;
    };
    return spec;
  }

  int pumpRepaints() {
    repaints = 0;
    ui::Message m;
    while (ui::peekMessage(m)) ui::dispatchMessage(m);
    return repaints;
  }

  static void tickUntil(std::int32_t counter) {
    while (orv::gf_secondsCounter() < counter) orv::gf_messageTick();
  }

  testing_support::FoundationState state;
  WorkingFolder folder;
  int repaints = 0;
  testing_support::ScopedWindow window{countingSpec()};
};

TEST_F(MessageLineTest, AMessageExpires25TicksAfterItWasSet) {
  struct Case {
    std::int32_t setAt;
    std::int32_t stillShownAt;
    std::int32_t clearedAt;
  };
  for (const Case c : {Case{0, 25, 26}, Case{10, 34, 35}, Case{100, 124, 125}}) {
    orv::gf_resetMessageState();
    tickUntil(c.setAt);
    orv::gf_setMessage("hello");
    tickUntil(c.stillShownAt);
    EXPECT_EQ(orv::gf_messageLines().message, "hello") << "set at " << c.setAt;
    tickUntil(c.clearedAt);
    EXPECT_EQ(orv::gf_messageLines().message, "") << "set at " << c.setAt;
  }
}

TEST_F(MessageLineTest, EveryChangeAsksForOneRepaint) {
  pumpRepaints();
  orv::gf_setMessage("one", true);
  EXPECT_EQ(pumpRepaints(), 1);
  orv::gf_clearMessage();
  EXPECT_EQ(pumpRepaints(), 1);
  EXPECT_EQ(logBody(), std::vector<std::string>{"one"});
}

TEST_F(MessageLineTest, AnErrorBlocksMessagesUntilItIsCleared) {
  orv::gf_setMessage("before");
  orv::gf_setError("disk full");
  EXPECT_EQ(orv::gf_messageLines().message, "");
  EXPECT_EQ(orv::gf_messageLines().error, "disk full");
  pumpRepaints();

  orv::gf_setMessage("blocked", true);
  orv::gf_clearMessage();
  EXPECT_EQ(pumpRepaints(), 0);
  EXPECT_EQ(orv::gf_messageLines().message, "");

  orv::gf_clearError();
  orv::gf_setMessage("after");
  EXPECT_EQ(orv::gf_messageLines().error, "");
  EXPECT_EQ(orv::gf_messageLines().message, "after");
  EXPECT_EQ(logBody(), std::vector<std::string>{"Error disk full"});
}

TEST_F(MessageLineTest, AnEmptyMessageNeverExpiresAndTheResetClearsEverything) {
  orv::gf_setMessage("");
  tickUntil(100);
  orv::gf_setError("failure");
  orv::gf_resetMessageState();
  EXPECT_EQ(orv::gf_secondsCounter(), 0);
  EXPECT_EQ(orv::gf_messageLines().error, "");
  orv::gf_setMessage("fresh");
  tickUntil(25);
  EXPECT_EQ(orv::gf_messageLines().message, "fresh");  // stamp 1 after the reset
}

}  // namespace
