#pragma once

// A program run as a child process: started with its arguments, waited for, asked to close as the
// system asks a program to close, or killed. The object owns the process: one that still runs when
// the object goes is killed, so that no child outlives its owner's scope. Owner's thread only.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace os {

class ChildProcess {
 public:
  // Where the child's standard output and error go: files created (or truncated) at the paths;
  // an empty path leaves the stream of this process.
  struct Output {
    std::filesystem::path standardOutput;
    std::filesystem::path standardError;
  };

  // The exit code of a POSIX child that a signal ended.
  static constexpr int kEndedBySignal = -1000;

  // Starts the program with the arguments (UTF-8) in this process's working folder and
  // environment; empty when it could not be started.
  [[nodiscard]] static std::optional<ChildProcess> start(const std::filesystem::path& program,
                                                         const std::vector<std::string>& arguments,
                                                         const Output& output = {});

  ChildProcess(ChildProcess&& other) noexcept
      : id_(std::exchange(other.id_, 0)),
        handle_(std::exchange(other.handle_, 0)),
        exitCode_(other.exitCode_) {}
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // The exit code once the process has ended; nothing when it still runs after the limit. A POSIX
  // system keeps only the low 8 bits of the code (see exitCodeSeenByParent).
  [[nodiscard]] std::optional<int> waitForExit(std::chrono::milliseconds limit);

  // Asks the program to close: SIGTERM on POSIX systems. On Windows WM_CLOSE to its top-level
  // windows; without a window, the close-request event of an os::CloseSignals in the child, else
  // Ctrl+Break to the console it shares with this process. False when it could not be asked.
  [[nodiscard]] bool requestClose();

  // Ends the process at once and waits for its end.
  void kill();

  // The memory the process holds in RAM, in kB (the resident set; on Windows the working set);
  // nothing when the system does not tell.
  [[nodiscard]] std::optional<std::size_t> residentKb() const;

 private:
  ChildProcess(std::int64_t id, std::intptr_t handle) : id_(id), handle_(handle) {}
  void release();
  std::int64_t id_ = 0;          // the process id; 0 once reaped or moved from
  std::intptr_t handle_ = 0;     // Windows: the process handle
  std::optional<int> exitCode_;  // once the process has been seen ending
};

// The exit code a parent sees when a program's main returns the value: POSIX systems keep only its
// low 8 bits (-1 is seen as 255), Windows the whole value.
[[nodiscard]] int exitCodeSeenByParent(int returned);

}  // namespace os
