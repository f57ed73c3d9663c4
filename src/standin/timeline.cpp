// Time passing and the happenings of the simulation: the scenario's timeline, the per-second and
// per-frame data, and the same happenings as tests cause them through the controls.

#include <stdexcept>

#include "standin/state.h"

namespace orv::standin {

using namespace std::chrono_literals;
using Json = nlohmann::json;

// --- time ---

void StandIn::State::catchUp() {
  if (clock.mode() != ClockMode::RealTime) return;
  advanceTo(clock.sinceStart());
  if (connection && !connection->dead && connection->frameEvent && clock.frameDue()) {
    queueFrame();
    clock.frameSent();
  }
}

void StandIn::State::advanceTo(Millis target) {
  while (nextAction < scenario.timeline.size() && scenario.timeline[nextAction].at <= target) {
    const TimelineAction& action = scenario.timeline[nextAction++];
    stepTime(action.at);
    apply(action);
  }
  stepTime(target);
}

void StandIn::State::stepTime(Millis to) {
  const Millis dt = clock.moveTo(to);
  if (dt <= Millis{0} || !available || !flightRunning) return;
  clock.runSimulation(dt);
  objects.moveUser(dt);
  if (!connection || connection->dead) return;
  auto& requests = connection->requests;
  for (auto it = requests.begin(); it != requests.end();) {
    if (it->period != sc::Period::SECOND) {
      ++it;
      continue;
    }
    bool gone = false;
    while (it->nextDue <= clock.simElapsed()) {
      if (!reply(*it, sc::RECV_ID_SIMOBJECT_DATA)) {
        gone = true;
        break;
      }
      it->nextDue += 1s;
    }
    it = gone ? requests.erase(it) : it + 1;
  }
}

// --- happenings ---

void StandIn::State::apply(const TimelineAction& action) {
  const Json& args = action.args;
  if (action.action == "pause") {
    setRunning(false, "pause");
  } else if (action.action == "resume") {
    setRunning(true, "resume");
  } else if (action.action == "teleport" || action.action == "user") {
    changeUser(action.action, args);
  } else if (action.action == "flight_loaded") {
    flightLoaded();
  } else if (action.action == "new_file") {
    newFile(args.contains("file") ? args["file"].get<std::string>() : std::string("flight.FLT"));
  } else if (action.action == "quit") {
    quit();
  } else if (action.action == "launch") {
    launch();
  } else if (action.action == "spawn") {
    spawn(args);
  } else if (action.action == "remove") {
    removeByAtcId(args["atc_id"].get<std::string>());
  } else if (action.action == "exception") {
    const auto number = args["exception"].get<std::uint32_t>();
    const auto index = args.contains("index") ? args["index"].get<std::uint32_t>() : 0U;
    raise(number, connection ? connection->lastPacketId : 0, index);
  }
}

void StandIn::State::setRunning(bool running, std::string_view call) {
  if (flightRunning == running) return;
  flightRunning = running;
  log(call);
  if (connection && connection->simEvent) {
    queue(makeEvent(*connection->simEvent, running ? 1 : 0));
    log("sim", Entry{{"value", running ? 1 : 0}});
  }
}

void StandIn::State::changeUser(std::string_view call, const Json& keys) {
  UserAircraft u = objects.userAircraft();
  applyUserKeys(u, keys, call);
  objects.setUserAircraft(u);
  Entry fields(keys);
  log(call, std::move(fields));
}

void StandIn::State::flightLoaded() {
  log("flight_loaded");
  if (connection && connection->flightLoadedEvent) queue(makeEvent(*connection->flightLoadedEvent, 0));
}

void StandIn::State::newFile(std::string_view file) {
  log("new_file", Entry{{"file", file}});
  if (connection && connection->flightLoadedEvent) queue(makeFilename(*connection->flightLoadedEvent, file));
}

void StandIn::State::quit() {
  log("quit", Entry{{"objects", objects.ai().size()}});
  available = false;
  refusalJournaled = false;
  objects.clear();
  positionLines.clear();
  if (connection && !connection->dead) {
    queue(makeQuit());
    connection->quitting = true;
  }
}

void StandIn::State::launch() {
  log("launch");
  available = true;
  refusalJournaled = false;
}

std::uint32_t StandIn::State::spawn(const Json& keys) {
  const SimObject& user = objects.user();
  SimObject o;
  o.title = keys.value("title", std::string("Simulator Traffic"));
  o.atcId = keys.value("atc_id", std::string("AS-GEN"));
  o.latDeg = keys.value("lat", user.latDeg);
  o.lonDeg = keys.value("lon", user.lonDeg);
  o.groundAltFt = objects.aiGroundAltFt();
  o.altFt = keys.value("alt_ft", objects.aiGroundAltFt() + objects.staticCgFt());
  o.headingDeg = keys.value("heading_deg", 0.0);
  objects.settle(o);
  if (keys.contains("on_ground")) o.onGround = keys["on_ground"].get<bool>();
  const std::uint32_t id = addObject(std::move(o));
  const SimObject& added = objects.ai().at(id);
  Entry fields{{"object", id}, {"title", added.title}, {"tail", added.atcId}};
  fields.update(positionFields(added));
  log("spawn", std::move(fields));
  return id;
}

void StandIn::State::removeByAtcId(std::string_view atcId) {
  const SimObject* o = objects.findAiByAtcId(atcId);
  if (!o) {
    log("remove", Entry{{"tail", atcId}, {"reason", "simulator"}, {"ok", false}});
    return;
  }
  const std::uint32_t id = o->id;
  log("remove", Entry{{"object", id}, {"title", o->title}, {"tail", atcId}, {"reason", "simulator"}});
  eraseObject(id);
}

// --- controls ---

void StandIn::advance(std::chrono::milliseconds duration) {
  std::scoped_lock lock(state_->mutex);
  if (state_->clock.mode() != ClockMode::Manual)
    throw std::logic_error("StandIn::advance: the stand-in runs in real time");
  state_->advanceTo(state_->clock.elapsed() + duration);
}

void StandIn::frame() {
  std::scoped_lock lock(state_->mutex);
  state_->queueFrame();
}

void StandIn::pause() {
  std::scoped_lock lock(state_->mutex);
  state_->setRunning(false, "pause");
}

void StandIn::resume() {
  std::scoped_lock lock(state_->mutex);
  state_->setRunning(true, "resume");
}

void StandIn::teleport(const nlohmann::json& userKeys) {
  std::scoped_lock lock(state_->mutex);
  state_->changeUser("teleport", userKeys);
}

void StandIn::setUser(const nlohmann::json& userKeys) {
  std::scoped_lock lock(state_->mutex);
  state_->changeUser("user", userKeys);
}

void StandIn::flightLoaded() {
  std::scoped_lock lock(state_->mutex);
  state_->flightLoaded();
}

void StandIn::newFile(std::string_view fileName) {
  std::scoped_lock lock(state_->mutex);
  state_->newFile(fileName);
}

void StandIn::quit() {
  std::scoped_lock lock(state_->mutex);
  state_->quit();
}

void StandIn::launch() {
  std::scoped_lock lock(state_->mutex);
  state_->launch();
}

std::uint32_t StandIn::spawn(const nlohmann::json& keys) {
  std::scoped_lock lock(state_->mutex);
  return state_->spawn(keys);
}

void StandIn::removeByAtcId(std::string_view atcId) {
  std::scoped_lock lock(state_->mutex);
  state_->removeByAtcId(atcId);
}

}  // namespace orv::standin
