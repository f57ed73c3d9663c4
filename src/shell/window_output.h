#pragma once

// The main window seen from outside: written as PNG and as text after each new frame, and
// driven by commands read from a file. GUI thread unless stated.

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/ui/window.h"

namespace orv {

struct WindowOutputOptions {
  std::optional<std::filesystem::path> png;       // --snapshot F.png
  std::optional<std::filesystem::path> text;      // --window-text F.txt
  std::optional<std::filesystem::path> commands;  // --ui-commands FILE
};

// The options after the program name; unknown arguments are left to others. A flag without its
// file is ignored.
[[nodiscard]] WindowOutputOptions gf_windowOutputOptions(std::span<const std::string_view> arguments);

// Draws the window's last frame and its controls as an 880 x 516 PNG; false when it could not be
// written.
bool gf_writeWindowPng(ui::WindowHandle window, const std::filesystem::path& path);

// Writes the files after a completed frame that differs from the one written last (each through
// a temporary file renamed into place).
class WindowSnapshots {
 public:
  explicit WindowSnapshots(WindowOutputOptions options) : options_(std::move(options)) {}
  // After each message was dispatched: writes a new frame of the window; while the last one
  // could not be written, tries it again. `force` at the end of the message loop.
  void update(ui::WindowHandle window, bool force = false);

 private:
  WindowOutputOptions options_;
  std::uint64_t frameNumber_ = 0;
  std::string written_;
  bool behind_ = false;  // the last frame could not be written
};

// Runs one command line through the test driver: "click NAME", "choose NAME ITEM",
// "type NAME TEXT" or "close". False for a line it refuses.
bool gf_runUiCommand(ui::WindowHandle window, std::string_view line);

// Follows a file (or FIFO) as it grows on a thread of its own and hands each line to the GUI
// thread, which runs it on WM_APP_UI_COMMAND (gf_takeUiCommands). Stops when destroyed.
class UiCommandFollower {
 public:
  UiCommandFollower(std::filesystem::path path, ui::WindowHandle window);
  ~UiCommandFollower();
  UiCommandFollower(const UiCommandFollower&) = delete;
  UiCommandFollower& operator=(const UiCommandFollower&) = delete;

 private:
  void follow();
  // Hands each complete line of `pending` to the GUI thread and leaves only the unfinished rest;
  // one wake-up however many lines came.
  void handOver(std::string& pending);
  std::filesystem::path path_;
  ui::WindowHandle window_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The lines waiting for the GUI thread; the window procedure runs them. Any thread.
[[nodiscard]] std::vector<std::string> gf_takeUiCommands();
void gf_queueUiCommand(std::string line);

// Frees the font caches before the process ends, so that leak checks see none.
void gf_releaseDrawingCaches();

}  // namespace orv
