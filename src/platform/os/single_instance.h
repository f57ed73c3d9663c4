#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace os {

// A named lock that only one process of the user's session can hold: a named mutex on Windows, an
// exclusive, non-blocking lock on a file in the runtime folder elsewhere
// ($XDG_RUNTIME_DIR, else a private folder under the system's temporary folder). The lock is held while
// the object lives (the process's lifetime at the entry) and released by the system when the
// process ends in any way.
class SingleInstance {
 public:
  // Empty when another process holds the name, or when the lock cannot be made.
  [[nodiscard]] static std::optional<SingleInstance> acquire(std::string_view name);

  SingleInstance(SingleInstance&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}
  SingleInstance& operator=(SingleInstance&& other) noexcept;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

 private:
  // A file descriptor or a Windows handle.
  using Handle = std::intptr_t;
  static constexpr Handle kNone = -1;
  explicit SingleInstance(Handle handle) : handle_(handle) {}
  static void release(Handle handle);
  Handle handle_ = kNone;
};

}  // namespace os
