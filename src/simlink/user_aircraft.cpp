#include "simlink/user_aircraft.h"

#include <fmt/format.h>

#include <atomic>
#include <cmath>
#include <mutex>

#include "foundation/geometry.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "refdata/codes.h"
#include "simlink/command_queues.h"
#include "simlink/sim_display.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_state.h"

namespace orv {
namespace {

constexpr std::size_t kTitleLimit = 48;
constexpr double kTeleportNm = 10.0;
constexpr double kStandingKt = 2.0;

// The answers of the simulator, written by "SimClient" and copied by the start-up thread.
struct UserState {
  UserAcBlock block;
  Position previous;  // of the last position answer, for the teleport test
  std::string title;
  std::string standName;
};

std::mutex userMutex;
UserState user;  // guarded by userMutex

std::atomic<bool> onGround{false};
std::atomic<bool> dataKnown{false};
std::atomic<double> halfWingspan{0.0};
std::atomic<std::int64_t> simulatorUtc{0};
std::atomic<bool> keepSimulatorUtc{false};

std::mutex hookMutex;
NearestStandNameHook nearestStandHook;  // guarded by hookMutex
UserStandReservationHook reservationHook;

std::string lf_nearestStandName(double latitude, double longitude) {
  NearestStandNameHook hook;
  {
    std::scoped_lock lock(hookMutex);
    hook = nearestStandHook;
  }
  return hook ? hook(latitude, longitude) : std::string();
}

double lf_halfWingspan(std::string_view model) {
  return gf_halfWingspan(gf_modelId(model));
}

std::string_view lf_className(std::string_view model) {
  return gf_modelClassName(gf_modelClass(gf_modelId(model)));
}

bool lf_contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

bool gf_positionKnown(double latitude, double longitude) {
  return std::abs(latitude) > 0.0001 || std::abs(longitude) > 0.0001;
}

UserAcBlock gf_requestUserAcPosition() {
  {
    std::scoped_lock lock(gf_commandMutex());
    if (!gf_simConnectBlocked())
      (void)gf_checkRequest(SimConnect_RequestDataOnSimObject(gf_simConnectHandle(), simid::kReqUserAircraft,
                                                              simid::kDefUserAircraft, sc::OBJECT_ID_USER,
                                                              sc::Period::ONCE, 0, 0, 0, 0),
                            "SimConnect request user ac position fails");
  }
  return gf_userAcBlock();
}

void gf_requestUserAcTitleAndModel() {
  std::scoped_lock lock(gf_commandMutex());
  // A blocked link sends nothing more, these two requests included.
  if (gf_simConnectBlocked()) return;
  const sc::Handle handle = gf_simConnectHandle();
  (void)gf_checkRequest(SimConnect_RequestDataOnSimObject(handle, simid::kReqUserTitle, simid::kDefUserTitle,
                                                          sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0),
                        "SimConnect request user ac title fails");
  (void)gf_checkRequest(SimConnect_RequestDataOnSimObject(handle, simid::kReqUserModel, simid::kDefUserModel,
                                                          sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0),
                        "SimConnect reques user ac model fails");
}

UserAcBlock gf_userAcBlock() {
  std::scoped_lock lock(userMutex);
  return user.block;
}

bool gf_userAircraftOnGround() {
  return onGround;
}
bool gf_userDataKnown() {
  return dataKnown;
}

std::string gf_userAcTitle() {
  std::scoped_lock lock(userMutex);
  return user.title;
}

double gf_userHalfWingspan() {
  return halfWingspan;
}
std::int64_t gf_simulatorUtc() {
  return simulatorUtc;
}
void gf_setKeepSimulatorUtc(bool keep) {
  keepSimulatorUtc = keep;
}

void gf_setNearestStandNameHook(NearestStandNameHook hook) {
  std::scoped_lock lock(hookMutex);
  nearestStandHook = std::move(hook);
}

void gf_setUserStandReservationHook(UserStandReservationHook hook) {
  std::scoped_lock lock(hookMutex);
  reservationHook = std::move(hook);
}

void lf_onUserAcPosition(UserAcBlock block) {
  if (block.position.altitude < 0) block.position.altitude = 0;
  const Position now{block.position.latitude, block.position.longitude};
  Position before;
  std::string storedStand;
  {
    std::scoped_lock lock(userMutex);
    user.block = block;
    before = user.previous;
    user.previous = now;
    storedStand = user.standName;
  }
  if (gf_positionKnown(before.latitude, before.longitude) && gf_positionKnown(now.latitude, now.longitude) &&
      gf_distanceNm(before, now) > kTeleportNm) {
    gf_logLine("Teleport");
    gf_endRun(ExitReason::NewFlight, 45);
  }

  const std::string stand = lf_nearestStandName(now.latitude, now.longitude);
  if (!stand.empty() && stand != storedStand)
    gf_showStandText(stand);
  else if (stand.empty() && !storedStand.empty())
    gf_showStandText("");
  {
    std::scoped_lock lock(userMutex);
    user.standName = stand;
  }

  if (keepSimulatorUtc) simulatorUtc = lf_zuluToUnix(block.zuluYear, block.zuluDayOfYear, block.zuluTime);
}

void lf_onUserAcTitle(std::string_view title) {
  if (title.empty()) {
    gf_logLine("! Title of your aircraft is empty?");
    return;
  }
  const std::string cut = lf_cutTitle(title);
  {
    std::scoped_lock lock(userMutex);
    if (cut == user.title) return;
    user.title = cut;
  }
  gf_showAircraftText(cut);
  gf_logIndented("SimConnect: User aircraft title: " + cut);
}

void lf_onUserAcModel(std::string_view rawModel) {
  const auto spanOr = [](std::string_view model, double fallback) {
    const double span = lf_halfWingspan(model);
    return span != 0.0 ? span : fallback;
  };
  if (rawModel.empty()) {
    gf_showAircraftText("Unknown (encrypted?) aircraft");
    gf_setMessage("171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead",
                  true);
    halfWingspan = spanOr("CRJ7", gf_largestHalfWingspan());
    return;
  }
  gf_logIndented(fmt::format("model raw: {}", rawModel));
  const std::string title = gf_userAcTitle();
  std::string model = lf_rewriteModel(rawModel, title);
  std::string line = "SimConnect: User aircraft model: " + model;

  if (lf_contains(model, "camerapod") || lf_contains(model, "Crew Vessel")) {
    gf_showSpanKnown(true);
    halfWingspan = lf_halfWingspan("E190");
    gf_logIndented(line);
    return;
  }
  bool known = false;
  if (const double span = lf_halfWingspan(model); model.size() <= 4 && span != 0.0) {
    halfWingspan = span;
    known = true;
  } else {
    halfWingspan = gf_largestHalfWingspan();
    for (const char* type : {"A319", "A320", "A321"}) {
      if (title.size() >= 13 && title.substr(0, 13) == fmt::format("Aerosoft {}", type)) {
        model = type;
        line = "SimConnect: User aircraft model deduced from title: " + model;
        if (const double deduced = lf_halfWingspan(model); deduced != 0.0) {
          halfWingspan = deduced;
          known = true;
        }
        break;
      }
    }
  }
  if (known) {
    gf_showSpanKnown(true);
    line += fmt::format(", half wing span: {:.1F} meter", halfWingspan.load() * 1852.0);
  } else {
    gf_showSpanKnown(false);
    gf_setMessage("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
  }
  line += fmt::format(", category: {}", lf_className(model));
  gf_logIndented(line);
}

void lf_onUserOnGround(std::int64_t simOnGround) {
  const UserAcBlock block = gf_userAcBlock();
  if (gf_positionKnown(block.position.latitude, block.position.longitude)) {
    onGround = static_cast<std::uint32_t>(simOnGround) != 0;
    dataKnown = true;
  }
  gf_raiseTick();
}

void lf_reserveUserStand() {
  if (!dataKnown) return;
  const UserAcBlock block = gf_userAcBlock();
  if (block.position.groundVelocity > kStandingKt) return;
  const std::string stand = lf_nearestStandName(block.position.latitude, block.position.longitude);
  if (stand.empty()) return;
  UserStandReservationHook hook;
  {
    std::scoped_lock lock(hookMutex);
    hook = reservationHook;
  }
  if (hook) hook(stand);
}

std::string lf_rewriteModel(std::string_view model, std::string_view title) {
  static constexpr std::pair<std::string_view, std::string_view> kRenamed[] = {
      {"A350-900", "A359"}, {"N738B", "B38M"}, {"777", "772"}, {"A330-200 (RR)", "A332"}};
  for (const auto& [from, to] : kRenamed)
    if (model == from) return std::string(to);

  if (const std::size_t p = model.find(".0.text"); model.size() >= 7 && p != std::string_view::npos) {
    for (std::size_t n = 4; n >= 2; --n) {
      if (n > p) continue;
      const std::string_view code = model.substr(p - n, n);
      if (lf_halfWingspan(code) != 0.0) return std::string(code);
    }
    return std::string(model);
  }
  if (model.size() >= 5 && model.starts_with("$$:")) return std::string(model.substr(3));
  if (model == "737") {
    static constexpr std::pair<std::string_view, std::string_view> kVariants[] = {
        {"DG 737-800", "B738"}, {"DG 737-700", "B737"}, {"DG 737-600", "B736"}, {"DG 737-900", "B739"}};
    for (const auto& [marker, code] : kVariants)
      if (lf_contains(title, marker)) return std::string(code);
  }
  return std::string(model);
}

std::int64_t lf_zuluToUnix(std::int64_t year, std::int64_t dayOfYear, std::int64_t seconds) {
  const std::int64_t y = year - 1;
  const std::int64_t days = 365 * y + y / 4 - y / 100 + y / 400 + dayOfYear - 719163;
  return days * 86400 + seconds;
}

std::string lf_cutTitle(std::string_view title) {
  if (title.size() <= kTitleLimit) return std::string(title);
  std::size_t n = kTitleLimit;
  // title[n] is the first byte left out: while it continues a character, that character goes too.
  while (n > 0 && (static_cast<unsigned char>(title[n]) & 0xC0) == 0x80) --n;
  return std::string(title.substr(0, n));
}

void gf_resetUserAircraft() {
  {
    std::scoped_lock lock(userMutex);
    user = UserState{};
  }
  onGround = false;
  dataKnown = false;
}

}  // namespace orv
