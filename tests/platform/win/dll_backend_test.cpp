// The loader of the simulator's client library against the real system loader: a library that
// is missing, one that lacks the calls, and our test SimConnect.dll, which the build puts beside
// this test, driven through the same calls as the program makes.

#include "platform/simconnect/dll_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

struct Said {
  std::vector<std::string> log;
  std::vector<std::string> warnings;
  std::vector<std::string> messages;
  sc::DllBackend::Reporting reporting() {
    return {[this](std::string_view line) { log.emplace_back(line); },
            [this](std::string_view line) { warnings.emplace_back(line); },
            [this](std::string_view line) { messages.emplace_back(line); }};
  }
};

TEST(DllBackend, AMissingOrUnfitLibraryIsToldOnceAndEveryOpenFailsAsWithoutASimulator) {
  struct Case {
    const char* library;
    std::string told;
  };
  const std::vector<Case> cases = {
      {"NoSuchSimConnect.dll", "NoSuchSimConnect.dll not found: copy SimConnect.dll from the MSFS SDK"},
      // A system library: found, but without any of the calls.
      {"kernel32.dll", "has no SimConnect_Open: copy SimConnect.dll from the MSFS SDK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    Said said;
    sc::DllBackend backend(said.reporting(), c.library);
    for (int i = 0; i < 3; ++i) {
      sc::Handle handle = 0;
      EXPECT_LT(backend.open(&handle, "Quillstar", 0), 0);
      EXPECT_EQ(handle, 0u);
    }
    // Every other call fails too, without a connection.
    EXPECT_LT(backend.subscribeToSystemEvent(1, 201, "Sim"), 0);
    EXPECT_LT(backend.callDispatch(
                  1, [](const sc::Recv*, std::uint32_t, void*) {}, nullptr),
              0);
    ASSERT_EQ(said.messages.size(), 1u);
    EXPECT_EQ(said.warnings, said.messages);
    EXPECT_NE(said.messages[0].find(c.told), std::string::npos) << said.messages[0];
    EXPECT_NE(said.messages[0].find("beside simconnect_tests.exe"), std::string::npos) << said.messages[0];
  }
}

// What a dispatch handed over, as our records.
struct Received {
  std::vector<std::vector<std::byte>> records;
  static void take(const sc::Recv* data, std::uint32_t cbData, void* context) {
    EXPECT_EQ(data->dwSize, cbData);
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    static_cast<Received*>(context)->records.emplace_back(bytes, bytes + cbData);
  }
  template <typename Record>
  std::optional<Record> first(std::uint32_t id, std::uint32_t requestId = 0) const {
    for (const auto& r : records) {
      sc::Recv header;
      std::memcpy(&header, r.data(), sizeof(header));
      if (header.dwID != id || r.size() < sizeof(Record)) continue;
      Record record;
      std::memcpy(static_cast<void*>(&record), r.data(), sizeof(Record));
      if constexpr (std::is_base_of_v<sc::RecvSimObjectData, Record>) {
        if (record.dwRequestID != requestId) continue;
      }
      return record;
    }
    return std::nullopt;
  }
  std::vector<std::byte> valuesOf(std::uint32_t requestId) const {
    for (const auto& r : records) {
      sc::RecvSimObjectData d;
      if (r.size() < sizeof(d)) continue;
      std::memcpy(static_cast<void*>(&d), r.data(), sizeof(d));
      if (d.dwID == sc::RECV_ID_SIMOBJECT_DATA && d.dwRequestID == requestId)
        return {r.begin() + sc::SIMOBJECT_DATA_OFFSET, r.end()};
    }
    return {};
  }
};

TEST(DllBackend, TheTestLibraryAnswersThroughTheLibrarysInterface) {
  // The library's stand-in lives as long as the process and keeps its journal open: a file that
  // outlives every test's folder.
  testing_support::ScopedEnv journal(
      "QLST_STANDIN_JOURNAL",
      (std::filesystem::temp_directory_path() / "simconnect_tests-journal.jsonl").string());
  Said said;
  sc::DllBackend backend(said.reporting());
  sc::Handle handle = 0;
  ASSERT_GE(backend.open(&handle, "Quillstar", 0), 0) << (said.messages.empty() ? "" : said.messages[0]);
  ASSERT_NE(handle, 0u);
  EXPECT_TRUE(said.messages.empty());
  EXPECT_TRUE(said.warnings.empty());
  ASSERT_FALSE(said.log.empty());
  EXPECT_NE(said.log[0].find("SimConnect.dll loaded from "), std::string::npos) << said.log[0];

  EXPECT_GE(backend.subscribeToSystemEvent(handle, 202, "ObjectAdded"), 0);
  for (const char* variable : {"Plane Latitude", "Plane Longitude"})
    EXPECT_GE(
        backend.addToDataDefinition(handle, 402, variable, "degree", sc::DataType::FLOAT64, 0, sc::UNUSED),
        0);
  EXPECT_GE(backend.addToDataDefinition(handle, 407, "TITLE", "", sc::DataType::STRINGV, 0, sc::UNUSED), 0);
  EXPECT_GE(
      backend.requestDataOnSimObject(handle, 106, 407, sc::OBJECT_ID_USER, sc::Period::ONCE, 0, 0, 0, 0), 0);
  sc::InitPosition at;
  at.Latitude = 50.0412;
  at.Longitude = 8.5519;
  at.Altitude = 364;
  at.Heading = 250;
  at.OnGround = 1;
  EXPECT_GE(backend.aiCreateNonATCAircraft(handle, "Stand-in Airliner", "TST123", at, 104), 0);
  std::uint32_t packet = 0;
  EXPECT_GE(backend.getLastSentPacketId(handle, &packet), 0);
  EXPECT_GT(packet, 0u);

  Received received;
  std::optional<sc::RecvEventObjectAddRemove> added;
  ASSERT_TRUE(testing_support::waitFor(
      [&] {
        EXPECT_GE(backend.callDispatch(handle, &Received::take, &received), 0);
        added = received.first<sc::RecvEventObjectAddRemove>(sc::RECV_ID_EVENT_OBJECT_ADDREMOVE);
        return added.has_value() && !received.valuesOf(106).empty();
      },
      10s));
  const auto open = received.first<sc::RecvOpen>(sc::RECV_ID_OPEN);
  ASSERT_TRUE(open.has_value());
  EXPECT_GT(std::strlen(open->szApplicationName), 0u);
  EXPECT_EQ(added->uEventID, 202u);
  EXPECT_EQ(added->eObjType, sc::SIMOBJECT_TYPE_AIRCRAFT);
  const std::vector<std::byte> title = received.valuesOf(106);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(title.data())), "Stand-in Airliner") << title.size();

  // The new object's position, asked for by its id: the initial position crossed by value.
  EXPECT_GE(backend.requestDataOnSimObject(handle, 102, 402, added->dwData, sc::Period::ONCE, 0, 0, 0, 0), 0);
  std::vector<std::byte> position;
  ASSERT_TRUE(testing_support::waitFor(
      [&] {
        EXPECT_GE(backend.callDispatch(handle, &Received::take, &received), 0);
        position = received.valuesOf(102);
        return !position.empty();
      },
      10s));
  ASSERT_GE(position.size(), 2 * sizeof(double));
  double latLon[2];
  std::memcpy(latLon, position.data(), sizeof(latLon));
  EXPECT_NEAR(latLon[0], 50.0412, 1e-9);
  EXPECT_NEAR(latLon[1], 8.5519, 1e-9);

  EXPECT_GE(backend.aiRemoveObject(handle, added->dwData, 105), 0);
  EXPECT_GE(backend.close(handle), 0);
  EXPECT_LT(backend.close(handle), 0);  // ours is gone with the connection
}

}  // namespace
