#pragma once

#include <span>
#include <string_view>

namespace orv {

// The process entry: -1 at once when another instance runs, else the exit code of the run.
// The arguments exclude the program's name.
int wWinMain(std::span<const std::string_view> arguments);

// Reads the command line, creates the window and pumps its messages until the quit message;
// returns its exit code, or 0 when the set-up fails.
int lf_winMain(std::span<const std::string_view> arguments);

}  // namespace orv
