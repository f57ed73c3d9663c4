#include "platform/os/thread_name.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <thread>

namespace {

// The name the system keeps for a thread that named itself.
std::string lf_nameTakenBy(std::string_view name) {
  std::string kept;
  std::thread([&] {
    os::nameThisThread(name);
    char buffer[64] = {};
    if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) == 0) kept = buffer;
  }).join();
  return kept;
}

TEST(ThreadName, TheSystemKeepsTheNameCutToItsLimit) {
  EXPECT_EQ(lf_nameTakenBy("SimClient"), "SimClient");
  EXPECT_EQ(lf_nameTakenBy("FifteenBytesAbc"), "FifteenBytesAbc");
  // Refused whole by the system when passed on uncut.
  EXPECT_EQ(lf_nameTakenBy("SixteenBytesAbcd and more"), "SixteenBytesAbc");
}

}  // namespace
