#include "traffic/traffic_run.h"

#include "foundation/time_text.h"
#include "simlink/user_aircraft.h"

namespace orv {

void gf_showRunStartLamps(WindowView& window) {
  window.setLamp(WindowLamp::SimulatorConnected, 0);
  window.setLamp(WindowLamp::SimulationRunning, 0);
  window.setLamp(WindowLamp::RealTrafficIdle, 1);
  window.setLamp(WindowLamp::RealTrafficKnown, 0);
  // 3 for both readers until their threads start.
  for (const WindowLamp lamp : {WindowLamp::TrafficReader, WindowLamp::QnhReader})
    window.setLamp(lamp, static_cast<std::int32_t>(ReaderStatus::Stopped));
}

TrafficRun::TrafficRun(SimSide& simSide, WindowView& windowView, bool realTrafficFound)
    : sim(simSide), window(windowView) {
  realTraffic.found = realTrafficFound;
  gf_setNearestStandNameHook([cache = nearestStand](double latitude, double longitude) {
    return gf_nearestStandName(*cache, latitude, longitude);
  });
  gf_setProfessionalPeer(false);
  gf_setKeepSimulatorUtc(false);
  gf_setLatestDataTime(0.0);
  for (const WindowCount count :
       {WindowCount::ActiveLive, WindowCount::ParkedLive, WindowCount::ActiveStatic, WindowCount::Static})
    window.setCount(count, 0);
  window.setCount(WindowCount::Qnh, kStandardQnh);
  gf_showRunStartLamps(window);
  window.setLamp(WindowLamp::SpanKnown, 1);
  for (const WindowText text : {WindowText::RealTrafficEdition, WindowText::CsToOid, WindowText::Simulator,
                                WindowText::UserAircraft, WindowText::UserStand})
    window.setText(text, "");
  window.repaint(WindowBand::Status);
  window.repaint(WindowBand::Statistics);
}

TrafficRun::~TrafficRun() {
  gf_setNearestStandNameHook(nullptr);
  gf_stopReadersAndWait(*this);
  // The data clock of this run ends with it.
  gf_setProfessionalPeer(false);
  gf_setKeepSimulatorUtc(false);
  gf_setLatestDataTime(0.0);
}

void TrafficRun::setProfessional(bool professional) {
  realTraffic.professional = professional;
  gf_setProfessionalPeer(professional);
  // Only the professional edition is sent the simulator's time.
  gf_setKeepSimulatorUtc(professional);
}

void gf_readerWatchdog(TrafficRun& run) {
  if (!run.realTraffic.sourceReady.load()) return;
  run.qnhReader.watch();
  run.trafficReader.watch();
}

bool gf_readerStalled(const TrafficRun& run) {
  return run.qnhReader.status() == ReaderStatus::Silent || run.trafficReader.status() == ReaderStatus::Silent;
}

void gf_stopReadersAndWait(TrafficRun& run) {
  run.qnhReader.requestStop();
  run.trafficReader.requestStop();
  run.qnhReader.waitUntilStopped();
  run.trafficReader.waitUntilStopped();
}

}  // namespace orv
