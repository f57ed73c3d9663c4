#include "standin/state.h"

namespace orv::standin {
namespace {

std::int64_t lf_zuluBase(const Scenario& scenario) {
  return scenario.zuluUnix.value_or(
      std::chrono::duration_cast<std::chrono::seconds>(os::clock().utcNow().time_since_epoch()).count());
}

}  // namespace

StandIn::State::State(Scenario s, ClockMode clockMode, Journal& j)
    : scenario(std::move(s)),
      journal(j),
      clock(clockMode, lf_zuluBase(scenario), scenario.frameHz),
      objects(scenario),
      available(scenario.available),
      flightRunning(scenario.flightRunning) {
  advanceTo(Millis{0});
}

// --- calls ---

bool StandIn::State::failing(Call call) {
  auto it = failures.find(call);
  if (it == failures.end() || it->second <= 0) return false;
  --it->second;
  log(callName(call), Entry{{"failed", "injected"}});
  return true;
}

Connection* StandIn::State::live(sc::Handle handle) {
  if (!connection || connection->handle != handle || connection->dead) return nullptr;
  return &*connection;
}

void StandIn::State::dropConnection(std::string_view reason) {
  for (const SimObject& o : objects.takeClientObjects()) {
    log("remove", Entry{{"object", o.id}, {"title", o.title}, {"tail", o.atcId}, {"reason", reason}});
    positionLines.forget(o.id);
  }
  connection.reset();
}

// --- records ---

void StandIn::State::queue(RecordBuffer record) {
  // Nothing follows the QUIT record.
  if (connection && !connection->dead && !connection->quitting)
    connection->outgoing.push_back(std::move(record));
}

void StandIn::State::raise(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
  if (!connection || connection->dead) return;
  queue(makeException(exception, sendId, index));
  log("exception", Entry{{"exception", exception}, {"packet", sendId}, {"index", index}});
}

void StandIn::State::queueFrame() {
  if (!connection || connection->dead || !connection->frameEvent) return;
  queue(makeFrame(*connection->frameEvent, static_cast<float>(scenario.frameHz)));
  auto& requests = connection->requests;
  for (auto it = requests.begin(); it != requests.end();) {
    const bool perFrame = it->period == sc::Period::VISUAL_FRAME || it->period == sc::Period::SIM_FRAME;
    it = (perFrame && !reply(*it, sc::RECV_ID_SIMOBJECT_DATA)) ? requests.erase(it) : it + 1;
  }
}

bool StandIn::State::reply(const Request& request, std::uint32_t recvId, std::uint32_t entry,
                           std::uint32_t outOf) {
  const SimObject* o = objects.find(request.objectId);
  if (!o || !connection) return false;
  const auto def = connection->definitions.find(request.defineId);
  if (def == connection->definitions.end()) return false;
  const SimulationFacts now = facts();
  ValuePacker packer;
  for (const DefinitionEntry& e : def->second) packValue(packer, *o, e, now);
  DataRecordHeader header;
  header.recvId = recvId;
  header.requestId = request.requestId;
  header.objectId = o->id;
  header.defineId = request.defineId;
  header.entryNumber = entry;
  header.outOf = outOf;
  header.defineCount = static_cast<std::uint32_t>(def->second.size());
  queue(makeSimObjectData(header, packer.bytes()));
  return true;
}

SimulationFacts StandIn::State::facts() const {
  return SimulationFacts{clock.zuluUnix(), scenario.staticCgFt, scenario.staticPitchDeg};
}

// --- objects ---

std::uint32_t StandIn::State::addObject(SimObject o) {
  const std::uint32_t id = objects.add(std::move(o));
  if (connection && connection->objectAddedEvent)
    queue(makeObjectAddRemove(*connection->objectAddedEvent, id, sc::SIMOBJECT_TYPE_AIRCRAFT));
  return id;
}

void StandIn::State::eraseObject(std::uint32_t id) {
  objects.erase(id);
  positionLines.forget(id);
  if (connection && connection->objectRemovedEvent)
    queue(makeObjectAddRemove(*connection->objectRemovedEvent, id, sc::SIMOBJECT_TYPE_AIRCRAFT));
}

}  // namespace orv::standin
