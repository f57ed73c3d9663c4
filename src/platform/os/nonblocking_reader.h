#pragma once

// A file or FIFO read without ever waiting: the open of a FIFO that has no writer yet and a read
// with nothing to read both return at once. POSIX systems only (on Windows the standard library's
// file streams serve). Owns the descriptor; one thread at a time.

#include <cstddef>
#include <filesystem>
#include <span>

namespace os {

class NonBlockingReader {
 public:
  NonBlockingReader() = default;
  ~NonBlockingReader();
  NonBlockingReader(const NonBlockingReader&) = delete;
  NonBlockingReader& operator=(const NonBlockingReader&) = delete;

  // Opens the file unless it is open already; true when it is open.
  [[nodiscard]] bool open(const std::filesystem::path& path);

  // What waits to be read, up to the buffer's size; 0 when nothing waits, at the end (a FIFO
  // without a writer), on a failure, and when the file is not open.
  [[nodiscard]] std::size_t read(std::span<char> buffer);

 private:
  int fd_ = -1;
};

}  // namespace os
