#include "platform/os/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace os {

bool replaceFileDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                        std::error_code& ec) {
  ec.clear();
  const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) ec.assign(errno, std::generic_category());
  if (fd >= 0) ::close(fd);
  if (ec) return false;
  std::filesystem::rename(temporary, target, ec);
  if (ec) return false;
  // The rename itself lives in the folder: flushed too, as far as the folder can be opened.
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    (void)::fsync(folderFd);
    ::close(folderFd);
  }
  return true;
}

}  // namespace os
