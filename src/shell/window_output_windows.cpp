// The window's picture as the platform draws it, and the command file read as it grows.

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

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
    handOver(pending);
  }
}

void gf_releaseDrawingCaches() {
  // GDI keeps nothing of ours to free.
}

}  // namespace orv
