#include "shell/run_state.h"

namespace orv {
namespace {

// Written by the entry, the window and the start-up thread, read by the others.
std::atomic<bool> productionRun{false};
std::atomic<bool> restartFlag{false};
std::atomic<int> exitCode{0};
std::atomic<bool> realTrafficFound{false};
std::atomic<bool> realTrafficNotYetConnected{true};

}  // namespace

void gf_setProductionRun(bool production) { productionRun = production; }
bool gf_productionRun() { return productionRun; }

void gf_setRestartFlag(bool restart) { restartFlag = restart; }
bool gf_restartFlag() { return restartFlag; }

void gf_setExitCode(int code) { exitCode = code; }
int gf_exitCode() { return exitCode; }

void gf_setRealTrafficFound(bool found) { realTrafficFound = found; }
bool gf_realTrafficFound() { return realTrafficFound; }

void gf_setRealTrafficNotYetConnected(bool notYet) { realTrafficNotYetConnected = notYet; }
bool gf_realTrafficNotYetConnected() { return realTrafficNotYetConnected; }

}  // namespace orv
