#include "shell/window_output.h"

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <utility>

#include "foundation/log.h"
#include "foundation/utf.h"
#include "foundation/window_messages.h"
#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/paint.h"
#include "shell/window_layout.h"

namespace orv {
namespace {

bool lf_replaceFile(const std::filesystem::path& path, const std::string& content, int attempts) {
  auto temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << content;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    std::filesystem::rename(temporary, path, ec);
    if (!ec || attempt == attempts) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return !ec;
}

std::mutex commandsMutex;
std::vector<std::string> queuedCommands;

// NAME, quoted when it has a blank ("\"" and "\\" escaped), then the rest after one blank.
bool lf_splitName(std::string_view rest, std::string& name, std::string& tail) {
  name.clear();
  std::size_t i = 0;
  if (!rest.empty() && rest.front() == '"') {
    for (i = 1; i < rest.size() && rest[i] != '"'; ++i) {
      if (rest[i] == '\\' && i + 1 < rest.size()) ++i;
      name += rest[i];
    }
    if (i >= rest.size()) return false;  // no closing quote
    ++i;
  } else {
    while (i < rest.size() && rest[i] != ' ') name += rest[i++];
  }
  if (i < rest.size() && rest[i] != ' ') return false;
  tail = i < rest.size() ? std::string(rest.substr(i + 1)) : std::string();
  return !name.empty();
}

}  // namespace

WindowOutputOptions gf_windowOutputOptions(std::span<const std::string_view> arguments) {
  WindowOutputOptions options;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    const std::string_view flag = arguments[i];
    const std::filesystem::path file(arguments[i + 1]);
    if (flag == "--snapshot")
      options.png = file;
    else if (flag == "--window-text")
      options.text = file;
    else if (flag == "--ui-commands")
      options.commands = file;
    else
      continue;
    ++i;
  }
  return options;
}

void WindowSnapshots::update(ui::WindowHandle window, bool force) {
  if (!options_.png && !options_.text) return;
  const auto frame = ui::lastFrame(window);
  if (!force && (!frame || (!behind_ && frame->number == frameNumber_))) return;
  if (frame) frameNumber_ = frame->number;
  std::string text = gf_windowText(window);
  if (!force && !behind_ && text == written_) return;
  // Windows refuses to replace a file while a reader has it open. Readers hold it a moment only,
  // so a frame waits a little for them; once behind, each message tries once and goes on.
  const int attempts = behind_ ? 1 : 40;
  const bool textWritten = !options_.text || lf_replaceFile(*options_.text, text, attempts);
  const bool pictureWritten = !options_.png || gf_writeWindowPng(window, *options_.png);
  // Logged once for a spell of failures, which the retries on the next messages would repeat.
  if (!behind_ && !textWritten)
    gf_logLine(fmt::format("Could not write the window text to {}", options_.text->string()));
  if (!behind_ && !pictureWritten)
    gf_logLine(fmt::format("Could not write the window picture to {}", options_.png->string()));
  behind_ = !textWritten || !pictureWritten;
  written_ = std::move(text);
}

bool gf_runUiCommand(ui::WindowHandle window, std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line == "close") return ui::close(window);
  const auto blank = line.find(' ');
  if (blank == std::string_view::npos) return false;
  const std::string_view verb = line.substr(0, blank);
  std::string name;
  std::string tail;
  if (!lf_splitName(line.substr(blank + 1), name, tail)) return false;
  const ControlPlace* place = gf_findControlPlace(name);
  if (!place) return false;
  const ui::WindowHandle control = place->control->window();
  std::u16string wide;
  try {
    wide = utf8_to_wide(tail);
  } catch (const std::exception&) {
    return false;
  }
  if (verb == "click") return tail.empty() && ui::click(control);
  if (verb == "choose") return ui::choose(control, wide);
  if (verb == "type") return ui::type(control, wide);
  return false;
}

std::vector<std::string> gf_takeUiCommands() {
  std::scoped_lock lock(commandsMutex);
  return std::exchange(queuedCommands, {});
}

void gf_queueUiCommand(std::string line) {
  std::scoped_lock lock(commandsMutex);
  queuedCommands.push_back(std::move(line));
}

UiCommandFollower::UiCommandFollower(std::filesystem::path path, ui::WindowHandle window)
    : path_(std::move(path)), window_(window), thread_([this] { follow(); }) {}

UiCommandFollower::~UiCommandFollower() {
  stop_ = true;
  thread_.join();
}

void UiCommandFollower::handOver(std::string& pending) {
  bool queued = false;
  for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
    gf_queueUiCommand(pending.substr(0, end));
    pending.erase(0, end + 1);
    queued = true;
  }
  if (queued) ui::postMessage(window_, WM_APP_UI_COMMAND);
}

}  // namespace orv
