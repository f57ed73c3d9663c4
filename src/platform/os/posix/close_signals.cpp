#include "platform/os/close_signals.h"

#include <csignal>
#include <ctime>
#include <thread>

namespace os {
namespace {

sigset_t closeSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

struct CloseSignals::Watcher {
  std::jthread thread;
};

CloseSignals::CloseSignals(std::function<void()> onSignal) : watcher_(std::make_unique<Watcher>()) {
  const sigset_t set = closeSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_->thread = std::jthread([set, onSignal = std::move(onSignal)](std::stop_token stop) {
    const timespec pollPeriod{0, 100'000'000};  // how soon the watcher notices its stop
    while (!stop.stop_requested()) {
      if (sigtimedwait(&set, nullptr, &pollPeriod) > 0) onSignal();
    }
  });
}

CloseSignals::~CloseSignals() = default;  // the jthread requests the stop and joins

}  // namespace os
