#include "shell/run_state.h"

namespace orv {
namespace {

// Written by the entry, the window and the start-up thread, read by the others.
std::atomic<bool> productionRun{false};
std::atomic<bool> restartFlag{false};
std::atomic<int> exitCode{0};

}  // namespace

void gf_setProductionRun(bool production) {
  productionRun = production;
}
bool gf_productionRun() {
  return productionRun;
}

void gf_setRestartFlag(bool restart) {
  restartFlag = restart;
}
bool gf_restartFlag() {
  return restartFlag;
}

void gf_setExitCode(int code) {
  exitCode = code;
}
int gf_exitCode() {
  return exitCode;
}

}  // namespace orv
