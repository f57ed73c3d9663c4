#pragma once

#include <filesystem>

namespace os {

// Opens the folder in the desktop's file manager: starts the program named by
// $QUILLSTAR_FOLDER_OPENER, else "xdg-open", with the folder as its argument, and returns without
// waiting for it. True when the program was started. Any thread.
[[nodiscard]] bool openFolder(const std::filesystem::path& folder);

}  // namespace os
