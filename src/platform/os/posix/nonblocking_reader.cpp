#include "platform/os/nonblocking_reader.h"

#include <fcntl.h>
#include <unistd.h>

namespace os {

NonBlockingReader::~NonBlockingReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool NonBlockingReader::open(const std::filesystem::path& path) {
  if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  return fd_ >= 0;
}

std::size_t NonBlockingReader::read(std::span<char> buffer) {
  if (fd_ < 0) return 0;
  const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace os
