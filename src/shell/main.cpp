#include <string_view>
#include <vector>

#include "shell/entry.h"
#include "standin/stand_in.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  // On this platform the simulator is our stand-in, embedded in the program.
  return orv::wWinMain(arguments, [] { return orv::standin::StandIn::fromEnvironment(); });
}
