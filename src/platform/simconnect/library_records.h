#pragma once

// Translation between the client library's records (platform/simconnect/sdk_abi.h) and ours
// (platform/simconnect/simconnect.h), in both directions: DllBackend turns what the library hands
// to its dispatch into our records, and the test library turns the stand-in's records into the
// library's. Every record from the library is checked before any of it is read: a record shorter
// than its kind, a text without its terminating zero, a kind we do not know, or data values that
// run past the record's end are reported once per fault and kind, and the record is skipped.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/simconnect/simconnect.h"

namespace sc {

// One record as bytes, aligned for the 8-byte values of a data record.
class RecordBytes {
 public:
  explicit RecordBytes(std::size_t size)
      : words_((size + 7) / 8, 0), size_(static_cast<std::uint32_t>(size)) {}
  [[nodiscard]] std::byte* data() { return reinterpret_cast<std::byte*>(words_.data()); }
  [[nodiscard]] const std::byte* data() const { return reinterpret_cast<const std::byte*>(words_.data()); }
  [[nodiscard]] std::uint32_t size() const { return size_; }

 private:
  std::vector<std::uint64_t> words_;
  std::uint32_t size_;
};

enum class RecordFault { Short, UnknownKind, UnterminatedText };

class LibraryRecords {
 public:
  // Called with one log line the first time each fault is seen for each record kind.
  using Report = std::function<void(std::string_view line)>;
  explicit LibraryRecords(Report report) : report_(std::move(report)) {}

  // A value appended to a data definition, in the order of the calls: what a data record of the
  // definition must hold.
  void define(std::uint32_t defineId, DataType type);
  // Our record of the library's record of cbData bytes; nothing when it is malformed or of a kind
  // the program has no use for.
  [[nodiscard]] std::optional<RecordBytes> translate(const void* data, std::uint32_t cbData);

 private:
  [[nodiscard]] std::optional<RecordBytes> lf_translate(const std::byte* bytes, std::uint32_t size);
  std::optional<RecordBytes> fault(RecordFault fault, std::uint32_t kind, std::uint32_t size,
                                   std::size_t needed = 0);
  [[nodiscard]] bool valuesFit(std::uint32_t defineId, const std::byte* values, std::size_t size,
                               std::size_t& needed, bool& unterminated);

  Report report_;
  std::mutex mutex_;
  std::map<std::uint32_t, std::vector<DataType>> definitions_;
  std::set<std::pair<RecordFault, std::uint32_t>> reported_;
};

// The library's record of one of ours (the test library's side). A kind we have no declaration
// for is copied as it is.
[[nodiscard]] RecordBytes toLibraryRecord(const Recv* record, std::uint32_t cbData);

}  // namespace sc
