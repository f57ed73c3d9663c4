// The stand-in as a SimConnect.dll of our own, for the tests and the demo on Windows: the
// simulator's client library's exported calls with their published signatures and records, each
// handed to one stand-in per process (made at the first open, as StandIn::fromEnvironment makes
// it). Never shipped to users: they copy the simulator SDK's library beside the program.
//
// With QLST_STANDIN_MALFORMED set, every dispatch of each second also hands over one record of
// each malformed sort the client must survive: one shorter than its kind, one of an unknown kind,
// and a data record whose text has no terminating zero.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/simconnect/library_records.h"
#include "platform/simconnect/sdk_abi.h"
#include "standin/stand_in.h"

#define QLST_EXPORT extern "C" __declspec(dllexport)

namespace abi = sc::abi;

namespace {

std::mutex standInMutex;
std::shared_ptr<orv::standin::StandIn> standIn;

std::shared_ptr<orv::standin::StandIn> lf_standIn() {
  std::scoped_lock lock(standInMutex);
  return standIn;
}

// Our handles are small numbers; the library's handle is a pointer that carries one.
sc::Handle lf_ours(abi::HANDLE handle) {
  return static_cast<sc::Handle>(reinterpret_cast<std::uintptr_t>(handle));
}

std::string_view lf_text(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

struct ClientDispatch {
  abi::DispatchProc dispatch;
  void* context;
};

void lf_toClient(const sc::Recv* record, std::uint32_t cbData, void* context) {
  const auto* client = static_cast<const ClientDispatch*>(context);
  sc::RecordBytes theirs = sc::toLibraryRecord(record, cbData);
  client->dispatch(reinterpret_cast<abi::RECV*>(theirs.data()), theirs.size(), client->context);
}

// The malformed records, once a second while QLST_STANDIN_MALFORMED is set.
void lf_sendMalformed(const ClientDispatch& client) {
  static const bool malformed = [] {
    const char* value = std::getenv("QLST_STANDIN_MALFORMED");
    return value && *value;
  }();
  if (!malformed) return;
  static std::chrono::steady_clock::time_point next;
  const auto now = std::chrono::steady_clock::now();
  if (now < next) return;
  next = now + std::chrono::seconds(1);

  const auto send = [&](sc::RecordBytes bytes) {
    client.dispatch(reinterpret_cast<abi::RECV*>(bytes.data()), bytes.size(), client.context);
  };
  // An event that stops after its group id.
  {
    sc::RecordBytes bytes(sizeof(abi::RECV_EVENT));
    abi::RECV_EVENT event{};
    event.dwSize = sizeof(abi::RECV) + sizeof(abi::DWORD);
    event.dwID = abi::RECV_ID_EVENT;
    event.uEventID = 201;
    event.dwData = 0;  // read whole, it would stop the simulation
    std::memcpy(bytes.data(), &event, sizeof(event));
    send(std::move(bytes));
  }
  // A kind no client knows.
  {
    sc::RecordBytes bytes(sizeof(abi::RECV));
    const abi::RECV header{sizeof(abi::RECV), 0, 99};
    std::memcpy(bytes.data(), &header, sizeof(header));
    send(std::move(bytes));
  }
  // The user aircraft's title (request 106, definition 407) without its terminating zero.
  {
    constexpr std::size_t kText = 64;
    sc::RecordBytes bytes(abi::SIMOBJECT_DATA_VALUES_OFFSET + kText);
    abi::RECV_SIMOBJECT_DATA data{};
    data.dwSize = bytes.size();
    data.dwID = abi::RECV_ID_SIMOBJECT_DATA;
    data.dwRequestID = 106;
    data.dwObjectID = abi::OBJECT_ID_USER;
    data.dwDefineID = 407;
    data.dwentrynumber = 1;
    data.dwoutof = 1;
    data.dwDefineCount = 1;
    std::memcpy(bytes.data(), &data, abi::SIMOBJECT_DATA_VALUES_OFFSET);
    std::memset(bytes.data() + abi::SIMOBJECT_DATA_VALUES_OFFSET, 'X', kText);
    send(std::move(bytes));
  }
}

sc::InitPosition lf_ours(const abi::DATA_INITPOSITION& theirs) {
  sc::InitPosition ours;
  ours.Latitude = theirs.Latitude;
  ours.Longitude = theirs.Longitude;
  ours.Altitude = theirs.Altitude;
  ours.Pitch = theirs.Pitch;
  ours.Bank = theirs.Bank;
  ours.Heading = theirs.Heading;
  ours.OnGround = theirs.OnGround;
  ours.Airspeed = theirs.Airspeed;
  return ours;
}

// Every call but the open goes to the stand-in made by the open; without one it fails.
template <typename Call>
abi::HRESULT lf_call(Call&& call) {
  const std::shared_ptr<orv::standin::StandIn> s = lf_standIn();
  return s ? call(*s) : sc::E_FAIL;
}

}  // namespace

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_Open(abi::HANDLE* phSimConnect, const char* szName,
                                                              abi::HWND /*hWnd*/,
                                                              abi::DWORD /*UserEventWin32*/,
                                                              abi::HANDLE /*hEventHandle*/,
                                                              abi::DWORD ConfigIndex) {
  if (!phSimConnect) return sc::E_FAIL;
  *phSimConnect = nullptr;
  std::shared_ptr<orv::standin::StandIn> s;
  try {
    std::scoped_lock lock(standInMutex);
    if (!standIn) standIn = orv::standin::StandIn::fromEnvironment();
    s = standIn;
  } catch (const std::exception&) {
    return sc::E_FAIL;
  }
  sc::Handle ours = 0;
  const sc::HResult result = s->open(&ours, lf_text(szName), ConfigIndex);
  if (result >= 0) *phSimConnect = reinterpret_cast<abi::HANDLE>(static_cast<std::uintptr_t>(ours));
  return result;
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_Close(abi::HANDLE hSimConnect) {
  return lf_call([&](auto& s) { return s.close(lf_ours(hSimConnect)); });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_CallDispatch(abi::HANDLE hSimConnect,
                                                                      abi::DispatchProc pfcnDispatch,
                                                                      void* pContext) {
  if (!pfcnDispatch) return sc::E_FAIL;
  return lf_call([&](auto& s) {
    ClientDispatch client{pfcnDispatch, pContext};
    const sc::HResult result = s.callDispatch(lf_ours(hSimConnect), &lf_toClient, &client);
    if (result >= 0) lf_sendMalformed(client);
    return result;
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_SubscribeToSystemEvent(abi::HANDLE hSimConnect,
                                                                                abi::DWORD EventID,
                                                                                const char* SystemEventName) {
  return lf_call([&](auto& s) {
    return s.subscribeToSystemEvent(lf_ours(hSimConnect), EventID, lf_text(SystemEventName));
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AddToDataDefinition(
    abi::HANDLE hSimConnect, abi::DWORD DefineID, const char* DatumName, const char* UnitsName,
    abi::DWORD DatumType, float fEpsilon, abi::DWORD DatumID) {
  return lf_call([&](auto& s) {
    return s.addToDataDefinition(lf_ours(hSimConnect), DefineID, lf_text(DatumName), lf_text(UnitsName),
                                 static_cast<sc::DataType>(DatumType), fEpsilon, DatumID);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_MapClientEventToSimEvent(abi::HANDLE hSimConnect,
                                                                                  abi::DWORD EventID,
                                                                                  const char* EventName) {
  return lf_call(
      [&](auto& s) { return s.mapClientEventToSimEvent(lf_ours(hSimConnect), EventID, lf_text(EventName)); });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AddClientEventToNotificationGroup(
    abi::HANDLE hSimConnect, abi::DWORD GroupID, abi::DWORD EventID, abi::BOOL bMaskable) {
  return lf_call([&](auto& s) {
    return s.addClientEventToNotificationGroup(lf_ours(hSimConnect), GroupID, EventID, bMaskable != 0);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_SetNotificationGroupPriority(abi::HANDLE hSimConnect,
                                                                                      abi::DWORD GroupID,
                                                                                      abi::DWORD uPriority) {
  return lf_call(
      [&](auto& s) { return s.setNotificationGroupPriority(lf_ours(hSimConnect), GroupID, uPriority); });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_RequestDataOnSimObject(
    abi::HANDLE hSimConnect, abi::DWORD RequestID, abi::DWORD DefineID, abi::DWORD ObjectID,
    abi::DWORD Period, abi::DWORD Flags, abi::DWORD origin, abi::DWORD interval, abi::DWORD limit) {
  return lf_call([&](auto& s) {
    return s.requestDataOnSimObject(lf_ours(hSimConnect), RequestID, DefineID, ObjectID,
                                    static_cast<sc::Period>(Period), Flags, origin, interval, limit);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_RequestDataOnSimObjectType(abi::HANDLE hSimConnect,
                                                                                    abi::DWORD RequestID,
                                                                                    abi::DWORD DefineID,
                                                                                    abi::DWORD dwRadiusMeters,
                                                                                    abi::DWORD type) {
  return lf_call([&](auto& s) {
    return s.requestDataOnSimObjectType(lf_ours(hSimConnect), RequestID, DefineID, dwRadiusMeters, type);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_SetDataOnSimObject(
    abi::HANDLE hSimConnect, abi::DWORD DefineID, abi::DWORD ObjectID, abi::DWORD Flags,
    abi::DWORD ArrayCount, abi::DWORD cbUnitSize, void* pDataSet) {
  if (!pDataSet && cbUnitSize > 0) return sc::E_FAIL;
  const std::span<const std::byte> bytes(static_cast<const std::byte*>(pDataSet), pDataSet ? cbUnitSize : 0);
  return lf_call([&](auto& s) {
    return s.setDataOnSimObject(lf_ours(hSimConnect), DefineID, ObjectID, Flags, ArrayCount, bytes);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL
SimConnect_TransmitClientEvent(abi::HANDLE hSimConnect, abi::DWORD ObjectID, abi::DWORD EventID,
                               abi::DWORD dwData, abi::DWORD GroupID, abi::DWORD Flags) {
  return lf_call([&](auto& s) {
    return s.transmitClientEvent(lf_ours(hSimConnect), ObjectID, EventID, dwData, GroupID, Flags);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AICreateNonATCAircraft(
    abi::HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
    abi::DATA_INITPOSITION InitPos, abi::DWORD RequestID) {
  return lf_call([&](auto& s) {
    return s.aiCreateNonATCAircraft(lf_ours(hSimConnect), lf_text(szContainerTitle), lf_text(szTailNumber),
                                    lf_ours(InitPos), RequestID);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AIRemoveObject(abi::HANDLE hSimConnect,
                                                                        abi::DWORD ObjectID,
                                                                        abi::DWORD RequestID) {
  return lf_call([&](auto& s) { return s.aiRemoveObject(lf_ours(hSimConnect), ObjectID, RequestID); });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AIReleaseControl(abi::HANDLE hSimConnect,
                                                                          abi::DWORD ObjectID,
                                                                          abi::DWORD RequestID) {
  return lf_call([&](auto& s) { return s.aiReleaseControl(lf_ours(hSimConnect), ObjectID, RequestID); });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_AISetAircraftFlightPlan(abi::HANDLE hSimConnect,
                                                                                 abi::DWORD ObjectID,
                                                                                 const char* szFlightPlanPath,
                                                                                 abi::DWORD RequestID) {
  return lf_call([&](auto& s) {
    return s.aiSetAircraftFlightPlan(lf_ours(hSimConnect), ObjectID, lf_text(szFlightPlanPath), RequestID);
  });
}

QLST_EXPORT abi::HRESULT QLST_SIMCONNECT_CALL SimConnect_GetLastSentPacketID(abi::HANDLE hSimConnect,
                                                                             abi::DWORD* pdwSendID) {
  if (!pdwSendID) return sc::E_FAIL;
  *pdwSendID = 0;
  return lf_call([&](auto& s) { return s.getLastSentPacketId(lf_ours(hSimConnect), pdwSendID); });
}
