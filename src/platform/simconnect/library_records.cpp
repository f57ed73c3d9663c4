#include "platform/simconnect/library_records.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/simconnect/sdk_abi.h"

namespace sc {
namespace {

// The library's record struct read from its bytes: alignment-free, and never more than the record has.
template <typename Record>
Record lf_load(const std::byte* bytes) {
  Record record{};
  std::memcpy(&record, bytes, sizeof(Record));
  return record;
}

// Our record of a fixed-size kind, its header copied from the library's.
template <typename Ours>
RecordBytes lf_ours(Ours record, const abi::RECV& header) {
  record.dwSize = sizeof(Ours);
  record.dwVersion = header.dwVersion;
  record.dwID = header.dwID;
  RecordBytes bytes(sizeof(Ours));
  std::memcpy(bytes.data(), &record, sizeof(Ours));
  return bytes;
}

template <typename Abi>
RecordBytes lf_library(Abi record, const Recv& header) {
  record.dwSize = sizeof(Abi);
  record.dwVersion = header.dwVersion;
  record.dwID = header.dwID;
  RecordBytes bytes(sizeof(Abi));
  std::memcpy(bytes.data(), &record, sizeof(Abi));
  return bytes;
}

// One of our records read from its bytes when they hold the whole kind.
template <typename Ours>
std::optional<Ours> lf_readOurs(const std::byte* bytes, std::size_t size) {
  if (size < sizeof(Ours)) return std::nullopt;
  Ours record;
  std::memcpy(static_cast<void*>(&record), bytes, sizeof(Ours));
  return record;
}

bool lf_terminated(const char* text, std::size_t size) {
  return std::memchr(text, '\0', size) != nullptr;
}

void lf_copyEvent(RecvEvent& ours, const abi::RECV_EVENT& theirs) {
  ours.uGroupID = theirs.uGroupID;
  ours.uEventID = theirs.uEventID;
  ours.dwData = theirs.dwData;
}

void lf_copyEvent(abi::RECV_EVENT& theirs, const RecvEvent& ours) {
  theirs.uGroupID = ours.uGroupID;
  theirs.uEventID = ours.uEventID;
  theirs.dwData = ours.dwData;
}

// The smallest size of each kind of the library's records that we read; 0: a kind that we skip
// without a word, since the program has no use for it.
std::optional<std::size_t> lf_kindSize(std::uint32_t id) {
  switch (id) {
    case abi::RECV_ID_NULL:
    case abi::RECV_ID_QUIT:
      return sizeof(abi::RECV);
    case abi::RECV_ID_EXCEPTION:
      return sizeof(abi::RECV_EXCEPTION);
    case abi::RECV_ID_OPEN:
      return sizeof(abi::RECV_OPEN);
    case abi::RECV_ID_EVENT:
      return sizeof(abi::RECV_EVENT);
    case abi::RECV_ID_EVENT_OBJECT_ADDREMOVE:
      return sizeof(abi::RECV_EVENT_OBJECT_ADDREMOVE);
    case abi::RECV_ID_EVENT_FILENAME:
      return sizeof(abi::RECV_EVENT_FILENAME);
    case abi::RECV_ID_EVENT_FRAME:
      return sizeof(abi::RECV_EVENT_FRAME);
    case abi::RECV_ID_SIMOBJECT_DATA:
    case abi::RECV_ID_SIMOBJECT_DATA_BYTYPE:
      return sizeof(abi::RECV_SIMOBJECT_DATA);
    case abi::RECV_ID_ASSIGNED_OBJECT_ID:
      return sizeof(abi::RECV_ASSIGNED_OBJECT_ID);
    case abi::RECV_ID_CLIENT_DATA:
    case abi::RECV_ID_PICK:
      return 0;
    default:
      return std::nullopt;
  }
}

}  // namespace

void LibraryRecords::define(std::uint32_t defineId, DataType type) {
  std::scoped_lock lock(mutex_);
  definitions_[defineId].push_back(type);
}

std::optional<RecordBytes> LibraryRecords::translate(const void* data, std::uint32_t cbData) {
  std::scoped_lock lock(mutex_);
  if (!data || cbData < sizeof(abi::RECV)) return fault(RecordFault::Short, abi::UNUSED, cbData);
  const auto* bytes = static_cast<const std::byte*>(data);
  const auto header = lf_load<abi::RECV>(bytes);
  // A record that claims more than it was handed with is read only as far as it was handed.
  const std::uint32_t size = std::min(header.dwSize, cbData);
  return lf_translate(bytes, size);
}

std::optional<RecordBytes> LibraryRecords::fault(RecordFault fault, std::uint32_t kind, std::uint32_t size,
                                                 std::size_t needed) {
  if (!reported_.insert({fault, kind}).second || !report_) return std::nullopt;
  std::string line;
  switch (fault) {
    case RecordFault::Short:
      line = kind == abi::UNUSED
                 ? "SimConnect: record of " + std::to_string(size) + " bytes is shorter than a record header"
                 : "SimConnect: short record of kind " + std::to_string(kind) + " (" + std::to_string(size) +
                       " bytes, " + std::to_string(needed) + " needed)";
      break;
    case RecordFault::UnknownKind:
      line = "SimConnect: record of unknown kind " + std::to_string(kind);
      break;
    case RecordFault::UnterminatedText:
      line = "SimConnect: text without its terminating zero in a record of kind " + std::to_string(kind);
      break;
  }
  report_(line + ", skipped (logged once)");
  return std::nullopt;
}

bool LibraryRecords::valuesFit(std::uint32_t defineId, const std::byte* values, std::size_t size,
                               std::size_t& needed, bool& unterminated) {
  needed = 0;
  unterminated = false;
  const auto found = definitions_.find(defineId);
  // A definition made past us is bounded only by the record's size, which our readers respect.
  if (found == definitions_.end()) return true;
  for (const DataType type : found->second) {
    switch (type) {
      case DataType::INT64:
      case DataType::FLOAT64:
        needed += 8;
        break;
      case DataType::STRING32:
        needed += 32;
        break;
      case DataType::STRINGV: {
        if (needed >= size) return false;
        const void* end = std::memchr(values + needed, '\0', size - needed);
        if (!end) {
          unterminated = true;
          return false;
        }
        needed = static_cast<std::size_t>(static_cast<const std::byte*>(end) - values) + 1;
        break;
      }
    }
    if (needed > size) return false;
  }
  return true;
}

std::optional<RecordBytes> LibraryRecords::lf_translate(const std::byte* bytes, std::uint32_t size) {
  const auto header = lf_load<abi::RECV>(bytes);
  const std::optional<std::size_t> kindSize = lf_kindSize(header.dwID);
  if (!kindSize) return fault(RecordFault::UnknownKind, header.dwID, size);
  if (*kindSize == 0) return std::nullopt;
  if (size < *kindSize) return fault(RecordFault::Short, header.dwID, size, *kindSize);

  switch (header.dwID) {
    case abi::RECV_ID_EXCEPTION: {
      const auto theirs = lf_load<abi::RECV_EXCEPTION>(bytes);
      RecvException ours;
      ours.dwException = theirs.dwException;
      ours.dwSendID = theirs.dwSendID;
      ours.dwIndex = theirs.dwIndex;
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_OPEN: {
      const auto theirs = lf_load<abi::RECV_OPEN>(bytes);
      if (!lf_terminated(theirs.szApplicationName, sizeof(theirs.szApplicationName)))
        return fault(RecordFault::UnterminatedText, header.dwID, size);
      RecvOpen ours;
      static_assert(sizeof(ours.szApplicationName) == sizeof(theirs.szApplicationName));
      std::memcpy(ours.szApplicationName, theirs.szApplicationName, sizeof(ours.szApplicationName));
      ours.dwApplicationVersionMajor = theirs.dwApplicationVersionMajor;
      ours.dwApplicationVersionMinor = theirs.dwApplicationVersionMinor;
      ours.dwApplicationBuildMajor = theirs.dwApplicationBuildMajor;
      ours.dwApplicationBuildMinor = theirs.dwApplicationBuildMinor;
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_NULL:
    case abi::RECV_ID_QUIT:
      return lf_ours(Recv{}, header);
    case abi::RECV_ID_EVENT: {
      RecvEvent ours;
      lf_copyEvent(ours, lf_load<abi::RECV_EVENT>(bytes));
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_EVENT_OBJECT_ADDREMOVE: {
      const auto theirs = lf_load<abi::RECV_EVENT_OBJECT_ADDREMOVE>(bytes);
      RecvEventObjectAddRemove ours;
      lf_copyEvent(ours, theirs);
      ours.eObjType = theirs.eObjType;
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_EVENT_FILENAME: {
      const auto theirs = lf_load<abi::RECV_EVENT_FILENAME>(bytes);
      if (!lf_terminated(theirs.szFileName, sizeof(theirs.szFileName)))
        return fault(RecordFault::UnterminatedText, header.dwID, size);
      RecvEventFilename ours;
      lf_copyEvent(ours, theirs);
      static_assert(sizeof(ours.szFileName) == sizeof(theirs.szFileName));
      std::memcpy(ours.szFileName, theirs.szFileName, sizeof(ours.szFileName));
      ours.dwFlags = theirs.dwFlags;
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_EVENT_FRAME: {
      const auto theirs = lf_load<abi::RECV_EVENT_FRAME>(bytes);
      RecvEventFrame ours;
      lf_copyEvent(ours, theirs);
      ours.fFrameRate = theirs.fFrameRate;
      ours.fSimSpeed = theirs.fSimSpeed;
      return lf_ours(ours, header);
    }
    case abi::RECV_ID_SIMOBJECT_DATA:
    case abi::RECV_ID_SIMOBJECT_DATA_BYTYPE: {
      const auto theirs = lf_load<abi::RECV_SIMOBJECT_DATA>(bytes);
      const std::byte* values = bytes + abi::SIMOBJECT_DATA_VALUES_OFFSET;
      const std::size_t valueBytes = size - abi::SIMOBJECT_DATA_VALUES_OFFSET;
      std::size_t needed = 0;
      bool unterminated = false;
      if (!valuesFit(theirs.dwDefineID, values, valueBytes, needed, unterminated)) {
        if (unterminated) return fault(RecordFault::UnterminatedText, header.dwID, size);
        return fault(RecordFault::Short, header.dwID, size, abi::SIMOBJECT_DATA_VALUES_OFFSET + needed);
      }
      RecvSimObjectData ours;
      ours.dwSize = static_cast<std::uint32_t>(SIMOBJECT_DATA_OFFSET + valueBytes);
      ours.dwVersion = header.dwVersion;
      ours.dwID = header.dwID;
      ours.dwRequestID = theirs.dwRequestID;
      ours.dwObjectID = theirs.dwObjectID;
      ours.dwDefineID = theirs.dwDefineID;
      ours.dwFlags = theirs.dwFlags;
      ours.dwentrynumber = theirs.dwentrynumber;
      ours.dwoutof = theirs.dwoutof;
      ours.dwDefineCount = theirs.dwDefineCount;
      RecordBytes result(ours.dwSize);
      std::memcpy(result.data(), &ours, SIMOBJECT_DATA_OFFSET);
      std::memcpy(result.data() + SIMOBJECT_DATA_OFFSET, values, valueBytes);
      return result;
    }
    case abi::RECV_ID_ASSIGNED_OBJECT_ID: {
      const auto theirs = lf_load<abi::RECV_ASSIGNED_OBJECT_ID>(bytes);
      RecvAssignedObjectId ours;
      ours.dwRequestID = theirs.dwRequestID;
      ours.dwObjectID = theirs.dwObjectID;
      return lf_ours(ours, header);
    }
    default:
      return fault(RecordFault::UnknownKind, header.dwID, size);
  }
}

RecordBytes toLibraryRecord(const Recv* record, std::uint32_t cbData) {
  const std::uint32_t size = std::min(record->dwSize, cbData);
  const auto* bytes = reinterpret_cast<const std::byte*>(record);
  // A record of ours too short for its kind is copied as it is.
  switch (record->dwID) {
    case RECV_ID_EXCEPTION:
      if (const auto r = lf_readOurs<RecvException>(bytes, size)) {
        abi::RECV_EXCEPTION theirs{};
        theirs.dwException = r->dwException;
        theirs.dwSendID = r->dwSendID;
        theirs.dwIndex = r->dwIndex;
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_OPEN:
      if (const auto r = lf_readOurs<RecvOpen>(bytes, size)) {
        abi::RECV_OPEN theirs{};
        std::memcpy(theirs.szApplicationName, r->szApplicationName, sizeof(theirs.szApplicationName));
        theirs.dwApplicationVersionMajor = r->dwApplicationVersionMajor;
        theirs.dwApplicationVersionMinor = r->dwApplicationVersionMinor;
        theirs.dwApplicationBuildMajor = r->dwApplicationBuildMajor;
        theirs.dwApplicationBuildMinor = r->dwApplicationBuildMinor;
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_NULL:
    case RECV_ID_QUIT:
      return lf_library(abi::RECV_QUIT{}, *record);
    case RECV_ID_EVENT:
      if (const auto r = lf_readOurs<RecvEvent>(bytes, size)) {
        abi::RECV_EVENT theirs{};
        lf_copyEvent(theirs, *r);
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_EVENT_OBJECT_ADDREMOVE:
      if (const auto r = lf_readOurs<RecvEventObjectAddRemove>(bytes, size)) {
        abi::RECV_EVENT_OBJECT_ADDREMOVE theirs{};
        lf_copyEvent(theirs, *r);
        theirs.eObjType = r->eObjType;
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_EVENT_FILENAME:
      if (const auto r = lf_readOurs<RecvEventFilename>(bytes, size)) {
        abi::RECV_EVENT_FILENAME theirs{};
        lf_copyEvent(theirs, *r);
        std::memcpy(theirs.szFileName, r->szFileName, sizeof(theirs.szFileName));
        theirs.dwFlags = r->dwFlags;
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_EVENT_FRAME:
      if (const auto r = lf_readOurs<RecvEventFrame>(bytes, size)) {
        abi::RECV_EVENT_FRAME theirs{};
        lf_copyEvent(theirs, *r);
        theirs.fFrameRate = r->fFrameRate;
        theirs.fSimSpeed = r->fSimSpeed;
        return lf_library(theirs, *record);
      }
      break;
    case RECV_ID_SIMOBJECT_DATA:
    case RECV_ID_SIMOBJECT_DATA_BYTYPE:
      if (const auto r = lf_readOurs<RecvSimObjectData>(bytes, size)) {
        const std::size_t valueBytes = size - SIMOBJECT_DATA_OFFSET;
        abi::RECV_SIMOBJECT_DATA theirs{};
        theirs.dwSize = static_cast<std::uint32_t>(abi::SIMOBJECT_DATA_VALUES_OFFSET + valueBytes);
        theirs.dwVersion = r->dwVersion;
        theirs.dwID = r->dwID;
        theirs.dwRequestID = r->dwRequestID;
        theirs.dwObjectID = r->dwObjectID;
        theirs.dwDefineID = r->dwDefineID;
        theirs.dwFlags = r->dwFlags;
        theirs.dwentrynumber = r->dwentrynumber;
        theirs.dwoutof = r->dwoutof;
        theirs.dwDefineCount = r->dwDefineCount;
        RecordBytes result(theirs.dwSize);
        std::memcpy(result.data(), &theirs, abi::SIMOBJECT_DATA_VALUES_OFFSET);
        std::memcpy(result.data() + abi::SIMOBJECT_DATA_VALUES_OFFSET, bytes + SIMOBJECT_DATA_OFFSET,
                    valueBytes);
        return result;
      }
      break;
    case RECV_ID_ASSIGNED_OBJECT_ID:
      if (const auto r = lf_readOurs<RecvAssignedObjectId>(bytes, size)) {
        abi::RECV_ASSIGNED_OBJECT_ID theirs{};
        theirs.dwRequestID = r->dwRequestID;
        theirs.dwObjectID = r->dwObjectID;
        return lf_library(theirs, *record);
      }
      break;
    default:
      break;
  }
  RecordBytes copy(size);
  std::memcpy(copy.data(), bytes, size);
  return copy;
}

}  // namespace sc
