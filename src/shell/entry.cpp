#include "shell/entry.h"

#include <fmt/format.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>

#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/window_messages.h"
#include "platform/os/close_signals.h"
#include "platform/os/single_instance.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "shell/setting_links.h"
#include "shell/window_output.h"

namespace orv {
namespace {

// A stop signal that arrives before the window exists is kept until the window can take it.
std::atomic<bool> closeRequested{false};

void lf_onCloseSignal() {
  closeRequested = true;
  ui::postMessage(gf_mainWindow(), ui::WM_CLOSE);
}

}  // namespace

int lf_winMain(std::span<const std::string_view> arguments) {
  const bool production = gf_productionRequested(arguments);
  // The product name, from the program's string resources.
  std::optional<std::u16string> title = ui::loadString(ui::IDS_PRODUCT_NAME);
  if (!title) {
    gf_logLine("Failed to load application title");
    return 0;
  }
  if (title->size() > 100) title->resize(100);

  std::error_code ec;
  const auto userFolder = gf_userFolderPath();
  if (!std::filesystem::is_directory(userFolder, ec)) std::filesystem::create_directories(userFolder, ec);
  if (ec) {
    gf_logLine(fmt::format("Failed to create directory: {}", ec.message()));
    return 0;
  }
  gf_linkSettingsIntoFoundation();
  if (!initInstance(*title)) {
    gf_logLine("initInstance failed");
    return 0;
  }
  gf_setProductionRun(production);
  ui::postMessage(gf_mainWindow(), WM_APP_START_RUN);
  if (closeRequested) ui::postMessage(gf_mainWindow(), ui::WM_CLOSE);

  const WindowOutputOptions output = gf_windowOutputOptions(arguments);
  WindowSnapshots snapshots(output);
  std::optional<UiCommandFollower> commands;
  if (output.commands) commands.emplace(*output.commands, gf_mainWindow());
  ui::Message message;
  while (ui::getMessage(message)) {
    ui::dispatchMessage(message);
    // After every message, not only WM_PAINT: a command's handler pumps the queue itself, and
    // the paints it dispatches would otherwise wait for the next paint of this loop.
    snapshots.update(gf_mainWindow());
  }
  commands.reset();
  snapshots.update(gf_mainWindow(), true);
  gf_joinStartUpThread();
  gf_releaseDrawingCaches();
  return static_cast<int>(message.wParam);
}

int wWinMain(std::span<const std::string_view> arguments, const SimulatorBackendFactory& simulator) {
  const auto instance = os::SingleInstance::acquire(kInstanceName);
  if (!instance) return -1;
  // Before any other thread starts, so that every thread inherits the blocked signals.
  os::CloseSignals closeSignals(lf_onCloseSignal);
  try {
    gf_openLog();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", std::string(kProductName).c_str(), e.what());
    return 1;
  }
  if (simulator) {
    try {
      sc::setBackend(simulator());
    } catch (const std::exception& e) {
      gf_logImportant(e.what());
      std::fprintf(stderr, "%s: %s\n", std::string(kProductName).c_str(), e.what());
      gf_closeLog();
      return 1;
    }
  }
  const int code = lf_winMain(arguments);
  sc::setBackend(nullptr);
  gf_closeLog();
  return code;
}

}  // namespace orv
