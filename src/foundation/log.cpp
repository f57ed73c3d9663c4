#include "foundation/log.h"

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/time_text.h"
#include "foundation/utf.h"
#include "platform/os/clock.h"

namespace orv {
namespace {

struct LogState {
  std::mutex mutex;
  std::ofstream stream;
  // While the backups are made the log is not open yet; their failure lines wait here.
  bool holding = false;
  std::vector<std::string> held;
};

LogState& logState() {
  static LogState state;
  return state;
}

void writeLine(std::string_view prefix, std::string_view rawText, bool flush) {
  // Lines carry bytes from the network and from damaged files: every line stays UTF-8.
  std::string escaped;
  std::string_view text = rawText;
  if (!gf_isUtf8(rawText)) {
    escaped = gf_escapeInvalidUtf8(rawText);
    text = escaped;
  }
  LogState& log = logState();
  std::scoped_lock lock(log.mutex);
  if (!log.stream.is_open()) {
    if (log.holding) log.held.push_back(std::string(prefix).append(text));
    return;
  }
  log.stream << prefix << text << '\n';
  if (flush) log.stream.flush();
}

}  // namespace

std::filesystem::path gf_logPath() {
  return "Log.txt";
}

void gf_openLog() {
  LogState& log = logState();
  {
    std::scoped_lock lock(log.mutex);
    log.holding = true;
  }
  gf_saveUpto3GenerationsOf(gf_logPath());

  std::vector<std::string> held;
  {
    std::scoped_lock lock(log.mutex);
    log.holding = false;
    held.swap(log.held);
    // A log opened before (an earlier start in this process) is closed first: opening an open
    // stream fails and would leave the lines going to the old file.
    if (log.stream.is_open()) log.stream.close();
    log.stream.clear();
    log.stream.open(gf_logPath(), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!log.stream.is_open()) throw std::runtime_error("Failed to write file " + gf_logPath().string());
  }
  const auto now = std::chrono::system_clock::to_time_t(os::clock().utcNow());
  gf_logLine(fmt::format("{} (utc) {} version {} for {}", gf_timeText(now), kProductName, kVersionText,
                         kSimsServed));
  for (const std::string& line : held) gf_logLine(line);
  gf_flushLog();  // the start of a run shows in the file at once
}

void gf_logLine(std::string_view text) {
  writeLine({}, text, false);
}

void gf_logImportant(std::string_view text) {
  writeLine("==> ", text, true);
}

void gf_logIndented(std::string_view text) {
  writeLine("          ", text, false);
}

void gf_logUnlessStopping(std::string_view text) {
  if (!gf_stopRaised()) gf_logLine(text);
}

void gf_flushLog() {
  LogState& log = logState();
  std::scoped_lock lock(log.mutex);
  if (log.stream.is_open()) log.stream.flush();
}

void gf_closeLog() {
  LogState& log = logState();
  std::scoped_lock lock(log.mutex);
  if (log.stream.is_open()) log.stream.close();
}

}  // namespace orv
