#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "config/parameters.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "reader_test_support.h"
#include "refdata/codes.h"
#include "support/scoped_setting.h"
#include "support/test_support.h"
#include "traffic/adding_deque.h"
#include "traffic/cycle.h"
#include "traffic/traffic_reader.h"

namespace {

using testing_support::logBody;

using orv::LineContext;
using orv::TrafficRecord;

// A traffic line as RealTraffic sends it, built from 29 default fields of an airborne A320 near
// the park airport; rows change only the fields they are about.
class Line {
 public:
  Line() {
    fields_ = {"x",      "4840116", "51.4700", "-0.4543", "3000", "-700",         "", "270.0", "160",
               "BAW123", "A320",    "G-EUUA",  "CDG",     "LHR",  "1733824800.5", "", "",      "adsb_icao",
               "",       "",        "165",     "",        "",     "-2.5",         "", "271.0", "",
               "",       "A3"};
  }
  Line& set(std::size_t index, std::string value) {
    if (index >= fields_.size()) fields_.resize(index + 1);
    fields_[index] = std::move(value);
    return *this;
  }
  Line& size(std::size_t n) {
    fields_.resize(n);
    return *this;
  }
  [[nodiscard]] std::string text() const {
    std::string t;
    for (std::size_t i = 0; i < fields_.size(); ++i) t += (i ? "," : "") + fields_[i];
    return t;
  }

 private:
  std::vector<std::string> fields_;
};

constexpr orv::Position kPark{51.4700, -0.4543};

LineContext nearTheParkAirport() {
  LineContext context;
  context.reference = kPark;
  context.parkAirport = orv::ParkAirportView{kPark, 83.0};
  context.parkElevationFt = 83.0;
  return context;
}

struct Drop {};
struct Error {
  std::string text;
};
using Check = std::function<void(const TrafficRecord&)>;
using Outcome = std::variant<Check, Drop, Error>;

struct Parsed {
  std::optional<TrafficRecord> record;
  std::optional<std::string> error;
};

Parsed parse(const std::string& text, const LineContext& context) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    fields.push_back(
        std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  Parsed parsed;
  try {
    parsed.record = orv::gf_parseTrafficLine(fields, text, context, {});
  } catch (const std::exception& e) {
    parsed.error = e.what();
  }
  return parsed;
}

const Check kAnyRecord = [](const TrafficRecord&) {};

std::string modelCode(const TrafficRecord& r) {
  return std::string(orv::gf_modelCode(r.model));
}

class TrafficLineTest : public ::testing::Test {
 protected:
  void SetUp() override { orv::gf_openLog(); }
  testing_support::WorkingFolder folder;
};

TEST_F(TrafficLineTest, EveryFieldRuleWithItsOutcome) {
  struct Row {
    const char* name;
    Line line;
    Outcome outcome;
    std::function<void(LineContext&)> context = nullptr;
    bool airborneOnly = false;
  };
  const Row rows[] = {
      {"the default line", Line(), Check([](const TrafficRecord& r) {
         const auto& p = r.position;
         EXPECT_EQ(p.address, 4840116u);
         EXPECT_DOUBLE_EQ(p.latitude, 51.47);
         EXPECT_DOUBLE_EQ(p.longitude, -0.4543);
         EXPECT_DOUBLE_EQ(p.altitudeFt, 3000.0);
         EXPECT_DOUBLE_EQ(p.verticalSpeedFpm, -700.0);
         EXPECT_DOUBLE_EQ(p.trackDeg, 270.0);
         EXPECT_DOUBLE_EQ(p.groundSpeedKt, 160.0);
         EXPECT_DOUBLE_EQ(p.trueAirspeedKt, 165.0);
         EXPECT_DOUBLE_EQ(p.dataTime, 1733824800.5);
         EXPECT_TRUE(p.airborne);
         EXPECT_FALSE(p.stationary);
         EXPECT_TRUE(p.headingGiven);
         EXPECT_DOUBLE_EQ(*p.headingRad, 271.0 * orv::kDegToRad);
         EXPECT_DOUBLE_EQ(*p.bankRad, 2.5 * orv::kDegToRad);
         EXPECT_EQ(p.dueCycle, orv::gf_cycleCounter() + 3000);
         EXPECT_EQ(r.callsign, "BAW123");
         EXPECT_EQ(r.registration, "G-EUUA");
         EXPECT_EQ(modelCode(r), "A320");
         EXPECT_EQ(r.airline, 0);
         EXPECT_EQ(r.origin->view(), "CDG");
         EXPECT_EQ(r.destination->view(), "LHR");
       })},
      {"28 fields", Line().size(28), Drop{}},
      {"42 fields", Line().set(41, "1733824799"), kAnyRecord},
      {"43 fields", Line().set(42, "x"), kAnyRecord},
      {"null registration", Line().set(11, "null"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.registration, ""); })},
      {"null registration and callsign", Line().set(11, "null").set(9, "null"), Drop{}},
      {"registration of 12", Line().set(11, "ABCDEFGHIJKL"), kAnyRecord},
      {"registration of 13", Line().set(11, "ABCDEFGHIJKLM"), Drop{}},
      {"registration with a control byte", Line().set(11, "G-E\x01U"), Error{"registration:G-E\\x01U"}},
      {"registration with ';'", Line().set(11, "G;EUUA"), Error{"registration:G;EUUA"}},
      {"hexid 10000", Line().set(1, "10000"), Drop{}},
      {"hexid 10001", Line().set(1, "10001"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.address, 10001u); })},
      {"hexid with letters after", Line().set(1, "10001abc"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.address, 10001u); })},
      {"hexid with a letter first", Line().set(1, "X123"), Error{"hexid incorrectX123"}},
      {"hexid above 32 bits", Line().set(1, "4294967296"), Error{"hexid incorrect4294967296"}},
      {"hexid empty", Line().set(1, ""), Error{"hexid incorrect"}},
      {"true heading 0 without a track", Line().set(25, "0").set(7, ""), Check([](const TrafficRecord& r) {
         EXPECT_DOUBLE_EQ(*r.position.headingRad, 6.283185307179586);
         EXPECT_DOUBLE_EQ(r.position.trackDeg, 360.0);
       })},
      {"true heading 361", Line().set(25, "361"), Error{"trueheading: 361.00"}},
      {"negative true heading", Line().set(25, "-1"), Check([](const TrafficRecord& r) {
         EXPECT_FALSE(r.position.headingGiven);
         EXPECT_FALSE(r.position.headingRad);
       })},
      {"provider letter before adsb_icao", Line().set(17, "X_adsb_icao").set(25, "90"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(*r.position.headingRad, orv::kPi / 2); })},
      {"another source leaves field 25 unread", Line().set(17, "mlat").set(25, "abc"),
       Check([](const TrafficRecord& r) { EXPECT_FALSE(r.position.headingGiven); })},
      {"a tiny position", Line().set(2, "0.00005").set(3, "-0.00005"),
       Error{"invalid lalo: 0.000050,-0.000050"}},
      {"latitude beyond 90", Line().set(2, "90.5"), Error{"invalid lalo: 90.500000,-0.454300"}},
      {"longitude beyond 180", Line().set(3, "-180.1"), Error{"invalid lalo: 51.470000,-180.100000"}},
      {"out of range", Line(), Drop{},
       [](LineContext& c) {
         c.reference = {0.0, 0.0};
       }},
      {"200 ft at 100 kt over an elevation of 170", Line().set(4, "200").set(8, "100"),
       Check([](const TrafficRecord& r) {
         EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0);
         EXPECT_FALSE(r.position.airborne);
         EXPECT_FALSE(r.position.bankRad) << "no bank on the ground";
       }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"200 ft at 130 kt over an elevation of 170", Line().set(4, "200").set(8, "130"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 200.0); }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"250 ft at 80 kt over 170", Line().set(4, "250").set(8, "80"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0); }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"278 ft at 43 kt over 170", Line().set(4, "278").set(8, "43"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0); }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"279 ft at 43 kt over 170", Line().set(4, "279").set(8, "43"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 279.0); }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"below the elevation", Line().set(4, "150").set(8, "160"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0); }),
       [](LineContext& c) { c.parkElevationFt = 170.0; }},
      {"no elevation loaded", Line().set(4, "200").set(8, "100"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 200.0); }),
       [](LineContext& c) { c.parkElevationFt.reset(); }},
      {"500 ft at 30 kt", Line().set(4, "500").set(8, "30"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0); })},
      {"a negative altitude", Line().set(4, "-50").set(8, "10"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.position.altitudeFt, 0.0); })},
      {"altitude not a number", Line().set(4, "abc"),
       Error{"altitude abc incorrect, from: " + Line().set(4, "abc").text()}},
      {"on the ground without a park airport", Line().set(4, "0").set(8, "10"), Drop{},
       [](LineContext& c) { c.parkAirport.reset(); }},
      {"on the ground 4.9 nm from the park airport", Line().set(4, "0").set(8, "10"), kAnyRecord,
       [](LineContext& c) { c.parkAirport->position.latitude -= 4.9 / 60.0; }},
      {"on the ground 5.1 nm from the park airport", Line().set(4, "0").set(8, "10"), Drop{},
       [](LineContext& c) { c.parkAirport->position.latitude -= 5.1 / 60.0; }},
      {"AIRBORNE_ONLY keeps 3000 ft", Line(), kAnyRecord, nullptr, true},
      {"AIRBORNE_ONLY drops 350 ft over 83", Line().set(4, "350"), Drop{}, nullptr, true},
      {"AIRBORNE_ONLY against 0 without a park airport", Line().set(4, "350"), kAnyRecord,
       [](LineContext& c) { c.parkAirport.reset(); }, true},
      {"roll -1", Line().set(23, "-1"),
       Check([](const TrafficRecord& r) { EXPECT_FALSE(r.position.bankRad); })},
      {"roll 0", Line().set(23, "0"),
       Check([](const TrafficRecord& r) { EXPECT_FALSE(r.position.bankRad); })},
      {"roll 10", Line().set(23, "10"),
       Check([](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(*r.position.bankRad, -0.17453292519943295); })},
      {"roll not a number", Line().set(23, "x"), Error{"roll:x"}},
      {"TAS -1 at 2000", Line().set(20, "-1").set(4, "2000"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trueAirspeedKt, 180.0); })},
      {"TAS -1 at 2001", Line().set(20, "-1").set(4, "2001"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trueAirspeedKt, 220.0); })},
      {"TAS -1 at 7000", Line().set(20, "-1").set(4, "7000"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trueAirspeedKt, 250.0); })},
      {"TAS -1 at 10001", Line().set(20, "-1").set(4, "10001"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trueAirspeedKt, 350.0); })},
      {"TAS -1 at 20001", Line().set(20, "-1").set(4, "20001"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trueAirspeedKt, 430.0); })},
      {"TAS not a number", Line().set(20, "fast"), Error{"TAS incorrectfast"}},
      {"origin empty", Line().set(12, ""), Error{"FixedCode: invalid string (length/charset)"}},
      {"origin of 2", Line().set(12, "CD"), Error{"FixedCode: invalid string (length/charset)"}},
      {"destination of 4", Line().set(13, "EGLL"), Error{"FixedCode: invalid string (length/charset)"}},
      {"origin with '-'", Line().set(12, "C-G"), Error{"FixedCode: invalid string (length/charset)"}},
      {"codes in lower case and null", Line().set(12, "cdg").set(13, "null"),
       Check([](const TrafficRecord& r) {
         EXPECT_EQ(r.origin->view(), "CDG");
         EXPECT_FALSE(r.destination);
       })},
      {"callsign with '@'", Line().set(9, "BAW@123"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.callsign, ""); })},
      {"callsign with '@' and no registration", Line().set(9, "@@@@@@@@").set(11, "null"), Drop{}},
      {"callsign ERARMTR1", Line().set(9, "ERARMTR1"), Drop{}},
      {"callsign AIRPORT1", Line().set(9, "AIRPORT1"), Drop{}},
      {"callsign 00000000", Line().set(9, "00000000"), Drop{}},
      {"callsign with a line break", Line().set(9, "BA\n123"), Error{"callsign:BA\\x0a123"}},
      {"callsign with ';'", Line().set(9, "BA;123"), Error{"callsign:BA;123"}},
      {"type of 5", Line().set(10, "A3201"), Drop{}},
      {"type null", Line().set(10, "null"), Drop{}},
      {"type empty", Line().set(10, ""), Drop{}},
      {"category B1", Line().set(28, "B1"), Drop{}},
      {"category C2", Line().set(28, "C2"), Drop{}},
      {"track empty", Line().set(7, "").set(17, "mlat"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.trackDeg, 0.0); })},
      {"track not a number", Line().set(7, "west"), Error{"track incorrect west"}},
      {"trailing text after a number", Line().set(8, "160kt"),
       Check([](const TrafficRecord& r) { EXPECT_EQ(r.position.groundSpeedKt, 160.0); })},
      {"latitude nan", Line().set(2, "nan"), Error{"lat:nan"}},
      {"longitude inf", Line().set(3, "inf"), Error{"lon:inf"}},
      {"speed that overflows", Line().set(8, "1e400"), Error{"gs:1e400"}},
      {"vertical speed with '+'", Line().set(5, "+5"), Error{"vs:+5"}},
      {"vertical speed after a blank", Line().set(5, " 5"), Error{"vs: 5"}},
      {"timestamp not a number", Line().set(14, "abc"), Error{"timestamp:abc"}},
      {"negative timestamp", Line().set(14, "-1"), Error{"timestamp:-1"}},
      {"infinite timestamp", Line().set(14, "infinity"), Error{"timestamp:infinity"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const testing_support::ScopedSetting airborneOnly(orv::cfg::AIRBORNE_ONLY, row.airborneOnly);
    LineContext context = nearTheParkAirport();
    if (row.context) row.context(context);
    const Parsed parsed = parse(row.line.text(), context);
    if (const Check* check = std::get_if<Check>(&row.outcome)) {
      ASSERT_TRUE(parsed.record) << parsed.error.value_or("dropped");
      (*check)(*parsed.record);
    } else if (std::holds_alternative<Drop>(row.outcome)) {
      EXPECT_FALSE(parsed.record);
      EXPECT_FALSE(parsed.error) << *parsed.error;
    } else {
      EXPECT_FALSE(parsed.record);
      EXPECT_EQ(parsed.error.value_or("no error"), std::get<Error>(row.outcome).text);
    }
  }
}

TEST_F(TrafficLineTest, EveryRefusedTypeIsDropped) {
  for (const char* type : {"BALL", "EMER", "GLID", "GRND", "GND", "PARA", "SERV", "SHIP", "VENT", "TWR"})
    EXPECT_FALSE(parse(Line().set(10, type).text(), nearTheParkAirport()).record) << type;
  for (const char* category : {"B1", "B2", "B4", "C1", "C2"})
    EXPECT_FALSE(parse(Line().set(28, category).text(), nearTheParkAirport()).record) << category;
  EXPECT_TRUE(parse(Line().set(10, "B738").set(28, "A5").text(), nearTheParkAirport()).record);
}

TEST_F(TrafficLineTest, OnlyAValidLineEntersItsModelInTheTable) {
  const std::size_t before = orv::gf_modelCodeCount();
  EXPECT_TRUE(parse(Line().set(10, "ZZ01").set(12, "XX").text(), nearTheParkAirport()).error);
  EXPECT_FALSE(parse(Line().set(10, "ZZ02").set(1, "9999").text(), nearTheParkAirport()).record);
  EXPECT_EQ(orv::gf_modelCodeCount(), before);
  // The code table keeps every code for the process: a code this process has not met yet.
  static int repeat = 0;
  const std::string code = "Z" + std::to_string(100 + ++repeat);
  const auto parsed = parse(Line().set(10, code).text(), nearTheParkAirport());
  ASSERT_TRUE(parsed.record);
  EXPECT_EQ(orv::gf_modelCodeCount(), before + 1);
  EXPECT_EQ(modelCode(*parsed.record), code);
}

// The share of the model table is process-wide: emptied before and after, so that the other tests
// of the process still see new codes enter.
class ModelShareTest : public TrafficLineTest {
 protected:
  ModelShareTest() { orv::gf_resetTrafficModelShare(); }
  ~ModelShareTest() override { orv::gf_resetTrafficModelShare(); }
};

TEST_F(ModelShareTest, NewCodesOfTrafficLinesFillOnlyTheirShare) {
  static int round = 0;  // codes new to the process in every repetition
  const std::string prefix = "S" + std::to_string(++round) + "-";
  // Type codes of traffic lines are short.
  const std::string lastCode = "L" + std::to_string(100 + round);
  const std::string newCode = "N" + std::to_string(100 + round);
  const orv::ModelId database = orv::gf_modelId(prefix + "DB1");  // entered as the database does
  const orv::ModelId met = orv::gf_modelId("A320");
  for (std::size_t i = 0; i + 1 < orv::kTrafficModelShare; ++i)
    ASSERT_NE(orv::gf_trafficModelId(prefix + std::to_string(i)), 0) << i;
  // The 4,096th through a traffic line still gets its id.
  const auto last = parse(Line().set(10, lastCode).text(), nearTheParkAirport());
  ASSERT_TRUE(last.record);
  EXPECT_EQ(modelCode(*last.record), lastCode);
  EXPECT_EQ(orv::gf_trafficModelCodeCount(), orv::kTrafficModelShare);

  const auto beyond = parse(Line().set(10, newCode).text(), nearTheParkAirport());
  ASSERT_TRUE(beyond.record);
  EXPECT_EQ(beyond.record->model, 0);
  EXPECT_EQ(orv::gf_trafficModelId(prefix + "NEW2"), 0);
  // Codes already in the table keep their ids, from traffic lines too; the database still enters.
  EXPECT_EQ(orv::gf_trafficModelId(prefix + "DB1"), database);
  EXPECT_EQ(parse(Line().text(), nearTheParkAirport()).record->model, met);
  EXPECT_NE(orv::gf_modelId(prefix + "DB2"), 0);
  const std::string full =
      "==> The model codes of traffic lines fill their share of the table (4096 codes): '" + newCode +
      "' and every later new code of a traffic line gets id 0";
  EXPECT_EQ(logBody(), std::vector<std::string>{full});
}

TEST_F(TrafficLineTest, TheDueCycleIsThreeThousandCyclesAfterArrival) {
  const std::int64_t start = orv::gf_cycleCounter();
  for (int i = 0; i < 7; ++i) orv::gf_advanceCycleCounter();
  EXPECT_EQ(parse(Line().text(), nearTheParkAirport()).record->position.dueCycle, start + 3007);
}

class TrafficReaderTest : public TrafficLineTest {
 protected:
  orv::AddingDeque deque;
  orv::TrafficReader reader{deque};
};

TEST_F(TrafficReaderTest, ADatagramBecomesARecordOnTheOpenDequeOnly) {
  reader.setReferencePosition(kPark);
  reader.lf_onTrafficDatagram(Line().set(14, "1733824801").text());
  EXPECT_EQ(deque.size(), 0u) << "parsed and lost while closed";
  EXPECT_DOUBLE_EQ(orv::gf_latestDataTime(), 1733824801.0);

  deque.setOpen(true);
  reader.lf_onTrafficDatagram(Line().text());
  reader.lf_onTrafficDatagram(Line().set(0, "x VEH").text());
  const auto records = deque.take(2);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].callsign, "BAW123");
  EXPECT_TRUE(logBody().empty());

  reader.lf_onTrafficDatagram(Line().set(2, "north").text());
  EXPECT_EQ(logBody(), std::vector<std::string>{"exception in processLineSub: lat:north"});
  EXPECT_DOUBLE_EQ(orv::gf_latestDataTime(), 1733824800.5) << "the timestamp came first";
}

TEST_F(TrafficReaderTest, ALineBreakFromTheNetworkCannotBreakALineOfTheLog) {
  reader.setReferencePosition(kPark);
  reader.lf_onTrafficDatagram(Line().set(1, "X\r\n12:00:00 forged").text());
  reader.lf_onTrafficDatagram(Line().set(4, "abc\x7f").set(28, "A3\n").text());
  EXPECT_EQ(logBody(), (std::vector<std::string>{
                           "exception in processLineSub: hexid incorrectX\\x0d\\x0a12:00:00 forged",
                           "exception in processLineSub: altitude abc\\x7f incorrect, from: " +
                               Line().set(4, "abc\\x7f").set(28, "A3\\x0a").text()}));
}

TEST_F(TrafficReaderTest, BytesBeyondAsciiFromTheNetworkReachTheLogAsEscapes) {
  reader.setReferencePosition(kPark);
  // A well-formed UTF-8 letter and a lone Windows-1252 byte alike: the log takes only ASCII from
  // the network.
  reader.lf_onTrafficDatagram(Line().set(4, "\xc3\xa9\xe9").text());
  EXPECT_EQ(
      logBody(),
      (std::vector<std::string>{"exception in processLineSub: altitude \\xc3\\xa9\\xe9 incorrect, from: " +
                                Line().set(4, "\\xc3\\xa9\\xe9").text()}));
}

TEST_F(TrafficReaderTest, ALongDatagramIsQuotedCut) {
  reader.setReferencePosition(kPark);
  const std::string line = Line().set(4, "abc").set(28, "A3" + std::string(16000, 'x')).text();
  reader.lf_onTrafficDatagram(line);
  reader.lf_onTrafficDatagram(Line().set(2, std::string(16000, 'n')).text());
  EXPECT_EQ(logBody(),
            (std::vector<std::string>{
                "exception in processLineSub: altitude abc incorrect, from: " + line.substr(0, 200) + "...",
                "exception in processLineSub: lat:" + std::string(396, 'n') + "..."}));
}

TEST_F(TrafficReaderTest, CallsignsAreCollectedOnlyWhileAsked) {
  reader.setReferencePosition(kPark);
  reader.lf_onTrafficDatagram(Line().set(9, "EZY11").text());
  reader.startCallsignCollection();
  EXPECT_TRUE(reader.collectingCallsigns());
  for (const char* callsign : {"DLH4", "null", "", "AB@1", "DLH4", "KLM7"})
    reader.lf_onTrafficDatagram(Line().set(9, callsign).text());
  // Collected before the type filter drops the line.
  reader.lf_onTrafficDatagram(Line().set(9, "GLD1").set(10, "GLID").text());
  const auto collected = reader.takeCollectedCallsigns();
  EXPECT_EQ(collected, (std::unordered_set<std::string>{"DLH4", "KLM7", "GLD1"}));
  EXPECT_FALSE(reader.collectingCallsigns());
  reader.lf_onTrafficDatagram(Line().set(9, "AFR9").text());
  EXPECT_TRUE(reader.takeCollectedCallsigns().empty());
}

TEST_F(TrafficReaderTest, ADatagramOnTheReadersPortArrivesOnTheAddingDeque) {
  orv::TrafficReader& traffic = reader;
  traffic.setReferencePosition(kPark);
  deque.setOpen(true);
  traffic.start(0, false);
  ASSERT_TRUE(traffic_test::eventually([&] { return traffic.boundPort() != 0; }));
  traffic_test::Sender sender;
  sender.send(traffic.boundPort(), Line().text());
  sender.send(traffic.boundPort(), Line().text());  // repeated by a remote RealTraffic: dropped
  sender.send(traffic.boundPort(), Line().set(14, "1733824803").text());
  ASSERT_TRUE(traffic_test::eventually([&] { return deque.size() == 2; }));
  EXPECT_EQ(traffic.datagramCount(), 2u);
  const auto records = deque.take(3);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_DOUBLE_EQ(records[1].position.dataTime, 1733824803.0);

  traffic.requestStop();
  traffic.waitUntilStopped();
  EXPECT_FALSE(traffic.running());
  const auto lines = logBody();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Traffic Reader has stopped"), lines.end());
  EXPECT_EQ(traffic.status(), orv::ReaderStatus::Stopped);
}

TEST_F(TrafficReaderTest, RecordingsOfRealAircraftParseWithoutAnError) {
  const std::filesystem::path folder = QUILLSTAR_REAL_TRAFFIC;
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no recordings at " << folder;
  struct Recording {
    const char* file;
    orv::ParkAirportView airport;
  };
  const Recording recordings[] = {{"lszh-taxi-AUA570.rttfc", {{47.4647, 8.5492}, 1416.0}},
                                  {"lszh-takeoff-AFR181L.rttfc", {{47.4647, 8.5492}, 1416.0}},
                                  {"lszh-landing.rttfc", {{47.4647, 8.5492}, 1416.0}},
                                  {"kden-arrival-DAL2927.rttfc", {{39.8617, -104.6731}, 5434.0}}};
  deque.setOpen(true);
  for (const Recording& recording : recordings) {
    SCOPED_TRACE(recording.file);
    reader.setReferencePosition(recording.airport.position);
    reader.setParkAirport(recording.airport);
    reader.setParkElevation(recording.airport.elevationFt);
    std::ifstream in(folder / recording.file);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) {
      if (!line.starts_with("RTTFC,")) continue;
      ++lines;
      reader.lf_onTrafficDatagram(line);
    }
    const auto records = deque.take(lines);
    ASSERT_GT(lines, 0u);
    EXPECT_GT(records.size(), lines / 2);
    for (const TrafficRecord& r : records) {
      EXPECT_EQ(r.position.address, records.front().position.address);
      EXPECT_TRUE(r.position.headingGiven);
    }
  }
  EXPECT_TRUE(logBody().empty()) << logBody().front();
}

}  // namespace
