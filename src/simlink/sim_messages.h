#pragma once

// Results of the simulator link for the start-up thread: one record per result, queued by
// "SimClient" under the SimMessage mutex and taken in order of arrival at the start of a cycle.
// Lock order: the SimMessage mutex before the command mutex.

#include <cstdint>
#include <functional>
#include <span>

namespace orv {

enum class SimMessageKind : std::uint32_t {
  LiveCreated = 0,     // a = 0, b = altitude above ground at matching (feet)
  StaticCreated = 1,   // a = b = 0
  ObjectRemoved = 2,   // key 0
  GroundData = 3,      // key = on ground (0 or 1), a = ground altitude, b = altitude above ground (feet)
  StaticCgData = 4,    // a = "Static CG to Ground" (feet), b = "Static Pitch" (radians)
  CreationFailed = 6,  // object id 0
};

struct SimMessage {
  std::uint32_t objectId = 0;
  std::uint32_t key = 0;
  std::uint32_t reserved = 0;  // 0 when posted; the consumer may use it
  SimMessageKind kind = SimMessageKind::LiveCreated;
  double a = 0.0;
  double b = 0.0;
  bool operator==(const SimMessage&) const = default;
};

// Any thread.
void gf_postSimMessage(const SimMessage& message);

// Hands the queued messages to the handler under the SimMessage mutex, then empties the queue.
// The handler may take the command mutex. Start-up thread.
void gf_drainSimMessages(const std::function<void(std::span<SimMessage>)>& handler);

// For the next run. Start-up thread, with "SimClient" ended.
void gf_resetSimMessages();

}  // namespace orv
