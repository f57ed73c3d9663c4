#pragma once

#include <filesystem>

namespace os {

// Opens the folder in the desktop's file manager and goes on without waiting for it. Any thread.
// Windows: the shell's "open" verb (ShellExecuteW), true when the shell took the folder.
// POSIX systems: starts the program named by $QUILLSTAR_FOLDER_OPENER, else "xdg-open", with the
// folder as its argument. An opener that ends within half a second gives its verdict (true for
// exit status 0); one that runs longer is not waited for and counts as started (true). False when
// it cannot be started.
[[nodiscard]] bool openFolder(const std::filesystem::path& folder);

}  // namespace os
