#include "foundation/window_view.h"

#include <atomic>

namespace orv {
namespace {

class NoWindow final : public WindowView {
 public:
  void setLamp(WindowLamp, std::int32_t) override {}
  void setCount(WindowCount, std::int64_t) override {}
  void setText(WindowText, std::string_view) override {}
  void setStaticCountdown(std::int32_t) override {}
  void setFlag(WindowFlag, bool) override {}
  void setValue(WindowValue, double) override {}
  void setCallsigns(std::vector<std::string>) override {}
  void setParkingControls(bool) override {}
  void repaint(WindowBand) override {}
};

NoWindow noWindow;
// Set by the main-window state before any thread starts, read by every thread.
std::atomic<WindowView*> registered{nullptr};

}  // namespace

void gf_setWindowView(WindowView* view) {
  registered = view;
}

WindowView& gf_windowView() {
  WindowView* view = registered.load();
  return view ? *view : noWindow;
}

ScopedWindowView::ScopedWindowView(WindowView& view) : previous_(registered.exchange(&view)) {}

ScopedWindowView::~ScopedWindowView() {
  registered = previous_;
}

}  // namespace orv
