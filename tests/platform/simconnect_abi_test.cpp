// The client library's binary interface as we declare it, pinned to the library's published
// layout, and the translation of its records into ours and back, with the checks that keep a
// malformed record from being read.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/simconnect/library_records.h"
#include "platform/simconnect/sdk_abi.h"
#include "platform/simconnect/simconnect.h"

namespace {

namespace abi = sc::abi;

template <typename Record, typename Member>
std::size_t offsetOf(const Record& record, const Member& member) {
  return static_cast<std::size_t>(reinterpret_cast<const char*>(&member) -
                                  reinterpret_cast<const char*>(&record));
}

struct Member {
  const char* name;
  std::size_t actual;
  std::size_t documented;
};

struct Layout {
  const char* record;
  std::size_t size;
  std::size_t documentedSize;
  std::vector<Member> members;
};

TEST(SimConnectAbi, EveryRecordHasTheDocumentedSizeAndOffsets) {
  const abi::RECV recv{};
  const abi::RECV_EXCEPTION exception{};
  const abi::RECV_OPEN open{};
  const abi::RECV_EVENT event{};
  const abi::RECV_EVENT_FILENAME filename{};
  const abi::RECV_EVENT_OBJECT_ADDREMOVE addRemove{};
  const abi::RECV_EVENT_FRAME frame{};
  const abi::RECV_SIMOBJECT_DATA data{};
  const abi::RECV_ASSIGNED_OBJECT_ID assigned{};
  const abi::DATA_INITPOSITION position{};
  const std::vector<Layout> layouts = {
      {"RECV",
       sizeof(abi::RECV),
       12,
       {{"dwSize", offsetOf(recv, recv.dwSize), 0},
        {"dwVersion", offsetOf(recv, recv.dwVersion), 4},
        {"dwID", offsetOf(recv, recv.dwID), 8}}},
      {"RECV_EXCEPTION",
       sizeof(abi::RECV_EXCEPTION),
       24,
       {{"dwException", offsetOf(exception, exception.dwException), 12},
        {"dwSendID", offsetOf(exception, exception.dwSendID), 16},
        {"dwIndex", offsetOf(exception, exception.dwIndex), 20}}},
      {"RECV_OPEN",
       sizeof(abi::RECV_OPEN),
       308,
       {{"szApplicationName", offsetOf(open, open.szApplicationName), 12},
        {"dwApplicationVersionMajor", offsetOf(open, open.dwApplicationVersionMajor), 268},
        {"dwApplicationVersionMinor", offsetOf(open, open.dwApplicationVersionMinor), 272},
        {"dwApplicationBuildMajor", offsetOf(open, open.dwApplicationBuildMajor), 276},
        {"dwApplicationBuildMinor", offsetOf(open, open.dwApplicationBuildMinor), 280},
        {"dwSimConnectVersionMajor", offsetOf(open, open.dwSimConnectVersionMajor), 284},
        {"dwSimConnectVersionMinor", offsetOf(open, open.dwSimConnectVersionMinor), 288},
        {"dwSimConnectBuildMajor", offsetOf(open, open.dwSimConnectBuildMajor), 292},
        {"dwSimConnectBuildMinor", offsetOf(open, open.dwSimConnectBuildMinor), 296},
        {"dwReserved1", offsetOf(open, open.dwReserved1), 300},
        {"dwReserved2", offsetOf(open, open.dwReserved2), 304}}},
      {"RECV_QUIT", sizeof(abi::RECV_QUIT), 12, {}},
      {"RECV_EVENT",
       sizeof(abi::RECV_EVENT),
       24,
       {{"uGroupID", offsetOf(event, event.uGroupID), 12},
        {"uEventID", offsetOf(event, event.uEventID), 16},
        {"dwData", offsetOf(event, event.dwData), 20}}},
      {"RECV_EVENT_FILENAME",
       sizeof(abi::RECV_EVENT_FILENAME),
       288,
       {{"szFileName", offsetOf(filename, filename.szFileName), 24},
        {"dwFlags", offsetOf(filename, filename.dwFlags), 284}}},
      {"RECV_EVENT_OBJECT_ADDREMOVE",
       sizeof(abi::RECV_EVENT_OBJECT_ADDREMOVE),
       28,
       {{"eObjType", offsetOf(addRemove, addRemove.eObjType), 24}}},
      {"RECV_EVENT_FRAME",
       sizeof(abi::RECV_EVENT_FRAME),
       32,
       {{"fFrameRate", offsetOf(frame, frame.fFrameRate), 24},
        {"fSimSpeed", offsetOf(frame, frame.fSimSpeed), 28}}},
      {"RECV_SIMOBJECT_DATA",
       sizeof(abi::RECV_SIMOBJECT_DATA),
       44,
       {{"dwRequestID", offsetOf(data, data.dwRequestID), 12},
        {"dwObjectID", offsetOf(data, data.dwObjectID), 16},
        {"dwDefineID", offsetOf(data, data.dwDefineID), 20},
        {"dwFlags", offsetOf(data, data.dwFlags), 24},
        {"dwentrynumber", offsetOf(data, data.dwentrynumber), 28},
        {"dwoutof", offsetOf(data, data.dwoutof), 32},
        {"dwDefineCount", offsetOf(data, data.dwDefineCount), 36},
        {"dwData", offsetOf(data, data.dwData), 40},
        {"values", abi::SIMOBJECT_DATA_VALUES_OFFSET, 40}}},
      {"RECV_SIMOBJECT_DATA_BYTYPE", sizeof(abi::RECV_SIMOBJECT_DATA_BYTYPE), 44, {}},
      {"RECV_ASSIGNED_OBJECT_ID",
       sizeof(abi::RECV_ASSIGNED_OBJECT_ID),
       20,
       {{"dwRequestID", offsetOf(assigned, assigned.dwRequestID), 12},
        {"dwObjectID", offsetOf(assigned, assigned.dwObjectID), 16}}},
      {"DATA_INITPOSITION",
       sizeof(abi::DATA_INITPOSITION),
       56,
       {{"Latitude", offsetOf(position, position.Latitude), 0},
        {"Longitude", offsetOf(position, position.Longitude), 8},
        {"Altitude", offsetOf(position, position.Altitude), 16},
        {"Pitch", offsetOf(position, position.Pitch), 24},
        {"Bank", offsetOf(position, position.Bank), 32},
        {"Heading", offsetOf(position, position.Heading), 40},
        {"OnGround", offsetOf(position, position.OnGround), 48},
        {"Airspeed", offsetOf(position, position.Airspeed), 52}}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.record);
    EXPECT_EQ(layout.size, layout.documentedSize);
    for (const Member& m : layout.members) EXPECT_EQ(m.actual, m.documented) << m.name;
  }
}

TEST(SimConnectAbi, EnumerationsHaveTheLibrarysValuesAndMatchOurs) {
  struct Value {
    const char* name;
    std::uint32_t library;
    std::uint32_t documented;
    std::uint32_t ours;
  };
  const std::vector<Value> values = {
      {"RECV_ID_EXCEPTION", abi::RECV_ID_EXCEPTION, 1, sc::RECV_ID_EXCEPTION},
      {"RECV_ID_OPEN", abi::RECV_ID_OPEN, 2, sc::RECV_ID_OPEN},
      {"RECV_ID_QUIT", abi::RECV_ID_QUIT, 3, sc::RECV_ID_QUIT},
      {"RECV_ID_EVENT", abi::RECV_ID_EVENT, 4, sc::RECV_ID_EVENT},
      {"RECV_ID_EVENT_OBJECT_ADDREMOVE", abi::RECV_ID_EVENT_OBJECT_ADDREMOVE, 5,
       sc::RECV_ID_EVENT_OBJECT_ADDREMOVE},
      {"RECV_ID_EVENT_FILENAME", abi::RECV_ID_EVENT_FILENAME, 6, sc::RECV_ID_EVENT_FILENAME},
      {"RECV_ID_EVENT_FRAME", abi::RECV_ID_EVENT_FRAME, 7, sc::RECV_ID_EVENT_FRAME},
      {"RECV_ID_SIMOBJECT_DATA", abi::RECV_ID_SIMOBJECT_DATA, 8, sc::RECV_ID_SIMOBJECT_DATA},
      {"RECV_ID_SIMOBJECT_DATA_BYTYPE", abi::RECV_ID_SIMOBJECT_DATA_BYTYPE, 9,
       sc::RECV_ID_SIMOBJECT_DATA_BYTYPE},
      {"RECV_ID_ASSIGNED_OBJECT_ID", abi::RECV_ID_ASSIGNED_OBJECT_ID, 12, sc::RECV_ID_ASSIGNED_OBJECT_ID},
      {"DATATYPE_INT64", abi::DATATYPE_INT64, 2, static_cast<std::uint32_t>(sc::DataType::INT64)},
      {"DATATYPE_FLOAT64", abi::DATATYPE_FLOAT64, 4, static_cast<std::uint32_t>(sc::DataType::FLOAT64)},
      {"DATATYPE_STRING32", abi::DATATYPE_STRING32, 6, static_cast<std::uint32_t>(sc::DataType::STRING32)},
      {"DATATYPE_STRINGV", abi::DATATYPE_STRINGV, 11, static_cast<std::uint32_t>(sc::DataType::STRINGV)},
      {"PERIOD_ONCE", abi::PERIOD_ONCE, 1, static_cast<std::uint32_t>(sc::Period::ONCE)},
      {"PERIOD_SECOND", abi::PERIOD_SECOND, 4, static_cast<std::uint32_t>(sc::Period::SECOND)},
      {"SIMOBJECT_TYPE_AIRCRAFT", abi::SIMOBJECT_TYPE_AIRCRAFT, 2, sc::SIMOBJECT_TYPE_AIRCRAFT},
      {"EXCEPTION_VERSION_MISMATCH", abi::EXCEPTION_VERSION_MISMATCH, 5, sc::EXCEPTION_VERSION_MISMATCH},
      {"EXCEPTION_CREATE_OBJECT_FAILED", abi::EXCEPTION_CREATE_OBJECT_FAILED, 22,
       sc::EXCEPTION_CREATE_OBJECT_FAILED},
      {"UNUSED", abi::UNUSED, 0xFFFFFFFFu, sc::UNUSED},
      {"GROUP_PRIORITY_HIGHEST", abi::GROUP_PRIORITY_HIGHEST, 1, sc::GROUP_PRIORITY_HIGHEST},
  };
  for (const Value& v : values) {
    EXPECT_EQ(v.library, v.documented) << v.name;
    EXPECT_EQ(v.ours, v.documented) << v.name;
  }
}

// --- translation ---

template <typename Record>
sc::RecordBytes ourRecord(Record record, std::uint32_t id) {
  record.dwSize = sizeof(Record);
  record.dwID = id;
  sc::RecordBytes bytes(sizeof(Record));
  std::memcpy(bytes.data(), &record, sizeof(Record));
  return bytes;
}

sc::RecordBytes ourData(std::uint32_t id, std::uint32_t defineId, const std::vector<std::byte>& values) {
  sc::RecvSimObjectData header;
  header.dwSize = static_cast<std::uint32_t>(sc::SIMOBJECT_DATA_OFFSET + values.size());
  header.dwID = id;
  header.dwRequestID = 109;
  header.dwObjectID = 7;
  header.dwDefineID = defineId;
  header.dwentrynumber = 1;
  header.dwoutof = 1;
  header.dwDefineCount = 1;
  sc::RecordBytes bytes(header.dwSize);
  std::memcpy(bytes.data(), &header, sc::SIMOBJECT_DATA_OFFSET);
  std::memcpy(bytes.data() + sc::SIMOBJECT_DATA_OFFSET, values.data(), values.size());
  return bytes;
}

std::vector<std::byte> doubles(std::initializer_list<double> values) {
  std::vector<std::byte> bytes(values.size() * sizeof(double));
  std::memcpy(bytes.data(), std::data(values), bytes.size());
  return bytes;
}

std::vector<std::byte> text(std::string_view t, bool terminated = true) {
  std::vector<std::byte> bytes(t.size() + (terminated ? 1 : 0));
  std::memcpy(bytes.data(), t.data(), t.size());
  return bytes;
}

std::vector<std::byte> bytesOf(const sc::RecordBytes& r) {
  return {r.data(), r.data() + r.size()};
}

TEST(SimConnectRecords, OurRecordsCrossTheLibrarysLayoutAndComeBackUnchanged) {
  sc::RecvException exception;
  exception.dwException = sc::EXCEPTION_CREATE_OBJECT_FAILED;
  exception.dwSendID = 41;
  exception.dwIndex = 2;
  sc::RecvOpen open;
  std::strcpy(open.szApplicationName, "KittyHawk");
  open.dwApplicationVersionMajor = 11;
  open.dwApplicationBuildMajor = 282174;
  open.dwApplicationBuildMinor = 999;
  sc::RecvEvent event;
  event.uEventID = 201;
  event.dwData = 1;
  sc::RecvEventFilename filename;
  filename.uEventID = 205;
  std::strcpy(filename.szFileName, "C:\\flights\\last.flt");
  sc::RecvEventObjectAddRemove added;
  added.uEventID = 202;
  added.dwData = 0x1234;
  added.eObjType = sc::SIMOBJECT_TYPE_AIRCRAFT;
  sc::RecvEventFrame frame;
  frame.uEventID = 204;
  frame.fFrameRate = 29.5F;
  frame.fSimSpeed = 1.0F;
  sc::RecvAssignedObjectId assigned;
  assigned.dwRequestID = 104;
  assigned.dwObjectID = 99;

  struct Case {
    const char* name;
    sc::RecordBytes ours;
    std::uint32_t librarySize;
  };
  const std::vector<Case> cases = {
      {"exception", ourRecord(exception, sc::RECV_ID_EXCEPTION), 24},
      {"open", ourRecord(open, sc::RECV_ID_OPEN), 308},
      {"quit", ourRecord(sc::Recv{}, sc::RECV_ID_QUIT), 12},
      {"event", ourRecord(event, sc::RECV_ID_EVENT), 24},
      {"file name", ourRecord(filename, sc::RECV_ID_EVENT_FILENAME), 288},
      {"object added", ourRecord(added, sc::RECV_ID_EVENT_OBJECT_ADDREMOVE), 28},
      {"frame", ourRecord(frame, sc::RECV_ID_EVENT_FRAME), 32},
      {"assigned id", ourRecord(assigned, sc::RECV_ID_ASSIGNED_OBJECT_ID), 20},
      {"data", ourData(sc::RECV_ID_SIMOBJECT_DATA, 403, doubles({50.03, 8.56, 0.01, -0.02, 4.3, 364.0})),
       40 + 48},
      {"data by type", ourData(sc::RECV_ID_SIMOBJECT_DATA_BYTYPE, 404, doubles({12.0, 352.0})), 40 + 16},
      {"text data", ourData(sc::RECV_ID_SIMOBJECT_DATA, 407, text("Airbus A320 Neo Lufthansa")), 40 + 26},
  };
  std::vector<std::string> reports;
  sc::LibraryRecords records([&](std::string_view line) { reports.emplace_back(line); });
  records.define(403, sc::DataType::FLOAT64);
  records.define(407, sc::DataType::STRINGV);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* ours = reinterpret_cast<const sc::Recv*>(c.ours.data());
    const sc::RecordBytes theirs = sc::toLibraryRecord(ours, c.ours.size());
    abi::RECV header{};
    std::memcpy(&header, theirs.data(), sizeof(header));
    EXPECT_EQ(theirs.size(), c.librarySize);
    EXPECT_EQ(header.dwSize, c.librarySize);
    EXPECT_EQ(header.dwID, ours->dwID);
    const std::optional<sc::RecordBytes> back = records.translate(theirs.data(), theirs.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(bytesOf(*back), bytesOf(c.ours));
  }
  EXPECT_TRUE(reports.empty()) << reports.front();
}

// The library's bytes of a record, as a malformed library might send them.
struct Malformed {
  const char* name;
  std::function<sc::RecordBytes()> record;
  std::uint32_t handedSize;  // cbData; 0: the buffer's size
  std::string report;
};

sc::RecordBytes libraryBytes(const sc::RecordBytes& ours) {
  return sc::toLibraryRecord(reinterpret_cast<const sc::Recv*>(ours.data()), ours.size());
}

template <typename Record>
void patch(sc::RecordBytes& bytes, std::size_t offset, Record value) {
  std::memcpy(bytes.data() + offset, &value, sizeof(value));
}

TEST(SimConnectRecords, AMalformedRecordIsReportedOncePerFaultAndKindAndNeverHandedOn) {
  const auto event = [] {
    sc::RecvEvent e;
    e.uEventID = 201;
    e.dwData = 1;
    return libraryBytes(ourRecord(e, sc::RECV_ID_EVENT));
  };
  const std::vector<Malformed> cases = {
      {"event shorter than its kind",
       [&] {
         sc::RecordBytes b = event();
         patch<std::uint32_t>(b, 0, 16);  // dwSize
         return b;
       },
       0, "SimConnect: short record of kind 4 (16 bytes, 24 needed), skipped (logged once)"},
      {"event handed with fewer bytes than it claims", event, 20,
       "SimConnect: short record of kind 4 (20 bytes, 24 needed), skipped (logged once)"},
      {"less than a header", event, 8,
       "SimConnect: record of 8 bytes is shorter than a record header, skipped (logged once)"},
      {"unknown kind",
       [&] {
         sc::RecordBytes b = event();
         patch<std::uint32_t>(b, 8, 99);  // dwID
         return b;
       },
       0, "SimConnect: record of unknown kind 99, skipped (logged once)"},
      {"application name without its end",
       [] {
         sc::RecvOpen open;
         sc::RecordBytes b = libraryBytes(ourRecord(open, sc::RECV_ID_OPEN));
         std::memset(b.data() + 12, 'K', 256);
         return b;
       },
       0, "SimConnect: text without its terminating zero in a record of kind 2, skipped (logged once)"},
      {"file name without its end",
       [] {
         sc::RecvEventFilename f;
         sc::RecordBytes b = libraryBytes(ourRecord(f, sc::RECV_ID_EVENT_FILENAME));
         std::memset(b.data() + 24, 'f', 260);
         return b;
       },
       0, "SimConnect: text without its terminating zero in a record of kind 6, skipped (logged once)"},
      {"title without its end",
       [] { return libraryBytes(ourData(sc::RECV_ID_SIMOBJECT_DATA, 407, text("Airbus A320", false))); }, 0,
       "SimConnect: text without its terminating zero in a record of kind 8, skipped (logged once)"},
      {"fewer values than the definition has",
       [] {
         return libraryBytes(ourData(sc::RECV_ID_SIMOBJECT_DATA_BYTYPE, 404, doubles({12.0, 352.0})));
       },
       0, "SimConnect: short record of kind 9 (56 bytes, 64 needed), skipped (logged once)"},
  };
  for (const Malformed& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> reports;
    sc::LibraryRecords records([&](std::string_view line) { reports.emplace_back(line); });
    records.define(407, sc::DataType::STRINGV);
    for (int i = 0; i < 4; ++i) records.define(404, i < 3 ? sc::DataType::FLOAT64 : sc::DataType::STRING32);
    for (int round = 0; round < 3; ++round) {
      const sc::RecordBytes bytes = c.record();
      EXPECT_FALSE(records.translate(bytes.data(), c.handedSize ? c.handedSize : bytes.size()).has_value());
    }
    EXPECT_EQ(reports, std::vector<std::string>{c.report});
    // A sound record of the same kind still passes.
    EXPECT_TRUE(records.translate(event().data(), event().size()).has_value());
  }
}

TEST(SimConnectRecords, KindsTheProgramIgnoresAreDroppedQuietlyAndUnregisteredDataIsBoundedBySize) {
  std::vector<std::string> reports;
  sc::LibraryRecords records([&](std::string_view line) { reports.emplace_back(line); });
  for (const std::uint32_t kind : {abi::RECV_ID_CLIENT_DATA, abi::RECV_ID_PICK}) {
    sc::RecordBytes bytes(sizeof(abi::RECV_SIMOBJECT_DATA));
    patch<std::uint32_t>(bytes, 0, bytes.size());
    patch<std::uint32_t>(bytes, 8, kind);
    EXPECT_FALSE(records.translate(bytes.data(), bytes.size()).has_value()) << kind;
  }
  EXPECT_TRUE(reports.empty());

  // A definition the library knows and we were not told of: its values pass as they came.
  const sc::RecordBytes ours = ourData(sc::RECV_ID_SIMOBJECT_DATA, 555, doubles({1.0}));
  const sc::RecordBytes theirs = libraryBytes(ours);
  const auto back = records.translate(theirs.data(), theirs.size());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(bytesOf(*back), bytesOf(ours));
  // A title with a terminating zero followed by padding is whole.
  records.define(407, sc::DataType::STRINGV);
  std::vector<std::byte> padded = text("A320");
  padded.resize(8);
  const sc::RecordBytes title = libraryBytes(ourData(sc::RECV_ID_SIMOBJECT_DATA, 407, padded));
  EXPECT_TRUE(records.translate(title.data(), title.size()).has_value());
  EXPECT_TRUE(reports.empty());
}

}  // namespace
