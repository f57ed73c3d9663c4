#pragma once

#include <string>
#include <vector>

namespace os {

// The program's command-line arguments after its own name, as UTF-8 texts. Windows: the
// process's UTF-16 command line split by the shell's rules (CommandLineToArgvW), since the narrow
// argv of the C runtime holds only what the ANSI code page can show. POSIX systems: argv as it
// came. Main thread, at the entry.
[[nodiscard]] std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace os
