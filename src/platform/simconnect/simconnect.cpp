#include "platform/simconnect/simconnect.h"

#include <algorithm>
#include <mutex>
#include <string_view>

#include "platform/simconnect/backend.h"

namespace sc {
namespace {

std::mutex backendMutex;
std::shared_ptr<Backend> current;

std::string_view lf_text(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

// Each call holds its own reference, so that a backend replaced meanwhile lives until the call returns.
template <typename Call>
HResult lf_forward(Call&& call) {
  const std::shared_ptr<Backend> b = backend();
  return b ? call(*b) : E_FAIL;
}

}  // namespace

void setBackend(std::shared_ptr<Backend> backend) {
  std::scoped_lock lock(backendMutex);
  current = std::move(backend);
}

std::shared_ptr<Backend> backend() {
  std::scoped_lock lock(backendMutex);
  return current;
}

std::span<const std::byte> simObjectValues(const RecvSimObjectData& record, std::uint32_t cbData) {
  const std::size_t size = std::min<std::size_t>(record.dwSize, cbData);
  if (size <= SIMOBJECT_DATA_OFFSET) return {};
  return {reinterpret_cast<const std::byte*>(&record) + SIMOBJECT_DATA_OFFSET, size - SIMOBJECT_DATA_OFFSET};
}

}  // namespace sc

using sc::Backend;

sc::HResult SimConnect_Open(sc::Handle* handle, const char* name, void* /*window*/,
                            std::uint32_t /*userEventWin32*/, void* /*eventHandle*/,
                            std::uint32_t configIndex) {
  if (!handle) return sc::E_FAIL;
  *handle = 0;
  return sc::lf_forward([&](Backend& b) { return b.open(handle, sc::lf_text(name), configIndex); });
}

sc::HResult SimConnect_Close(sc::Handle handle) {
  return sc::lf_forward([&](Backend& b) { return b.close(handle); });
}

sc::HResult SimConnect_CallDispatch(sc::Handle handle, sc::DispatchProc dispatch, void* context) {
  if (!dispatch) return sc::E_FAIL;
  return sc::lf_forward([&](Backend& b) { return b.callDispatch(handle, dispatch, context); });
}

sc::HResult SimConnect_SubscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId, const char* name) {
  return sc::lf_forward(
      [&](Backend& b) { return b.subscribeToSystemEvent(handle, eventId, sc::lf_text(name)); });
}

sc::HResult SimConnect_AddToDataDefinition(sc::Handle handle, std::uint32_t defineId, const char* variable,
                                           const char* unit, sc::DataType type, float epsilon,
                                           std::uint32_t datumId) {
  return sc::lf_forward([&](Backend& b) {
    return b.addToDataDefinition(handle, defineId, sc::lf_text(variable), sc::lf_text(unit), type, epsilon,
                                 datumId);
  });
}

sc::HResult SimConnect_MapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId, const char* name) {
  return sc::lf_forward(
      [&](Backend& b) { return b.mapClientEventToSimEvent(handle, eventId, sc::lf_text(name)); });
}

sc::HResult SimConnect_AddClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                         std::uint32_t eventId, bool maskable) {
  return sc::lf_forward(
      [&](Backend& b) { return b.addClientEventToNotificationGroup(handle, groupId, eventId, maskable); });
}

sc::HResult SimConnect_SetNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                                    std::uint32_t priority) {
  return sc::lf_forward(
      [&](Backend& b) { return b.setNotificationGroupPriority(handle, groupId, priority); });
}

sc::HResult SimConnect_RequestDataOnSimObject(sc::Handle handle, std::uint32_t requestId,
                                              std::uint32_t defineId, std::uint32_t objectId,
                                              sc::Period period, std::uint32_t flags, std::uint32_t origin,
                                              std::uint32_t interval, std::uint32_t limit) {
  return sc::lf_forward([&](Backend& b) {
    return b.requestDataOnSimObject(handle, requestId, defineId, objectId, period, flags, origin, interval,
                                    limit);
  });
}

sc::HResult SimConnect_RequestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId,
                                                  std::uint32_t defineId, std::uint32_t radiusMeters,
                                                  std::uint32_t objectType) {
  return sc::lf_forward([&](Backend& b) {
    return b.requestDataOnSimObjectType(handle, requestId, defineId, radiusMeters, objectType);
  });
}

sc::HResult SimConnect_SetDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                          std::uint32_t flags, std::uint32_t arrayCount,
                                          std::uint32_t unitSize, const void* data) {
  if (!data && unitSize > 0) return sc::E_FAIL;
  const std::span<const std::byte> bytes(static_cast<const std::byte*>(data), data ? unitSize : 0);
  return sc::lf_forward(
      [&](Backend& b) { return b.setDataOnSimObject(handle, defineId, objectId, flags, arrayCount, bytes); });
}

sc::HResult SimConnect_TransmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                           std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) {
  return sc::lf_forward(
      [&](Backend& b) { return b.transmitClientEvent(handle, objectId, eventId, value, groupId, flags); });
}

sc::HResult SimConnect_AICreateNonATCAircraft(sc::Handle handle, const char* containerTitle,
                                              const char* tailNumber, sc::InitPosition initPosition,
                                              std::uint32_t requestId) {
  return sc::lf_forward([&](Backend& b) {
    return b.aiCreateNonATCAircraft(handle, sc::lf_text(containerTitle), sc::lf_text(tailNumber),
                                    initPosition, requestId);
  });
}

sc::HResult SimConnect_AIRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return sc::lf_forward([&](Backend& b) { return b.aiRemoveObject(handle, objectId, requestId); });
}

sc::HResult SimConnect_AIReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return sc::lf_forward([&](Backend& b) { return b.aiReleaseControl(handle, objectId, requestId); });
}

sc::HResult SimConnect_AISetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId,
                                               const char* planPath, std::uint32_t requestId) {
  return sc::lf_forward([&](Backend& b) {
    return b.aiSetAircraftFlightPlan(handle, objectId, sc::lf_text(planPath), requestId);
  });
}

sc::HResult SimConnect_GetLastSentPacketID(sc::Handle handle, std::uint32_t* packetId) {
  if (!packetId) return sc::E_FAIL;
  *packetId = 0;
  return sc::lf_forward([&](Backend& b) { return b.getLastSentPacketId(handle, packetId); });
}
