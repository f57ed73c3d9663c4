#pragma once

// The foundation keeps a few things for the whole process, as the program needs them: the stop
// flags and the exit reason, the tick flag, the message and error lines with their seconds
// counter, the main window that repaint requests go to, the log, the links of the settings (the
// option RANDOM, the packages folders), the simulator choice, the scan-worker limit and what
// the RealTraffic link learnt for the time of the live data. A test
// that touches any of them holds a FoundationState: it puts them back as a fresh process has
// them when it is built and again when it is destroyed, so every test starts from the same place
// whatever ran before it. The restart seconds are the exception: a run's reset keeps them.

#include <gtest/gtest.h>

namespace testing_support {

class FoundationState {
 public:
  FoundationState();
  ~FoundationState();
  FoundationState(const FoundationState&) = delete;
  FoundationState& operator=(const FoundationState&) = delete;

  // The same, in the middle of a test.
  static void putBack();
};

// A fixture for tests that need nothing else: `using Log = testing_support::FreshFoundationTest;`.
class FreshFoundationTest : public ::testing::Test {
 protected:
  FoundationState foundation;
};

}  // namespace testing_support
