#pragma once

#include <filesystem>
#include <system_error>

namespace os {

// Copies the file's contents over the target, which may exist; the system's error in `ec`
// otherwise. (The C++ library's copy_file with overwrite_existing refuses every existing target on
// Windows, where the file ids that it compares to rule out a copy onto itself are all zero.)
[[nodiscard]] bool copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                                     std::error_code& ec);

}  // namespace os
