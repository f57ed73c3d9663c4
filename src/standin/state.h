#pragma once

// Everything the stand-in keeps, and the pieces that its calls, its timeline and its controls
// share. Inside the stand-in only. Every member is guarded by `mutex`, which each entry point of
// StandIn takes; the dispatch releases it before it hands the records over.

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "standin/connection.h"
#include "standin/journal.h"
#include "standin/journal_entries.h"
#include "standin/scenario.h"
#include "standin/simulation.h"
#include "standin/stand_in.h"

namespace orv::standin {

struct StandIn::State {
  State(Scenario s, ClockMode clockMode, Journal& j);

  // The common opening of a call on the client's connection: takes the lock, catches up with
  // real time, fails for an injected failure or a handle that is stale or closed, and numbers the
  // call's packet. The body then answers a refusal with an exception record, as the simulator
  // does, so the call itself succeeds. Open and close, which need no live connection, and the
  // dispatch and the packet id query, which send no packet, open on their own.
  template <typename Body>
  sc::HResult handleCall(Call call, sc::Handle handle, const Body& body) {
    std::scoped_lock lock(mutex);
    catchUp();
    if (failing(call)) return sc::E_FAIL;
    Connection* c = live(handle);
    if (!c) return sc::E_FAIL;
    const std::uint32_t packet = ++c->lastPacketId;
    body(*this, *c, packet);
    return sc::S_OK;
  }

  void log(std::string_view call, Entry fields = Entry::object()) {
    journal.write(clock.elapsed().count(), call, std::move(fields));
  }

  // --- calls ---
  // Counts down an injected failure of the call; journals it.
  [[nodiscard]] bool failing(Call call);
  // The connection of a handle, or none for a stale or closed handle.
  [[nodiscard]] Connection* live(sc::Handle handle);
  // The client's objects go with its connection.
  void dropConnection(std::string_view reason);

  // --- records for the next dispatch ---
  void queue(RecordBuffer record);
  void raise(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);
  // The "Frame" event with the data requested per frame.
  void queueFrame();
  // Queues the data of a request; false when its object is gone.
  bool reply(const Request& request, std::uint32_t recvId, std::uint32_t entry = 1, std::uint32_t outOf = 1);
  [[nodiscard]] SimulationFacts facts() const;

  // --- objects, announced to the client when it subscribed ---
  std::uint32_t addObject(SimObject o);
  void eraseObject(std::uint32_t id);

  // --- time passing (timeline.cpp) ---
  // Real time only: moves to the process clock's time and sends the "Frame" event when due.
  void catchUp();
  // Runs the timeline actions due up to the target on the way.
  void advanceTo(Millis target);
  void stepTime(Millis to);

  // --- the happenings of the timeline and of the tests' controls (timeline.cpp) ---
  void apply(const TimelineAction& action);
  void setRunning(bool running, std::string_view call);
  void changeUser(std::string_view call, const nlohmann::json& keys);
  void flightLoaded();
  void newFile(std::string_view file);
  void quit();
  void launch();
  std::uint32_t spawn(const nlohmann::json& keys);
  void removeByAtcId(std::string_view atcId);

  std::mutex mutex;
  Scenario scenario;
  Journal& journal;
  SimClock clock;
  SimObjects objects;
  std::size_t nextAction = 0;  // of the scenario's timeline
  bool available = true;
  bool flightRunning = true;
  bool refusalJournaled = false;  // in this spell of refused opens
  OncePerSecond positionLines;    // by object id
  sc::Handle nextHandle = 1;
  std::optional<Connection> connection;
  std::map<Call, int> failures;
};

}  // namespace orv::standin
