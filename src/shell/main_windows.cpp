#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "platform/os/command_line.h"
#include "platform/simconnect/dll_backend.h"
#include "shell/entry.h"
#include "standin/stand_in.h"

namespace {

bool lf_isStandInArgument(std::string_view argument) {
  constexpr std::string_view kStandIn = "--standin";
  return argument.size() == kStandIn.size() &&
         std::equal(argument.begin(), argument.end(), kStandIn.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> texts = os::commandLineArguments(argc, argv);
  const std::vector<std::string_view> arguments(texts.begin(), texts.end());
  // The simulator's own client library, unless the embedded stand-in is asked for (tests, demos).
  const char* standIn = std::getenv("QLST_STANDIN");
  const bool embedded =
      (standIn && *standIn) || std::any_of(arguments.begin(), arguments.end(), lf_isStandInArgument);
  return orv::wWinMain(arguments, [embedded]() -> std::shared_ptr<sc::Backend> {
    if (embedded) return orv::standin::StandIn::fromEnvironment();
    return std::make_shared<sc::DllBackend>(
        sc::DllBackend::Reporting{[](std::string_view line) { orv::gf_logLine(line); },
                                  [](std::string_view line) { orv::gf_logImportant(line); },
                                  [](std::string_view line) { orv::gf_setMessage(line); }});
  });
}
