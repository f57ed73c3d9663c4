#include "shell/run_work.h"

#include <fmt/format.h>

#include <deque>
#include <exception>
#include <mutex>
#include <utility>

#include "foundation/log.h"

namespace orv {
namespace {

// The window outlives every run, so the queue is the process's; the run reset empties it.
std::mutex workMutex;
std::deque<RunWork> queuedWork;

}  // namespace

void gf_queueRunWork(RunWork work) {
  std::scoped_lock lock(workMutex);
  queuedWork.push_back(std::move(work));
}

void gf_doQueuedRunWork(TrafficRun& run) {
  std::deque<RunWork> work;
  {
    // Taken out first: a job may queue more, and none runs with the lock held.
    std::scoped_lock lock(workMutex);
    work.swap(queuedWork);
  }
  for (RunWork& job : work) {
    try {
      job(run);
    } catch (const std::exception& e) {
      gf_logImportant(fmt::format("{} exception {}", "gf_doQueuedRunWork", e.what()));
    }
  }
}

void gf_dropQueuedRunWork() {
  std::deque<RunWork> dropped;
  {
    std::scoped_lock lock(workMutex);
    dropped.swap(queuedWork);
  }
}

std::size_t gf_queuedRunWorkCount() {
  std::scoped_lock lock(workMutex);
  return queuedWork.size();
}

}  // namespace orv
