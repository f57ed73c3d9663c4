#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "platform/simconnect/backend.h"

namespace orv {

// What the simulator link talks to; made once the process is the only instance. May throw
// std::exception, which ends the process with exit code 1.
using SimulatorBackendFactory = std::function<std::shared_ptr<sc::Backend>()>;

// The process entry: -1 at once when another instance runs, else the exit code of the run.
// The arguments exclude the program's name.
int wWinMain(std::span<const std::string_view> arguments, const SimulatorBackendFactory& simulator = {});

// Reads the command line, creates the window and pumps its messages until the quit message;
// returns its exit code, or 0 when the set-up fails.
int lf_winMain(std::span<const std::string_view> arguments);

}  // namespace orv
