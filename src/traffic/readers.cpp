#include "traffic/readers.h"

#include <atomic>

#include "foundation/time_text.h"

namespace orv {
namespace {

std::atomic<bool> trafficSourceReady{false};

}  // namespace

// Never destroyed: a detached reader thread may still be ending while the process exits.
TrafficReader& gf_trafficReader() {
  static TrafficReader& reader = *new TrafficReader;
  return reader;
}

QnhReader& gf_qnhReader() {
  static QnhReader& reader = *new QnhReader;
  return reader;
}

void gf_setTrafficSourceReady(bool ready) {
  trafficSourceReady = ready;
}
bool gf_trafficSourceReady() {
  return trafficSourceReady.load();
}

void gf_readerWatchdog() {
  if (!trafficSourceReady.load()) return;
  gf_qnhReader().watch();
  gf_trafficReader().watch();
}

bool gf_readerStalled() {
  return gf_qnhReader().status() == ReaderStatus::Silent ||
         gf_trafficReader().status() == ReaderStatus::Silent;
}

void gf_stopReadersAndWait() {
  gf_qnhReader().requestStop();
  gf_trafficReader().requestStop();
  gf_qnhReader().waitUntilStopped();
  gf_trafficReader().waitUntilStopped();
}

void gf_resetReaders() {
  gf_qnhReader().resetQnh();
  gf_setLatestDataTime(0.0);
  gf_trafficReader().emptyCallsigns();
  gf_qnhReader().resetForRun();
  gf_trafficReader().resetForRun();
}

}  // namespace orv
