#pragma once

// The simulator's own client library behind the SimConnect_* calls (Windows only): SimConnect.dll,
// loaded at the first open from the program's folder, else from the system's search path, its
// calls found by name. Our handles stand for the library's, our records are translated to and
// from the library's, and every record the library hands over is checked before it is read
// (platform/simconnect/library_records.h).
//
// Without the library, or with one that lacks a call the program uses, every open fails as it
// fails while no simulator runs, so the program keeps waiting; the user is told once, through
// the message callback, where the library comes from.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/simconnect/backend.h"
#include "platform/simconnect/library_records.h"

namespace sc {

class DllBackend final : public Backend {
 public:
  struct Reporting {
    // A line for the log.
    std::function<void(std::string_view)> log;
    // A fault worth the user's attention, for the log at once: a malformed record, a missing library.
    std::function<void(std::string_view)> warning;
    // A line shown to the user on the message line: the library is missing or unusable.
    std::function<void(std::string_view)> message;
  };

  // library: the file name looked for beside the program, then on the search path.
  explicit DllBackend(Reporting reporting, std::string library = "SimConnect.dll");
  ~DllBackend() override;
  DllBackend(const DllBackend&) = delete;
  DllBackend& operator=(const DllBackend&) = delete;

  HResult open(Handle* handle, std::string_view name, std::uint32_t configIndex) override;
  HResult close(Handle handle) override;
  HResult callDispatch(Handle handle, DispatchProc dispatch, void* context) override;
  HResult subscribeToSystemEvent(Handle handle, std::uint32_t eventId, std::string_view name) override;
  HResult addToDataDefinition(Handle handle, std::uint32_t defineId, std::string_view variable,
                              std::string_view unit, DataType type, float epsilon,
                              std::uint32_t datumId) override;
  HResult mapClientEventToSimEvent(Handle handle, std::uint32_t eventId, std::string_view name) override;
  HResult addClientEventToNotificationGroup(Handle handle, std::uint32_t groupId, std::uint32_t eventId,
                                            bool maskable) override;
  HResult setNotificationGroupPriority(Handle handle, std::uint32_t groupId, std::uint32_t priority) override;
  HResult requestDataOnSimObject(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                 std::uint32_t objectId, Period period, std::uint32_t flags,
                                 std::uint32_t origin, std::uint32_t interval, std::uint32_t limit) override;
  HResult requestDataOnSimObjectType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                     std::uint32_t radiusMeters, std::uint32_t objectType) override;
  HResult setDataOnSimObject(Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                             std::uint32_t flags, std::uint32_t arrayCount,
                             std::span<const std::byte> data) override;
  HResult transmitClientEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                              std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) override;
  HResult aiCreateNonATCAircraft(Handle handle, std::string_view containerTitle, std::string_view tailNumber,
                                 const InitPosition& initPosition, std::uint32_t requestId) override;
  HResult aiRemoveObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId) override;
  HResult aiReleaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId) override;
  HResult aiSetAircraftFlightPlan(Handle handle, std::uint32_t objectId, std::string_view planPath,
                                  std::uint32_t requestId) override;
  HResult getLastSentPacketId(Handle handle, std::uint32_t* packetId) override;

 private:
  struct Library;
  // The library's handle for ours; null when ours is unknown or the library is not loaded.
  [[nodiscard]] void* libraryHandle(Handle handle);

  Reporting reporting_;
  std::string libraryName_;
  std::mutex mutex_;
  bool tried_ = false;
  std::unique_ptr<Library> library_;  // set once loaded with every call
  std::map<Handle, void*> handles_;
  Handle nextHandle_ = 1;
  LibraryRecords records_;
};

}  // namespace sc
