// The window's picture drawn by cairo from the headless window's last frame and its controls,
// and the command file read through a non-blocking descriptor.

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <chrono>
#include <thread>

#include "foundation/utf.h"
#include "platform/os/nonblocking_reader.h"
#include "platform/ui/controls.h"
#include "platform/ui/paint.h"
#include "shell/window_layout.h"
#include "shell/window_output.h"

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

}  // namespace

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

void UiCommandFollower::follow() {
  using namespace std::chrono_literals;
  // Non-blocking, so that a FIFO without a writer neither blocks the open nor the stop.
  os::NonBlockingReader file;
  std::string pending;
  char buffer[4096];
  while (!stop_) {
    const std::size_t n = file.open(path_) ? file.read(buffer) : 0;
    if (n == 0) {
      std::this_thread::sleep_for(50ms);
      continue;
    }
    pending.append(buffer, n);
    handOver(pending);
  }
}

void gf_releaseDrawingCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace orv
