#pragma once

// The simulator's client library as the simulator link uses it: the calls keep their library
// names, and the records, identifiers and constants are ours, declared from what the link needs.
// Every call goes to one replaceable backend (platform/simconnect/backend.h); without a backend
// every call fails. A negative result is a failure.

#include <cstddef>
#include <cstdint>
#include <span>

namespace sc {

using HResult = std::int32_t;
inline constexpr HResult S_OK = 0;
inline constexpr HResult E_FAIL = -1;

// A connection; 0 is none.
using Handle = std::uint32_t;

// Record kinds (Recv::dwID).
inline constexpr std::uint32_t RECV_ID_NULL = 0;
inline constexpr std::uint32_t RECV_ID_EXCEPTION = 1;
inline constexpr std::uint32_t RECV_ID_OPEN = 2;
inline constexpr std::uint32_t RECV_ID_QUIT = 3;
inline constexpr std::uint32_t RECV_ID_EVENT = 4;
inline constexpr std::uint32_t RECV_ID_EVENT_OBJECT_ADDREMOVE = 5;
inline constexpr std::uint32_t RECV_ID_EVENT_FILENAME = 6;
inline constexpr std::uint32_t RECV_ID_EVENT_FRAME = 7;
inline constexpr std::uint32_t RECV_ID_SIMOBJECT_DATA = 8;
inline constexpr std::uint32_t RECV_ID_SIMOBJECT_DATA_BYTYPE = 9;
inline constexpr std::uint32_t RECV_ID_ASSIGNED_OBJECT_ID = 12;

// Data types of a data definition's values: 8 bytes for INT64 and FLOAT64, 32 for STRING32, and a
// zero-terminated text for STRINGV.
enum class DataType : std::uint32_t { INT64 = 2, FLOAT64 = 4, STRING32 = 6, STRINGV = 11 };

enum class Period : std::uint32_t { NEVER = 0, ONCE = 1, VISUAL_FRAME = 2, SIM_FRAME = 3, SECOND = 4 };

inline constexpr std::uint32_t SIMOBJECT_TYPE_USER = 0;
inline constexpr std::uint32_t SIMOBJECT_TYPE_AIRCRAFT = 2;
inline constexpr std::uint32_t OBJECT_ID_USER = 0;
inline constexpr std::uint32_t UNUSED = 0xFFFFFFFFu;
inline constexpr std::uint32_t GROUP_PRIORITY_HIGHEST = 1;

// The largest radius of a request by object type, in metres.
inline constexpr std::uint32_t MAX_RADIUS_M = 200000;

// Exception numbers (RecvException::dwException).
inline constexpr std::uint32_t EXCEPTION_ERROR = 1;
inline constexpr std::uint32_t EXCEPTION_UNRECOGNIZED_ID = 3;
inline constexpr std::uint32_t EXCEPTION_VERSION_MISMATCH = 5;
inline constexpr std::uint32_t EXCEPTION_NAME_UNRECOGNIZED = 7;
inline constexpr std::uint32_t EXCEPTION_TOO_MANY_OBJECTS = 11;
inline constexpr std::uint32_t EXCEPTION_INVALID_DATA_SIZE = 19;
inline constexpr std::uint32_t EXCEPTION_CREATE_OBJECT_FAILED = 22;
inline constexpr std::uint32_t EXCEPTION_LOAD_FLIGHTPLAN_FAILED = 23;
inline constexpr std::uint32_t EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE = 24;

// Records as the dispatch hands them over. Every record begins with Recv; dwSize is the size of
// the whole record in bytes, text fields included.
struct Recv {
  std::uint32_t dwSize = 0;
  std::uint32_t dwVersion = 0;
  std::uint32_t dwID = RECV_ID_NULL;
};

struct RecvException : Recv {
  std::uint32_t dwException = 0;
  std::uint32_t dwSendID = 0;  // packet id of the call that failed
  std::uint32_t dwIndex = 0;   // which argument of that call
};

inline constexpr std::size_t APPLICATION_NAME_SIZE = 256;

struct RecvOpen : Recv {
  char szApplicationName[APPLICATION_NAME_SIZE] = {};
  std::uint32_t dwApplicationVersionMajor = 0;
  std::uint32_t dwApplicationVersionMinor = 0;
  std::uint32_t dwApplicationBuildMajor = 0;
  std::uint32_t dwApplicationBuildMinor = 0;
};

struct RecvEvent : Recv {
  std::uint32_t uGroupID = UNUSED;
  std::uint32_t uEventID = 0;
  std::uint32_t dwData = 0;
};

inline constexpr std::size_t FILE_NAME_SIZE = 260;

struct RecvEventFilename : RecvEvent {
  char szFileName[FILE_NAME_SIZE] = {};
  std::uint32_t dwFlags = 0;
};

struct RecvEventObjectAddRemove : RecvEvent {
  std::uint32_t eObjType = 0;
};

struct RecvEventFrame : RecvEvent {
  float fFrameRate = 0;
  float fSimSpeed = 0;
};

// SIMOBJECT_DATA and SIMOBJECT_DATA_BYTYPE: the values of the definition begin at dwData, packed
// in the definition's order.
struct RecvSimObjectData : Recv {
  std::uint32_t dwRequestID = 0;
  std::uint32_t dwObjectID = 0;
  std::uint32_t dwDefineID = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwentrynumber = 0;
  std::uint32_t dwoutof = 0;
  std::uint32_t dwDefineCount = 0;
  std::uint32_t dwData = 0;
};

struct RecvAssignedObjectId : Recv {
  std::uint32_t dwRequestID = 0;
  std::uint32_t dwObjectID = 0;
};

// Where a new AI object appears; degrees and feet, the two flags as 0 or 1.
struct InitPosition {
  double Latitude = 0;
  double Longitude = 0;
  double Altitude = 0;
  double Pitch = 0;
  double Bank = 0;
  double Heading = 0;
  std::uint32_t OnGround = 0;
  std::uint32_t Airspeed = 0;
};

// Offset of the first value in a data record (dwData is its last member, and no member pads).
inline constexpr std::size_t SIMOBJECT_DATA_OFFSET = sizeof(RecvSimObjectData) - sizeof(std::uint32_t);
static_assert(SIMOBJECT_DATA_OFFSET == sizeof(Recv) + 7 * sizeof(std::uint32_t));

// The values of a data record, bounded by the record's size and the size handed to the callback.
[[nodiscard]] std::span<const std::byte> simObjectValues(const RecvSimObjectData& record,
                                                         std::uint32_t cbData);

// Called by SimConnect_CallDispatch once per record; cbData is the record's size.
using DispatchProc = void (*)(const Recv* data, std::uint32_t cbData, void* context);

}  // namespace sc

sc::HResult SimConnect_Open(sc::Handle* handle, const char* name, void* window, std::uint32_t userEventWin32,
                            void* eventHandle, std::uint32_t configIndex);
sc::HResult SimConnect_Close(sc::Handle handle);
// Hands every record that has arrived to the callback, on the calling thread.
sc::HResult SimConnect_CallDispatch(sc::Handle handle, sc::DispatchProc dispatch, void* context);
sc::HResult SimConnect_SubscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId, const char* name);
sc::HResult SimConnect_AddToDataDefinition(sc::Handle handle, std::uint32_t defineId, const char* variable,
                                           const char* unit, sc::DataType type, float epsilon,
                                           std::uint32_t datumId);
sc::HResult SimConnect_MapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId, const char* name);
sc::HResult SimConnect_AddClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                         std::uint32_t eventId, bool maskable);
sc::HResult SimConnect_SetNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                                    std::uint32_t priority);
sc::HResult SimConnect_RequestDataOnSimObject(sc::Handle handle, std::uint32_t requestId,
                                              std::uint32_t defineId, std::uint32_t objectId,
                                              sc::Period period, std::uint32_t flags, std::uint32_t origin,
                                              std::uint32_t interval, std::uint32_t limit);
sc::HResult SimConnect_RequestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId,
                                                  std::uint32_t defineId, std::uint32_t radiusMeters,
                                                  std::uint32_t objectType);
// arrayCount 0 and unitSize the size of the whole block: one block of the definition's values.
sc::HResult SimConnect_SetDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                          std::uint32_t flags, std::uint32_t arrayCount,
                                          std::uint32_t unitSize, const void* data);
sc::HResult SimConnect_TransmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                           std::uint32_t value, std::uint32_t groupId, std::uint32_t flags);
sc::HResult SimConnect_AICreateNonATCAircraft(sc::Handle handle, const char* containerTitle,
                                              const char* tailNumber, sc::InitPosition initPosition,
                                              std::uint32_t requestId);
sc::HResult SimConnect_AIRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId);
sc::HResult SimConnect_AIReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId);
sc::HResult SimConnect_AISetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId,
                                               const char* planPath, std::uint32_t requestId);
// The packet id of the last call sent on the connection; 0 on success.
sc::HResult SimConnect_GetLastSentPacketID(sc::Handle handle, std::uint32_t* packetId);
