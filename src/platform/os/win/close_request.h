#pragma once

// Windows has no signal by which one program asks another to close. A console program without a
// window learns of the request through a named event of its own process, which its close watcher
// waits on and a parent sets.

#include <string>

namespace os::win {

[[nodiscard]] std::wstring closeRequestEventName(unsigned long processId);

}  // namespace os::win
