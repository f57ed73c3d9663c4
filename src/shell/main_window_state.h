#pragma once

// The main-window state: what the window paints besides the message line. Every subsystem
// writes it through the window view; the GUI thread reads a copy to paint. Any thread.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "foundation/window_view.h"

namespace orv {

struct ShownValues {
  std::array<std::int32_t, 7> lamps{0, 0, 1, 0, 3, 3, 1};  // by WindowLamp
  std::array<std::int64_t, 6> counts{};                    // by WindowCount
  std::array<std::string, 5> texts;                        // by WindowText
  std::int32_t staticCountdown = 20;

  [[nodiscard]] std::int32_t lamp(WindowLamp l) const { return lamps[static_cast<std::size_t>(l)]; }
  [[nodiscard]] std::int64_t count(WindowCount c) const { return counts[static_cast<std::size_t>(c)]; }
  [[nodiscard]] const std::string& text(WindowText t) const { return texts[static_cast<std::size_t>(t)]; }
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
