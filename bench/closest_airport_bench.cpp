// The closest airport of a position over a table as large as the room kept for it, with airports
// spread over the globe: positions with no airport in reach (most of the earth), and positions
// 2 nm from an airport (arriving traffic).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "refdata/airports_table.h"

namespace {

using orv::AirportRecord;
using orv::AirportTable;
using orv::Position;

constexpr std::size_t kAirports = AirportTable::kReserved;
constexpr std::size_t kQueries = 1024;

std::string code(std::size_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, n /= 36) text[static_cast<std::size_t>(i)] = kDigits[n % 36];
  return text;
}

// Uniform over the sphere.
Position anywhere(std::mt19937_64& random) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_real_distribution<double> longitude(-180.0, 180.0);
  return {std::asin(unit(random)) * orv::kRadToDeg, longitude(random)};
}

struct Fixture {
  AirportTable table;
  std::vector<Position> far;
  std::vector<Position> near;
};

// The same answer as the table's, without its pre-test: every airport's great-circle distance.
const AirportRecord* plainClosest(const AirportTable& table, Position position) {
  const AirportRecord* best = nullptr;
  double bestNm = 100.0;
  for (const AirportRecord& airport : table.records()) {
    const double nm = orv::gf_distanceNm(position, {airport.lat, airport.lon});
    if (nm <= 5.0 && nm < bestNm) {
      best = &airport;
      bestNm = nm;
    }
  }
  return best;
}

const Fixture& fixture() {
  static const Fixture made = [] {
    std::mt19937_64 random(20261210);
    std::vector<AirportRecord> records;
    records.reserve(kAirports);
    for (std::size_t i = 0; i < kAirports; ++i) {
      const Position at = anywhere(random);
      records.push_back(
          {orv::IcaoCode(code(i * 7 + 1)), orv::IataCode("XXX"), at.latitude, at.longitude, 0.0F, 10});
    }
    Fixture f{AirportTable::fromRecords(std::move(records)), {}, {}};
    std::uniform_int_distribution<std::size_t> pick(0, kAirports - 1);
    std::uniform_real_distribution<double> course(0.0, orv::kTwoPi);
    while (f.far.size() < kQueries) {
      const Position p = anywhere(random);
      if (plainClosest(f.table, p) == nullptr) f.far.push_back(p);
    }
    for (std::size_t i = 0; i < kQueries; ++i) {
      const AirportRecord& a = f.table.records()[pick(random)];
      f.near.push_back(orv::gf_destinationPoint({a.lat, a.lon}, course(random), 2.0 * orv::kFeetPerNm));
    }
    // The pre-test must not change a single answer (no neighbour stand is nearer by default).
    for (const auto* list : {&f.far, &f.near}) {
      for (const Position& p : *list) {
        if (f.table.closest(p, orv::gf_noStandDistance) != plainClosest(f.table, p)) {
          std::fprintf(stderr, "closest airport differs at %f %f\n", p.latitude, p.longitude);
          std::abort();
        }
      }
    }
    return f;
  }();
  return made;
}

void run(benchmark::State& state, const std::vector<Position>& queries, bool plain) {
  const AirportTable& table = fixture().table;
  std::size_t i = 0;
  for (auto _ : state) {
    const Position& p = queries[i++ % queries.size()];
    if (plain)
      benchmark::DoNotOptimize(plainClosest(table, p));
    else
      benchmark::DoNotOptimize(table.closest(p, orv::gf_noStandDistance));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_ClosestAirport_NoneInReach(benchmark::State& state) {
  run(state, fixture().far, false);
}
void BM_ClosestAirport_InReach(benchmark::State& state) {
  run(state, fixture().near, false);
}
void BM_EveryDistance_NoneInReach(benchmark::State& state) {
  run(state, fixture().far, true);
}
void BM_EveryDistance_InReach(benchmark::State& state) {
  run(state, fixture().near, true);
}

BENCHMARK(BM_ClosestAirport_NoneInReach);
BENCHMARK(BM_ClosestAirport_InReach);
BENCHMARK(BM_EveryDistance_NoneInReach);
BENCHMARK(BM_EveryDistance_InReach);

}  // namespace

BENCHMARK_MAIN();
