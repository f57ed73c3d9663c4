#include "shell/window_output.h"

#include <cairo.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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

constexpr int kWidth = 880;
constexpr int kHeight = 516;
constexpr double kFontSize = 13.0;

void lf_colour(cairo_t* cr, ui::Colour c) {
  cairo_set_source_rgb(cr, ui::red(c) / 255.0, ui::green(c) / 255.0, ui::blue(c) / 255.0);
}

std::string lf_utf8(const std::u16string& text) {
  try {
    return wide_to_utf8(text);
  } catch (const std::exception&) {
    return {};
  }
}

// Draws the text with its top at y.
void lf_text(cairo_t* cr, double x, double y, const std::string& text) {
  cairo_font_extents_t extents;
  cairo_font_extents(cr, &extents);
  cairo_move_to(cr, x, y + extents.ascent);
  cairo_show_text(cr, text.c_str());
}

ui::Colour lf_background(ui::WindowHandle window, ui::MessageId message) {
  const ui::LResult answer = ui::sendMessage(window, message);
  return answer < 0 ? ui::rgb(255, 255, 255) : static_cast<ui::Colour>(answer);
}

void lf_drawControl(cairo_t* cr, ui::WindowHandle window, const ui::ControlState& c) {
  const ui::Rect& r = c.rect;
  const double w = r.width();
  const double h = r.height();
  const ui::Colour textColour = c.enabled ? ui::rgb(0, 0, 0) : ui::rgb(160, 160, 160);
  const ui::Colour border = c.enabled ? ui::rgb(112, 112, 112) : ui::rgb(191, 191, 191);
  cairo_save(cr);
  cairo_rectangle(cr, r.left, r.top, w, h);
  cairo_clip(cr);
  std::string label;
  switch (c.kind) {
    case ui::ControlKind::Button:
      lf_colour(cr, c.enabled ? ui::rgb(225, 225, 225) : ui::rgb(204, 204, 204));
      cairo_paint(cr);
      label = lf_utf8(c.text);
      break;
    case ui::ControlKind::CheckBox:
      lf_colour(cr, lf_background(window, ui::WM_CTLCOLORSTATIC));
      cairo_paint(cr);
      lf_colour(cr, c.enabled ? ui::rgb(255, 255, 255) : ui::rgb(230, 230, 230));
      cairo_rectangle(cr, r.left, r.top, w, h);
      cairo_fill(cr);
      if (c.checked) {
        lf_colour(cr, textColour);
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, r.left + 2.5, r.top + h / 2);
        cairo_line_to(cr, r.left + w / 2 - 0.5, r.bottom - 3);
        cairo_line_to(cr, r.right - 2.5, r.top + 2.5);
        cairo_stroke(cr);
      }
      break;
    case ui::ControlKind::ComboBox: {
      lf_colour(cr, c.enabled ? ui::rgb(255, 255, 255) : ui::rgb(240, 240, 240));
      cairo_paint(cr);
      if (c.selection >= 0) label = lf_utf8(c.items[static_cast<std::size_t>(c.selection)]);
      lf_colour(cr, textColour);  // the drop-down arrow
      const double ax = r.right - 11;
      const double ay = r.top + h / 2 - 2;
      cairo_move_to(cr, ax, ay);
      cairo_line_to(cr, ax + 7, ay);
      cairo_line_to(cr, ax + 3.5, ay + 4);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    }
    case ui::ControlKind::Edit:
      lf_colour(cr, lf_background(window, ui::WM_CTLCOLOREDIT));
      cairo_paint(cr);
      label = lf_utf8(c.text);
      break;
    case ui::ControlKind::None:
      break;
  }
  lf_colour(cr, border);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, w - 1, h - 1);
  cairo_stroke(cr);
  if (!label.empty()) {
    lf_colour(cr, textColour);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    const double top = r.top + (h - extents.ascent - extents.descent) / 2;
    double x = r.left + 3;
    if (c.kind == ui::ControlKind::Button) {
      cairo_text_extents_t t;
      cairo_text_extents(cr, label.c_str(), &t);
      x = r.left + (w - t.x_advance) / 2;
    }
    lf_text(cr, x, top, label);
  }
  cairo_restore(cr);
}

bool lf_replaceFile(const std::filesystem::path& path, const std::string& content) {
  const auto temporary = std::filesystem::path(path.string() + ".tmp");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << content;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
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

bool gf_writeWindowPng(ui::WindowHandle window, const std::filesystem::path& path) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);  // black where nothing paints
  cairo_paint(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  if (const auto frame = ui::lastFrame(window)) {
    for (const ui::PaintOp& op : frame->ops) {
      lf_colour(cr, op.colour);
      const ui::Rect& r = op.rect;
      switch (op.kind) {
        case ui::PaintOp::Kind::Fill:
          cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
          cairo_fill(cr);
          break;
        case ui::PaintOp::Kind::Line:
          cairo_set_line_width(cr, 1.0);
          cairo_move_to(cr, r.left + 0.5, r.top + 0.5);
          cairo_line_to(cr, r.right + 0.5, r.bottom + 0.5);
          cairo_stroke(cr);
          break;
        case ui::PaintOp::Kind::Text:
          lf_text(cr, r.left, r.top, lf_utf8(op.text));
          break;
      }
    }
  }
  for (const ControlPlace& place : gf_controlPlaces())
    if (const auto state = ui::controlState(place.control->window())) lf_drawControl(cr, window, *state);
  cairo_destroy(cr);
  const auto temporary = std::filesystem::path(path.string() + ".tmp");
  const bool written = cairo_surface_write_to_png(surface, temporary.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  std::error_code ec;
  if (written) std::filesystem::rename(temporary, path, ec);
  return written && !ec;
}

void WindowSnapshots::update(ui::WindowHandle window, bool force) {
  if (!options_.png && !options_.text) return;
  const auto frame = ui::lastFrame(window);
  if (!force && (!frame || frame->number == frameNumber_)) return;
  if (frame) frameNumber_ = frame->number;
  std::string text = gf_windowText(window);
  if (!force && text == written_) return;
  if (options_.text && !lf_replaceFile(*options_.text, text))
    gf_logLine(fmt::format("Could not write the window text to {}", options_.text->string()));
  if (options_.png && !gf_writeWindowPng(window, *options_.png))
    gf_logLine(fmt::format("Could not write the window picture to {}", options_.png->string()));
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

void UiCommandFollower::follow() {
  using namespace std::chrono_literals;
  // Non-blocking, so that a FIFO without a writer neither blocks the open nor the stop.
  int fd = -1;
  std::string pending;
  char buffer[4096];
  while (!stop_) {
    if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    const ssize_t n = fd < 0 ? 0 : ::read(fd, buffer, sizeof buffer);
    if (n <= 0) {
      std::this_thread::sleep_for(50ms);
      continue;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    bool queued = false;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      gf_queueUiCommand(pending.substr(0, end));
      pending.erase(0, end + 1);
      queued = true;
    }
    if (queued) ui::postMessage(window_, WM_APP_UI_COMMAND);
  }
  if (fd >= 0) ::close(fd);
}

void gf_releaseDrawingCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace orv
