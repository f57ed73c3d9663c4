#include "platform/os/command_line.h"

#include <windows.h>
// Built on the declarations of windows.h.
#include <shellapi.h>

#include "platform/os/win/wide_text.h"

namespace os {

std::vector<std::string> commandLineArguments(int /*argc*/, char** /*argv*/) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> texts;
  if (!arguments) return texts;
  for (int i = 1; i < count; ++i) texts.push_back(win::utf8(arguments[i]));
  LocalFree(arguments);
  return texts;
}

}  // namespace os
