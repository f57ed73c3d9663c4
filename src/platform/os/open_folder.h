#pragma once

#include <filesystem>

namespace os {

// Opens the folder in the desktop's file manager: starts the program named by
// $QUILLSTAR_FOLDER_OPENER, else "xdg-open", with the folder as its argument. An opener that ends
// within half a second gives its verdict (true for exit status 0); one that runs longer
// is not waited for and counts as started (true). False when it cannot be started. Any thread.
[[nodiscard]] bool openFolder(const std::filesystem::path& folder);

}  // namespace os
