#pragma once

// The client's connection as the stand-in keeps it: what the client registered, its periodic
// requests, and the records waiting for its next dispatch. Inside the stand-in only.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/simconnect/simconnect.h"
#include "standin/journal_entries.h"
#include "standin/records.h"
#include "standin/simulation.h"
#include "standin/variables.h"

namespace orv::standin {

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
  std::optional<std::uint32_t> simEvent, objectAddedEvent, objectRemovedEvent, flightLoadedEvent, frameEvent;
  std::vector<Request> requests;  // periodic ones
  std::uint32_t lastPacketId = 0;
  std::deque<RecordBuffer> outgoing;
  bool quitting = false;  // QUIT is queued; the connection fails once it has been delivered
  bool dead = false;
  OncePerSecond requestLines;  // by request id
};

}  // namespace orv::standin
