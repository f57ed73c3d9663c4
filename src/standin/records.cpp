#include "standin/records.h"

#include <algorithm>
#include <cstring>

namespace orv::standin {
namespace {

// Copies the text into a field of the given size, always leaving its terminating zero.
void lf_copyText(char* field, std::size_t fieldSize, std::string_view text) {
  const std::size_t n = std::min(text.size(), fieldSize - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

}  // namespace

RecordBuffer::RecordBuffer(std::size_t size)
    : words_((std::max(size, sizeof(sc::Recv)) + 7) / 8, 0),
      size_(static_cast<std::uint32_t>(std::max(size, sizeof(sc::Recv)))) {}

RecordBuffer makeBare(std::uint32_t recvId, std::size_t size) {
  RecordBuffer buffer(size);
  auto* recv = reinterpret_cast<sc::Recv*>(buffer.data());
  recv->dwSize = buffer.size();
  recv->dwID = recvId;
  return buffer;
}

RecordBuffer makeException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
  sc::RecvException record;
  record.dwException = exception;
  record.dwSendID = sendId;
  record.dwIndex = index;
  return makeRecord(record, sc::RECV_ID_EXCEPTION);
}

RecordBuffer makeOpen(std::string_view applicationName, const std::array<std::uint32_t, 4>& version) {
  sc::RecvOpen record;
  lf_copyText(record.szApplicationName, sizeof(record.szApplicationName), applicationName);
  record.dwApplicationVersionMajor = version[0];
  record.dwApplicationVersionMinor = version[1];
  record.dwApplicationBuildMajor = version[2];
  record.dwApplicationBuildMinor = version[3];
  return makeRecord(record, sc::RECV_ID_OPEN);
}

RecordBuffer makeQuit() {
  return makeBare(sc::RECV_ID_QUIT);
}

RecordBuffer makeEvent(std::uint32_t eventId, std::uint32_t data) {
  sc::RecvEvent record;
  record.uEventID = eventId;
  record.dwData = data;
  return makeRecord(record, sc::RECV_ID_EVENT);
}

RecordBuffer makeFilename(std::uint32_t eventId, std::string_view fileName) {
  sc::RecvEventFilename record;
  record.uEventID = eventId;
  lf_copyText(record.szFileName, sizeof(record.szFileName), fileName);
  return makeRecord(record, sc::RECV_ID_EVENT_FILENAME);
}

RecordBuffer makeObjectAddRemove(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType) {
  sc::RecvEventObjectAddRemove record;
  record.uEventID = eventId;
  record.dwData = objectId;
  record.eObjType = objectType;
  return makeRecord(record, sc::RECV_ID_EVENT_OBJECT_ADDREMOVE);
}

RecordBuffer makeFrame(std::uint32_t eventId, float frameRate, float simSpeed) {
  sc::RecvEventFrame record;
  record.uEventID = eventId;
  record.fFrameRate = frameRate;
  record.fSimSpeed = simSpeed;
  return makeRecord(record, sc::RECV_ID_EVENT_FRAME);
}

RecordBuffer makeAssignedObjectId(std::uint32_t requestId, std::uint32_t objectId) {
  sc::RecvAssignedObjectId record;
  record.dwRequestID = requestId;
  record.dwObjectID = objectId;
  return makeRecord(record, sc::RECV_ID_ASSIGNED_OBJECT_ID);
}

RecordBuffer makeSimObjectData(const DataRecordHeader& header, std::span<const std::byte> values) {
  RecordBuffer buffer(sc::SIMOBJECT_DATA_OFFSET +
                      std::max<std::size_t>(values.size(), sizeof(std::uint32_t)));
  sc::RecvSimObjectData record;
  record.dwSize = buffer.size();
  record.dwID = header.recvId;
  record.dwRequestID = header.requestId;
  record.dwObjectID = header.objectId;
  record.dwDefineID = header.defineId;
  record.dwentrynumber = header.entryNumber;
  record.dwoutof = header.outOf;
  record.dwDefineCount = header.defineCount;
  std::memcpy(buffer.data(), &record, sc::SIMOBJECT_DATA_OFFSET);
  if (!values.empty()) std::memcpy(buffer.data() + sc::SIMOBJECT_DATA_OFFSET, values.data(), values.size());
  return buffer;
}

ValuePacker& ValuePacker::float64(double value) {
  const auto* p = reinterpret_cast<const std::byte*>(&value);
  bytes_.insert(bytes_.end(), p, p + sizeof value);
  ++count_;
  return *this;
}

ValuePacker& ValuePacker::int64(std::int64_t value) {
  const auto* p = reinterpret_cast<const std::byte*>(&value);
  bytes_.insert(bytes_.end(), p, p + sizeof value);
  ++count_;
  return *this;
}

ValuePacker& ValuePacker::string32(std::string_view text) {
  std::array<std::byte, 32> field{};
  std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
  bytes_.insert(bytes_.end(), field.begin(), field.end());
  ++count_;
  return *this;
}

ValuePacker& ValuePacker::stringv(std::string_view text) {
  const auto* p = reinterpret_cast<const std::byte*>(text.data());
  bytes_.insert(bytes_.end(), p, p + text.size());
  bytes_.push_back(std::byte{0});
  ++count_;
  return *this;
}

double ValueReader::float64() {
  double value = 0;
  if (offset_ + sizeof value <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset_, sizeof value);
  offset_ += sizeof value;
  return value;
}

std::int64_t ValueReader::int64() {
  std::int64_t value = 0;
  if (offset_ + sizeof value <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset_, sizeof value);
  offset_ += sizeof value;
  return value;
}

}  // namespace orv::standin
