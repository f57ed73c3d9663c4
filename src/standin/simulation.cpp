#include "standin/simulation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv::standin {

SimClock::SimClock(ClockMode mode, std::int64_t zuluBase, double frameHz)
    : mode_(mode),
      start_(os::clock().now()),
      zuluBase_(zuluBase),
      frameInterval_(Millis{std::max<std::int64_t>(1, std::llround(1000.0 / frameHz))}) {}

Millis SimClock::sinceStart() const {
  return std::chrono::duration_cast<Millis>(os::clock().now() - start_);
}

std::int64_t SimClock::zuluUnix() const {
  return zuluBase_ + std::chrono::duration_cast<std::chrono::seconds>(simElapsed_).count();
}

Millis SimClock::moveTo(Millis to) {
  if (to <= elapsed_) return Millis{0};
  const Millis dt = to - elapsed_;
  elapsed_ = to;
  return dt;
}

bool SimClock::frameDue() const {
  return !lastFrame_ || elapsed_ - *lastFrame_ >= frameInterval_;
}

SimObjects::SimObjects(const Scenario& scenario)
    : aiGroundAltFt_(scenario.groundAltFt.value_or(scenario.user.groundAltFt)),
      staticCgFt_(scenario.staticCgFt),
      // MSFS 2020 hands out small ids, the others large ones.
      nextId_(scenario.firstObjectId.value_or(scenario.appName == "KittyHawk" ? 100U : 0x01000000U)) {
  user_.id = kUserObjectId;
  user_.atcId = "USER";
  user_.createdByClient = false;
  setUserAircraft(scenario.user);
}

void SimObjects::setUserAircraft(const UserAircraft& u) {
  user_.title = u.title;
  user_.atcModel = u.atcModel;
  user_.latDeg = u.latDeg;
  user_.lonDeg = u.lonDeg;
  user_.altFt = u.altFt;
  user_.headingDeg = u.headingDeg;
  user_.pitchDeg = u.pitchDeg;
  user_.bankDeg = u.bankDeg;
  user_.onGround = u.onGround;
  user_.groundAltFt = u.groundAltFt;
  user_.groundSpeedKt = u.groundSpeedKt;
  user_.lightStates = u.lightStates;
}

UserAircraft SimObjects::userAircraft() const {
  UserAircraft u;
  u.title = user_.title;
  u.atcModel = user_.atcModel;
  u.latDeg = user_.latDeg;
  u.lonDeg = user_.lonDeg;
  u.altFt = user_.altFt;
  u.headingDeg = user_.headingDeg;
  u.pitchDeg = user_.pitchDeg;
  u.bankDeg = user_.bankDeg;
  u.onGround = user_.onGround;
  u.groundAltFt = user_.groundAltFt;
  u.groundSpeedKt = user_.groundSpeedKt;
  u.lightStates = user_.lightStates;
  return u;
}

void SimObjects::moveUser(Millis dt) {
  if (user_.groundSpeedKt == 0.0) return;
  const double nm = user_.groundSpeedKt * std::chrono::duration<double>(dt).count() / 3600.0;
  const double heading = user_.headingDeg * std::numbers::pi / 180.0;
  user_.latDeg += nm * std::cos(heading) / 60.0;
  const double cosLat = std::max(0.01, std::cos(user_.latDeg * std::numbers::pi / 180.0));
  user_.lonDeg += nm * std::sin(heading) / (60.0 * cosLat);
  if (user_.lonDeg > 180.0) user_.lonDeg -= 360.0;
  if (user_.lonDeg < -180.0) user_.lonDeg += 360.0;
}

SimObject* SimObjects::find(std::uint32_t id) {
  if (isUserId(id)) return &user_;
  return findAi(id);
}

SimObject* SimObjects::findAi(std::uint32_t id) {
  const auto it = ai_.find(id);
  return it == ai_.end() ? nullptr : &it->second;
}

const SimObject* SimObjects::findAiByAtcId(std::string_view atcId) const {
  const auto it =
      std::find_if(ai_.begin(), ai_.end(), [&](const auto& p) { return p.second.atcId == atcId; });
  return it == ai_.end() ? nullptr : &it->second;
}

std::uint32_t SimObjects::add(SimObject o) {
  o.id = nextId_++;
  const std::uint32_t id = o.id;
  ai_.emplace(id, std::move(o));
  return id;
}

std::vector<SimObject> SimObjects::takeClientObjects() {
  std::vector<SimObject> taken;
  for (auto it = ai_.begin(); it != ai_.end();) {
    if (it->second.createdByClient) {
      taken.push_back(std::move(it->second));
      it = ai_.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

void SimObjects::settle(SimObject& o) const {
  if (&o == &user_) return;
  o.onGround = o.altFt - o.groundAltFt <= staticCgFt_ + 1.0;
}

double distanceMetres(double lat1, double lon1, double lat2, double lon2) {
  constexpr double rad = std::numbers::pi / 180.0;
  const double h =
      std::pow(std::sin((lat2 - lat1) * rad / 2), 2) +
      std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::pow(std::sin((lon2 - lon1) * rad / 2), 2);
  return 2.0 * 6371008.8 * std::atan2(std::sqrt(h), std::sqrt(1.0 - h));
}

}  // namespace orv::standin
