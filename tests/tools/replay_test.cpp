#include "replay/replay.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A traffic line whose only interesting fields are the callsign (9) and the timestamp (14).
std::string line(const std::string& callsign, const std::string& stamp) {
  return "RTTFC,4000001,47.0,8.0,5000,0,0,90,250," + callsign + ",A320,HBABC,ZRH,GVA," + stamp +
         ",X2,,adsb_icao,5000,-1,-1,0,0,0,90,90,0,none,A3";
}

TEST(Replay, TimestampFieldIsReadAndReplacedInPlace) {
  EXPECT_EQ(replay::timestampOf(line("SWR1", "1573494951.0")), 1573494951.0);
  EXPECT_FALSE(replay::timestampOf("RTTFC,1,2,3").has_value());
  EXPECT_FALSE(replay::timestampOf(line("SWR1", "")).has_value());
  EXPECT_EQ(replay::withTimestamp(line("SWR1", "100.0"), 2000000000.5), line("SWR1", "2000000000.5"));
  EXPECT_EQ(replay::withTimestamp("no fields", 1.0), "no fields");
}

TEST(Replay, PacedByTimestampsWithTheSpacingKept) {
  const std::vector<std::string> lines = {line("A", "100.0"), line("B", "102.0"), "", line("A", "101.0"),
                                          line("A", "106.0")};
  replay::Pacing twice;
  twice.speed = 2.0;
  const auto planned = replay::plan(lines, twice, 5000.0);
  ASSERT_EQ(planned.size(), 4u);  // the empty line is skipped
  EXPECT_EQ(planned[0].due, 0ms);
  EXPECT_EQ(planned[1].due, 1000ms);
  EXPECT_EQ(planned[2].due, 1000ms);  // never before the line ahead of it
  EXPECT_EQ(planned[3].due, 3000ms);
  EXPECT_EQ(planned[1].text, line("B", "5002.0"));
  EXPECT_EQ(planned[3].text, line("A", "5006.0"));
}

TEST(Replay, AtAFixedRateAndWithTheRecordedTimestamps) {
  const std::vector<std::string> lines = {line("A", "100.0"), line("B", "500.0"), line("C", "90.0")};
  replay::Pacing fixedRate;
  fixedRate.linesPerSecond = 4.0;
  const auto planned = replay::plan(lines, fixedRate, std::nullopt);
  ASSERT_EQ(planned.size(), 3u);
  EXPECT_EQ(planned[1].due, 250ms);
  EXPECT_EQ(planned[2].due, 500ms);
  EXPECT_EQ(planned[1].text, lines[1]);
}

}  // namespace
