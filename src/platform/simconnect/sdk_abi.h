#pragma once

// The binary interface of the simulator's client library, SimConnect.dll, as far as this program
// uses it: the records the library hands to the dispatch callback, the initial position of a new
// AI object, the values of its enumerations, and the signatures of its exported calls. Declared
// here from the library's public reference, with fixed-width types so that the same declarations
// compile on every platform (the layout test runs on Linux too). Nothing else of the program sees
// these types: DllBackend and the test library translate between them and platform/simconnect's
// own records.
//
// Packing: the library's records are byte-packed (pack 1), so a member never gets padding before
// it. Every member of the records below already falls on its natural boundary (DWORDs, floats,
// char arrays whose sizes are multiples of 4), so packed and natural layout agree; we pack
// anyway, as the library does, and the layout test pins each size and offset to the reference.

#include <cstddef>
#include <cstdint>

// The calls use the system's standard calling convention, which on 64-bit Windows is the only one.
#if defined(_WIN32) && !defined(_WIN64)
#define QLST_SIMCONNECT_CALL __stdcall
#else
#define QLST_SIMCONNECT_CALL
#endif

namespace sc::abi {

using DWORD = std::uint32_t;
using HRESULT = std::int32_t;  // negative: failure
using BOOL = std::int32_t;
using HANDLE = void*;
using HWND = void*;

inline constexpr DWORD UNUSED = 0xFFFFFFFFu;
inline constexpr DWORD OBJECT_ID_USER = 0;
inline constexpr DWORD GROUP_PRIORITY_HIGHEST = 1;
inline constexpr std::size_t MAX_PATH_SIZE = 260;

// SIMCONNECT_RECV_ID
enum RecvId : DWORD {
  RECV_ID_NULL = 0,
  RECV_ID_EXCEPTION = 1,
  RECV_ID_OPEN = 2,
  RECV_ID_QUIT = 3,
  RECV_ID_EVENT = 4,
  RECV_ID_EVENT_OBJECT_ADDREMOVE = 5,
  RECV_ID_EVENT_FILENAME = 6,
  RECV_ID_EVENT_FRAME = 7,
  RECV_ID_SIMOBJECT_DATA = 8,
  RECV_ID_SIMOBJECT_DATA_BYTYPE = 9,
  RECV_ID_ASSIGNED_OBJECT_ID = 12,
  RECV_ID_CLIENT_DATA = 16,
  RECV_ID_PICK = 27,
};

// SIMCONNECT_DATATYPE (the ones the program registers)
enum DataType : DWORD {
  DATATYPE_INT64 = 2,
  DATATYPE_FLOAT64 = 4,
  DATATYPE_STRING32 = 6,
  DATATYPE_STRINGV = 11
};

// SIMCONNECT_PERIOD
enum Period : DWORD {
  PERIOD_NEVER = 0,
  PERIOD_ONCE = 1,
  PERIOD_VISUAL_FRAME = 2,
  PERIOD_SIM_FRAME = 3,
  PERIOD_SECOND = 4
};

// SIMCONNECT_SIMOBJECT_TYPE
enum SimObjectType : DWORD { SIMOBJECT_TYPE_USER = 0, SIMOBJECT_TYPE_ALL = 1, SIMOBJECT_TYPE_AIRCRAFT = 2 };

// SIMCONNECT_EXCEPTION (the ones the program tells apart)
enum Exception : DWORD {
  EXCEPTION_NONE = 0,
  EXCEPTION_ERROR = 1,
  EXCEPTION_UNRECOGNIZED_ID = 3,
  EXCEPTION_VERSION_MISMATCH = 5,
  EXCEPTION_NAME_UNRECOGNIZED = 7,
  EXCEPTION_TOO_MANY_OBJECTS = 11,
  EXCEPTION_INVALID_DATA_SIZE = 19,
  EXCEPTION_CREATE_OBJECT_FAILED = 22,
  EXCEPTION_LOAD_FLIGHTPLAN_FAILED = 23,
  EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE = 24,
};

#pragma pack(push, 1)

struct RECV {
  DWORD dwSize;  // of the whole record
  DWORD dwVersion;
  DWORD dwID;  // RecvId
};

struct RECV_EXCEPTION : RECV {
  DWORD dwException;
  DWORD dwSendID;
  DWORD dwIndex;
};

struct RECV_OPEN : RECV {
  char szApplicationName[256];
  DWORD dwApplicationVersionMajor;
  DWORD dwApplicationVersionMinor;
  DWORD dwApplicationBuildMajor;
  DWORD dwApplicationBuildMinor;
  DWORD dwSimConnectVersionMajor;
  DWORD dwSimConnectVersionMinor;
  DWORD dwSimConnectBuildMajor;
  DWORD dwSimConnectBuildMinor;
  DWORD dwReserved1;
  DWORD dwReserved2;
};

struct RECV_QUIT : RECV {};

struct RECV_EVENT : RECV {
  DWORD uGroupID;
  DWORD uEventID;
  DWORD dwData;
};

struct RECV_EVENT_FILENAME : RECV_EVENT {
  char szFileName[MAX_PATH_SIZE];
  DWORD dwFlags;
};

struct RECV_EVENT_OBJECT_ADDREMOVE : RECV_EVENT {
  DWORD eObjType;  // SimObjectType
};

struct RECV_EVENT_FRAME : RECV_EVENT {
  float fFrameRate;
  float fSimSpeed;
};

// SIMOBJECT_DATA and SIMOBJECT_DATA_BYTYPE: the definition's values begin at dwData.
struct RECV_SIMOBJECT_DATA : RECV {
  DWORD dwRequestID;
  DWORD dwObjectID;
  DWORD dwDefineID;
  DWORD dwFlags;
  DWORD dwentrynumber;
  DWORD dwoutof;
  DWORD dwDefineCount;
  DWORD dwData;
};

struct RECV_SIMOBJECT_DATA_BYTYPE : RECV_SIMOBJECT_DATA {};

struct RECV_ASSIGNED_OBJECT_ID : RECV {
  DWORD dwRequestID;
  DWORD dwObjectID;
};

// SIMCONNECT_DATA_INITPOSITION: degrees and feet; passed by value.
struct DATA_INITPOSITION {
  double Latitude;
  double Longitude;
  double Altitude;
  double Pitch;
  double Bank;
  double Heading;
  DWORD OnGround;
  DWORD Airspeed;
};

#pragma pack(pop)

// dwData is the last member: the values begin where it does.
inline constexpr std::size_t SIMOBJECT_DATA_VALUES_OFFSET = sizeof(RECV_SIMOBJECT_DATA) - sizeof(DWORD);

// The library's calls. Ids of every kind (requests, definitions, events, groups, objects) are DWORDs,
// as are the enumerations; the flags of the data and event calls too.
using DispatchProc = void(QLST_SIMCONNECT_CALL*)(RECV* pData, DWORD cbData, void* pContext);

using Fn_Open = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE* phSimConnect, const char* szName, HWND hWnd,
                                               DWORD UserEventWin32, HANDLE hEventHandle, DWORD ConfigIndex);
using Fn_Close = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect);
using Fn_CallDispatch = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DispatchProc pfcnDispatch,
                                                       void* pContext);
using Fn_SubscribeToSystemEvent = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD EventID,
                                                                 const char* SystemEventName);
using Fn_AddToDataDefinition = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD DefineID,
                                                              const char* DatumName, const char* UnitsName,
                                                              DWORD DatumType, float fEpsilon, DWORD DatumID);
using Fn_MapClientEventToSimEvent = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD EventID,
                                                                   const char* EventName);
using Fn_AddClientEventToNotificationGroup = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD GroupID,
                                                                            DWORD EventID, BOOL bMaskable);
using Fn_SetNotificationGroupPriority = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD GroupID,
                                                                       DWORD uPriority);
using Fn_RequestDataOnSimObject = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD RequestID,
                                                                 DWORD DefineID, DWORD ObjectID, DWORD Period,
                                                                 DWORD Flags, DWORD origin, DWORD interval,
                                                                 DWORD limit);
using Fn_RequestDataOnSimObjectType = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD RequestID,
                                                                     DWORD DefineID, DWORD dwRadiusMeters,
                                                                     DWORD type);
using Fn_SetDataOnSimObject = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD DefineID,
                                                             DWORD ObjectID, DWORD Flags, DWORD ArrayCount,
                                                             DWORD cbUnitSize, void* pDataSet);
using Fn_TransmitClientEvent = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD ObjectID,
                                                              DWORD EventID, DWORD dwData, DWORD GroupID,
                                                              DWORD Flags);
using Fn_AICreateNonATCAircraft = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect,
                                                                 const char* szContainerTitle,
                                                                 const char* szTailNumber,
                                                                 DATA_INITPOSITION InitPos, DWORD RequestID);
using Fn_AIRemoveObject = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD ObjectID, DWORD RequestID);
using Fn_AIReleaseControl = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD ObjectID,
                                                           DWORD RequestID);
using Fn_AISetAircraftFlightPlan = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD ObjectID,
                                                                  const char* szFlightPlanPath,
                                                                  DWORD RequestID);
using Fn_GetLastSentPacketID = HRESULT(QLST_SIMCONNECT_CALL*)(HANDLE hSimConnect, DWORD* pdwSendID);

}  // namespace sc::abi
