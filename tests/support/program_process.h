#pragma once

// The program as a process of its own, for the tests that run it whole in a prepared working
// folder: its start, its end, a guard that no instance outlives its test, and what it writes.
// Called on the test's thread only.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Starts the program with the arguments, in the working folder and with the environment of the
// test; the program's process id.
[[nodiscard]] pid_t startProgram(const std::vector<std::string>& arguments = {});

// The exit status, or nothing when the process has not ended within the time; -1000 when it ended
// without an exit status (a signal).
[[nodiscard]] std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds limit);

// Whether "Log.txt" of the working folder holds the text within the time.
[[nodiscard]] bool waitForLogLine(const std::string& text, std::chrono::milliseconds limit);

// A UDP port free at the moment of asking, for a reader the test must send to; 0 when none is.
[[nodiscard]] std::uint16_t freeUdpPort();

// The first line holding the text, or the end.
[[nodiscard]] std::vector<std::string>::const_iterator findLine(const std::vector<std::string>& lines,
                                                                std::string_view text);

// Kills the program when a test ends early, so that no instance outlives its test. A test that
// saw the program end sets pid to 0.
struct ProgramGuard {
  pid_t pid;
  ~ProgramGuard();
};

}  // namespace testing_support
