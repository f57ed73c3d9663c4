#include <string_view>
#include <vector>

#include "shell/entry.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return orv::wWinMain(arguments);
}
