#include "foundation/scan_tasks.h"

#include <atomic>
#include <thread>

#include "foundation/run_control.h"

namespace orv {
namespace {

std::atomic<int> workerLimit{2};
std::atomic<int> runningTasks{0};

}  // namespace

int gf_scanWorkerLimitFor(unsigned hardwareThreads) {
  return hardwareThreads == 0 ? 2 : static_cast<int>(hardwareThreads);
}

void gf_setScanWorkerLimit(int limit) {
  workerLimit = limit < 1 ? 1 : limit;
}

int gf_scanWorkerLimit() {
  return workerLimit;
}

int gf_runningScanTasks() {
  return runningTasks;
}

bool gf_waitForScanSlot() {
  while (runningTasks.load() >= workerLimit.load()) {
    if (gf_stopRaised()) return false;
    std::this_thread::yield();
  }
  return !gf_stopRaised();
}

ScanTaskSlot::ScanTaskSlot() {
  ++runningTasks;
}

ScanTaskSlot::~ScanTaskSlot() {
  if (counted_) --runningTasks;
}

}  // namespace orv
