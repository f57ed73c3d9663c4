#pragma once

#include <filesystem>

namespace os {

// Opens the folder in the desktop's file manager: runs the program named by
// $QUILLSTAR_FOLDER_OPENER, else "xdg-open", with the folder as its argument, and waits for it
// to hand the folder over. True when it ran and reported success.
[[nodiscard]] bool openFolder(const std::filesystem::path& folder);

}  // namespace os
