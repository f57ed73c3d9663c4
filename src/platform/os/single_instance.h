#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace os {

// A named lock that only one process of the user's session can hold: an exclusive, non-blocking
// lock on a file in the runtime folder. The lock is held while the object lives (the process's
// lifetime at the entry) and released by the system when the process ends in any way.
class SingleInstance {
 public:
  // Empty when another process holds the name, or when the lock file cannot be made.
  [[nodiscard]] static std::optional<SingleInstance> acquire(std::string_view name);

  SingleInstance(SingleInstance&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  SingleInstance& operator=(SingleInstance&& other) noexcept;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

 private:
  explicit SingleInstance(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// $XDG_RUNTIME_DIR, else a private folder under the system's temporary folder.
[[nodiscard]] std::filesystem::path runtimeFolder();

}  // namespace os
