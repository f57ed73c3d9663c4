#include "shell/main_window.h"

#include <fmt/format.h>

#include <mutex>
#include <string>
#include <thread>

#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/window_messages.h"
#include "foundation/window_view.h"
#include "shell/main_window_state.h"
#include "shell/run_state.h"
#include "shell/startup.h"
#include "traffic/realtraffic_link.h"

namespace orv {
namespace {

constexpr int kWindowWidth = 880;
constexpr int kWindowHeight = 516;
constexpr int kDefaultX = 400;
constexpr int kDefaultY = 20;

// The thread of the current run. Started and joined on the GUI thread only; a run's thread
// ends right after it posted WM_APP+1 or WM_APP+2, so joining it there waits at most a moment.
std::thread startUpThread;

void lf_startRun() {
  if (startUpThread.joinable()) startUpThread.join();
  startUpThread = std::thread([] { lf_startUpQLST(); });
}

void lf_onClose() {
  gf_setMessage(fmt::format("Close window button clicked, closing {} ...", kProductName));
  gf_raiseClosing();
  gf_closeRealTrafficLink();
  gf_endRunByUser();
}

}  // namespace

ui::LResult lf_WndProc(ui::WindowHandle window, ui::MessageId message, ui::WParam wParam, ui::LParam lParam) {
  switch (message) {
    case WM_APP_START_RUN:
      lf_startRun();
      return 0;
    case WM_APP_END_PROCESS:
      ui::postQuitMessage(gf_exitCode());
      return 0;
    case WM_APP_REPAINT_MESSAGE:
      ui::invalidate(window);
      return 0;
    case ui::WM_CLOSE:
      // The window stays until the closing down has posted WM_APP+2.
      lf_onClose();
      return 0;
    default:
      return ui::defWindowProc(window, message, wParam, lParam);
  }
}

bool initInstance(std::u16string_view title) {
  gf_setWindowView(&gf_mainWindowState());  // what the window paints, before the window
  ui::WindowSpec spec;
  spec.className = std::u16string(title);
  spec.text = std::u16string(title);
  spec.rect = ui::Rect{kDefaultX, kDefaultY, kDefaultX + kWindowWidth, kDefaultY + kWindowHeight};
  spec.proc = lf_WndProc;
  const ui::WindowHandle window = ui::createWindow(std::move(spec));
  if (!window) return false;
  gf_setMainWindow(window);
  ui::invalidate(window);
  return true;
}

void gf_joinStartUpThread() {
  if (startUpThread.joinable()) startUpThread.join();
}

}  // namespace orv
