#include "platform/os/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace os {
namespace {

std::filesystem::path lf_runtimeFolder() {
  if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) return dir;
  std::error_code ec;
  auto dir = std::filesystem::temp_directory_path(ec) / ("quillstar-" + std::to_string(getuid()));
  std::filesystem::create_directories(dir, ec);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
  return dir;
}

}  // namespace

std::optional<SingleInstance> SingleInstance::acquire(std::string_view name) {
  // Names like "Local\$QLST$" become one file name.
  std::string file(name);
  for (char& c : file)
    if (c == '\\' || c == '/') c = '_';
  const auto path = lf_runtimeFolder() / (file + ".lock");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return SingleInstance(fd);
}

void SingleInstance::release(Handle handle) {
  if (handle != kNone) ::close(static_cast<int>(handle));
}

}  // namespace os
