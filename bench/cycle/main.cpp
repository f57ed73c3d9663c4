// quillstar-bench-cycle: times the main cycle's step (lf_cycleTick) with 100, 300 and 1000 live
// aircraft in the simulator stand-in, 6000 cycles each on the manual clock. Between two timed
// cycles the stand-in sends its frame and the link dispatches its answers, untimed, as "SimClient"
// does on its own thread. The aircraft fly and taxi around Frankfurt on straight legs, two thirds
// of them within 2500 ft of the ground, so that the simulator's ground data for them come in a
// burst every 20 cycles; a new report per aircraft arrives every 8 s. Prints the mean, the 99th
// percentile and the worst time of a cycle. Runs in a fresh temporary folder.

#include <fmt/format.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/data_cipher.h"
#include "foundation/geometry.h"
#include "foundation/log.h"
#include "foundation/run_control.h"
#include "foundation/window_view.h"
#include "platform/os/clock.h"
#include "platform/os/temporary_folder.h"
#include "platform/simconnect/backend.h"
#include "refdata/dbase.h"
#include "shell/main_cycle.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/sim_client.h"
#include "simlink/sim_side.h"
#include "simlink/sim_state.h"
#include "standin/stand_in.h"
#include "traffic/aircraft.h"
#include "traffic/cycle.h"
#include "traffic/traffic_run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kTimedCycles = 6000;
constexpr orv::Position kFrankfurt{50.0333, 8.5706};
constexpr double kFieldFt = 364.0;

enum class Motion { Taxi, Approach, Cruise };

// One aircraft's straight line: where it is at a time, on the ground or in the air.
struct Line {
  std::uint32_t key;
  Motion motion;
  orv::Position start;
  double trackDeg;
  double speedKt;
  double altitudeFt;  // 0 on the ground
};

orv::PositionSample sampleAt(const Line& line, double seconds, std::int64_t due) {
  const orv::Position p = orv::gf_destinationPoint(line.start, line.trackDeg * orv::kDegToRad,
                                                   line.speedKt * seconds / 3600.0 * orv::kFeetPerNm);
  orv::PositionSample s;
  s.latitude = p.latitude;
  s.longitude = p.longitude;
  s.altitudeFt = line.altitudeFt;
  s.groundSpeedKt = line.speedKt;
  s.trueAirspeedKt = line.altitudeFt > 0.0 ? line.speedKt + 10.0 : line.speedKt;
  s.trackDeg = line.trackDeg;
  s.airborne = line.altitudeFt > 0.0;
  s.dueCycle = due;
  s.dataTime = 1796803200.0 + seconds;
  s.address = line.key;
  return s;
}

orv::TrafficRecord recordAt(const Line& line, double seconds, std::int64_t due) {
  orv::TrafficRecord r;
  r.model = orv::gf_modelId(line.key % 5 == 0 ? "B772" : "A320");
  r.callsign = fmt::format("BCH{}", line.key % 100000);
  r.registration = fmt::format("D-B{:04}", line.key % 10000);
  r.position = sampleAt(line, seconds, due);
  return r;
}

// The aircraft spread over 30 nm around the airport: a third taxiing, a third on approach
// between 1000 and 2400 ft over the ground, a third cruising at FL350.
std::vector<Line> traffic(int count) {
  std::vector<Line> lines;
  for (int i = 0; i < count; ++i) {
    const double bearing = std::fmod(i * 137.508, 360.0);
    const auto motion = static_cast<Motion>(i % 3);
    const double distanceNm = motion == Motion::Taxi ? 0.5 + (i % 20) * 0.1 : 3.0 + (i % 27);
    Line line;
    line.key = 400000 + static_cast<std::uint32_t>(i);
    line.motion = motion;
    line.start = orv::gf_destinationPoint(kFrankfurt, bearing * orv::kDegToRad, distanceNm * orv::kFeetPerNm);
    line.trackDeg = std::fmod(bearing + 90.0, 360.0);
    line.speedKt = motion == Motion::Taxi ? 15.0 : motion == Motion::Approach ? 180.0 : 460.0;
    line.altitudeFt = motion == Motion::Taxi       ? 0.0
                      : motion == Motion::Approach ? kFieldFt + 1000 + (i % 14) * 100
                                                   : 35000.0;
    lines.push_back(line);
  }
  return lines;
}

// The stand-in answers a request for the aircraft in range inside the call, with a record for
// each of them; the simulator only takes the request there and answers on its own. The bench
// hands such requests over before the next dispatch, outside the timed step.
class DeferringBackend final : public sc::Backend {
 public:
  explicit DeferringBackend(std::shared_ptr<sc::Backend> inner) : inner_(std::move(inner)) {}

  sc::HResult requestDataOnSimObjectType(sc::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                         std::uint32_t radiusMeters, std::uint32_t objectType) override {
    deferred_.push_back({handle, requestId, defineId, radiusMeters, objectType});
    return sc::S_OK;
  }
  sc::HResult callDispatch(sc::Handle handle, sc::DispatchProc dispatch, void* context) override {
    for (const Deferred& d : deferred_)
      (void)inner_->requestDataOnSimObjectType(d.handle, d.requestId, d.defineId, d.radiusMeters,
                                               d.objectType);
    deferred_.clear();
    return inner_->callDispatch(handle, dispatch, context);
  }

  sc::HResult open(sc::Handle* handle, std::string_view name, std::uint32_t configIndex) override {
    return inner_->open(handle, name, configIndex);
  }
  sc::HResult close(sc::Handle handle) override { return inner_->close(handle); }
  sc::HResult subscribeToSystemEvent(sc::Handle handle, std::uint32_t eventId,
                                     std::string_view name) override {
    return inner_->subscribeToSystemEvent(handle, eventId, name);
  }
  sc::HResult addToDataDefinition(sc::Handle handle, std::uint32_t defineId, std::string_view variable,
                                  std::string_view unit, sc::DataType type, float epsilon,
                                  std::uint32_t datumId) override {
    return inner_->addToDataDefinition(handle, defineId, variable, unit, type, epsilon, datumId);
  }
  sc::HResult mapClientEventToSimEvent(sc::Handle handle, std::uint32_t eventId,
                                       std::string_view name) override {
    return inner_->mapClientEventToSimEvent(handle, eventId, name);
  }
  sc::HResult addClientEventToNotificationGroup(sc::Handle handle, std::uint32_t groupId,
                                                std::uint32_t eventId, bool maskable) override {
    return inner_->addClientEventToNotificationGroup(handle, groupId, eventId, maskable);
  }
  sc::HResult setNotificationGroupPriority(sc::Handle handle, std::uint32_t groupId,
                                           std::uint32_t priority) override {
    return inner_->setNotificationGroupPriority(handle, groupId, priority);
  }
  sc::HResult requestDataOnSimObject(sc::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                     std::uint32_t objectId, sc::Period period, std::uint32_t flags,
                                     std::uint32_t origin, std::uint32_t interval,
                                     std::uint32_t limit) override {
    return inner_->requestDataOnSimObject(handle, requestId, defineId, objectId, period, flags, origin,
                                          interval, limit);
  }
  sc::HResult setDataOnSimObject(sc::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                                 std::uint32_t flags, std::uint32_t arrayCount,
                                 std::span<const std::byte> data) override {
    return inner_->setDataOnSimObject(handle, defineId, objectId, flags, arrayCount, data);
  }
  sc::HResult transmitClientEvent(sc::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                  std::uint32_t value, std::uint32_t groupId, std::uint32_t flags) override {
    return inner_->transmitClientEvent(handle, objectId, eventId, value, groupId, flags);
  }
  sc::HResult aiCreateNonATCAircraft(sc::Handle handle, std::string_view containerTitle,
                                     std::string_view tailNumber, const sc::InitPosition& initPosition,
                                     std::uint32_t requestId) override {
    return inner_->aiCreateNonATCAircraft(handle, containerTitle, tailNumber, initPosition, requestId);
  }
  sc::HResult aiRemoveObject(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) override {
    return inner_->aiRemoveObject(handle, objectId, requestId);
  }
  sc::HResult aiReleaseControl(sc::Handle handle, std::uint32_t objectId, std::uint32_t requestId) override {
    return inner_->aiReleaseControl(handle, objectId, requestId);
  }
  sc::HResult aiSetAircraftFlightPlan(sc::Handle handle, std::uint32_t objectId, std::string_view planPath,
                                      std::uint32_t requestId) override {
    return inner_->aiSetAircraftFlightPlan(handle, objectId, planPath, requestId);
  }
  sc::HResult getLastSentPacketId(sc::Handle handle, std::uint32_t* packetId) override {
    return inner_->getLastSentPacketId(handle, packetId);
  }

 private:
  struct Deferred {
    sc::Handle handle;
    std::uint32_t requestId, defineId, radiusMeters, objectType;
  };
  std::shared_ptr<sc::Backend> inner_;
  std::vector<Deferred> deferred_;
};

struct Figures {
  double burstMs = 0;  // the mean of the cycles that take the ground data of the aircraft in range
  double meanMs = 0;
  double p99Ms = 0;
  double worstMs = 0;
  std::size_t active = 0;
};

class Bench {
 public:
  explicit Bench(int aircraft) : lines_(traffic(aircraft)) {
    orv::standin::Scenario scenario;
    scenario.user.latDeg = kFrankfurt.latitude;
    scenario.user.lonDeg = kFrankfurt.longitude;
    scenario.user.altFt = kFieldFt + 8.0;
    scenario.user.groundAltFt = kFieldFt;
    scenario.groundAltFt = kFieldFt;
    scenario.maxObjects = 4000;
    standIn_ = std::make_shared<orv::standin::StandIn>(scenario, orv::standin::Options{});
    backend_.emplace(std::make_shared<DeferringBackend>(standIn_));
    orv::gf_resetSimLink();
    if (SimConnect_Open(&handle_, "Quillstar", nullptr, 0, nullptr, 0) != sc::S_OK)
      throw std::runtime_error("the stand-in does not open");
    orv::gf_setSimConnectHandle(handle_);
    orv::lf_registerSimConnect(handle_);
    dispatch();
    orv::gf_setSimulationRunning(true);
    run_ = std::make_unique<orv::TrafficRun>(orv::gf_commandQueueSide(), orv::gf_windowView(), false);
    run_->adding.setOpen(true);
    run_->trafficReader.setReferencePosition(kFrankfurt);
  }
  ~Bench() {
    run_.reset();
    orv::lf_closeSimConnect(handle_);
    orv::gf_resetSimLink();
  }

  // Every aircraft created in the simulator and settled there, its first 30 s of reports in its
  // stream.
  void populate() {
    const std::int64_t c = orv::gf_cycleCounter();
    for (const Line& line : lines_) {
      const orv::TrafficRecord first = recordAt(line, 0.0, c);
      orv::AircraftHead head = orv::gf_makeAircraftHead(first, orv::AircraftKind::Live);
      head.liveryTitle = "Bench Airliner";
      orv::LiveAircraft& a =
          run_->traffic.liveList.emplace_back(first.position, head, first.position.dataTime);
      a.phase = line.altitudeFt > 0.0 ? orv::FlightPhase::Flying : orv::FlightPhase::Taxi;
      for (int s = 8; s <= 30; s += 8) a.stream.push_back(sampleAt(line, s, c + s * 100));
      a.latitude = first.position.latitude;
      a.longitude = first.position.longitude;
      a.altitudeFt = line.altitudeFt > 0.0 ? line.altitudeFt : kFieldFt + 8.0;
      a.headingRad = line.trackDeg * orv::kDegToRad;
      a.state = orv::SimState::Adding2Sim;
      orv::SimCreateRequest request;
      request.initPosition.Latitude = a.latitude;
      request.initPosition.Longitude = a.longitude;
      request.initPosition.Altitude = a.altitudeFt;
      request.initPosition.Heading = line.trackDeg;
      request.callsign = a.callsign;
      request.liveryTitle = a.liveryTitle;
      request.key = a.key;
      run_->sim.queueCreation(request);
      lastReport_.push_back(30.0);
    }
    // Created on the next frame, matched by the next answer for the aircraft in range, active
    // 200 cycles later.
    for (int i = 0; i < 400; ++i) cycle(false);
  }

  [[nodiscard]] Figures measure() {
    std::vector<double> times;
    times.reserve(kTimedCycles);
    double burst = 0;
    int bursts = 0;
    for (int i = 0; i < kTimedCycles; ++i) {
      // The answers to the request of a cycle that is a multiple of 20 are taken by the next.
      const bool answers = orv::gf_cycleCounter() % 20 == 1;
      times.push_back(cycle(true));
      if (answers) {
        burst += times.back();
        ++bursts;
      }
    }
    Figures f;
    f.burstMs = bursts > 0 ? burst / bursts : 0.0;
    f.active = static_cast<std::size_t>(
        std::count_if(run_->traffic.liveList.begin(), run_->traffic.liveList.end(),
                      [](const orv::LiveAircraft& a) { return a.state == orv::SimState::Active; }));
    double sum = 0;
    for (double t : times) sum += t;
    f.meanMs = sum / static_cast<double>(times.size());
    std::sort(times.begin(), times.end());
    f.p99Ms = times[times.size() * 99 / 100];
    f.worstMs = times.back();
    return f;
  }

 private:
  // One cycle: the reports that are due, the step (timed when asked), then the simulator's frame
  // and the dispatch of its answers. Milliseconds of the step.
  double cycle(bool timed) {
    const std::int64_t c = orv::gf_cycleCounter();
    // A new report per aircraft every 8 s, spread over the cycles, each due 30 s later.
    for (auto i = static_cast<std::size_t>(c % 800); i < lines_.size(); i += 800) {
      lastReport_[i] += 8.0;
      run_->adding.append(recordAt(lines_[i], lastReport_[i], c + orv::kPlaybackDelayCycles));
    }
    if (c % 100 == 0) orv::gf_raiseTick();
    const auto start = Clock::now();
    (void)orv::lf_cycleTick(*run_);
    const auto end = Clock::now();
    clock_.advance(10ms);
    standIn_->advance(10ms);
    standIn_->frame();
    dispatch();
    return timed ? std::chrono::duration<double, std::milli>(end - start).count() : 0.0;
  }

  void dispatch() { (void)SimConnect_CallDispatch(handle_, orv::lf_dispatch, nullptr); }

  std::vector<Line> lines_;
  std::vector<double> lastReport_;
  os::FakeClock clock_;
  os::ScopedClock scopedClock_{clock_};
  std::shared_ptr<orv::standin::StandIn> standIn_;
  std::optional<sc::ScopedBackend> backend_;
  sc::Handle handle_ = 0;
  std::unique_ptr<orv::TrafficRun> run_;
};

// The runs with 100, 300 and 1000 aircraft; 1 when one of them did not get all its aircraft active.
int lf_runAll() {
  const fs::path work = os::createTemporaryFolder("quillstar-bench-cycle-");
  fs::current_path(work);
  fs::create_directories("input");
  orv::gf_streamEncrypt(fs::path(QUILLSTAR_DEMO_DATA) / "dbase.xml", "input/dbase.enc");
  orv::gf_openLog();
  if (!orv::gf_readDbase()) {
    fmt::print(stderr, "quillstar-bench-cycle: the demo's aircraft database cannot be read\n");
    return 1;
  }
  fmt::print("hardware threads {}\n", std::thread::hardware_concurrency());
  fmt::print("{:>9} {:>7} {:>10} {:>10} {:>10} {:>10}   ({} cycles each)\n", "aircraft", "active", "mean ms",
             "p99 ms", "worst ms", "burst ms", kTimedCycles);
  int status = 0;
  for (const int aircraft : {100, 300, 1000}) {
    Bench bench(aircraft);
    bench.populate();
    const Figures f = bench.measure();
    fmt::print("{:>9} {:>7} {:>10.4f} {:>10.4f} {:>10.4f} {:>10.4f}\n", aircraft, f.active, f.meanMs, f.p99Ms,
               f.worstMs, f.burstMs);
    if (f.active < static_cast<std::size_t>(aircraft)) status = 1;
  }
  orv::gf_closeLog();
  fs::current_path("/");
  if (!std::getenv("QUILLSTAR_BENCH_KEEP")) fs::remove_all(work);
  return status;
}

}  // namespace

int main() {
  try {
    return lf_runAll();
  } catch (const std::exception& e) {
    fmt::print(stderr, "quillstar-bench-cycle: {}\n", e.what());
    return 1;
  }
}
