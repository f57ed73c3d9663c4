// The window's picture as the platform draws it, and the command file read as it grows.

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "foundation/window_messages.h"
#include "platform/ui/picture.h"
#include "shell/window_output.h"

namespace orv {

bool gf_writeWindowPng(ui::WindowHandle window, const std::filesystem::path& path) {
  return ui::writeWindowPng(window, path);
}

void UiCommandFollower::follow() {
  using namespace std::chrono_literals;
  std::streamoff offset = 0;
  std::string pending;
  while (!stop_) {
    // Opened anew each time: the file may appear, and grows, while it is followed.
    std::ifstream in(path_, std::ios::binary);
    std::string chunk;
    if (in && in.seekg(offset))
      chunk.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (chunk.empty()) {
      std::this_thread::sleep_for(50ms);
      continue;
    }
    offset += static_cast<std::streamoff>(chunk.size());
    pending += chunk;
    bool queued = false;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      gf_queueUiCommand(pending.substr(0, end));
      pending.erase(0, end + 1);
      queued = true;
    }
    if (queued) ui::postMessage(window_, WM_APP_UI_COMMAND);
  }
}

void gf_releaseDrawingCaches() {
  // GDI keeps nothing of ours to free.
}

}  // namespace orv
