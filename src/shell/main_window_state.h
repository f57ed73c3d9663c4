#pragma once

// The main-window state: what the window paints besides the message line. Every subsystem
// writes it through the window view; the GUI thread reads a copy to paint. Any thread.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/window_view.h"

namespace orv {

struct ShownValues {
  std::array<std::int32_t, kWindowLampCount> lamps{0, 0, 1, 0, 3, 3, 1};
  std::array<std::int64_t, kWindowCountCount> counts{};
  std::array<std::string, kWindowTextCount> texts;
  std::array<bool, kWindowFlagCount> flags{};
  std::array<double, kWindowValueCount> values{-1.0, -1.0};
  std::int32_t staticCountdown = 20;

  [[nodiscard]] std::int32_t lamp(WindowLamp l) const { return lamps[static_cast<std::size_t>(l)]; }
  [[nodiscard]] std::int64_t count(WindowCount c) const { return counts[static_cast<std::size_t>(c)]; }
  [[nodiscard]] const std::string& text(WindowText t) const { return texts[static_cast<std::size_t>(t)]; }
  [[nodiscard]] bool flag(WindowFlag f) const { return flags[static_cast<std::size_t>(f)]; }
  [[nodiscard]] double value(WindowValue v) const { return values[static_cast<std::size_t>(v)]; }
};

class MainWindowState final : public WindowView {
 public:
  MainWindowState() = default;
  MainWindowState(const MainWindowState&) = delete;
  MainWindowState& operator=(const MainWindowState&) = delete;

  void setLamp(WindowLamp lamp, std::int32_t value) override;
  void setCount(WindowCount count, std::int64_t value) override;
  void setText(WindowText text, std::string_view value) override;
  void setStaticCountdown(std::int32_t minutes) override;
  void setFlag(WindowFlag flag, bool value) override;
  void setValue(WindowValue value, double number) override;
  // The callsign list's drop-down takes them, after one empty entry.
  void setCallsigns(std::vector<std::string> callsigns) override;
  void setParkingControls(bool enabled) override;
  // The window is painted whole: any band asks for a repaint of the main window.
  void repaint(WindowBand band) override;

  [[nodiscard]] ShownValues shown() const;

 private:
  mutable std::mutex mutex_;
  ShownValues shown_;
};

// The process's main-window state; the window registers it as the window view before it exists.
[[nodiscard]] MainWindowState& gf_mainWindowState();

}  // namespace orv
