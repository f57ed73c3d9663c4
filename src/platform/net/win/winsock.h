#pragma once

namespace net::win {

// Starts Winsock 2.2 once per process, on first use from any thread; it is cleaned up when the
// process ends. False when the system refused it (the caller's call then fails with that error).
[[nodiscard]] bool winsockStarted();

}  // namespace net::win
