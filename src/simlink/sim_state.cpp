#include "simlink/sim_state.h"

#include <atomic>

namespace orv {
namespace {

std::atomic<bool> simulationRunning{false};
std::atomic<bool> simConnectBlocked{false};
std::atomic<sc::Handle> simConnectHandle{0};

}  // namespace

void gf_setSimulationRunning(bool running) {
  simulationRunning = running;
}
bool gf_simulationRunning() {
  return simulationRunning;
}

void gf_setSimConnectBlocked(bool blocked) {
  simConnectBlocked = blocked;
}
bool gf_simConnectBlocked() {
  return simConnectBlocked;
}

void gf_setSimConnectHandle(sc::Handle handle) {
  simConnectHandle = handle;
}
sc::Handle gf_simConnectHandle() {
  return simConnectHandle;
}

}  // namespace orv
