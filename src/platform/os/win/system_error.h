#pragma once

// Errors of the system's calls (GetLastError numbers) with the system's own texts, as
// FormatMessageW gives them in the user's language, for log lines.

#include <system_error>

namespace os::win {

[[nodiscard]] const std::error_category& systemCategory();

// The calling thread's last error.
[[nodiscard]] std::error_code lastSystemError();

}  // namespace os::win
