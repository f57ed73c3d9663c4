#pragma once

#include <filesystem>

namespace os {

// Whether the folder lies where programs are installed for every user, so that replacing them
// takes an administrator's rights. Windows: the path begins with the Program Files folder (64-bit or
// x86), compared exactly; POSIX systems: /usr or /opt.
[[nodiscard]] bool isSharedProgramFolder(const std::filesystem::path& folder);

// Whether a new file can be made at the path and written to; the file is gone again afterwards.
[[nodiscard]] bool canWriteNewFile(const std::filesystem::path& probe);

// Whether the process runs with an administrator's rights. Windows: the process token is
// elevated; POSIX systems: the effective user is root.
[[nodiscard]] bool processIsElevated();

}  // namespace os
