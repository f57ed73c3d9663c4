// The simulator calls, as the client's SimConnect_* calls reach them: each journals itself and
// answers as the simulator would, refusals coming as exception records with the call's packet.

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>

#include "standin/state.h"

namespace orv::standin {
namespace {

using namespace std::chrono_literals;

// Not among the numbers the program names; the simulator's refusal of a radius beyond its limit.
constexpr std::uint32_t kExceptionOutOfBounds = 31;

}  // namespace

sc::HResult StandIn::open(sc::Handle* handle, std::string_view name, std::uint32_t configIndex) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::Open)) return sc::E_FAIL;
  if (!s.available) {
    // Clients retry every few milliseconds: one entry per spell of refusals.
    if (!s.refusalJournaled) s.log("open", Entry{{"client", name}, {"ok", false}, {"reason", "not running"}});
    s.refusalJournaled = true;
    return sc::E_FAIL;
  }
  if (s.connection) s.dropConnection("reopen");
  s.connection.emplace();
  s.connection->handle = s.nextHandle++;
  s.clock.restartFrames();
  s.queue(makeOpen(s.scenario.appName, s.scenario.appVersion));
  const auto& v = s.scenario.appVersion;
  s.log("open", Entry{{"client", name},
                      {"ok", true},
                      {"handle", s.connection->handle},
                      {"config", configIndex},
                      {"app_name", s.scenario.appName},
                      {"version", fmt::format("{}.{}.{}.{}", v[0], v[1], v[2], v[3])}});
  *handle = s.connection->handle;
  return sc::S_OK;
}

sc::HResult StandIn::close(sc::Handle handle) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::Close)) return sc::E_FAIL;
  // A connection the simulator ended can still be closed.
  if (!s.connection || s.connection->handle != handle) return sc::E_FAIL;
  s.log("close", Entry{{"handle", handle}});
  s.dropConnection("close");
  return sc::S_OK;
}

sc::HResult StandIn::callDispatch(sc::Handle handle, sc::DispatchProc dispatch, void* context) {
  std::deque<RecordBuffer> records;
  {
    std::scoped_lock lock(state_->mutex);
    State& s = *state_;
    s.catchUp();
    if (s.failing(Call::CallDispatch)) return sc::E_FAIL;
    Connection* c = s.live(handle);
    if (!c) return sc::E_FAIL;
    records.swap(c->outgoing);
    if (c->quitting) c->dead = true;
  }
  // Without the lock: the callback sends requests of its own.
  for (const RecordBuffer& record : records) dispatch(record.recv(), record.size(), context);
  return sc::S_OK;
}

sc::HResult StandIn::subscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId, std::string_view name) {
  return state_->handleCall(
      Call::SubscribeToSystemEvent, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        s.log("subscribe", Entry{{"event", eventId}, {"name", name}, {"packet", packet}});
        if (equalsIgnoringCase(name, "Sim")) {
          c.simEvent = eventId;
          if (s.flightRunning) {
            s.queue(makeEvent(eventId, 1));
            s.log("sim", Entry{{"value", 1}});
          }
        } else if (equalsIgnoringCase(name, "ObjectAdded")) {
          c.objectAddedEvent = eventId;
        } else if (equalsIgnoringCase(name, "ObjectRemoved")) {
          c.objectRemovedEvent = eventId;
        } else if (equalsIgnoringCase(name, "FlightLoaded")) {
          c.flightLoadedEvent = eventId;
        } else if (equalsIgnoringCase(name, "Frame")) {
          c.frameEvent = eventId;
        } else {
          s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 2);
        }
      });
}

sc::HResult StandIn::addToDataDefinition(sc::Handle handle, std::uint32_t defineId, std::string_view variable,
                                         std::string_view unit, sc::DataType type, float epsilon,
                                         std::uint32_t datumId) {
  return state_->handleCall(
      Call::AddToDataDefinition, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        s.log("define", Entry{{"def", defineId},
                              {"name", variable},
                              {"unit", unit},
                              {"type", static_cast<std::uint32_t>(type)},
                              {"epsilon", epsilon},
                              {"datum", datumId},
                              {"packet", packet}});
        const VarSpec* spec = findVariable(variable);
        if (!spec) {
          s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 3);
          return;
        }
        const std::optional<double> factor = unitFactor(spec->dim, unit);
        if (!factor) {
          s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 4);
          return;
        }
        const bool textType = type == sc::DataType::STRING32 || type == sc::DataType::STRINGV;
        const bool numberType = type == sc::DataType::INT64 || type == sc::DataType::FLOAT64;
        if ((spec->dim == Dim::Text && !textType) || (spec->dim != Dim::Text && !numberType)) {
          s.raise(sc::EXCEPTION_ERROR, packet, 5);
          return;
        }
        c.definitions[defineId].push_back(
            DefinitionEntry{std::string(variable), std::string(unit), type, spec, *factor});
      });
}

sc::HResult StandIn::mapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId,
                                              std::string_view name) {
  return state_->handleCall(
      Call::MapClientEventToSimEvent, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        s.log("map_event", Entry{{"event", eventId}, {"name", name}, {"packet", packet}});
        if (name.empty())
          s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 2);
        else
          c.clientEvents[eventId] = std::string(name);
      });
}

sc::HResult StandIn::addClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                       std::uint32_t eventId, bool maskable) {
  return state_->handleCall(
      Call::AddClientEventToNotificationGroup, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        s.log("group_add",
              Entry{{"group", groupId}, {"event", eventId}, {"maskable", maskable}, {"packet", packet}});
        if (!c.clientEvents.contains(eventId))
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
        else
          c.groups[groupId].push_back(eventId);
      });
}

sc::HResult StandIn::setNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                                  std::uint32_t priority) {
  return state_->handleCall(
      Call::SetNotificationGroupPriority, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        s.log("group_priority", Entry{{"group", groupId}, {"priority", priority}, {"packet", packet}});
        c.groupPriorities[groupId] = priority;
      });
}

sc::HResult StandIn::requestDataOnSimObject(sc::Handle handle, std::uint32_t requestId,
                                            std::uint32_t defineId, std::uint32_t objectId, sc::Period period,
                                            std::uint32_t flags, std::uint32_t origin, std::uint32_t interval,
                                            std::uint32_t limit) {
  return state_->handleCall(
      Call::RequestDataOnSimObject, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        if (c.requestLines.due(requestId, s.clock.elapsed()))
          s.log("request", Entry{{"request", requestId},
                                 {"def", defineId},
                                 {"object", objectId},
                                 {"period", static_cast<std::uint32_t>(period)},
                                 {"flags", flags},
                                 {"origin", origin},
                                 {"interval", interval},
                                 {"limit", limit},
                                 {"packet", packet}});
        if (!c.definitions.contains(defineId)) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
          return;
        }
        const SimObject* o = s.objects.find(objectId);
        if (!o) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 3);
          return;
        }
        std::erase_if(c.requests, [&](const Request& r) { return r.requestId == requestId; });
        Request request{requestId, defineId, o->id, period, s.clock.simElapsed()};
        switch (period) {
          case sc::Period::NEVER:
            break;
          case sc::Period::ONCE:
            s.reply(request, sc::RECV_ID_SIMOBJECT_DATA);
            break;
          case sc::Period::SECOND:
            if (s.flightRunning) {
              s.reply(request, sc::RECV_ID_SIMOBJECT_DATA);
              request.nextDue = s.clock.simElapsed() + 1s;
            }
            c.requests.push_back(request);
            break;
          case sc::Period::VISUAL_FRAME:
          case sc::Period::SIM_FRAME:
            c.requests.push_back(request);
            break;
        }
      });
}

sc::HResult StandIn::requestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId,
                                                std::uint32_t defineId, std::uint32_t radiusMeters,
                                                std::uint32_t objectType) {
  return state_->handleCall(
      Call::RequestDataOnSimObjectType, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        if (c.requestLines.due(requestId, s.clock.elapsed()))
          s.log("request_by_type", Entry{{"request", requestId},
                                         {"def", defineId},
                                         {"radius_m", radiusMeters},
                                         {"type", objectType},
                                         {"packet", packet}});
        if (!c.definitions.contains(defineId)) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
          return;
        }
        if (radiusMeters > sc::MAX_RADIUS_M) {
          s.raise(kExceptionOutOfBounds, packet, 3);
          return;
        }
        // The user's aircraft is always among the answers; every object here is an aircraft.
        std::vector<std::uint32_t> found{kUserObjectId};
        if (objectType != sc::SIMOBJECT_TYPE_USER) {
          if (objectType > sc::SIMOBJECT_TYPE_AIRCRAFT) {
            found.clear();
          } else {
            const SimObject& user = s.objects.user();
            for (const auto& [id, o] : s.objects.ai())
              if (distanceMetres(user.latDeg, user.lonDeg, o.latDeg, o.lonDeg) <= radiusMeters)
                found.push_back(id);
          }
        }
        for (std::size_t i = 0; i < found.size(); ++i)
          s.reply(Request{requestId, defineId, found[i], sc::Period::ONCE, {}},
                  sc::RECV_ID_SIMOBJECT_DATA_BYTYPE, static_cast<std::uint32_t>(i + 1),
                  static_cast<std::uint32_t>(found.size()));
      });
}

sc::HResult StandIn::setDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                        std::uint32_t flags, std::uint32_t arrayCount,
                                        std::span<const std::byte> data) {
  return state_->handleCall(
      Call::SetDataOnSimObject, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        const auto def = c.definitions.find(defineId);
        if (def == c.definitions.end()) {
          s.log("set_data", Entry{{"def", defineId}, {"object", objectId}, {"packet", packet}});
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
          return;
        }
        SimObject* o = s.objects.find(objectId);
        if (!o) {
          s.log("set_data", Entry{{"def", defineId}, {"object", objectId}, {"packet", packet}});
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
          return;
        }
        std::size_t expected = 0;
        bool settable = true;
        for (const DefinitionEntry& e : def->second) {
          expected += valueSize(e.type);
          if (e.type == sc::DataType::STRINGV) settable = false;
        }
        if (!settable || arrayCount > 1 || data.size() != expected) {
          s.log("set_data", Entry{{"def", defineId},
                                  {"object", objectId},
                                  {"size", data.size()},
                                  {"flags", flags},
                                  {"packet", packet}});
          s.raise(sc::EXCEPTION_INVALID_DATA_SIZE, packet, 6);
          return;
        }
        Entry values = Entry::object();
        ValueReader reader(data);
        bool position = false;
        for (const DefinitionEntry& e : def->second) {
          if (e.type == sc::DataType::STRING32) {
            reader.skip(32);  // texts are not set
            continue;
          }
          const double raw =
              e.type == sc::DataType::INT64 ? static_cast<double>(reader.int64()) : reader.float64();
          values[e.variable] = raw;
          if (e.spec->settable) writeNumber(*o, e.spec->var, raw * e.factor);
          if (e.spec->var == Var::Latitude) position = true;
        }
        s.objects.settle(*o);
        if (!position) {
          s.log("data", Entry{{"object", o->id}, {"def", defineId}, {"values", std::move(values)}});
          return;
        }
        // At most one position per object and second, so that the journal stays readable.
        if (s.positionLines.due(o->id, s.clock.elapsed())) {
          Entry fields{{"object", o->id}};
          fields.update(positionFields(*o));
          s.log("position", std::move(fields));
        }
      });
}

sc::HResult StandIn::transmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                         std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) {
  return state_->handleCall(
      Call::TransmitClientEvent, handle, [&](State& s, Connection& c, std::uint32_t packet) {
        const auto mapped = c.clientEvents.find(eventId);
        const std::string name = mapped == c.clientEvents.end() ? std::string() : mapped->second;
        s.log("event", Entry{{"object", objectId},
                             {"event", eventId},
                             {"name", name},
                             {"value", value},
                             {"group", groupId},
                             {"flags", flags},
                             {"packet", packet}});
        SimObject* o = s.objects.find(objectId);
        if (mapped == c.clientEvents.end()) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
        } else if (!o) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
        } else {
          o->lastEvents[eventId] = value;
          const std::string upper = upperCase(name);
          if (upper == "FREEZE_LATITUDE_LONGITUDE_SET") o->frozenLatLon = value != 0;
          if (upper == "FREEZE_ALTITUDE_SET") o->frozenAltitude = value != 0;
          if (upper == "FREEZE_ATTITUDE_SET") o->frozenAttitude = value != 0;
        }
      });
}

sc::HResult StandIn::aiCreateNonATCAircraft(sc::Handle handle, std::string_view containerTitle,
                                            std::string_view tailNumber, const sc::InitPosition& init,
                                            std::uint32_t requestId) {
  return state_->handleCall(
      Call::AICreateNonATCAircraft, handle, [&](State& s, Connection&, std::uint32_t packet) {
        Entry fields{
            {"title", containerTitle}, {"tail", tailNumber}, {"packet", packet}, {"request", requestId}};
        const auto& titles = s.scenario.titles;
        const bool installed =
            titles.empty() || std::any_of(titles.begin(), titles.end(), [&](const std::string& t) {
              return equalsIgnoringCase(t, containerTitle);
            });
        if (!installed || s.objects.ai().size() >= s.scenario.maxObjects) {
          fields["ok"] = false;
          fields["reason"] = installed ? "too many objects" : "unknown title";
          s.log("create", std::move(fields));
          s.raise(installed ? sc::EXCEPTION_TOO_MANY_OBJECTS : sc::EXCEPTION_CREATE_OBJECT_FAILED, packet, 1);
          return;
        }
        const double groundAltFt = s.objects.aiGroundAltFt();
        SimObject o;
        o.title = std::string(containerTitle);
        o.atcId = std::string(tailNumber);
        o.latDeg = init.Latitude;
        o.lonDeg = init.Longitude;
        o.groundAltFt = groundAltFt;
        o.altFt =
            init.OnGround ? std::max(init.Altitude, groundAltFt + s.objects.staticCgFt()) : init.Altitude;
        o.pitchDeg = init.Pitch;
        o.bankDeg = init.Bank;
        o.headingDeg = init.Heading;
        o.airspeedKt = init.Airspeed;
        o.createdByClient = true;
        s.objects.settle(o);
        // The assigned id comes before the "ObjectAdded" event, as in the simulator.
        const std::uint32_t id = s.objects.nextId();
        s.queue(makeAssignedObjectId(requestId, id));
        s.addObject(std::move(o));
        fields["ok"] = true;
        fields["object"] = id;
        fields.update(positionFields(s.objects.ai().at(id)));
        s.log("create", std::move(fields));
      });
}

sc::HResult StandIn::aiRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return state_->handleCall(Call::AIRemoveObject, handle, [&](State& s, Connection&, std::uint32_t packet) {
    Entry fields{{"object", objectId}, {"packet", packet}, {"request", requestId}};
    const SimObject* o = s.objects.findAi(objectId);
    if (!o) {
      fields["ok"] = false;
      s.log("remove", std::move(fields));
      s.raise(SimObjects::isUserId(objectId) ? sc::EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE
                                             : sc::EXCEPTION_UNRECOGNIZED_ID,
              packet, 1);
      return;
    }
    fields["ok"] = true;
    fields["title"] = o->title;
    fields["tail"] = o->atcId;
    s.log("remove", std::move(fields));
    s.eraseObject(objectId);
  });
}

sc::HResult StandIn::aiReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return state_->handleCall(Call::AIReleaseControl, handle, [&](State& s, Connection&, std::uint32_t packet) {
    s.log("release", Entry{{"object", objectId}, {"packet", packet}, {"request", requestId}});
    SimObject* o = s.objects.findAi(objectId);
    if (!o) {
      s.raise(SimObjects::isUserId(objectId) ? sc::EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE
                                             : sc::EXCEPTION_UNRECOGNIZED_ID,
              packet, 1);
      return;
    }
    o->released = true;
  });
}

sc::HResult StandIn::aiSetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId,
                                             std::string_view planPath, std::uint32_t requestId) {
  return state_->handleCall(
      Call::AISetAircraftFlightPlan, handle, [&](State& s, Connection&, std::uint32_t packet) {
        s.log("flight_plan",
              Entry{{"object", objectId}, {"path", planPath}, {"packet", packet}, {"request", requestId}});
        SimObject* o = s.objects.findAi(objectId);
        if (!o) {
          s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
          return;
        }
        std::error_code ec;
        const std::filesystem::path path{std::string(planPath)};
        std::filesystem::path withExtension = path;
        withExtension += ".pln";
        if (!std::filesystem::is_regular_file(path, ec) &&
            !std::filesystem::is_regular_file(withExtension, ec)) {
          s.raise(sc::EXCEPTION_LOAD_FLIGHTPLAN_FAILED, packet, 2);
          return;
        }
        o->flightPlan = std::string(planPath);
      });
}

sc::HResult StandIn::getLastSentPacketId(sc::Handle handle, std::uint32_t* packetId) {
  // No catching up: the answer is about the call just made.
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  if (s.failing(Call::GetLastSentPacketID)) return sc::E_FAIL;
  Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  *packetId = c->lastPacketId;
  return sc::S_OK;
}

void StandIn::failNext(Call call, int count) {
  std::scoped_lock lock(state_->mutex);
  state_->failures[call] += count;
}

void StandIn::push(RecordBuffer record) {
  std::scoped_lock lock(state_->mutex);
  state_->queue(std::move(record));
}

}  // namespace orv::standin
