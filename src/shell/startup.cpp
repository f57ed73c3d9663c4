#include "shell/startup.h"

#include <fmt/format.h>

#include <exception>
#include <new>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "shell/closing_down.h"
#include "shell/main_cycle.h"

namespace orv {
namespace {

// Failures that end the run: shown on the error line, SYSTEM ERROR for the first raiser.
void lf_failRun(std::string_view text) {
  gf_setError(text);
  gf_endRun(ExitReason::SystemError, 0);
}

}  // namespace

void lf_startUpQLST() {
  try {
    // The start-up steps (checks, settings, data files, scans, the traffic run) come first here.
    lf_mainCycle();
  } catch (const fmt::format_error& e) {
    gf_setError(fmt::format("std::format error: {}", e.what()));
    lf_failRun(e.what());
  } catch (const std::bad_alloc& e) {
    lf_failRun(e.what());
  } catch (const std::exception& e) {
    lf_failRun(e.what());
  } catch (...) {
    gf_setError("Unknown exception");
    gf_storeSystemError();
  }
  gf_flushLog();
  lf_closingDown();
}

}  // namespace orv
