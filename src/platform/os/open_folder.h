#pragma once

#include <filesystem>

namespace os {

// Opens the folder in the desktop's file manager. True when the file manager took it.
// Windows: the shell's "open" verb (ShellExecuteW), which returns once the folder is handed over.
// POSIX systems: runs the program named by $QUILLSTAR_FOLDER_OPENER, else "xdg-open", with the
// folder as its argument, and waits for its report.
[[nodiscard]] bool openFolder(const std::filesystem::path& folder);

}  // namespace os
