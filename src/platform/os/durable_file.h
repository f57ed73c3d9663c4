#pragma once

#include <filesystem>
#include <system_error>

namespace os {

// Puts a fully written temporary file in the place of the target (which may exist) so that a crash
// or power loss leaves either the old or the whole new file: the file's data reach the disk first,
// then the file is renamed over the target, the rename written through (POSIX systems: fsync of the
// file, rename, fsync of the folder; Windows: FlushFileBuffers, then MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). False with the system's error in `ec`
// when the data could not be flushed or the rename failed; the temporary file then stays.
[[nodiscard]] bool replaceFileDurably(const std::filesystem::path& temporary,
                                      const std::filesystem::path& target, std::error_code& ec);

}  // namespace os
