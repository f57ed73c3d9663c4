#pragma once

#include <string_view>

namespace os {

// Names the calling thread for debuggers and the system's tools. POSIX systems keep the first 15
// bytes; Windows before the thread descriptions of Windows 10 (1607) keeps none. Any thread.
void nameThisThread(std::string_view name);

}  // namespace os
