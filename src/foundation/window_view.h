#pragma once

// What the window shows of a run: lamps, counts, texts and the static-parking countdown, and the
// repaint of a band. The shell's main-window state implements it; the subsystems below the shell
// reach the window only through it (or the message line), and tests put a recorder in its place.
// Any thread: an implementation guards its own state.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class WindowBand { Status, Options, Statistics };

enum class WindowLamp {
  SimulatorConnected,  // 0 or 1
  SimulationRunning,   // 0 or 1
  RealTrafficIdle,     // 1: the RealTraffic lamp is black
  RealTrafficKnown,    // 0 or 1
  TrafficReader,       // a ReaderStatus value, 3 before the reader started
  QnhReader,
  SpanKnown,  // 1: the user aircraft's title in the lamp's colour, 0: in yellow
};

inline constexpr std::size_t kWindowLampCount = 7;

enum class WindowCount {
  Simaddons,
  Thirdparties,
  ActiveLive,
  ParkedLive,
  ActiveStatic,
  Static,
  Liveries,        // liveries in the tables
  Qnh,             // hPa as shown
  Stands,          // stands of the park airport
  LearnedUpdates,  // learned parkings since the park airport was loaded
  WantedParked,    // static aircraft wanted (the parked-aircraft limit)
  WantedPercent,   // that count as a share of the stands
  WeekNumber,      // "RT_traffic_week" of the park airport's stand file
};
inline constexpr std::size_t kWindowCountCount = 13;

enum class WindowText {
  RealTrafficEdition,
  CsToOid,
  Simulator,
  UserAircraft,
  UserStand,
  ParkAirport,      // the park airport's code
  ParkAirportName,  // the two texts of the park airport's stand file
  ParkAirportDetail,
  ParkAirportQuality,  // the quality factors
  ReservedStand,       // the user's reserved stand at the park airport
};
inline constexpr std::size_t kWindowTextCount = 10;

// The park airport's marks in the statistics band.
enum class WindowFlag { HandmadeFile, ParkedDataRead, WeekPass, SoftPass, ReservedStandFound };
inline constexpr std::size_t kWindowFlagCount = 5;

// The two average fits of the statistics band, in half hours; -1 while unknown.
enum class WindowValue { AverageFitStatic, AverageFitLive };
inline constexpr std::size_t kWindowValueCount = 2;

class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void setLamp(WindowLamp lamp, std::int32_t value) = 0;
  virtual void setCount(WindowCount count, std::int64_t value) = 0;
  virtual void setText(WindowText text, std::string_view value) = 0;
  virtual void setStaticCountdown(std::int32_t minutes) = 0;
  virtual void setFlag(WindowFlag flag, bool value) = 0;
  virtual void setValue(WindowValue value, double number) = 0;
  // The callsigns of the window's callsign list, in list order.
  virtual void setCallsigns(std::vector<std::string> callsigns) = 0;
  // The static-parking controls take input (and the parking update is over), or not while the
  // static parking is worked out.
  virtual void setParkingControls(bool enabled) = 0;
  virtual void repaint(WindowBand band) = 0;
};

// The registration point of the one window view: the layers below the shell must not link the
// window. Until one is registered, and after it is withdrawn, a view that shows nothing answers.
void gf_setWindowView(WindowView* view);
[[nodiscard]] WindowView& gf_windowView();

// Registers a view for its own lifetime and restores the one before.
class ScopedWindowView {
 public:
  explicit ScopedWindowView(WindowView& view);
  ~ScopedWindowView();
  ScopedWindowView(const ScopedWindowView&) = delete;
  ScopedWindowView& operator=(const ScopedWindowView&) = delete;

 private:
  WindowView* previous_;
};

}  // namespace orv
