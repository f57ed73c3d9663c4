#pragma once

// The program as a process of its own, for the tests that run it whole in a prepared working
// folder: its start, its end, and what it writes. The process is killed when its object goes, so
// that no instance outlives its test. Called on the test's thread only.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/child_process.h"

namespace testing_support {

// Starts the program with the arguments, in the working folder and with the environment of the
// test. Throws std::runtime_error when it cannot be started.
[[nodiscard]] os::ChildProcess startProgram(const std::vector<std::string>& arguments = {});

// The exit status, or nothing when the process has not ended within the time;
// os::ChildProcess::kEndedBySignal when a signal ended it.
[[nodiscard]] std::optional<int> waitForExit(os::ChildProcess& program, std::chrono::milliseconds limit);

// Whether "Log.txt" of the working folder holds the text within the time.
[[nodiscard]] bool waitForLogLine(const std::string& text, std::chrono::milliseconds limit);

// A UDP port free at the moment of asking, for a reader the test must send to; 0 when none is.
[[nodiscard]] std::uint16_t freeUdpPort();

// The first line holding the text, or the end.
[[nodiscard]] std::vector<std::string>::const_iterator findLine(const std::vector<std::string>& lines,
                                                                std::string_view text);

}  // namespace testing_support
