#include "traffic/cycle.h"

#include <atomic>

namespace orv {
namespace {

std::atomic<std::int64_t> cycleCounter{0};

}  // namespace

std::int64_t gf_cycleCounter() {
  return cycleCounter.load();
}
void gf_advanceCycleCounter() {
  ++cycleCounter;
}

}  // namespace orv
