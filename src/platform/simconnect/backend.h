#pragma once

// What stands behind the SimConnect_* calls: one backend for the whole process, replaceable at
// any time (the program installs the simulator stand-in, tests their own). Every call of
// platform/simconnect/simconnect.h forwards to the backend installed at that moment; a backend
// must be safe to call from several threads at once.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/simconnect/simconnect.h"

namespace sc {

class Backend {
 public:
  virtual ~Backend() = default;

  virtual HResult open(Handle* handle, std::string_view name, std::uint32_t configIndex) = 0;
  virtual HResult close(Handle handle) = 0;
  virtual HResult callDispatch(Handle handle, DispatchProc dispatch, void* context) = 0;
  virtual HResult subscribeToSystemEvent(Handle handle, std::uint32_t eventId, std::string_view name) = 0;
  virtual HResult addToDataDefinition(Handle handle, std::uint32_t defineId, std::string_view variable,
                                      std::string_view unit, DataType type, float epsilon,
                                      std::uint32_t datumId) = 0;
  virtual HResult mapClientEventToSimEvent(Handle handle, std::uint32_t eventId, std::string_view name) = 0;
  virtual HResult addClientEventToNotificationGroup(Handle handle, std::uint32_t groupId,
                                                    std::uint32_t eventId, bool maskable) = 0;
  virtual HResult setNotificationGroupPriority(Handle handle, std::uint32_t groupId,
                                               std::uint32_t priority) = 0;
  virtual HResult requestDataOnSimObject(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                         std::uint32_t objectId, Period period, std::uint32_t flags,
                                         std::uint32_t origin, std::uint32_t interval,
                                         std::uint32_t limit) = 0;
  virtual HResult requestDataOnSimObjectType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                             std::uint32_t radiusMeters, std::uint32_t objectType) = 0;
  virtual HResult setDataOnSimObject(Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                     std::uint32_t flags, std::uint32_t arrayCount,
                                     std::span<const std::byte> data) = 0;
  virtual HResult transmitClientEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                      std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) = 0;
  virtual HResult aiCreateNonATCAircraft(Handle handle, std::string_view containerTitle,
                                         std::string_view tailNumber, const InitPosition& initPosition,
                                         std::uint32_t requestId) = 0;
  virtual HResult aiRemoveObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId) = 0;
  virtual HResult aiReleaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId) = 0;
  virtual HResult aiSetAircraftFlightPlan(Handle handle, std::uint32_t objectId, std::string_view planPath,
                                          std::uint32_t requestId) = 0;
  virtual HResult getLastSentPacketId(Handle handle, std::uint32_t* packetId) = 0;
};

// Installs the backend for every later call; nullptr leaves none, so that every call fails.
void setBackend(std::shared_ptr<Backend> backend);
[[nodiscard]] std::shared_ptr<Backend> backend();

// Installs a backend for the lifetime of a scope and restores the previous one (tests).
class ScopedBackend {
 public:
  explicit ScopedBackend(std::shared_ptr<Backend> replacement) : previous_(backend()) {
    setBackend(std::move(replacement));
  }
  ~ScopedBackend() { setBackend(std::move(previous_)); }
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  std::shared_ptr<Backend> previous_;
};

}  // namespace sc
