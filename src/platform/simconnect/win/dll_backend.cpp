#include "platform/simconnect/dll_backend.h"

#include <windows.h>

#include <array>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/os/win/wide_text.h"
#include "platform/simconnect/sdk_abi.h"

namespace sc {
namespace {

// Where the user gets the library: it comes with the simulator's SDK for redistribution.
constexpr std::string_view kWhereFrom =
    "copy SimConnect.dll from the MSFS SDK (its \"SimConnect SDK\\lib\" folder)";

std::filesystem::path lf_programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string lf_moduleFile(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return os::win::utf8(path);
}

std::string lf_text(std::string_view text) {
  return std::string(text);
}

void lf_copy(abi::DATA_INITPOSITION& theirs, const InitPosition& ours) {
  theirs.Latitude = ours.Latitude;
  theirs.Longitude = ours.Longitude;
  theirs.Altitude = ours.Altitude;
  theirs.Pitch = ours.Pitch;
  theirs.Bank = ours.Bank;
  theirs.Heading = ours.Heading;
  theirs.OnGround = ours.OnGround;
  theirs.Airspeed = ours.Airspeed;
}

struct DispatchCall {
  LibraryRecords* records;
  DispatchProc dispatch;
  void* context;
};

void QLST_SIMCONNECT_CALL lf_dispatch(abi::RECV* data, abi::DWORD cbData, void* context) {
  const auto* call = static_cast<const DispatchCall*>(context);
  if (const std::optional<RecordBytes> ours = call->records->translate(data, cbData))
    call->dispatch(reinterpret_cast<const Recv*>(ours->data()), ours->size(), call->context);
}

}  // namespace

struct DllBackend::Library {
  HMODULE module = nullptr;
  abi::Fn_Open open = nullptr;
  abi::Fn_Close close = nullptr;
  abi::Fn_CallDispatch callDispatch = nullptr;
  abi::Fn_SubscribeToSystemEvent subscribeToSystemEvent = nullptr;
  abi::Fn_AddToDataDefinition addToDataDefinition = nullptr;
  abi::Fn_MapClientEventToSimEvent mapClientEventToSimEvent = nullptr;
  abi::Fn_AddClientEventToNotificationGroup addClientEventToNotificationGroup = nullptr;
  abi::Fn_SetNotificationGroupPriority setNotificationGroupPriority = nullptr;
  abi::Fn_RequestDataOnSimObject requestDataOnSimObject = nullptr;
  abi::Fn_RequestDataOnSimObjectType requestDataOnSimObjectType = nullptr;
  abi::Fn_SetDataOnSimObject setDataOnSimObject = nullptr;
  abi::Fn_TransmitClientEvent transmitClientEvent = nullptr;
  abi::Fn_AICreateNonATCAircraft aiCreateNonATCAircraft = nullptr;
  abi::Fn_AIRemoveObject aiRemoveObject = nullptr;
  abi::Fn_AIReleaseControl aiReleaseControl = nullptr;
  abi::Fn_AISetAircraftFlightPlan aiSetAircraftFlightPlan = nullptr;
  abi::Fn_GetLastSentPacketID getLastSentPacketId = nullptr;

  ~Library() {
    if (module) FreeLibrary(module);
  }

  // Finds every call; the name of the first one missing, empty when none is.
  std::string bind() {
    std::string missing;
    const auto find = [&]<typename Fn>(Fn& fn, const char* name) {
      fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
      if (!fn && missing.empty()) missing = name;
    };
    find(open, "SimConnect_Open");
    find(close, "SimConnect_Close");
    find(callDispatch, "SimConnect_CallDispatch");
    find(subscribeToSystemEvent, "SimConnect_SubscribeToSystemEvent");
    find(addToDataDefinition, "SimConnect_AddToDataDefinition");
    find(mapClientEventToSimEvent, "SimConnect_MapClientEventToSimEvent");
    find(addClientEventToNotificationGroup, "SimConnect_AddClientEventToNotificationGroup");
    find(setNotificationGroupPriority, "SimConnect_SetNotificationGroupPriority");
    find(requestDataOnSimObject, "SimConnect_RequestDataOnSimObject");
    find(requestDataOnSimObjectType, "SimConnect_RequestDataOnSimObjectType");
    find(setDataOnSimObject, "SimConnect_SetDataOnSimObject");
    find(transmitClientEvent, "SimConnect_TransmitClientEvent");
    find(aiCreateNonATCAircraft, "SimConnect_AICreateNonATCAircraft");
    find(aiRemoveObject, "SimConnect_AIRemoveObject");
    find(aiReleaseControl, "SimConnect_AIReleaseControl");
    find(aiSetAircraftFlightPlan, "SimConnect_AISetAircraftFlightPlan");
    find(getLastSentPacketId, "SimConnect_GetLastSentPacketID");
    return missing;
  }
};

DllBackend::DllBackend(Reporting reporting, std::string library)
    : reporting_(std::move(reporting)),
      libraryName_(std::move(library)),
      records_([this](std::string_view line) {
        if (reporting_.warning) reporting_.warning(line);
      }) {}

DllBackend::~DllBackend() = default;

void* DllBackend::libraryHandle(Handle handle) {
  std::scoped_lock lock(mutex_);
  const auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : found->second;
}

HResult DllBackend::open(Handle* handle, std::string_view name, std::uint32_t configIndex) {
  std::unique_lock lock(mutex_);
  if (!tried_) {
    tried_ = true;
    const std::string program = lf_programPath().filename().string();
    const auto tell = [&](const std::string& what) {
      const std::string line = what + ": " + std::string(kWhereFrom) + " beside " + program;
      if (reporting_.warning) reporting_.warning(line);
      if (reporting_.message) reporting_.message(line);
    };
    // The program's own folder first, so that the copy beside the program wins over any other.
    const std::filesystem::path beside = lf_programPath().parent_path() / os::win::wide(libraryName_);
    HMODULE module = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    DWORD error = module ? 0 : GetLastError();
    if (!module &&
        (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
      module = LoadLibraryW(os::win::wide(libraryName_).c_str());
      error = module ? 0 : GetLastError();
    }
    if (!module) {
      if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        tell(libraryName_ + " not found");
      } else {
        tell(libraryName_ + " could not be loaded (system error " + std::to_string(error) + ")");
      }
    } else {
      auto library = std::make_unique<Library>();
      library->module = module;
      if (const std::string missing = library->bind(); !missing.empty()) {
        tell(lf_moduleFile(module) + " has no " + missing);
      } else {
        if (reporting_.log) reporting_.log(libraryName_ + " loaded from " + lf_moduleFile(module));
        library_ = std::move(library);
      }
    }
  }
  if (!library_) return E_FAIL;
  Library& library = *library_;
  lock.unlock();

  abi::HANDLE theirs = nullptr;
  const std::string text = lf_text(name);
  const HResult result = library.open(&theirs, text.c_str(), nullptr, 0, nullptr, configIndex);
  if (result < 0 || !theirs) return result < 0 ? result : E_FAIL;
  lock.lock();
  // Ours are small numbers of our own, never 0; the library's are pointers.
  const Handle ours = nextHandle_++;
  handles_[ours] = theirs;
  *handle = ours;
  return result;
}

HResult DllBackend::close(Handle handle) {
  abi::HANDLE theirs = nullptr;
  {
    std::scoped_lock lock(mutex_);
    const auto found = handles_.find(handle);
    if (found == handles_.end() || !library_) return E_FAIL;
    theirs = found->second;
    handles_.erase(found);
  }
  return library_->close(theirs);
}

HResult DllBackend::callDispatch(Handle handle, DispatchProc dispatch, void* context) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  DispatchCall call{&records_, dispatch, context};
  return library_->callDispatch(theirs, &lf_dispatch, &call);
}

HResult DllBackend::subscribeToSystemEvent(Handle handle, std::uint32_t eventId, std::string_view name) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->subscribeToSystemEvent(theirs, eventId, lf_text(name).c_str());
}

HResult DllBackend::addToDataDefinition(Handle handle, std::uint32_t defineId, std::string_view variable,
                                        std::string_view unit, DataType type, float epsilon,
                                        std::uint32_t datumId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  // A variable without a unit (a text) is registered with no unit at all.
  const HResult result = library_->addToDataDefinition(theirs, defineId, lf_text(variable).c_str(),
                                                       unit.empty() ? nullptr : lf_text(unit).c_str(),
                                                       static_cast<abi::DWORD>(type), epsilon, datumId);
  if (result >= 0) records_.define(defineId, type);
  return result;
}

HResult DllBackend::mapClientEventToSimEvent(Handle handle, std::uint32_t eventId, std::string_view name) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->mapClientEventToSimEvent(theirs, eventId, lf_text(name).c_str());
}

HResult DllBackend::addClientEventToNotificationGroup(Handle handle, std::uint32_t groupId,
                                                      std::uint32_t eventId, bool maskable) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->addClientEventToNotificationGroup(theirs, groupId, eventId, maskable ? 1 : 0);
}

HResult DllBackend::setNotificationGroupPriority(Handle handle, std::uint32_t groupId,
                                                 std::uint32_t priority) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->setNotificationGroupPriority(theirs, groupId, priority);
}

HResult DllBackend::requestDataOnSimObject(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                           std::uint32_t objectId, Period period, std::uint32_t flags,
                                           std::uint32_t origin, std::uint32_t interval,
                                           std::uint32_t limit) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->requestDataOnSimObject(theirs, requestId, defineId, objectId,
                                          static_cast<abi::DWORD>(period), flags, origin, interval, limit);
}

HResult DllBackend::requestDataOnSimObjectType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                               std::uint32_t radiusMeters, std::uint32_t objectType) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->requestDataOnSimObjectType(theirs, requestId, defineId, radiusMeters, objectType);
}

HResult DllBackend::setDataOnSimObject(Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                       std::uint32_t flags, std::uint32_t arrayCount,
                                       std::span<const std::byte> data) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  // The library does not write through the pointer; its signature only lacks the const.
  return library_->setDataOnSimObject(
      theirs, defineId, objectId, flags, arrayCount, static_cast<abi::DWORD>(data.size()),
      const_cast<std::byte*>(data.data()));  // NOLINT(cppcoreguidelines-pro-type-const-cast)
}

HResult DllBackend::transmitClientEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                        std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->transmitClientEvent(theirs, objectId, eventId, value, groupId, flags);
}

HResult DllBackend::aiCreateNonATCAircraft(Handle handle, std::string_view containerTitle,
                                           std::string_view tailNumber, const InitPosition& initPosition,
                                           std::uint32_t requestId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  abi::DATA_INITPOSITION position{};
  lf_copy(position, initPosition);
  return library_->aiCreateNonATCAircraft(theirs, lf_text(containerTitle).c_str(),
                                          lf_text(tailNumber).c_str(), position, requestId);
}

HResult DllBackend::aiRemoveObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->aiRemoveObject(theirs, objectId, requestId);
}

HResult DllBackend::aiReleaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->aiReleaseControl(theirs, objectId, requestId);
}

HResult DllBackend::aiSetAircraftFlightPlan(Handle handle, std::uint32_t objectId, std::string_view planPath,
                                            std::uint32_t requestId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  return library_->aiSetAircraftFlightPlan(theirs, objectId, lf_text(planPath).c_str(), requestId);
}

HResult DllBackend::getLastSentPacketId(Handle handle, std::uint32_t* packetId) {
  abi::HANDLE theirs = libraryHandle(handle);
  if (!theirs) return E_FAIL;
  abi::DWORD id = 0;
  const HResult result = library_->getLastSentPacketId(theirs, &id);
  *packetId = id;
  return result;
}

}  // namespace sc
