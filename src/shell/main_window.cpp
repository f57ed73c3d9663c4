#include "shell/main_window.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "airports/addon_scan.h"
#include "config/parameter_controls.h"
#include "config/parameter_store.h"
#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/program.h"
#include "foundation/run_control.h"
#include "foundation/time_text.h"
#include "foundation/utf.h"
#include "foundation/window_messages.h"
#include "foundation/window_view.h"
#include "platform/ui/controls.h"
#include "platform/ui/driver.h"
#include "platform/ui/paint.h"
#include "shell/commands.h"
#include "shell/main_cycle.h"
#include "shell/main_window_state.h"
#include "shell/run_state.h"
#include "shell/startup.h"
#include "shell/window_layout.h"
#include "shell/window_output.h"
#include "traffic/aircraft_text.h"
#include "traffic/realtraffic_link.h"

namespace orv {
namespace {

constexpr int kWindowWidth = 880;
constexpr int kWindowHeight = 516;
constexpr int kDefaultX = 400;
constexpr int kDefaultY = 20;

constexpr ui::Colour kRed = ui::rgb(255, 0, 0);
constexpr ui::Colour kLightBlue = ui::rgb(153, 204, 255);
constexpr ui::Colour kBlack = ui::rgb(0, 0, 0);
constexpr ui::Colour kLime = ui::rgb(50, 205, 50);
constexpr ui::Colour kYellow = ui::rgb(255, 255, 0);
constexpr ui::Colour kWhite = ui::rgb(255, 255, 255);
constexpr ui::Colour kGrey = ui::rgb(160, 160, 160);

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

// Texts that failed to convert, so that each is logged once.
std::mutex failedTextsMutex;
std::set<std::string> failedTexts;

void lf_textOut(ui::PaintContext& dc, int x, int y, std::string_view text, ui::Colour colour) {
  try {
    dc.textOut(x, y, utf8_to_wide(text), colour);
  } catch (const std::exception& e) {
    std::scoped_lock lock(failedTextsMutex);
    if (failedTexts.emplace(text).second)
      gf_logUnlessStopping(fmt::format("TextOut utf8  to wide failed for '{}': {}", text, e.what()));
  }
}

void lf_paintStatus(ui::PaintContext& dc, const ShownValues& v) {
  const bool connected = v.lamp(WindowLamp::SimulatorConnected) == 1;
  const bool titleKnown = !v.text(WindowText::UserAircraft).empty();
  const ui::Colour simLamp =
      !connected ? kRed : (v.lamp(WindowLamp::SimulationRunning) == 1 && titleKnown ? kLime : kYellow);
  dc.fillRect(ui::Rect{397, 30, 426, 113}, simLamp);
  lf_textOut(dc, 398, 63, "Sim", kLime);
  if (!connected) {
    lf_textOut(dc, 5, 35, "MSFS", kLime);
  } else {
    std::string situation = v.text(WindowText::Simulator);
    if (!v.text(WindowText::UserStand).empty()) situation += ", user stand " + v.text(WindowText::UserStand);
    lf_textOut(dc, 5, 35, situation, simLamp);
    lf_textOut(dc, 5, 63, v.text(WindowText::UserAircraft),
               v.lamp(WindowLamp::SpanKnown) == 1 ? simLamp : kYellow);
  }
  if (const std::int64_t liveries = v.count(WindowCount::Liveries); liveries != 0)
    lf_textOut(dc, 5, 91, fmt::format("# liveries: {}", liveries), kLime);
  else
    lf_textOut(dc, 5, 91, "# liveries: ...", kRed);
  const std::int64_t simaddons = v.count(WindowCount::Simaddons);
  const std::int64_t thirdparties = v.count(WindowCount::Thirdparties);
  lf_textOut(dc, 141, 91, fmt::format("# simaddon: {}", simaddons), simaddons != 0 ? kLime : kYellow);
  lf_textOut(dc, 278, 91, fmt::format("# thirdp: {}", thirdparties), thirdparties != 0 ? kLime : kYellow);
  const bool known = v.lamp(WindowLamp::RealTrafficKnown) == 1;
  const std::int32_t traffic = v.lamp(WindowLamp::TrafficReader);
  const ui::Colour rtLamp = v.lamp(WindowLamp::RealTrafficIdle) == 1 ? kBlack
                            : known                                  ? (traffic == 1 ? kLime : kYellow)
                                                                     : kRed;
  dc.fillRect(ui::Rect{425, 30, 454, 113}, rtLamp);
  lf_textOut(dc, 430, 63, "RT", kLime);
  if (known) {
    lf_textOut(dc, 458, 35, v.text(WindowText::RealTrafficEdition), rtLamp);
    const auto reader = [&dc](int y, std::string_view name, std::int32_t lamp) {
      if (lamp == 1 || lamp == 2) lf_textOut(dc, 458, y, name, lamp == 1 ? kLime : kYellow);
    };
    reader(63, "Weather", v.lamp(WindowLamp::QnhReader));
    reader(91, "Traffic", traffic);
  }
}

int lf_row(const WindowControl& control) {
  return control.row();
}

ui::Colour lf_onOff(bool condition, ui::Colour whenTrue, ui::Colour whenFalse) {
  return condition ? whenTrue : whenFalse;
}

void lf_paintOptionLabels(ui::PaintContext& dc, const ShownValues& v) {
  using namespace cfg;
  const auto label = [&dc](int x, const WindowControl& at, std::string_view text, ui::Colour colour) {
    lf_textOut(dc, x, lf_row(at), text, colour);
  };
  label(652, ALWAYS_ON_TOP, "Meta:", kBlack);
  label(768, ALWAYS_ON_TOP, "Stay on top", kBlack);
  label(672, OBJECTID_LIST, "Oid list", kBlack);
  label(768, NAV_LIGHTS_WHILE_PARKED, "Nav lights", kBlack);
  label(768, GUID_CHANGES, "GUID changes", lf_onOff(GUID_CHANGES.value(), kBlack, kYellow));
  label(672, AEROWINX, "Aerowinx", lf_onOff(AEROWINX.value(), kYellow, kBlack));
  label(25, SCAN_LIVERIES, "Scan for liveries", lf_onOff(SCAN_LIVERIES.value(), kYellow, kBlack));
  label(237, LIG_AUTOMATIC, "Automatic:", kBlack);
  label(556, LIG_PRIORITIZE, "Prioritize", kBlack);
  label(25, SCAN_AIRPORTS, "Scan for addon airports", lf_onOff(SCAN_AIRPORTS.value(), kYellow, kBlack));
  if (gf_tbloBundleReady())
    label(303, SCAN_AIRPORTS, "Please mail tblo.zip to support@quillstar.example", kRed);
  label(5, MATCHING_DEPTH, "Max aircraft matching depth", kBlack);
  label(258, LIGHT_AIRCRAFT, "Optional:", kBlack);
  const auto enabledColour = [](const WindowControl& c) {
    return ui::isEnabled(c.window()) ? kBlack : kGrey;
  };
  label(343, LIGHT_AIRCRAFT, "Light aircraft", enabledColour(LIGHT_AIRCRAFT));
  label(450, HELICOPTERS, "Helicopters", enabledColour(HELICOPTERS));
  label(556, HIGH_PERF_AIRCRAFT, "FighterJets", enabledColour(HIGH_PERF_AIRCRAFT));
  label(5, RANGE, "Traffic injection", kBlack);
  label(163, RANGE, "Radius:", kBlack);
  label(270, RANGE, "nm, or", kBlack);
  label(343, AUTO_RANGE, "Auto radius", kBlack);
  const ui::Colour autoColour = lf_onOff(AUTO_RANGE.value(), kBlack, kGrey);
  label(430, AR_ABOVE_HEIGHT, "Ah:", autoColour);
  label(536, AR_ABOVE_HEIGHT, "ft", autoColour);
  label(592, AIRBORNE_ONLY, "AirOnly", lf_onOff(AIRBORNE_ONLY.value(), kYellow, kBlack));
  label(5, BLOCK_CALLSIGN, "Block callsign:", kBlack);
  if (!CALLSIGN_2_OBJECTID.value().empty() && !v.text(WindowText::CsToOid).empty())
    label(476, CALLSIGN_2_OBJECTID, v.text(WindowText::CsToOid), kBlack);
  label(5, COLLISION_USER_GND, "Collision avoidance", kBlack);
  label(237, COLLISION_USER_GND, "User ground", kBlack);
  label(343, COLLISION_USER_AIR, "User air", kBlack);
  label(450, COLLISION_LIVE_PARKED_GND, "Live X parked", kBlack);
  const bool updating = gf_tickRequests().parkingUpdateInProgress.load();
  label(5, MAX_PARK_SEL, "Airport parking", lf_onOff(updating, kYellow, kBlack));
  const bool parkZero = MAX_PARK_SEL.value() == 0;
  const bool liveZero = MAX_LIVE_SEL.value() == 0;
  label(171, MAX_PARK_SEL, "Max park (static+live):",
        parkZero && liveZero ? kRed
        : parkZero           ? kYellow
                             : kBlack);
  label(401, MAX_LIVE_SEL, "Max live (park incl):",
        parkZero && liveZero ? kRed
        : liveZero           ? kYellow
                             : kBlack);
  label(672, STRAIGHT_PBS_ONLY, "Straight push backs only",
        lf_onOff(STRAIGHT_PBS_ONLY.value(), kBlack, kGrey));
  label(137, DESTINATION, "Destination:", kBlack);
  label(303, AIRP_RANGE, "Range:", kBlack);
  label(403, AIRP_RANGE, "nm", kBlack);
  label(440, AIRP_HEIGHT, "Height above gnd:", kBlack);
  label(646, AIRP_HEIGHT, "ft", kBlack);
  if (gf_staticParkingLoaded() && !updating) {
    const std::int32_t countdown = v.staticCountdown;
    if (INITIAL_LOAD_ONLY.value())
      label(5, AIRP_RANGE, "(no next ... )", kBlack);
    else if (countdown >= 1 && countdown <= 19)
      label(5, AIRP_RANGE, fmt::format("(next in {} min)", countdown), kBlack);
  }
  label(25, INITIAL_LOAD_ONLY, "ILO", lf_onOff(INITIAL_LOAD_ONLY.value(), kYellow, kBlack));
  label(91, WEEK, "Week", kBlack);
  label(171, PARK_SOFT, "Soft", kBlack);
  label(264, PARKING_PERCENTAGE, "Target: ", kBlack);
  label(378, PARKING_PERCENTAGE, "%", kBlack);
  label(506, MAX_FIT_FL, "Max fit:", kBlack);
  label(632, MAX_FIT_FL, "hrs", kBlack);
}

// The marks of the fit passes in force: week and soft.
std::string_view lf_passMarks(const ShownValues& v) {
  const bool week = v.flag(WindowFlag::WeekPass);
  const bool soft = v.flag(WindowFlag::SoftPass);
  return week && soft ? "*WS*" : soft ? "*S*" : week ? "*W*" : "";
}

// An average fit as the statistics show it; empty while unknown.
std::string lf_fitText(double fit) {
  return fit < 0.0 ? std::string() : gf_numberText(static_cast<float>(fit));
}

void lf_paintStatistics(ui::PaintContext& dc, const ShownValues& v) {
  constexpr int kRow = 399;
  constexpr int kSecondRow = 423;
  // The park airport's line while there is one.
  if (const std::string& park = v.text(WindowText::ParkAirport); !park.empty()) {
    lf_textOut(dc, 5, kRow, park, v.flag(WindowFlag::ParkedDataRead) ? kLime : kYellow);
    lf_textOut(dc, 90, kRow,
               fmt::format(" {}, {}{}, wk={}", v.text(WindowText::ParkAirportName),
                           v.text(WindowText::ParkAirportDetail),
                           v.flag(WindowFlag::HandmadeFile) ? " (h)" : "", v.count(WindowCount::WeekNumber)),
               kLime);
    if (const std::string_view marks = lf_passMarks(v); !marks.empty())
      lf_textOut(dc, 370, kRow, marks, kLime);
    lf_textOut(dc, 430, kRow, fmt::format("qf: {}", v.text(WindowText::ParkAirportQuality)), kLime);
    if (const std::string& stand = v.text(WindowText::ReservedStand); !stand.empty())
      lf_textOut(dc, 571, kRow, fmt::format("reserved stand: {}", stand),
                 v.flag(WindowFlag::ReservedStandFound) ? kLime : kRed);
  }
  lf_textOut(dc, 748, kRow, fmt::format("# updates: {:4}", v.count(WindowCount::LearnedUpdates)), kLime);

  lf_textOut(dc, 5, kSecondRow, fmt::format("# stands: {:3}", v.count(WindowCount::Stands)), kLime);
  lf_textOut(dc, 111, kSecondRow, fmt::format("parked live: {:3}", v.count(WindowCount::ParkedLive)), kLime);
  lf_textOut(dc, 249, kSecondRow,
             fmt::format("average fit: {}", lf_fitText(v.value(WindowValue::AverageFitStatic))), kLime);
  lf_textOut(dc, 430, kSecondRow, fmt::format("static: {:3}", v.count(WindowCount::Static)), kLime);
  lf_textOut(dc, 500, kSecondRow, fmt::format(" ({})", v.count(WindowCount::ActiveStatic)), kYellow);
  if (const std::string live = lf_fitText(v.value(WindowValue::AverageFitLive)); !live.empty())
    lf_textOut(dc, 571, kSecondRow, fmt::format(" ({})", live), kLime);
  if (const std::int64_t maxPark = v.count(WindowCount::WantedParked); maxPark > 0)
    lf_textOut(dc, 708, kSecondRow,
               fmt::format("max park: {:3} (={} %)", maxPark, v.count(WindowCount::WantedPercent)), kLime);
  else
    lf_textOut(dc, 708, kSecondRow, "no max park live", kLime);
}

void lf_paintMessageLine(ui::PaintContext& dc) {
  const MessageLines lines = gf_messageLines();
  if (!lines.error.empty()) {
    dc.fillRect(ui::Rect{0, 448, 881, 477}, kRed, "message");
    lf_textOut(dc, 3, 455, lines.error, kYellow);
  } else {
    dc.fillRect(ui::Rect{0, 448, 881, 477}, kLime, "message");
    if (!lines.message.empty()) lf_textOut(dc, 3, 455, lines.message, kYellow);
  }
}

void lf_paintWindow(ui::PaintContext& dc) {
  const ShownValues v = gf_mainWindowState().shown();
  dc.fillRect(ui::Rect{0, 0, 880, 28}, kBlack, "title");
  dc.fillRect(ui::Rect{0, 28, 880, 112}, kBlack, "status");
  dc.fillRect(ui::Rect{0, 112, 880, 392}, kLightBlue, "options");
  dc.fillRect(ui::Rect{0, 392, 880, 448}, kBlack, "statistics");
  for (int y : {28, 112, 392, 448}) dc.line(0, y, 880, y, kWhite);
  lf_textOut(dc, 3, 7, fmt::format("Version {}.{}.{}", kVersionMajor, kVersionMinor, kVersionPatch), kLime);
  lf_textOut(dc, 390, 7, kProductName, kLime);
  for (int y : {140, 168, 196, 224, 252, 280, 308}) dc.line(0, y, 880, y, kBlack);
  lf_paintStatus(dc, v);
  if (v.lamp(WindowLamp::RealTrafficKnown) == 1) {
    const std::int32_t qnhLamp = v.lamp(WindowLamp::QnhReader);
    const std::int32_t trafficLamp = v.lamp(WindowLamp::TrafficReader);
    if (qnhLamp == 1 || qnhLamp == 2) {
      const std::int64_t qnh = v.count(WindowCount::Qnh);
      lf_textOut(dc, 642, 63, qnh < 1 ? fmt::format("qnh: {:4}", "") : fmt::format("qnh: {:4}", qnh), kLime);
    }
    if (trafficLamp == 1 || trafficLamp == 2)
      lf_textOut(dc, 642, 91, fmt::format("live: {:3}", v.count(WindowCount::ActiveLive)), kLime);
  }
  lf_paintOptionLabels(dc, v);
  lf_paintStatistics(dc, v);
  lf_paintMessageLine(dc);
}

ui::LResult lf_editProc(EditParameter& parameter, ui::WindowHandle window, ui::MessageId message,
                        ui::WParam wParam, ui::LParam lParam) {
  if (message == ui::WM_CHAR && wParam == 13) {
    gf_clearMessage();
    const auto text = ui::windowText(window).value_or(u"");
    std::string typed;
    try {
      typed = wide_to_utf8(text);
    } catch (const std::exception& e) {
      gf_logLine(fmt::format("lf_getTextFromId: UTF-16 UTF-8 failed for id {}: {}", parameter.controlId(),
                             e.what()));
    }
    gf_onEditEntered(parameter, typed);
    return 0;
  }
  return parameter.previousProc(window, message, wParam, lParam);
}

void lf_createControls(ui::WindowHandle window) {
  for (const ControlPlace& place : gf_controlPlaces()) {
    WindowControl& control = *place.control;
    ui::ControlSpec spec;
    spec.kind = control.kind();
    spec.parent = window;
    spec.controlId = control.controlId();
    spec.rect = gf_controlRect(place);
    spec.listHeight = place.listHeight;
    spec.enabled = control.kind() == ui::ControlKind::ComboBox || control.kind() == ui::ControlKind::CheckBox;
    if (control.kind() == ui::ControlKind::Button) spec.text = utf8_to_wide(place.name);
    if (control.kind() == ui::ControlKind::Edit) spec.proc = ui::defEditProc;
    const ui::WindowHandle handle = ui::createControl(std::move(spec));
    control.setWindow(handle);
    if (auto* box = dynamic_cast<CheckBoxParameter*>(&control)) ui::setCheck(handle, box->value());
    if (auto* edit = dynamic_cast<EditParameter*>(&control)) {
      edit->previousProc =
          ui::setWindowProc(handle, [edit](ui::WindowHandle w, ui::MessageId m, ui::WParam wp,
                                           ui::LParam lp) { return lf_editProc(*edit, w, m, wp, lp); });
    }
  }
  gf_mainWindowState().repaint(WindowBand::Options);
}

}  // namespace

ui::LResult lf_WndProc(ui::WindowHandle window, ui::MessageId message, ui::WParam wParam, ui::LParam lParam) {
  switch (message) {
    case ui::WM_CREATE:
      gf_setMainWindow(window);
      lf_createControls(window);
      return 0;
    case ui::WM_PAINT: {
      ui::PaintContext dc = ui::beginPaint(window);
      lf_paintWindow(dc);
      ui::endPaint(dc);
      return 0;
    }
    case ui::WM_COMMAND:
      if (lf_HandleWMCOMMAND(window, wParam)) return 0;
      return ui::defWindowProc(window, message, wParam, lParam);
    case ui::WM_CTLCOLOREDIT:
    case ui::WM_CTLCOLORSTATIC:
      return static_cast<ui::LResult>(kLightBlue);
    case WM_APP_START_RUN:
      lf_startRun();
      return 0;
    case WM_APP_END_PROCESS: {
      const std::int32_t previousX = cfg::MAIN_WINDOW_X.value();
      const std::int32_t previousY = cfg::MAIN_WINDOW_Y.value();
      // A minimised or maximised window keeps its normal place.
      const ui::Rect place = ui::normalRect(window).value_or(ui::Rect{});
      cfg::MAIN_WINDOW_X.set(place.left);
      cfg::MAIN_WINDOW_Y.set(place.top);
      gf_saveIntParameter(cfg::MAIN_WINDOW_X);
      gf_saveIntParameter(cfg::MAIN_WINDOW_Y);
      lf_keepWindowOnMonitor(previousX, previousY);
      gf_logLine(gf_timeText(gf_utcNow()));
      ui::postQuitMessage(gf_exitCode());
      return 0;
    }
    case WM_APP_UI_COMMAND:
      for (const std::string& line : gf_takeUiCommands()) {
        if (!gf_runUiCommand(window, line)) gf_logLine(fmt::format("ui-commands: refused: {}", line));
        ui::pumpUntilIdle();
      }
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

ui::Point gf_placeOnMonitor(std::int32_t x, std::int32_t y) {
  constexpr int kVisible = 48;
  ui::Rect r{x, y, x + kWindowWidth, y + kWindowHeight};
  const ui::Rect work = ui::nearestMonitor(r).work;
  if (r.width() > work.width()) r = ui::Rect{work.left, r.top, work.left + r.width(), r.bottom};
  if (r.height() > work.height()) r = ui::Rect{r.left, work.top, r.right, work.top + r.height()};
  int left = r.left;
  int top = r.top;
  if (left + kWindowWidth < work.left + kVisible) left = work.left + kVisible - kWindowWidth;
  left = std::min(left, work.right - kVisible);
  if (top + kWindowHeight < work.top + kVisible) top = work.top + kVisible - kWindowHeight;
  top = std::min(top, work.bottom - kVisible);
  return ui::Point{left, top};
}

void lf_keepWindowOnMonitor(std::int32_t fallbackX, std::int32_t fallbackY) {
  IntParameter& px = cfg::MAIN_WINDOW_X;
  IntParameter& py = cfg::MAIN_WINDOW_Y;
  // A coordinate at the end of its range was never a real place.
  if (px.value() == px.minimum() || px.value() == px.maximum()) {
    px.set(fallbackX);
    gf_saveIntParameter(px);
  }
  if (py.value() == py.minimum() || py.value() == py.maximum()) {
    py.set(fallbackY);
    gf_saveIntParameter(py);
  }
  const ui::Point place = gf_placeOnMonitor(px.value(), py.value());
  if (place.x == px.value() && place.y == py.value()) return;
  px.set(place.x);
  py.set(place.y);
  gf_saveIntParameter(px);
  gf_saveIntParameter(py);
  if (const ui::WindowHandle window = gf_mainWindow()) ui::moveWindow(window, px.value(), py.value());
}

bool initInstance(std::u16string_view title) {
  gf_setWindowView(&gf_mainWindowState());  // what the window paints, before the window
  if (gf_readWindowPosition()) lf_keepWindowOnMonitor(kDefaultX, kDefaultY);
  const int x = cfg::MAIN_WINDOW_X.value();
  const int y = cfg::MAIN_WINDOW_Y.value();
  ui::WindowSpec spec;
  spec.className = std::u16string(title);
  spec.text = std::u16string(title);
  spec.rect = ui::Rect{x, y, x + kWindowWidth, y + kWindowHeight};
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
