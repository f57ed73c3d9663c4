#pragma once

// Records as the simulator hands them to the dispatch, built as bytes: used by the stand-in for
// everything it sends, and by tests that push records of their own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "platform/simconnect/simconnect.h"

namespace orv::standin {

// One record: zeroed bytes aligned for the 8-byte values of a data record.
class RecordBuffer {
 public:
  explicit RecordBuffer(std::size_t size);

  [[nodiscard]] std::byte* data() { return reinterpret_cast<std::byte*>(words_.data()); }
  [[nodiscard]] const std::byte* data() const { return reinterpret_cast<const std::byte*>(words_.data()); }
  [[nodiscard]] std::uint32_t size() const { return size_; }
  [[nodiscard]] const sc::Recv* recv() const { return reinterpret_cast<const sc::Recv*>(data()); }

 private:
  std::vector<std::uint64_t> words_;
  std::uint32_t size_;
};

// A copy of a record struct, its size set.
template <typename Record>
[[nodiscard]] RecordBuffer makeRecord(Record record, std::uint32_t recvId) {
  record.dwSize = sizeof(Record);
  record.dwID = recvId;
  RecordBuffer buffer(sizeof(Record));
  std::memcpy(buffer.data(), &record, sizeof(Record));
  return buffer;
}

// A record of a kind that carries nothing but its header, of the given total size.
[[nodiscard]] RecordBuffer makeBare(std::uint32_t recvId, std::size_t size = sizeof(sc::Recv));
[[nodiscard]] RecordBuffer makeException(std::uint32_t exception, std::uint32_t sendId,
                                         std::uint32_t index = 0);
// The name is cut to fit its field with its terminating zero.
[[nodiscard]] RecordBuffer makeOpen(std::string_view applicationName,
                                    const std::array<std::uint32_t, 4>& version);
[[nodiscard]] RecordBuffer makeQuit();
[[nodiscard]] RecordBuffer makeEvent(std::uint32_t eventId, std::uint32_t data);
[[nodiscard]] RecordBuffer makeFilename(std::uint32_t eventId, std::string_view fileName);
[[nodiscard]] RecordBuffer makeObjectAddRemove(std::uint32_t eventId, std::uint32_t objectId,
                                               std::uint32_t objectType);
[[nodiscard]] RecordBuffer makeFrame(std::uint32_t eventId, float frameRate, float simSpeed = 1.0F);
[[nodiscard]] RecordBuffer makeAssignedObjectId(std::uint32_t requestId, std::uint32_t objectId);

struct DataRecordHeader {
  std::uint32_t recvId = sc::RECV_ID_SIMOBJECT_DATA;  // or RECV_ID_SIMOBJECT_DATA_BYTYPE
  std::uint32_t requestId = 0;
  std::uint32_t objectId = 0;
  std::uint32_t defineId = 0;
  std::uint32_t entryNumber = 1;
  std::uint32_t outOf = 1;
  std::uint32_t defineCount = 0;
};
// A data record whose values are the given bytes (see ValuePacker).
[[nodiscard]] RecordBuffer makeSimObjectData(const DataRecordHeader& header,
                                             std::span<const std::byte> values);

// Packs values the way a data definition lays them out: 8 bytes for FLOAT64 and INT64, 32 bytes
// for STRING32 (zero-padded, with no zero when the text fills it), a zero-terminated text for STRINGV.
class ValuePacker {
 public:
  ValuePacker& float64(double value);
  ValuePacker& int64(std::int64_t value);
  ValuePacker& string32(std::string_view text);
  ValuePacker& stringv(std::string_view text);
  [[nodiscard]] std::span<const std::byte> bytes() const { return bytes_; }
  [[nodiscard]] std::size_t count() const { return count_; }

 private:
  std::vector<std::byte> bytes_;
  std::size_t count_ = 0;
};

// Reads the packed values back in order; a read past the end gives zero or an empty text.
class ValueReader {
 public:
  explicit ValueReader(std::span<const std::byte> bytes) : bytes_(bytes) {}
  [[nodiscard]] double float64();
  [[nodiscard]] std::int64_t int64();
  void skip(std::size_t bytes) { offset_ += bytes; }

 private:
  std::span<const std::byte> bytes_;
  std::size_t offset_ = 0;
};

}  // namespace orv::standin
