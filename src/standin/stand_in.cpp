#include "standin/stand_in.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <set>
#include <stdexcept>

#include "platform/os/clock.h"

namespace orv::standin {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using Entry = nlohmann::ordered_json;
using Millis = std::chrono::milliseconds;

// Not among the numbers the program names; the simulator's refusal of a radius beyond its limit.
constexpr std::uint32_t kExceptionOutOfBounds = 31;
constexpr double kMetresPerNm = 1852.0;

// --- simulation variables ---

enum class Var {
  Title,
  AtcModel,
  AtcId,
  Latitude,
  Longitude,
  Pitch,
  Bank,
  Heading,
  Altitude,
  AltAboveGround,
  GroundAltitude,
  GroundVelocity,
  VerticalSpeed,
  AirspeedTrue,
  OnGround,
  ZuluTime,
  ZuluDayOfYear,
  ZuluYear,
  LightStates,
  LightOnStates,
  StaticCgToGround,
  StaticPitch,
  Spoilers,
  Throttle1,
  Throttle2,
};

// Values are kept in a base unit per dimension: degrees, feet, knots.
enum class Dim { Text, Angle, Length, Speed, Plain };

struct VarSpec {
  std::string_view name;  // upper case
  Var var;
  Dim dim;
  bool settable;
};

constexpr VarSpec kVars[] = {
    {"TITLE", Var::Title, Dim::Text, false},
    {"ATC MODEL", Var::AtcModel, Dim::Text, false},
    {"ATC ID", Var::AtcId, Dim::Text, false},
    {"PLANE LATITUDE", Var::Latitude, Dim::Angle, true},
    {"PLANE LONGITUDE", Var::Longitude, Dim::Angle, true},
    {"PLANE PITCH DEGREES", Var::Pitch, Dim::Angle, true},
    {"PLANE BANK DEGREES", Var::Bank, Dim::Angle, true},
    {"PLANE HEADING DEGREES TRUE", Var::Heading, Dim::Angle, true},
    {"PLANE ALTITUDE", Var::Altitude, Dim::Length, true},
    {"PLANE ALT ABOVE GROUND", Var::AltAboveGround, Dim::Length, false},
    {"GROUND ALTITUDE", Var::GroundAltitude, Dim::Length, false},
    {"GROUND VELOCITY", Var::GroundVelocity, Dim::Speed, false},
    {"VERTICAL SPEED", Var::VerticalSpeed, Dim::Speed, true},
    {"AIRSPEED TRUE", Var::AirspeedTrue, Dim::Speed, true},
    {"SIM ON GROUND", Var::OnGround, Dim::Plain, false},
    {"ZULU TIME", Var::ZuluTime, Dim::Plain, false},
    {"ZULU DAY OF YEAR", Var::ZuluDayOfYear, Dim::Plain, false},
    {"ZULU YEAR", Var::ZuluYear, Dim::Plain, false},
    {"LIGHT STATES", Var::LightStates, Dim::Plain, true},
    {"LIGHT ON STATES", Var::LightOnStates, Dim::Plain, true},
    {"STATIC CG TO GROUND", Var::StaticCgToGround, Dim::Length, false},
    {"STATIC PITCH", Var::StaticPitch, Dim::Angle, false},
    {"SPOILERS HANDLE POSITION", Var::Spoilers, Dim::Plain, true},
    {"GENERAL ENG THROTTLE LEVER POSITION:1", Var::Throttle1, Dim::Plain, true},
    {"GENERAL ENG THROTTLE LEVER POSITION:2", Var::Throttle2, Dim::Plain, true},
};

std::string lf_upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string lf_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

const VarSpec* lf_findVar(std::string_view name) {
  const std::string upper = lf_upper(name);
  for (const VarSpec& spec : kVars)
    if (spec.name == upper) return &spec;
  return nullptr;
}

// Base units per unit of the text; nothing for a unit that does not fit the dimension.
std::optional<double> lf_unitFactor(Dim dim, std::string_view unitText) {
  const std::string unit = lf_lower(unitText);
  switch (dim) {
    case Dim::Text:
      if (unit.empty() || unit == "none") return 1.0;
      return std::nullopt;
    case Dim::Angle:
      if (unit == "degree" || unit == "degrees") return 1.0;
      if (unit == "radian" || unit == "radians") return 180.0 / std::numbers::pi;
      return std::nullopt;
    case Dim::Length:
      if (unit == "feet" || unit == "foot") return 1.0;
      if (unit == "meter" || unit == "meters" || unit == "metre" || unit == "metres")
        return 3.280839895013123;
      return std::nullopt;
    case Dim::Speed:
      if (unit == "knot" || unit == "knots") return 1.0;
      if (unit == "feet per second") return 0.5924838012958963;
      if (unit == "feet per minute") return 0.009874730021598272;
      if (unit == "meters per second") return 1.9438444924406046;
      return std::nullopt;
    case Dim::Plain:
      if (unit.empty() || unit == "bool" || unit == "seconds" || unit == "number" || unit == "mask" ||
          unit == "percent")
        return 1.0;
      return std::nullopt;
  }
  return std::nullopt;
}

struct DefinitionEntry {
  std::string variable;
  std::string unit;
  sc::DataType type;
  const VarSpec* spec;
  double factor;
};

// Bytes of one value in a data block; 0 for the variable-length STRINGV.
std::size_t lf_valueSize(sc::DataType type) {
  switch (type) {
    case sc::DataType::INT64:
    case sc::DataType::FLOAT64:
      return 8;
    case sc::DataType::STRING32:
      return 32;
    case sc::DataType::STRINGV:
      return 0;
  }
  return 0;
}

bool lf_equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

double lf_distanceMetres(double lat1, double lon1, double lat2, double lon2) {
  constexpr double rad = std::numbers::pi / 180.0;
  const double h =
      std::pow(std::sin((lat2 - lat1) * rad / 2), 2) +
      std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::pow(std::sin((lon2 - lon1) * rad / 2), 2);
  return 2.0 * 6371008.8 * std::atan2(std::sqrt(h), std::sqrt(1.0 - h));
}

std::string_view lf_callName(Call call) {
  switch (call) {
    case Call::Open:
      return "open";
    case Call::Close:
      return "close";
    case Call::CallDispatch:
      return "dispatch";
    case Call::SubscribeToSystemEvent:
      return "subscribe";
    case Call::AddToDataDefinition:
      return "define";
    case Call::MapClientEventToSimEvent:
      return "map_event";
    case Call::AddClientEventToNotificationGroup:
      return "group_add";
    case Call::SetNotificationGroupPriority:
      return "group_priority";
    case Call::RequestDataOnSimObject:
      return "request";
    case Call::RequestDataOnSimObjectType:
      return "request_by_type";
    case Call::SetDataOnSimObject:
      return "set_data";
    case Call::TransmitClientEvent:
      return "event";
    case Call::AICreateNonATCAircraft:
      return "create";
    case Call::AIRemoveObject:
      return "remove";
    case Call::AIReleaseControl:
      return "release";
    case Call::AISetAircraftFlightPlan:
      return "flight_plan";
    case Call::GetLastSentPacketID:
      return "packet_id";
  }
  return "unknown";
}

Entry lf_position(const SimObject& o) {
  return Entry{{"lat", o.latDeg},         {"lon", o.lonDeg},
               {"alt_ft", o.altFt},       {"heading_deg", o.headingDeg},
               {"pitch_deg", o.pitchDeg}, {"bank_deg", o.bankDeg},
               {"on_ground", o.onGround}};
}

}  // namespace

// Everything the stand-in keeps; every member is guarded by `mutex`.
struct StandIn::State {
  struct Request {
    std::uint32_t requestId;
    std::uint32_t defineId;
    std::uint32_t objectId;  // the object's own id (the user's is kUserObjectId)
    sc::Period period;
    Millis nextDue;  // in simulation time, for SECOND
  };

  struct Connection {
    sc::Handle handle = 0;
    std::map<std::uint32_t, std::vector<DefinitionEntry>> definitions;
    std::map<std::uint32_t, std::string> clientEvents;
    std::map<std::uint32_t, std::vector<std::uint32_t>> groups;
    std::map<std::uint32_t, std::uint32_t> groupPriorities;
    std::optional<std::uint32_t> simEvent, objectAddedEvent, objectRemovedEvent, flightLoadedEvent,
        frameEvent;
    std::vector<Request> requests;  // periodic ones
    std::uint32_t lastPacketId = 0;
    std::deque<RecordBuffer> outgoing;
    bool quitting = false;  // QUIT is queued; the connection fails once it has been delivered
    bool dead = false;
    std::map<std::uint32_t, std::int64_t> requestJournalSecond;  // request id -> second last journaled
  };

  State(Scenario s, Options o, Journal& j)
      : scenario(std::move(s)), options(std::move(o)), journal(j), start(os::clock().now()) {
    available = scenario.available;
    flightRunning = scenario.flightRunning;
    const UserAircraft& u = scenario.user;
    user.id = kUserObjectId;
    user.atcId = "USER";
    user.createdByClient = false;
    applyUser(u);
    aiGroundAltFt = scenario.groundAltFt.value_or(u.groundAltFt);
    nextObjectId = scenario.firstObjectId.value_or(scenario.appName == "KittyHawk" ? 100u : 0x01000000u);
    zuluBase = scenario.zuluUnix.value_or(
        std::chrono::duration_cast<std::chrono::seconds>(os::clock().utcNow().time_since_epoch()).count());
    frameInterval = Millis{std::max<std::int64_t>(1, std::llround(1000.0 / scenario.frameHz))};
    advanceTo(Millis{0});
  }

  std::mutex mutex;
  Scenario scenario;
  Options options;
  Journal& journal;
  os::SteadyTime start;
  Millis elapsed{0};     // the stand-in's time
  Millis simElapsed{0};  // simulation time: runs only while a flight runs
  std::size_t nextAction = 0;
  bool available = true;
  bool flightRunning = true;
  bool refusalJournaled = false;
  SimObject user;
  double aiGroundAltFt = 0;
  std::map<std::uint32_t, SimObject> objects;  // AI objects by id
  std::map<std::uint32_t, std::int64_t> positionJournalSecond;
  std::uint32_t nextObjectId = 100;
  sc::Handle nextHandle = 1;
  std::optional<Connection> connection;
  std::map<Call, int> failures;
  std::int64_t zuluBase = 0;
  Millis frameInterval{33};
  std::optional<Millis> lastFrame;

  // --- time ---

  void log(std::string_view call, Entry fields = Entry::object()) {
    journal.write(elapsed.count(), call, std::move(fields));
  }

  void catchUp() {
    if (options.clock != ClockMode::RealTime) return;
    advanceTo(std::chrono::duration_cast<Millis>(os::clock().now() - start));
    if (connection && !connection->dead && connection->frameEvent &&
        (!lastFrame || elapsed - *lastFrame >= frameInterval)) {
      queueFrame();
      lastFrame = elapsed;
    }
  }

  void advanceTo(Millis target) {
    while (nextAction < scenario.timeline.size() && scenario.timeline[nextAction].at <= target) {
      const TimelineAction& action = scenario.timeline[nextAction++];
      stepTime(action.at);
      apply(action);
    }
    stepTime(target);
  }

  void stepTime(Millis to) {
    if (to <= elapsed) return;
    const Millis dt = to - elapsed;
    elapsed = to;
    if (!available || !flightRunning) return;
    simElapsed += dt;
    moveUser(dt);
    if (!connection || connection->dead) return;
    for (auto it = connection->requests.begin(); it != connection->requests.end();) {
      if (it->period != sc::Period::SECOND) {
        ++it;
        continue;
      }
      bool gone = false;
      while (it->nextDue <= simElapsed) {
        if (!reply(*it, sc::RECV_ID_SIMOBJECT_DATA)) {
          gone = true;
          break;
        }
        it->nextDue += 1s;
      }
      it = gone ? connection->requests.erase(it) : it + 1;
    }
  }

  void moveUser(Millis dt) {
    if (user.groundSpeedKt == 0.0) return;
    const double nm = user.groundSpeedKt * std::chrono::duration<double>(dt).count() / 3600.0;
    const double heading = user.headingDeg * std::numbers::pi / 180.0;
    user.latDeg += nm * std::cos(heading) / 60.0;
    const double cosLat = std::max(0.01, std::cos(user.latDeg * std::numbers::pi / 180.0));
    user.lonDeg += nm * std::sin(heading) / (60.0 * cosLat);
    if (user.lonDeg > 180.0) user.lonDeg -= 360.0;
    if (user.lonDeg < -180.0) user.lonDeg += 360.0;
  }

  // --- the user's aircraft ---

  void applyUser(const UserAircraft& u) {
    user.title = u.title;
    user.atcModel = u.atcModel;
    user.latDeg = u.latDeg;
    user.lonDeg = u.lonDeg;
    user.altFt = u.altFt;
    user.headingDeg = u.headingDeg;
    user.pitchDeg = u.pitchDeg;
    user.bankDeg = u.bankDeg;
    user.onGround = u.onGround;
    user.groundAltFt = u.groundAltFt;
    user.groundSpeedKt = u.groundSpeedKt;
    user.lightStates = u.lightStates;
  }

  UserAircraft userAircraft() const {
    UserAircraft u;
    u.title = user.title;
    u.atcModel = user.atcModel;
    u.latDeg = user.latDeg;
    u.lonDeg = user.lonDeg;
    u.altFt = user.altFt;
    u.headingDeg = user.headingDeg;
    u.pitchDeg = user.pitchDeg;
    u.bankDeg = user.bankDeg;
    u.onGround = user.onGround;
    u.groundAltFt = user.groundAltFt;
    u.groundSpeedKt = user.groundSpeedKt;
    u.lightStates = user.lightStates;
    return u;
  }

  void changeUser(std::string_view call, const Json& keys) {
    UserAircraft u = userAircraft();
    applyUserKeys(u, keys, call);
    applyUser(u);
    Entry fields(keys);
    log(call, std::move(fields));
  }

  // --- records ---

  void queue(RecordBuffer record) {
    // Nothing follows the QUIT record.
    if (connection && !connection->dead && !connection->quitting)
      connection->outgoing.push_back(std::move(record));
  }

  void raise(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
    if (!connection || connection->dead) return;
    queue(makeException(exception, sendId, index));
    log("exception", Entry{{"exception", exception}, {"packet", sendId}, {"index", index}});
  }

  void queueFrame() {
    if (!connection || connection->dead || !connection->frameEvent) return;
    queue(makeFrame(*connection->frameEvent, static_cast<float>(scenario.frameHz)));
    for (auto it = connection->requests.begin(); it != connection->requests.end();) {
      const bool perFrame = it->period == sc::Period::VISUAL_FRAME || it->period == sc::Period::SIM_FRAME;
      it = (perFrame && !reply(*it, sc::RECV_ID_SIMOBJECT_DATA)) ? connection->requests.erase(it) : it + 1;
    }
  }

  SimObject* object(std::uint32_t id) {
    if (id == sc::OBJECT_ID_USER || id == kUserObjectId) return &user;
    const auto it = objects.find(id);
    return it == objects.end() ? nullptr : &it->second;
  }

  double number(const SimObject& o, Var var) const {
    const std::int64_t unix = zuluBase + std::chrono::duration_cast<std::chrono::seconds>(simElapsed).count();
    const auto days =
        std::chrono::sys_days{std::chrono::days{unix >= 0 ? unix / 86400 : (unix - 86399) / 86400}};
    const std::chrono::year_month_day date{days};
    switch (var) {
      case Var::Latitude:
        return o.latDeg;
      case Var::Longitude:
        return o.lonDeg;
      case Var::Pitch:
        return o.pitchDeg;
      case Var::Bank:
        return o.bankDeg;
      case Var::Heading:
        return o.headingDeg;
      case Var::Altitude:
        return o.altFt;
      case Var::AltAboveGround:
        return o.altFt - o.groundAltFt;
      case Var::GroundAltitude:
        return o.groundAltFt;
      case Var::GroundVelocity:
        return o.groundSpeedKt;
      case Var::VerticalSpeed:
        return o.verticalSpeedFps * *lf_unitFactor(Dim::Speed, "feet per second");
      case Var::AirspeedTrue:
        return o.airspeedKt;
      case Var::OnGround:
        return o.onGround ? 1.0 : 0.0;
      case Var::ZuluTime:
        return static_cast<double>(unix - (days.time_since_epoch().count() * 86400LL));
      case Var::ZuluDayOfYear:
        return static_cast<double>(
            (days - std::chrono::sys_days{date.year() / std::chrono::January / 1}).count() + 1);
      case Var::ZuluYear:
        return static_cast<int>(date.year());
      case Var::LightStates:
      case Var::LightOnStates:
        return static_cast<double>(o.lightStates);
      case Var::StaticCgToGround:
        return scenario.staticCgFt;
      case Var::StaticPitch:
        return scenario.staticPitchDeg;
      case Var::Spoilers:
        return o.spoilersPct;
      case Var::Throttle1:
        return o.throttle1Pct;
      case Var::Throttle2:
        return o.throttle2Pct;
      case Var::Title:
      case Var::AtcModel:
      case Var::AtcId:
        return 0.0;
    }
    return 0.0;
  }

  static std::string_view text(const SimObject& o, Var var) {
    switch (var) {
      case Var::Title:
        return o.title;
      case Var::AtcModel:
        return o.atcModel;
      case Var::AtcId:
        return o.atcId;
      default:
        return {};
    }
  }

  void setNumber(SimObject& o, Var var, double value) {
    switch (var) {
      case Var::Latitude:
        o.latDeg = value;
        break;
      case Var::Longitude:
        o.lonDeg = value;
        break;
      case Var::Pitch:
        o.pitchDeg = value;
        break;
      case Var::Bank:
        o.bankDeg = value;
        break;
      case Var::Heading:
        o.headingDeg = value;
        break;
      case Var::Altitude:
        o.altFt = value;
        break;
      case Var::VerticalSpeed:
        o.verticalSpeedFps = value / *lf_unitFactor(Dim::Speed, "feet per second");
        break;
      case Var::AirspeedTrue:
        o.airspeedKt = value;
        break;
      case Var::LightStates:
      case Var::LightOnStates:
        o.lightStates = std::llround(value);
        break;
      case Var::Spoilers:
        o.spoilersPct = value;
        break;
      case Var::Throttle1:
        o.throttle1Pct = value;
        break;
      case Var::Throttle2:
        o.throttle2Pct = value;
        break;
      default:
        break;
    }
  }

  void pack(ValuePacker& packer, const SimObject& o, const DefinitionEntry& e) const {
    if (e.spec->dim == Dim::Text) {
      if (e.type == sc::DataType::STRING32)
        packer.string32(text(o, e.spec->var));
      else
        packer.stringv(text(o, e.spec->var));
      return;
    }
    const double value = number(o, e.spec->var) / e.factor;
    if (e.type == sc::DataType::INT64)
      packer.int64(std::llround(value));
    else
      packer.float64(value);
  }

  // Queues the data of a request; false when its object is gone.
  bool reply(const Request& request, std::uint32_t recvId, std::uint32_t entry = 1, std::uint32_t outOf = 1) {
    const SimObject* o = object(request.objectId);
    if (!o || !connection) return false;
    const auto def = connection->definitions.find(request.defineId);
    if (def == connection->definitions.end()) return false;
    ValuePacker packer;
    for (const DefinitionEntry& e : def->second) pack(packer, *o, e);
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

  // --- calls ---

  bool failing(Call call) {
    auto it = failures.find(call);
    if (it == failures.end() || it->second <= 0) return false;
    --it->second;
    log(lf_callName(call), Entry{{"failed", "injected"}});
    return true;
  }

  // The connection of a handle, or none for a stale or closed handle.
  Connection* live(sc::Handle handle) {
    if (!connection || connection->handle != handle || connection->dead) return nullptr;
    return &*connection;
  }

  void dropConnection(std::string_view reason) {
    for (auto it = objects.begin(); it != objects.end();) {
      if (it->second.createdByClient) {
        log("remove", Entry{{"object", it->first},
                            {"title", it->second.title},
                            {"tail", it->second.atcId},
                            {"reason", reason}});
        positionJournalSecond.erase(it->first);
        it = objects.erase(it);
      } else {
        ++it;
      }
    }
    connection.reset();
  }

  void setRunning(bool running, std::string_view call) {
    if (flightRunning == running) return;
    flightRunning = running;
    log(call);
    if (connection && connection->simEvent) {
      queue(makeEvent(*connection->simEvent, running ? 1 : 0));
      log("sim", Entry{{"value", running ? 1 : 0}});
    }
  }

  std::uint32_t addObject(SimObject o) {
    o.id = nextObjectId++;
    const std::uint32_t id = o.id;
    objects.emplace(id, std::move(o));
    if (connection && connection->objectAddedEvent)
      queue(makeObjectAddRemove(*connection->objectAddedEvent, id, sc::SIMOBJECT_TYPE_AIRCRAFT));
    return id;
  }

  void eraseObject(std::uint32_t id) {
    objects.erase(id);
    positionJournalSecond.erase(id);
    if (connection && connection->objectRemovedEvent)
      queue(makeObjectAddRemove(*connection->objectRemovedEvent, id, sc::SIMOBJECT_TYPE_AIRCRAFT));
  }

  void updateGroundState(SimObject& o) const {
    if (&o == &user) return;  // the scenario says where the user is
    o.onGround = o.altFt - o.groundAltFt <= scenario.staticCgFt + 1.0;
  }

  // Repeated requests are journaled at most once per second of the stand-in's time.
  bool journalRequest(Connection& c, std::uint32_t requestId) {
    const std::int64_t second = elapsed.count() / 1000;
    auto [it, added] = c.requestJournalSecond.emplace(requestId, second);
    if (added) return true;
    if (it->second == second) return false;
    it->second = second;
    return true;
  }

  // --- timeline ---

  void apply(const TimelineAction& action) {
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
      const auto index = args.contains("index") ? args["index"].get<std::uint32_t>() : 0u;
      raise(number, connection ? connection->lastPacketId : 0, index);
    }
  }

  void flightLoaded() {
    log("flight_loaded");
    if (connection && connection->flightLoadedEvent) queue(makeEvent(*connection->flightLoadedEvent, 0));
  }

  void newFile(std::string_view file) {
    log("new_file", Entry{{"file", file}});
    if (connection && connection->flightLoadedEvent)
      queue(makeFilename(*connection->flightLoadedEvent, file));
  }

  void quit() {
    log("quit", Entry{{"objects", objects.size()}});
    available = false;
    refusalJournaled = false;
    objects.clear();
    positionJournalSecond.clear();
    if (connection && !connection->dead) {
      queue(makeQuit());
      connection->quitting = true;
    }
  }

  void launch() {
    log("launch");
    available = true;
    refusalJournaled = false;
  }

  std::uint32_t spawn(const Json& keys) {
    SimObject o;
    o.title = keys.value("title", std::string("Simulator Traffic"));
    o.atcId = keys.value("atc_id", std::string("AS-GEN"));
    o.latDeg = keys.value("lat", user.latDeg);
    o.lonDeg = keys.value("lon", user.lonDeg);
    o.groundAltFt = aiGroundAltFt;
    o.altFt = keys.value("alt_ft", aiGroundAltFt + scenario.staticCgFt);
    o.headingDeg = keys.value("heading_deg", 0.0);
    updateGroundState(o);
    if (keys.contains("on_ground")) o.onGround = keys["on_ground"].get<bool>();
    const std::uint32_t id = addObject(std::move(o));
    const SimObject& added = objects.at(id);
    Entry fields{{"object", id}, {"title", added.title}, {"tail", added.atcId}};
    fields.update(lf_position(added));
    log("spawn", std::move(fields));
    return id;
  }

  void removeByAtcId(std::string_view atcId) {
    const auto it =
        std::find_if(objects.begin(), objects.end(), [&](const auto& p) { return p.second.atcId == atcId; });
    if (it == objects.end()) {
      log("remove", Entry{{"tail", atcId}, {"reason", "simulator"}, {"ok", false}});
      return;
    }
    log("remove",
        Entry{{"object", it->first}, {"title", it->second.title}, {"tail", atcId}, {"reason", "simulator"}});
    eraseObject(it->first);
  }
};

StandIn::StandIn(Scenario scenario, Options options)
    : journal_(options.journalFile, options.journalInMemory),
      state_(std::make_unique<State>(std::move(scenario), std::move(options), journal_)) {}

StandIn::~StandIn() = default;

std::shared_ptr<StandIn> StandIn::fromEnvironment() {
  Scenario scenario;
  if (const char* named = std::getenv("QLST_STANDIN"); named && *named) {
    scenario = loadScenario(named);
  } else if (std::error_code ec; std::filesystem::exists("standin.json", ec)) {
    scenario = loadScenario("standin.json");
  }
  Options options;
  options.clock = ClockMode::RealTime;
  options.journalInMemory = false;
  const char* journal = std::getenv("QLST_STANDIN_JOURNAL");
  options.journalFile = std::filesystem::absolute(journal && *journal ? journal : "standin-journal.jsonl");
  return std::make_shared<StandIn>(std::move(scenario), std::move(options));
}

// --- sc::Backend ---

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
  s.lastFrame.reset();
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
    State::Connection* c = s.live(handle);
    if (!c) return sc::E_FAIL;
    records.swap(c->outgoing);
    if (c->quitting) c->dead = true;
  }
  // Without the lock: the callback sends requests of its own.
  for (const RecordBuffer& record : records) dispatch(record.recv(), record.size(), context);
  return sc::S_OK;
}

sc::HResult StandIn::subscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId, std::string_view name) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::SubscribeToSystemEvent)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("subscribe", Entry{{"event", eventId}, {"name", name}, {"packet", packet}});
  if (lf_equalsIgnoringCase(name, "Sim")) {
    c->simEvent = eventId;
    if (s.flightRunning) {
      s.queue(makeEvent(eventId, 1));
      s.log("sim", Entry{{"value", 1}});
    }
  } else if (lf_equalsIgnoringCase(name, "ObjectAdded")) {
    c->objectAddedEvent = eventId;
  } else if (lf_equalsIgnoringCase(name, "ObjectRemoved")) {
    c->objectRemovedEvent = eventId;
  } else if (lf_equalsIgnoringCase(name, "FlightLoaded")) {
    c->flightLoadedEvent = eventId;
  } else if (lf_equalsIgnoringCase(name, "Frame")) {
    c->frameEvent = eventId;
  } else {
    s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 2);
  }
  return sc::S_OK;
}

sc::HResult StandIn::addToDataDefinition(sc::Handle handle, std::uint32_t defineId, std::string_view variable,
                                         std::string_view unit, sc::DataType type, float epsilon,
                                         std::uint32_t datumId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AddToDataDefinition)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("define", Entry{{"def", defineId},
                        {"name", variable},
                        {"unit", unit},
                        {"type", static_cast<std::uint32_t>(type)},
                        {"epsilon", epsilon},
                        {"datum", datumId},
                        {"packet", packet}});
  const VarSpec* spec = lf_findVar(variable);
  if (!spec) {
    s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 3);
    return sc::S_OK;
  }
  const std::optional<double> factor = lf_unitFactor(spec->dim, unit);
  if (!factor) {
    s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 4);
    return sc::S_OK;
  }
  const bool textType = type == sc::DataType::STRING32 || type == sc::DataType::STRINGV;
  const bool numberType = type == sc::DataType::INT64 || type == sc::DataType::FLOAT64;
  if ((spec->dim == Dim::Text && !textType) || (spec->dim != Dim::Text && !numberType)) {
    s.raise(sc::EXCEPTION_ERROR, packet, 5);
    return sc::S_OK;
  }
  c->definitions[defineId].push_back(
      DefinitionEntry{std::string(variable), std::string(unit), type, spec, *factor});
  return sc::S_OK;
}

sc::HResult StandIn::mapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId,
                                              std::string_view name) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::MapClientEventToSimEvent)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("map_event", Entry{{"event", eventId}, {"name", name}, {"packet", packet}});
  if (name.empty())
    s.raise(sc::EXCEPTION_NAME_UNRECOGNIZED, packet, 2);
  else
    c->clientEvents[eventId] = std::string(name);
  return sc::S_OK;
}

sc::HResult StandIn::addClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                       std::uint32_t eventId, bool maskable) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AddClientEventToNotificationGroup)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("group_add",
        Entry{{"group", groupId}, {"event", eventId}, {"maskable", maskable}, {"packet", packet}});
  if (!c->clientEvents.contains(eventId))
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
  else
    c->groups[groupId].push_back(eventId);
  return sc::S_OK;
}

sc::HResult StandIn::setNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                                  std::uint32_t priority) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::SetNotificationGroupPriority)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("group_priority", Entry{{"group", groupId}, {"priority", priority}, {"packet", packet}});
  c->groupPriorities[groupId] = priority;
  return sc::S_OK;
}

sc::HResult StandIn::requestDataOnSimObject(sc::Handle handle, std::uint32_t requestId,
                                            std::uint32_t defineId, std::uint32_t objectId, sc::Period period,
                                            std::uint32_t flags, std::uint32_t origin, std::uint32_t interval,
                                            std::uint32_t limit) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::RequestDataOnSimObject)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  if (s.journalRequest(*c, requestId))
    s.log("request", Entry{{"request", requestId},
                           {"def", defineId},
                           {"object", objectId},
                           {"period", static_cast<std::uint32_t>(period)},
                           {"flags", flags},
                           {"origin", origin},
                           {"interval", interval},
                           {"limit", limit},
                           {"packet", packet}});
  if (!c->definitions.contains(defineId)) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
    return sc::S_OK;
  }
  const SimObject* o = s.object(objectId);
  if (!o) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 3);
    return sc::S_OK;
  }
  std::erase_if(c->requests, [&](const State::Request& r) { return r.requestId == requestId; });
  State::Request request{requestId, defineId, o->id, period, s.simElapsed};
  switch (period) {
    case sc::Period::NEVER:
      break;
    case sc::Period::ONCE:
      s.reply(request, sc::RECV_ID_SIMOBJECT_DATA);
      break;
    case sc::Period::SECOND:
      if (s.flightRunning) {
        s.reply(request, sc::RECV_ID_SIMOBJECT_DATA);
        request.nextDue = s.simElapsed + 1s;
      }
      c->requests.push_back(request);
      break;
    case sc::Period::VISUAL_FRAME:
    case sc::Period::SIM_FRAME:
      c->requests.push_back(request);
      break;
  }
  return sc::S_OK;
}

sc::HResult StandIn::requestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId,
                                                std::uint32_t defineId, std::uint32_t radiusMeters,
                                                std::uint32_t objectType) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::RequestDataOnSimObjectType)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  if (s.journalRequest(*c, requestId))
    s.log("request_by_type", Entry{{"request", requestId},
                                   {"def", defineId},
                                   {"radius_m", radiusMeters},
                                   {"type", objectType},
                                   {"packet", packet}});
  if (!c->definitions.contains(defineId)) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
    return sc::S_OK;
  }
  if (radiusMeters > sc::MAX_RADIUS_M) {
    s.raise(kExceptionOutOfBounds, packet, 3);
    return sc::S_OK;
  }
  // The user's aircraft is always among the answers; every object here is an aircraft.
  std::vector<std::uint32_t> found{kUserObjectId};
  if (objectType != sc::SIMOBJECT_TYPE_USER) {
    if (objectType > sc::SIMOBJECT_TYPE_AIRCRAFT)
      found.clear();
    else
      for (const auto& [id, o] : s.objects)
        if (lf_distanceMetres(s.user.latDeg, s.user.lonDeg, o.latDeg, o.lonDeg) <= radiusMeters)
          found.push_back(id);
  }
  for (std::size_t i = 0; i < found.size(); ++i)
    s.reply(State::Request{requestId, defineId, found[i], sc::Period::ONCE, {}},
            sc::RECV_ID_SIMOBJECT_DATA_BYTYPE, static_cast<std::uint32_t>(i + 1),
            static_cast<std::uint32_t>(found.size()));
  return sc::S_OK;
}

sc::HResult StandIn::setDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                        std::uint32_t flags, std::uint32_t arrayCount,
                                        std::span<const std::byte> data) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::SetDataOnSimObject)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  const auto def = c->definitions.find(defineId);
  if (def == c->definitions.end()) {
    s.log("set_data", Entry{{"def", defineId}, {"object", objectId}, {"packet", packet}});
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
    return sc::S_OK;
  }
  SimObject* o = s.object(objectId);
  if (!o) {
    s.log("set_data", Entry{{"def", defineId}, {"object", objectId}, {"packet", packet}});
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
    return sc::S_OK;
  }
  std::size_t expected = 0;
  bool settable = true;
  for (const DefinitionEntry& e : def->second) {
    expected += lf_valueSize(e.type);
    if (e.type == sc::DataType::STRINGV) settable = false;
  }
  if (!settable || arrayCount > 1 || data.size() != expected) {
    s.log("set_data", Entry{{"def", defineId},
                            {"object", objectId},
                            {"size", data.size()},
                            {"flags", flags},
                            {"packet", packet}});
    s.raise(sc::EXCEPTION_INVALID_DATA_SIZE, packet, 6);
    return sc::S_OK;
  }
  Entry values = Entry::object();
  ValueReader reader(data);
  bool position = false;
  for (const DefinitionEntry& e : def->second) {
    if (e.type == sc::DataType::STRING32) {
      reader.skip(32);  // texts are not set
      continue;
    }
    const double raw = e.type == sc::DataType::INT64 ? static_cast<double>(reader.int64()) : reader.float64();
    values[e.variable] = raw;
    if (e.spec->settable) s.setNumber(*o, e.spec->var, raw * e.factor);
    if (e.spec->var == Var::Latitude) position = true;
  }
  s.updateGroundState(*o);
  if (!position) {
    s.log("data", Entry{{"object", o->id}, {"def", defineId}, {"values", std::move(values)}});
    return sc::S_OK;
  }
  // At most one position per object and second, so that the journal stays readable.
  const std::int64_t second = s.elapsed.count() / 1000;
  auto [it, added] = s.positionJournalSecond.emplace(o->id, second);
  if (added || it->second != second) {
    it->second = second;
    Entry fields{{"object", o->id}};
    fields.update(lf_position(*o));
    s.log("position", std::move(fields));
  }
  return sc::S_OK;
}

sc::HResult StandIn::transmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                         std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::TransmitClientEvent)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  const auto mapped = c->clientEvents.find(eventId);
  const std::string name = mapped == c->clientEvents.end() ? std::string() : mapped->second;
  s.log("event", Entry{{"object", objectId},
                       {"event", eventId},
                       {"name", name},
                       {"value", value},
                       {"group", groupId},
                       {"flags", flags},
                       {"packet", packet}});
  SimObject* o = s.object(objectId);
  if (mapped == c->clientEvents.end()) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 2);
  } else if (!o) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
  } else {
    o->lastEvents[eventId] = value;
    const std::string upper = lf_upper(name);
    if (upper == "FREEZE_LATITUDE_LONGITUDE_SET") o->frozenLatLon = value != 0;
    if (upper == "FREEZE_ALTITUDE_SET") o->frozenAltitude = value != 0;
    if (upper == "FREEZE_ATTITUDE_SET") o->frozenAttitude = value != 0;
  }
  return sc::S_OK;
}

sc::HResult StandIn::aiCreateNonATCAircraft(sc::Handle handle, std::string_view containerTitle,
                                            std::string_view tailNumber, const sc::InitPosition& init,
                                            std::uint32_t requestId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AICreateNonATCAircraft)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  Entry fields{{"title", containerTitle}, {"tail", tailNumber}, {"packet", packet}, {"request", requestId}};
  const auto& titles = s.scenario.titles;
  const bool installed =
      titles.empty() || std::any_of(titles.begin(), titles.end(), [&](const std::string& t) {
        return lf_equalsIgnoringCase(t, containerTitle);
      });
  std::size_t aiCount = s.objects.size();
  if (!installed || aiCount >= s.scenario.maxObjects) {
    fields["ok"] = false;
    fields["reason"] = installed ? "too many objects" : "unknown title";
    s.log("create", std::move(fields));
    s.raise(installed ? sc::EXCEPTION_TOO_MANY_OBJECTS : sc::EXCEPTION_CREATE_OBJECT_FAILED, packet, 1);
    return sc::S_OK;
  }
  SimObject o;
  o.title = std::string(containerTitle);
  o.atcId = std::string(tailNumber);
  o.latDeg = init.Latitude;
  o.lonDeg = init.Longitude;
  o.groundAltFt = s.aiGroundAltFt;
  o.altFt = init.OnGround ? std::max(init.Altitude, s.aiGroundAltFt + s.scenario.staticCgFt) : init.Altitude;
  o.pitchDeg = init.Pitch;
  o.bankDeg = init.Bank;
  o.headingDeg = init.Heading;
  o.airspeedKt = init.Airspeed;
  o.createdByClient = true;
  s.updateGroundState(o);
  const std::uint32_t id = s.nextObjectId;  // addObject takes it
  s.queue(makeAssignedObjectId(requestId, id));
  s.addObject(std::move(o));
  fields["ok"] = true;
  fields["object"] = id;
  fields.update(lf_position(s.objects.at(id)));
  s.log("create", std::move(fields));
  return sc::S_OK;
}

sc::HResult StandIn::aiRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AIRemoveObject)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  Entry fields{{"object", objectId}, {"packet", packet}, {"request", requestId}};
  const auto it = s.objects.find(objectId);
  if (it == s.objects.end()) {
    fields["ok"] = false;
    s.log("remove", std::move(fields));
    const bool user = objectId == sc::OBJECT_ID_USER || objectId == kUserObjectId;
    s.raise(user ? sc::EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE : sc::EXCEPTION_UNRECOGNIZED_ID, packet,
            1);
    return sc::S_OK;
  }
  fields["ok"] = true;
  fields["title"] = it->second.title;
  fields["tail"] = it->second.atcId;
  s.log("remove", std::move(fields));
  s.eraseObject(objectId);
  return sc::S_OK;
}

sc::HResult StandIn::aiReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AIReleaseControl)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("release", Entry{{"object", objectId}, {"packet", packet}, {"request", requestId}});
  const auto it = s.objects.find(objectId);
  if (it == s.objects.end()) {
    const bool user = objectId == sc::OBJECT_ID_USER || objectId == kUserObjectId;
    s.raise(user ? sc::EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE : sc::EXCEPTION_UNRECOGNIZED_ID, packet,
            1);
    return sc::S_OK;
  }
  it->second.released = true;
  return sc::S_OK;
}

sc::HResult StandIn::aiSetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId,
                                             std::string_view planPath, std::uint32_t requestId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  s.catchUp();
  if (s.failing(Call::AISetAircraftFlightPlan)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  const std::uint32_t packet = ++c->lastPacketId;
  s.log("flight_plan",
        Entry{{"object", objectId}, {"path", planPath}, {"packet", packet}, {"request", requestId}});
  const auto it = s.objects.find(objectId);
  if (it == s.objects.end()) {
    s.raise(sc::EXCEPTION_UNRECOGNIZED_ID, packet, 1);
    return sc::S_OK;
  }
  std::error_code ec;
  const std::filesystem::path path{std::string(planPath)};
  std::filesystem::path withExtension = path;
  withExtension += ".pln";
  if (!std::filesystem::is_regular_file(path, ec) && !std::filesystem::is_regular_file(withExtension, ec)) {
    s.raise(sc::EXCEPTION_LOAD_FLIGHTPLAN_FAILED, packet, 2);
    return sc::S_OK;
  }
  it->second.flightPlan = std::string(planPath);
  return sc::S_OK;
}

sc::HResult StandIn::getLastSentPacketId(sc::Handle handle, std::uint32_t* packetId) {
  std::scoped_lock lock(state_->mutex);
  State& s = *state_;
  if (s.failing(Call::GetLastSentPacketID)) return sc::E_FAIL;
  State::Connection* c = s.live(handle);
  if (!c) return sc::E_FAIL;
  *packetId = c->lastPacketId;
  return sc::S_OK;
}

// --- control ---

void StandIn::advance(std::chrono::milliseconds duration) {
  std::scoped_lock lock(state_->mutex);
  if (state_->options.clock != ClockMode::Manual)
    throw std::logic_error("StandIn::advance: the stand-in runs in real time");
  state_->advanceTo(state_->elapsed + duration);
}

void StandIn::frame() {
  std::scoped_lock lock(state_->mutex);
  state_->queueFrame();
}

void StandIn::failNext(Call call, int count) {
  std::scoped_lock lock(state_->mutex);
  state_->failures[call] += count;
}

void StandIn::push(RecordBuffer record) {
  std::scoped_lock lock(state_->mutex);
  state_->queue(std::move(record));
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

std::vector<SimObject> StandIn::aiObjects() const {
  std::scoped_lock lock(state_->mutex);
  std::vector<SimObject> list;
  for (const auto& [id, o] : state_->objects) list.push_back(o);
  return list;
}

std::optional<SimObject> StandIn::aiObject(std::uint32_t id) const {
  std::scoped_lock lock(state_->mutex);
  const auto it = state_->objects.find(id);
  if (it == state_->objects.end()) return std::nullopt;
  return it->second;
}

SimObject StandIn::user() const {
  std::scoped_lock lock(state_->mutex);
  return state_->user;
}

bool StandIn::connected() const {
  std::scoped_lock lock(state_->mutex);
  return state_->connection && !state_->connection->dead;
}

bool StandIn::flightRunning() const {
  std::scoped_lock lock(state_->mutex);
  return state_->flightRunning;
}

std::size_t StandIn::waitingRecords() const {
  std::scoped_lock lock(state_->mutex);
  return state_->connection ? state_->connection->outgoing.size() : 0;
}

std::chrono::milliseconds StandIn::now() const {
  std::scoped_lock lock(state_->mutex);
  return state_->elapsed;
}

}  // namespace orv::standin
