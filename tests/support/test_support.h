#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/known_folders.h"
#include "platform/ui/window.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A temporary folder that is the working folder while the object lives; the per-user folders
// (os::KnownFolder, as "config" and "data") and the runtime folder point into it as well, so that
// nothing of the user's own is touched.
class WorkingFolder : public TempFolder {
 public:
  WorkingFolder();
  ~WorkingFolder();

 private:
  std::filesystem::path previous_;
  std::vector<std::pair<os::KnownFolder, std::optional<std::filesystem::path>>> previousFolders_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// A window that is destroyed, with its children, when the object goes; so no procedure of a test
// that has ended is ever called by a later one (the dispatch drops messages to a stale handle).
class ScopedWindow {
 public:
  explicit ScopedWindow(ui::WindowSpec spec) : window_(ui::createWindow(std::move(spec))) {}
  ~ScopedWindow() {
    if (window_) (void)ui::destroyWindow(window_);
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  [[nodiscard]] ui::WindowHandle get() const { return window_; }
  explicit operator bool() const { return static_cast<bool>(window_); }

 private:
  ui::WindowHandle window_;
};

[[nodiscard]] std::string readFile(const std::filesystem::path& path);
[[nodiscard]] std::vector<std::string> readLines(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

// A '/'-separated path as the program writes it on this system ('\\' between the parts on Windows).
[[nodiscard]] std::string systemPath(const std::string& slashed);

// The lines of "Log.txt" after its first line (the banner), the log flushed first.
[[nodiscard]] std::vector<std::string> logBody();

// Polls the condition in real time until it holds; false when the limit passed first. For
// tests that wait on another process or a thread running on the real clock.
[[nodiscard]] bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace testing_support
