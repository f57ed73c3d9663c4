#pragma once

#include <filesystem>
#include <string_view>

namespace os {

// Makes a new, empty folder under the system's temporary folder, named by the prefix and a random
// suffix, readable by its owner alone where the system has such rights. Throws
// std::filesystem::filesystem_error when none can be made.
[[nodiscard]] std::filesystem::path createTemporaryFolder(std::string_view prefix);

}  // namespace os
