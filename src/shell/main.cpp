#include <string>
#include <string_view>
#include <vector>

#include "platform/os/command_line.h"
#include "shell/entry.h"
#include "standin/stand_in.h"

int main(int argc, char** argv) {
  const std::vector<std::string> texts = os::commandLineArguments(argc, argv);
  const std::vector<std::string_view> arguments(texts.begin(), texts.end());
  // On this platform the simulator is our stand-in, embedded in the program.
  return orv::wWinMain(arguments, [] { return orv::standin::StandIn::fromEnvironment(); });
}
