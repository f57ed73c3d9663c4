#pragma once

// The workers of the livery scan and of the add-on airport scan share one limit and one count of
// running tasks, so that the two scans together never run more tasks than the processor has
// threads. Any thread.

namespace orv {

// The limit for a processor that reports this many hardware threads: 2 when it reports none.
[[nodiscard]] int gf_scanWorkerLimitFor(unsigned hardwareThreads);
// Set by the start-up before the scans.
void gf_setScanWorkerLimit(int limit);
[[nodiscard]] int gf_scanWorkerLimit();

[[nodiscard]] int gf_runningScanTasks();

// Waits, yielding, until fewer tasks than the limit run; false when a stop flag is raised meanwhile.
[[nodiscard]] bool gf_waitForScanSlot();

// Counts one task as running while it lives. The launcher makes it before it starts the worker
// and moves it into the worker, so the count never lags behind the workers; it is never reset
// while workers run.
class ScanTaskSlot {
 public:
  ScanTaskSlot();
  ~ScanTaskSlot();
  ScanTaskSlot(ScanTaskSlot&& other) noexcept : counted_(other.counted_) { other.counted_ = false; }
  ScanTaskSlot& operator=(ScanTaskSlot&&) = delete;
  ScanTaskSlot(const ScanTaskSlot&) = delete;
  ScanTaskSlot& operator=(const ScanTaskSlot&) = delete;

 private:
  bool counted_ = true;
};

}  // namespace orv
