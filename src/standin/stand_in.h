#pragma once

// The simulator stand-in: the SimConnect backend on Linux, embedded in the program and in the
// tests. It keeps one connection with its data definitions, client events, notification group,
// subscriptions and requests; it simulates the user's aircraft and the AI objects that the client
// creates, and answers with records as the simulator would. Every call and every happening goes
// into the journal.
//
// Two clocks: the manual clock of the tests (advance() moves time, frame() sends one "Frame"
// event), and real time (the process clock, os::clock()), in which each dispatch catches up with
// the time: due timeline actions, per-second data and "Frame" events at the scenario's rate.
//
// Time has two measures: the stand-in's time since its creation (timeline, journal), and the
// simulation time, which runs only while a flight runs (per-second data, zulu time, movement of
// the user's aircraft). Any thread; the dispatch callback runs without the stand-in's lock, so it
// may call back into the stand-in.

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/simconnect/backend.h"
#include "standin/journal.h"
#include "standin/records.h"
#include "standin/scenario.h"

namespace orv::standin {

enum class ClockMode { Manual, RealTime };

// The calls, for failure injection.
enum class Call {
  Open,
  Close,
  CallDispatch,
  SubscribeToSystemEvent,
  AddToDataDefinition,
  MapClientEventToSimEvent,
  AddClientEventToNotificationGroup,
  SetNotificationGroupPriority,
  RequestDataOnSimObject,
  RequestDataOnSimObjectType,
  SetDataOnSimObject,
  TransmitClientEvent,
  AICreateNonATCAircraft,
  AIRemoveObject,
  AIReleaseControl,
  AISetAircraftFlightPlan,
  GetLastSentPacketID,
};

struct Options {
  ClockMode clock = ClockMode::Manual;
  std::filesystem::path journalFile;  // empty: no file
  bool journalInMemory = true;
  std::uintmax_t journalLimitBytes = Journal::kDefaultLimitBytes;  // the file begins again beyond it
};

// One object of the simulation as the stand-in keeps it. Angles in degrees, altitudes in feet.
struct SimObject {
  std::uint32_t id = 0;
  std::string title;
  std::string atcId;
  std::string atcModel;
  double latDeg = 0;
  double lonDeg = 0;
  double altFt = 0;
  double pitchDeg = 0;
  double bankDeg = 0;
  double headingDeg = 0;
  double verticalSpeedFps = 0;
  double airspeedKt = 0;
  double groundSpeedKt = 0;
  double groundAltFt = 0;
  bool onGround = false;
  std::int64_t lightStates = 0;
  double spoilersPct = 0;
  double throttle1Pct = 0;
  double throttle2Pct = 0;
  bool createdByClient = false;  // removed with the connection that created it
  bool released = false;         // from the simulator's AI control
  bool frozenLatLon = false;
  bool frozenAltitude = false;
  bool frozenAttitude = false;
  std::string flightPlan;
  std::map<std::uint32_t, std::uint32_t> lastEvents;  // client event id -> last value
};

inline constexpr std::uint32_t kUserObjectId = 1;

class StandIn final : public sc::Backend {
 public:
  StandIn(Scenario scenario, Options options);
  ~StandIn() override;

  // The stand-in of a run: the scenario named by QLST_STANDIN, else "standin.json" in the working
  // folder when present, else the built-in defaults; the journal written to QLST_STANDIN_JOURNAL,
  // else "standin-journal.jsonl" in the working folder, begun afresh by this program start (the
  // last start's kept as the generation); real time. Throws std::runtime_error
  // when the scenario cannot be read.
  [[nodiscard]] static std::shared_ptr<StandIn> fromEnvironment();

  // --- sc::Backend ---
  sc::HResult open(sc::Handle* handle, std::string_view name, std::uint32_t configIndex) override;
  sc::HResult close(sc::Handle handle) override;
  sc::HResult callDispatch(sc::Handle handle, sc::DispatchProc dispatch, void* context) override;
  sc::HResult subscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId,
                                     std::string_view name) override;
  sc::HResult addToDataDefinition(sc::Handle handle, std::uint32_t defineId, std::string_view variable,
                                  std::string_view unit, sc::DataType type, float epsilon,
                                  std::uint32_t datumId) override;
  sc::HResult mapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId,
                                       std::string_view name) override;
  sc::HResult addClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                std::uint32_t eventId, bool maskable) override;
  sc::HResult setNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                           std::uint32_t priority) override;
  sc::HResult requestDataOnSimObject(sc::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                     std::uint32_t objectId, sc::Period period, std::uint32_t flags,
                                     std::uint32_t origin, std::uint32_t interval,
                                     std::uint32_t limit) override;
  sc::HResult requestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                         std::uint32_t radiusMeters, std::uint32_t objectType) override;
  sc::HResult setDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                 std::uint32_t flags, std::uint32_t arrayCount,
                                 std::span<const std::byte> data) override;
  sc::HResult transmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                  std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) override;
  sc::HResult aiCreateNonATCAircraft(sc::Handle handle, std::string_view containerTitle,
                                     std::string_view tailNumber, const sc::InitPosition& initPosition,
                                     std::uint32_t requestId) override;
  sc::HResult aiRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) override;
  sc::HResult aiReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) override;
  sc::HResult aiSetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId, std::string_view planPath,
                                      std::uint32_t requestId) override;
  sc::HResult getLastSentPacketId(sc::Handle handle, std::uint32_t* packetId) override;

  // --- control: tests, and the timeline of the scenario ---
  // Manual clock only: moves the time on, running the timeline actions that come due.
  void advance(std::chrono::milliseconds duration);
  // Manual clock only: one "Frame" event (when subscribed), with the data requested per frame.
  void frame();
  // The next `count` calls of the kind fail (negative result) without any effect.
  void failNext(Call call, int count = 1);
  // Delivered by the next dispatch, after the records already waiting.
  void push(RecordBuffer record);

  void pause();
  void resume();
  // The user's aircraft jumps or changes: the keys of the scenario's "user" object.
  void teleport(const nlohmann::json& userKeys);
  void setUser(const nlohmann::json& userKeys);
  void flightLoaded();
  void newFile(std::string_view fileName);
  // The simulator ends: QUIT is sent, the connection then fails, and opens fail until launch().
  void quit();
  void launch();
  // An aircraft of the simulator's own (not removed with the client's connection); its id.
  std::uint32_t spawn(const nlohmann::json& keys);
  void removeByAtcId(std::string_view atcId);

  // --- queries ---
  [[nodiscard]] std::vector<nlohmann::ordered_json> journal() const { return journal_.entries(); }
  [[nodiscard]] std::vector<nlohmann::ordered_json> journal(std::string_view call) const {
    return journal_.entries(call);
  }
  void clearJournal() { journal_.clear(); }
  [[nodiscard]] std::vector<SimObject> aiObjects() const;
  [[nodiscard]] std::optional<SimObject> aiObject(std::uint32_t id) const;
  [[nodiscard]] SimObject user() const;
  [[nodiscard]] bool connected() const;
  [[nodiscard]] bool flightRunning() const;
  // Records waiting for the next dispatch.
  [[nodiscard]] std::size_t waitingRecords() const;
  [[nodiscard]] std::chrono::milliseconds now() const;

 private:
  struct State;
  Journal journal_;  // before the state, which writes to it
  std::unique_ptr<State> state_;
};

}  // namespace orv::standin
