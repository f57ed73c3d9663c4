#pragma once

// One run of the live traffic: everything that lives from the traffic run's start to the closing
// down. Built by the start-up thread, which owns it, and destroyed by the closing down, so that
// nothing of a run reaches the next. The readers' threads read their parts of it; everything else
// is the start-up thread's alone.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "airports/park_airport.h"
#include "foundation/window_view.h"
#include "simlink/sim_side.h"
#include "traffic/adding_deque.h"
#include "traffic/park_airports.h"
#include "traffic/qnh_reader.h"
#include "traffic/stand_parking.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_reader.h"
#include "traffic/traffic_state.h"

namespace orv {

// What the run knows of RealTraffic.
struct RealTrafficFacts {
  bool found = false;  // "RealTraffic.jar" on this computer, as the start-up detected it
  // The link is up, or none is used: from then on the readers' watchdog judges the traffic.
  std::atomic<bool> sourceReady{false};
  // No version reply yet in this run; the window's scan options read it.
  std::atomic<bool> notYetConnected{true};
  bool professional = false;  // the version reply gave level 2
  std::string edition;        // "RT {} edition: {}", empty while unknown
};

// The main cycle's values of this run.
struct RunCycleState {
  std::atomic<std::int32_t> tickCounter{0};  // the Now button reads it on the window's thread
  std::atomic<bool> staticParkingUpdate{false};
  bool flightNotRunning = false;
  std::int32_t oneSecondCountdown = 0;
  int staticParkingPhase = 0;  // 1 while the Traffic Reader collects callsigns for the update
  std::int64_t shownActive = 0;
};

// The lamps of the simulator link, RealTraffic and the readers as a run starts: nothing connected,
// RealTraffic idle and not known, both readers stopped. A new run shows them, and so does the
// closing down that restarts, long before the next run is built. Start-up thread.
void gf_showRunStartLamps(WindowView& window);

class TrafficRun {
 public:
  // Shows the run's start values in the window. The data clock's facts (professional peer,
  // latest data time) start again too: every thread reads them through the foundation. The
  // simulator link's nearest-stand look-up answers from this run's stands.
  TrafficRun(SimSide& simSide, WindowView& windowView, bool realTrafficFound);
  // Stops both readers and waits for their threads, so that none reads a run that is gone; the
  // data clock's facts go back to none, and the nearest-stand look-up is withdrawn.
  ~TrafficRun();
  TrafficRun(const TrafficRun&) = delete;
  TrafficRun& operator=(const TrafficRun&) = delete;

  // The professional edition, for this run and for the data clock.
  void setProfessional(bool professional);

  SimSide& sim;
  WindowView& window;
  RealTrafficFacts realTraffic;
  RunCycleState cycle;
  TrafficState traffic;
  StaticParking parking;
  ParkAirport park;
  // The stand at the user aircraft's position; shared with "SimClient" through its hook, which
  // may still hold it while the run ends.
  std::shared_ptr<NearestStandCache> nearestStand = std::make_shared<NearestStandCache>();
  ParkAirports parkAirports;  // the candidates and the choice of the park airport
  AddingDeque adding;
  // Last: the readers' threads use the deque, so they end before it goes.
  QnhReader qnhReader;
  TrafficReader trafficReader{adding};
};

// The readers' health: a reader whose datagram count did not move since the last check shows
// silent, and receiving again after the first check that saw datagrams. Nothing before the
// traffic source is ready. Start-up thread.
void gf_readerWatchdog(TrafficRun& run);
// Either reader shows silent.
[[nodiscard]] bool gf_readerStalled(const TrafficRun& run);
// Raises both stop flags and waits until both threads have ended. Start-up thread.
void gf_stopReadersAndWait(TrafficRun& run);

}  // namespace orv
