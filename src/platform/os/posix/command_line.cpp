#include "platform/os/command_line.h"

namespace os {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  if (argc < 1 || !argv) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace os
